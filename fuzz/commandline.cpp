// The command line: any list of arguments gives one answer, the one a model gives that first
// sorts each argument into a kind and then reads the kinds left to right.

#include "common.h"

#include "app/commandline.h"

using tolvan::app::CommandLine;
using tolvan::app::parseCommandLine;
using tolvan::fuzz::shown;

namespace {

enum class Kind { QtWithValue, QtFlag, EndOfOptions, Help, Version, Unknown, Name };

Kind kindOf(const QString &arg)
{
    static const QStringList withValue = {"-platform",
                                          "-platformpluginpath",
                                          "-platformtheme",
                                          "-plugin",
                                          "-qwindowgeometry",
                                          "-qwindowicon",
                                          "-qwindowtitle",
                                          "-display",
                                          "-geometry",
                                          "-title",
                                          "-name",
                                          "-style",
                                          "-stylesheet",
                                          "-session"};
    static const QStringList flags = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
    if (withValue.contains(arg))
        return Kind::QtWithValue;
    if (flags.contains(arg) || arg.startsWith(QLatin1String("-style=")) ||
        arg.startsWith(QLatin1String("-stylesheet=")))
        return Kind::QtFlag;
    if (arg == QLatin1String("--"))
        return Kind::EndOfOptions;
    if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
        return Kind::Help;
    if (arg == QLatin1String("--version") || arg == QLatin1String("-V"))
        return Kind::Version;
    if (arg.startsWith(u'-') && arg != QLatin1String("-"))
        return Kind::Unknown;
    return Kind::Name;
}

CommandLine model(const QStringList &args)
{
    CommandLine result;
    bool names = false; // after "--", every argument is a file name
    for (qsizetype i = 0; i < args.size(); ++i) {
        const Kind kind = names ? Kind::Name : kindOf(args[i]);
        if (kind == Kind::QtWithValue)
            ++i; // Qt takes the value, whatever it looks like
        else if (kind == Kind::EndOfOptions)
            names = true;
        else if (kind == Kind::Help)
            return {CommandLine::Action::Help, {}, {}};
        else if (kind == Kind::Version)
            return {CommandLine::Action::Version, {}, {}};
        else if (kind == Kind::Unknown)
            return {CommandLine::Action::Error,
                    {},
                    QStringLiteral("unrecognized option '") + args[i] + u'\''};
        else if (kind == Kind::Name && !result.file.isEmpty())
            return {CommandLine::Action::Error, {}, QStringLiteral("only one file can be opened")};
        else if (kind == Kind::Name)
            result.file = args[i];
    }
    return result;
}

std::string shown(const CommandLine &line)
{
    return std::to_string(int(line.action)) + " file " + shown(line.file) + " error " +
           shown(line.error);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char *const common[] = {
        "-platform", "-style",   "-style=x", "-stylesheet=", "-reverse", "--",
        "-h",        "--help",   "-V",       "--version",    "-",        "-x",
        "--x",       "page.htm", "",         "%1",           "-name",    "-sync",
    };
    FuzzedDataProvider in(data, size);
    QStringList args;
    while (in.remaining_bytes() > 0 && args.size() < 12) {
        if (in.ConsumeBool())
            args << QString::fromUtf8(
                common[in.ConsumeIntegralInRange<size_t>(0, std::size(common) - 1)]);
        else
            args << QString::fromUtf8(in.ConsumeRandomLengthString(16));
    }
    const CommandLine got = parseCommandLine(args);
    const CommandLine expected = model(args);
    std::string context = "arguments";
    for (const QString &arg : args)
        context += " " + shown(arg);
    TOLVAN_CHECK(got.action == expected.action && got.file == expected.file &&
                     got.error == expected.error,
                 context + "\ngave " + shown(got) + "\nexpected " + shown(expected));
    return 0;
}
