// TOLVAN.INI: the profile file's reader and writer, the integer rule and colour names, and
// LoadSettings / SaveSettings, down to a save killed midway.

#include "common/hermetic.h"
#include "common/settingstarget.h"
#include "platform/profile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPalette>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <climits>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvan::settings;
using tolvan::platform::Application;
using tolvan::platform::ProfileFile;
using Target = tolvan::test::FakeSettingsTarget;

namespace {

const QByteArray noFile = "<none>";

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : noFile;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (bytes != noFile)
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Saves one of two sets of settings, unlike in every key.
void saveVariant(int variant)
{
    Target target = variant == 0 ? Target({1, 2, 3, 4}, 0x00804000, 0x00FF00, "Arial", 9, "/a", 0)
                                 : Target({-100, -200, 3000, 4000}, 0x00123456, 0x00FFFFFF,
                                          QString(200, u'N'), 72, u'/' + QString(300, u'd'), 44);
    Application::setHelpFile(variant == 0 ? QString() : "/usr/share/help/pages.hlp");
    SaveSettings(target);
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_ini;

    static constexpr ColorValue role(quint32 n) { return ColorValue(0x80000000u + n); }
    static QString invalid(const QString &text)
    {
        return "'" + text + "' is not a valid integer value";
    }
    static QStringList loadInto(Target &target)
    {
        QStringList reported;
        LoadSettings(target, [&](const QString &message) { reported << message; });
        return reported;
    }

private slots:
    void init()
    {
        // In memory where the system has one: the kills below need not wait for the disk.
        m_dir = std::make_unique<QTemporaryDir>("/dev/shm/tst_settings-XXXXXX");
        if (!m_dir->isValid())
            m_dir = std::make_unique<QTemporaryDir>();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
        m_ini = m_dir->filePath("TOLVAN.INI");
        Application::setHelpFile("RAVUZU95.HLP");
        QPalette palette; // each role used below a colour of its own, so a wrong entry shows
        palette.setColor(QPalette::Active, QPalette::Base, QColor(5, 0, 0));
        palette.setColor(QPalette::Disabled, QPalette::Text, QColor(17, 0, 0));
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
        row("creates the file", noFile, "v", "[A]\nk=v\n");
        row("found in a later section of that name", "[A]\n[B]\n[a]\nk=1\n", "5",
            "[A]\n[B]\n[a]\nk=5\n");
        row("new key after the header of the first section of that name",
            "[A]\n;k=old\n[B]\n[a]\ny=1\n", "5", "[A]\nk=5\n;k=old\n[B]\n[a]\ny=1\n");
        row("CR LF file stays CR LF", "[A]\r\nx=1\r\n", "2", "[A]\r\nx=1\r\nk=2\r\n");
        row("replaced line keeps its CR", "[A]\nk=1\r\n", "2", "[A]\nk=2\r\n");
        row("other bytes survive", "; caf\xe9 \x01\n[A]\nk=1\n[\xff]\nq=\xfe", "2",
            "; caf\xe9 \x01\n[A]\nk=2\n[\xff]\nq=\xfe\n");
        row("line breaks become spaces, UTF-8", "", "\u00e6\r\nb\rc\n\u4e2d",
            "[A]\nk=\xc3\xa6  b c \xe4\xb8\xad\n");
        row("a quoted value is quoted again", "", "'x'", "[A]\nk=\"'x'\"\n");
        row("one quote is no pair", "", "x\"", "[A]\nk=x\"\n");
        row("empty", "", "", "[A]\nk=\n");
    }

    // The profile read the file before it was written: its writes start from the disk again
    // (keeping what another wrote), and its reads see its own writes.
    void profileWrite()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        ProfileFile profile(m_ini);
        QCOMPARE(profile.readString("A", "k", "none"), "none");
        writeBytes(m_ini, before);
        profile.writeString("A", "k", value);
        QTEST(readBytes(m_ini), "after");
        QCOMPARE(profile.readString("A", "k"), value.replace(u'\r', u' ').replace(u'\n', u' '));
    }

