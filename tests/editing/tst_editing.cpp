#include "common/hermetic.h"
#include "common/modal.h"
#include "editing/appearance.h"
#include "editing/search.h"
#include "editing/searchdialogs.h"
#include "platform/application.h"
#include "platform/editcontrol.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using tolvan::editing::SearchCommands;
using tolvan::editing::SearchDialog;
using tolvan::platform::EditControl;

namespace {
// Answers the "Cannot find" box that the next call shows and keeps its text.
QString *expectNotFound()
{
    auto *text = new QString;
    whenModalShown([text](QWidget *box) {
        if (QWidget *message = box->findChild<QWidget *>(QStringLiteral("Message")))
            *text = message->accessibleName();
        QTest::keyClick(box->focusWidget(), Qt::Key_Return);
    });
    return text;
}
} // namespace

class EditingTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void findNext_startsAtCaretOrAfterSelection_data();
    void findNext_startsAtCaretOrAfterSelection();
    void findNext_noMatchNamesDialogsOwnTextAndKeepsSelection();
    void findNext_searchesToTheEndOfALongDocument();
    void replace_followsPendingStateTable();
    void replace_takesWhateverIsSelectedNow();
    void replaceAll_replacesEveryMatchAsOneUndoStep_data();
    void replaceAll_replacesEveryMatchAsOneUndoStep();
    void replaceAll_withoutMatchSaysSo();
    void dialogs_keepTextsAndReopenWhereTheyStood();
    void clipboard_cutNothingPasteAndUndo();
    void appearance_cancelChangesNothing();
    void appearance_confirmedChoicesApply();

private:
    QWidget *m_window = nullptr;
    EditControl *m_edit = nullptr;
    SearchCommands *m_search = nullptr;
};

