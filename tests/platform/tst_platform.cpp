#include "common/hermetic.h"
#include "platform/editcontrol.h"
#include "platform/glyphs.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace tolvan::platform;

// Lines "ab", "cde", "" and "fg"; editor positions count each break as two.
static const QString sample = "ab\r\ncde\r\n\r\nfg";

// The edit control: text, lines, selection and long lines.
class PlatformTest : public QObject
{
    Q_OBJECT
private slots:
    // Any line break comes back as CR LF and nothing else breaks a line: the text, the count of
    // its lines (a last empty one not counted) as saved, all of it copied and pasted agree. A new
    // text starts with the caret at the top, whatever the text before it left.
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
        edit.setWholeText(given); // as a page opened: the caret at the top
        QCOMPARE(edit.selStart(), 0);
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
        QCOMPARE(edit.selectedTextInto(buffer), selected.left(buffer - 1));
        // The caret ends after the new text.
        const QString typed = length ? "xy" : "";
        edit.replaceSelection(typed);
        const QString replaced = sample.left(start) + typed + sample.mid(start + selected.size());
        QCOMPARE(edit.wholeText(), replaced);
        QCOMPARE(edit.selStart(), start + typed.size());
        QTest::keyClicks(&edit, "abc");
        edit.undo();
        QCOMPARE(edit.wholeText(), replaced);
        edit.undo();
        QCOMPARE(edit.wholeText(), sample);
    }

    // Long lines wrap at the editor's width, at blanks or, in a word longer than a line, anywhere.
    // A long line keeps its shaped text between layouts once the caret is in it, whatever the
    // edit; a short line keeps nothing.
    void longLines()
    {
        // A minified line: tags, words and characters that need shaping.
        const QString line =
            QString("<a class=\"x\">lantern \u0645\u0631\u062d\u0628\u0627 cafe\u0301 ")
                .repeated(300);
        EditControl edit;
        edit.resize(300, 200);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setWholeText("<P>short</P>\r\n" + line + QString(500, u'w'));
        QCoreApplication::processEvents();
        QCOMPARE(edit.horizontalScrollBar()->maximum(), 0);
        for (const auto &[caret, cached] : {std::pair{5, false}, {5000, true}}) {
            edit.setSelStart(caret);
            QTest::keyClicks(&edit, "quartz\r<b>"); // Enter splits the line
            QCOMPARE(edit.textCursor().block().layout()->cacheEnabled(), cached);
        }
    }

    // A glyph's background, the colour of its bottom-left corner, is see-through wherever it
    // stands, on a button or beside a name in the side panel.
    void glyphs_haveSeeThroughBackground()
    {
        for (const char *name : {"hard", "closedfolder"}) {
            const QImage image = glyph(name).toImage();
            QVERIFY2(!image.isNull() && image.pixelColor(0, image.height() - 1).alpha() == 0 &&
                         image.pixelColor(image.width() / 2, image.height() / 2).alpha() == 255,
                     name);
        }
        const QImage button = buttonIcon("bold").pixmap(16, 16).toImage();
        QCOMPARE(button.pixelColor(0, button.height() - 1).alpha(), 0);
    }
};

TOLVAN_TEST_MAIN(PlatformTest)
#include "tst_platform.moc"
