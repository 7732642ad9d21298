// The recovery copies: when they are written while a person types, who may read them, and
// which copies count as left behind.

#include "document/recovery.h"

#include <QDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>

using namespace tolvan::document;

class RecoveryTest : public QObject
{
    Q_OBJECT

    static uint modeOf(const QString &path)
    {
        struct stat info
        {
        };
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777
                                                                       : 0xFFFF;
    }

private Q_SLOTS:
    void init() { QDir(RecoveryStore::folder()).removeRecursively(); }

    // Keystrokes every `every` ms from 0 to `until` (inclusive), a copy written whenever it
    // falls due: the first copy comes no later than 5 s after the first keystroke also while
    // typing goes on, the text typed after a copy is copied within 5 s, the last keystroke
    // within a second of typing stopping, and no two copies come less than a second apart.
    void schedule_followsSteadyTyping_data()
    {
        QTest::addColumn<int>("every");
        QTest::addColumn<int>("until");
        QTest::addColumn<int>("copies"); // how many copies the typing gets
        QTest::newRow("one keystroke") << 1000 << 0 << 1;
        QTest::newRow("20 s without a pause") << 100 << 20000 << 5;
        QTest::newRow("keys 10 ms apart for 3 s") << 10 << 3000 << 1;
        QTest::newRow("a key every 900 ms") << 900 << 9000 << 2;
        QTest::newRow("a key every 1.5 s") << 1500 << 6000 << 5;
    }
    void schedule_followsSteadyTyping()
    {
        QFETCH(int, every);
        QFETCH(int, until);
        RecoverySchedule schedule;
        QList<qint64> written;
        qint64 due = -1, uncopiedSince = -1, worstLag = 0;
        const auto runUntil = [&](qint64 now) {
            if (due >= 0 && due <= now) {
                written << due;
                worstLag = std::max(worstLag, due - uncopiedSince);
                schedule.written(due);
                due = uncopiedSince = -1;
            }
        };
        for (qint64 key = 0; key <= until; key += every) {
            runUntil(key);
            due = schedule.changed(key);
            if (uncopiedSince < 0)
                uncopiedSince = key;
        }
        runUntil(until + 60000);
        QTEST(int(written.size()), "copies");
        QVERIFY2(worstLag <= 5000, qPrintable(QString::number(worstLag)));
        QVERIFY(written.last() - until <= 1000);
        for (qsizetype i = 1; i < written.size(); ++i)
            QVERIFY(written[i] - written[i - 1] >= 1000);
    }

    // A copy that could not be written (a full disk) is tried again a second later while typing
    // goes on, not on every keystroke, and not only after another five seconds.
    void schedule_failedCopyRetriedAfterAGap()
    {
        RecoverySchedule schedule;
        qint64 due = 0;
        for (qint64 key = 0; key < 5000; key += 100)
            due = schedule.changed(key);
        QCOMPARE(due, 5000);
        schedule.written(due, false);
        QCOMPARE(schedule.changed(5010), 6000);
        schedule.written(6000);
        QCOMPARE(schedule.changed(12000), 13000); // a fresh change: the quiet wait
    }

    // The copy and its folder are its user's alone, also where an earlier version left the
    // folder open to others, and under a careless umask; the copy reads back as written.
    void store_privateToItsUser_data()
    {
        QTest::addColumn<int>("folderBefore"); // -1: no folder yet
        QTest::newRow("new folder") << -1;
        QTest::newRow("folder left open to others") << 0755;
    }
    void store_privateToItsUser()
    {
        QFETCH(int, folderBefore);
        if (folderBefore >= 0)
            QVERIFY(QDir().mkpath(RecoveryStore::folder()) &&
                    ::chmod(QFile::encodeName(RecoveryStore::folder()).constData(),
                            mode_t(folderBefore)) == 0);
        const mode_t umask = ::umask(0);
        const RecoveryStore store = RecoveryStore::ofThisProcess();
        const bool saved = store.save("/site/page.htm", Encoding::Utf8, "a\r\nb\u00e9");
        ::umask(umask);
        QVERIFY(saved);
        QCOMPARE(modeOf(RecoveryStore::folder()), 0700u);
        QCOMPARE(modeOf(store.file()), 0600u);
        const auto work = RecoveryStore::read(store.file());
        QVERIFY(work);
        QCOMPARE(work->documentPath + u'|' + work->text, "/site/page.htm|a\r\nb\u00e9");
    }

    // Only copies of processes that have ended are offered, and a process that got the same id
    // later is not taken for the one that wrote the copy.
    void store_leftBehindOnlyByEndedProcesses()
    {
        const RecoveryStore mine = RecoveryStore::ofThisProcess();
        const RecoveryStore sameIdEarlierProcess(::getpid(), 1); // started at boot, long gone
        const pid_t gone = ::fork();
        if (gone == 0)
            ::_exit(0);
        ::waitpid(gone, nullptr, 0);
        const RecoveryStore ended(gone);
        for (const RecoveryStore *store : {&mine, &sameIdEarlierProcess, &ended})
            QVERIFY(store->save(store->file(), Encoding::Utf8, "text"));
        QStringList offered, expected{sameIdEarlierProcess.file(), ended.file()};
        for (const RecoveredWork &work : RecoveryStore::leftBehind())
            offered << work.documentPath;
        offered.sort();
        expected.sort();
        QCOMPARE(offered, expected);
    }
};

QObject *makeRecoveryTest()
{
    return new RecoveryTest;
}

#include "tst_recovery.moc"
