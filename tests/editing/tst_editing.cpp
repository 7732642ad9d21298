#include "common/hermetic.h"
#include "common/modal.h"
#include "editing/appearance.h"
#include "editing/search.h"
#include "editing/searchdialogs.h"
#include "markup/markup.h"
#include "platform/editcontrol.h"

#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTimer>

#include <memory>

using namespace tolvan::editing;
using tolvan::platform::EditControl;

namespace {
// The text, the selection, what is searched for with which options ("word", "case") and the
// replacement; the text after Replace All (none: Find Next) and where the match found starts,
// or the caret ends.
struct SearchRow
{
    QString text;
    int selStart, selLength;
    QString what, options, with, expected;
    qsizetype at;
};
// The font the editor shows, the key pressed in the name field or in the focused widget, and
// whether another font is picked first.
struct FontRow
{
    QFont font;
    Qt::Key key;
    bool inNameField, pick;
};
} // namespace

class EditingTest : public QObject
{
    Q_OBJECT
    EditControl *m_edit = nullptr; // the main window as the search commands see it
    SearchCommands *m_search = nullptr;

    // Runs a search command, answers the "Cannot find" box it shows and returns the box's text.
    template <typename Command> QString notFound(Command command)
    {
        auto text = std::make_shared<QString>(); // outlives a box that never comes
        whenModalShown([text](QWidget *box) {
            if (QWidget *message = box->findChild<QWidget *>("Message"))
                *text = message->accessibleName();
            QTest::keyClick(box->focusWidget(), Qt::Key_Return);
        });
        command();
        return *text;
    }

private Q_SLOTS:
    void init()
    {
        m_edit = new EditControl;
        m_search = new SearchCommands(m_edit, m_edit);
    }
    void cleanup() { delete m_edit; }

