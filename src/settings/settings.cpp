#include "settings.h"

#include "platform/application.h"
#include "platform/error.h"
#include "platform/profile.h"

#include <QDir>

#include <limits>

namespace tolvan::settings {

namespace {

const QString fileName = QStringLiteral("TOLVAN.INI");

// Section and key names, in the order they are read and written.
namespace key {
const QString window = QStringLiteral("Window");
const QString top = QStringLiteral("Top");
const QString left = QStringLiteral("Left");
const QString width = QStringLiteral("Width");
const QString height = QStringLiteral("Height");
const QString colors = QStringLiteral("Colors");
const QString back = QStringLiteral("Back");
const QString fontColor = QStringLiteral("Font");
const QString font = QStringLiteral("Font");
const QString name = QStringLiteral("Name");
const QString size = QStringLiteral("Size");
const QString directories = QStringLiteral("Directories");
const QString last = QStringLiteral("Last");
const QString helpFile = QStringLiteral("HelpFile");
const QString filename = QStringLiteral("Filename");
const QString shortcuts = QStringLiteral("Shortcuts");
const QString scheme = QStringLiteral("Scheme");
} // namespace key

constexpr int defaultTop = 60;
constexpr int defaultLeft = 80;
constexpr int defaultWidth = 520;
constexpr int defaultHeight = 400;
constexpr ColorValue defaultBack = 0x00800000; // clNavy
constexpr ColorValue defaultFont = 0x0000FFFF; // clYellow
const QString defaultFontName = QStringLiteral("Arial");
constexpr int defaultFontSize = 12;
constexpr qsizetype maxTextLength = 1023; // the read buffer of a value
constexpr qsizetype maxFontNameLength = 255;

class Reader
{
public:
    explicit Reader(const QString &path) : m_profile(path) {}

    QString text(const QString &section, const QString &name, const QString &fallback)
    {
        return m_profile.readString(section, name, fallback).left(maxTextLength);
    }

    // A number that fails the integer rule is quietly the default: only colours complain.
    qint32 integer(const QString &section, const QString &name, qint32 fallback)
    {
        QString value = text(section, name, QString());
        if (value.size() > 2 && value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            value.replace(0, 2, u'$');
        return tryParseInteger(value).value_or(fallback);
    }

private:
    platform::ProfileFile m_profile;
};

// QRect keeps its far edge, worked out in int as (start + size) - 1, and gives the size back as
// (edge - start) + 1: a start and size for which any step overflows cannot be held, and that
// axis of the window takes its defaults.
bool rectangleHolds(qint64 start, qint64 size)
{
    const auto holds = [](qint64 v) {
        return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
    };
    return holds(start + size) && holds(start + size - 1) && holds(size - 1);
}

// Runs one setting's step. A failure is reported and ends that step only, so one bad value
// does not cost the user every setting read after it.
template <typename Step>
void settle(const std::function<void(const QString &)> &reportError, Step &&step)
{
    try {
        step();
    } catch (const platform::Error &error) {
        if (reportError)
            reportError(error.message());
    }
}

} // namespace

QString settingsFilePath()
{
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder))
        folder = QDir::homePath() + QStringLiteral("/.config");
    return QDir(folder).filePath(fileName);
}

void LoadSettings(SettingsTarget &target, const std::function<void(const QString &)> &reportError)
{
    Reader reader(settingsFilePath());

    settle(reportError, [&] {
        int top = reader.integer(key::window, key::top, defaultTop);
        int left = reader.integer(key::window, key::left, defaultLeft);
        int width = reader.integer(key::window, key::width, defaultWidth);
        int height = reader.integer(key::window, key::height, defaultHeight);
        if (!rectangleHolds(left, width)) {
            left = defaultLeft;
            width = defaultWidth;
        }
        if (!rectangleHolds(top, height)) {
            top = defaultTop;
            height = defaultHeight;
        }
        target.setWindowBounds(QRect(left, top, width, height));
    });

    const auto colour = [&](const QString &name, ColorValue fallback) {
        const QString text = reader.text(key::colors, name, colorToText(fallback));
        try {
            return colorFromText(text);
        } catch (const platform::Error &error) {
            if (reportError)
                reportError(error.message());
            return fallback;
        }
    };
    settle(reportError, [&] { target.setBackColor(colour(key::back, defaultBack)); });
    settle(reportError, [&] { target.setFontColor(colour(key::fontColor, defaultFont)); });

    settle(reportError, [&] {
        target.setFontName(
            reader.text(key::font, key::name, defaultFontName).left(maxFontNameLength));
    });
    settle(reportError,
           [&] { target.setFontSize(reader.integer(key::font, key::size, defaultFontSize)); });

    settle(reportError, [&] {
        // An empty entry, or the directory already shown, leaves the side panel where it is.
        const QString directory = reader.text(key::directories, key::last, QString());
        if (!directory.isEmpty() && directory != target.directory())
            target.setDirectory(directory);
    });

    platform::Application::setHelpFile(reader.text(key::helpFile, key::filename, QString()));

    settle(reportError, [&] {
        target.applyShortcutScheme(quint32(reader.integer(key::shortcuts, key::scheme, 0)) & 0xFFu);
    });

    // The help items are enabled here and only here: a file installed later in the run waits
    // for the next start.
    if (!platform::Application::helpFile().isEmpty())
        target.setHelpItemsEnabled(true);
}

void SaveSettings(const SettingsTarget &target)
{
    platform::ProfileFile profile(settingsFilePath());
    const auto number = [](qint64 value) { return QString::number(value); };

    const QRect bounds = target.windowBounds();
    profile.writeString(key::window, key::top, number(bounds.top()));
    profile.writeString(key::window, key::left, number(bounds.left()));
    profile.writeString(key::window, key::width, number(bounds.width()));
    profile.writeString(key::window, key::height, number(bounds.height()));
    profile.writeString(key::colors, key::back, colorToText(target.backColor()));
    profile.writeString(key::colors, key::fontColor, colorToText(target.fontColor()));
    profile.writeString(key::font, key::name, target.fontName());
    profile.writeString(key::font, key::size, number(target.fontSize()));
    profile.writeString(key::directories, key::last, target.directory());
    profile.writeString(key::helpFile, key::filename, platform::Application::helpFile());
    profile.writeString(key::shortcuts, key::scheme, number(target.shortcutScheme() & 0xFFu));
}

} // namespace tolvan::settings