void EditingTest::init()
{
    m_window = new QWidget;
    m_edit = new EditControl(m_window);
    (new QVBoxLayout(m_window))->addWidget(m_edit);
    m_search = new SearchCommands(m_edit, m_window);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void EditingTest::cleanup()
{
    delete m_window;
}

void EditingTest::findNext_startsAtCaretOrAfterSelection_data()
{
    QTest::addColumn<qsizetype>("selStart");
    QTest::addColumn<qsizetype>("selLength");
    QTest::addColumn<QString>("what");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<qsizetype>("found");
    // "cat catalog Cat cat"
    QTest::newRow("match at the caret") << qsizetype(0) << qsizetype(0) << QStringLiteral("cat")
                                        << false << false << qsizetype(0);
    QTest::newRow("match right after the caret") << qsizetype(3) << qsizetype(0)
                                                 << QStringLiteral(" cat") << false << false
                                                 << qsizetype(3);
    QTest::newRow("past the selected match") << qsizetype(0) << qsizetype(3)
                                             << QStringLiteral("cat") << false << false
                                             << qsizetype(4);
    QTest::newRow("whole word skips catalog") << qsizetype(0) << qsizetype(3)
                                              << QStringLiteral("cat") << true << false
                                              << qsizetype(12);
    QTest::newRow("match case skips Cat") << qsizetype(5) << qsizetype(0) << QStringLiteral("cat")
                                          << true << true << qsizetype(16);
    QTest::newRow("upper case finds lower") << qsizetype(13) << qsizetype(0)
                                            << QStringLiteral("CAT") << false << false
                                            << qsizetype(16);
}

void EditingTest::findNext_startsAtCaretOrAfterSelection()
{
    QFETCH(qsizetype, selStart);
    QFETCH(qsizetype, selLength);
    QFETCH(QString, what);
    QFETCH(bool, wholeWord);
    QFETCH(bool, matchCase);
    QFETCH(qsizetype, found);
    m_edit->setWholeText(QStringLiteral("cat catalog Cat cat"));
    m_edit->setSelStart(selStart);
    m_edit->setSelLength(selLength);
    m_search->cmFindClick();
    SearchDialog *dialog = m_search->findDialog();
    QVERIFY(dialog->isVisible());
    dialog->setFindText(what);
    dialog->setOptions(wholeWord, matchCase);
    dialog->findChild<QPushButton *>(QStringLiteral("FindNext"))->click();
    QCOMPARE(m_edit->selStart(), found);
    QCOMPARE(m_edit->selLength(), what.size());
    QVERIFY(dialog->isVisible());
    QVERIFY(!m_search->replacePending());
}

void EditingTest::findNext_noMatchNamesDialogsOwnTextAndKeepsSelection()
{
    m_edit->setWholeText(QStringLiteral("alpha beta alpha"));
    m_search->findDialog()->setFindText(QStringLiteral("beta"));
    m_search->replaceDialog()->setFindText(QStringLiteral("gamma"));
    m_edit->setSelStart(11);
    m_edit->setSelLength(5);

    QScopedPointer<QString> message(expectNotFound());
    m_search->FindDlgFind();
    QCOMPARE(*message, QStringLiteral("Cannot find beta"));
    QCOMPARE(m_edit->selStart(), 11);
    QCOMPARE(m_edit->selLength(), 5);

    message.reset(expectNotFound());
    m_search->ReplaceDlgFind();
    QCOMPARE(*message, QStringLiteral("Cannot find gamma"));
    QVERIFY(!m_search->replacePending());
    QCOMPARE(m_edit->selLength(), 5);
}

void EditingTest::findNext_searchesToTheEndOfALongDocument()
{
    // About 1 MB, with the only match near the end: far past any 64 KB window.
    QString text = QStringLiteral("filler line of text here\r\n").repeated(40000);
    text += QStringLiteral("needle");
    m_edit->setWholeText(text);
    m_edit->setSelStart(0);
    m_search->findDialog()->setFindText(QStringLiteral("needle"));
    m_search->FindDlgFind();
    QCOMPARE(m_edit->selStart(), text.size() - 6);
    QCOMPARE(m_edit->selText(), QStringLiteral("needle"));
    // It never wraps around to the beginning.
    QScopedPointer<QString> message(expectNotFound());
    m_search->FindDlgFind();
    QCOMPARE(*message, QStringLiteral("Cannot find needle"));
}

void EditingTest::replace_followsPendingStateTable()
{
    m_edit->setWholeText(QStringLiteral("one two one two"));
    SearchDialog *dialog = m_search->replaceDialog();
    dialog->setFindText(QStringLiteral("two"));
    dialog->setReplaceText(QStringLiteral("2"));
    m_edit->setSelStart(0);

    m_search->ReplaceDlgReplace(); // nothing pending yet
    QCOMPARE(m_edit->wholeText(), QStringLiteral("one two one two"));

    m_search->ReplaceDlgFind();
    QVERIFY(m_search->replacePending());
    m_search->cmReplaceClick(); // choosing Replace... again cancels the pending match
    QVERIFY(!m_search->replacePending());
    m_search->ReplaceDlgFind();
    m_search->findDialog()->setFindText(QStringLiteral("one"));
    m_edit->setSelStart(0);
    m_search->FindDlgFind(); // the find dialog leaves the pending match alone
    QVERIFY(m_search->replacePending());
    m_edit->setSelStart(4);
    m_edit->setSelLength(3);

    m_search->ReplaceDlgReplace();
    QCOMPARE(m_edit->wholeText(), QStringLiteral("one 2 one two"));
    QCOMPARE(m_edit->selStart(), 5);
    QVERIFY(!m_search->replacePending());
    m_search->ReplaceDlgReplace(); // a second Replace does nothing
    QCOMPARE(m_edit->wholeText(), QStringLiteral("one 2 one two"));

    m_edit->undo();
    QCOMPARE(m_edit->wholeText(), QStringLiteral("one two one two"));
}

void EditingTest::replace_takesWhateverIsSelectedNow()
{
    m_edit->setWholeText(QStringLiteral("abc xyz"));
    SearchDialog *dialog = m_search->replaceDialog();
    dialog->setFindText(QStringLiteral("xyz"));
    dialog->setReplaceText(QStringLiteral("!"));
    m_edit->setSelStart(0);
    m_search->ReplaceDlgFind();
    m_edit->setSelStart(1); // the user clicks elsewhere
    m_search->ReplaceDlgReplace();
    QCOMPARE(m_edit->wholeText(), QStringLiteral("a!bc xyz"));
}

void EditingTest::replaceAll_replacesEveryMatchAsOneUndoStep_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("with");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<qsizetype>("caret");
    QTest::newRow("every match") << QStringLiteral("a-a-a") << QStringLiteral("a")
                                 << QStringLiteral("bb") << false << false
                                 << QStringLiteral("bb-bb-bb") << qsizetype(8);
    QTest::newRow("shorter, over lines") << QStringLiteral("<B>x</B>\r\n<B>y</B>")
                                         << QStringLiteral("<b>") << QString() << false << false
                                         << QStringLiteral("x</B>\r\ny</B>") << qsizetype(7);
    QTest::newRow("whole words only") << QStringLiteral("cat catalog cat") << QStringLiteral("cat")
                                      << QStringLiteral("dog") << true << false
                                      << QStringLiteral("dog catalog dog") << qsizetype(15);
    QTest::newRow("case kept apart") << QStringLiteral("Cat cat") << QStringLiteral("cat")
                                     << QStringLiteral("dog") << false << true
                                     << QStringLiteral("Cat dog") << qsizetype(7);
    QTest::newRow("no overlap") << QStringLiteral("aaaa") << QStringLiteral("aa")
                                << QStringLiteral("b") << false << false << QStringLiteral("bb")
                                << qsizetype(2);
}

