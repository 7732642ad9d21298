#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace tolvan::platform {
class EditControl;
}

namespace tolvan::editing {

class SearchDialog;

// Where a search starts: after the selection when text is selected, so that Find Next moves
// past the current match, else at the caret.
qsizetype searchStart(const platform::EditControl &editor);

// Every match of what, from the start of the text, not overlapping; editor positions.
QList<qsizetype> allMatches(const platform::EditControl &editor, const QString &what,
                            bool wholeWord, bool matchCase);

// Find and replace: the two modeless dialogs, the pending replacement, and the handlers of
// the Edit menu's items and of the dialogs' buttons.
class SearchCommands : public QObject
{
    Q_OBJECT
public:
    SearchCommands(platform::EditControl *editor, QWidget *mainWindow);

    void cmFindClick();
    void cmReplaceClick();
    void FindDlgFind();
    void ReplaceDlgFind();
    void ReplaceDlgReplace();
    void ReplaceDlgReplaceAll();

    bool replacePending() const { return m_replacePending; }
    SearchDialog *findDialog();
    SearchDialog *replaceDialog();

private:
    bool search(const SearchDialog &dialog);

    platform::EditControl *m_editor;
    QWidget *m_mainWindow;
    SearchDialog *m_findDlg = nullptr;
    SearchDialog *m_replaceDlg = nullptr;
    bool m_replacePending = false;
};

} // namespace tolvan::editing
