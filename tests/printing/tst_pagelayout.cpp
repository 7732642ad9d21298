#include "printing/pagelayout.h"
#include "recordingdevice.h"

#include <QFontMetricsF>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using tolvan::printing::PageFormatter;
using tolvan::printing::PageRange;
using tolvan::test::RecordingDevice;
namespace printing = tolvan::printing;

namespace {
// A printer of 600 dots per inch with 8 x 11 inches to print on.
constexpr int dpi = 600;
const QSize letter(4800, 6600);

QFont mono(qreal points = 12)
{
    QFont font(u"Liberation Mono"_s);
    font.setPointSizeF(points);
    return font;
}

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(u"<P>Line %1 of the page</P>"_s.arg(i));
    return lines.join(u"\r\n"_s);
}

QString words(int count, const QString &separator = u" "_s)
{
    QStringList out;
    for (int i = 0; i < count; ++i)
        out.append(u"word%1"_s.arg(i));
    return out.join(separator);
}

struct Printed
{
    std::unique_ptr<RecordingDevice> device = nullptr;
    QList<PageRange> pages;
};

Printed print(const QString &text, const QFont &font, QSize dots = letter,
              const QColor &pen = Qt::black)
{
    Printed out{std::make_unique<RecordingDevice>(dpi, dots), {}};
    const PageFormatter formatter(text, font, out.device.get(),
                                  printing::renderRect(dots.width(), dots.height(), dpi, dpi));
    QPainter painter(out.device.get());
    painter.setPen(pen);
    out.pages = printing::printPages(formatter, &painter, [&out] { out.device->newPage(); });
    return out;
}

// Every page was begun on the device, holds the ink of its range, and the ranges follow on
// from each other over the whole text.
void checkEachCharacterOnce(const Printed &printed, const QString &text)
{
    QCOMPARE(printed.device->pages().size(), printed.pages.size());
    qsizetype next = 0;
    for (int page = 0; page < printed.pages.size(); ++page) {
        const PageRange range = printed.pages.at(page);
        QCOMPARE(range.start, next);
        QVERIFY(range.end > range.start || text.isEmpty());
        QCOMPARE(printed.device->inkOf(page),
                 RecordingDevice::withoutBlanks(text.mid(range.start, range.end - range.start)));
        next = range.end;
    }
    QCOMPARE(next, text.size());
}
} // namespace

class PageLayoutTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void renderRect_isPrintableAreaInTwips_data();
    void renderRect_isPrintableAreaInTwips();
    void printFont_keepsTheSizeSeenOnScreen_data();
    void printFont_keepsTheSizeSeenOnScreen();
    void pages_holdEveryCharacterOnceInsideThePage_data();
    void pages_holdEveryCharacterOnceInsideThePage();
    void pageCount_newPageOnlyWhileTextRemains_data();
    void pageCount_newPageOnlyWhileTextRemains();
    void tallLines_takeOnePageEachAndEnd_data();
    void tallLines_takeOnePageEachAndEnd();
    void text_isBlackWhateverThePen_data();
    void text_isBlackWhateverThePen();
};

void PageLayoutTest::renderRect_isPrintableAreaInTwips_data()
{
    QTest::addColumn<QList<int>>("dotsAndDpi");
    QTest::addColumn<QList<int>>("twips");
    QTest::newRow("600 dpi, 8 x 11 inches") << QList{4800, 6600, 600, 600} << QList{11520, 15840};
    QTest::newRow("fractions truncated") << QList{4799, 6599, 600, 600} << QList{11517, 15837};
    QTest::newRow("each direction its own dpi")
        << QList{4800, 6600, 600, 300} << QList{11520, 31680};
    QTest::newRow("1200 dpi A4") << QList{9583, 13699, 1200, 1200} << QList{11499, 16438};
    QTest::newRow("under a twip") << QList{1, 1, 2880, 2880} << QList{0, 0};
    QTest::newRow("toward zero, not down") << QList{-1, -599, 600, 600} << QList{-2, -1437};
    // dots x 1440 no longer fits 32 bits here; the twips still do.
    QTest::newRow("no overflow") << QList{2000000, 1500000, 600, 600} << QList{4800000, 3600000};
    QTest::newRow("no resolution") << QList{4800, 6600, 0, 0} << QList{0, 0};
}