void EditingTest::replaceAll_replacesEveryMatchAsOneUndoStep()
{
    QFETCH(QString, text);
    QFETCH(bool, wholeWord);
    QFETCH(bool, matchCase);
    m_edit->setWholeText(text);
    SearchDialog *dialog = m_search->replaceDialog();
    QFETCH(QString, what);
    QFETCH(QString, with);
    dialog->setFindText(what);
    dialog->setReplaceText(with);
    dialog->setOptions(wholeWord, matchCase);
    m_search->ReplaceDlgFind();
    dialog->findChild<QPushButton *>(QStringLiteral("ReplaceAll"))->click();
    QTEST(m_edit->wholeText(), "expected");
    QTEST(m_edit->selStart(), "caret");
    QVERIFY(!m_search->replacePending());
    QVERIFY(m_edit->modified());
    m_edit->undo();
    QCOMPARE(m_edit->wholeText(), text);
}

void EditingTest::replaceAll_withoutMatchSaysSo()
{
    m_edit->setWholeText(QStringLiteral("nothing here"));
    m_edit->setModified(false);
    m_search->replaceDialog()->setFindText(QStringLiteral("zebra"));
    QScopedPointer<QString> message(expectNotFound());
    m_search->ReplaceDlgReplaceAll();
    QCOMPARE(*message, QStringLiteral("Cannot find zebra"));
    QVERIFY(!m_edit->modified());
}

void EditingTest::dialogs_keepTextsAndReopenWhereTheyStood()
{
    m_search->cmReplaceClick();
    SearchDialog *dialog = m_search->replaceDialog();
    dialog->setFindText(QStringLiteral("old"));
    dialog->setReplaceText(QStringLiteral("new"));
    dialog->setOptions(true, true);
    dialog->move(dialog->pos() + QPoint(40, 30));
    const QPoint moved = dialog->pos();
    dialog->findChild<QPushButton *>(QStringLiteral("Cancel"))->click();
    QVERIFY(!dialog->isVisible());
    m_search->cmReplaceClick();
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->pos(), moved);
    QCOMPARE(dialog->findText(), QStringLiteral("old"));
    QCOMPARE(dialog->replaceText(), QStringLiteral("new"));
    QVERIFY(dialog->wholeWord() && dialog->matchCase());
    // The two dialogs keep texts of their own, at most 255 characters each.
    QCOMPARE(m_search->findDialog()->findText(), QString());
    dialog->setFindText(QString(300, u'x'));
    QCOMPARE(dialog->findText().size(), 255);
}

