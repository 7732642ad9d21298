#pragma once

// A CUPS scheduler of the test's own, in a temporary folder, with PDF-writing queues: a real
// printer for the real print path. Building the object makes the folder and sets CUPS_SERVER,
// which must happen before QApplication: the printing system reads the server once, at its
// first use. The daemon starts later, inside the test, and is stopped by its own process id
// when the object goes, or by the kernel should the test process die first.

#include "common/files.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvan::test {

class PrivateCups
{
public:
    PrivateCups()
    {
        // Filters run as the user lp, who must reach the spool and write the temporary folder.
        ::chmod(QFile::encodeName(m_dir.path()).constData(), 0755);
        QDir(m_dir.path()).mkpath("tmp");
        ::chmod(QFile::encodeName(m_dir.filePath("tmp")).constData(), 01777);
        // Open to all, as the test adds and removes queues without a password.
        write("cupsd.conf", "Listen %1/cups.sock\nBrowsing Off\nWebInterface No\n"
                            "PreserveJobFiles Yes\nDefaultAuthType None\n"
                            "<Policy default>\n<Limit All>\n</Limit>\n</Policy>\n");
        write("cups-files.conf", "ServerRoot %1\nRequestRoot %1/spool\nCacheDir %1/cache\n"
                                 "StateDir %1/state\nTempDir %1/tmp\nAccessLog %1/access_log\n"
                                 "ErrorLog %1/error_log\nPageLog %1/page_log\n");
        qputenv("CUPS_SERVER", QFile::encodeName(m_dir.filePath("cups.sock")));
        // Either would name a default printer of the caller's own.
        qunsetenv("PRINTER");
        qunsetenv("LPDEST");
        // The PDF queue writes to the home the password database gives, whatever HOME says.
        const passwd *user = ::getpwuid(::geteuid());
        m_output.setPath(QFile::decodeName(user ? user->pw_dir : "/root") + "/PDF");
        m_madeOutput = !m_output.exists();
    }

    ~PrivateCups()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(10000))
            m_daemon.kill();
        m_daemon.waitForFinished();
        // The queue's own PDFs of the test's jobs go with it (a job of an earlier run may have
        // left one of the same name, which this run wrote again).
        for (const QFileInfo &file : m_output.entryInfoList({"*.pdf"}))
            if (file.lastModified() >= m_started)
                m_output.remove(file.fileName());
        if (m_madeOutput)
            m_output.rmdir(m_output.path()); // only when empty
    }

    // Empty when the daemon runs and answers (started now or by an earlier test); else why not.
    QString start()
    {
        if (m_daemon.state() == QProcess::Running)
            return {};
        m_daemon.setProcessChannelMode(QProcess::ForwardedChannels);
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon.start(tool("cupsd"), {"-f", "-c", m_dir.filePath("cupsd.conf"), "-s",
                                       m_dir.filePath("cups-files.conf")});
        if (!m_daemon.waitForStarted())
            return "cupsd (run scripts/install-deps.sh): " + m_daemon.errorString();
        QString answer;
        for (QDeadlineTimer deadline(20000); m_daemon.state() == QProcess::Running;
             QThread::msleep(20)) {
            if (run("lpstat", {"-r"}, &answer).isEmpty() && answer.contains("is running"))
                return {};
            if (deadline.hasExpired())
                break;
        }
        return "cupsd did not answer:\n" + log();
    }

    // Runs a program with a deadline; empty on success, else its complaint.
    static QString run(const QString &program, const QStringList &arguments,
                       QString *output = nullptr)
    {
        QProcess process; // killed when it goes
        process.start(tool(program), arguments);
        if (!process.waitForFinished(20000))
            return program + " did not finish: " + process.errorString();
        if (output)
            *output = QString::fromUtf8(process.readAllStandardOutput());
        if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
            return {};
        return program + ' ' + arguments.join(' ') + ": " + process.readAllStandardError();
    }

    // Leaves exactly these queues, the first the default unless told otherwise.
    QString setQueues(const QStringList &names, bool firstIsDefault = true)
    {
        QString present, error;
        run("lpstat", {"-e"}, &present); // fails when there is none, which is fine
        for (const QString &queue : present.split('\n', Qt::SkipEmptyParts))
            error += run("lpadmin", {"-x", queue});
        for (const QString &queue : names)
            error += run("lpadmin", {"-p", queue, "-E", "-v", "cups-pdf:/", "-m",
                                     "lsb/usr/cups-pdf/CUPS-PDF_opt.ppd"});
        if (firstIsDefault && !names.isEmpty())
            error += run("lpadmin", {"-d", names.first()});
        return error;
    }

    bool waitUntilIdle()
    {
        for (QDeadlineTimer deadline(30000); !deadline.hasExpired(); QThread::msleep(50)) {
            QString pending;
            if (run("lpstat", {"-o"}, &pending).isEmpty() && pending.trimmed().isEmpty())
                return true;
        }
        return false;
    }

    // Each job leaves the document exactly as the application sent it, oldest first.
    QStringList documentFiles() const
    {
        const QDir spool(m_dir.filePath("spool"));
        QStringList files = spool.entryList({"d*-001"}, QDir::Files, QDir::Name);
        for (QString &file : files)
            file = spool.filePath(file);
        return files;
    }

    QString log() const { return readAll(m_dir.filePath("error_log")).right(4000); }

private:
    static QString tool(const QString &name)
    {
        const QString path = QStandardPaths::findExecutable(name);
        return path.isEmpty() ? QStandardPaths::findExecutable(name, {"/usr/sbin"}) : path;
    }

    void write(const QString &name, const QString &text)
    {
        writeAll(m_dir.filePath(name), text.arg(m_dir.path()).toUtf8());
    }

    const QDateTime m_started = QDateTime::currentDateTime();
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QDir m_output;
    bool m_madeOutput;
};

} // namespace tolvan::test
