#include "search.h"

#include "app/guard.h"
#include "app/messagedialog.h"
#include "platform/editcontrol.h"
#include "searchdialogs.h"

namespace tolvan::editing {

qsizetype searchStart(const platform::EditControl &editor)
{
    return editor.selStart() + editor.selLength();
}

QList<qsizetype> allMatches(const platform::EditControl &editor, const QString &what,
                            bool wholeWord, bool matchCase)
{
    QList<qsizetype> matches;
    if (what.isEmpty())
        return matches;
    for (qsizetype at = editor.findText(what, 0, -1, {wholeWord, matchCase}); at >= 0;
         at = editor.findText(what, at + what.size(), -1, {wholeWord, matchCase}))
        matches << at;
    return matches;
}

SearchCommands::SearchCommands(platform::EditControl *editor, QWidget *mainWindow)
    : QObject(mainWindow), m_editor(editor), m_mainWindow(mainWindow)
{
}

SearchDialog *SearchCommands::findDialog()
{
    if (!m_findDlg) {
        m_findDlg = new SearchDialog(SearchDialog::Kind::Find, m_mainWindow);
        connect(m_findDlg, &SearchDialog::findNext, this,
                [this] { app::guarded([this] { FindDlgFind(); }); });
    }
    return m_findDlg;
}

SearchDialog *SearchCommands::replaceDialog()
{
    if (!m_replaceDlg) {
        m_replaceDlg = new SearchDialog(SearchDialog::Kind::Replace, m_mainWindow);
        connect(m_replaceDlg, &SearchDialog::findNext, this,
                [this] { app::guarded([this] { ReplaceDlgFind(); }); });
        connect(m_replaceDlg, &SearchDialog::replace, this,
                [this] { app::guarded([this] { ReplaceDlgReplace(); }); });
        connect(m_replaceDlg, &SearchDialog::replaceAll, this,
                [this] { app::guarded([this] { ReplaceDlgReplaceAll(); }); });
    }
    return m_replaceDlg;
}

void SearchCommands::cmFindClick()
{
    findDialog()->present();
}

void SearchCommands::cmReplaceClick()
{
    m_replacePending = false;
    replaceDialog()->present();
}

bool SearchCommands::search(const SearchDialog &dialog)
{
    const QString what = dialog.findText();
    const qsizetype at = m_editor->findText(what, searchStart(*m_editor), -1,
                                            {dialog.wholeWord(), dialog.matchCase()});
    if (at < 0) {
        app::messageDlg(QStringLiteral("Cannot find ") + what, app::MsgKind::Information,
                        app::MsgButton::Ok, 0);
        return false;
    }
    m_mainWindow->raise();
    m_mainWindow->activateWindow();
    m_editor->setFocus(Qt::OtherFocusReason);
    m_editor->setSelStart(at);
    m_editor->setSelLength(what.size());
    return true;
}

void SearchCommands::FindDlgFind()
{
    search(*findDialog());
}

void SearchCommands::ReplaceDlgFind()
{
    m_replacePending = false;
    m_replacePending = search(*replaceDialog());
}

void SearchCommands::ReplaceDlgReplace()
{
    if (!m_replacePending)
        return;
    // Whatever is selected now takes the replacement, even if the user moved the selection.
    m_editor->replaceSelection(replaceDialog()->replaceText());
    m_replacePending = false;
}

void SearchCommands::ReplaceDlgReplaceAll()
{
    m_replacePending = false;
    SearchDialog *dialog = replaceDialog();
    const QString what = dialog->findText();
    const QList<qsizetype> matches =
        allMatches(*m_editor, what, dialog->wholeWord(), dialog->matchCase());
    if (matches.isEmpty()) {
        app::messageDlg(QStringLiteral("Cannot find ") + what, app::MsgKind::Information,
                        app::MsgButton::Ok, 0);
        return;
    }
    m_editor->replaceRanges(matches, what.size(), dialog->replaceText());
}

} // namespace tolvan::editing
