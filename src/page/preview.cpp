#include "preview.h"

#include "platform/error.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QUrl>

namespace tolvan::page {

namespace {
qsizetype skipSpace(const QString &text, qsizetype pos)
{
    while (pos < text.size() && text.at(pos).isSpace())
        ++pos;
    return pos;
}
} // namespace

qsizetype baseInsertionPoint(const QString &text)
{
    static const QRegularExpression ownBase(QStringLiteral(R"(<base\s[^>]*\bhref\s*=)"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression headTag(QStringLiteral(R"(<(html|head|meta)(?=[\s/>])[^>]*>)"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (text.contains(ownBase))
        return -1;
    qsizetype point = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
    for (qsizetype pos = skipSpace(text, point); pos < text.size(); pos = skipSpace(text, point)) {
        qsizetype end = -1;
        if (QStringView(text).sliced(pos).startsWith(u"<!--")) {
            end = text.indexOf(QStringLiteral("-->"), pos + 4);
            end = end < 0 ? -1 : end + 3;
        } else if (QStringView(text).sliced(pos).startsWith(u"<!") ||
                   QStringView(text).sliced(pos).startsWith(u"<?")) {
            end = text.indexOf(QLatin1Char('>'), pos);
            end = end < 0 ? -1 : end + 1;
        } else if (const QRegularExpressionMatch tag =
                       headTag.match(text, pos, QRegularExpression::NormalMatch,
                                     QRegularExpression::AnchorAtOffsetMatchOption);
                   tag.hasMatch()) {
            end = tag.capturedEnd();
        }
        if (end < 0)
            break;
        point = end;
    }
    return point;
}

QString withBase(const QString &text, const QString &folder)
{
    const qsizetype point = baseInsertionPoint(text);
    if (point < 0)
        return text;
    QString path = QDir(folder.isEmpty() ? QDir::currentPath() : folder).absolutePath();
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    // Percent-encoded, the address is plain ASCII, which every encoding of the page can hold.
    QString address = QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded());
    address.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    QString result = text;
    result.insert(point, QStringLiteral("<base href=\"%1\">").arg(address));
    return result;
}

bool openInBrowser(const QUrl &url)
{
    const QString address = url.toString(QUrl::FullyEncoded);
    const QString browsers = qEnvironmentVariable("BROWSER");
    if (browsers.trimmed().isEmpty())
        return QDesktopServices::openUrl(url);
    for (const QString &command : browsers.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        QStringList arguments = QProcess::splitCommand(command);
        if (arguments.isEmpty())
            continue;
        bool placed = false;
        for (QString &argument : arguments) {
            if (argument.contains(QLatin1String("%s"))) {
                argument.replace(QLatin1String("%s"), address);
                placed = true;
            }
        }
        if (!placed)
            arguments.append(address);
        const QString program = arguments.takeFirst();
        if (QProcess::startDetached(program, arguments))
            return true;
    }
    return false;
}

Preview::Preview() = default;
Preview::~Preview() = default;

QString Preview::folder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QFileInfo info(runtime);
    if (!runtime.isEmpty() && info.isDir() && info.isWritable())
        return info.absoluteFilePath();
    return QDir::tempPath();
}

QString Preview::file() const
{
    return m_file ? m_file->fileName() : QString();
}

void Preview::write(const QByteArray &bytes)
{
    // QTemporaryFile creates the file with mode 0600 and removes it when it is destroyed.
    if (!m_file) {
        m_file = std::make_unique<QTemporaryFile>(folder() +
                                                  QStringLiteral("/tolvan-preview-XXXXXX.html"));
        if (!m_file->open()) {
            const QString reason = m_file->errorString();
            m_file.reset();
            throw platform::Error(
                QStringLiteral("Cannot create the preview copy in %1: %2").arg(folder(), reason));
        }
    }
    if (!m_file->resize(0) || !m_file->seek(0) || m_file->write(bytes) != bytes.size() ||
        !m_file->flush()) {
        const QString reason = m_file->errorString();
        m_file.reset();
        throw platform::Error(QStringLiteral("Cannot write the preview copy: %1").arg(reason));
    }
}

void Preview::show(const QString &text, const PageEncoder &encode, const QString &folder)
{
    const QString page = withBase(text, folder);
    std::optional<QByteArray> bytes = encode(page);
    // A character the page's encoding cannot hold is shown rather than refused: the copy is
    // then UTF-8, marked as such so that a charset declaration in the page does not mislead.
    if (!bytes)
        bytes = QByteArray("\xEF\xBB\xBF") + page.toUtf8();
    write(*bytes);
    if (!openInBrowser(QUrl::fromLocalFile(m_file->fileName()))) {
        m_file.reset();
        const QString browsers = qEnvironmentVariable("BROWSER");
        throw platform::Error(
            browsers.trimmed().isEmpty()
                ? QStringLiteral("Cannot start a web browser to show the page: the desktop has "
                                 "no default browser")
                : QStringLiteral("Cannot start the web browser named in BROWSER (%1)")
                      .arg(browsers));
    }
}

} // namespace tolvan::page
