#pragma once

// A CUPS scheduler of the test's own, in a temporary folder, with PDF-writing queues: a real
// printer for the real print path. Building the object makes the folder and sets CUPS_SERVER,
// which must happen before QApplication: the printing system reads the server once, at its
// first use. The daemon starts later, inside the test, and is stopped by its own process id
// when the object goes, or by the kernel should the test process die first.

#include <QDateTime>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

namespace tolvan::test {

class PrivateCups
{
public:
    PrivateCups();
    ~PrivateCups();

    // Empty when the daemon runs and answers; else why not.
    QString start();
    void stop();

    // Leaves exactly these queues, the first the default unless told otherwise.
    QString setQueues(const QStringList &names, bool firstIsDefault = true);
    bool waitUntilIdle();
    int completedJobs(const QString &queue);

    // Each job leaves the document exactly as the application sent it...
    QStringList documentFiles() const;
    // ...and the queue's own PDF, in the PDF folder of the job owner's home. These are the
    // files new or rewritten since the last call; they are removed at the end.
    QStringList takeNewOutput();

    // Runs a program with a deadline; empty on success, else its complaint.
    QString run(const QString &program, const QStringList &arguments, QString *output = nullptr);
    QString log() const;

private:
    QHash<QString, QDateTime> outputFiles() const;

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_outputFolder;
    bool m_madeOutputFolder;
    QHash<QString, QDateTime> m_seen;
    QStringList m_produced;
};

} // namespace tolvan::test
