#pragma once

#include <QString>
#include <QStringList>

namespace tolvan::app {

// What the command line asks for: run (optionally opening one file), print help or version
// and leave, or refuse an unknown option.
struct CommandLine
{
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    QString file;
    QString error; // for Error: the message, without the program name
};

// Arguments without the program name.
CommandLine parseCommandLine(const QStringList &arguments);

QString helpText();
QString versionText();

} // namespace tolvan::app
