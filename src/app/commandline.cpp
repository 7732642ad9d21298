#include "commandline.h"

namespace tolvan::app {

namespace {
// Options that Qt itself takes from the command line; they are left to it.
const QStringList qtOptionsWithValue = {
    QStringLiteral("-platform"),     QStringLiteral("-platformpluginpath"),
    QStringLiteral("-platformtheme"), QStringLiteral("-plugin"),
    QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowicon"),
    QStringLiteral("-qwindowtitle"), QStringLiteral("-display"),
    QStringLiteral("-geometry"),     QStringLiteral("-title"),
    QStringLiteral("-name"),         QStringLiteral("-style"),
    QStringLiteral("-stylesheet"),   QStringLiteral("-session"),
};
const QStringList qtFlags = {QStringLiteral("-reverse"), QStringLiteral("-widgetcount"),
                             QStringLiteral("-nograb"), QStringLiteral("-dograb"),
                             QStringLiteral("-sync")};
} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine result;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (!optionsEnded && (qtOptionsWithValue.contains(arg) || qtFlags.contains(arg) ||
                              arg.startsWith(QLatin1String("-style=")) ||
                              arg.startsWith(QLatin1String("-stylesheet=")))) {
            if (qtOptionsWithValue.contains(arg))
                ++i;
        } else if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == QLatin1String("--help") || arg == QLatin1String("-h"))) {
            return {CommandLine::Action::Help, {}, {}};
        } else if (!optionsEnded && (arg == QLatin1String("--version") || arg == QLatin1String("-V"))) {
            return {CommandLine::Action::Version, {}, {}};
        } else if (!optionsEnded && arg.startsWith(u'-') && arg != QLatin1String("-")) {
            return {CommandLine::Action::Error, {},
                    QStringLiteral("unrecognized option '%1'").arg(arg)};
        } else if (!result.file.isEmpty()) {
            return {CommandLine::Action::Error, {}, QStringLiteral("only one file can be opened")};
        } else {
            result.file = arg;
        }
    }
    return result;
}

QString helpText()
{
    return QStringLiteral(
        "Usage: tolvan [OPTION]... [FILE]\n"
        "Edit HTML pages by hand: a plain-text editor with markup commands and a file browser.\n"
        "\n"
        "With FILE, open it at start.\n"
        "\n"
        "  -h, --help     display this help and exit\n"
        "  -V, --version  output version information and exit\n"
        "\n"
        "Settings are kept in TOLVAN.INI in $XDG_CONFIG_HOME (by default ~/.config).\n");
}

QString versionText()
{
    return QStringLiteral("tolvan 1.61\n");
}

} // namespace tolvan::app
