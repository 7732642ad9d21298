#include "common/files.h"
#include "common/hermetic.h"
#include "common/modal.h"
#include "platform/editcontrol.h"
#include "platform/fonts.h"
#include "printing/pagelayout.h"
#include "printing/printcommands.h"
#include "privatecups.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFontMetricsF>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QSpinBox>

using namespace tolvan::printing;
using tolvan::platform::designFont;
using tolvan::platform::EditControl;
using tolvan::test::errorOf;
using tolvan::test::PrivateCups;

namespace {

const QString untitled = "Tolvan v1.61 - noname.html";

QString numbered(const char *pattern, int count, const char *separator = "\r\n")
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(QString(pattern).arg(i));
    return lines.join(separator);
}

// A line broken at a blank may keep or drop it, but no other character may go missing or come
// twice.
QString withoutBlanks(QString text)
{
    return text.remove(QRegularExpression("\\s"));
}

// A page of 600 dots per inch that keeps, page by page, each run of text drawn on it: what it
// says, where it went (ascent above the baseline to descent below) and in which colour.
struct TextRun
{
    QString text;
    QRectF box;
    QColor color;
};

struct RecordingPage : QImage, QPaintEngine
{
    explicit RecordingPage(QSize dots) : QImage(dots, Format_Mono), QPaintEngine(AllFeatures)
    {
        setDotsPerMeterX(23622);
        setDotsPerMeterY(23622);
    }
    QPaintEngine *paintEngine() const override { return const_cast<RecordingPage *>(this); }
    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override {}
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
    void drawTextItem(const QPointF &p, const QTextItem &item) override
    {
        const QRectF box(p.x(), p.y() - item.ascent(), item.width(),
                         item.ascent() + item.descent());
        pages.last().append({item.text(), box, painter()->pen().color()});
    }
    Type type() const override { return User; }

    QList<QList<TextRun>> pages{{}};
};

const auto accept = [](QWidget *dialog) { QMetaObject::invokeMethod(dialog, "accept"); };
const auto cancel = [](QWidget *dialog) { QMetaObject::invokeMethod(dialog, "reject"); };

// Both dialogs name their printer list "printers". The copies sit behind the print dialog's
// options button, where a user finds them, and nothing there offers a page range, a set of
// pages or the selection: a job is always the whole text.
void choose(QWidget *dialog, const QString &printer, int copies = 0)
{
    auto *printers = dialog->findChild<QComboBox *>("printers");
    QVERIFY(printers && printers->findText(printer) >= 0);
    printers->setCurrentIndex(printers->findText(printer));
    if (!copies)
        return;
    for (auto *button : dialog->findChildren<QAbstractButton *>())
        if (button->text().contains("Options"))
            button->click();
    for (const char *name : {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit",
                             "pageSetCombo", "printSelection", "printCurrentPage"})
        for (QWidget *control : dialog->findChildren<QWidget *>(name))
            QVERIFY2(!control->isVisibleTo(dialog) || !control->isEnabled(), name);
    auto *spin = dialog->findChild<QSpinBox *>("copies");
    QVERIFY(spin && spin->isVisible());
    spin->setValue(copies);
}

struct PagesRow
{
    QString text;
    int points;
    QSize dots;
    int minPages, maxPages;
    bool wholeWords = true;
};

struct PrintRow
{
    QString text;
    QFont font;
    QString caption;
    int minPages, maxPages;
    QString fontName;
    int copies;
    QString attempt; // during the job: print, setup, job or nothing
};

} // namespace

class PageLayoutTest : public QObject
{
    Q_OBJECT
private slots:
    // A painter left with a state it saved, or used wrongly, says so: that fails the test.
    void init() { QTest::failOnWarning(QRegularExpression("^QPainter")); }

    // Each direction by its own resolution, truncated; no resolution gives an empty page.
    void renderRect_isPrintableAreaInTwips()
    {
        const auto twips = [](RenderRect rect) { return QList{rect.right, rect.bottom}; };
        QCOMPARE(twips(renderRect(4799, 6599, 600, 300)), (QList{11517, 31675}));
        QCOMPARE(twips(renderRect(4800, 6600, 0, 0)), (QList{0, 0}));
    }

    // A font sized in screen pixels gets the point size it has on the screen.
    void printFont_keepsTheSizeSeenOnScreen()
    {
        QFont pixels("Courier New");
        pixels.setPixelSize(13);
        QCOMPARE(printFont(pixels, 96).pointSizeF(), 9.75);
        QCOMPARE(printFont(pixels, 72).pointSizeF(), 13.0);
        QCOMPARE(printFont(QFont("Liberation Mono", 11), 96).pointSizeF(), 11.0);
    }

