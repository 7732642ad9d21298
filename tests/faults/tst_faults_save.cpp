// Saving a page when the process dies, the folder goes, or the disk fills: the file on disk is
// always one whole page, and the editor keeps what it had.

#include "common/fakedocument.h"
#include "common/hermetic.h"
#include "document/codec.h"

#include <QApplication>
#include <QDir>
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
        QTemporaryDir dir((QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath()) +
                          "/tst_faults_save-XXXXXX");
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        const QString file = folder + "/page.htm", other = folder + "/other.htm";
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
            const auto all =
                QDir(QString("/proc/%1/fd").arg(child)).entryInfoList(QDir::System | QDir::Files);
            return std::any_of(all.begin(), all.end(), [&](const QFileInfo &fd) {
                return fd.symLinkTarget().startsWith(folder + u'/');
            });
        };
        QElapsedTimer clock, open;
        qint64 patience = 0;
        const auto waitWhile = [&](pid_t child, bool fileOpen) {
            for (clock.restart(); holdsFile(child) == fileOpen && clock.nsecsElapsed() < patience;)
                ::usleep(20);
        };

        // One pair of saves here: they must work, and they give the span to kill in.
        clock.start();
        for (auto *edit : {&editB, &editA}) {
            page.other = edit;
            QVERIFY(page.docs.SaveDocument(file) && readAll(file) == (edit == &editA ? a : b));
            if (inPlace && !QFile::exists(other)) // the second save is in place
                QCOMPARE(::link(QFile::encodeName(file), QFile::encodeName(other)), 0);
        }
        const qint64 pairUs = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
        patience = 50 * pairUs * 1000;
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
        // The sanitizer build looks for bad memory use, not for odds: fewer trials do there.
        const int trials = qEnvironmentVariableIntValue("TOLVAN_KILL_TRIALS") > 0
                               ? qEnvironmentVariableIntValue("TOLVAN_KILL_TRIALS")
                               : 200;
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
                for (qsizetype i = 0; i < now.size(); ++i)
                    if (now[i] && now[i] != a.at(std::min(i, a.size() - 1)) &&
                        now[i] != b.at(std::min(i, b.size() - 1))) {
                        ++foreign;
                        break;
                    }
                // Put back a whole page, so that every save replaces one page with the other.
                QVERIFY(writeAll(file, a));
            }
            // Nothing of ours removes what a killed save left: cleared here, so that each kill
            // is judged on its own.
            QStringList strays = entriesOf(folder);
            strays.removeAll("page.htm");
            strays.removeAll("other.htm");
            leftStray += !strays.isEmpty();
            if (strays.size() > mostStrays.size())
                mostStrays = strays;
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
        QCOMPARE(foreign + namesDiffer, 0);
        if (!inPlace)
            QCOMPARE(mixed, 0);
        // QSaveFile writes an unnamed file and, once it is complete, gives it a temporary name
        // and renames that over the page (a link cannot replace a file). A kill between the two
        // leaves that one name behind, never more.
        QVERIFY2(mostStrays.size() <= 1, qPrintable(mostStrays.join(u' ')));
    }

    // Saving where the page cannot simply be replaced by a new file, as a person of the folder
    // "nobody" would (in a child: the superuser passes every permission check) or as the
    // superuser, with the page's folder taken away, or with the disk filling up midway (a
    // file-size limit in the child, SIGXFSZ ignored, so that writes fail with EFBIG as on a full
    // disk). A refused save shows its message and leaves the old page whole with no file beside
    // it, and the editor keeps its text, modified flag and name; with the room back the same
    // document saves. A save that works keeps the page's owner, group, mode and names, and
    // writes in place exactly where no new file could take the page's place.
    void save_data()
    {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(std::size(saves)); ++row)
            QTest::newRow(saves[row].name) << row;
    }
    void save()
    {
        QFETCH(int, row);
        const SaveRow &r = saves[row];
        const uint owner = r.owner == self ? ::geteuid() : r.owner;
        const uint group = r.group == self ? ::getegid() : r.group;
        if ((r.asNobody || owner != ::geteuid() || group != ::getegid()) && ::geteuid() != 0)
            QSKIP("giving files to other users needs the superuser");
        QTemporaryDir dir;
        const QString base = QFileInfo(dir.path()).canonicalFilePath();
        const QString folder = base + "/site", file = folder + "/page.htm";
        const QString names = r.names;
        const QString second = folder + (names == "symbolic" ? "/link.htm" : "/other.htm");
        const auto native = [](const QString &path) { return QFile::encodeName(path); };
        const QByteArray old =
            QByteArray("<P>old page</P>\r\n").repeated(20000 / 17).leftJustified(20000, '.');
        QVERIFY(QDir().mkpath(folder) && writeAll(file, old));
        QCOMPARE(::chmod(native(base).constData(), 0755), 0);
        QCOMPARE(::chown(native(file).constData(), owner, group), 0);
        QCOMPARE(::chmod(native(file).constData(), r.pageMode), 0);
        if (names == "hard")
            QCOMPARE(::link(native(file).constData(), native(second).constData()), 0);
        else if (names == "symbolic")
            QVERIFY(QFile::link("page.htm", second));
        struct stat before
        {
        };
        QCOMPARE(::stat(native(file).constData(), &before), 0);

        FakeDocument page;
        const QString saveAs = names == "symbolic" ? second : file;
        QVERIFY(page.docs.LoadDocument(saveAs));
        const QString text(r.newSize - 2, u'n'), caption = page.caption;
        page.type(text);
        QCOMPARE(::chmod(native(folder).constData(), r.folderMode), 0);
        const QString change = r.change;
        if (change == "removed")
            QVERIFY(QDir(folder).removeRecursively());
        else if (change == "renamed")
            QVERIFY(QDir(base).rename("site", "moved"));
        else if (change == "folder")
            QVERIFY(QFile::remove(file) && QDir().mkpath(file));
        const QString message = r.message;
        const QString report = inChild([&]() -> QString {
            const rlimit limit{rlim_t(r.room), rlim_t(r.room)};
            if (r.room >= 0 &&
                (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit)))
                return "no file-size limit";
            if (r.asNobody && (::setgroups(0, nullptr) != 0 || !becomeNobody()))
                return "cannot become an ordinary user";
            const bool saved = page.docs.SaveDocument(saveAs);
            if (saved != message.isEmpty() ||
                page.messages != (saved ? QStringList() : QStringList{message + saveAs}))
                return QString("saved: %1, messages: %2").arg(saved).arg(page.messages.join('|'));
            if (page.edit.modified() == saved || page.edit.wholeText() != text ||
                page.docs.currentFileName() != saveAs || page.caption != caption)
                return "the editor lost its text, modified flag or file name";
            return {};
        });
        ::chmod(native(folder).constData(), 0755);
        QVERIFY2(report.isEmpty(), qPrintable(report));
        if (change == "removed" || change == "folder")
            return;

        const QString kept = change == "renamed" ? base + "/moved/page.htm" : file;
        const QByteArray expected = message.isEmpty() ? text.toLatin1() + "\r\n" : old;
        QCOMPARE(readAll(kept).size(), expected.size());
        QVERIFY(readAll(kept) == expected);
        if (!names.isEmpty())
            QVERIFY(readAll(second) == expected);
        struct stat after
        {
        };
        QCOMPARE(::stat(native(kept).constData(), &after), 0);
        QCOMPARE(after.st_uid, owner);
        QCOMPARE(after.st_gid, group);
        QCOMPARE(after.st_mode & 07777, r.pageMode);
        QCOMPARE(after.st_nlink, before.st_nlink);
        if (message.isEmpty())
            QCOMPARE(after.st_ino == before.st_ino, r.inPlace);
        QVERIFY(QFileInfo(second).isSymLink() == (names == "symbolic"));
        QStringList all{"page.htm"};
        if (!names.isEmpty())
            all << QFileInfo(second).fileName();
        all.sort();
        QCOMPARE(entriesOf(QFileInfo(kept).path()), all);
        if (r.room >= 0 && !message.isEmpty() && !r.asNobody) {
            QVERIFY(page.docs.SaveDocument(file));
            QCOMPARE(readAll(file).size(), qsizetype(r.newSize));
        }
    }

