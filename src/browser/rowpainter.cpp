#include "rowpainter.h"

#include "platform/glyphs.h"

#include <QApplication>
#include <QHash>
#include <QPainter>
#include <QStyle>

namespace tolvan::browser {

const QPixmap &cachedGlyph(const QString &name)
{
    static QHash<QString, QPixmap> cache;
    auto found = cache.find(name);
    if (found == cache.end())
        found = cache.insert(name, platform::glyph(name));
    return *found;
}

void paintRow(QPainter *painter, const QStyleOptionViewItem &option, const QString &text,
              const RowLayout &layout)
{
    const QRect row = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    painter->save();
    painter->fillRect(row,
                      option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));
    if (layout.glyph && !layout.glyph->isNull()) {
        // (top + bottom - height) / 2 with an exclusive bottom, truncated as integers are.
        const int y = (row.top() + row.top() + row.height() - layout.glyph->height()) / 2;
        painter->drawPixmap(row.left() + layout.glyphX, y, *layout.glyph);
    }
    painter->setFont(option.font);
    painter->setPen(
        option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect textRect(row.left() + layout.textX, row.top(), row.width() - layout.textX,
                         row.height());
    painter->drawText(textRect,
                      Qt::TextSingleLine | Qt::AlignLeft |
                          (layout.centreText ? Qt::AlignVCenter : Qt::AlignTop),
                      text);
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = row;
        focus.backgroundColor =
            option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}

} // namespace tolvan::browser
