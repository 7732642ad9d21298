// TOLVAN.INI: the profile file's reader and writer, the integer rule and colour names, and
// LoadSettings / SaveSettings, down to files no one would write and a save killed midway.

#include "common/files.h"
#include "common/hermetic.h"
#include "common/settingstarget.h"
#include "platform/profile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPalette>
#include <QRegularExpression>
#include <QTest>

#include <climits>
#include <sys/stat.h>

using namespace tolvan::settings;
using namespace tolvan::test;
using tolvan::platform::Application;
using Target = FakeSettingsTarget;

namespace {

// Puts `content` at path: bytes, or "<folder>", "<fifo>", "<link:target>".
void place(const QString &path, const QByteArray &content)
{
    const QByteArray native = QFile::encodeName(path);
    if (content == "<folder>")
        QVERIFY(QDir().mkpath(path));
    else if (content == "<fifo>")
        QCOMPARE(::mkfifo(native.constData(), 0644), 0);
    else if (content.startsWith("<link:"))
        QCOMPARE(::symlink(content.mid(6).chopped(1).constData(), native.constData()), 0);
    else
        QVERIFY(writeAll(path, content));
}

// What the state of `target` becomes, and what was reported, in one list.
QStringList loadInto(Target &target)
{
    QStringList reported;
    LoadSettings(target, [&](const QString &message) { reported << message; });
    return target.state() + reported;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;

private slots:
    void init()
    {
        // In memory where the system has one: the kills below need not wait for the disk.
        m_dir = std::make_unique<QTemporaryDir>("/dev/shm/tst_settings-XXXXXX");
        if (!m_dir->isValid())
            m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
        m_ini = m_dir->filePath("TOLVAN.INI");
        QPalette palette; // a colour of its own for the role read below, so a wrong entry shows
        palette.setColor(QPalette::Active, QPalette::Base, QColor(5, 0, 0));
        QApplication::setPalette(palette);
    }

    // Writes section A, key k, then reads it back as given, line breaks turned into spaces.
    // save() below covers keys found or added in place and blanks quoted.
    void profileWrite_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");
        const auto row = [](const char *name, const QByteArray &before, const char *value,
                            const QByteArray &after) {
            QTest::newRow(name) << before << QString(value) << after;
        };
        row("found in a later section of that name", "[A]\n[B]\n[a]\nk=1\n", "5",
            "[A]\n[B]\n[a]\nk=5\n");
        row("new key after the header of the first section of that name",
            "[A]\n;k=old\n[B]\n[a]\ny=1\n", "5", "[A]\nk=5\n;k=old\n[B]\n[a]\ny=1\n");
        row("a key before any section is no section's", "k=1\n[A]\nx=1\n", "5",
            "k=1\n[A]\nx=1\nk=5\n");
        row("CR LF file stays CR LF", "[A]\r\nx=1\r\n", "2", "[A]\r\nx=1\r\nk=2\r\n");
        row("replaced line keeps its CR", "[A]\nk=1\r\n", "2", "[A]\nk=2\r\n");
        row("other bytes survive", "; caf\xe9 \x01\n[A]\nk=1\n[\xff]\nq=\xfe", "2",
            "; caf\xe9 \x01\n[A]\nk=2\n[\xff]\nq=\xfe\n");
        row("line breaks become spaces, UTF-8", "", "\u00e6\r\nb\rc\n\u4e2d",
            "[A]\nk=\xc3\xa6  b c \xe4\xb8\xad\n");
        row("a quoted value is quoted again", "", "'x'", "[A]\nk=\"'x'\"\n");
        row("two quotes alone too", "", "''", "[A]\nk=\"''\"\n");
        row("empty", "", "", "[A]\nk=\n");
    }

