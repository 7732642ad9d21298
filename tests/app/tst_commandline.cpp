#include "app/commandline.h"
#include "common/hermetic.h"

#include <QTest>

using tolvan::app::CommandLine;

class CommandLineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("file");
        const auto row = [](const char *name, QStringList args, CommandLine::Action action,
                            const char *file = "") {
            QTest::newRow(name) << args << action << file;
        };
        using enum CommandLine::Action;
        row("a file", {"page.htm"}, Run, "page.htm");
        row("help wins over a file", {"page.htm", "-h"}, Help);
        row("version", {"--version"}, Version);
        row("unknown option", {"--bogus"}, Error);
        row("two files", {"a.htm", "b.htm"}, Error);
        row("dash file after --", {"--", "-odd.htm"}, Run, "-odd.htm");
        row("Qt's own options pass", {"-platform", "offscreen", "-reverse", "x.htm"}, Run, "x.htm");
    }
    void parse()
    {
        QFETCH(QStringList, args);
        const CommandLine line = tolvan::app::parseCommandLine(args);
        QTEST(line.action, "action");
        QTEST(line.file, "file");
        QCOMPARE(line.error.isEmpty(), line.action != CommandLine::Action::Error);
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new CommandLineTest; });

#include "tst_commandline.moc"