private:
    static constexpr uint self = ~0u, root = 0, other = 1234;
    static constexpr const char *create = "Cannot Create File ", *write = "Cannot Write to File ";
    static constexpr qint64 big = 200002; // a page 10 times the old one
    struct SaveRow
    {
        const char *name, *change;
        bool asNobody;
        uint folderMode, owner, group, pageMode;
        const char *names; // "hard": a second name; "symbolic": saved by a link
        qint64 room;       // what the save may write; -1: no limit
        int newSize;       // the old page is 20000 bytes
        const char *message;
        bool inPlace;
    };
    static constexpr SaveRow saves[] = {
        // clang-format off
        {"folder removed", "removed", false, 0755, self, self, 0644, "", -1, 100, create, false},
        {"folder renamed", "renamed", false, 0755, self, self, 0644, "", -1, 100, create, false},
        {"page replaced by a folder", "folder", false, 0755, self, self, 0644, "", -1, 100, create,
         false},
        {"no room at all", "", false, 0755, self, self, 0644, "", 0, big, write, false},
        {"room for half the page", "", false, 0755, self, self, 0644, "", big / 2, big, write,
         false},
        {"room for all but the last byte", "", false, 0755, self, self, 0644, "", big - 1, big,
         write, false},
        {"two names", "", false, 0755, self, self, 0644, "hard", -1, 30000, "", true},
        {"two names, no room for the longer page", "", false, 0755, self, self, 0644, "hard",
         25000, 30000, write, true},
        {"folder locked, the user's own page, shorter", "", true, 0755, nobody, nobody, 0644, "",
         -1, 100, "", true},
        {"folder locked, a page of the user's group, longer", "", true, 0755, root, nobody, 0664,
         "", -1, 30000, "", true},
        {"folder locked, no room for the longer page", "", true, 0755, nobody, nobody, 0644, "",
         25000, 30000, write, true},
        {"folder locked, page not the user's to write", "", true, 0755, root, root, 0644, "", -1,
         100, create, true},
        {"open folder, a page of another user and the user's group", "", true, 0777, root, nobody,
         0664, "", -1, 100, "", true},
        {"a page of another user, saved by the superuser", "", false, 0755, other, other, 0640, "",
         -1, 100, "", false},
        {"set-group-ID page of another user, saved by the superuser", "", false, 0755, other,
         other, 02750, "", -1, 100, "", false},
        {"saved by its symbolic link", "", false, 0755, other, root, 0604, "symbolic", -1, 100, "",
         false},
        // clang-format on
    };
};

TOLVAN_TEST_MAIN(SaveFaultsTest)

#include "tst_faults_save.moc"