#include "common/hermetic.h"
#include "markup/markup.h"
#include "platform/editcontrol.h"

#include <QApplication>
#include <QTextBlock>
#include <QTest>

using tolvan::platform::EditControl;
namespace markup = tolvan::markup;

class MarkupTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void command_putsExactTextAndCaret_data();
    void command_putsExactTextAndCaret();
    void fragments_haveTheirLengths_data();
    void fragments_haveTheirLengths();
    void wrap_keepsLongSelectionWhole();
    void wrap_selectAllWrapsWholeDocument();
    void wrap_isOneUndoStep();
    void insert_emptyTextDeletesSelection();
    void colorAttribute_isRrggbbUpperCase_data();
    void colorAttribute_isRrggbbUpperCase();
    void unknownHandler_isNoMarkup();
};

// Each row: a handler, then the document "one two" with "two" selected (or only the caret
// before it), and what the document and the caret become.
void MarkupTest::command_putsExactTextAndCaret_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<bool>("selected");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");
    const auto row = [](const char *name, const char *handler, bool selected, QString expected,
                        int caret) {
        QTest::newRow(name) << QString::fromLatin1(handler) << selected << expected << caret;
    };
    const auto s = [](const char *t) { return QString::fromLatin1(t); };
    row("bold button", "BoldButtonClick", true, s("one <B>two</B>"), 14);
    row("bold menu calls the button", "cmBoldClick", true, s("one <B>two</B>"), 14);
    row("bold at caret", "BoldButtonClick", false, s("one <B></B>two"), 11);
    row("italics menu", "cmItalicsClick", true, s("one <I>two</I>"), 14);
    row("underlined menu", "cmUnderlinedClick", true, s("one <U>two</U>"), 14);
    row("blink", "cmBlinkClick", true, s("one <BLINK>two</BLINK>"), 22);
    row("font", "cmFont1Click", true, s("one <FONT>two</FONT>"), 20);
    row("address", "cmAddressClick", true, s("one <ADDRESS>two</ADDRESS>"), 26);
    row("h3 at caret", "H31Click", false, s("one <H3></H3>two"), 13);
    row("h6", "H61Click", true, s("one <H6>two</H6>"), 16);
    row("comments", "cmCommentsClick", true, s("one <!-- two -->"), 16);
    row("title", "cmTitleClick", true, s("one <TITLE>two</TITLE>"), 22);
    row("body", "cmBodyClick", true, s("one <BODY>two</BODY>"), 20);
    row("center", "CenterButtonClick", true, s("one <CENTER>\r\ntwo\r\n</CENTER>"), 28);
    row("anchor", "HrefButtonClick", true, s("one <A HREF=\"\">two</A>"), 22);
    row("line break replaces", "LineBreak1Click", true, s("one <BR>"), 8);
    row("paragraph at caret", "Paragraph1Click", false, s("one <P>two"), 7);
    row("ruler", "cmHorRulerClick", true, s("one <HR>"), 8);
    row("left justify", "LeftJustButtonClick", true, s("one ALIGN=LEFT"), 14);
    row("right justify", "RightJustButtonClick", true, s("one ALIGN=RIGHT"), 15);
    row("image", "ImageButtonClick", true, s("one <IMG SRC=\"\" BORDER=0 WIDTH= HEIGHT=>"), 40);
    row("unordered list", "UnorderedList1Click", true, s("one <UL>\r\n<LI>\r\n<LI>\r\n</UL>"),
        27);
    row("definition list", "cmDefListClick", false,
        s("one <DL>\r\n<DT>\r\n<DD>\r\n<DT>\r\n<DD>\r\n</DL>two"), 39);
}

void MarkupTest::command_putsExactTextAndCaret()
{
    QFETCH(QString, handler);
    QFETCH(bool, selected);
    EditControl edit;
    edit.setWholeText(QStringLiteral("one two"));
    edit.setModified(false);
    edit.setSelStart(4);
    edit.setSelLength(selected ? 3 : 0);
    const markup::Command *command = markup::commandFor(handler);
    QVERIFY(command);
    markup::run(edit, *command);
    QTEST(edit.wholeText(), "expected");
    QTEST(int(edit.selStart()), "caret");
    QCOMPARE(edit.selLength(), 0);
    QVERIFY(edit.modified());
}

void MarkupTest::fragments_haveTheirLengths_data()
{
    QTest::addColumn<QString>("handler");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("lastLine");
    QTest::newRow("table") << QStringLiteral("cmTableClick") << 93 << QStringLiteral("</TABLE>");
    QTest::newRow("map") << QStringLiteral("cmMapClick") << 113 << QStringLiteral("</MAP>");
    // The signature ends with a line break: the caret starts the next line.
    QTest::newRow("signature") << QStringLiteral("UseTolvanButtonClick") << 158 << QString();
}

