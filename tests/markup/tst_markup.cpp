#include "common/hermetic.h"
#include "markup/markup.h"
#include "platform/editcontrol.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTest>

using tolvan::platform::EditControl;
namespace markup = tolvan::markup;

class MarkupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The handler a row is named for, run on "one two" with "two" selected or with only the
    // caret before it: the page becomes `expected` in one undo step, the caret after the new text.
    void command_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("expected");
        QTest::newRow("BoldButtonClick") << false << QString("one <B></B>two");
        // The Character menu's first three items run the toolbar buttons' commands.
        QTest::newRow("cmItalicsClick") << true << QString("one <I>two</I>");
        QTest::newRow("CenterButtonClick") << true << QString("one <CENTER>\r\ntwo\r\n</CENTER>");
        QTest::newRow("LineBreak1Click") << true << QString("one <BR>");
    }
    void command()
    {
        QFETCH(bool, selected);
        QFETCH(QString, expected);
        EditControl edit;
        edit.setWholeText("one two");
        edit.setSelStart(4);
        edit.setSelLength(selected ? 3 : 0);
        markup::run(edit, *markup::commandFor(QTest::currentDataTag()));
        QCOMPARE(edit.wholeText(), expected);
        QCOMPARE(edit.selStart(), expected.size() - (selected ? 0 : 3));
        edit.undo();
        QCOMPARE(edit.wholeText(), "one two");
    }

    // Every element a command opens it closes: a wrapping command's suffix, and the last line of
    // a fragment of several lines, ends in the closing tag of the element its text starts with.
    void catalogue_closesWhatItOpens()
    {
        for (const markup::Command &c : markup::catalogue()) {
            const QString tag = QRegularExpression("^<([A-Z0-9]+)").match(c.first).captured(1);
            const bool wrap = c.action == markup::Action::Wrap;
            if (tag.isEmpty() || (!wrap && !c.first.contains("\r\n")))
                continue;
            const QString end = (wrap ? c.second : c.first).trimmed().section("\r\n", -1);
            QVERIFY2(end.endsWith("</" + tag + ">"), qPrintable(c.handler));
        }
        // The colour is RRGGBB in upper-case hexadecimal; Color and the rest are no markup here.
        QCOMPARE(markup::colorAttribute(QColor(0x12, 0xAB, 0x0F)), "COLOR = 12AB0F");
        QVERIFY(!markup::commandFor("cmOpenClick") && !markup::commandFor("ColorButtonClick"));
    }
};

TOLVAN_TEST_MAIN(MarkupTest)

#include "tst_markup.moc"
