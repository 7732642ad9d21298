#include "helpviewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace tolvan::help {

namespace {

// Help files come from anywhere: UTF-8 when the bytes are valid UTF-8, else the single-byte
// text of older pages.
QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder windows1252("windows-1252");
    if (windows1252.isValid())
        return windows1252.decode(bytes);
    return QString::fromLatin1(bytes);
}

bool looksLikeHtml(const QString &path, const QByteArray &bytes)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("htm") || suffix == QLatin1String("html") ||
        suffix == QLatin1String("xhtml"))
        return true;
    if (suffix == QLatin1String("txt"))
        return false;
    // Any other name (".hlp" included) is judged by how the file begins.
    const QByteArray head = bytes.left(1024).toLower();
    for (const char *mark : {"<!doctype html", "<html", "<head", "<body", "<title"}) {
        if (head.contains(mark))
            return true;
    }
    return false;
}

// The entry of `folder` called `name`, the letter case of its last part not minded, since help
// file names often come from systems that do not mind it.
QString findIn(const QDir &folder, const QString &name)
{
    const QFileInfo exact(folder.filePath(name));
    if (exact.isFile())
        return exact.absoluteFilePath();
    const QDir parent(exact.absolutePath());
    const QStringList entries = parent.entryList(QDir::Files | QDir::Hidden);
    for (const QString &entry : entries) {
        if (entry.compare(exact.fileName(), Qt::CaseInsensitive) == 0)
            return parent.filePath(entry);
    }
    return QString();
}

} // namespace

HelpViewer::HelpViewer(QWidget *owner)
    : QWidget(owner, Qt::Window), m_browser(new QTextBrowser(this)), m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("HelpViewer"));
    m_browser->setObjectName(QStringLiteral("HelpText"));
    m_status->setObjectName(QStringLiteral("HelpStatus"));
    m_browser->setOpenExternalLinks(true);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_browser, 1);
    layout->addWidget(m_status);
    resize(560, 420);
    setWindowTitle(QStringLiteral("Help"));
}

QString HelpViewer::locate(const QString &name)
{
    if (name.isEmpty())
        return QString();
    if (QDir::isAbsolutePath(name))
        return findIn(QDir::root(), name);
    for (const QString &folder : {QDir::currentPath(), QCoreApplication::applicationDirPath()}) {
        const QString found = findIn(QDir(folder), name);
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

bool HelpViewer::openFile(const QString &name)
{
    m_fileName = name;
    setWindowTitle(QStringLiteral("Help - %1").arg(QFileInfo(name).fileName()));
    m_browser->clear();
    const QString path = locate(name);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        setStatus(QStringLiteral("Cannot open the help file %1.").arg(name));
        return false;
    }
    const QByteArray bytes = file.readAll();
    const QString text = decode(bytes);
    // Links and pictures in the page are found beside it.
    m_browser->setSearchPaths({QFileInfo(path).absolutePath()});
    if (looksLikeHtml(path, bytes)) {
        m_browser->setHtml(text);
    } else {
        // A plain text takes the format at the caret, which a page shown before may have left
        // in a heading or a link: the whole text would come out as one.
        m_browser->setCurrentCharFormat(QTextCharFormat());
        m_browser->setPlainText(text);
    }
    m_browser->document()->setBaseUrl(QUrl::fromLocalFile(path));
    setStatus(QString());
    return true;
}

void HelpViewer::showContents()
{
    QTextCursor start(m_browser->document());
    m_browser->setTextCursor(start);
    m_browser->ensureCursorVisible();
}

bool HelpViewer::showKeyword(const QString &keyword)
{
    showContents();
    // A selection made by double-clicking a word often takes a blank with it.
    const QString wanted = keyword.trimmed();
    if (wanted.isEmpty())
        return true;
    const QTextCursor match = m_browser->document()->find(wanted);
    if (match.isNull()) {
        setStatus(QStringLiteral("\"%1\" was not found in the help file.").arg(wanted));
        return false;
    }
    m_browser->setTextCursor(match);
    m_browser->ensureCursorVisible();
    return true;
}

void HelpViewer::showContext(quint32 context)
{
    showContents();
    if (context != 0)
        setStatus(QStringLiteral("Help topic %1 was not found in the help file.").arg(context));
}

QString HelpViewer::statusText() const
{
    return m_status->text();
}

void HelpViewer::setStatus(const QString &text)
{
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

} // namespace tolvan::help