void MarkupTest::fragments_haveTheirLengths()
{
    QFETCH(QString, handler);
    QFETCH(int, length);
    const markup::Command *command = markup::commandFor(handler);
    QVERIFY(command);
    QCOMPARE(command->first.size(), length);
    EditControl edit;
    markup::run(edit, *command);
    QCOMPARE(edit.textLength(), length);
    QCOMPARE(edit.selStart(), length);
    QTEST(edit.document()->lastBlock().text(), "lastLine");
}

void MarkupTest::wrap_keepsLongSelectionWhole()
{
    // Far beyond 32,000 characters, over many lines: nothing is cut.
    QString text;
    for (int i = 0; i < 4000; ++i)
        text += QStringLiteral("paragraph %1 text\r\n").arg(i, 5, 10, QLatin1Char('0'));
    EditControl edit;
    edit.setWholeText(text);
    edit.selectAll();
    QVERIFY(edit.selLength() > 32000);
    markup::wrapSelection(edit, QStringLiteral("<CENTER>\r\n"), QStringLiteral("\r\n</CENTER>"));
    const QString expected = QStringLiteral("<CENTER>\r\n") + text + QStringLiteral("\r\n</CENTER>");
    QCOMPARE(edit.wholeText(), expected);
    QCOMPARE(edit.selStart(), expected.size());
}

void MarkupTest::wrap_selectAllWrapsWholeDocument()
{
    EditControl edit;
    edit.setWholeText(QStringLiteral("ab\r\ncd"));
    edit.selectAll();
    markup::wrapSelection(edit, QStringLiteral("<I>"), QStringLiteral("</I>"));
    QCOMPARE(edit.wholeText(), QStringLiteral("<I>ab\r\ncd</I>"));
    QCOMPARE(edit.lineCount(), 2);
    QCOMPARE(edit.selStart(), edit.textLength());
}

void MarkupTest::wrap_isOneUndoStep()
{
    EditControl edit;
    edit.setWholeText(QStringLiteral("keep this paragraph"));
    edit.selectAll();
    markup::insertText(edit, QStringLiteral("<P>"));
    QCOMPARE(edit.wholeText(), QStringLiteral("<P>"));
    edit.undo();
    QCOMPARE(edit.wholeText(), QStringLiteral("keep this paragraph"));

    edit.setSelStart(5);
    edit.setSelLength(4);
    markup::wrapSelection(edit, QStringLiteral("<B>"), QStringLiteral("</B>"));
    QCOMPARE(edit.wholeText(), QStringLiteral("keep <B>this</B> paragraph"));
    edit.undo();
    QCOMPARE(edit.wholeText(), QStringLiteral("keep this paragraph"));
}

void MarkupTest::insert_emptyTextDeletesSelection()
{
    EditControl edit;
    edit.setWholeText(QStringLiteral("abcdef"));
    edit.setSelStart(1);
    edit.setSelLength(3);
    markup::insertText(edit, QString());
    QCOMPARE(edit.wholeText(), QStringLiteral("aef"));
    QCOMPARE(edit.selStart(), 1);
}

void MarkupTest::colorAttribute_isRrggbbUpperCase_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<QString>("text");
    QTest::newRow("red") << QColor(255, 0, 0) << QStringLiteral("COLOR = FF0000");
    QTest::newRow("mixed") << QColor(0x12, 0xAB, 0x0F) << QStringLiteral("COLOR = 12AB0F");
    QTest::newRow("black") << QColor(Qt::black) << QStringLiteral("COLOR = 000000");
    QTest::newRow("blue") << QColor(0, 0, 0xFE) << QStringLiteral("COLOR = 0000FE");
    QTest::newRow("from hsv") << QColor::fromHsv(0, 255, 255) << QStringLiteral("COLOR = FF0000");
}

void MarkupTest::colorAttribute_isRrggbbUpperCase()
{
    QFETCH(QColor, color);
    QTEST(markup::colorAttribute(color), "text");
}

void MarkupTest::unknownHandler_isNoMarkup()
{
    QVERIFY(!markup::commandFor(QStringLiteral("cmOpenClick")));
    QVERIFY(!markup::commandFor(QStringLiteral("ColorButtonClick")));
}

TOLVAN_TEST_MAIN(MarkupTest)

#include "tst_markup.moc"
