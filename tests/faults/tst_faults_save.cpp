// Saving a page when the process dies, the folder goes, or the disk fills: the file on disk is
// always one whole page, and the editor keeps what it had.

#include "common/hermetic.h"
#include "document/codec.h"
#include "faults.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace tolvan::document;
using namespace tolvan::test;
using tolvan::platform::EditControl;

namespace {

constexpr uid_t nobody = 65534;

// Two pages of about 5 MB, unlike in every line and in length. Each ends in CR LF, so saving
// writes it back byte for byte. Long lines keep the gathering of lines, which every save starts
// with, short next to the writing, where the kills matter.
QByteArray pageA()
{
    return ("<P>" + QByteArray(994, 'a') + "</P>\r\n").repeated(5000);
}

QByteArray pageB()
{
    return ("<LI>" + QByteArray(1291, 'b') + "</LI>\r\n").repeated(4000);
}

// Whatever the child's open descriptors name, to tell a kill during a save from one between.
bool holdsFileIn(pid_t pid, const QString &folder)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QFileInfo &fd : QDir(fds).entryInfoList(QDir::System | QDir::Files)) {
        if (fd.symLinkTarget().startsWith(folder + u'/'))
            return true;
    }
    return false;
}

} // namespace

class SaveFaultsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void killedSavesLeaveAWholeFile();
    void saveWhenTheFolderWent_data();
    void saveWhenTheFolderWent();
    void saveOnAFullDisk_data();
    void saveOnAFullDisk();
};

// A child saves page A and page B in turn, without end; the parent kills it with SIGKILL after
// a random delay, 200 times. After every kill the file is page A or page B, whole, and no
// temporary file is left behind beyond the one the killed save may have held.
//
// Most of a save is gathering and encoding the editor's lines; the file is open only for the
// last few milliseconds. So half the kills come at any moment of a save, and half at a random
// moment from when the child opens its file to twice as long as that takes.
void SaveFaultsTest::killedSavesLeaveAWholeFile()
{
    // In memory where the system has it: a kill leaves the same file whether or not the data
    // reached the disk (that is the page cache's business), and without waiting for the disk
    // the 200 kills take seconds, not minutes.
    QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                          ? QStringLiteral("/dev/shm/tst_faults_save-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/tst_faults_save-XXXXXX"));
    const QString folder = QFileInfo(dir.path()).canonicalFilePath();
    const QString file = folder + QStringLiteral("/page.htm");
    const QByteArray a = pageA(), b = pageB();
    FakeHost host;
    ScriptedQuestions questions;
    DocumentCommands docs(host, questions);
    EditControl editA, editB;
    editA.setWholeText(decode(a).text);
    editB.setWholeText(decode(b).text);
    // The child starts with the page that is not on disk, so every save it begins replaces
    // one page with the other.
    const auto start = [&] {
        const bool aOnDisk = readAll(file) == a;
        std::fflush(nullptr);
        const pid_t child = ::fork();
        for (bool b = aOnDisk; child == 0; b = !b) {
            host.other = b ? &editB : &editA;
            if (!docs.SaveDocument(file))
                ::_exit(3);
        }
        return child;
    };
    const auto stop = [](pid_t child) {
        ::kill(child, SIGKILL);
        int status = 0;
        return ::waitpid(child, &status, 0) == child && WIFSIGNALED(status);
    };

    // One pair of saves in this process: they must work, and they give the span to kill in.
    QElapsedTimer clock;
    clock.start();
    host.other = &editB;
    QVERIFY(docs.SaveDocument(file));
    QVERIFY(readAll(file) == b);
    host.other = &editA;
    QVERIFY(docs.SaveDocument(file));
    QVERIFY(readAll(file) == a);
    host.other = nullptr;
    const qint64 pairMicroseconds = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
    const qint64 patience = 50 * pairMicroseconds;

    // How long the file stays open, watched from outside as the kills will be.
    qint64 openMicroseconds = 100;
    for (int watch = 0; watch < 3; ++watch) {
        const pid_t child = start();
        QVERIFY(child > 0);
        QElapsedTimer open;
        clock.restart();
        while (!holdsFileIn(child, folder) && clock.nsecsElapsed() / 1000 < patience)
            ::usleep(20);
        open.start();
        while (holdsFileIn(child, folder) && clock.nsecsElapsed() / 1000 < patience)
            ::usleep(20);
        openMicroseconds = std::max(openMicroseconds, open.nsecsElapsed() / 1000);
        QVERIFY(stop(child));
    }

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    constexpr int trials = 200;
    int whole = 0, wholeA = 0, wholeB = 0, whileOpen = 0, childFailures = 0, leftStray = 0;
    qsizetype mostStrays = 0;
    QByteArrayList strays;
    for (int trial = 0; trial < trials; ++trial) {
        const pid_t child = start();
        QVERIFY(child > 0);
        if (trial % 2 == 0) {
            // Any moment of the first save; the second is the same work on the other page.
            ::usleep(useconds_t(random.bounded(pairMicroseconds / 2)));
        } else {
            clock.restart();
            while (!holdsFileIn(child, folder) && clock.nsecsElapsed() / 1000 < patience)
                ::usleep(20);
            ::usleep(useconds_t(random.bounded(2 * openMicroseconds)));
        }
        whileOpen += holdsFileIn(child, folder);
        childFailures += !stop(child);

        const QByteArray now = readAll(file);
        wholeA += now == a;
        wholeB += now == b;
        whole += now == a || now == b;
        strays = entriesOf(folder);
        strays.removeAll("page.htm");
        mostStrays = std::max(mostStrays, strays.size());
        leftStray += !strays.isEmpty();
        // Nothing of ours removes what a killed save left: cleared here, so that each kill is
        // judged on its own.
        for (const QByteArray &stray : std::as_const(strays))
            QFile::remove(folder + u'/' + QFile::decodeName(stray));
    }
    std::printf("%d/%d kills left a whole file (page A %d, page B %d); %d of them while the "
                "save had its file open; %d left a temporary file behind (seed %u; a save %lld "
                "us, the file open %lld us)\n",
                whole, trials, wholeA, wholeB, whileOpen, leftStray, seed,
                static_cast<long long>(pairMicroseconds / 2),
                static_cast<long long>(openMicroseconds));
    QCOMPARE(childFailures, 0);
    QCOMPARE(whole, trials);
    // QSaveFile writes an unnamed file and, once it is complete, gives it a temporary name and
    // renames that over the page (a link cannot replace a file). A kill between the two leaves
    // that one name behind, never more.
    QVERIFY2(mostStrays <= 1, strays.join(' ').constData());
}

