// Saving a page when the process dies, the folder goes, or the disk fills: the file on disk is
// always one whole page, and the editor keeps what it had.

#include "common/hermetic.h"
#include "document/codec.h"
#include "common/fakedocument.h"
#include "common/files.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <grp.h>
#include <sys/stat.h>

using namespace tolvan::document;
using namespace tolvan::test;

class SaveFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    // A child saves page A and page B in turn, without end; the parent kills it with SIGKILL
    // after a random delay, 200 times. Saved through a rename, after every kill the file is page
    // A or page B, whole, and no temporary file is left beyond the one the killed save may have
    // held. A page with a second name is written in place, which no write order can make whole
    // at every moment: there a kill may leave the new page's head over the old page's rest (the
    // editor's recovery copy, written just before, holds the text); the trials count how often,
    // and check that both names show the same bytes, each one the old or the new page's, or a
    // zero where the room for a longer page was reserved.
    //
    // Most of a save is gathering and encoding the editor's lines; the file is open only for the
    // last few milliseconds. So half the kills come at any moment of a save, and half at a random
    // moment from when the child opens its file to twice as long as that takes.
    void killedSavesLeaveAWholeFile_data()
    {
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("through a rename") << false;
        QTest::newRow("in place, a page with two names") << true;
    }
    void killedSavesLeaveAWholeFile()
    {
        QFETCH(bool, inPlace);
        // In memory where the system has it: a kill leaves the same file whether or not the data
        // reached the disk, and without waiting for the disk the kills take seconds, not minutes.
        QTemporaryDir dir(QDir(QStringLiteral("/dev/shm")).exists()
                              ? QStringLiteral("/dev/shm/tst_faults_save-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/tst_faults_save-XXXXXX"));
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        const QString file = folder + QStringLiteral("/page.htm");
        const QString other = folder + QStringLiteral("/other.htm");
        // Two pages of about 5 MB, unlike in every line and in length, in CR LF so that saving
        // writes them back byte for byte. Long lines keep gathering the lines short next to the
        // writing, where the kills matter.
        const QByteArray a = ("<P>" + QByteArray(994, 'a') + "</P>\r\n").repeated(5000);
        const QByteArray b = ("<LI>" + QByteArray(1291, 'b') + "</LI>\r\n").repeated(4000);
        FakeDocument page;
        tolvan::platform::EditControl editA, editB;
        editA.setWholeText(decode(a).text);
        editB.setWholeText(decode(b).text);
        // The child starts with the page that is not on disk, so every save replaces one page
        // with the other.
        const auto start = [&] {
            const bool aOnDisk = readAll(file) == a;
            std::fflush(nullptr);
            const pid_t child = ::fork();
            for (bool nextB = aOnDisk; child == 0; nextB = !nextB) {
                page.other = nextB ? &editB : &editA;
                if (!page.docs.SaveDocument(file))
                    ::_exit(3);
            }
            return child;
        };
        const auto stop = [](pid_t child) {
            int status = 0;
            return child > 0 && ::kill(child, SIGKILL) == 0 &&
                   ::waitpid(child, &status, 0) == child && WIFSIGNALED(status);
        };
        // Whether the child's open descriptors name a file in the folder: a save has it open.
        const auto holdsFile = [&](pid_t child) {
            const QDir fds(QStringLiteral("/proc/%1/fd").arg(child));
            const auto all = fds.entryInfoList(QDir::System | QDir::Files);
            return std::any_of(all.begin(), all.end(), [&](const QFileInfo &fd) {
                return fd.symLinkTarget().startsWith(folder + u'/');
            });
        };
        QElapsedTimer clock, open;
        qint64 patience = 0;
        const auto waitWhile = [&](pid_t child, bool fileOpen) {
            for (clock.restart();
                 holdsFile(child) == fileOpen && clock.nsecsElapsed() / 1000 < patience;)
                ::usleep(20);
        };

        // One pair of saves here: they must work, and they give the span to kill in.
        clock.start();
        for (auto *edit : {&editB, &editA}) {
            page.other = edit;
            QVERIFY(page.docs.SaveDocument(file) && readAll(file) == (edit == &editA ? a : b));
            if (inPlace && !QFile::exists(other))
                QCOMPARE(::link(QFile::encodeName(file).constData(),
                                QFile::encodeName(other).constData()),
                         0);
        }
        page.other = nullptr;
        const qint64 pairUs = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
        patience = 50 * pairUs;
        // How long the file stays open, watched from outside as the kills will be.
        qint64 openUs = 100;
        for (int watch = 0; watch < 3; ++watch) {
            const pid_t child = start();
            waitWhile(child, false);
            open.start();
            waitWhile(child, true);
            openUs = std::max(openUs, open.nsecsElapsed() / 1000);
            QVERIFY(stop(child));
        }

        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        constexpr int trials = 200;
        int wholeA = 0, wholeB = 0, whileOpen = 0, childFailures = 0, leftStray = 0, mixed = 0;
        int foreign = 0, namesDiffer = 0;
        QStringList mostStrays;
        for (int trial = 0; trial < trials; ++trial) {
            const pid_t child = start();
            if (trial % 2) // a moment of the file being open
                waitWhile(child, false);
            // else any moment of the first save: the second is the same work on the other page
            ::usleep(useconds_t(random.bounded(trial % 2 ? 2 * openUs : pairUs / 2)));
            whileOpen += holdsFile(child);
            childFailures += !stop(child);
            const QByteArray now = readAll(file);
            wholeA += now == a;
            wholeB += now == b;
            if (inPlace && now != a && now != b) {
                ++mixed;
                namesDiffer += readAll(other) != now;
                for (qsizetype i = 0; i < now.size(); ++i) {
                    const char c = now[i];
                    if (c && c != a.at(std::min(i, a.size() - 1)) &&
                        c != b.at(std::min(i, b.size() - 1))) {
                        ++foreign;
                        break;
                    }
                }
                // Put back a whole page, so that every save replaces one page with the other.
                QVERIFY(writeAll(file, a));
            }
            QStringList strays = entriesOf(folder);
            strays.removeAll(QStringLiteral("page.htm"));
            strays.removeAll(QStringLiteral("other.htm"));
            leftStray += !strays.isEmpty();
            if (strays.size() > mostStrays.size())
                mostStrays = strays;
            // Nothing of ours removes what a killed save left: cleared here, so that each kill
            // is judged on its own.
            for (const QString &stray : std::as_const(strays))
                QFile::remove(folder + u'/' + stray);
        }
        std::printf("%s: %d/%d kills left a whole file (page A %d, page B %d), %d a mix of both; "
                    "%d of them while the save had its file open; %d left a temporary file behind "
                    "(seed %u; a save %lld us, the file open %lld us)\n",
                    QTest::currentDataTag(), wholeA + wholeB, trials, wholeA, wholeB, mixed,
                    whileOpen, leftStray, seed, pairUs / 2, openUs);
        QCOMPARE(childFailures, 0);
        QCOMPARE(wholeA + wholeB + mixed, trials);
        QCOMPARE(foreign, 0);
        QCOMPARE(namesDiffer, 0);
        if (!inPlace)
            QCOMPARE(mixed, 0);
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
        }
        const QString report = inChild([&]() -> QString {
            const rlimit limit{rlim_t(room), rlim_t(room)};
            if (room >= 0 &&
                (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit)))
                return QStringLiteral("no file-size limit");
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

    // Saving where the page cannot simply be replaced by a new file, as a person of the folder
    // "nobody" would (the superuser passes every permission check) or as the superuser: the
    // bytes under every name of the page, its owner, group and mode, whether it is still the
    // same file (written in place), and no file left beside it. Needs the superuser, to hand
    // files to others.
    void saveKeepsWhoOwnsThePageAndItsNames_data()
    {
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<uint>("folderMode");
        QTest::addColumn<uint>("pageOwner"); // also the group, but for rows that name one
        QTest::addColumn<uint>("pageGroup");
        QTest::addColumn<uint>("pageMode");
        QTest::addColumn<QString>("names"); // "hard": a second name; "symbolic": saved by a link
        QTest::addColumn<qint64>("room");   // what the save may write; -1: no limit
        QTest::addColumn<int>("newSize");   // the old page is 20000 bytes
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("inPlace");
        const uint root = 0, other = 1234;
        // clang-format off
        QTest::newRow("folder locked, the user's own page, shorter")
            << true << 0755u << nobody << nobody << 0644u << "" << -1ll << 100 << "" << true;
        QTest::newRow("folder locked, a page of the user's group, longer")
            << true << 0755u << root << nobody << 0664u << "" << -1ll << 30000 << "" << true;
        QTest::newRow("folder locked, no room for the longer page")
            << true << 0755u << nobody << nobody << 0644u << "" << 25000ll << 30000
            << "Cannot Write to File " << true;
        QTest::newRow("folder locked, page not the user's to write")
            << true << 0755u << root << root << 0644u << "" << -1ll << 100
            << "Cannot Create File " << true;
        QTest::newRow("open folder, a page of another user and the user's group")
            << true << 0777u << root << nobody << 0664u << "" << -1ll << 100 << "" << true;
        QTest::newRow("a page of another user, saved by the superuser")
            << false << 0755u << other << other << 0640u << "" << -1ll << 100 << "" << false;
        QTest::newRow("set-group-ID page of another user, saved by the superuser")
            << false << 0755u << other << other << 02750u << "" << -1ll << 100 << "" << false;
        QTest::newRow("two names")
            << false << 0755u << root << root << 0644u << "hard" << -1ll << 30000 << "" << true;
        QTest::newRow("two names, no room for the longer page")
            << false << 0755u << root << root << 0644u << "hard" << 25000ll << 30000
            << "Cannot Write to File " << true;
        QTest::newRow("saved by its symbolic link")
            << false << 0755u << other << root << 0604u << "symbolic" << -1ll << 100 << ""
            << false;
        // clang-format on
    }
    void saveKeepsWhoOwnsThePageAndItsNames()
    {
        QFETCH(bool, asNobody);
        QFETCH(uint, folderMode);
        QFETCH(uint, pageOwner);
        QFETCH(uint, pageGroup);
        QFETCH(uint, pageMode);
        QFETCH(QString, names);
        QFETCH(qint64, room);
        QFETCH(int, newSize);
        QFETCH(QString, message);
        QFETCH(bool, inPlace);
        if (::geteuid() != 0)
            QSKIP("giving files to other users needs the superuser");
        QTemporaryDir dir;
        const QString base = QFileInfo(dir.path()).canonicalFilePath();
        const QString folder = base + "/site", file = folder + "/page.htm";
        const QString second = folder + (names == "symbolic" ? "/link.htm" : "/other.htm");
        const auto native = [](const QString &path) { return QFile::encodeName(path); };
        const QByteArray old =
            QByteArray("<P>old page</P>\r\n").repeated(20000 / 17).leftJustified(20000, '.');
        QVERIFY(QDir().mkpath(folder) && writeAll(file, old));
        QCOMPARE(::chmod(native(base).constData(), 0755), 0);
        QCOMPARE(::chmod(native(folder).constData(), folderMode), 0);
        QCOMPARE(::chown(native(file).constData(), pageOwner, pageGroup), 0);
        QCOMPARE(::chmod(native(file).constData(), pageMode), 0);
        if (names == "hard")
            QCOMPARE(::link(native(file).constData(), native(second).constData()), 0);
        else if (names == "symbolic")
            QVERIFY(QFile::link("page.htm", second));
        struct stat before {};
        QCOMPARE(::stat(native(file).constData(), &before), 0);

        FakeDocument page;
        const QString saveAs = names == "symbolic" ? second : file;
        QVERIFY(page.docs.LoadDocument(saveAs));
        page.edit.selectAll();
        page.edit.replaceSelection(QString(newSize - 2, u'n'));
        const QByteArray expected = message.isEmpty() ? QByteArray(newSize - 2, 'n') + "\r\n" : old;
        const QString report = inChild([&]() -> QString {
            const rlimit limit{rlim_t(room), rlim_t(room)};
            if (room >= 0 &&
                (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit)))
                return QStringLiteral("no file-size limit");
            if (asNobody && (::setgroups(0, nullptr) != 0 || !becomeNobody()))
                return QStringLiteral("cannot become an ordinary user");
            const bool saved = page.docs.SaveDocument(saveAs);
            if (saved != message.isEmpty() ||
                page.messages != (saved ? QStringList() : QStringList{message + saveAs}))
                return QStringLiteral("saved: %1, messages: %2")
                    .arg(saved)
                    .arg(page.messages.join(u'|'));
            return page.edit.modified() == saved ? QStringLiteral("modified flag wrong")
                                                 : QString();
        });
        ::chmod(native(folder).constData(), 0755);
        QVERIFY2(report.isEmpty(), qPrintable(report));

        QCOMPARE(readAll(file).size(), expected.size());
        QVERIFY(readAll(file) == expected);
        if (!names.isEmpty())
            QVERIFY(readAll(second) == expected);
        struct stat after {};
        QCOMPARE(::stat(native(file).constData(), &after), 0);
        QCOMPARE(after.st_uid, pageOwner);
        QCOMPARE(after.st_gid, pageGroup);
        QCOMPARE(after.st_mode & 07777, pageMode);
        QCOMPARE(after.st_nlink, before.st_nlink);
        if (message.isEmpty())
            QCOMPARE(after.st_ino == before.st_ino, inPlace);
        QVERIFY(QFileInfo(second).isSymLink() == (names == "symbolic"));
        QStringList all{"page.htm"};
        if (!names.isEmpty())
            all << QFileInfo(second).fileName();
        all.sort();
        QCOMPARE(entriesOf(folder), all);
    }
};

TOLVAN_TEST_MAIN(SaveFaultsTest)

#include "tst_faults_save.moc"