    // The profile read the file before it was written: its writes start from the disk again
    // (keeping what another wrote), and its reads see its own writes.
    void profileWrite()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        tolvan::platform::ProfileFile profile(m_ini);
        QCOMPARE(profile.readString("A", "k", "none"), "none");
        place(m_ini, before);
        profile.writeString("A", "k", value);
        QTEST(readAll(m_ini), "after");
        QCOMPARE(profile.readString("A", "k"), value.replace(u'\r', u' ').replace(u'\n', u' '));
    }

    // The integer rule of every number in the file, and colours: a colour's name, else a number
    // by that rule, saved by its name where it has one; a system role is painted in the
    // palette's colour of the moment.
    void numberText()
    {
        for (const char *bad : {"   ", "$", "-", "-$5", "20 ", "\t20", "0x20", "$1G", "2147483648",
                                "-2147483649", "99999999999999999999999", "$100000000", "navy",
                                "#000080", "clNavy ", "\uff12\uff10"}) // the last: wide digits
            QCOMPARE(errorOf([&] { (void)colorFromText(bad); }),
                     QString("'%1' is not a valid integer value").arg(bad));
        const struct
        {
            QString text;
            ColorValue value;
            QString written = {}; // empty: not checked
            QColor paint = {};    // invalid: not checked
        } rows[] = {
            {"  +7", 7},
            {"2147483647", INT_MAX},
            {"-2147483648", INT_MIN},
            {" $000000000aB", 0xAB}, // no more than eight significant digits
            {"$FFFFFFFF", -1},
            {"$00804000", 0x00804000, "$00804000", QColor(0x00, 0x40, 0x80)},
            {"CLNAVY", 0x00800000, "clNavy"},
            {"$80000019", ColorValue(0x80000019), "$80000019", Qt::black},
            {"clwindow", ColorValue(0x80000005), "clWindow", QColor(5, 0, 0)},
            {"clNone", 0x1FFFFFFF, "clNone", Qt::white},
        };
        for (const auto &row : rows) {
            ColorValue colour = 0;
            QCOMPARE(errorOf([&] { colour = colorFromText(row.text); }), QString());
            QCOMPARE(colour, row.value);
            if (!row.written.isEmpty())
                QCOMPARE(colorToText(row.value), row.written);
            if (row.paint.isValid()) // the way back is met in the window's tests
                QCOMPARE(toQColor(row.value), row.paint);
        }
    }

    // Every test here finds the file in its own XDG_CONFIG_HOME; a relative one is ignored.
    void settingsFilePath()
    {
        qputenv("XDG_CONFIG_HOME", "conf");
        QCOMPARE(tolvan::settings::settingsFilePath(), QDir::homePath() + "/.config/TOLVAN.INI");
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("ini");      // or "<folder>", "<fifo>", "<link:x>"
        QTest::addColumn<QStringList>("changes"); // over what an empty file gives
        const auto row = [](const char *name, const QByteArray &ini, const QStringList &changes) {
            QTest::newRow(name) << ini << changes;
        };
        // A number that is none is quietly the default: only colours and folders are reported (the
        // window's tests meet those reports, and every setting read after a failure).
        row("names ignore case, 0x read as $, bare 0x the default",
            "[window]\nleft=0X0a\nTOP=20\nWidth=0x\nheight=200",
            {"left=10", "top=20", "height=200"});
        row("blanks, CR LF, one pair of quotes, equals in the value",
            "  [ Font ]  \r\n  Name  = \t 'v = w' \t\r\n[HelpFile]\nFilename=\"h'",
            {"name=v = w", "helpFile=\"h'", "helpItems=1"});
        row("other section, commented out, directory shown, a pair of quotes alone empty",
            "[Colors]\nName=T\n[Font]\n;Name=T\n#Name=T\n[Directories]\nLast=/"
            "\n[HelpFile]\nFilename=\"\"",
            {});
        row("scheme cut to its low byte", "[Shortcuts]\nScheme=-1", {"scheme=255"});
        // A rectangle holds its far edge in an int: an axis whose edge would overflow it takes
        // the defaults, one that just fits is kept.
        row("window edges past and just inside the range of int",
            "[Window]\nLeft=2147483647\nTop=2147483000\nHeight=647",
            {"top=2147483000", "height=647"});
        // Files no one would write: each read to its end, the keys after the noise found.
        row("two [Window] sections: the first counts", "[Window]\nTop=7\n[Window]\nTop=8\n",
            {"top=7"});
        row("zero bytes and bytes that are not UTF-8",
            QByteArray("[Win\0dow]\nTop=\xff\xfe\n[Font]\nName=caf\xe9\0\n[Window]\nTop=\0", 49),
            {QString("name=caf\ufffd") + QChar(0)});
        row("a folder", "<folder>", {});
        row("a FIFO nobody writes to", "<fifo>", {});
        row("a link to /dev/zero", "<link:/dev/zero>", {});
    }

    // In a child process: a load that takes a minute is ended and fails its row, and one that
    // holds 1 GB (a device read without end gets there in moments) fails too. Nothing is
    // reported and no failure escapes; loading never writes, and where no plain file is, saving
    // is refused rather than replacing what is there.
    void load()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, changes);
        place(m_ini, ini);
        const bool plain = !ini.startsWith('<');
        // Nothing read gives the defaults; the directory and help items stay as they were.
        QStringList expected = Target({80, 60, 520, 400}, 0x00800000, 0xFFFF, "Arial", 12).state();
        expected.last() = "helpFile=";
        for (const QString &change : std::as_const(changes))
            expected.replaceInStrings(QRegularExpression('^' + change.section('=', 0, 0) + "=.*"),
                                      change);
        long extraKb = 0;
        const QString report = inChildCosting(
            [&]() -> QString {
                // Starting from values no default has.
                Target target({1, 2, 3, 4}, 0x010203, 0x040506, "before", 1, "/", 9);
                const QStringList got = loadInto(target);
                if (got != expected)
                    return "read as: " + got.join(u'|').left(600);
                if (!plain &&
                    errorOf([&] { SaveSettings(target); }) != "Unable to write to TOLVAN.INI")
                    return "saving was not refused";
                return {};
            },
            60, &extraKb);
        QVERIFY2(report.isEmpty(), qPrintable(report));
        QVERIFY2(extraKb < 1024 * 1024, qPrintable(QString("%1 KB spent").arg(extraKb)));
        QVERIFY(plain ? readAll(m_ini) == ini : !QFileInfo(m_ini).isFile());
    }

    // Eleven keys in order, the scheme cut to its low byte; what one run saves, the next loads.
    void save()
    {
        place(m_ini, "; kept by hand\n[WINDOW]\nMaximized=1\n\n[Printer]\nName=PDF\n"
                     "; colours follow\n[colors]\nback=clRed\n");
        Target saved({10, 20, 300, 200}, 0x00804000, ColorValue(0x80000005), " Courier New ", 10,
                     "/", 300);
        Application::setHelpFile("\"help\".hlp");
        SaveSettings(saved);
        QCOMPARE(readAll(m_ini),
                 "; kept by hand\n[WINDOW]\nMaximized=1\nTop=20\nLeft=10\nWidth=300\nHeight=200\n\n"
                 "[Printer]\nName=PDF\n; colours follow\n[colors]\nback=$00804000\nFont=clWindow\n"
                 "[Font]\nName=\" Courier New \"\nSize=10\n[Directories]\nLast=/\n"
                 "[HelpFile]\nFilename=\"help\".hlp\n[Shortcuts]\nScheme=44\n");
        Application::setHelpFile("RAVUZU95.HLP");
        Target loaded;
        saved.scheme = 44;
        saved.helpItems = true;
        const QStringList got = loadInto(loaded); // the help file is read here
        QCOMPARE(got, saved.state());
    }

    // A child saves two sets of settings, unlike in every key, in turn until SIGKILL ends it at
    // a random moment: the file is always whole, each key holding its old or its new value.
    void killedSaveLeavesAWholeFile()
    {
        const auto save = [this](int variant) {
            Application::setHelpFile(variant == 0 ? QString() : "/usr/share/help/pages.hlp");
            SaveSettings(variant == 0
                             ? Target({1, 2, 3, 4}, 0x00804000, 0x00FF00, "Arial", 9, "/a", 0)
                             : Target({-100, -200, 3000, 4000}, 0x00123456, 0x00FFFFFF,
                                      QString(200, u'N'), 72, u'/' + QString(300, u'd'), 44));
            return QString(readAll(m_ini)).split(u'\n');
        };
        QElapsedTimer clock;
        clock.start();
        const QStringList lines[2] = {save(0), save(1)};
        const qint64 saveUs = std::max<qint64>(clock.nsecsElapsed() / 2000, 100);
        for (int trial = 0; trial < 60; ++trial) {
            save(0);
            int variant = 0;
            QVERIFY(killMidway([&] { save(variant = 1 - variant); }, 4 * saveUs));
            const QStringList got = QString(readAll(m_ini)).split(u'\n');
            QCOMPARE(got.size(), lines[0].size());
            for (qsizetype i = 0; i < got.size(); ++i)
                QVERIFY2(got[i] == lines[0][i] || got[i] == lines[1][i], qPrintable(got[i]));
        }
    }
};

TOLVAN_TEST_MAIN(TestSettings)

#include "tst_settings.moc"
