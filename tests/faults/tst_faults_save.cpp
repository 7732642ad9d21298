// Saving a page when the process dies, the folder goes, or the disk fills: the file on disk is
// always one whole page, and the editor keeps what it had.

#include "common/fakedocument.h"
#include "common/files.h"
#include "common/hermetic.h"
#include "document/codec.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace tolvan::document;
using namespace tolvan::test;

class SaveFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    // A child saves page A and page B in turn, without end; the parent kills it with SIGKILL
    // at a random moment of its first two saves, 200 times. After every kill the file is page A
    // or page B, whole, and no temporary file is left beyond the one the killed save may have
    // held.
    void killedSavesLeaveAWholeFile()
    {
        // In memory where the system has it: a kill leaves the same file whether or not the data
        // reached the disk, and without waiting for the disk the kills take seconds, not minutes.
        QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                              ? QStringLiteral("/dev/shm/tst_faults_save-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/tst_faults_save-XXXXXX"));
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        const QString file = folder + QStringLiteral("/page.htm");
        // Two pages of about 5 MB, unlike in every line and in length, in CR LF so that saving
        // writes them back byte for byte: writing them is a fair share of a save.
        const QByteArray a = ("<P>" + QByteArray(994, 'a') + "</P>\r\n").repeated(5000);
        const QByteArray b = ("<LI>" + QByteArray(1291, 'b') + "</LI>\r\n").repeated(4000);
        FakeDocument page;
        tolvan::platform::EditControl editA, editB;
        editA.setWholeText(decode(a).text);
        editB.setWholeText(decode(b).text);
        // One pair of saves here: they must work, and they give the span to kill in.
        QElapsedTimer clock;
        clock.start();
        for (auto *edit : {&editB, &editA}) {
            page.other = edit;
            QVERIFY(page.docs.SaveDocument(file) && readAll(file) == (edit == &editA ? a : b));
        }
        const qint64 pairUs = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);

        constexpr int trials = 200;
        int wholeA = 0, wholeB = 0, childFailures = 0;
        QStringList mostStrays;
        for (int trial = 0; trial < trials; ++trial) {
            // The child starts with the page that is not on disk, so every save replaces one
            // page with the other.
            bool nextB = readAll(file) == a;
            childFailures += !killMidway(
                [&] {
                    page.other = nextB ? &editB : &editA;
                    nextB = !nextB;
                    if (!page.docs.SaveDocument(file))
                        ::_exit(3);
                },
                pairUs);
            const QByteArray now = readAll(file);
            wholeA += now == a;
            wholeB += now == b;
            QStringList strays = entriesOf(folder);
            strays.removeAll(QStringLiteral("page.htm"));
            if (strays.size() > mostStrays.size())
                mostStrays = strays;
            // Nothing of ours removes what a killed save left: cleared here, so that each kill
            // is judged on its own.
            for (const QString &stray : std::as_const(strays))
                QFile::remove(folder + u'/' + stray);
        }
        qInfo("%d/%d kills left a whole file (page A %d, page B %d; two saves %lld us)",
              wholeA + wholeB, trials, wholeA, wholeB, pairUs);
        QCOMPARE(childFailures, 0);
        QCOMPARE(wholeA + wholeB, trials);
        // QSaveFile writes an unnamed file and, once it is complete, gives it a temporary name
        // and renames that over the page (a link cannot replace a file). A kill between the two
        // leaves that one name behind, never more.
        QVERIFY2(mostStrays.size() <= 1, qPrintable(mostStrays.join(u' ')));
    }

    // Saving again after the page's folder went away in one way or another, or with the disk
    // filling up midway (a file-size limit in the child, SIGXFSZ ignored, so that writes fail
    // with EFBIG as on a full disk): the save is refused with the message, the old page is left
    // whole with no temporary file beside it, and the editor keeps its text, modified flag and
    // name. With the room back, the same document saves.
    void saveRefused_data()
    {
        QTest::addColumn<qint64>("room"); // what the child may write; -1: no limit
        const qint64 size = 200000 + 2;   // the new text and its CR LF
        QTest::newRow("folder removed") << qint64(-1);
        QTest::newRow("folder renamed") << qint64(-1);
        QTest::newRow("folder read-only, the user no superuser") << qint64(-1);
        QTest::newRow("page replaced by a folder") << qint64(-1);
        QTest::newRow("no room at all") << qint64(0);
        QTest::newRow("room for half the page") << size / 2;
        QTest::newRow("room for all but the last byte") << size - 1;
    }

    void saveRefused()
    {
        QFETCH(qint64, room);
        const QString how = QTest::currentDataTag();
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        const QString folder = root + QStringLiteral("/site"), file = folder + "/page.htm";
        const QByteArray native = QFile::encodeName(folder), nativeFile = QFile::encodeName(file);
        const QByteArray old = QByteArray("old page\r\n").repeated(1000);
        const QString text = room < 0 ? QStringLiteral("<P>new text") : QString(200000, u'x');
        FakeDocument page;
        QVERIFY(QDir().mkpath(folder) && writeAll(file, old) && page.docs.LoadDocument(file));
        page.edit.selectAll();
        page.edit.replaceSelection(text);
        const QString caption = page.caption;

        if (how == "folder removed") {
            QVERIFY(QDir(folder).removeRecursively());
        } else if (how == "folder renamed") {
            QVERIFY(QDir(root).rename(QStringLiteral("site"), QStringLiteral("moved")));
        } else if (how == "page replaced by a folder") {
            QVERIFY(QFile::remove(file) && QDir().mkpath(file));
        } else if (how.contains("read-only")) {
            // The superuser writes anywhere: the save runs as an ordinary user who owns the page.
            QCOMPARE(::chmod(QFile::encodeName(root).constData(), 0755), 0);
            if (::geteuid() == 0)
                QVERIFY(::chown(native, nobody, nobody) == 0 &&
                        ::chown(nativeFile, nobody, nobody) == 0);
            QCOMPARE(::chmod(native.constData(), 0555), 0);
        }
        const QString report = inChild([&]() -> QString {
            const rlimit limit{rlim_t(room), rlim_t(room)};
            if (room >= 0 &&
                (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit)))
                return QStringLiteral("no file-size limit");
            if (how.contains("read-only") && ::geteuid() == 0 && !becomeNobody())
                return QStringLiteral("cannot become an ordinary user");
            if (page.docs.SaveDocument(file))
                return QStringLiteral("the save succeeded");
            const QString message = room >= 0 ? "Cannot Write to File " : "Cannot Create File ";
            if (page.messages != QStringList{message + file})
                return QStringLiteral("messages: ") + page.messages.join(u'|');
            if (page.edit.wholeText() != text || !page.edit.modified() ||
                page.docs.currentFileName() != file || page.caption != caption)
                return QStringLiteral("the editor lost its text, modified flag or file name");
            return {};
        });
        ::chmod(native.constData(), 0755);
        QVERIFY2(report.isEmpty(), qPrintable(report));
        if (how != "folder removed" && how != "page replaced by a folder") {
            const QString oldFile = how == "folder renamed" ? root + "/moved/page.htm" : file;
            QVERIFY(readAll(oldFile) == old);
            QCOMPARE(entriesOf(QFileInfo(oldFile).path()), QStringList{"page.htm"});
        }
        if (room >= 0) {
            QVERIFY(page.docs.SaveDocument(file));
            QCOMPARE(readAll(file).size(), qsizetype(200002));
        }
    }
};

TOLVAN_TEST_MAIN(SaveFaultsTest)

#include "tst_faults_save.moc"