void PageLayoutTest::renderRect_isPrintableAreaInTwips()
{
    QFETCH(QList<int>, dotsAndDpi);
    const auto rect =
        printing::renderRect(dotsAndDpi[0], dotsAndDpi[1], dotsAndDpi[2], dotsAndDpi[3]);
    QTEST((QList{rect.right, rect.bottom}), "twips");
}

void PageLayoutTest::printFont_keepsTheSizeSeenOnScreen_data()
{
    QTest::addColumn<QFont>("editorFont");
    QTest::addColumn<int>("screenDpi");
    QTest::addColumn<qreal>("points");
    const auto pixels = [](int size, bool boldItalic = false) {
        QFont font(u"Courier New"_s);
        font.setPixelSize(size);
        font.setBold(boldItalic);
        font.setItalic(boldItalic);
        return font;
    };
    QTest::newRow("16 px at 96 dpi") << pixels(16) << 96 << 12.0;
    QTest::newRow("13 px, the design font") << pixels(13) << 96 << 9.75;
    QTest::newRow("12 px at 72 dpi") << pixels(12) << 72 << 12.0;
    QTest::newRow("bold italic stays") << pixels(16, true) << 96 << 12.0;
    QTest::newRow("a point size stays") << mono(11) << 96 << 11.0;
}

void PageLayoutTest::printFont_keepsTheSizeSeenOnScreen()
{
    QFETCH(QFont, editorFont);
    QFETCH(int, screenDpi);
    const QFont font = printing::printFont(editorFont, screenDpi);
    QTEST(font.pointSizeF(), "points");
    QCOMPARE(font.family(), editorFont.family());
    QCOMPARE(font.bold(), editorFont.bold());
    QCOMPARE(font.italic(), editorFont.italic());
}

void PageLayoutTest::pages_holdEveryCharacterOnceInsideThePage_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QFont>("font");
    QTest::addColumn<int>("minPages");
    QTest::addColumn<bool>("wholeWords");
    // Ordered and all different, so that a character printed twice or lost shows.
    QString counting;
    for (int i = 0; i < 5000; ++i)
        counting += QString::number(i);
    QTest::newRow("a few lines") << u"<HTML>\r\n<BODY>\r\n</HTML>"_s << mono() << 1 << true;
    QTest::newRow("many lines") << numberedLines(400) << mono() << 6 << true;
    QTest::newRow("a line of words over pages") << words(4000) << mono() << 3 << true;
    QTest::newRow("a line without blanks") << counting << mono(18) << 3 << false;
    QTest::newRow("empty lines") << u"<P>\r\n\r\n\r\nText\r\n\r\n"_s + numberedLines(200) << mono()
                                 << 3 << true;
    QTest::newRow("tabs, non-ASCII")
        << u"<UL>\r\n\t<LI>caf\u00e9\r\n\t<LI>\u00a9 2024\r\n</UL>"_s << mono() << 1 << true;
    QTest::newRow("proportional bold") << numberedLines(300) + words(500)
                                       << QFont(u"Liberation Sans"_s, 14, QFont::Bold) << 5 << true;
}

void PageLayoutTest::pages_holdEveryCharacterOnceInsideThePage()
{
    QFETCH(QString, text);
    QFETCH(QFont, font);
    QFETCH(int, minPages);
    QFETCH(bool, wholeWords);
    const Printed printed = print(text, font);
    QVERIFY(printed.pages.size() >= minPages);
    checkEachCharacterOnce(printed, text);

    const QRegularExpression blanks(u"\\s+"_s);
    const QStringList tokens = text.split(blanks);
    const QSet<QString> known(tokens.cbegin(), tokens.cend());
    for (const auto &page : printed.device->pages()) {
        QList<std::pair<qreal, QString>> lines; // top, text
        for (const auto &run : page) {
            // Top to bottom, and nothing beyond an edge: long lines are broken, not cut.
            QVERIFY(lines.isEmpty() || run.box.top() >= lines.last().first - 0.5);
            QVERIFY2(run.box.left() >= -0.5 && run.box.right() <= letter.width() + 0.5 &&
                         run.box.bottom() <= letter.height() + 0.5,
                     qPrintable(run.text));
            // Qt may draw one printed line as several runs; they share its top.
            if (lines.isEmpty() || run.box.top() != lines.last().first)
                lines.append({run.box.top(), QString()});
            lines.last().second += run.text;
        }
        for (const auto &[top, line] : std::as_const(lines))
            for (const QString &word : line.split(blanks, Qt::SkipEmptyParts))
                QVERIFY2(!wholeWords || known.contains(word), qPrintable(line));
    }
}

