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
#include <QPushButton>
#include <QSizeGrip>
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
} // namespace

class EditingTest : public QObject
{
    Q_OBJECT
    EditControl *m_edit = nullptr; // the main window as the search commands see it
    SearchCommands *m_search = nullptr;
    QColorDialog m_colors; // shared by the colour commands, as in the main window
    FontDialog m_fonts;

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

    // Find Next in "cat catalog Cat cat" starts at the caret, or past the selection; Replace All
    // replaces every match, not overlapping, in one undo step and leaves the caret after the last.
    void search_data()
    {
        QTest::addColumn<SearchRow>("row");
        const QString cats = "cat catalog Cat cat";
        // About 1 MB with the only match at the end: far past any 64 KB window.
        const QString page = QString("filler line of text here\r\n").repeated(40000) + "needle";
        const auto row = [](const char *name, SearchRow row) { QTest::newRow(name) << row; };
        row("at the caret", {cats, 0, 0, "cat", "", "", "", 0});
        row("past the selection", {cats, 0, 3, "cat", "", "", "", 4});
        row("whole word skips catalog", {cats, 0, 3, "cat", "word", "", "", 12});
        row("match case skips Cat", {cats, 5, 0, "cat", "word case", "", "", 16});
        row("upper case finds lower", {cats, 13, 0, "CAT", "", "", "", 16});
        row("to the end of a long page", {page, 0, 0, "needle", "", "", "", int(page.size()) - 6});
        row("all, longer", {"a-a-a", 0, 0, "a", "", "bb", "bb-bb-bb", 8});
        row("all, shorter, any case, over lines",
            {"<B>x</B>\r\n<B>y</B>", 0, 0, "<b>", "", "", "x</B>\r\ny</B>", 7});
        row("all, whole words, matching case",
            {"Cat cat catalog cat", 0, 0, "cat", "word case", "dog", "Cat dog catalog dog", 19});
        row("all, no overlap", {"aaaa", 0, 0, "aa", "", "b", "bb", 2});
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
        for (const auto &[name, on] : {std::pair{"WholeWord", row.options.contains("word")},
                                       {"MatchCase", row.options.contains("case")}}) {
            auto *box = dialog->findChild<QCheckBox *>(name);
            QVERIFY(box);
            box->setChecked(on);
        }
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
        QVERIFY(dialog->isVisible());
        QVERIFY(!m_search->replacePending());
        if (all) {
            QCOMPARE(m_edit->wholeText(), row.expected);
            m_edit->undo();
            QCOMPARE(m_edit->wholeText(), row.text);
        }
    }

    // Hidden, the replace dialog keeps its place. Replace acts only on a match
    // Find Next made pending, and on whatever is selected by then. A search that finds nothing
    // names its own dialog's text, never wraps round to the start, and changes nothing.
    void replace_followsThePendingMatch()
    {
        m_edit->setWholeText("one two one two");
        m_search->cmReplaceClick();
        SearchDialog *dialog = m_search->replaceDialog();
        dialog->setFindText("two");
        dialog->setReplaceText("2");
        dialog->setOptions(true, true);
        dialog->move(dialog->pos() + QPoint(40, 30));
        const QPoint moved = dialog->pos();
        dialog->findChild<QPushButton *>("Cancel")->click();
        QVERIFY(!dialog->isVisible());
        m_search->cmReplaceClick();
        QCOMPARE(dialog->pos(), moved);
        // Each label's marked letter moves to its field.
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        for (const auto &[key, field] :
             {std::pair{Qt::Key_P, "ReplaceText"}, {Qt::Key_N, "FindText"}}) {
            QTest::keyClick(dialog, key, Qt::AltModifier);
            QCOMPARE(dialog->focusWidget()->objectName(), field);
        }

        m_search->ReplaceDlgReplace(); // nothing pending yet
        m_search->ReplaceDlgFind();
        m_search->cmReplaceClick(); // choosing Replace... again drops the pending match
        QVERIFY(!m_search->replacePending());
        m_search->ReplaceDlgFind(); // the second "two" is pending now
        m_search->findDialog()->setFindText("one");
        m_edit->setSelStart(0);
        m_search->FindDlgFind(); // the find dialog leaves the pending match alone
        QVERIFY(m_search->replacePending());
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

    // Background colour, font colour and font: each dialog opens with the editor's value and
    // changes the editor's look, never the page, only when the user confirms.
    void appearance_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("confirm");
        const char *const names[] = {"background colour", "font colour", "font"};
        for (int command : {0, 1, 2})
            for (bool confirm : {false, true})
                QTest::addRow("%s, %s", names[command], confirm ? "confirmed" : "cancelled")
                    << command << confirm;
    }
    void appearance()
    {
        QFETCH(int, command);
        QFETCH(bool, confirm);
        const QColor back(0, 0, 128), fore(Qt::yellow), chosen(10, 20, 30);
        m_edit->setBackgroundColor(back);
        const QFont font("Liberation Mono", 10);
        m_edit->setTextFont(font, fore);
        m_edit->setModified(false);
        QFont picked = QFontDatabase::font("Liberation Sans", "Italic", 14);
        picked.setUnderline(true);
        QColor opened;
        whenModalShown([&](QWidget *dialog) {
            opened = command < 2 ? m_colors.currentColor() : m_fonts.selectedColor();
            m_colors.setCurrentColor(chosen);
            m_fonts.fontChooser()->setCurrentFont(picked);
            m_fonts.colorList()->setCurrentIndex(m_fonts.colorList()->findText("Red"));
            QMetaObject::invokeMethod(dialog, confirm ? "accept" : "reject");
        });
        if (command == 2)
            cmFontClick(*m_edit, m_fonts);
        else
            (command == 0 ? cmBackColorClick : cmForeColorClick)(*m_edit, m_colors);
        QCOMPARE(opened, command == 0 ? back : fore);
        QCOMPARE(m_edit->backgroundColor(), confirm && command == 0 ? chosen : back);
        QCOMPARE(m_edit->textColor(), !confirm || command == 0 ? fore
                                      : command == 1           ? chosen
                                                               : QColor(Qt::red));
        QCOMPARE(m_edit->font(), confirm && command == 2 ? picked : font);
        // The font chooser sits inside the dialog: no size grip of its own in mid-dialog.
        QVERIFY(!m_fonts.fontChooser()->findChild<QSizeGrip *>());
        QVERIFY(!m_edit->modified());
        // The shared colour dialog keeps a confirmed colour for the next user.
        if (command < 2)
            QCOMPARE(m_colors.currentColor(), confirm ? chosen : opened);
    }
};

TOLVAN_TEST_MAIN(EditingTest)

#include "tst_editing.moc"
