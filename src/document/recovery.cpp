#include "recovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>

namespace tolvan::document {

namespace {
const QByteArray magic = "TOLVAN-RECOVERY 1\n";
const QString prefix = QStringLiteral("recovery-");

bool processRunning(qint64 pid)
{
    return pid > 0 && (::kill(pid_t(pid), 0) == 0 || errno == EPERM);
}
} // namespace

QString RecoveryStore::folder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/tolvan");
}

RecoveryStore::RecoveryStore(qint64 processId)
    : m_file(folder() + u'/' + prefix + QString::number(processId))
{
}

bool RecoveryStore::save(const QString &documentPath, PageEncoding encoding,
                         const QString &text) const
{
    if (!QDir().mkpath(folder()))
        return false;
    QSaveFile out(m_file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    QFile::setPermissions(m_file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // The header names the document and its encoding; the text follows as UTF-8, a stray byte
    // as itself.
    QByteArray data = magic;
    data += documentPath.toUtf8().replace('\n', ' ') + '\n';
    data += encodingKey(encoding) + '\n';
    const std::optional<QByteArray> body = encode(text, Encoding::Utf8);
    data += body ? *body : text.toUtf8();
    out.write(data);
    return out.commit();
}

void RecoveryStore::remove() const
{
    QFile::remove(m_file);
}

std::optional<RecoveredWork> RecoveryStore::read(const QString &file)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = in.readAll();
    if (!data.startsWith(magic))
        return std::nullopt;
    const qsizetype pathEnd = data.indexOf('\n', magic.size());
    const qsizetype encodingEnd = pathEnd < 0 ? -1 : data.indexOf('\n', pathEnd + 1);
    if (encodingEnd < 0)
        return std::nullopt;
    // Copies that name an encoding unknown here are taken as UTF-8, as they always were.
    const QByteArrayView encoding(data.constData() + pathEnd + 1, encodingEnd - pathEnd - 1);
    return RecoveredWork{file, QString::fromUtf8(data.mid(magic.size(), pathEnd - magic.size())),
                         encodingFromKey(encoding).value_or(Encoding::Utf8),
                         decodeUtf8KeepingStrays(QByteArrayView(data).sliced(encodingEnd + 1))};
}

QList<RecoveredWork> RecoveryStore::leftBehind()
{
    QList<RecoveredWork> found;
    QFileInfoList files = QDir(folder()).entryInfoList({prefix + u'*'}, QDir::Files, QDir::Time |
                                                                                   QDir::Reversed);
    for (const QFileInfo &info : files) {
        bool ok = false;
        const qint64 pid = info.fileName().mid(prefix.size()).toLongLong(&ok);
        if (!ok || processRunning(pid))
            continue;
        if (auto work = read(info.filePath()))
            found << *work;
    }
    return found;
}

} // namespace tolvan::document