    // The integer rule of every number in the file, and colours: a colour's name, else a number
    // by that rule; a system role is painted in the palette's colour of the moment.
    void numberText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("written"); // the colour as saved; empty: not checked
        QTest::addColumn<QColor>("paint");    // invalid: not checked
        const auto row = [](const QString &text, std::optional<int> value,
                            const QString &written = {}, const QColor &paint = {}) {
            QTest::addRow("'%s'", qPrintable(text))
                << text << value.has_value() << value.value_or(0) << written << paint;
        };
        row("  +7", 7);
        row("2147483647", 2147483647);
        row("-2147483648", INT_MIN);
        row(" $000000000aB", 0xAB); // no more than eight significant digits
        row("$FFFFFFFF", -1);
        for (const char *bad : {"   ", "$", "-", "-$5", "20 ", "\t20", "0x20", "$1G", "2147483648",
                                "-2147483649", "99999999999999999999999", "$100000000", "navy",
                                "#000080", "clNavy ", "\uff12\uff10"}) // the last: wide digits
            row(bad, std::nullopt);
        row("$00804000", 0x00804000, "$00804000", QColor(0x00, 0x40, 0x80));
        row("CLNAVY", 0x00800000, "clNavy");
        row("$80000019", role(25), "$80000019", Qt::black);
        row("clwindow", role(5), "clWindow", QColor(5, 0, 0));
        row("clGrayText", role(17), "clGrayText", QColor(17, 0, 0));
        row("clNone", 0x1FFFFFFF, "clNone", Qt::white);
    }

    void numberText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        QFETCH(QString, written);
        QFETCH(QColor, paint);
        // Through colorFromText, which reads a text that names no colour by the integer rule.
        ColorValue colour = 0;
        QString error;
        try {
            colour = colorFromText(text);
        } catch (const tolvan::platform::Error &e) {
            error = e.message();
        }
        QCOMPARE(error, valid ? QString() : invalid(text));
        QCOMPARE(colour, value);
        if (!written.isEmpty())
            QCOMPARE(colorToText(value), written);
        if (paint.isValid()) {
            QCOMPARE(toQColor(value), paint);
            if (value >= 0)
                QCOMPARE(fromQColor(paint), value & 0x00FFFFFF);
        }
    }

    // Every test here finds the file in its own XDG_CONFIG_HOME; a relative one is ignored.
    void settingsFilePath()
    {
        qputenv("XDG_CONFIG_HOME", "conf");
        QCOMPARE(tolvan::settings::settingsFilePath(), QDir::homePath() + "/.config/TOLVAN.INI");
    }

    // How far a long value is cut is checked by the fault tests, with values of 1 MB.
    void load_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("changes"); // over what a missing file gives
        QTest::addColumn<QStringList>("errors");
        const auto row = [](const char *name, const QByteArray &ini, const QStringList &changes,
                            const QStringList &errors = {}) {
            QTest::newRow(name) << ini << changes << errors;
        };
        row("no file", noFile, {});
        row("names ignore case, 0x read as $", "[window]\nleft=0X0a\nTOP=20\nWidth=300\nheight=200",
            {"left=10", "top=20", "width=300", "height=200"});
        row("blanks, CR LF, one pair of quotes, equals in the value",
            "  [ Font ]  \r\n  Name  = \t 'v = w' \t\r\n[HelpFile]\nFilename=\"h'",
            {"name=v = w", "helpFile=\"h'", "helpItems=1"});
        row("other section, commented out, directory shown, help file empty",
            "[Colors]\nName=T\n[Font]\n;Name=T\n#Name=T\n[Directories]\nLast=/"
            "\n[HelpFile]\nFilename=",
            {});
        row("scheme cut to its low byte", "[Shortcuts]\nScheme=-1", {"scheme=255"});
        // A rectangle holds its far edge in an int: an axis whose edge would overflow it takes
        // the defaults, one that just fits is kept.
        row("window edges past and just inside the range of int",
            "[Window]\nLeft=2147483647\nTop=2147483000\nHeight=647",
            {"top=2147483000", "height=647"});
        // A number that is none is quietly the default; a colour or directory is reported.
        row("every failure reported, the rest still read",
            "[Window]\nTop=5\nLeft=0x\n[Colors]\nBack=#000080\nFont=lime\n[Font]\nName=Times\n"
            "Size=14\n[Directories]\nLast=/nowhere/gone\n[HelpFile]\nFilename=/h.hlp\n"
            "[Shortcuts]\nScheme=1",
            {"top=5", "name=Times", "size=14", "scheme=1", "helpFile=/h.hlp", "helpItems=1"},
            {invalid("#000080"), invalid("lime"), "File not found"});
    }

    void load()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, changes);
        writeBytes(m_ini, ini);
        // A missing file gives the defaults; the directory and help items stay as they were.
        QStringList expected = Target({80, 60, 520, 400}, 0x00800000, 0xFFFF, "Arial", 12).state();
        expected.last() = "helpFile=";
        for (const QString &change : std::as_const(changes))
            expected.replaceInStrings(QRegularExpression('^' + change.section('=', 0, 0) + "=.*"),
                                      change);
        Target target;
        QTEST(loadInto(target), "errors"); // every failure goes to the callback, none escapes
        QCOMPARE(target.state(), expected);
        QCOMPARE(readBytes(m_ini), ini); // loading never writes
    }

    // Eleven keys in order, the scheme cut to its low byte; what one run saves, the next loads.
    void save()
    {
        writeBytes(m_ini, "; kept by hand\n[WINDOW]\nMaximized=1\n\n[Printer]\nName=PDF\n"
                          "; colours follow\n[colors]\nback=clRed\n");
        Target saved({10, 20, 300, 200}, 0x00804000, role(5), " Courier New ", 10, "/", 300);
        Application::setHelpFile("\"help\".hlp");
        SaveSettings(saved);
        QCOMPARE(readBytes(m_ini),
                 "; kept by hand\n[WINDOW]\nMaximized=1\nTop=20\nLeft=10\nWidth=300\nHeight=200\n\n"
                 "[Printer]\nName=PDF\n; colours follow\n[colors]\nback=$00804000\nFont=clWindow\n"
                 "[Font]\nName=\" Courier New \"\nSize=10\n[Directories]\nLast=/\n"
                 "[HelpFile]\nFilename=\"help\".hlp\n[Shortcuts]\nScheme=44\n");
        Application::setHelpFile("RAVUZU95.HLP");
        Target loaded;
        QCOMPARE(loadInto(loaded), QStringList());
        QCOMPARE(Application::helpFile(), "\"help\".hlp");
        saved.scheme = 44;
        saved.helpItems = true;
        QCOMPARE(loaded.state(), saved.state());
    }

    // A child saves the two variants in turn until SIGKILL ends it at a random moment: the file
    // is always whole, each key holding its old or its new value. Each key reaches the disk on
    // its own, so that a save that fails midway keeps what it wrote: most kills leave a mix.
    void killedSaveLeavesAWholeFile()
    {
        constexpr int trials = 60;
        const auto linesOf = [&](int variant) {
            saveVariant(variant);
            return QString(readBytes(m_ini)).split(u'\n'); // "" after the last line break
        };
        QElapsedTimer clock;
        clock.start();
        const QStringList lines[2] = {linesOf(0), linesOf(1)};
        const qint64 saveUs = std::max<qint64>(clock.nsecsElapsed() / 2000, 100);
        int counts[3] = {}; // all old, all new, midway
        for (int trial = 0; trial < trials; ++trial) {
            saveVariant(0);
            const pid_t child = ::fork();
            for (int variant = 1; child == 0; variant = 1 - variant)
                saveVariant(variant);
            QVERIFY(child > 0);
            ::usleep(useconds_t(QRandomGenerator::global()->bounded(4 * saveUs)));
            int status = 0, fresh = 0;
            QVERIFY(::kill(child, SIGKILL) == 0 && ::waitpid(child, &status, 0) == child);
            QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL); // not ended by itself
            const QStringList got = QString(readBytes(m_ini)).split(u'\n');
            QCOMPARE(got.size(), lines[0].size());
            for (qsizetype i = 0; i < got.size(); ++i) {
                QVERIFY2(got[i] == lines[0][i] || got[i] == lines[1][i], qPrintable(got[i]));
                fresh += got[i] != lines[0][i];
            }
            ++counts[fresh == 0 ? 0 : got == lines[1] ? 1 : 2];
        }
        QVERIFY(counts[2] > 0);
        qInfo("%d trials: %d all old, %d all new, %d midway", trials, counts[0], counts[1],
              counts[2]);
    }
};

TOLVAN_TEST_MAIN(TestSettings)

#include "tst_settings.moc"