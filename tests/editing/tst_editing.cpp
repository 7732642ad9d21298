#include "common/hermetic.h"
#include "common/modal.h"
#include "editing/appearance.h"
#include "editing/search.h"
#include "editing/searchdialogs.h"
#include "platform/editcontrol.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

using namespace tolvan::editing;
using tolvan::platform::EditControl;

namespace {
// The text, the selection, what is searched for with which options ("word", "case", "all" for
// Replace All) and the replacement; the text after Replace All, and where the match found
// starts or the caret ends (-1: "Cannot find", nothing changes).
struct SearchRow
{
    QString text;
    int selStart, selLength;
    QString what, options, with, expected;
    qsizetype at;
};
// Editor Background Color, Editor Font Color or Editor Font; the editor's font; the key pressed
// (in the font dialog, in the name field); whether another font and colour are picked first.
enum Command { Back, Fore, Font };
struct AppearanceRow
{
    Command command;
    QFont font;
    Qt::Key key;
    bool pick;
};
} // namespace

class EditingTest : public QObject
{
    Q_OBJECT
    EditControl *m_edit = nullptr; // the main window as the search commands see it
    SearchCommands *m_search = nullptr;
    QTimer m_answer;   // answers every message box, so that a search never hangs
    QString m_message; // the text of the last box answered

private Q_SLOTS:
    void initTestCase()
    {
        connect(&m_answer, &QTimer::timeout, this, [this] {
            QWidget *box = QApplication::activeModalWidget();
            if (QWidget *message = box ? box->findChild<QWidget *>("Message") : nullptr) {
                m_message = message->accessibleName();
                box->close();
            }
        });
        m_answer.start(20);
    }
    void init()
    {
        m_edit = new EditControl;
        m_search = new SearchCommands(m_edit, m_edit);
        m_message.clear();
    }
    void cleanup() { delete m_edit; }

    // Find Next starts at the caret, or past the selection, and never wraps round; Replace All
    // replaces every match, not overlapping, in one undo step and leaves the caret after the last.
    void search_data()
    {
        QTest::addColumn<SearchRow>("row");
        const QString cats = "cat cat_log Cat cat";
        const auto row = [](const char *name, SearchRow row) { QTest::newRow(name) << row; };
        row("at the caret", {cats, 0, 0, "cat", "", "", "", 0});
        row("whole word skips cat_log", {cats, 0, 3, "cat", "word", "", "", 12});
        row("match case skips Cat", {cats, 5, 0, "cat", "word case", "", "", 16});
        row("not before the caret", {cats, 17, 1, "Cat", "case", "", "", -1});
        row("nothing to find", {cats, 4, 0, "", "", "", "", -1});
        row("across a break, whole words, matching case",
            {"b\r\nCD ab\r\ncd b\r\ncd", 0, 0, "b\r\ncd", "word case", "", "", 13});
        // Half a line break is no match, in either search: the editor cannot select it.
        row("half a break", {"ab\r\nCD\r\nab\r\ncd", 0, 0, "\ncd", "", "", "", -1});
        row("all, half a break", {"ab\r\ncd", 0, 0, "b\r", "all", "x", "", -1});
        row("all, shorter, any case, over lines",
            {"<B>x</B>\r\n<B>y</B>", 0, 0, "<b>", "all", "", "x</B>\r\ny</B>", 7});
        row("all, whole words, matching case",
            {"Cat cat catalog", 0, 0, "cat", "all word case", "dog", "Cat dog catalog", 7});
        row("all, longer, no overlap", {"aaaa", 0, 0, "aa", "all", "xyz", "xyzxyz", 6});
        row("all, none", {"aaaa", 1, 2, "b", "all", "xyz", "", -1});
    }
    void search()
    {
        QFETCH(SearchRow, row);
        const bool all = row.options.contains("all"), found = row.at >= 0;
        m_edit->setWholeText(row.text);
        m_edit->setSelStart(row.selStart);
        m_edit->setSelLength(row.selLength);
        all ? m_search->cmReplaceClick() : m_search->cmFindClick();
        SearchDialog *dialog = all ? m_search->replaceDialog() : m_search->findDialog();
        // Typing goes straight into the text to find.
        QCOMPARE(dialog->focusWidget(), dialog->findChild<QWidget *>("FindText"));
        dialog->setFindText(row.what);
        dialog->setReplaceText(row.with);
        dialog->findChild<QCheckBox *>("WholeWord")->setChecked(row.options.contains("word"));
        dialog->findChild<QCheckBox *>("MatchCase")->setChecked(row.options.contains("case"));
        if (all && found)
            m_search->ReplaceDlgFind(); // Replace All drops the pending match
        dialog->findChild<QPushButton *>(all ? "ReplaceAll" : "FindNext")->click();
        QCOMPARE(m_message, found ? QString() : "Cannot find " + row.what);
        QCOMPARE(m_edit->selStart(), found ? row.at : row.selStart);
        QCOMPARE(m_edit->selLength(), !found ? row.selLength : all ? 0 : row.what.size());
        QVERIFY(!m_search->replacePending());
        if (all && found) {
            QCOMPARE(m_edit->wholeText(), row.expected);
            QTest::keyClicks(m_edit, "abc"); // typing after it is an undo step of its own
            m_edit->undo();
            QCOMPARE(m_edit->wholeText(), row.expected);
            m_edit->undo();
            QCOMPARE(m_edit->wholeText(), row.text);
        }
    }

