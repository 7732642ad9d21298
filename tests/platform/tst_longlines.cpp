#include "common/hermetic.h"
#include "platform/editcontrol.h"

#include <QApplication>
#include <QClipboard>
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

// Every line of the editor as Qt lays it out: where each wrapped row starts and ends, and the
// caret's x at a few places along the line.
QList<qreal> layoutOf(const EditControl &edit)
{
    QList<qreal> shape;
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next()) {
        edit.document()->documentLayout()->blockBoundingRect(b); // lays the line out if not yet
        for (int i = 0; i < b.layout()->lineCount(); ++i) {
            const QTextLine line = b.layout()->lineAt(i);
            shape << i << line.textStart() << line.textLength()
                  << line.cursorToX(line.textStart() + line.textLength() / 2);
        }
    }
    return shape;
}

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
        QTest::addColumn<QString>("typed"); // \b is Backspace, \r is Enter
        QTest::addColumn<QKeySequence::StandardKey>("then");
        const QString a = longLine(10000, 'a');
        const QString b = longLine(6000, 'b');
        const auto none = QKeySequence::UnknownKey;
        QTest::newRow("typing in a long line") << a << 5000 << "quartz <b>" << none;
        QTest::newRow("backspace in a long line") << a << 5000 << "\b\b\b\b\b" << none;
        QTest::newRow("enter splits a long line") << a << 5000 << "\rx" << none;
        QTest::newRow("backspace joins two long lines")
            << a + "\r\n" + b << int(a.size()) + 2 << "\by" << none;
        QTest::newRow("typing undone") << a << 5000 << "lantern" << QKeySequence::Undo;
        QTest::newRow("lines pasted into a long line") << a << 5000 << "" << QKeySequence::Paste;
        QTest::newRow("typing in a short line")
            << "<P>short</P>\r\n" + b << 5 << "quartz <b>" << none;
    }
    void editedLineLaysOutAsOpened()
    {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, typed);
        QFETCH(QKeySequence::StandardKey, then);
        QApplication::clipboard()->setText("one\n" + longLine(5000, 'c') + "\ntwo");
        EditControl editor, opened;
        for (EditControl *edit : {&editor, &opened}) {
            edit->resize(600, 400);
            edit->show();
            QVERIFY(QTest::qWaitForWindowExposed(edit));
        }
        editor.setWholeText(text);
        editor.setSelStart(caret);
        QTest::keyClicks(&editor, typed);
        QTest::keySequence(&editor, then);                   // none for UnknownKey
        const QTextBlock line = editor.textCursor().block(); // only a long one keeps shaped text
        QCOMPARE(line.layout()->cacheEnabled(), line.length() > 1000);
        opened.setWholeText(editor.wholeText());
        // Both settle at the same width once their scroll bars are decided.
        QTRY_COMPARE(layoutOf(editor), layoutOf(opened));
    }
};

TOLVAN_TEST_MAIN(LongLinesTest)
#include "tst_longlines.moc"
