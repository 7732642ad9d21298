#include "common/hermetic.h"
#include "common/modal.h"
#include "platform/editcontrol.h"
#include "platform/fonts.h"
#include "printing/printcommands.h"
#include "privatecups.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QRegularExpression>

using namespace tolvan::printing;
using tolvan::platform::EditControl;
using tolvan::test::PrivateCups;

// What reaches the paper: where the text starts and where its tabs stop, and what the print
// dialog lets a user ask for.
class PrintedPageTest : public QObject
{
    Q_OBJECT
    PrivateCups *m_cups = PrivateCups::current();
    QWidget m_window;
    EditControl *m_editor = new EditControl(&m_window);

private Q_SLOTS:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("the PDF queue's backend runs only as root");
        QVERIFY(m_cups);
        QString error = m_cups->start();
        if (error.isEmpty())
            error = m_cups->setQueues({"PDF"});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    void cleanup() { QVERIFY(m_cups->waitUntilIdle()); }

    // The text starts at the top-left corner of the printable area (all of the PDF queue's
    // paper), and a tab stops where it does on the screen: the same number of the font's
    // spaces from the line's start. In the font used at start and in a proportional one.
    void paper_cornerAndTabStops()
    {
        static const QRegularExpression word(
            R"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)"[^>]*>([^<]*)</word>)re");
        for (const QFont &font :
             {tolvan::platform::designFont("Courier New", 13), QFont("Arial", 14)}) {
            m_editor->setTextFont(font, Qt::yellow);
            m_editor->setWholeText("Top\r\n          X\r\n\tX\r\nab\tX\r\n\t\tX");
            const int before = m_cups->documentFiles().size();
            whenModalShown([](QWidget *dialog) { QMetaObject::invokeMethod(dialog, "accept"); });
            PrintCommands(&m_window).cmPrintClick(*m_editor, "corner and tabs");
            QVERIFY(m_cups->waitUntilIdle());
            const QStringList documents = m_cups->documentFiles();
            QCOMPARE(documents.size(), before + 1);
            QString bboxes; // each word with where it begins, in points from the paper's corner
            PrivateCups::run("pdftotext", {"-bbox", documents.last(), "-"}, &bboxes);
            QMap<std::pair<int, qreal>, QString> words; // by line, then from the left
            for (const auto &m : word.globalMatch(bboxes))
                words.insert({qRound(m.captured(2).toDouble()), m.captured(1).toDouble()},
                             m.captured(3));
            QCOMPARE(words.values(), QStringList({"Top", "X", "X", "ab", "X", "X"}));
            const auto at = words.keys(); // line and left
            QVERIFY2(at[0].second < 0.5 && at[0].first <= 1, qPrintable(font.family()));
            const qreal space = (at[1].second - at[0].second) / 10; // the second X is after ten
            const qreal stop =
                m_editor->tabStopDistance() / QFontMetricsF(font).horizontalAdvance(' ') * space;
            for (const auto &[word, stops] : {std::pair{2, 1}, {4, 1}, {5, 2}})
                QVERIFY2(qAbs(at[word].second - at[0].second - stops * stop) < 1,
                         qPrintable(font.family() + ": word " + QString::number(word)));
        }
    }

    // The dialog offers neither a page range, nor a set of pages, nor the selection.
    void printDialog_offersNoPageRange()
    {
        QStringList offered;
        whenModalShown([&offered](QWidget *dialog) {
            for (auto *button : dialog->findChildren<QAbstractButton *>())
                if (button->text().contains("Options"))
                    button->click();
            for (const char *name :
                 {"copies", "printRange", "from", "to", "pagesRadioButton", "pagesLineEdit",
                  "pageSetCombo", "printSelection", "printCurrentPage"})
                for (QWidget *control : dialog->findChildren<QWidget *>(name))
                    if (control->isVisibleTo(dialog) && control->isEnabled())
                        offered.append(name);
            QMetaObject::invokeMethod(dialog, "reject");
        });
        PrintCommands(&m_window).cmPrintClick(*m_editor, "none");
        QCOMPARE(offered, QStringList({"copies"})); // the one control that is there
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new PrintedPageTest; });

#include "tst_printedpage.moc"