void EditingTest::clipboard_cutNothingPasteAndUndo()
{
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    m_edit->setWholeText(QStringLiteral("abc"));
    m_edit->setModified(false);
    m_edit->setSelStart(1);
    m_edit->cut();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
    QCOMPARE(m_edit->wholeText(), QStringLiteral("abc"));
    QVERIFY(!m_edit->modified());

    m_edit->paste();
    QCOMPARE(m_edit->wholeText(), QStringLiteral("akeptbc"));
    QCOMPARE(m_edit->selStart(), 5);
    m_edit->undo();
    QCOMPARE(m_edit->wholeText(), QStringLiteral("abc"));
}

void EditingTest::appearance_cancelChangesNothing()
{
    QColorDialog colors;
    tolvan::editing::FontDialog fonts;
    m_edit->setBackgroundColor(Qt::darkBlue);
    m_edit->setTextFont(QFont(QStringLiteral("Liberation Mono"), 10), Qt::yellow);
    m_edit->setModified(false);
    const QFont font = m_edit->font();

    for (int which = 0; which < 3; ++which) {
        whenModalShown([](QWidget *dialog) { qobject_cast<QDialog *>(dialog)->reject(); });
        if (which == 0)
            tolvan::editing::cmBackColorClick(*m_edit, colors);
        else if (which == 1)
            tolvan::editing::cmForeColorClick(*m_edit, colors);
        else
            tolvan::editing::cmFontClick(*m_edit, fonts);
    }
    QCOMPARE(m_edit->backgroundColor(), QColor(Qt::darkBlue));
    QCOMPARE(m_edit->textColor(), QColor(Qt::yellow));
    QCOMPARE(m_edit->font(), font);
    QVERIFY(!m_edit->modified());
}

void EditingTest::appearance_confirmedChoicesApply()
{
    QColorDialog colors;
    m_edit->setBackgroundColor(QColor(0, 0, 128));
    whenModalShown([](QWidget *dialog) {
        auto *d = qobject_cast<QColorDialog *>(dialog);
        QCOMPARE(d->currentColor(), QColor(0, 0, 128)); // opens with the editor's colour
        d->setCurrentColor(QColor(10, 20, 30));
        d->accept();
    });
    tolvan::editing::cmBackColorClick(*m_edit, colors);
    QCOMPARE(m_edit->backgroundColor(), QColor(10, 20, 30));
    // The shared dialog now holds that colour for the next user.
    QCOMPARE(colors.currentColor(), QColor(10, 20, 30));

    tolvan::editing::FontDialog fonts;
    whenModalShown([](QWidget *dialog) {
        auto *d = qobject_cast<tolvan::editing::FontDialog *>(dialog);
        QFont chosen(QStringLiteral("Liberation Sans"));
        chosen.setPointSize(14);
        chosen.setItalic(true);
        chosen.setUnderline(true);
        d->fontChooser()->setCurrentFont(chosen);
        d->colorList()->setCurrentIndex(d->colorList()->findText(QStringLiteral("Red")));
        d->accept();
    });
    tolvan::editing::cmFontClick(*m_edit, fonts);
    QCOMPARE(m_edit->font().family(), QStringLiteral("Liberation Sans"));
    QCOMPARE(m_edit->font().pointSize(), 14);
    QVERIFY(m_edit->font().italic() && m_edit->font().underline());
    QCOMPARE(m_edit->textColor(), QColor(Qt::red));
}

TOLVAN_TEST_MAIN(EditingTest)

#include "tst_editing.moc"