    // Every character once, in black, top to bottom inside its page: lines are broken at blanks
    // where there are any, never cut at an edge, but a page always takes at least one line (even
    // one taller than the page) and one character (even one wider). A page is begun only while
    // text remains. k is how many lines of 12 points fit on 8 x 11 inches by the font's spacing.
    void pages_data()
    {
        QTest::addColumn<PagesRow>("row");
        const QSize letter(4800, 6600), wide(6000, 600);
        const RecordingPage page(letter);
        const int k =
            int(6600 / std::ceil(QFontMetricsF(QFont("Liberation Mono", 12), &page).lineSpacing()));
        QVERIFY(k > 10);
        const QString lines = numbered("<LI>Item %1 of the list", k);
        const auto row = [](const char *name, PagesRow row) { QTest::newRow(name) << row; };
        row("a line of words over pages", {numbered("word%1", 4000, " "), 12, letter, 3, 99});
        // Ordered and all different, so that a character printed twice or lost shows.
        row("a line without blanks", {numbered("%1", 5000, ""), 18, letter, 3, 99, false});
        row("empty document, one blank page", {"", 12, letter, 1, 1});
        row("k lines fill page 1", {lines, 12, letter, 1, 1});
        row("k lines and a final break", {lines + "\r\n", 12, letter, 1, 1});
        row("k + 1 lines", {lines + "\r\nlast", 12, letter, 2, 2});
        row("tall lines, breaks count two", {"ab\r\ncd\r\nef", 200, wide, 3, 3});
        row("a character per line", {"abc", 200, QSize(600, 600), 3, 3, false});
    }
    void pages()
    {
        QFETCH(PagesRow, row);
        RecordingPage out(row.dots);
        const PageFormatter formatter(row.text, QFont("Liberation Mono", row.points), &out,
                                      renderRect(row.dots.width(), row.dots.height(), 600, 600));
        QPainter painter(&out);
        painter.setPen(Qt::yellow); // the editor's pen, which is not printed
        const auto ranges =
            printPages(formatter, &painter, [&] { out.pages.append(QList<TextRun>()); });
        painter.end();
        QCOMPARE(out.pages.size(), ranges.size());
        QVERIFY2(ranges.size() >= row.minPages && ranges.size() <= row.maxPages,
                 qPrintable(QString::number(ranges.size())));
        const QRegularExpression blanks("\\s+");
        const QStringList tokens = row.text.split(blanks);
        const QSet<QString> words(tokens.cbegin(), tokens.cend());
        QString ink;
        for (const auto &page : std::as_const(out.pages)) {
            QList<std::pair<qreal, QString>> lines; // top, text
            for (const auto &run : page) {
                ink += run.text;
                QCOMPARE(run.color, QColor(Qt::black));
                // Qt may draw one printed line as several runs; they share its top.
                QVERIFY(lines.isEmpty() || run.box.top() >= lines.last().first - 0.5);
                if (lines.isEmpty() || run.box.top() != lines.last().first)
                    lines.append({run.box.top(), QString()});
                lines.last().second += run.text;
                QVERIFY2(run.box.left() >= -0.5 &&
                             (run.box.right() <= row.dots.width() + 0.5 || run.text.size() == 1) &&
                             (run.box.bottom() <= row.dots.height() + 0.5 || lines.size() == 1),
                         qPrintable(run.text));
            }
            for (const auto &[top, line] : std::as_const(lines))
                for (const QString &word : line.split(blanks, Qt::SkipEmptyParts))
                    QVERIFY2(!row.wholeWords || words.contains(word), qPrintable(line));
        }
        QCOMPARE(withoutBlanks(ink), withoutBlanks(row.text));
    }
};

class PrintCommandsTest : public QObject
{
    Q_OBJECT
public:
    explicit PrintCommandsTest(PrivateCups &cups) : m_cups(cups) {}

private slots:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("the PDF queue's backend runs only as root");
        const QString error = m_cups.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void init()
    {
        const QString error = m_cups.setQueues({"PDF"});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_window = std::make_unique<QWidget>();
        m_editor = new EditControl(m_window.get());
        m_editor->setBackgroundColor(Qt::darkBlue); // as the main window: not printed
        m_documents = m_cups.documentFiles().size();
    }

    void cleanup()
    {
        m_window.reset();
        QVERIFY(m_cups.waitUntilIdle());
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
    }

