#pragma once

#include <QColor>
#include <QString>
#include <vector>

namespace tolvan::platform {
class EditControl;
}

namespace tolvan::markup {

// selection := prefix + selected text + suffix, as one undo step; the caret ends after the
// suffix. No length limit: the text is as long as it needs to be.
void wrapSelection(platform::EditControl &editor, const QString &prefix, const QString &suffix);

// selection := text, as one undo step; the caret ends after the text.
void insertText(platform::EditControl &editor, const QString &text);

enum class Action { Wrap, Insert };

// One markup command: the main window's handler that runs it and its literal texts (for Insert
// only `first` is used). Line breaks in the texts are CR LF.
struct Command
{
    QString handler;
    Action action;
    QString first;
    QString second;
};

// Every markup command with literal texts (all but Color, which asks for a colour first).
const std::vector<Command> &catalogue();

// The command a handler name runs, following the menu handlers that call a toolbar button's
// handler (cmBoldClick runs BoldButtonClick); null when the name is no markup command.
const Command *commandFor(const QString &handler);

void run(platform::EditControl &editor, const Command &command);

// "COLOR = RRGGBB" for a colour, in upper-case hexadecimal.
QString colorAttribute(const QColor &color);

} // namespace tolvan::markup
