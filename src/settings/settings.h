#pragma once

#include <QColor>
#include <QRect>
#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

namespace tolvan::settings {

// A colour as the settings file knows it: 0x00BBGGRR for a plain colour (red in the low byte),
// or 0x80000000 + n for the current colour of system role n (n = 0..24, see colors.cpp).
using ColorValue = qint32;

// The colour to paint with. A system role is looked up in the application's palette now, so a
// change of theme between two calls gives two colours. Roles past the last known one are black.
QColor toQColor(ColorValue value);
// A plain colour value; alpha is dropped.
ColorValue fromQColor(const QColor &color);

// The colour's name ("clNavy", "clWindow") when one has exactly this value, else "$" and eight
// upper-case hexadecimal digits ("$00804000").
QString colorToText(ColorValue value);
// The colour named by the text (any letter case), else the text read by the integer rule.
// Raises platform::Error("'<text>' is not a valid integer value") when it is neither.
ColorValue colorFromText(const QString &text);

// The integer rule shared by every number in the settings file: leading spaces, then either
// "$" and hexadecimal digits (at most eight significant ones, taken as a 32-bit pattern, so
// "$FFFFFFFF" is -1) or an optional sign and decimal digits within the range of qint32, and
// nothing after the digits. Raises platform::Error("'<text>' is not a valid integer value").
qint32 parseInteger(const QString &text);
// The same rule without the error.
std::optional<qint32> tryParseInteger(const QString &text);

// What LoadSettings applies to and SaveSettings reads from: the main window, its editor, its
// side panel and its shortcut scheme, seen without the widgets.
class SettingsTarget
{
public:
    virtual ~SettingsTarget() = default;
    virtual QRect windowBounds() const = 0; // outer bounds; maximised as shown, minimised normal
    virtual void setWindowBounds(const QRect &outer) = 0;
    virtual ColorValue backColor() const = 0;
    virtual void setBackColor(ColorValue value) = 0;
    virtual ColorValue fontColor() const = 0;
    virtual void setFontColor(ColorValue value) = 0;
    virtual QString fontName() const = 0;
    virtual void setFontName(const QString &name) = 0;
    virtual int fontSize() const = 0; // points
    virtual void setFontSize(int points) = 0;
    virtual QString directory() const = 0;
    virtual void setDirectory(const QString &path) = 0; // may raise platform::Error
    virtual unsigned shortcutScheme() const = 0;
    virtual void applyShortcutScheme(unsigned scheme) = 0;
    virtual void setHelpItemsEnabled(bool enabled) = 0;
};

// $XDG_CONFIG_HOME/TOLVAN.INI; ~/.config/TOLVAN.INI when that variable is unset, empty or not an
// absolute path.
QString settingsFilePath();

// Reads the eleven settings and applies each to the target in the order of the file's keys.
// A value the target cannot take (a colour text that is no colour, a directory that cannot be
// entered) is handed to `reportError` with its message, that one setting gets its default (or
// stays as it was, for the directory), and the remaining settings are still read and applied.
// Also replaces the application's help file name, and enables the help items at the very end
// when that name is not empty.
void LoadSettings(SettingsTarget &target, const std::function<void(const QString &)> &reportError);

// Writes the eleven settings in order, each write a complete file on disk. Raises
// platform::Error("Unable to write to TOLVAN.INI") at the first value that cannot be written;
// the values after it keep what the file held.
void SaveSettings(const SettingsTarget &target);

} // namespace tolvan::settings
