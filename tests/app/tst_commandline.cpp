#include "app/commandline.h"
#include "common/hermetic.h"

#include <QTest>

using tolvan::app::CommandLine;

class CommandLineTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void parse()
    {
        using enum CommandLine::Action;
        const struct
        {
            QStringList args;
            CommandLine::Action action;
            QString file;
        } rows[] = {{{"page.htm"}, Run, "page.htm"},
                    {{"page.htm", "-h"}, Help, ""}, // help wins over a file
                    {{"--version"}, Version, ""},
                    {{"--bogus"}, Error, ""},
                    {{"a.htm", "b.htm"}, Error, ""},
                    {{"--", "-odd.htm"}, Run, "-odd.htm"},
                    {{"-platform", "offscreen", "-reverse", "x.htm"}, Run, "x.htm"}}; // Qt's own
        for (const auto &[args, action, file] : rows) {
            const CommandLine line = tolvan::app::parseCommandLine(args);
            QVERIFY2(line.action == action && line.file == file &&
                         line.error.isEmpty() == (action != Error),
                     qPrintable(args.join(' ')));
        }
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new CommandLineTest; });

#include "tst_commandline.moc"
