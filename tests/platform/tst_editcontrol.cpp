#include "platform/editcontrol.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>

using tolvan::platform::EditControl;

// Three lines: "ab" CR LF "cde" CR LF "" CR LF "fg"; editor positions count each break as two.
static const QString sample = QStringLiteral("ab\r\ncde\r\n\r\nfg");

class EditControlTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wholeText_keepsLineBreaksAsCrLf_data();
    void wholeText_keepsLineBreaksAsCrLf();
    void selection_roundTripsEditorPositions_data();
    void selection_roundTripsEditorPositions();
    void selectedTextInto_honoursBufferSize_data();
    void selectedTextInto_honoursBufferSize();
    void replaceSelection_isOneUndoStepAndSetsModified();
    void setWholeText_startsAfresh();
    void lines_leaveOutLastEmptyLine_data();
    void lines_leaveOutLastEmptyLine();
    void findText_flagsAndRange_data();
    void findText_flagsAndRange();
    void text_keepsNoBreakSpaceAndLineSeparator();
    void clipboard_copyAndPasteKeepText();
    void positions_mapDeepInLongDocument();
};

void EditControlTest::wholeText_keepsLineBreaksAsCrLf_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<qsizetype>("length");
    QTest::newRow("crlf") << sample << sample << qsizetype(13);
    QTest::newRow("lone lf") << QStringLiteral("a\nb") << QStringLiteral("a\r\nb") << qsizetype(4);
    QTest::newRow("lone cr") << QStringLiteral("a\rb") << QStringLiteral("a\r\nb") << qsizetype(4);
    QTest::newRow("mixed") << QStringLiteral("a\r\n\rb\n") << QStringLiteral("a\r\n\r\nb\r\n")
                           << qsizetype(8);
    QTest::newRow("empty") << QString() << QString() << qsizetype(0);
    // Characters the text document would take as the end of a block are kept as characters.
    QTest::newRow("paragraph separator and frame marks")
        << QStringLiteral("a\u2029b\ufdd0c\ufdd1d\n")
        << QStringLiteral("a\u2029b\ufdd0c\ufdd1d\r\n") << qsizetype(9);
}

void EditControlTest::wholeText_keepsLineBreaksAsCrLf()
{
    QFETCH(QString, given);
    EditControl edit;
    edit.setWholeText(given);
    QTEST(edit.wholeText(), "expected");
    QTEST(edit.textLength(), "length");
}

void EditControlTest::selection_roundTripsEditorPositions_data()
{
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("selected");
    QTest::newRow("first line") << qsizetype(0) << qsizetype(2) << QStringLiteral("ab");
    QTest::newRow("over a break") << qsizetype(1) << qsizetype(4) << QStringLiteral("b\r\nc");
    QTest::newRow("second line") << qsizetype(4) << qsizetype(3) << QStringLiteral("cde");
    QTest::newRow("empty line") << qsizetype(9) << qsizetype(2) << QStringLiteral("\r\n");
    QTest::newRow("last line") << qsizetype(11) << qsizetype(2) << QStringLiteral("fg");
    QTest::newRow("everything") << qsizetype(0) << qsizetype(13) << sample;
    QTest::newRow("caret only") << qsizetype(7) << qsizetype(0) << QString();
    QTest::newRow("past the end") << qsizetype(12) << qsizetype(50) << QStringLiteral("g");
}

void EditControlTest::selection_roundTripsEditorPositions()
{
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(QString, selected);
    EditControl edit;
    edit.setWholeText(sample);
    edit.setSelStart(start);
    QCOMPARE(edit.selLength(), 0);
    edit.setSelLength(length);
    QCOMPARE(edit.selStart(), start);
    QCOMPARE(edit.selLength(), selected.size());
    QCOMPARE(edit.selText(), selected);
    // The whole text addresses the selection with the same positions.
    QCOMPARE(edit.wholeText().mid(start, selected.size()), selected);
}

