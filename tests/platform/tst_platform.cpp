#include "common/hermetic.h"
#include "platform/editcontrol.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace tolvan::platform;

namespace {
// Lines "ab", "cde", "" and "fg"; editor positions count each break as two.
const QString sample = "ab\r\ncde\r\n\r\nfg";

// A minified line: words, tags, a few characters that need shaping (Arabic, a combining accent).
QString longLine(int length)
{
    QString line;
    for (int i = 0; line.size() < length; ++i)
        line += i % 17 == 0   ? QStringLiteral("<a class=\"x\">")
                : i % 29 == 0 ? QStringLiteral("\u0645\u0631\u062d\u0628\u0627 ")
                : i % 31 == 0 ? QStringLiteral("cafe\u0301 ")
                              : QStringLiteral("lantern ");
    return line;
}

// Every line of the editor as Qt lays it out: where each wrapped row starts and ends, and the
// caret's x halfway along it.
QList<qreal> layoutOf(const EditControl &edit)
{
    QList<qreal> shape;
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next()) {
        edit.document()->documentLayout()->blockBoundingRect(b); // lays the line out if not yet
        for (int i = 0; i < b.layout()->lineCount(); ++i) {
            const QTextLine line = b.layout()->lineAt(i);
            shape << line.textStart() << line.textLength()
                  << line.cursorToX(line.textStart() + line.textLength() / 2);
        }
    }
    return shape;
}
} // namespace

// The edit control: text, lines, selection, a fresh page and long lines.
class PlatformTest : public QObject
{
    Q_OBJECT
private slots:
    // Any line break comes back as CR LF and nothing else breaks a line: the text, its length,
    // its lines (a last empty one not counted) as saved, all of it copied and pasted agree.
    void text_data()
    {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("lines");
        const auto row = [](const char *name, const QString &given, const QStringList &lines,
                            const QString &expected = {}) {
            QTest::newRow(name) << given << (expected.isNull() ? given : expected) << lines;
        };
        row("crlf", sample, {"ab", "cde", "", "fg"});
        row("lone cr, lone lf", "a\r\n\rb\n", {"a", "", "b"}, "a\r\n\r\nb\r\n");
        row("empty", QString(), {});
        // Qt's own text would turn the first two into a space and a line break, and end a block
        // at the others.
        row("no-break space, line and paragraph separators, frame marks",
            "a\u00a0b\u2028c\u2029d\ufdd0e\ufdd1\r\n\ufdd0",
            {"a\u00a0b\u2028c\u2029d\ufdd0e\ufdd1", "\ufdd0"});
        // U+10F029 and U+10F5D0 end in the code units that stand in for U+2029 and U+FDD0.
        row("characters ending in a stand-in's code unit", "\U0010F029\u2029\U0010F5D0",
            {"\U0010F029\u2029\U0010F5D0"});
    }
    void text()
    {
        QFETCH(QString, given);
        QFETCH(QString, expected);
        QFETCH(QStringList, lines);
        EditControl edit;
        edit.setWholeText(given);
        QCOMPARE(edit.wholeText(), expected);
        QCOMPARE(edit.lineCount(), lines.size());
        QCOMPARE(edit.fileText(), lines.isEmpty() ? QString() : lines.join("\r\n") + "\r\n");
        edit.selectAll();
        QApplication::clipboard()->clear();
        edit.copy(); // with LF, as other programs expect
        QCOMPARE(QApplication::clipboard()->text(), QString(expected).replace("\r\n", "\n"));
        QApplication::clipboard()->setText(expected);
        edit.paste();
        QCOMPARE(edit.wholeText(), expected);
    }

    // The selection of the sample in editor positions, as text, into a buffer of `buffer`
    // characters that keeps room for a closing zero, and replaced (by nothing when nothing is
    // selected) in one undo step, apart from the typing after it.
    void selection_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("selected");
        QTest::addColumn<int>("buffer");
        QTest::newRow("over a break, cut between cr and lf") << 1 << 4 << "b\r\nc" << 3;
        QTest::newRow("an empty line's break, just fits") << 9 << 2 << "\r\n" << 3;
        QTest::newRow("caret only") << 7 << 0 << QString() << 5;
        QTest::newRow("past the end, room for the zero only") << 12 << 50 << "g" << 1;
    }
    void selection()
    {
        QFETCH(int, start);
        QFETCH(int, length);
        QFETCH(QString, selected);
        QFETCH(int, buffer);
        EditControl edit;
        edit.setWholeText(sample);
        edit.setSelStart(start);
        edit.setSelLength(length);
        QCOMPARE(edit.selStart(), start);
        QCOMPARE(edit.selText(), selected);
        QCOMPARE(edit.selectedTextInto(buffer), selected.left(buffer - 1));
        // The caret ends after the new text; the page is changed, even when nothing replaced
        // nothing.
        edit.setModified(false);
        const QString typed = length ? "xy" : "";
        edit.replaceSelection(typed);
        const QString replaced = sample.left(start) + typed + sample.mid(start + selected.size());
        QCOMPARE(edit.wholeText(), replaced);
        QCOMPARE(edit.selStart(), start + typed.size());
        QVERIFY(edit.modified());
        QTest::keyClicks(&edit, "abc");
        edit.undo();
        QCOMPARE(edit.wholeText(), replaced);
        edit.undo();
        QCOMPARE(edit.wholeText(), sample);
    }

    // A new text, as an opened page, starts with the caret at the top, nothing selected and the
    // view at the first line, whatever the text before it left. Long lines wrap
    // at the editor's width, at blanks or, in a word longer than a line, anywhere.
    void setWholeText_startsAfresh()
    {
        EditControl edit;
        edit.resize(300, 200);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        const QString many = QString("a line\r\n").repeated(500);
        edit.setWholeText(many);
        edit.setSelStart(many.size() - 20);
        edit.setSelLength(3);
        QVERIFY(edit.verticalScrollBar()->value() > 0);
        edit.setWholeText(many);
        QCOMPARE(edit.selStart(), 0);
        QCOMPARE(edit.selLength(), 0);
        QCoreApplication::processEvents();
        QCOMPARE(edit.verticalScrollBar()->value(), 0);
        edit.setWholeText(QString("words ").repeated(100) + QString(500, u'w'));
        QCoreApplication::processEvents();
        QCOMPARE(edit.horizontalScrollBar()->maximum(), 0);
    }

    // Long lines keep their shaped text between layouts, short ones nothing; an edited line must
    // still be laid out as the same text opened afresh.
    void longLines()
    {
        const QString line = longLine(10000);
        for (const auto &[text, caret] : {std::pair{line, 5000}, {"<P>short</P>\r\n" + line, 5}}) {
            EditControl editor, opened;
            for (EditControl *edit : {&editor, &opened}) {
                edit->resize(600, 400);
                edit->show();
                QVERIFY(QTest::qWaitForWindowExposed(edit));
            }
            editor.setWholeText(text);
            editor.setSelStart(caret);
            QTest::keyClicks(&editor, "quartz\r<b>"); // Enter splits the line
            const QTextBlock block = editor.textCursor().block();
            QCOMPARE(block.layout()->cacheEnabled(), block.length() > 1000);
            opened.setWholeText(editor.wholeText());
            // Both settle at the same width once their scroll bars are decided.
            QTRY_COMPARE(layoutOf(editor), layoutOf(opened));
        }
    }
};

TOLVAN_TEST_MAIN(PlatformTest)
#include "tst_platform.moc"
