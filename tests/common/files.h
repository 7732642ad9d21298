#pragma once

// Shared by the test programs: whole-file helpers, the texts of a list, the message a command
// fails with, and child processes that report back (for what may hang, crash or must run as an
// ordinary user).

#include "platform/error.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QRandomGenerator>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tolvan::test {

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>";
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QStringList texts(const QListWidget &list)
{
    QStringList result;
    for (int row = 0; row < list.count(); ++row)
        result << list.item(row)->text();
    return result;
}

// The message a command fails with, empty when it does not.
inline QString errorOf(const std::function<void()> &command)
{
    try {
        command();
    } catch (const platform::Error &error) {
        return error.message();
    }
    return {};
}

// Permissions count for an ordinary user only: a child process that is the superuser becomes
// this one, and the files it must own are given to it.
constexpr uid_t nobody = 65534;
inline bool becomeNobody()
{
    return ::setresgid(nobody, nobody, nobody) == 0 && ::setresuid(nobody, nobody, nobody) == 0;
}

// Runs `body` in a child process and returns what it reports: empty for success, else why it
// failed; "killed by signal N" when it did not end by itself within `seconds`. The child's
// peak memory, in kilobytes, goes to *peakKb when asked for.
inline QString inChild(const std::function<QString()> &body, unsigned seconds = 30,
                       long *peakKb = nullptr)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return QStringLiteral("no pipe");
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(seconds); // a hang ends the child, and the parent reads the signal
        QByteArray report = "an exception escaped"; // caught: else the child would go on
        try {
            report = body().toUtf8();
        } catch (...) {
        }
        [[maybe_unused]] const ssize_t n = ::write(fds[1], report.data(), size_t(report.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QFile pipe;
    pipe.open(fds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QString report = QString::fromUtf8(pipe.readAll());
    int status = 0;
    rusage usage{};
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child)
        return QStringLiteral("no child");
    if (peakKb)
        *peakKb = usage.ru_maxrss;
    if (WIFSIGNALED(status))
        return QStringLiteral("killed by signal %1").arg(WTERMSIG(status));
    return WEXITSTATUS(status) == 0 ? report : QStringLiteral("exit status: ") + report;
}

// What `body` costs in memory, in kilobytes, over a child that does nothing; its report as
// inChild gives it.
inline QString inChildCosting(const std::function<QString()> &body, unsigned seconds, long *extraKb)
{
    long baseKb = 0, usedKb = 0;
    inChild([] { return QString(); }, seconds, &baseKb);
    const QString report = inChild(body, seconds, &usedKb);
    *extraKb = usedKb - baseKb;
    return report;
}

// Starts a child that runs `step` over and over, and kills it with SIGKILL after a random delay
// below `spanUs`; true when the signal ended it (it did not end by itself).
inline bool killMidway(const std::function<void()> &step, qint64 spanUs)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    while (child == 0)
        step();
    ::usleep(useconds_t(QRandomGenerator::global()->bounded(spanUs)));
    int status = 0;
    return child > 0 && ::kill(child, SIGKILL) == 0 && ::waitpid(child, &status, 0) == child &&
           WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace tolvan::test
