#pragma once

#include "markupcheck.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QTreeWidget;

namespace tolvan::page {

// Puts the caret of editor at a checker's line and column (counted from 1), clamped to the
// text, shows it and gives the editor the focus. Neither the text nor its undo history change.
void moveCaret(QPlainTextEdit &editor, int line, int column);

// The modeless list of what Check Markup found: a line with the count, then one row per
// message. Enter or a double-click on a row takes the editor's caret there; the window stays
// open while the page is edited and keeps its place while the main window lives.
class MarkupCheckWindow : public QDialog
{
    Q_OBJECT
public:
    MarkupCheckWindow(QPlainTextEdit &editor, QWidget *parent);

    // Replaces the list with a new check's messages and brings the window to the front, the
    // first row current.
    void present(const std::vector<MarkupMessage> &messages);

    // Wide enough for Tidy's longer messages when it first opens.
    QSize sizeHint() const override { return QSize(620, 300); }

private:
    void goTo(int row);

    QPlainTextEdit &m_editor;
    QLabel *m_summary;
    QTreeWidget *m_list;
    std::vector<MarkupMessage> m_messages;
    bool m_placed = false;
};

} // namespace tolvan::page
