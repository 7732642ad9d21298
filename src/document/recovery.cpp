#include "recovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvan::document {

namespace {
const QByteArray magic = "TOLVAN-RECOVERY 1\n";
const QString prefix = QStringLiteral("recovery-");

// When the process started, in clock ticks since boot; -1 when unknown.
qint64 startTimeOf(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    // The command name in brackets may hold spaces and brackets: the fields follow the last.
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 1).simplified().split(' ');
    bool ok = false;
    const qint64 start = fields.value(19).toLongLong(&ok); // the 22nd field of the line
    return ok ? start : -1;
}

bool processRunning(qint64 pid, qint64 startTime)
{
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return false;
    const qint64 now = startTime < 0 ? -1 : startTimeOf(pid);
    return startTime < 0 || now < 0 || now == startTime;
}

// The folder for the copies, private to its user from the moment it exists.
bool makeFolder(const QString &folder)
{
    const QByteArray name = QFile::encodeName(folder);
    if (!QDir().mkpath(QFileInfo(folder).path()) ||
        (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST))
        return false;
    // A folder made by an earlier version, or by hand, is closed to others before anything
    // is written into it.
    struct stat info {};
    if (::lstat(name.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return false;
    return (info.st_mode & 077) == 0 || ::chmod(name.constData(), info.st_mode & 0700) == 0;
}
} // namespace

QString RecoveryStore::folder()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/tolvan");
}

RecoveryStore::RecoveryStore(qint64 processId, qint64 startTime)
    : m_file(folder() + u'/' + prefix + QString::number(processId) +
             (startTime < 0 ? QString() : u'-' + QString::number(startTime)))
{
}

RecoveryStore RecoveryStore::ofThisProcess()
{
    const qint64 pid = ::getpid();
    return RecoveryStore(pid, startTimeOf(pid));
}

bool RecoveryStore::save(const QString &documentPath, PageEncoding encoding,
                         const QString &text) const
{
    if (!makeFolder(folder()))
        return false;
    QSaveFile out(m_file);
    // The new file has no name yet: it is its user's alone before a byte is in it.
    if (!out.open(QIODevice::WriteOnly) || ::fchmod(out.handle(), 0600) != 0)
        return false;
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
        // recovery-PID or recovery-PID-START
        const QStringList id = info.fileName().mid(prefix.size()).split(u'-');
        bool pidOk = false, startOk = id.size() == 1;
        const qint64 pid = id.value(0).toLongLong(&pidOk);
        const qint64 start = id.size() == 2 ? id[1].toLongLong(&startOk) : -1;
        if (!pidOk || !startOk || id.size() > 2 || processRunning(pid, start))
            continue;
        if (auto work = read(info.filePath()))
            found << *work;
    }
    return found;
}

qint64 RecoverySchedule::changed(qint64 now)
{
    if (m_firstUncopied < 0)
        m_firstUncopied = now;
    const qint64 due = std::min(now + m_timing.quiet, m_firstUncopied + m_timing.maxLag);
    return m_lastWrite < 0 ? due : std::max(due, m_lastWrite + m_timing.minGap);
}

void RecoverySchedule::written(qint64 now, bool ok)
{
    m_lastWrite = now;
    if (ok)
        m_firstUncopied = -1;
}

} // namespace tolvan::document
