#pragma once

// A paint device of a chosen resolution and printable size that keeps, page by page, each run
// of text drawn on it: what it says, where it went and in which colour.

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

namespace tolvan::test {

struct TextRun
{
    QString text;
    QRectF box; // from the ascent above the baseline to the descent below it
    QColor color;
};

class RecordingDevice : public QPaintDevice
{
public:
    RecordingDevice(int dpi, QSize dots) : m_dpi(dpi), m_dots(dots) {}

    QPaintEngine *paintEngine() const override { return &m_engine; }
    void newPage() { m_pages.append(QList<TextRun>()); }
    const QList<QList<TextRun>> &pages() const { return m_pages; }

    // A page's text without blanks: a line broken at a blank may keep or drop it, but no other
    // character may go missing or come twice.
    QString inkOf(int page) const
    {
        QString ink;
        for (const TextRun &run : m_pages.at(page))
            ink += run.text;
        return withoutBlanks(ink);
    }
    static QString withoutBlanks(QString text)
    {
        text.removeIf([](QChar c) { return c.isSpace(); });
        return text;
    }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
            return m_dots.width();
        case PdmHeight:
            return m_dots.height();
        case PdmWidthMM:
            return m_dots.width() * 254 / (10 * m_dpi);
        case PdmHeightMM:
            return m_dots.height() * 254 / (10 * m_dpi);
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return m_dpi;
        case PdmDepth:
            return 32;
        case PdmNumColors:
            return INT_MAX;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 1;
        }
    }

private:
    struct Engine : QPaintEngine
    {
        explicit Engine(QList<QList<TextRun>> &pages) : QPaintEngine(AllFeatures), m_pages(pages) {}
        bool begin(QPaintDevice *) override
        {
            if (m_pages.isEmpty())
                m_pages.append(QList<TextRun>());
            return true;
        }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawTextItem(const QPointF &p, const QTextItem &item) override
        {
            const QRectF box(p.x(), p.y() - item.ascent(), item.width(),
                             item.ascent() + item.descent());
            m_pages.last().append({item.text(), box, painter()->pen().color()});
        }
        Type type() const override { return User; }
        QList<QList<TextRun>> &m_pages;
    };

    int m_dpi;
    QSize m_dots;
    QList<QList<TextRun>> m_pages;
    mutable Engine m_engine{m_pages};
};

} // namespace tolvan::test
