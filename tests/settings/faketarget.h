#pragma once

#include "platform/error.h"
#include "settings/settings.h"

#include <QFileInfo>
#include <QMap>

#include <functional>

namespace tolvan::test {

// The main window as LoadSettings and SaveSettings see it, starting with the window design's
// values. Its side panel can enter only folders that exist, as the real one.
class FakeTarget : public settings::SettingsTarget
{
public:
    QRect bounds{0, 0, 640, 480};
    settings::ColorValue back = 0x00804000;
    settings::ColorValue font = 0x0000FFFF;
    QString name = QStringLiteral("Courier New");
    int size = 10;
    QString dir = QStringLiteral("/");
    unsigned scheme = 0;
    bool helpItems = false;
    int directoryChanges = 0;
    std::function<void()> onDirectoryRead; // runs when SaveSettings asks for the directory

    QRect windowBounds() const override { return bounds; }
    void setWindowBounds(const QRect &outer) override { bounds = outer; }
    settings::ColorValue backColor() const override { return back; }
    void setBackColor(settings::ColorValue value) override { back = value; }
    settings::ColorValue fontColor() const override { return font; }
    void setFontColor(settings::ColorValue value) override { font = value; }
    QString fontName() const override { return name; }
    void setFontName(const QString &value) override { name = value; }
    int fontSize() const override { return size; }
    void setFontSize(int points) override { size = points; }
    QString directory() const override
    {
        if (onDirectoryRead)
            onDirectoryRead();
        return dir;
    }
    void setDirectory(const QString &path) override
    {
        if (!QFileInfo(path).isDir())
            throw platform::Error(QStringLiteral("File not found"));
        dir = path;
        ++directoryChanges;
    }
    unsigned shortcutScheme() const override { return scheme; }
    void applyShortcutScheme(unsigned value) override { scheme = value; }
    void setHelpItemsEnabled(bool enabled) override { helpItems = enabled; }

    // Every value by name, to compare whole states at once.
    QMap<QString, QString> state() const
    {
        const auto hex = [](settings::ColorValue value) {
            return QStringLiteral("%1").arg(quint32(value), 8, 16, QLatin1Char('0'));
        };
        return {
            {QStringLiteral("bounds"), QStringLiteral("%1,%2 %3x%4")
                                           .arg(bounds.left())
                                           .arg(bounds.top())
                                           .arg(bounds.width())
                                           .arg(bounds.height())},
            {QStringLiteral("back"), hex(back)},
            {QStringLiteral("font"), hex(font)},
            {QStringLiteral("name"), name},
            {QStringLiteral("size"), QString::number(size)},
            {QStringLiteral("dir"), dir},
            {QStringLiteral("scheme"), QString::number(scheme)},
            {QStringLiteral("helpItems"), helpItems ? QStringLiteral("on") : QStringLiteral("off")},
        };
    }
};

} // namespace tolvan::test

namespace tolvan::test {

// Two complete sets of settings, unlike in every key and in the length of the file they make,
// for the tests that interrupt SaveSettings.
inline FakeTarget savedState(int variant)
{
    FakeTarget target;
    if (variant == 0) {
        target.bounds = QRect(1, 2, 3, 4);
        target.back = 0x00804000;
        target.font = settings::ColorValue(0x80000005u);
        target.name = QStringLiteral("Arial");
        target.size = 9;
        target.dir = QStringLiteral("/a");
        target.scheme = 0;
    } else {
        target.bounds = QRect(-100, -200, 3000, 4000);
        target.back = 0x00123456;
        target.font = 0x00FFFFFF;
        target.name = QString(200, u'N');
        target.size = 72;
        target.dir = u'/' + QString(300, u'd');
        target.scheme = 44;
    }
    return target;
}

inline QString savedHelpFile(int variant)
{
    return variant == 0 ? QString() : QStringLiteral("/usr/share/help/pages.hlp");
}

} // namespace tolvan::test
