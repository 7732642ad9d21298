// TOLVAN.INI as no one would write it: random bytes, 10 MB, 10,000 sections, a value of 1 MB,
// line breaks only, a folder, a FIFO, a device. LoadSettings always ends (a child that takes a
// minute is ended and fails its row), reads what it can and gives the defaults for the rest.

#include "common/hermetic.h"
#include "common/settingstarget.h"
#include "faults.h"
#include "platform/application.h"
#include "platform/error.h"
#include "settings/settings.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace tolvan::settings;
using namespace tolvan::test;
using tolvan::platform::Application;

namespace {

// The main window's settings in one line, long values cut to 40 characters.
QString summary(const FakeSettingsTarget &t)
{
    return QStringLiteral("%1,%2 %3x%4 back %5 font %6 name %7 size %8 dir %9 scheme %10 help %11")
        .arg(t.bounds.left())
        .arg(t.bounds.top())
        .arg(t.bounds.width())
        .arg(t.bounds.height())
        .arg(quint32(t.back), 0, 16)
        .arg(quint32(t.font), 0, 16)
        .arg(t.name.left(40))
        .arg(t.size)
        .arg(t.dir.left(40))
        .arg(t.scheme)
        .arg(Application::helpFile().left(40));
}

// What a missing file gives.
const QString defaults =
    QStringLiteral("80,60 520x400 back 800000 font ffff name Arial size 12 dir / scheme 0 help ");

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

} // namespace

class SettingsFaultsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void strangeSettingsFiles_data();
    void strangeSettingsFiles();
};

void SettingsFaultsTest::strangeSettingsFiles_data()
{
    QTest::addColumn<QByteArray>("content"); // or "<folder>", "<fifo>", "<link:target>"
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("errors");

    const QByteArray megabyte(1 << 20, 'x');
    const QByteArray known = "[Window]\nTop=5\n[Font]\nName=Times\n[Shortcuts]\nScheme=1\n";
    const QString knownState = QStringLiteral(
        "80,5 520x400 back 800000 font ffff name Times size 12 dir / scheme 1 help ");

    QTest::newRow("10 MB of random bytes") << randomBytes(10 << 20, 1) << defaults << QStringList{};
    QTest::newRow("10 MB of random bytes, the keys after them")
        << randomBytes(10 << 20, 2) + '\n' + known << knownState << QStringList{};
    QTest::newRow("10 MB in one line")
        << "[Window]" + QByteArray(10 << 20, ' ') + "Top=5" << defaults << QStringList{};
    QTest::newRow("10 MB of line breaks, the keys after them")
        << QByteArray(10 << 20, '\n') + known << knownState << QStringList{};
    QByteArray sections;
    for (int n = 0; n < 10000; ++n)
        sections += "[Section " + QByteArray::number(n) + "]\nTop=" + QByteArray::number(n) + "\n";
    QTest::newRow("10,000 sections, the keys after them")
        << sections + known << knownState << QStringList{};
    QByteArray windows;
    for (int n = 0; n < 10000; ++n)
        windows += "[Window]\nTop=" + QByteArray::number(n + 7) + "\n";
    QTest::newRow("10,000 [Window] sections: the first counts")
        << windows
        << QStringLiteral(
               "80,7 520x400 back 800000 font ffff name Arial size 12 dir / scheme 0 help ")
        << QStringList{};
    QTest::newRow("a name of 1 MB, cut to 255")
        << "[Font]\nName=" + megabyte
        << QStringLiteral(
               "80,60 520x400 back 800000 font ffff name %1 size 12 dir / scheme 0 help ")
               .arg(QString(40, u'x'))
        << QStringList{};
    QTest::newRow("a colour of 1 MB: reported, the default")
        << "[Colors]\nBack=" + megabyte << defaults
        << QStringList{
               QStringLiteral("'%1' is not a valid integer value").arg(QString(1023, u'x'))};
    QTest::newRow("a number of 1 MB of digits")
        << "[Window]\nTop=" + QByteArray(1 << 20, '7') << defaults << QStringList{};
    QTest::newRow("a folder of 1 MB") << "[Directories]\nLast=/" + megabyte << defaults
                                      << QStringList{QStringLiteral("File not found")};
    QTest::newRow("a help file of 1 MB, cut to 1023")
        << "[HelpFile]\nFilename=" + megabyte
        << QStringLiteral(
               "80,60 520x400 back 800000 font ffff name Arial size 12 dir / scheme 0 help %1")
               .arg(QString(40, u'x'))
        << QStringList{};
    QTest::newRow("zero bytes and bytes that are not UTF-8")
        << QByteArray("[Win\0dow]\nTop=\xff\xfe\n[Font]\nName=caf\xe9\0\n[Window]\nTop=\0", 49)
        << QStringLiteral("80,60 520x400 back 800000 font ffff name caf\ufffd") + QChar(0) +
               QStringLiteral(" size 12 dir / scheme 0 help ")
        << QStringList{};
    QTest::newRow("a folder") << QByteArray("<folder>") << defaults << QStringList{};
    QTest::newRow("a FIFO nobody writes to") << QByteArray("<fifo>") << defaults << QStringList{};
    QTest::newRow("a link to /dev/zero")
        << QByteArray("<link:/dev/zero>") << defaults << QStringList{};
    QTest::newRow("a link to /dev/urandom")
        << QByteArray("<link:/dev/urandom>") << defaults << QStringList{};
}

void SettingsFaultsTest::strangeSettingsFiles()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, expected);
    QFETCH(QStringList, errors);
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    const QString ini = settingsFilePath();
    const QByteArray native = QFile::encodeName(ini);
    if (content == "<folder>")
        QVERIFY(QDir().mkpath(ini));
    else if (content == "<fifo>")
        QCOMPARE(::mkfifo(native.constData(), 0644), 0);
    else if (content.startsWith("<link:"))
        QCOMPARE(::symlink(content.mid(6).chopped(1).constData(), native.constData()), 0);
    else
        QVERIFY(writeAll(ini, content));

    long baseKb = 0, usedKb = 0;
    QCOMPARE(inChild([] { return QString(); }, 60, &baseKb), QString());
    const QString report = inChild(
        [&]() -> QString {
            Application::setHelpFile(QString());
            // Starting from values no default has.
            FakeSettingsTarget target({1, 2, 3, 4}, 0x00010203, 0x00040506,
                                      QStringLiteral("before"), 1, QStringLiteral("/"), 9);
            QStringList reported;
            LoadSettings(target, [&](const QString &message) { reported << message; });
            if (summary(target) != expected)
                return QStringLiteral("read as: ") + summary(target);
            if (reported != errors)
                return QStringLiteral("reported: ") + reported.join(u'|').left(200);
            return {};
        },
        60, &usedKb);
    std::printf("%s: %s; peak memory %ld KB against %ld KB for a child doing nothing\n",
                QTest::currentDataTag(), report.isEmpty() ? "read" : qPrintable(report), usedKb,
                baseKb);
    QVERIFY2(report.isEmpty(), qPrintable(report));
    // What a file of 10 MB may cost at most, its lines included; a device read without end
    // would pass it in moments.
    QVERIFY2(usedKb - baseKb < 1024 * 1024, "reading the settings took more than 1 GB");
}

TOLVAN_TEST_MAIN(SettingsFaultsTest)

#include "tst_faults_settings.moc"
