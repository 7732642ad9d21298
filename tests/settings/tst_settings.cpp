#include "common/hermetic.h"
#include "common/settingstarget.h"
#include "platform/application.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "settings/settings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPalette>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvan::settings;
using tolvan::platform::Application;
using tolvan::platform::Error;
using tolvan::platform::ProfileFile;

namespace {

const QByteArray noFile = "<none>";

constexpr ColorValue role(quint32 n)
{
    return ColorValue(0x80000000u + n);
}

// The message of the error the call raises, or nothing.
template <typename Call> QString errorOf(Call &&call)
{
    try {
        call();
    } catch (const Error &error) {
        return error.message();
    }
    return {};
}

QString invalid(const QString &text)
{
    return QString("'%1' is not a valid integer value").arg(text);
}

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

using FakeTarget = tolvan::test::FakeSettingsTarget;

// Saves one of two complete sets of settings, unlike in every key and in the length of the file
// they make, for the tests that interrupt SaveSettings.
void saveVariant(int variant, const std::function<void()> &beforeDirectory = {})
{
    FakeTarget target = variant == 0
                            ? FakeTarget({1, 2, 3, 4}, 0x00804000, role(5), "Arial", 9, "/a", 0)
                            : FakeTarget({-100, -200, 3000, 4000}, 0x00123456, 0x00FFFFFF,
                                         QString(200, u'N'), 72, u'/' + QString(300, u'd'), 44);
    target.onDirectoryRead = beforeDirectory;
    Application::setHelpFile(variant == 0 ? QString() : "/usr/share/help/pages.hlp");
    SaveSettings(target);
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_config = m_dir->filePath("config");
        QVERIFY(QDir().mkpath(m_config));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config));
        m_ini = m_config + "/TOLVAN.INI";
        Application::setHelpFile("RAVUZU95.HLP");
    }

    // The writer writes section A, key k; the reader reads back what it was given, line breaks
    // turned into spaces.
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
        row("replaced in place, spelling kept", "; top\n[a]\nK=1\nleft=2\n", "5",
            "; top\n[a]\nK=5\nleft=2\n");
        row("new key after the section's last key", "[A]\nx=1\n\n; about B\n[B]\ny=2\n", "3",
            "[A]\nx=1\nk=3\n\n; about B\n[B]\ny=2\n");
        row("new key in a section of comments", "[A]\n;k=old\n", "v", "[A]\nk=v\n;k=old\n");
        row("found in a later section of that name", "[A]\nx=1\n[B]\n[a]\nk=1\n", "5",
            "[A]\nx=1\n[B]\n[a]\nk=5\n");
        row("new key joins the first section of that name", "[A]\nx=1\n[B]\n[a]\ny=1\n", "5",
            "[A]\nx=1\nk=5\n[B]\n[a]\ny=1\n");
        row("CR LF file stays CR LF", "[A]\r\nx=1\r\n", "2", "[A]\r\nx=1\r\nk=2\r\n");
        row("replaced line keeps its CR", "[A]\r\nk=1\r\n", "2", "[A]\r\nk=2\r\n");
        row("other bytes survive", "[A]\n; caf\xe9 \x01\nk=1\n[\xff]\nq=\xfe\n", "2",
            "[A]\n; caf\xe9 \x01\nk=2\n[\xff]\nq=\xfe\n");
        row("missing final line break", "[A]\nx=1", "2", "[A]\nx=1\nk=2\n");
        row("line breaks in a value become spaces", "", "a\r\nb\rc\nd", "[A]\nk=a  b c d\n");
        row("blanks around a value are quoted", "", " x ", "[A]\nk=\" x \"\n");
        row("a quoted value is quoted again", "", "'x'", "[A]\nk=\"'x'\"\n");
        row("one quote is no pair", "", "x\"", "[A]\nk=x\"\n");
        row("only blanks", "", "   ", "[A]\nk=\"   \"\n");
        row("empty", "", "", "[A]\nk=\n");
        row("non-ASCII", "", "\u00e6 \u4e2d", "[A]\nk=\xc3\xa6 \xe4\xb8\xad\n");
    }

    void profileWrite()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        writeBytes(m_ini, before);
        ProfileFile(m_ini).writeString("A", "k", value);
        QTEST(readBytes(m_ini), "after");
        QCOMPARE(ProfileFile(m_ini).readString("A", "k"),
                 value.replace(u'\r', u' ').replace(u'\n', u' '));
    }

    // A reader sees its own writes, and each write starts from the file on disk, so a change
    // made by someone else in between is not undone.
    void profileWritesStartFromTheDisk()
    {
        ProfileFile profile(m_ini);
        profile.writeString("A", "x", "1");
        QCOMPARE(profile.readString("A", "x"), "1");
        ProfileFile(m_ini).writeString("A", "y", "2");
        profile.writeString("A", "x", "3");
        QCOMPARE(readBytes(m_ini), "[A]\nx=3\ny=2\n");
    }

    // Only a plain file is read: a FIFO or a device in the file's place reads as no file, at
    // once, and is not written over. Either used to stop the program at its start, waiting for
    // a writer or reading /dev/zero until memory ran out: the alarm ends the test should that
    // come back.
    void profileReadsOnlyPlainFiles_data()
    {
        QTest::addColumn<QByteArray>("target"); // empty: a FIFO
        QTest::newRow("FIFO") << QByteArray();
        QTest::newRow("link to /dev/zero") << QByteArray("/dev/zero");
        QTest::newRow("link to /dev/urandom") << QByteArray("/dev/urandom");
    }

    void profileReadsOnlyPlainFiles()
    {
        QFETCH(QByteArray, target);
        const QByteArray native = QFile::encodeName(m_ini);
        if (target.isEmpty())
            QCOMPARE(::mkfifo(native.constData(), 0644), 0);
        else
            QCOMPARE(::symlink(target.constData(), native.constData()), 0);
        ::alarm(20);
        const auto noAlarm = qScopeGuard([] { ::alarm(0); });
        QCOMPARE(ProfileFile(m_ini).readString("A", "k", "fallback"), "fallback");
        QCOMPARE(errorOf([&] { ProfileFile(m_ini).writeString("A", "k", "v"); }),
                 "Unable to write to TOLVAN.INI");
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
        row("   20", 20);
        row("+7", 7);
        row("2147483647", 2147483647);
        row("-2147483648", int(-2147483647 - 1));
        row(" $aB", 0xAB);
        row("$000000000014", 20);
        row("$FFFFFFFF", -1, "$FFFFFFFF");
        row("$00804000", 0x00804000, "$00804000", QColor(0x00, 0x40, 0x80));
        row("$00ff0000", 0x00FF0000, "clBlue");
        row("16711680", 0x00FF0000, "clBlue");
        row("$80000019", role(25), "$80000019", Qt::black);
        row("CLNAVY", 0x00800000, "clNavy");
        row("clwindow", role(5), "clWindow", QColor(5, 0, 0));
        row("clGrayText", role(17), "clGrayText", QColor(17, 0, 0));
        row("clNone", 0x1FFFFFFF, "clNone", Qt::white);
        for (const char *bad :
             {"   ", "$", "-", "-$5", "+-5", "20 ", "20px", "\t20", "0x20", "$1G", "2147483648",
              "-2147483649", "99999999999999999999999", "$100000000", "navy", "#000080", "clNavy "})
            row(bad, std::nullopt);
        row("\uff12\uff10", std::nullopt); // digits, but not ASCII ones
    }

    void numberText()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        QFETCH(QString, written);
        QFETCH(QColor, paint);
        const QString error = valid ? QString() : invalid(text);
        ColorValue colour = 0;
        QCOMPARE(errorOf([&] { colour = colorFromText(text); }), error);
        QCOMPARE(colour, value);
        if (!text.startsWith("cl", Qt::CaseInsensitive)) {
            qint32 number = 0;
            QCOMPARE(errorOf([&] { number = parseInteger(text); }), error);
            QCOMPARE(number, value);
            QCOMPARE(tryParseInteger(text), valid ? std::optional(value) : std::nullopt);
        }
        if (!written.isEmpty()) {
            QCOMPARE(colorToText(value), written);
            QCOMPARE(colorFromText(written), value);
        }
        if (paint.isValid()) {
            const QPalette saved = QApplication::palette();
            QPalette palette; // each role a colour of its own, so a wrong entry shows
            palette.setColor(QPalette::Active, QPalette::Base, QColor(5, 0, 0));
            palette.setColor(QPalette::Disabled, QPalette::Text, QColor(17, 0, 0));
            QApplication::setPalette(palette);
            QCOMPARE(toQColor(value), paint);
            QApplication::setPalette(saved);
            if (value >= 0)
                QCOMPARE(fromQColor(paint), value & 0x00FFFFFF);
        }
    }

    void settingsFilePath_data()
    {
        QTest::addColumn<QByteArray>("xdg");   // "<unset>" removes the variable
        QTest::addColumn<QString>("expected"); // ~ stands for HOME
        QTest::newRow("set") << QByteArray("/srv/conf/") << "/srv/conf/TOLVAN.INI";
        QTest::newRow("unset") << QByteArray("<unset>") << "~/.config/TOLVAN.INI";
        QTest::newRow("relative is ignored") << QByteArray("conf") << "~/.config/TOLVAN.INI";
    }

    void settingsFilePath()
    {
        QFETCH(QByteArray, xdg);
        QFETCH(QString, expected);
        xdg == "<unset>" ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", xdg);
        QCOMPARE(tolvan::settings::settingsFilePath(), expected.replace(u'~', QDir::homePath()));
    }

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
        row("0x alone is no number", "[Window]\nTop=0x", {});
        row("blanks around names and value", "  [ Font ]  \n  Name  = \t v w \t", {"name=v w"});
        row("one pair of double quotes", "[Font]\nName= \"\" v \"\" ", {"name=\" v \""});
        row("single quotes", "[Font]\nName='v'", {"name=v"});
        row("unmatched quotes kept", "[Font]\nName=\"v'", {"name=\"v'"});
        row("equals in value", "[Font]\nName = a = b", {"name=a = b"});
        row("CR LF lines", "[Font]\r\nName=Times\r\n", {"name=Times"});
        row("key of another section", "[Colors]\nName=Times", {});
        row("commented out", "[Font]\n;Name=Times\n#Name=Times", {});
        row("font name cut at 255", "[Font]\nName=" + QByteArray(300, 'x'),
            {"name=" + QString(255, u'x')});
        row("directory already shown, help file empty",
            "[Directories]\nLast=/\n[HelpFile]\nFilename=", {});
        row("help file cut at 1023", "[HelpFile]\nFilename=" + QByteArray(1100, 'h'),
            {"helpFile=" + QString(1023, u'h'), "helpItems=1"});
        row("scheme cut to its low byte", "[Shortcuts]\nScheme=-1", {"scheme=255"});
        // A rectangle holds its far edge in an int: an axis whose edge would overflow it takes
        // the defaults, one that just fits is kept.
        row("window edge past the range of int",
            "[Window]\nLeft=2147483647\nTop=-2147483648\n"
            "Height=-2147483648",
            {});
        row("window edge just inside the range of int", "[Window]\nLeft=2147483000\nWidth=647",
            {"left=2147483000", "width=647"});
        row("every failure reported, the rest still read",
            "[Window]\nTop=5\n[Colors]\nBack=#000080\nFont=lime\n[Font]\nName=Times\nSize=14\n"
            "[Directories]\nLast=/nowhere/gone\n[HelpFile]\nFilename=/h.hlp\n[Shortcuts]\nScheme=1",
            {"top=5", "name=Times", "size=14", "scheme=1", "helpFile=/h.hlp", "helpItems=1"},
            {invalid("#000080"), invalid("lime"), "File not found"});
    }

    void load()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, changes);
        QFETCH(QStringList, errors);
        writeBytes(m_ini, ini);

        // What a missing file gives: the window design's values replaced by the defaults,
        // the directory and the help items as they were.
        QStringList expected =
            FakeTarget({80, 60, 520, 400}, 0x00800000, 0x0000FFFF, "Arial", 12).state();
        expected.last() = "helpFile=";
        for (const QString &change : std::as_const(changes)) {
            const qsizetype at =
                expected.indexOf(QRegularExpression(change.section(u'=', 0, 0) + "=.*"));
            QVERIFY2(at >= 0, qPrintable(change));
            expected[at] = change;
        }

        FakeTarget target;
        QStringList reported;
        // Nothing escapes: every failure goes to the callback.
        LoadSettings(target, [&](const QString &message) { reported << message; });
        QCOMPARE(target.state(), expected);
        QCOMPARE(reported, errors);
        // Loading never writes.
        QCOMPARE(readBytes(m_ini), ini);
    }

    // Eleven keys in order, the scheme cut to its low byte; what one run saves, the next loads.
    void save()
    {
        writeBytes(m_ini, "; kept by hand\n[WINDOW]\nMaximized=1\n\n[Printer]\nName=PDF\n"
                          "; colours follow\n[colors]\nback=clRed\n");
        FakeTarget saved({10, 20, 300, 200}, 0x00804000, role(5), " Courier New ", 10, "/", 300);
        Application::setHelpFile("\"help\".hlp");
        SaveSettings(saved);
        QCOMPARE(readBytes(m_ini),
                 "; kept by hand\n[WINDOW]\nMaximized=1\nTop=20\nLeft=10\nWidth=300\nHeight=200\n\n"
                 "[Printer]\nName=PDF\n; colours follow\n[colors]\nback=$00804000\nFont=clWindow\n"
                 "[Font]\nName=\" Courier New \"\nSize=10\n[Directories]\nLast=/\n"
                 "[HelpFile]\nFilename=\"help\".hlp\n[Shortcuts]\nScheme=44\n");

        Application::setHelpFile("RAVUZU95.HLP");
        FakeTarget loaded;
        QStringList reported;
        LoadSettings(loaded, [&](const QString &message) { reported << message; });
        QCOMPARE(reported, QStringList());
        saved.scheme = 44;
        saved.helpItems = true;
        Application::setHelpFile("\"help\".hlp");
        QCOMPARE(loaded.state(), saved.state());
    }

    // A write that fails part way leaves the earlier keys written and the later ones as they
    // were: each key reaches the disk on its own.
    void saveStopsAtTheFailedWrite()
    {
        const QStringList lines[2] = {savedLines(0), savedLines(1)};
        saveVariant(0);
        const QString moved = m_config + ".moved";
        QCOMPARE(errorOf([&] {
                     saveVariant(1, [&] {
                         // The folder is taken away just before Directories Last is written.
                         QVERIFY(QDir().rename(m_config, moved));
                         writeBytes(m_config, "not a folder");
                     });
                 }),
                 "Unable to write to TOLVAN.INI");
        QCOMPARE(QString(readBytes(moved + "/TOLVAN.INI")).split(u'\n', Qt::SkipEmptyParts),
                 lines[1].mid(0, 11) + lines[0].mid(11));
    }

    // SaveSettings killed at random moments: the file is always whole, each key holding its
    // old or its new value.
    void killedSaveLeavesAWholeFile()
    {
        constexpr int trials = 60;
        const QStringList lines[2] = {savedLines(0), savedLines(1)};
        int mixed = 0, allNew = 0, allOld = 0, changed = 0;
        for (qsizetype i = 0; i < lines[0].size(); ++i)
            changed += lines[0][i] != lines[1][i];
        qputenv("TOLVAN_TEST_SAVE_LOOP", "1"); // for the writer
        const auto unset = qScopeGuard([] { qunsetenv("TOLVAN_TEST_SAVE_LOOP"); });
        for (int trial = 0; trial < trials; ++trial) {
            QFile::remove(m_ini);
            saveVariant(0);

            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(writer.waitForStarted());
            // Let it finish a random number of saves (the loop alternates new and old), then
            // kill it a random moment into the next.
            const int saves = QRandomGenerator::global()->bounded(1, 4);
            int seen = 0;
            while (seen < saves && writer.waitForReadyRead(10000))
                seen += writer.readAll().count('\n');
            QVERIFY(seen >= saves);
            QElapsedTimer spin;
            spin.start();
            const qint64 delay = QRandomGenerator::global()->bounded(3000);
            while (spin.nsecsElapsed() < delay * 1000) {
            }
            writer.kill();
            QVERIFY(writer.waitForFinished());

            const QByteArray bytes = readBytes(m_ini);
            QVERIFY2(bytes.endsWith('\n'), bytes.constData());
            const QStringList got = QString(bytes).split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(got.size(), lines[0].size());
            int fresh = 0;
            for (qsizetype i = 0; i < got.size(); ++i) {
                QVERIFY2(got[i] == lines[0][i] || got[i] == lines[1][i], qPrintable(got[i]));
                fresh += got[i] != lines[0][i];
            }
            (fresh == 0 ? allOld : fresh == changed ? allNew : mixed) += 1;
        }
        qInfo("%d trials: %d all old, %d all new, %d part way", trials, allOld, allNew, mixed);
    }

private:
    // The lines of a settings file that holds only the variant.
    QStringList savedLines(int variant)
    {
        QFile::remove(m_ini);
        saveVariant(variant);
        return QString(readBytes(m_ini)).split(u'\n', Qt::SkipEmptyParts);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_config;
    QString m_ini;
};

int main(int argc, char **argv)
{
    // The writer that the crash test kills: saves the two variants in turn, forever, and says so
    // after each complete save.
    if (qEnvironmentVariableIsSet("TOLVAN_TEST_SAVE_LOOP")) {
        for (int variant = 1;; variant = 1 - variant) {
            saveVariant(variant);
            std::fputs("saved\n", stdout);
            std::fflush(stdout);
        }
    }
    tolvan::test::hermeticHome();
    QApplication app(argc, argv);
    TestSettings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_settings.moc"
