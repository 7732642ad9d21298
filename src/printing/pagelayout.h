#pragma once

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;
class QPaintDevice;

namespace tolvan::printing {

// The rectangle a page's text is laid out in, in twips (1/1440 inch); left and top are 0, the
// top-left corner of the printer's printable area.
struct RenderRect
{
    int right;
    int bottom;
};

// Printable size in device dots and the device's resolution to twips. Each division truncates
// toward zero; a resolution that is not positive gives an empty rectangle.
RenderRect renderRect(int printableWidthDots, int printableHeightDots, int dpiX, int dpiY);

// The editor's font as a printer should get it: a font sized in screen pixels would come out
// at the printer's far smaller pixels, so it is given the point size it has on the screen.
QFont printFont(const QFont &editorFont, int screenDpiY);

// How far apart the editor's tab stops are on the screen, in widths of its font's space.
qreal tabStopSpaces(const QFont &editorFont, qreal tabStopPixels);

// The editor positions [start, end) that one page holds; a line break counts as two.
struct PageRange
{
    qsizetype start;
    qsizetype end;
    friend bool operator==(const PageRange &, const PageRange &) = default;
};

// Lays out a text (line breaks CR LF, as the editor hands it over) for one device and draws
// it a page at a time. Lines wider than the rectangle are broken, at word boundaries where
// there are any; nothing is cut at the right edge.
class PageFormatter
{
public:
    // Tab stops lie `tabStopSpaces` widths of the font's space apart, as on the screen.
    PageFormatter(const QString &text, const QFont &font, const QPaintDevice *device,
                  RenderRect rect, qreal tabStopSpaces = 8);

    qsizetype textLength() const { return m_length; }

    // Lays out the text from `start` into one page, drawing it when a painter is given, and
    // returns the position just after the last character placed (textLength() at the end).
    // A page always takes at least one line, even one taller than the page, so that every
    // call makes progress.
    qsizetype formatRange(QPainter *painter, qsizetype start) const;

private:
    QStringList m_lines;
    QList<qsizetype> m_lineStarts;
    qsizetype m_length = 0;
    QFont m_font;
    const QPaintDevice *m_device;
    qreal m_width;
    qreal m_height;
    qreal m_tabStopDistance;
};

// Prints the whole text: page 1 is already begun, `newPage` ends the current page and begins
// the next. A new page is begun only while text remains, so an empty text gives one blank
// page. Returns what each page held. With no painter this is the pagination alone.
QList<PageRange> printPages(const PageFormatter &formatter, QPainter *painter,
                            const std::function<void()> &newPage = {});

} // namespace tolvan::printing