// Saving again into the folder of the page after it went away in one way or another: the save
// fails with the message, and the editor keeps its text, its modified flag and its file name.
void SaveFaultsTest::saveWhenTheFolderWent_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("oldFileSomewhere"); // the old page still exists, moved or not
    QTest::newRow("removed") << "remove" << false;
    QTest::newRow("renamed") << "rename" << true;
    QTest::newRow("replaced by a file") << "file" << false;
    QTest::newRow("made read-only, the user no superuser") << "readonly" << true;
    QTest::newRow("page replaced by a folder") << "pagefolder" << false;
}

void SaveFaultsTest::saveWhenTheFolderWent()
{
    QFETCH(QString, how);
    QFETCH(bool, oldFileSomewhere);
    QTemporaryDir dir;
    const QString root = QFileInfo(dir.path()).canonicalFilePath();
    const QString folder = root + QStringLiteral("/site");
    const QString file = folder + QStringLiteral("/page.htm");
    QVERIFY(QDir().mkpath(folder));
    const QByteArray old = "<P>old page\r\n";
    QVERIFY(writeAll(file, old));

    FakeHost host;
    ScriptedQuestions questions;
    DocumentCommands docs(host, questions);
    QVERIFY(docs.LoadDocument(file));
    host.edit.selectAll();
    host.edit.replaceSelection(QStringLiteral("<P>new text, not saved yet"));
    const QString caption = host.caption;

    QString moved = file;
    if (how == QLatin1String("remove")) {
        QVERIFY(QDir(folder).removeRecursively());
    } else if (how == QLatin1String("rename")) {
        QVERIFY(QDir(root).rename(QStringLiteral("site"), QStringLiteral("moved")));
        moved = root + QStringLiteral("/moved/page.htm");
    } else if (how == QLatin1String("file")) {
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(writeAll(folder, "a file where the folder was"));
    } else if (how == QLatin1String("pagefolder")) {
        QVERIFY(QFile::remove(file));
        QVERIFY(QDir().mkpath(file));
    } else {
        // The superuser writes anywhere: the save runs as an ordinary user who owns the page.
        QCOMPARE(::chmod(QFile::encodeName(root).constData(), 0755), 0);
        if (::geteuid() == 0) {
            QCOMPARE(::chown(QFile::encodeName(folder).constData(), nobody, nobody), 0);
            QCOMPARE(::chown(QFile::encodeName(file).constData(), nobody, nobody), 0);
        }
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), 0555), 0);
    }

    const QString report = inChild([&]() -> QString {
        if (how == QLatin1String("readonly") && ::geteuid() == 0 &&
            (::setresgid(nobody, nobody, nobody) != 0 || ::setresuid(nobody, nobody, nobody) != 0))
            return QStringLiteral("cannot become an ordinary user");
        if (docs.SaveDocument(file))
            return QStringLiteral("the save succeeded");
        if (questions.messages != QStringList{QStringLiteral("Cannot Create File ") + file})
            return QStringLiteral("messages: ") + questions.messages.join(u'|');
        if (host.edit.wholeText() != QStringLiteral("<P>new text, not saved yet") ||
            !host.edit.modified())
            return QStringLiteral("the editor lost its text or its modified flag");
        if (docs.currentFileName() != file || host.caption != caption)
            return QStringLiteral("the document's name changed to ") + docs.currentFileName();
        return {};
    });
    std::printf("save after the folder was %s: %s\n", QTest::currentDataTag(),
                report.isEmpty() ? "refused, the editor kept its text" : qPrintable(report));
    QVERIFY2(report.isEmpty(), qPrintable(report));
    if (oldFileSomewhere)
        QCOMPARE(readAll(moved), old);
    if (how == QLatin1String("readonly")) {
        QCOMPARE(entriesOf(folder), QByteArrayList{"page.htm"}); // no temporary left
        ::chmod(QFile::encodeName(folder).constData(), 0755);
    }
}

