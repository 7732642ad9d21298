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
    // A handler run on "one two" with "two" selected, or with only the caret before it: the page
    // becomes `expected` in one undo step, the caret after the new text.
    void command_data()
    {
        QTest::addColumn<QString>("handler");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *handler, bool selected, const char *expected) {
            QTest::newRow(handler) << QString(handler) << selected << QString(expected);
        };
        row("BoldButtonClick", false, "one <B></B>two");
        // The Character menu's first three items run the toolbar buttons' commands.
        row("cmBoldClick", true, "one <B>two</B>");
        row("cmItalicsClick", true, "one <I>two</I>");
        row("cmUnderlinedClick", true, "one <U>two</U>");
        row("H31Click", true, "one <H3>two</H3>");
        row("cmCommentsClick", true, "one <!-- two -->");
        row("CenterButtonClick", true, "one <CENTER>\r\ntwo\r\n</CENTER>");
        row("HrefButtonClick", true, "one <A HREF=\"\">two</A>");
        row("LineBreak1Click", true, "one <BR>");
        row("Paragraph1Click", false, "one <P>two");
        row("cmDefListClick", false, "one <DL>\r\n<DT>\r\n<DD>\r\n<DT>\r\n<DD>\r\n</DL>two");
    }
    void command()
    {
        QFETCH(QString, handler);
        QFETCH(bool, selected);
        QFETCH(QString, expected);
        EditControl edit;
        edit.setWholeText("one two");
        edit.setModified(false);
        edit.setSelStart(4);
        edit.setSelLength(selected ? 3 : 0);
        const markup::Command *command = markup::commandFor(handler);
        QVERIFY(command);
        markup::run(edit, *command);
        QCOMPARE(edit.wholeText(), expected);
        QCOMPARE(edit.selStart(), expected.size() - (selected ? 0 : 3));
        QCOMPARE(edit.selLength(), 0);
        QVERIFY(edit.modified());
        edit.undo();
        QCOMPARE(edit.wholeText(), "one two");
    }

    // Every element a command opens it closes: a wrapping command's suffix, and the last line of
    // a fragment of several lines, ends in the closing tag of the element its text starts with.
    void catalogue_closesWhatItOpens()
    {
        int checked = 0;
        for (const markup::Command &c : markup::catalogue()) {
            const QString tag = QRegularExpression("^<([A-Z0-9]+)").match(c.first).captured(1);
            const bool wrap = c.action == markup::Action::Wrap;
            if (tag.isEmpty() || (!wrap && !c.first.contains("\r\n")))
                continue;
            const QString end = (wrap ? c.second : c.first).trimmed().section("\r\n", -1);
            QVERIFY2(end.endsWith("</" + tag + ">"), qPrintable(c.handler));
            ++checked;
        }
        QCOMPARE(checked, 16 + 5); // every wrap but Comments; Table, Map, the lists, signature
        // The fragments are whole; the signature ends with a line break, so the caret starts the
        // next line.
        QCOMPARE(markup::commandFor("cmTableClick")->first.size(), 93);
        QCOMPARE(markup::commandFor("cmMapClick")->first.size(), 113);
        EditControl edit;
        markup::run(edit, *markup::commandFor("UseTolvanButtonClick"));
        QVERIFY(edit.wholeText().endsWith("</FONT></CENTER>\r\n"));
        QCOMPARE(edit.selStart(), 158);
        // The colour is RRGGBB in upper-case hexadecimal; Color and the rest are no markup here.
        QCOMPARE(markup::colorAttribute(QColor(0x12, 0xAB, 0x0F)), "COLOR = 12AB0F");
        QVERIFY(!markup::commandFor("cmOpenClick") && !markup::commandFor("ColorButtonClick"));
    }

    void wrap_keepsLongSelectionWhole()
    {
        // Far beyond 32,000 characters, over many lines: nothing is cut.
        const QString text = QString("a paragraph of text\r\n").repeated(4000);
        EditControl edit;
        edit.setWholeText(text);
        edit.selectAll();
        markup::wrapSelection(edit, "<CENTER>\r\n", "\r\n</CENTER>");
        const QString expected = "<CENTER>\r\n" + text + "\r\n</CENTER>";
        QCOMPARE(edit.wholeText(), expected);
        QCOMPARE(edit.selStart(), expected.size());
    }
};

TOLVAN_TEST_MAIN(MarkupTest)

#include "tst_markup.moc"