    // Find Next starts at the caret, or past the selection; Replace All replaces every match,
    // not overlapping, in one undo step and leaves the caret after the last.
    void search_data()
    {
        QTest::addColumn<SearchRow>("row");
        const QString cats = "cat cat_log Cat cat";
        // About 1 MB with the only match at the end: far past any 64 KB window.
        const QString page = QString("filler line of text here\r\n").repeated(40000) + "needle";
        const auto row = [](const char *name, SearchRow row) { QTest::newRow(name) << row; };
        row("at the caret", {cats, 0, 0, "cat", "", "", "", 0});
        row("past the selection", {cats, 0, 3, "cat", "", "", "", 4});
        row("whole word skips cat_log", {cats, 0, 3, "cat", "word", "", "", 12});
        row("match case skips Cat", {cats, 5, 0, "cat", "word case", "", "", 16});
        row("to the end of a long page", {page, 0, 0, "needle", "", "", "", int(page.size()) - 6});
        row("across a break", {"ab\r\nCD\r\nab\r\ncd", 0, 0, "b\r\ncd", "case", "", "", 9});
        // Half a break: the match shows from the end of its line.
        row("half a break", {"ab\r\nCD\r\nab\r\ncd", 0, 0, "\ncd", "", "", "", 2});
        row("all, shorter, any case, over lines",
            {"<B>x</B>\r\n<B>y</B>", 0, 0, "<b>", "", "", "x</B>\r\ny</B>", 7});
        row("all, whole words, matching case",
            {"Cat cat catalog cat", 0, 0, "cat", "word case", "dog", "Cat dog catalog dog", 19});
        row("all, longer, no overlap", {"aaaa", 0, 0, "aa", "", "xyz", "xyzxyz", 6});
    }
    void search()
    {
        QFETCH(SearchRow, row);
        const bool all = !row.expected.isEmpty();
        m_edit->setWholeText(row.text);
        m_edit->setModified(false);
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
        QTimer closer; // a box here would be a failed search: it fails the row, not hang it
        connect(&closer, &QTimer::timeout, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        closer.start(20);
        if (all)
            m_search->ReplaceDlgFind(); // Replace All drops the pending match
        dialog->findChild<QPushButton *>(all ? "ReplaceAll" : "FindNext")->click();
        QCOMPARE(m_edit->selStart(), row.at);
        QCOMPARE(m_edit->selLength(), all ? 0 : row.what.size());
        QCOMPARE(m_edit->modified(), all);
        QVERIFY(!m_search->replacePending());
        if (all) {
            QCOMPARE(m_edit->wholeText(), row.expected);
            m_edit->undo();
            QCOMPARE(m_edit->wholeText(), row.text);
        }
    }

    // Hidden, the replace dialog keeps its place. Replace acts only on a match Find Next made
    // pending, and on whatever is selected by then. A search that finds nothing names its
    // dialog's text, never wraps round to the start, and changes nothing.
    void replace_followsThePendingMatch()
    {
        m_edit->setWholeText("one two one two");
        m_search->cmReplaceClick();
        SearchDialog *dialog = m_search->replaceDialog();
        dialog->setFindText("two");
        dialog->setReplaceText("2");
        dialog->move(dialog->pos() + QPoint(40, 30));
        const QPoint moved = dialog->pos();
        dialog->findChild<QPushButton *>("Cancel")->click();
        QVERIFY(!dialog->isVisible());
        m_search->cmReplaceClick();
        QCOMPARE(dialog->pos(), moved);

        m_search->ReplaceDlgReplace(); // nothing pending yet
        m_search->ReplaceDlgFind();
        m_search->cmReplaceClick(); // choosing Replace... again drops the pending match
        QVERIFY(!m_search->replacePending());
        m_search->ReplaceDlgFind(); // the second "two" is pending now
        m_search->findDialog()->setFindText("one");
        m_edit->setSelStart(0);
        m_search->FindDlgFind(); // the find dialog leaves the pending match alone
        m_edit->setSelStart(4);
        m_edit->setSelLength(3);
        m_search->ReplaceDlgReplace();
        m_search->ReplaceDlgReplace(); // a second Replace does nothing
        QCOMPARE(m_edit->wholeText(), "one 2 one two");
        QCOMPARE(m_edit->selStart(), 5);

        m_edit->setModified(false);
        m_search->ReplaceDlgFind(); // the last "two"
        dialog->setFindText("gamma");
        QCOMPARE(notFound([this] { m_search->ReplaceDlgFind(); }), "Cannot find gamma");
        QVERIFY(!m_search->replacePending());
        QCOMPARE(notFound([this] { m_search->ReplaceDlgReplaceAll(); }), "Cannot find gamma");
        m_search->findDialog()->setFindText("one 2"); // only before the selection
        QCOMPARE(notFound([this] { m_search->FindDlgFind(); }), "Cannot find one 2");
        QCOMPARE(m_edit->selStart(), 10);
        QCOMPARE(m_edit->selLength(), 3);
        QVERIFY(!m_edit->modified());
    }

    // Background and font colour: the shared dialog opens with the editor's colour, changes the
    // editor's look (never the page) only when the user confirms, and keeps what was confirmed.
    void colors_data()
    {
        QTest::addColumn<bool>("background");
        QTest::addColumn<bool>("confirm");
        for (bool background : {false, true})
            for (bool confirm : {false, true})
                QTest::addRow("%s, %s", background ? "background" : "font colour",
                              confirm ? "confirmed" : "cancelled")
                    << background << confirm;
    }
    void colors()
    {
        QFETCH(bool, background);
        QFETCH(bool, confirm);
        const QColor back(0, 0, 128), fore(Qt::yellow), chosen(10, 20, 30);
        m_edit->setBackgroundColor(back);
        m_edit->setTextFont(m_edit->font(), fore);
        m_edit->setModified(false);
        QColorDialog colors;
        QColor opened;
        whenModalShown([&](QWidget *dialog) {
            opened = colors.currentColor();
            colors.setCurrentColor(chosen);
            QMetaObject::invokeMethod(dialog, confirm ? "accept" : "reject");
        });
        (background ? cmBackColorClick : cmForeColorClick)(*m_edit, colors);
        QCOMPARE(opened, background ? back : fore);
        QCOMPARE(m_edit->backgroundColor(), confirm && background ? chosen : back);
        QCOMPARE(m_edit->textColor(), confirm && !background ? chosen : fore);
        QVERIFY(!m_edit->modified());
        QCOMPARE(colors.currentColor(), confirm ? chosen : opened);
    }

    // The font dialog opens on the editor's font and colour (for a name drawn by a stand-in
    // family, on that family); Enter anywhere in it is OK, Escape is Cancel, and OK without
    // changes keeps the font, its name included. A second opening still offers the whole list.
    void font_data()
    {
        QTest::addColumn<FontRow>("row");
        const auto row = [](const char *name, FontRow row) { QTest::newRow(name) << row; };
        row("Enter in the name field, Arial drawn by a stand-in",
            {QFont("Arial", 12), Qt::Key_Return, true, false});
        row("keypad Enter in the list, stand-in bold",
            {QFont("Arial", 12, QFont::Bold), Qt::Key_Enter, false, false});
        row("Enter, another font picked",
            {QFont("Liberation Mono", 10), Qt::Key_Return, false, true});
        row("Escape in the name field, italic",
            {QFont("Liberation Serif", 12, -1, true), Qt::Key_Escape, true, false});
        row("Escape in the list, another font picked",
            {QFont("Liberation Mono", 10), Qt::Key_Escape, false, true});
    }
    void font()
    {
        QFETCH(FontRow, row);
        QFont picked = QFontDatabase::font("Liberation Sans", "Italic", 14);
        picked.setUnderline(true);
        const bool ok = row.key != Qt::Key_Escape;
        FontDialog dialog;
        for (int opening = 1; opening <= 2; ++opening) {
            m_edit->setTextFont(row.font, Qt::yellow);
            int families = 0;
            QFont offered;
            QColor offeredColor;
            whenModalShown([&](QWidget *shown) {
                const auto *list = dialog.fontChooser()->findChild<QListView *>();
                families = list && list->isVisible() ? list->model()->rowCount() : 0;
                offered = dialog.fontChooser()->currentFont();
                offeredColor = dialog.selectedColor();
                dialog.colorList()->setCurrentIndex(dialog.colorList()->findText("Red"));
                if (row.pick)
                    dialog.fontChooser()->setCurrentFont(picked);
                QVERIFY(QTest::qWaitForWindowActive(shown));
                QWidget *target = row.inNameField ? dialog.fontChooser()->findChild<QLineEdit *>()
                                                  : shown->focusWidget();
                target->setFocus();
                QTest::keyClick(target, row.key);
                if (shown->isVisible()) // not closed by the key: closed here so the test goes on
                    QMetaObject::invokeMethod(shown, "reject", Qt::QueuedConnection);
            });
            cmFontClick(*m_edit, dialog);
            QVERIFY2(families > 1, qPrintable(QString("opening %1").arg(opening)));
            QCOMPARE(std::tuple(offered.family(), offered.bold(), offered.italic(),
                                offered.pointSize(), offeredColor),
                     std::tuple(QFontInfo(row.font).family(), row.font.bold(), row.font.italic(),
                                row.font.pointSize(), QColor(Qt::yellow)));
            QCOMPARE(m_edit->textColor(), QColor(ok ? Qt::red : Qt::yellow));
            QCOMPARE(m_edit->font().toString(), (ok && row.pick ? picked : row.font).toString());
        }
    }

    // A command that replaces text is one undo step of its own: typing right after it is
    // another, so the first undo takes the typing and the second the command.
    void undo_commandThenTyping()
    {
        QApplication::clipboard()->setText("pasted");
        for (const QString command : {"BoldButtonClick", "LineBreak1Click", "paste", "replace"}) {
            m_edit->setWholeText("xy");
            m_edit->selectAll();
            if (const auto *markup = tolvan::markup::commandFor(command))
                tolvan::markup::run(*m_edit, *markup);
            else if (command == "paste")
                m_edit->paste();
            else
                m_edit->replaceRanges({0}, 2, "zz");
            const QString after = m_edit->wholeText();
            QTest::keyClicks(m_edit, "abc");
            m_edit->undo();
            QCOMPARE(m_edit->wholeText(), after);
            m_edit->undo();
            QCOMPARE(m_edit->wholeText(), "xy");
        }
    }
};

TOLVAN_TEST_MAIN(EditingTest)

#include "tst_editing.moc"
