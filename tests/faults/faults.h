#pragma once

// Shared by the fault-injection tests: the document commands' window seen without widgets,
// scripted answers, whole-file helpers, and child processes that report back.

#include "document/documents.h"
#include "platform/editcontrol.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>

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
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

inline bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Every name in the folder, hidden ones too.
inline QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

// Permissions count for an ordinary user only: a child process that is the superuser becomes
// this one, and the files it must own are given to it.
constexpr uid_t nobody = 65534;
inline bool becomeNobody()
{
    return ::setresgid(nobody, nobody, nobody) == 0 && ::setresuid(nobody, nobody, nobody) == 0;
}

// The document commands, with their window seen without widgets and their questions answered
// by script.
class FakeDocument : public document::DocumentHost, public document::DocumentQuestions
{
public:
    platform::EditControl edit;
    platform::EditControl *other = nullptr; // when set, the editor the commands see instead
    QString dir, caption;
    QStringList messages;
    std::function<QString()> fileName = [] { return QString(); };
    document::DocumentCommands docs{*this, *this};

    platform::EditControl &editor() override { return other ? *other : edit; }
    QString directory() const override { return dir; }
    QString fileNameText() const override { return fileName(); }
    void updateFileList() override {}
    void repaintFileList() override {}
    void setCaption(const QString &text) override { caption = text; }
    SaveChanges askSaveChanges() override { return SaveChanges::No; }
    std::optional<QString> askSaveName() override { return std::nullopt; }
    std::optional<QString> askOpenName(const QString &) override { return std::nullopt; }
    bool askSaveAsUtf8(const document::Utf8Question &) override { return false; }
    void showMessage(const QString &text) override { messages << text; }
};

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
        QByteArray report;
        try {
            report = body().toUtf8();
        } catch (...) { // else the child would go on with the parent's tests
            report = "an exception escaped";
        }
        [[maybe_unused]] const ssize_t n = ::write(fds[1], report.data(), size_t(report.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QFile pipe;
    pipe.open(fds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QString report = QString::fromUtf8(pipe.readAll());
    pipe.close();
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

} // namespace tolvan::test
