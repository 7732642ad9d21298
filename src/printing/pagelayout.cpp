#include "pagelayout.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <limits>

namespace tolvan::printing {

namespace {
constexpr int twipsPerInch = 1440;
const QString lineBreak = QStringLiteral("\r\n");

int toTwips(int dots, int dpi)
{
    if (dpi <= 0)
        return 0;
    // 64 bits only so that no product can overflow; the quotient is the 32-bit one, truncated
    // toward zero like any C++ integer division.
    const qint64 twips = qint64(dots) * twipsPerInch / dpi;
    return int(std::clamp<qint64>(twips, std::numeric_limits<int>::min(),
                                  std::numeric_limits<int>::max()));
}
} // namespace

RenderRect renderRect(int printableWidthDots, int printableHeightDots, int dpiX, int dpiY)
{
    return {toTwips(printableWidthDots, dpiX), toTwips(printableHeightDots, dpiY)};
}

QFont printFont(const QFont &editorFont, int screenDpiY)
{
    QFont font = editorFont;
    if (editorFont.pixelSize() > 0 && screenDpiY > 0)
        font.setPointSizeF(editorFont.pixelSize() * 72.0 / screenDpiY);
    return font;
}

qreal tabStopSpaces(const QFont &editorFont, qreal tabStopPixels)
{
    const qreal space = QFontMetricsF(editorFont).horizontalAdvance(u' ');
    return space > 0 ? tabStopPixels / space : 8;
}

PageFormatter::PageFormatter(const QString &text, const QFont &font, const QPaintDevice *device,
                             RenderRect rect, qreal tabStopSpaces)
    : m_lines(text.split(lineBreak)), m_length(text.size()), m_font(font), m_device(device),
      m_width(qreal(rect.right) * device->logicalDpiX() / twipsPerInch),
      m_height(qreal(rect.bottom) * device->logicalDpiY() / twipsPerInch)
{
    // A layout takes its tab distance in screen units and scales it up to the device's
    // resolution, though the font's widths are in device dots already: on a printer the stops
    // would lie the resolution's ratio too far apart. That scale is measured, on a lone tab
    // with a known distance, and taken out again.
    const qreal wanted = tabStopSpaces * QFontMetricsF(m_font, m_device).horizontalAdvance(u' ');
    constexpr qreal probe = 1000;
    QTextOption option;
    option.setTabStopDistance(probe);
    QTextLayout layout(QStringLiteral("\tx"), m_font, m_device);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(2 * probe * device->logicalDpiX());
    const qreal scaled = line.cursorToX(1);
    layout.endLayout();
    m_tabStopDistance = scaled > 0 ? wanted * probe / scaled : wanted;

    m_lineStarts.reserve(m_lines.size());
    qsizetype start = 0;
    for (const QString &line : m_lines) {
        m_lineStarts.append(start);
        start += line.size() + lineBreak.size();
    }
}

qsizetype PageFormatter::formatRange(QPainter *painter, qsizetype start) const
{
    start = std::max<qsizetype>(start, 0);
    qsizetype index = std::upper_bound(m_lineStarts.cbegin(), m_lineStarts.cend(), start) -
                      m_lineStarts.cbegin() - 1;
    qsizetype offset = start - m_lineStarts.at(index);
    // At or inside the line break of a line whose text is already out: go on with the next.
    if (offset > 0 && offset >= m_lines.at(index).size()) {
        ++index;
        offset = 0;
    }

    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(m_tabStopDistance);

    if (painter) {
        painter->save();
        // Black on the paper whatever colour the editor shows its text in: that colour is
        // chosen against the screen's background, which is not printed.
        painter->setPen(Qt::black);
    }
    qreal y = 0;
    bool placed = false;
    qsizetype next = m_length;
    for (; index < m_lines.size(); ++index, offset = 0) {
        // Laid out from `start` itself, as the rest of the text would be on an empty page.
        QTextLayout layout(m_lines.at(index).mid(offset), m_font, m_device);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(m_width);
        }
        layout.endLayout();

        bool pageFull = false;
        for (int i = 0; i < layout.lineCount(); ++i) {
            const QTextLine line = layout.lineAt(i);
            if (placed && y + line.height() > m_height) {
                next = m_lineStarts.at(index) + offset + line.textStart();
                pageFull = true;
                break;
            }
            if (painter)
                line.draw(painter, QPointF(-line.x(), y - line.y()));
            y += line.height();
            placed = true;
        }
        if (pageFull)
            break;
    }
    if (painter)
        painter->restore();
    return next;
}

QList<PageRange> printPages(const PageFormatter &formatter, QPainter *painter,
                            const std::function<void()> &newPage)
{
    QList<PageRange> pages;
    const qsizetype length = formatter.textLength();
    qsizetype from = 0;
    for (;;) {
        const qsizetype next = formatter.formatRange(painter, from);
        const bool atEnd = next < 0 || next >= length;
        pages.append({from, atEnd ? length : std::max(next, from)});
        // Without progress another page would hold the same text again: end the job instead.
        if (atEnd || next <= from)
            break;
        if (newPage)
            newPage();
        from = next;
    }
    return pages;
}

} // namespace tolvan::printing
