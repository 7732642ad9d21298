#include "common/hermetic.h"
#include "common/modal.h"
#include "platform/editcontrol.h"
#include "platform/fonts.h"
#include "printing/printcommands.h"
#include "privatecups.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QRegularExpression>

#include <algorithm>

using namespace tolvan::printing;
using tolvan::platform::EditControl;
using tolvan::test::PrivateCups;

namespace {
struct Word
{
    QString text;
    QPointF topLeft; // in points from the paper's top-left corner
};

// The words of a printed PDF with where each begins.
QList<Word> printedWords(const QString &pdf)
{
    QString html;
    PrivateCups::run("pdftotext", {"-bbox", pdf, "-"}, &html);
    QList<Word> words;
    static const QRegularExpression word(
        R"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)"[^>]*>([^<]*)</word>)re");
    for (const auto &m : word.globalMatch(html))
        words.append({m.captured(3), {m.captured(1).toDouble(), m.captured(2).toDouble()}});
    // In reading order: line by line, each from the left.
    std::sort(words.begin(), words.end(), [](const Word &a, const Word &b) {
        return std::pair(qRound(a.topLeft.y()), a.topLeft.x()) <
               std::pair(qRound(b.topLeft.y()), b.topLeft.x());
    });
    return words;
}
} // namespace

// What reaches the paper: where the text starts and where its tabs stop, and what the print
// dialog lets a user ask for.
class PrintRepairsTest : public QObject
{
    Q_OBJECT
    PrivateCups *m_cups = PrivateCups::current();
    std::unique_ptr<QWidget> m_window;
    EditControl *m_editor = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("the PDF queue's backend runs only as root");
        QVERIFY(m_cups);
        const QString error = m_cups->start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    void init()
    {
        const QString error = m_cups->setQueues({"PDF"});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        m_window = std::make_unique<QWidget>();
        m_editor = new EditControl(m_window.get());
    }
    void cleanup()
    {
        m_window.reset();
        QVERIFY(m_cups->waitUntilIdle());
    }

    // The text starts at the top-left corner of the printable area (all of the PDF queue's
    // paper), and a tab stops where it does on the screen: the same number of the font's
    // spaces from the line's start.
    void paper_cornerAndTabStops_data()
    {
        QTest::addColumn<QFont>("font");
        QTest::newRow("Courier New, as at start")
            << tolvan::platform::designFont("Courier New", 13);
        QTest::newRow("Arial, proportional") << QFont("Arial", 14);
    }
    void paper_cornerAndTabStops()
    {
        QFETCH(QFont, font);
        m_editor->setTextFont(font, Qt::yellow);
        m_editor->setWholeText("Top\r\n          X\r\n\tX\r\nab\tX\r\n\t\tX");
        const qreal stopInSpaces =
            m_editor->tabStopDistance() / QFontMetricsF(font).horizontalAdvance(' ');
        const int before = m_cups->documentFiles().size();
        PrintCommands commands(m_window.get());
        whenModalShown([](QWidget *dialog) { QMetaObject::invokeMethod(dialog, "accept"); });
        commands.cmPrintClick(*m_editor, "corner and tabs");
        QVERIFY(m_cups->waitUntilIdle());
        const QStringList documents = m_cups->documentFiles();
        QCOMPARE(documents.size(), before + 1);

        const QList<Word> words = printedWords(documents.last());
        QStringList texts;
        for (const Word &w : words)
            texts.append(w.text);
        QCOMPARE(texts, QStringList({"Top", "X", "X", "ab", "X", "X"}));
        QVERIFY2(words[0].topLeft.x() < 0.5 && words[0].topLeft.y() < 1.5,
                 qPrintable(QString("%1, %2").arg(words[0].topLeft.x()).arg(words[0].topLeft.y())));
        const qreal left = words[0].topLeft.x();
        const qreal space = (words[1].topLeft.x() - left) / 10; // after ten spaces
        const qreal stop = stopInSpaces * space;
        const struct
        {
            int word;
            int stops;
        } tabbed[] = {{2, 1}, {4, 1}, {5, 2}};
        for (const auto &[word, stops] : tabbed)
            QVERIFY2(qAbs(words[word].topLeft.x() - left - stops * stop) < 1,
                     qPrintable(QString("word %1 at %2, stop %3 at %4")
                                    .arg(word)
                                    .arg(words[word].topLeft.x())
                                    .arg(stops)
                                    .arg(stops * stop)));
    }

    // The dialog offers neither a page range, nor a set of pages, nor the selection.
    void printDialog_offersNoPageRange()
    {
        m_editor->setWholeText("text");
        PrintCommands commands(m_window.get());
        QStringList offered;
        whenModalShown([&offered](QWidget *dialog) {
            for (auto *button : dialog->findChildren<QAbstractButton *>())
                if (button->text().contains("Options"))
                    button->click();
            for (const char *name :
                 {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit", "pageSetCombo",
                  "printSelection", "printCurrentPage"})
                for (QWidget *control : dialog->findChildren<QWidget *>(name))
                    if (control->isVisibleTo(dialog) && control->isEnabled())
                        offered.append(name);
            QMetaObject::invokeMethod(dialog, "reject");
        });
        commands.cmPrintClick(*m_editor, "none");
        QCOMPARE(offered, QStringList());
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new PrintRepairsTest; });

#include "tst_repairs.moc"