    // The whole text in the editor's face, as one job under the caption; copies are left to
    // the printer. Between two pages of a job the window handles events: the user may try
    // Print or Print Setup, confirmed, or the editor a second job. Each is refused, and the job
    // goes on to its end, alone.
    void print_data()
    {
        QTest::addColumn<PrintRow>("row");
        const QFont courier = designFont("Courier New", 13);
        QFont arial = designFont("Arial", 40, true);
        arial.setItalic(true);
        const QString mono = "LiberationMono", list = numbered("<LI>Item %1 of the list", 250);
        const auto row = [](const char *name, PrintRow row) { QTest::newRow(name) << row; };
        row("long path cut to 31 characters",
            {"<HTML>\r\n<BODY>\r\n<P>Caf\u00e9 \u00a9 2024</P>\r\n</BODY>\r\n</HTML>", courier,
             "Tolvan v1.61 - /home/writer/pages/travel/index.html", 1, 1, mono, 1, ""});
        row("bold italic, two copies; Print refused",
            {numbered("<LI>Item %1", 60), arial, untitled, 3, 5, "LiberationSans-BoldItalic", 2,
             "print"});
        row("Print Setup refused", {list, courier, untitled, 3, 5, mono, 1, "setup"});
        row("second job refused", {list, courier, untitled, 3, 5, mono, 1, "job"});
    }
    void print()
    {
        QFETCH(PrintRow, row);
        m_editor->setTextFont(row.font, Qt::yellow);
        m_editor->setWholeText(row.text);
        PrintCommands commands(m_window.get());
        bool finished = false;
        QString refused;
        std::function<void()> tryDuringJob = [&] {
            if (finished)
                return;
            if (!commands.printing())
                return QTimer::singleShot(1, tryDuringJob);
            if (row.attempt != "job")
                whenModalShown(accept);
            refused = errorOf([&] {
                if (row.attempt == "print")
                    commands.cmPrintClick(*m_editor, "another");
                else if (row.attempt == "setup")
                    commands.cmPrintSetupClick();
                else
                    commands.print(*m_editor, "another");
            });
        };
        whenModalShown([&](QWidget *dialog) {
            if (row.copies > 1)
                choose(dialog, "PDF", row.copies);
            if (!row.attempt.isEmpty())
                QTimer::singleShot(0, tryDuringJob);
            accept(dialog);
        });
        commands.cmPrintClick(*m_editor, row.caption);
        finished = true;
        QCOMPARE(refused, row.attempt.isEmpty() ? "" : "Printing in progress");
        QVERIFY(!commands.printing());
        QCOMPARE(commands.printer()->copyCount(), row.copies);

        const QString job = finishJob();
        QCOMPARE(pdfInfo(job, "Title"), row.caption.left(31));
        const int pages = pdfInfo(job, "Pages").toInt();
        QVERIFY2(pages >= row.minPages && pages <= row.maxPages,
                 qPrintable(QString::number(pages)));
        QCOMPARE(withoutBlanks(tool("pdftotext", {"-enc", "UTF-8", job, "-"})),
                 withoutBlanks(row.text));
        QVERIFY(tool("pdffonts", {job}).contains(row.fontName));
    }

