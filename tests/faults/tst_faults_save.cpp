// Saving a page when the process dies, the folder goes, or the disk fills: the file on disk is
// always one whole page, and the editor keeps what it had.

#include "common/fakedocument.h"
#include "common/hermetic.h"
#include "document/pagefile.h"

#include <QApplication>
#include <QElapsedTimer>

#include <grp.h>
#include <sys/stat.h>

using namespace tolvan::document;
using namespace tolvan::test;

class SaveFaultsTest : public QObject
{
    Q_OBJECT

private slots:
    // A child writes page A and page B in turn without end and is killed with SIGKILL at a
    // random moment: the file is always page A or page B, whole, and at most the one temporary
    // file the killed write held is left beside it.
    void killedSaveLeavesAWholePage()
    {
        // In memory where the system has it: a kill leaves the same file whether or not the data
        // reached the disk, and without waiting for the disk the kills take seconds, not minutes.
        QTemporaryDir dir((QDir("/dev/shm").exists() ? "/dev/shm" : QDir::tempPath()) +
                          "/tst_faults_save-XXXXXX");
        const QString file = dir.filePath("page.htm");
        const QByteArray pages[] = {QByteArray(5 << 20, 'a'), QByteArray(4 << 20, 'b')};
        QElapsedTimer clock;
        clock.start();
        for (const QByteArray &page : pages)
            QCOMPARE(writePage(file, page), PageWrite::Ok);
        const qint64 spanUs = std::max<qint64>(clock.nsecsElapsed() / 1000, 1000);
        const int trials = qEnvironmentVariableIntValue("TOLVAN_KILL_TRIALS"); // fewer: sanitizers
        for (int trial = 0; trial < (trials > 0 ? trials : 100); ++trial) {
            int next = 0;
            QVERIFY(killMidway([&] { writePage(file, pages[next ^= 1]); }, spanUs));
            const QByteArray now = readAll(file);
            QVERIFY2(now == pages[0] || now == pages[1], qPrintable(QString::number(trial)));
            QStringList strays = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
            strays.removeAll("page.htm");
            QVERIFY2(strays.size() <= 1, qPrintable(strays.join(u' ')));
            for (const QString &stray : std::as_const(strays)) // judge each kill on its own
                QFile::remove(dir.filePath(stray));
        }
    }

    // Saving where a new file cannot simply take the page's place, as a user of the group
    // "nobody" would (in a child: the superuser passes every permission check), with the folder
    // gone, or with the disk filling (a file-size limit, SIGXFSZ ignored, so that writes fail as
    // on a full disk). A refused save shows its message and leaves the old page whole with
    // nothing beside it. A save that works keeps the page's owner, group, mode and second name.
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
        if ((r.asNobody || owner != ::geteuid()) && ::geteuid() != 0)
            QSKIP("giving files to other users needs the superuser");
        QTemporaryDir dir;
        const QString folder = dir.path() + "/site", file = folder + "/page.htm";
        const QString second = folder + "/other.htm";
        const auto native = [](const QString &path) { return QFile::encodeName(path); };
        const QByteArray old = QByteArray("<P>old page</P>\r\n").repeated(1000);
        QVERIFY(QDir().mkpath(folder) && writeAll(file, old));
        QCOMPARE(::chmod(native(dir.path()).constData(), 0755), 0);
        QCOMPARE(::chown(native(file).constData(), owner, group), 0);
        QCOMPARE(::chmod(native(file).constData(), r.pageMode), 0);
        if (r.hard)
            QCOMPARE(::link(native(file).constData(), native(second).constData()), 0);
        struct stat after = {};

        FakeDocument page;
        QVERIFY(page.docs.LoadDocument(file));
        const QString text(r.newSize - 2, u'n');
        page.type(text);
        QCOMPARE(::chmod(native(folder).constData(), r.folderMode), 0);
        if (r.removed)
            QVERIFY(QDir(folder).removeRecursively());
        const QStringList told = *r.message ? QStringList{r.message + file} : QStringList();
        const QString report = inChild([&]() -> QString {
            const rlimit limit{rlim_t(r.room), rlim_t(r.room)};
            if (r.room >= 0 &&
                (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &limit)))
                return "no file-size limit";
            if (r.asNobody && (::setgroups(0, nullptr) != 0 || !becomeNobody()))
                return "cannot become an ordinary user";
            const bool saved = page.docs.SaveDocument(file);
            if (saved != told.isEmpty() || page.messages != told)
                return QString("saved: %1, told: %2").arg(saved).arg(page.messages.join('|'));
            return {};
        });
        ::chmod(native(folder).constData(), 0755);
        QVERIFY2(report.isEmpty(), qPrintable(report));
        if (r.removed)
            return;

        const QByteArray expected = told.isEmpty() ? text.toLatin1() + "\r\n" : old;
        QVERIFY(readAll(file) == expected);
        QVERIFY(!r.hard || readAll(second) == expected);
        QCOMPARE(::stat(native(file).constData(), &after), 0);
        QCOMPARE(QList<uint>({after.st_uid, after.st_gid, after.st_mode & 07777}),
                 QList<uint>({owner, group, r.pageMode}));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).join(u' '),
                 r.hard ? "other.htm page.htm" : "page.htm");
    }

private:
    static constexpr uint self = ~0u, root = 0, other = 1234;
    static constexpr const char *create = "Cannot Create File ", *write = "Cannot Write to File ";
    struct SaveRow
    {
        const char *name;
        bool removed, asNobody;
        uint folderMode, owner, group, pageMode;
        bool hard;   // the page has a second name
        qint64 room; // what the save may write; -1: no limit
        int newSize; // the old page is 17000 bytes
        const char *message;
    };
    static constexpr SaveRow saves[] = {
        // clang-format off
        {"folder removed", true, false, 0755, self, self, 0644, false, -1, 100, create},
        {"room for all but the last byte", false, false, 0755, self, self, 0644, false, 29999,
         30000, write},
        {"two names", false, false, 0755, self, self, 0644, true, -1, 100, ""},
        {"two names, no room for the longer page", false, false, 0755, self, self, 0644, true,
         25000, 30000, write},
        {"folder locked, a page of the user's group, longer", false, true, 0755, root, nobody,
         0664, false, -1, 30000, ""},
        {"open folder, a page of another user and the user's group", false, true, 0777, root,
         nobody, 0664, false, -1, 100, ""},
        {"set-group-ID page of another user, saved by the superuser", false, false, 0755, other,
         other, 02750, false, -1, 100, ""},
        // clang-format on
    };
};

TOLVAN_TEST_MAIN(SaveFaultsTest)

#include "tst_faults_save.moc"
