// TOLVAN.INI as no one would write it: random bytes, 10 MB, 10,000 sections, a value of 1 MB,
// bytes that are not UTF-8, a folder, a FIFO, a device. LoadSettings always ends (a child that
// takes a minute is ended and fails its row), reads what it can, gives the defaults for the
// rest and never holds 1 GB; SaveSettings refuses to write where no plain file is.

#include "common/hermetic.h"
#include "common/settingstarget.h"
#include "faults.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

using namespace tolvan::settings;
using namespace tolvan::test;

class SettingsFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void strangeSettingsFiles_data()
    {
        QTest::addColumn<QByteArray>("content");  // or "<folder>", "<fifo>", "<link:target>"
        QTest::addColumn<QStringList>("changes"); // over what a missing file gives
        QTest::addColumn<QStringList>("errors");
        const auto row = [](const char *name, const QByteArray &content,
                            const QStringList &changes = {}, const QStringList &errors = {}) {
            QTest::newRow(name) << content << changes << errors;
        };
        const QByteArray mb(1 << 20, 'x');
        const QByteArray known = "[Window]\nTop=5\n[Font]\nName=Times\n[Shortcuts]\nScheme=1\n";
        const QStringList knownState = {"top=5", "name=Times", "scheme=1"};
        QByteArray random(10 << 20, Qt::Uninitialized), sections, windows;
        QRandomGenerator(1).fillRange(reinterpret_cast<quint32 *>(random.data()), 10 << 18);
        for (int n = 0; n < 10000; ++n) {
            sections += "[Section " + QByteArray::number(n) + "]\nTop=1\n";
            windows += "[Window]\nTop=" + QByteArray::number(n + 7) + "\n";
        }
        row("10 MB of random bytes, the keys after them", random + '\n' + known, knownState);
        row("10 MB in one line", "[Window]" + QByteArray(10 << 20, ' ') + "Top=5");
        row("10 MB of line breaks, the keys after them", QByteArray(10 << 20, '\n') + known,
            knownState);
        row("10,000 sections, the keys after them", sections + known, knownState);
        row("10,000 [Window] sections: the first counts", windows, {"top=7"});
        row("a name of 1 MB, cut to 255", "[Font]\nName=" + mb, {"name=" + QString(255, u'x')});
        row("a colour of 1 MB: reported, the default", "[Colors]\nBack=" + mb, {},
            {"'" + QString(1023, u'x') + "' is not a valid integer value"});
        row("a number of 1 MB of digits", "[Window]\nTop=" + QByteArray(1 << 20, '7'));
        row("a folder of 1 MB", "[Directories]\nLast=/" + mb, {}, {"File not found"});
        row("a help file of 1 MB, cut to 1023", "[HelpFile]\nFilename=" + mb,
            {"helpFile=" + QString(1023, u'x'), "helpItems=1"});
        row("zero bytes and bytes that are not UTF-8",
            QByteArray("[Win\0dow]\nTop=\xff\xfe\n[Font]\nName=caf\xe9\0\n[Window]\nTop=\0", 49),
            {QString("name=caf\ufffd") + QChar(0)});
        row("a folder", "<folder>");
        row("a FIFO nobody writes to", "<fifo>");
        row("a link to /dev/zero", "<link:/dev/zero>");
    }

    void strangeSettingsFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, changes);
        QFETCH(QStringList, errors);
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        const QString ini = settingsFilePath();
        const QByteArray native = QFile::encodeName(ini);
        const bool plain = !content.startsWith('<');
        if (content == "<folder>")
            QVERIFY(QDir().mkpath(ini));
        else if (content == "<fifo>")
            QCOMPARE(::mkfifo(native.constData(), 0644), 0);
        else if (!plain)
            QCOMPARE(::symlink(content.mid(6).chopped(1).constData(), native.constData()), 0);
        else
            QVERIFY(writeAll(ini, content));
        // What a missing file gives: the defaults, the directory as it was, no help file.
        QStringList expected =
            FakeSettingsTarget({80, 60, 520, 400}, 0x800000, 0xFFFF, "Arial", 12).state();
        expected.last() = "helpFile=";
        for (const QString &change : std::as_const(changes))
            expected.replaceInStrings(QRegularExpression('^' + change.section('=', 0, 0) + "=.*"),
                                      change);

        long baseKb = 0, usedKb = 0;
        QCOMPARE(inChild([] { return QString(); }, 60, &baseKb), QString());
        const QString report = inChild(
            [&]() -> QString {
                tolvan::platform::Application::setHelpFile(QString());
                // Starting from values no default has.
                FakeSettingsTarget target({1, 2, 3, 4}, 0x010203, 0x040506, "before", 1, "/", 9);
                QStringList reported;
                LoadSettings(target, [&](const QString &message) { reported << message; });
                if (target.state() != expected)
                    return "read as: " + target.state().join(u' ').left(400);
                if (reported != errors)
                    return "reported: " + reported.join(u'|').left(200);
                if (!plain) {
                    try {
                        SaveSettings(target);
                        return QStringLiteral("saved over it");
                    } catch (const tolvan::platform::Error &error) {
                        if (error.message() != "Unable to write to TOLVAN.INI")
                            return "save said: " + error.message();
                    }
                }
                return {};
            },
            60, &usedKb);
        QVERIFY2(report.isEmpty(), qPrintable(report));
        // What a file of 10 MB may cost at most, its lines included; a device read without end
        // would pass it in moments.
        const long extraKb = usedKb - baseKb; // over a child that does nothing
        QVERIFY2(extraKb < 1024 * 1024, qPrintable(QString("%1 KB spent").arg(extraKb)));
        QVERIFY(plain || !QFileInfo(ini).isFile()); // not replaced by a plain file
    }
};

TOLVAN_TEST_MAIN(SettingsFaultsTest)

#include "tst_faults_settings.moc"