    // Without a default printer either command fails before any dialog, and nothing is
    // remembered. Cancelled dialogs change nothing; a confirmed Print Setup holds for the rest
    // of the run, for the print dialog and the job too, until its queue goes away.
    void selection_holdsForTheRun()
    {
        QVERIFY(m_cups.setQueues({"PDF", "Second"}, false).isEmpty());
        m_editor->setWholeText(numbered("<LI>Item %1 of the list", 3));
        PrintCommands commands(m_window.get());
        QTimer watch; // a dialog that comes up is closed, so that a fault cannot hang the test
        connect(&watch, &QTimer::timeout, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        watch.start(10);
        const QString noPrinter = "There is no default printer currently selected";
        QCOMPARE(errorOf([&] { commands.cmPrintClick(*m_editor, untitled); }), noPrinter);
        QCOMPARE(errorOf([&] { commands.cmPrintSetupClick(); }), noPrinter);
        watch.stop();
        QVERIFY(!commands.printer());

        QVERIFY(m_cups.setQueues({"PDF", "Second"}).isEmpty());
        const QPrinter defaults(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
        const auto selected = [&commands] {
            const QPrinter *printer = commands.printer();
            return QString("%1 %2 %3")
                .arg(printer->printerName())
                .arg(printer->copyCount())
                .arg(printer->pageLayout().orientation());
        };
        // All each dialog offers is changed, and then thrown away.
        whenModalShown([](QWidget *dialog) {
            choose(dialog, "Second");
            dialog->findChild<QRadioButton *>("landscape")->click();
            cancel(dialog);
        });
        commands.cmPrintSetupClick();
        whenModalShown([](QWidget *dialog) {
            choose(dialog, "Second", 3);
            cancel(dialog);
        });
        commands.cmPrintClick(*m_editor, untitled);
        QCOMPARE(selected(), QString("PDF %1 %2")
                                 .arg(defaults.copyCount())
                                 .arg(defaults.pageLayout().orientation()));
        QCOMPARE(finishJob(), QString()); // nothing sent

        whenModalShown([](QWidget *dialog) {
            choose(dialog, "Second");
            auto *sizes = dialog->findChild<QComboBox *>("paperSize");
            sizes->setCurrentIndex(sizes->findText("US Letter"));
            dialog->findChild<QRadioButton *>("landscape")->click();
            accept(dialog);
        });
        commands.cmPrintSetupClick();
        QString offered;
        whenModalShown([&offered](QWidget *dialog) {
            offered = dialog->findChild<QComboBox *>("printers")->currentText();
            accept(dialog);
        });
        commands.cmPrintClick(*m_editor, untitled);
        QCOMPARE(offered, "Second");
        QCOMPARE(pdfInfo(finishJob(), "Page size"), "792 x 612 pts (letter)");
        QCOMPARE(tool("lpstat", {"-W", "completed", "-o", "Second"}).count('\n'), 1);

        // The chosen queue goes away; the other is the default now.
        QVERIFY(m_cups.setQueues({"PDF"}).isEmpty());
        m_documents = m_cups.documentFiles().size();
        QCOMPARE(errorOf([&] { commands.print(*m_editor, untitled); }),
                 "Printer selected is not valid");
        QCOMPARE(finishJob(), QString());
    }

    // The text starts at the top-left corner of the printable area (all of the PDF queue's
    // paper), and a tab stops where it does on the screen: the same number of the font's
    // spaces from the line's start. In the font used at start and in a proportional one.
    void paper_cornerAndTabStops()
    {
        static const QRegularExpression word(
            R"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)"[^>]*>([^<]*)</word>)re");
        for (const QFont &font : {designFont("Courier New", 13), QFont("Arial", 14)}) {
            m_editor->setTextFont(font, Qt::yellow);
            m_editor->setWholeText("Top\r\n          X\r\n\tX\r\nab\tX\r\n\t\tX");
            whenModalShown(accept);
            PrintCommands(m_window.get()).cmPrintClick(*m_editor, "corner and tabs");
            const QString bboxes = tool("pdftotext", {"-bbox", finishJob(), "-"});
            m_documents = m_cups.documentFiles().size();
            QMap<std::pair<int, qreal>, QString> words; // by line, then from the left
            for (const auto &m : word.globalMatch(bboxes))
                words.insert({qRound(m.captured(2).toDouble()), m.captured(1).toDouble()},
                             m.captured(3));
            QCOMPARE(words.values(), QStringList({"Top", "X", "X", "ab", "X", "X"}));
            const auto at = words.keys(); // line and left, in points from the paper's corner
            QVERIFY2(at[0].second < 0.5 && at[0].first <= 1, qPrintable(font.family()));
            const qreal space = (at[1].second - at[0].second) / 10; // the second X is after ten
            const qreal stop =
                m_editor->tabStopDistance() / QFontMetricsF(font).horizontalAdvance(' ') * space;
            for (const auto &[word, stops] : {std::pair{2, 1}, {4, 1}, {5, 2}})
                QVERIFY2(qAbs(at[word].second - at[0].second - stops * stop) < 1,
                         qPrintable(font.family() + ": word " + QString::number(word)));
        }
    }

private:
    // The one document sent since the test began, once it has been printed.
    QString finishJob()
    {
        if (!m_cups.waitUntilIdle())
            qWarning("%s", qPrintable(m_cups.log()));
        const QStringList documents = m_cups.documentFiles();
        return documents.size() == m_documents + 1 ? documents.last() : QString();
    }

    static QString tool(const QString &program, const QStringList &arguments)
    {
        QString out;
        const QString error = PrivateCups::run(program, arguments, &out);
        return error.isEmpty() ? out : error;
    }

    static QString pdfInfo(const QString &file, const QString &key)
    {
        const QRegularExpression line('^' + key + ":\\s*(.*)$",
                                      QRegularExpression::MultilineOption);
        return line.match(tool("pdfinfo", {file})).captured(1);
    }

    PrivateCups &m_cups;
    std::unique_ptr<QWidget> m_window;
    EditControl *m_editor = nullptr;
    qsizetype m_documents = 0;
};

int main(int argc, char **argv)
{
    tolvan::test::hermeticHome();
    // Before the application: the printing system takes its server from the environment once.
    PrivateCups cups;
    QApplication app(argc, argv);
    tolvan::platform::installFontSubstitutes();
    return tolvan::test::runTests({new PageLayoutTest, new PrintCommandsTest(cups)}, argc, argv);
}

#include "tst_printing.moc"
