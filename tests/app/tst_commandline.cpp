#include "app/commandline.h"

#include <QTest>

using tolvan::app::CommandLine;
using tolvan::app::parseCommandLine;

class CommandLineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
};

void CommandLineTest::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("file");
    const int run = int(CommandLine::Action::Run);
    const int error = int(CommandLine::Action::Error);
    QTest::newRow("nothing") << QStringList{} << run << QString();
    QTest::newRow("a file") << QStringList{"page.htm"} << run << QStringLiteral("page.htm");
    QTest::newRow("help") << QStringList{"--help"} << int(CommandLine::Action::Help) << QString();
    QTest::newRow("help wins over a file")
        << QStringList{"page.htm", "-h"} << int(CommandLine::Action::Help) << QString();
    QTest::newRow("version") << QStringList{"--version"} << int(CommandLine::Action::Version)
                             << QString();
    QTest::newRow("unknown option") << QStringList{"--bogus"} << error << QString();
    QTest::newRow("two files") << QStringList{"a.htm", "b.htm"} << error << QString();
    QTest::newRow("dash file after --") << QStringList{"--", "-odd.htm"} << run
                                        << QStringLiteral("-odd.htm");
    QTest::newRow("Qt's own options pass") << QStringList{"-platform", "offscreen", "-reverse", "x.htm"}
                                           << run << QStringLiteral("x.htm");
}

void CommandLineTest::parse()
{
    QFETCH(QStringList, args);
    const CommandLine line = parseCommandLine(args);
    QTEST(int(line.action), "action");
    QTEST(line.file, "file");
    QCOMPARE(line.error.isEmpty(), line.action != CommandLine::Action::Error);
}

QObject *makeCommandLineTest()
{
    return new CommandLineTest;
}

#include "tst_commandline.moc"
