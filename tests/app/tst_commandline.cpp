#include "app/commandline.h"

#include <QTest>

using tolvan::app::CommandLine;

class CommandLineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        const int run = int(CommandLine::Action::Run), error = int(CommandLine::Action::Error);
        const int help = int(CommandLine::Action::Help);
        QTest::newRow("a file") << QStringList{"page.htm"} << run << "page.htm";
        QTest::newRow("help") << QStringList{"--help"} << help << "";
        QTest::newRow("help wins over a file") << QStringList{"page.htm", "-h"} << help << "";
        QTest::newRow("version") << QStringList{"--version"} << int(CommandLine::Action::Version)
                                 << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << error << "";
        QTest::newRow("two files") << QStringList{"a.htm", "b.htm"} << error << "";
        QTest::newRow("dash file after --") << QStringList{"--", "-odd.htm"} << run << "-odd.htm";
        QTest::newRow("Qt's own options pass")
            << QStringList{"-platform", "offscreen", "-reverse", "x.htm"} << run << "x.htm";
    }
    void parse()
    {
        QFETCH(QStringList, args);
        const CommandLine line = tolvan::app::parseCommandLine(args);
        QTEST(int(line.action), "action");
        QTEST(line.file, "file");
        QCOMPARE(line.error.isEmpty(), line.action != CommandLine::Action::Error);
    }
};

QObject *makeCommandLineTest() { return new CommandLineTest; }

#include "tst_commandline.moc"
