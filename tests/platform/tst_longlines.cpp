#include "common/hermetic.h"
#include "platform/editcontrol.h"

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using namespace tolvan::platform;

namespace {

// A minified line: words, tags, a few characters that need shaping (Arabic, a combining accent).
QString longLine(int length, char tag)
{
    QString line;
    for (int i = 0; line.size() < length; ++i)
        line += i % 17 == 0   ? QStringLiteral("<%1 class=\"x\">").arg(QLatin1Char(tag))
                : i % 29 == 0 ? QStringLiteral("\u0645\u0631\u062d\u0628\u0627 ")
                : i % 31 == 0 ? QStringLiteral("cafe\u0301 ")
                              : QStringLiteral("lantern ");
    return line;
}

void showBeside(EditControl &edit)
{
    edit.resize(600, 400);
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
}

// Every line of the editor as Qt lays it out: where each wrapped row starts and ends, and the
// caret's x at a few places along the line.
QList<qreal> layoutOf(const EditControl &edit)
{
    QList<qreal> shape;
    auto *layout = edit.document()->documentLayout();
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next()) {
        layout->blockBoundingRect(b); // lays the line out if it is not yet
        const QTextLayout *l = b.layout();
        shape << l->lineCount();
        for (int i = 0; i < l->lineCount(); ++i) {
            const QTextLine line = l->lineAt(i);
            shape << line.textStart() << line.textLength()
                  << line.cursorToX(line.textStart() + line.textLength() / 2);
        }
    }
    return shape;
}

enum class Edit { Type, Backspace, Enter, JoinLines, Undo, Paste };

} // namespace

// Long lines keep their shaped text between layouts; every edit must still be laid out as the
// same text would be when opened afresh, and only long lines may keep anything.
class LongLinesTest : public QObject
{
    Q_OBJECT
private slots:
    void editedLineLaysOutAsOpened_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<bool>("kept");
        const QString a = longLine(10000, 'a');
        const QString b = longLine(6000, 'b');
        QTest::newRow("typing in a long line") << a << 5000 << Edit::Type << true;
        QTest::newRow("backspace in a long line") << a << 5000 << Edit::Backspace << true;
        QTest::newRow("enter splits a long line") << a << 5000 << Edit::Enter << true;
        QTest::newRow("backspace joins two long lines")
            << a + "\r\n" + b << int(a.size()) + 2 << Edit::JoinLines << true;
        QTest::newRow("typing undone") << a << 5000 << Edit::Undo << true;
        QTest::newRow("lines pasted into a long line") << a << 5000 << Edit::Paste << true;
        QTest::newRow("typing in a short line")
            << "<P>short</P>\r\n" + b << 5 << Edit::Type << false;
    }
    void editedLineLaysOutAsOpened()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(Edit, edit);
        QFETCH(bool, kept);
        EditControl editor;
        showBeside(editor);
        editor.setWholeText(text);
        editor.setSelStart(caret);
        switch (edit) {
        case Edit::Type:
            QTest::keyClicks(&editor, QStringLiteral("quartz <b>"));
            break;
        case Edit::Backspace:
            for (int i = 0; i < 5; ++i)
                QTest::keyClick(&editor, Qt::Key_Backspace);
            break;
        case Edit::Enter:
            QTest::keyClick(&editor, Qt::Key_Return);
            QTest::keyClicks(&editor, QStringLiteral("x"));
            break;
        case Edit::JoinLines:
            QTest::keyClick(&editor, Qt::Key_Backspace);
            QTest::keyClicks(&editor, QStringLiteral("y"));
            break;
        case Edit::Undo:
            QTest::keyClicks(&editor, QStringLiteral("lantern"));
            editor.undo();
            break;
        case Edit::Paste:
            editor.replaceSelection(QStringLiteral("one\r\n") + longLine(5000, 'c') +
                                    QStringLiteral("\r\ntwo"));
            break;
        }
        QCOMPARE(editor.textCursor().block().layout()->cacheEnabled(), kept);

        EditControl opened;
        showBeside(opened);
        opened.setWholeText(editor.wholeText());
        // Both settle at the same width once their scroll bars are decided.
        QTRY_COMPARE(layoutOf(editor), layoutOf(opened));
    }
};

TOLVAN_TEST_MAIN(LongLinesTest)
#include "tst_longlines.moc"