// A save that runs out of room part of the way, made real with a file-size limit in a child
// process (SIGXFSZ ignored, so writes fail with EFBIG as on a full disk).
void SaveFaultsTest::saveOnAFullDisk_data()
{
    QTest::addColumn<qint64>("room");
    const qint64 size = 200000 + 2; // the new text and its CR LF
    QTest::newRow("no room at all") << qint64(0);
    QTest::newRow("one byte") << qint64(1);
    QTest::newRow("one page of the disk") << qint64(4096);
    QTest::newRow("half the page") << size / 2;
    QTest::newRow("all but the last byte") << size - 1;
}

void SaveFaultsTest::saveOnAFullDisk()
{
    QFETCH(qint64, room);
    QTemporaryDir dir;
    const QString folder = QFileInfo(dir.path()).canonicalFilePath();
    const QString file = folder + QStringLiteral("/page.htm");
    const QByteArray old = QByteArray("old page\r\n").repeated(1000);
    QVERIFY(writeAll(file, old));

    FakeHost host;
    ScriptedQuestions questions;
    DocumentCommands docs(host, questions);
    QVERIFY(docs.LoadDocument(file));
    const QString text(200000, u'x');
    host.edit.selectAll();
    host.edit.replaceSelection(text);

    const QString report = inChild([&]() -> QString {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{rlim_t(room), rlim_t(room)};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        if (docs.SaveDocument(file))
            return QStringLiteral("the save succeeded");
        if (questions.messages.size() != 1 || !questions.messages.first().endsWith(u' ' + file))
            return QStringLiteral("messages: ") + questions.messages.join(u'|');
        if (host.edit.wholeText() != text || !host.edit.modified())
            return QStringLiteral("the editor lost its text or its modified flag");
        if (docs.currentFileName() != file)
            return QStringLiteral("the document's name changed");
        return {};
    });
    std::printf("save with room for %lld bytes: %s\n", static_cast<long long>(room),
                report.isEmpty() ? "refused, the old file whole" : qPrintable(report));
    QVERIFY2(report.isEmpty(), qPrintable(report));
    QVERIFY(readAll(file) == old);
    QCOMPARE(entriesOf(folder), QByteArrayList{"page.htm"});

    // With the room back, the same document saves.
    QVERIFY(docs.SaveDocument(file));
    QCOMPARE(readAll(file).size(), qsizetype(200002));
}

TOLVAN_TEST_MAIN(SaveFaultsTest)

#include "tst_faults_save.moc"
