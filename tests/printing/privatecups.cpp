#include "privatecups.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tolvan::test {

namespace {
QString tool(const QString &name)
{
    const QString path = QStandardPaths::findExecutable(name);
    return path.isEmpty() ? QStandardPaths::findExecutable(name, {u"/usr/sbin"_s, u"/usr/bin"_s})
                          : path;
}

void write(const QString &path, const QString &text)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(text.toUtf8());
}
} // namespace

PrivateCups::PrivateCups()
{
    const QString dir = m_dir.path();
    // Filters run as the user lp, who must reach the spool and write the temporary folder.
    ::chmod(QFile::encodeName(dir).constData(), 0755);
    QDir(dir).mkpath(u"log"_s);
    QDir(dir).mkpath(u"tmp"_s);
    ::chmod(QFile::encodeName(dir + u"/tmp"_s).constData(), 01777);
    // Open to all, as the test adds and removes queues without a password.
    write(dir + u"/cupsd.conf"_s, u"Listen %1/cups.sock\nBrowsing Off\nWebInterface No\n"
                                  "PreserveJobFiles Yes\nDefaultAuthType None\n"
                                  "<Location />\nOrder allow,deny\nAllow all\n</Location>\n"
                                  "<Policy default>\n<Limit All>\nOrder deny,allow\nAllow all\n"
                                  "</Limit>\n</Policy>\n"_s.arg(dir));
    write(dir + u"/cups-files.conf"_s,
          u"ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\nStateDir %1/state\n"
          "TempDir %1/tmp\nAccessLog %1/log/access_log\nErrorLog %1/log/error_log\n"
          "PageLog %1/log/page_log\n"_s.arg(dir));
    qputenv("CUPS_SERVER", QFile::encodeName(dir + u"/cups.sock"_s));
    // Either would name a default printer of the caller's own.
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");

    // The PDF queue writes to the home the password database gives, whatever HOME says.
    const passwd *user = ::getpwuid(::geteuid());
    m_outputFolder = QFile::decodeName(user ? user->pw_dir : "/root") + u"/PDF"_s;
    m_madeOutputFolder = !QFileInfo::exists(m_outputFolder);
    m_seen = outputFiles();
}

PrivateCups::~PrivateCups()
{
    stop();
    for (const QString &file : std::as_const(m_produced))
        QFile::remove(file);
    if (m_madeOutputFolder)
        QDir().rmdir(m_outputFolder); // only when empty
}

QString PrivateCups::start()
{
    const QString dir = m_dir.path();
    m_daemon.setProgram(tool(u"cupsd"_s));
    if (m_daemon.program().isEmpty())
        return u"cupsd is missing: run scripts/install-deps.sh"_s;
    m_daemon.setArguments(
        {u"-f"_s, u"-c"_s, dir + u"/cupsd.conf"_s, u"-s"_s, dir + u"/cups-files.conf"_s});
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.setStandardOutputFile(QProcess::nullDevice());
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_daemon.start();
    if (!m_daemon.waitForStarted())
        return m_daemon.errorString();
    for (QDeadlineTimer deadline(20000); !deadline.hasExpired(); QThread::msleep(20)) {
        QString answer;
        if (m_daemon.state() != QProcess::Running)
            return u"cupsd stopped:\n"_s + log();
        if (QFileInfo::exists(dir + u"/cups.sock"_s) &&
            run(u"lpstat"_s, {u"-r"_s}, &answer).isEmpty() && answer.contains(u"is running"_s))
            return {};
    }
    return u"cupsd did not answer:\n"_s + log();
}

void PrivateCups::stop()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(10000)) {
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
}

QString PrivateCups::run(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.start(tool(program), arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return program + u" did not finish: "_s + process.errorString();
    }
    if (output)
        *output = QString::fromUtf8(process.readAllStandardOutput());
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return {};
    return program + u' ' + arguments.join(u' ') + u": "_s +
           QString::fromLocal8Bit(process.readAllStandardError());
}

QString PrivateCups::setQueues(const QStringList &names, bool firstIsDefault)
{
    QString present;
    run(u"lpstat"_s, {u"-e"_s}, &present); // fails when there is none, which is fine
    for (const QString &queue : present.split(u'\n', Qt::SkipEmptyParts))
        if (QString error = run(u"lpadmin"_s, {u"-x"_s, queue}); !error.isEmpty())
            return error;
    for (const QString &queue : names)
        if (QString error = run(u"lpadmin"_s, {u"-p"_s, queue, u"-E"_s, u"-v"_s, u"cups-pdf:/"_s,
                                               u"-m"_s, u"lsb/usr/cups-pdf/CUPS-PDF_opt.ppd"_s});
            !error.isEmpty())
            return error;
    if (firstIsDefault && !names.isEmpty())
        return run(u"lpadmin"_s, {u"-d"_s, names.first()});
    return {};
}

bool PrivateCups::waitUntilIdle()
{
    for (QDeadlineTimer deadline(30000); !deadline.hasExpired(); QThread::msleep(50)) {
        QString pending;
        if (run(u"lpstat"_s, {u"-o"_s}, &pending).isEmpty() && pending.trimmed().isEmpty())
            return true;
    }
    return false;
}

int PrivateCups::completedJobs(const QString &queue)
{
    QString jobs;
    run(u"lpstat"_s, {u"-W"_s, u"completed"_s, u"-o"_s, queue}, &jobs);
    return int(jobs.split(u'\n', Qt::SkipEmptyParts).size());
}

QStringList PrivateCups::documentFiles() const
{
    const QDir spool(m_dir.filePath(u"spool"_s));
    QStringList files = spool.entryList({u"d*-001"_s}, QDir::Files, QDir::Name);
    for (QString &file : files)
        file = spool.filePath(file);
    return files;
}

QHash<QString, QDateTime> PrivateCups::outputFiles() const
{
    QHash<QString, QDateTime> files;
    for (const QFileInfo &info : QDir(m_outputFolder).entryInfoList({u"*.pdf"_s}, QDir::Files))
        files.insert(info.filePath(), info.lastModified());
    return files;
}

QStringList PrivateCups::takeNewOutput()
{
    const QHash<QString, QDateTime> now = outputFiles();
    QStringList changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (m_seen.value(it.key()) != it.value())
            changed.append(it.key());
    m_seen = now;
    m_produced.append(changed);
    return changed;
}

QString PrivateCups::log() const
{
    QFile file(m_dir.filePath(u"log/error_log"_s));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll().right(4000))
                                          : QString();
}

} // namespace tolvan::test
