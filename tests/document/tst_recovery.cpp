// The recovery copies: when they are written while a person types, who may read them, what
// they bring back, and which copies count as left behind.

#include "common/fakedocument.h"
#include "common/hermetic.h"
#include "document/recovery.h"

#include <QDir>
#include <QTest>

#include <sys/stat.h>

using namespace tolvan::document;
using namespace Qt::StringLiterals;

class RecoveryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QDir(RecoveryStore::folder()).removeRecursively(); }

    // When the copy falls due, step by step: "c900=1900" is a change at 900 ms that makes the
    // copy due at 1900; "w" a copy written at that time, "f" one that could not be. Due a second
    // after typing stops, no later than 5 s after the first change not in a copy while typing
    // goes on; a failed copy is tried again a second later, not on the next keystroke.
    void schedule_data()
    {
        QTest::addColumn<QString>("script");
        QTest::newRow("typing stops") << "c0=1000 c900=1900 w1900 c2000=3000";
        QTest::newRow("typing goes on") << "c0=1000 c900=1900 c4500=5000 c4900=5000";
        QTest::newRow("copy failed") << "c0=1000 c4500=5000 f5000 c5010=6000 w6000 c12000=13000";
    }
    void schedule()
    {
        QFETCH(QString, script);
        RecoverySchedule schedule;
        QStringList seen;
        for (QString step : script.split(u' ')) {
            const qint64 at = step.mid(1).section(u'=', 0, 0).toLongLong();
            if (step.startsWith(u'c'))
                step = u"c%1=%2"_s.arg(at).arg(schedule.changed(at));
            else
                schedule.written(at, step.startsWith(u'w'));
            seen << step;
        }
        QCOMPARE(seen.join(u' '), script);
    }

    // The copy and its folder are its user's alone, also where an earlier version left the
    // folder open to others. The copy brings back the page, its
    // encoding and its stray bytes, so that the restored page saves as the original would.
    void store_privateAndBringsBackThePage_data()
    {
        QTest::addColumn<PageEncoding>("encoding");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("utf-8 with its mark")
            << PageEncoding(Encoding::Utf8, true) << u"\u65e5\r\n"_s + strayMark(0xe9)
            << "\xef\xbb\xbf\xe6\x97\xa5\r\n\xe9\r\n"_ba;
        QTest::newRow("windows-1252")
            << PageEncoding(Encoding::Windows1252) << u"\u00e9"_s << "\xe9\r\n"_ba;
    }
    void store_privateAndBringsBackThePage()
    {
        QFETCH(PageEncoding, encoding);
        QFETCH(QString, text);
        tolvan::test::FakeDocument f;
        const QString page = f.path("page.htm"), folder = RecoveryStore::folder();
        QVERIFY(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), 0755) == 0);
        const RecoveryStore store = RecoveryStore::ofThisProcess();
        QVERIFY(store.save(page, encoding, text));
        QCOMPARE(int(QFile::permissions(folder) & 0x77), 0);
        QCOMPARE(int(QFile::permissions(store.file()) & 0x77), 0);
        const std::optional<RecoveredWork> work = RecoveryStore::read(store.file());
        QVERIFY(work);
        f.docs.restore(work->documentPath, work->encoding, work->text);
        QVERIFY(f.docs.SaveDocument(page));
        QTEST(tolvan::test::readAll(page), "saved");
    }

    // A copy that could not be written is no copy: here its name is taken by a folder.
    void store_failedWriteIsReported()
    {
        const RecoveryStore blocked(4242, 7);
        QVERIFY(QDir().mkpath(blocked.file()));
        QVERIFY(!blocked.save("/site/page.htm", Encoding::Utf8, "text"));
    }

    // A copy is left behind by the process that wrote it, not by a later one that got its id
    // (this one: the copy's process started at boot).
    void store_leftBehindByItsOwnProcess()
    {
        QVERIFY(RecoveryStore(::getpid(), 1).save("/site/page.htm", Encoding::Utf8, "text"));
        QCOMPARE(RecoveryStore::leftBehind().value(0).documentPath, "/site/page.htm");
        QVERIFY(RecoveryStore(0, 1).save("/site/zero.htm", Encoding::Utf8, "text")); // no process
        QCOMPARE(RecoveryStore::leftBehind().size(), 2);
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new RecoveryTest; });

#include "tst_recovery.moc"