    // Cancel hides the replace dialog. Replace acts only on a match Find Next made
    // pending, and on whatever is selected by then; a failed Find Next leaves nothing pending.
    void replace_followsThePendingMatch()
    {
        m_edit->setWholeText("one two one two");
        m_search->cmReplaceClick();
        SearchDialog *dialog = m_search->replaceDialog();
        dialog->setFindText("two");
        dialog->setReplaceText("2");
        dialog->findChild<QPushButton *>("Cancel")->click();
        QVERIFY(!dialog->isVisible());

        m_search->ReplaceDlgReplace(); // nothing pending yet
        m_search->ReplaceDlgFind();
        m_search->cmReplaceClick(); // choosing Replace... again drops the pending match
        QVERIFY(!m_search->replacePending());
        m_search->ReplaceDlgFind(); // the second "two" is pending now
        m_edit->setSelStart(4);
        m_edit->setSelLength(3);
        m_search->ReplaceDlgReplace();
        m_search->ReplaceDlgReplace(); // a second Replace does nothing
        QCOMPARE(m_edit->wholeText(), "one 2 one two");

        m_search->ReplaceDlgFind(); // the last "two"
        dialog->setFindText("gamma");
        m_search->ReplaceDlgFind();
        QVERIFY(!m_search->replacePending());
    }

    // Each dialog opens on the editor's colour or font (for a font name drawn by a stand-in
    // family, on that family, and OK keeps the name) and changes the editor's look only on OK:
    // Enter anywhere in it, not Escape. A second opening still offers the whole font list.
    void appearance_data()
    {
        QTest::addColumn<AppearanceRow>("row");
        const auto row = [](const char *name, AppearanceRow row) { QTest::newRow(name) << row; };
        const QFont mono("Liberation Mono", 10);
        row("background colour picked", {Back, mono, Qt::Key_Return, true});
        row("font colour picked", {Fore, mono, Qt::Key_Return, true});
        row("colour, Escape", {Back, mono, Qt::Key_Escape, true});
        row("font, Arial drawn by a stand-in", {Font, QFont("Arial", 12), Qt::Key_Return, false});
        row("font and colour picked", {Font, mono, Qt::Key_Return, true});
        row("font, Escape", {Font, mono, Qt::Key_Escape, true});
    }
    void appearance()
    {
        QFETCH(AppearanceRow, row);
        const QColor back(0, 0, 128), fore(Qt::yellow), chosen(Qt::red);
        const QFont picked = QFontDatabase::font("Liberation Sans", "Italic", 14);
        const bool ok = row.key != Qt::Key_Escape, changed = ok && row.pick;
        QColorDialog colors;
        FontDialog fonts;
        for (int opening = 1; opening <= 2; ++opening) {
            m_edit->setBackgroundColor(back);
            m_edit->setTextFont(row.font, fore);
            QColor opened;
            int families = 0;
            whenModalShown([&](QWidget *shown) {
                const auto *list = fonts.fontChooser()->findChild<QListView *>();
                families = list && list->isVisible() ? list->model()->rowCount() : 0;
                opened = row.command == Font ? fonts.selectedColor() : colors.currentColor();
                if (row.pick) {
                    colors.setCurrentColor(chosen);
                    fonts.fontChooser()->setCurrentFont(picked);
                    fonts.colorList()->setCurrentIndex(fonts.colorList()->findText("Red"));
                }
                QVERIFY(QTest::qWaitForWindowActive(shown));
                QWidget *target = row.command == Font
                                      ? fonts.fontChooser()->findChild<QLineEdit *>()
                                      : shown->focusWidget();
                target->setFocus();
                QTest::keyClick(target, row.key);
                if (shown->isVisible()) // not closed by the key: closed here so the test goes on
                    QMetaObject::invokeMethod(shown, "reject", Qt::QueuedConnection);
            });
            if (row.command == Font)
                cmFontClick(*m_edit, fonts);
            else
                (row.command == Back ? cmBackColorClick : cmForeColorClick)(*m_edit, colors);
            QVERIFY2(row.command != Font || families > 1, qPrintable(QString::number(opening)));
            QCOMPARE((row.command == Font ? fonts.result() : colors.result()),
                     ok ? QDialog::Accepted : QDialog::Rejected);
            QCOMPARE(opened, row.command == Back ? back : fore);
            QCOMPARE(m_edit->backgroundColor(), changed && row.command == Back ? chosen : back);
            QCOMPARE(m_edit->textColor(), changed && row.command != Back ? chosen : fore);
            QCOMPARE(m_edit->font().toString(),
                     (changed && row.command == Font ? picked : row.font).toString());
        }
    }
};

TOLVAN_TEST_MAIN(EditingTest)

#include "tst_editing.moc"