void EditControlTest::selectedTextInto_honoursBufferSize_data()
{
    QTest::addColumn<qsizetype>("bufferSize");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << qsizetype(7) << QStringLiteral("b\r\ncde");
    QTest::newRow("larger") << qsizetype(100) << QStringLiteral("b\r\ncde");
    QTest::newRow("cut between cr and lf") << qsizetype(3) << QStringLiteral("b\r");
    QTest::newRow("room for the zero only") << qsizetype(1) << QString();
}

void EditControlTest::selectedTextInto_honoursBufferSize()
{
    QFETCH(qsizetype, bufferSize);
    EditControl edit;
    edit.setWholeText(sample);
    edit.setSelStart(1);
    edit.setSelLength(6);
    QTEST(edit.selectedTextInto(bufferSize), "expected");
}

void EditControlTest::replaceSelection_isOneUndoStepAndSetsModified()
{
    EditControl edit;
    edit.setWholeText(sample);
    edit.setModified(false);
    edit.setSelStart(4);
    edit.setSelLength(3);
    edit.replaceSelection(QStringLiteral("x\r\ny"));
    QCOMPARE(edit.wholeText(), QStringLiteral("ab\r\nx\r\ny\r\n\r\nfg"));
    QCOMPARE(edit.selStart(), 8);
    QCOMPARE(edit.selLength(), 0);
    QVERIFY(edit.modified());
    edit.undo();
    QCOMPARE(edit.wholeText(), sample);

    // Replacing nothing with nothing still counts as an edit.
    edit.setModified(false);
    edit.setSelStart(0);
    edit.replaceSelection(QString());
    QVERIFY(edit.modified());
}

// A new text, as an opened page, starts with the caret at the top, nothing selected, the view
// at the first line and nothing to undo, whatever the text before it left.
void EditControlTest::setWholeText_startsAfresh()
{
    EditControl edit;
    edit.resize(300, 200);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QString many;
    for (int i = 0; i < 500; ++i)
        many += QStringLiteral("line %1\r\n").arg(i);
    edit.setWholeText(many);
    edit.setSelStart(many.size() - 20);
    edit.setSelLength(5);
    edit.replaceSelection(QStringLiteral("typed"));
    edit.ensureCursorVisible();
    QVERIFY(edit.verticalScrollBar()->value() > 0);

    edit.setWholeText(many);
    QCOMPARE(edit.selStart(), 0);
    QCOMPARE(edit.selLength(), 0);
    QVERIFY(!edit.document()->isUndoAvailable());
    QCoreApplication::processEvents();
    QCOMPARE(edit.verticalScrollBar()->value(), 0);
    QCOMPARE(edit.wholeText(), many);
}

void EditControlTest::lines_leaveOutLastEmptyLine_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("empty") << QString() << QStringList();
    QTest::newRow("one line") << QStringLiteral("abc") << QStringList{QStringLiteral("abc")};
    QTest::newRow("trailing break")
        << QStringLiteral("abc\r\n") << QStringList{QStringLiteral("abc")};
    QTest::newRow("blank lines") << QStringLiteral("a\r\n\r\n")
                                 << QStringList{QStringLiteral("a"), QString()};
    QTest::newRow("sample") << sample
                            << QStringList{QStringLiteral("ab"), QStringLiteral("cde"), QString(),
                                           QStringLiteral("fg")};
    QTest::newRow("paragraph separator is no break")
        << QStringLiteral("a\u2029b\r\n\ufdd0")
        << QStringList{QStringLiteral("a\u2029b"), QStringLiteral("\ufdd0")};
    // U+10F029 and U+10F5D0 end in code units that stand in for U+2029 and U+FDD0 in the editor.
    QTest::newRow("characters ending in a stand-in's code unit")
        << QStringLiteral("\U0010F029\u2029\U0010F5D0")
        << QStringList{QStringLiteral("\U0010F029\u2029\U0010F5D0")};
}