// k is how many lines of the font fit on a page by the font's own line spacing.
void PageLayoutTest::pageCount_newPageOnlyWhileTextRemains_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pages");
    RecordingDevice device(dpi, letter);
    const int k = int(letter.height() / std::ceil(QFontMetricsF(mono(), &device).lineSpacing()));
    QVERIFY(k > 10);
    QTest::newRow("empty document, one blank page") << QString() << 1;
    QTest::newRow("one line") << numberedLines(1) << 1;
    QTest::newRow("k lines fill page 1") << numberedLines(k) << 1;
    QTest::newRow("k lines and a final break") << numberedLines(k) + u"\r\n"_s << 1;
    QTest::newRow("k + 1 lines") << numberedLines(k + 1) << 2;
    QTest::newRow("3k lines") << numberedLines(3 * k) << 3;
    QTest::newRow("3k + 1 lines") << numberedLines(3 * k + 1) << 4;
    QTest::newRow("k line breaks alone") << u"\r\n"_s.repeated(k) << 1;
    QTest::newRow("k + 1 line breaks") << u"\r\n"_s.repeated(k + 1) << 2;
}

void PageLayoutTest::pageCount_newPageOnlyWhileTextRemains()
{
    QFETCH(QString, text);
    const Printed printed = print(text, mono());
    QTEST(int(printed.pages.size()), "pages");
    checkEachCharacterOnce(printed, text);
}

void PageLayoutTest::tallLines_takeOnePageEachAndEnd_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSize>("dots");
    QTest::addColumn<QList<PageRange>>("pages");
    // At 200 points a line is far taller than these pages, and a character wider than an inch.
    const QSize wide(6000, 600);
    QTest::newRow("line breaks count two")
        << u"ab\r\ncd\r\nef"_s << wide << QList<PageRange>{{0, 4}, {4, 8}, {8, 10}};
    QTest::newRow("an empty line")
        << u"ab\r\n\r\ncd"_s << wide << QList<PageRange>{{0, 4}, {4, 6}, {6, 8}};
    QTest::newRow("a final break") << u"ab\r\ncd\r\n"_s << wide << QList<PageRange>{{0, 4}, {4, 8}};
    QTest::newRow("a character per line")
        << u"abc"_s << QSize(600, 600) << QList<PageRange>{{0, 1}, {1, 2}, {2, 3}};
    QTest::newRow("no height at all")
        << u"ab\r\ncd"_s << QSize(6000, 0) << QList<PageRange>{{0, 4}, {4, 6}};
}

void PageLayoutTest::tallLines_takeOnePageEachAndEnd()
{
    QFETCH(QString, text);
    QFETCH(QSize, dots);
    const Printed printed = print(text, mono(200), dots);
    QTEST(printed.pages, "pages");
    checkEachCharacterOnce(printed, text);
}

void PageLayoutTest::text_isBlackWhateverThePen_data()
{
    QTest::addColumn<QColor>("pen");
    QTest::newRow("yellow, the editor's default") << QColor(Qt::yellow);
    QTest::newRow("white") << QColor(Qt::white);
    QTest::newRow("half transparent red") << QColor(255, 0, 0, 128);
}

void PageLayoutTest::text_isBlackWhateverThePen()
{
    QFETCH(QColor, pen);
    const Printed printed = print(numberedLines(100), mono(), letter, pen);
    QCOMPARE(printed.pages.size(), 2);
    for (const auto &page : printed.device->pages())
        for (const auto &run : page)
            QCOMPARE(run.color, QColor(Qt::black));
}

QObject *makePageLayoutTest()
{
    return new PageLayoutTest;
}

#include "tst_pagelayout.moc"
