#pragma once

#include <QPixmap>
#include <QString>
#include <QStyleOptionViewItem>

class QPainter;

namespace tolvan::browser {

// The glyph of this name, loaded once per run.
const QPixmap &cachedGlyph(const QString &name);

// How one owner-drawn row of the browser lists is laid out.
struct RowLayout
{
    const QPixmap *glyph = nullptr; // drawn at glyphX, centred vertically; none when null
    int glyphX = 0;                 // from the row's left edge
    int textX = 0;                  // from the row's left edge
    bool centreText = false;        // else the text stands at the row's top
};

// Fills the row (selection colours when selected), draws the glyph with its transparent
// colour left undrawn, the text on one line with "&" as itself, and the focus frame.
void paintRow(QPainter *painter, const QStyleOptionViewItem &option, const QString &text,
              const RowLayout &layout);

} // namespace tolvan::browser