void EditControlTest::lines_leaveOutLastEmptyLine()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    EditControl edit;
    edit.setWholeText(text);
    QCOMPARE(edit.lineCount(), lines.size());
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(edit.line(i), lines.at(i));
}

void EditControlTest::findText_flagsAndRange_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<qsizetype>("from");
    QTest::addColumn<qsizetype>("to");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<qsizetype>("expected");
    // "Table tab\r\nTAB table_x tab"
    QTest::newRow("any case") << QStringLiteral("tab") << qsizetype(0) << qsizetype(-1) << false
                              << false << qsizetype(0);
    QTest::newRow("match case") << QStringLiteral("TAB") << qsizetype(0) << qsizetype(-1) << false
                                << true << qsizetype(11);
    QTest::newRow("whole word") << QStringLiteral("tab") << qsizetype(0) << qsizetype(-1) << true
                                << false << qsizetype(6);
    QTest::newRow("whole word and case") << QStringLiteral("tab") << qsizetype(7) << qsizetype(-1)
                                         << true << true << qsizetype(23);
    QTest::newRow("underscore joins words") << QStringLiteral("table") << qsizetype(1)
                                            << qsizetype(-1) << true << false << qsizetype(-1);
    QTest::newRow("from second line") << QStringLiteral("tab") << qsizetype(12) << qsizetype(-1)
                                      << false << false << qsizetype(15);
    QTest::newRow("match must end in range") << QStringLiteral("tab") << qsizetype(12)
                                             << qsizetype(17) << false << false << qsizetype(-1);
    QTest::newRow("across a break") << QStringLiteral("tab\r\nTAB") << qsizetype(0)
                                    << qsizetype(-1) << false << true << qsizetype(6);
    QTest::newRow("missing") << QStringLiteral("tr") << qsizetype(0) << qsizetype(-1) << false
                             << false << qsizetype(-1);
}

void EditControlTest::findText_flagsAndRange()
{
    QFETCH(QString, what);
    QFETCH(qsizetype, from);
    QFETCH(qsizetype, to);
    QFETCH(bool, wholeWord);
    QFETCH(bool, matchCase);
    EditControl edit;
    edit.setWholeText(QStringLiteral("Table tab\r\nTAB table_x tab"));
    QTEST(edit.findText(what, from, to, {wholeWord, matchCase}), "expected");
}

void EditControlTest::text_keepsNoBreakSpaceAndLineSeparator()
{
    const QString text = QStringLiteral("a\u00A0b\u2028c\r\nd");
    EditControl edit;
    edit.setWholeText(text);
    QCOMPARE(edit.wholeText(), text);
    QCOMPARE(edit.lineCount(), 2);
    edit.selectAll();
    QCOMPARE(edit.selText(), text);
}

void EditControlTest::clipboard_copyAndPasteKeepText()
{
    EditControl edit;
    edit.setWholeText(QStringLiteral("x\u00A0y\r\nz"));
    edit.selectAll();
    edit.copy();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("x\u00A0y\nz"));
    QApplication::clipboard()->setText(QStringLiteral("1\r\n2"));
    edit.setSelStart(0);
    edit.paste();
    QCOMPARE(edit.wholeText(), QStringLiteral("1\r\n2x\u00A0y\r\nz"));
}

void EditControlTest::positions_mapDeepInLongDocument()
{
    // 200,000 lines: a position deep in the text maps to its line and back exactly.
    QString text;
    for (int i = 0; i < 200000; ++i)
        text += QStringLiteral("line %1\r\n").arg(i, 6, 10, QLatin1Char('0'));
    EditControl edit;
    edit.setWholeText(text);
    const qsizetype pos = 13 * 150000 + 5;
    edit.setSelStart(pos);
    edit.setSelLength(6);
    QCOMPARE(edit.selText(), QStringLiteral("150000"));
    QCOMPARE(edit.selStart(), pos);
    QCOMPARE(edit.textLength(), text.size());
}

QObject *makeEditControlTest()
{
    return new EditControlTest;
}

#include "tst_editcontrol.moc"
