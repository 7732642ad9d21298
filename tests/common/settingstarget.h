#pragma once

// The main window as LoadSettings and SaveSettings see it: plain values and a side panel that
// enters only the folders `folderExists` accepts (the ones that exist, as the real panel). The
// tests, the fault tests and the settings-file fuzzer all load into it.

#include "platform/application.h"
#include "platform/error.h"
#include "settings/settings.h"

#include <QFileInfo>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

namespace tolvan::test {

struct FakeSettingsTarget : settings::SettingsTarget
{
    using ColorValue = settings::ColorValue;

    // The window design's values unless given.
    FakeSettingsTarget(QRect b = {0, 0, 640, 480}, ColorValue bc = 0x00804000,
                       ColorValue fc = 0x0000FFFF, QString n = QStringLiteral("Courier New"),
                       int s = 10, QString d = QStringLiteral("/"), unsigned sc = 0)
        : bounds(b), back(bc), font(fc), name(std::move(n)), dir(std::move(d)), size(s),
          scheme(sc)
    {
    }

    QRect bounds;
    ColorValue back, font;
    QString name, dir;
    int size, directoryChanges = 0;
    unsigned scheme;
    bool helpItems = false;
    std::function<bool(const QString &)> folderExists = [](const QString &path) {
        return QFileInfo(path).isDir();
    };

    QRect windowBounds() const override { return bounds; }
    void setWindowBounds(const QRect &outer) override { bounds = outer; }
    ColorValue backColor() const override { return back; }
    void setBackColor(ColorValue value) override { back = value; }
    ColorValue fontColor() const override { return font; }
    void setFontColor(ColorValue value) override { font = value; }
    QString fontName() const override { return name; }
    void setFontName(const QString &value) override { name = value; }
    int fontSize() const override { return size; }
    void setFontSize(int points) override { size = points; }
    QString directory() const override { return dir; }
    void setDirectory(const QString &path) override
    {
        if (!folderExists(path))
            throw platform::Error(QStringLiteral("File not found"));
        dir = path;
        ++directoryChanges;
    }
    unsigned shortcutScheme() const override { return scheme; }
    void applyShortcutScheme(unsigned value) override { scheme = value; }
    void setHelpItemsEnabled(bool enabled) override { helpItems = enabled; }

    // Every value as "name=value", the application's help file last, to compare whole states.
    QStringList state() const
    {
        const auto n = [](qint64 v) { return QString::number(v); };
        const auto hex = [](ColorValue v) { return QString::number(quint32(v), 16); };
        return QStringList() << "left=" + n(bounds.left()) << "top=" + n(bounds.top())
                             << "width=" + n(bounds.width()) << "height=" + n(bounds.height())
                             << "back=" + hex(back) << "font=" + hex(font) << "name=" + name
                             << "size=" + n(size) << "dir=" + dir
                             << "dirChanges=" + n(directoryChanges) << "scheme=" + n(scheme)
                             << "helpItems=" + n(helpItems)
                             << "helpFile=" + platform::Application::helpFile();
    }
};

} // namespace tolvan::test
