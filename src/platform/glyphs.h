#pragma once

#include <QIcon>
#include <QPixmap>

namespace tolvan::platform {

// A glyph drawn for this program, by file name without extension ("bold", "hard"), with the
// colour of its bottom-left pixel made transparent.
QPixmap glyph(const QString &name);

// A button glyph: a two-image bitmap (normal left, disabled right) becomes an icon with both
// states; a one-image bitmap is used for both.
QIcon buttonIcon(const QString &name);

// A picture shown as it is, without transparency (the about window's images).
QPixmap picture(const QString &name);

} // namespace tolvan::platform
