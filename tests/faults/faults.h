#pragma once

// Shared by the fault-injection tests: the document commands' window seen without widgets,
// scripted answers, whole-file helpers, and child processes that report back.

#include "document/documents.h"
#include "platform/editcontrol.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <dirent.h>
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

// The names in a folder, hidden ones too, as bytes: a name Qt cannot decode still counts.
inline QByteArrayList entriesOf(const QString &folder)
{
    QByteArrayList names;
    if (DIR *dir = ::opendir(QFile::encodeName(folder).constData())) {
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names << name;
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FakeHost : public document::DocumentHost
{
public:
    platform::EditControl edit;
    platform::EditControl *other = nullptr; // when set, the editor the commands see instead
    QString dir;
    std::function<QString()> fileName = [] { return QString(); };
    QString caption;

    platform::EditControl &editor() override { return other ? *other : edit; }
    QString directory() const override { return dir; }
    QString fileNameText() const override { return fileName(); }
    void updateFileList() override {}
    void repaintFileList() override {}
    void setCaption(const QString &text) override { caption = text; }
};

class ScriptedQuestions : public document::DocumentQuestions
{
public:
    QStringList messages;
    SaveChanges askSaveChanges() override { return SaveChanges::No; }
    std::optional<QString> askSaveName() override { return std::nullopt; }
    std::optional<QString> askOpenName(const QString &) override { return std::nullopt; }
    bool askSaveAsUtf8(const QString &, QChar) override { return false; }
    void showMessage(const QString &text) override { messages << text; }
};

// Runs `body` in a child process and returns what it reports: empty for success, else why it
// failed; "killed by signal N" when it did not end by itself within `seconds`. The child's
// peak memory, in kilobytes, goes to *peakKb when asked for.
inline QString inChild(const std::function<QString()> &body, unsigned seconds = 30,
                       long *peakKb = nullptr)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return QStringLiteral("no pipe");
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return QStringLiteral("no fork");
    if (child == 0) {
        ::close(pipeFds[0]);
        ::alarm(seconds); // a hang ends the child, and the parent reads the signal
        const QByteArray report = body().toUtf8();
        [[maybe_unused]] const ssize_t written =
            ::write(pipeFds[1], report.constData(), size_t(report.size()));
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    QByteArray report;
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            report.append(buffer, n);
        else if (errno != EINTR)
            break;
    }
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    if (peakKb)
        *peakKb = usage.ru_maxrss;
    if (WIFSIGNALED(status))
        return QStringLiteral("killed by signal %1").arg(WTERMSIG(status));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("exit status %1: %2")
            .arg(WEXITSTATUS(status))
            .arg(QString::fromUtf8(report));
    return QString::fromUtf8(report);
}

} // namespace tolvan::test
