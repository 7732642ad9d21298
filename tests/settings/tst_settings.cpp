#include "faketarget.h"
#include "platform/application.h"
#include "platform/error.h"
#include "platform/profile.h"
#include "settings/settings.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPalette>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvan::settings;
using tolvan::platform::Application;
using tolvan::platform::Error;
using tolvan::platform::ProfileFile;
using tolvan::test::FakeTarget;

namespace {

constexpr ColorValue role(quint32 n)
{
    return ColorValue(0x80000000u + n);
}

// The message of the error the call raises, or nothing: a wrong guess about an error fails the
// test instead of ending the program.
template <typename Call> std::optional<QString> errorOf(Call &&call)
{
    try {
        call();
    } catch (const Error &error) {
        return error.message();
    }
    return std::nullopt;
}

QString invalidInteger(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The key lines SaveSettings writes for a state, in their order.
QStringList keyLines(const FakeTarget &target, const QString &helpFile)
{
    const QRect b = target.bounds;
    return {
        QStringLiteral("[Window]"),
        QStringLiteral("Top=%1").arg(b.top()),
        QStringLiteral("Left=%1").arg(b.left()),
        QStringLiteral("Width=%1").arg(b.width()),
        QStringLiteral("Height=%1").arg(b.height()),
        QStringLiteral("[Colors]"),
        QStringLiteral("Back=") + colorToText(target.back),
        QStringLiteral("Font=") + colorToText(target.font),
        QStringLiteral("[Font]"),
        QStringLiteral("Name=") + target.name,
        QStringLiteral("Size=%1").arg(target.size),
        QStringLiteral("[Directories]"),
        QStringLiteral("Last=") + target.dir,
        QStringLiteral("[HelpFile]"),
        QStringLiteral("Filename=") + helpFile,
        QStringLiteral("[Shortcuts]"),
        QStringLiteral("Scheme=%1").arg(target.scheme),
    };
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_config = m_dir->filePath(QStringLiteral("config"));
        QVERIFY(QDir().mkpath(m_config));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config));
        m_ini = m_config + QStringLiteral("/TOLVAN.INI");
        Application::setHelpFile(QStringLiteral("RAVUZU95.HLP"));
    }

    void integerRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        const auto row = [](const QString &text, std::optional<int> value) {
            QTest::addRow("'%s'", qPrintable(text))
                << text << value.has_value() << value.value_or(0);
        };
        row("20", 20);
        row("   20", 20);
        row("+7", 7);
        row("-5", -5);
        row("2147483647", 2147483647);
        row("-2147483648", int(-2147483647 - 1));
        row("$14", 20);
        row(" $aB", 0xAB);
        row("$FFFFFFFF", -1);
        row("$000000000014", 20);
        row("$0FFFFFFFF", -1);
        for (const char *bad :
             {"", "   ", "$", "-", "-$5", "+-5", "20 ", "20px", "- 5", "\t20", "0x20", "2A", "$1G",
              "2147483648", "-2147483649", "99999999999999999999999", "$100000000"})
            row(bad, std::nullopt);
        row(QStringLiteral("\uff12\uff10"), std::nullopt); // digits, but not ASCII ones
    }

    void integerRule()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const std::optional<qint32> parsed = tryParseInteger(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
        qint32 thrown = 0;
        QCOMPARE(errorOf([&] { thrown = parseInteger(text); }),
                 valid ? std::nullopt : std::optional(invalidInteger(text)));
        QCOMPARE(thrown, valid ? value : 0);
    }

    void colorText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("written"); // empty: the text is no colour
        const auto row = [](const QString &text, int value, const QString &written) {
            QTest::addRow("'%s'", qPrintable(text)) << text << value << written;
        };
        row("clBlack", 0x00000000, "clBlack");
        row("CLNAVY", 0x00800000, "clNavy");
        row("clSilver", 0x00C0C0C0, "clSilver");
        row("clRed", 0x000000FF, "clRed");
        row("clWhite", 0x00FFFFFF, "clWhite");
        row("clScrollBar", role(0), "clScrollBar");
        row("clwindow", role(5), "clWindow");
        row("Cl3dDkShadow", role(21), "cl3DDkShadow");
        row("clInfoBk", role(24), "clInfoBk");
        row("clNone", 0x1FFFFFFF, "clNone");
        row("$00804000", 0x00804000, "$00804000");
        row("$00ff0000", 0x00FF0000, "clBlue");
        row("16711680", 0x00FF0000, "clBlue");
        row("-2147483643", role(5), "clWindow");
        row("$80000019", role(25), "$80000019");
        row("-1", -1, "$FFFFFFFF");
        for (const char *bad : {"navy", "#000080", "0x00FF0000", "", "clNavy "})
            row(bad, 0, QString());
    }

    // Both ways: what SaveSettings writes, LoadSettings reads back as the same colour.
    void colorText()
    {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(QString, written);
        ColorValue read = 0;
        QCOMPARE(errorOf([&] { read = colorFromText(text); }),
                 written.isEmpty() ? std::optional(invalidInteger(text)) : std::nullopt);
        QCOMPARE(read, value);
        if (!written.isEmpty()) {
            QCOMPARE(colorToText(value), written);
            QCOMPARE(errorOf([&] { read = colorFromText(written); }), std::nullopt);
            QCOMPARE(read, value);
        }
    }

    void toQColor_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("red in the low byte") << 0x000080FF << QColor(0xFF, 0x80, 0x00);
        QTest::newRow("top byte ignored") << 0x1F010203 << QColor(3, 2, 1);
        QTest::newRow("clScrollBar") << role(0) << QColor(1, 0, 0);
        QTest::newRow("clWindow") << role(5) << QColor(5, 0, 0);
        QTest::newRow("clBtnFace") << role(15) << QColor(15, 0, 0);
        QTest::newRow("clGrayText") << role(17) << QColor(17, 0, 0);
        QTest::newRow("clInfoBk") << role(24) << QColor(24, 0, 0);
        QTest::newRow("unknown role") << role(25) << QColor(Qt::black);
    }

    // System roles follow the palette in force when the colour is asked for.
    void toQColor()
    {
        QFETCH(int, value);
        QFETCH(QColor, expected);
        const QPalette saved = QApplication::palette();
        QPalette palette;
        // Each role a colour of its own, so a role taken from the wrong entry shows.
        for (const auto &[paletteRole, red] : {std::pair{QPalette::Mid, 1},
                                               {QPalette::Base, 5},
                                               {QPalette::Button, 15},
                                               {QPalette::ToolTipBase, 24}})
            palette.setColor(QPalette::Active, paletteRole, QColor(red, 0, 0));
        palette.setColor(QPalette::Disabled, QPalette::Text, QColor(17, 0, 0));
        QApplication::setPalette(palette);
        const QColor actual = tolvan::settings::toQColor(value);
        QApplication::setPalette(saved);
        QCOMPARE(actual, expected);
    }

    void fromQColor() { QCOMPARE(tolvan::settings::fromQColor(QColor(1, 2, 3, 4)), 0x00030201); }

    void settingsFilePath_data()
    {
        QTest::addColumn<QByteArray>("xdg");   // "<unset>" removes the variable
        QTest::addColumn<QString>("expected"); // ~ stands for HOME
        QTest::newRow("set") << QByteArray("/srv/conf/") << "/srv/conf/TOLVAN.INI";
        QTest::newRow("unset") << QByteArray("<unset>") << "~/.config/TOLVAN.INI";
        QTest::newRow("empty") << QByteArray("") << "~/.config/TOLVAN.INI";
        QTest::newRow("relative is ignored") << QByteArray("conf") << "~/.config/TOLVAN.INI";
    }

    void settingsFilePath()
    {
        QFETCH(QByteArray, xdg);
        QFETCH(QString, expected);
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(m_dir->path()));
        if (xdg == "<unset>")
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", xdg);
        const QString actual = tolvan::settings::settingsFilePath();
        qputenv("HOME", oldHome);
        QCOMPARE(actual, expected.replace(u'~', m_dir->path()));
    }

    void load_data()
    {
        // %DIR% is a folder that exists, %MISSING% one that does not.
        QTest::addColumn<QString>("ini");         // "<none>": no settings file
        QTest::addColumn<QStringList>("changes"); // over what a missing file gives
        QTest::addColumn<QStringList>("errors");
        const auto row = [](const char *name, const QString &ini, const QStringList &changes,
                            const QStringList &errors = {}) {
            QTest::newRow(name) << ini << changes << errors;
        };
        const auto top = [](const char *value) { return "[Window]\nTop=" + QString(value); };
        const auto back = [](const char *value) { return "[Colors]\nBack=" + QString(value); };
        const auto scheme = [](const char *value) {
            return "[Shortcuts]\nScheme=" + QString(value);
        };
        const auto invalid = [](const QString &text) { return QStringList{invalidInteger(text)}; };

        row("no file", "<none>", {});
        row("Top 0x20", top("0x20"), {"bounds=80,32 520x400"});
        row("Top 0X1f", top("0X1f"), {"bounds=80,31 520x400"});
        row("Top 0x", top("0x"), {});
        row("Top 20px", top("20px"), {});
        row("Top $14", top("$14"), {"bounds=80,20 520x400"});
        row("Top blank 20", top("\" 20\""), {"bounds=80,20 520x400"});
        row("Top 20 blank", top("\"20 \""), {});
        row("Top -5", top("-5"), {"bounds=80,-5 520x400"});
        row("Top $FFFFFFFF", top("$FFFFFFFF"), {"bounds=80,-1 520x400"});
        row("Top 2147483648", top("2147483648"), {});
        row("whole window", "[window]\nleft=10\nTOP=20\nWidth=300\nheight=200",
            {"bounds=10,20 300x200"});
        row("Back CLNAVY", back("CLNAVY"), {});
        row("Back $00FF0000", back("$00FF0000"), {"back=00ff0000"});
        row("Back 16711680", back("16711680"), {"back=00ff0000"});
        row("Back clWindow", back("clWindow"), {"back=80000005"});
        row("Back navy", back("navy"), {}, invalid("navy"));
        row("Back #000080", back("#000080"), {}, invalid("#000080"));
        row("Font colour clLime", "[Colors]\nFont=clLime", {"font=0000ff00"});
        row("Font colour bad", "[Colors]\nFont=lime", {}, invalid("lime"));
        row("font name 300 characters", "[Font]\nName=" + QString(300, u'x'),
            {"name=" + QString(255, u'x')});
        row("font size", "[Font]\nSize=9", {"size=9"});
        row("font size bad", "[Font]\nSize=9pt", {});
        row("directory", "[Directories]\nLast=%DIR%", {"dir=%DIR%", "dirChanges=1"});
        row("directory already shown", "[Directories]\nLast=/", {});
        row("directory missing", "[Directories]\nLast=%MISSING%", {}, {"File not found"});
        row("help file", "[HelpFile]\nFilename=RAVUZU95.HLP",
            {"helpFile=RAVUZU95.HLP", "helpItems=on"});
        row("help file empty", "[HelpFile]\nFilename=", {});
        row("help file cut at 1023", "[HelpFile]\nFilename=" + QString(1100, u'h'),
            {"helpFile=" + QString(1023, u'h'), "helpItems=on"});
        row("scheme 1", scheme("1"), {"scheme=1"});
        row("scheme 7", scheme("7"), {"scheme=7"});
        row("scheme 256", scheme("256"), {});
        row("scheme 300", scheme("300"), {"scheme=44"});
        row("scheme -1", scheme("-1"), {"scheme=255"});
        row("bad Back, the rest still read",
            "[Window]\nTop=5\n[Colors]\nBack=navy\nFont=clLime\n[Font]\nName=Times\nSize=14\n"
            "[Directories]\nLast=%DIR%\n[HelpFile]\nFilename=/h.hlp\n[Shortcuts]\nScheme=1",
            {"bounds=80,5 520x400", "font=0000ff00", "name=Times", "size=14", "dir=%DIR%",
             "dirChanges=1", "scheme=1", "helpFile=/h.hlp", "helpItems=on"},
            invalid("navy"));
        row("every failure reported, the rest still read",
            "[Colors]\nBack=#000080\nFont=lime\n[Font]\nName=Times\n"
            "[Directories]\nLast=%MISSING%\n[HelpFile]\nFilename=/h.hlp\n[Shortcuts]\nScheme=1",
            {"name=Times", "scheme=1", "helpFile=/h.hlp", "helpItems=on"},
            invalid("#000080") + invalid("lime") + QStringList{"File not found"});
    }

    void load()
    {
        QFETCH(QString, ini);
        QFETCH(QStringList, changes);
        QFETCH(QStringList, errors);

        const QString existing = m_dir->filePath(QStringLiteral("pages"));
        QVERIFY(QDir().mkpath(existing));
        const QString missing = m_dir->filePath(QStringLiteral("gone"));
        const auto place = [&](QString text) {
            return text.replace(QStringLiteral("%DIR%"), existing)
                .replace(QStringLiteral("%MISSING%"), missing);
        };
        if (ini != QLatin1String("<none>"))
            writeBytes(m_ini, place(ini).toUtf8());

        // What a missing file gives: the window design's values replaced by the defaults,
        // the directory and the help items as they were.
        QMap<QString, QString> expected{{"bounds", "80,60 520x400"},
                                        {"back", "00800000"},
                                        {"font", "0000ffff"},
                                        {"name", "Arial"},
                                        {"size", "12"},
                                        {"dir", "/"},
                                        {"scheme", "0"},
                                        {"helpItems", "off"},
                                        {"helpFile", ""},
                                        {"dirChanges", "0"}};
        for (const QString &change : std::as_const(changes)) {
            const qsizetype equals = change.indexOf(u'=');
            QVERIFY2(expected.contains(change.left(equals)), qPrintable(change));
            expected[change.left(equals)] = place(change.mid(equals + 1));
        }

        FakeTarget target;
        QStringList reported;
        // Nothing escapes: every failure goes to the callback.
        QCOMPARE(errorOf([&] {
                     LoadSettings(target, [&](const QString &message) { reported << message; });
                 }),
                 std::nullopt);

        QMap<QString, QString> actual = target.state();
        actual[QStringLiteral("helpFile")] = Application::helpFile();
        actual[QStringLiteral("dirChanges")] = QString::number(target.directoryChanges);
        QCOMPARE(actual, expected);
        QCOMPARE(reported, errors);
        // Loading never writes.
        QCOMPARE(QFile::exists(m_ini), ini != QLatin1String("<none>"));
    }

    void saveWritesElevenKeysInOrder()
    {
        FakeTarget target;
        target.bounds = QRect(10, 20, 300, 200);
        target.back = 0x00804000;
        target.font = role(5);
        target.name = QStringLiteral("Courier New");
        target.size = 10;
        target.dir = QStringLiteral("/home/me/pages");
        target.scheme = 300;
        Application::setHelpFile(QString());
        SaveSettings(target);
        QCOMPARE(readBytes(m_ini), QByteArray("[Window]\nTop=20\nLeft=10\nWidth=300\nHeight=200\n"
                                              "[Colors]\nBack=$00804000\nFont=clWindow\n"
                                              "[Font]\nName=Courier New\nSize=10\n"
                                              "[Directories]\nLast=/home/me/pages\n"
                                              "[HelpFile]\nFilename=\n"
                                              "[Shortcuts]\nScheme=44\n"));
    }

    void saveKeepsWhatItDoesNotOwn()
    {
        writeBytes(m_ini, "; kept by hand\n"
                          "[WINDOW]\ntop=1\nMaximized=1\n\n"
                          "[Printer]\nName=PDF\n"
                          "; colours follow\n"
                          "[colors]\nback=clRed\n");
        FakeTarget target = tolvan::test::savedState(0);
        Application::setHelpFile(QStringLiteral("/h.hlp"));
        SaveSettings(target);
        QCOMPARE(readBytes(m_ini), QByteArray("; kept by hand\n"
                                              "[WINDOW]\ntop=2\nMaximized=1\nLeft=1\nWidth=3\n"
                                              "Height=4\n\n"
                                              "[Printer]\nName=PDF\n"
                                              "; colours follow\n"
                                              "[colors]\nback=$00804000\nFont=clWindow\n"
                                              "[Font]\nName=Arial\nSize=9\n"
                                              "[Directories]\nLast=/a\n"
                                              "[HelpFile]\nFilename=/h.hlp\n"
                                              "[Shortcuts]\nScheme=0\n"));
    }

    // What one run saves, the next run loads, including values that need quoting.
    void savedSettingsLoadBack()
    {
        const QString folder = m_dir->filePath(QStringLiteral(" 'odd' folder "));
        QVERIFY(QDir().mkpath(folder));
        FakeTarget saved;
        saved.bounds = QRect(-8, -8, 1936, 1056);
        saved.back = 0x00123456;
        saved.font = role(8);
        saved.name = QStringLiteral(" DejaVu Sans ");
        saved.size = 11;
        saved.dir = folder;
        saved.scheme = 7;
        Application::setHelpFile(QStringLiteral("\"help\".hlp"));
        SaveSettings(saved);

        Application::setHelpFile(QStringLiteral("RAVUZU95.HLP"));
        FakeTarget loaded;
        QStringList reported;
        LoadSettings(loaded, [&](const QString &message) { reported << message; });
        QCOMPARE(reported, QStringList());
        saved.helpItems = true;
        QCOMPARE(loaded.state(), saved.state());
        QCOMPARE(Application::helpFile(), QStringLiteral("\"help\".hlp"));
    }

    // A write that fails part way leaves the earlier keys written and the later ones as they
    // were: each key reaches the disk on its own.
    void saveStopsAtTheFailedWrite()
    {
        const FakeTarget old = tolvan::test::savedState(0);
        Application::setHelpFile(tolvan::test::savedHelpFile(0));
        SaveSettings(old);

        FakeTarget target = tolvan::test::savedState(1);
        Application::setHelpFile(tolvan::test::savedHelpFile(1));
        const QString movedConfig = m_config + QStringLiteral(".moved");
        target.onDirectoryRead = [&] {
            // The folder is taken away just before Directories Last is written.
            QVERIFY(QDir().rename(m_config, movedConfig));
            writeBytes(m_config, "not a folder");
        };
        QCOMPARE(errorOf([&] { SaveSettings(target); }),
                 QStringLiteral("Unable to write to TOLVAN.INI"));

        QStringList expected = keyLines(target, tolvan::test::savedHelpFile(1)).mid(0, 11);
        expected += keyLines(old, tolvan::test::savedHelpFile(0)).mid(11);
        const QString written = QString::fromUtf8(readBytes(movedConfig + "/TOLVAN.INI"));
        QCOMPARE(written.split(u'\n', Qt::SkipEmptyParts), expected);
    }

    // SaveSettings killed at random moments: the file is always whole, each key holding its
    // old or its new value.
    void killedSaveLeavesAWholeFile()
    {
        constexpr int trials = 60;
        const QStringList lines[2] = {
            keyLines(tolvan::test::savedState(0), tolvan::test::savedHelpFile(0)),
            keyLines(tolvan::test::savedState(1), tolvan::test::savedHelpFile(1))};
        int mixed = 0, allNew = 0, allOld = 0;
        for (int trial = 0; trial < trials; ++trial) {
            QFile::remove(m_ini);
            const FakeTarget old = tolvan::test::savedState(0);
            Application::setHelpFile(tolvan::test::savedHelpFile(0));
            SaveSettings(old);

            QProcess writer;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("TOLVAN_TEST_SAVE_LOOP"), QStringLiteral("1"));
            writer.setProcessEnvironment(environment);
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
            const QStringList got = QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts);
            QCOMPARE(got.size(), lines[0].size());
            int fresh = 0, changed = 0;
            for (qsizetype i = 0; i < got.size(); ++i) {
                QVERIFY2(got[i] == lines[0][i] || got[i] == lines[1][i], qPrintable(got[i]));
                if (lines[0][i] != lines[1][i]) {
                    ++changed;
                    fresh += got[i] == lines[1][i];
                }
            }
            (fresh == 0 ? allOld : fresh == changed ? allNew : mixed) += 1;
        }
        qInfo("%d trials: %d all old, %d all new, %d part way", trials, allOld, allNew, mixed);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_config;
    QString m_ini;
};

QObject *makeSettingsTest()
{
    return new TestSettings;
}

#include "tst_settings.moc"
