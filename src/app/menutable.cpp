#include "menutable.h"

namespace tolvan::app {

namespace {
constexpr QKeyCombination none = QKeyCombination::fromCombined(0);
constexpr QKeyCombination ctrl(Qt::Key key)
{
    return QKeyCombination(Qt::ControlModifier, key);
}
constexpr QKeyCombination shift(Qt::Key key)
{
    return QKeyCombination(Qt::ShiftModifier, key);
}
constexpr QKeyCombination alt(Qt::Key key)
{
    return QKeyCombination(Qt::AltModifier, key);
}
constexpr QKeyCombination key(Qt::Key key)
{
    return QKeyCombination(key);
}

// Exit's Alt+X and Comments' Alt+C are given at start by FormCreate; Open and Save change with
// the shortcut scheme.
constexpr MenuRow menu[] = {
    {0, "cmFile", "&File", none, 0, nullptr},
    {1, "cmNew", "&New", none, 0, "cmNewClick"},
    {1, "cmOpen", "&Open...", key(Qt::Key_F3), 0, "cmOpenClick"},
    {1, "cmSave", "&Save", key(Qt::Key_F2), 0, "cmSaveClick"},
    {1, "cmSaveAs", "Save &As...", none, 0, "cmSaveAsClick"},
    {1, "N8", "-", none, 0, nullptr},
    {1, "cmPrint", "&Print...", none, 0, "cmPrintClick"},
    {1, "cmPrintSetup", "P&rint Setup...", none, 0, "cmPrintSetupClick"},
    {1, "N7", "-", none, 0, nullptr},
    {1, "cmExit", "E&xit", none, 0, "cmExitClick"},

    {0, "cmEdit", "&Edit", none, 0, nullptr},
    {1, "cmUndo", "&Undo", alt(Qt::Key_Backspace), 0, "cmUndoClick"},
    {1, "cmRepeatCommand", "&Repeat <command>", none, Disabled, nullptr},
    {1, "N2", "-", none, 0, nullptr},
    {1, "cmSelectAll", "&Select All", ctrl(Qt::Key_A), 0, "cmSelectAllClick"},
    {1, "N6", "-", none, 0, nullptr},
    {1, "cmCut", "Cu&t", shift(Qt::Key_Delete), 0, "cmCutClick"},
    {1, "cmCopy", "&Copy", ctrl(Qt::Key_Insert), 0, "cmCopyClick"},
    {1, "cmPaste", "&Paste", shift(Qt::Key_Insert), 0, "cmPasteClick"},
    {1, "N5", "-", none, 0, nullptr},
    {1, "cmFind", "&Find...", none, 0, "cmFindClick"},
    {1, "cmReplace", "R&eplace...", none, 0, "cmReplaceClick"},

    {0, "cmOptions", "&Options", none, 0, nullptr},
    {1, "cmBackColor", "Editor &Background Color", none, 0, "cmBackColorClick"},
    {1, "cmForeColor", "Editor Font &Color", none, 0, "cmForeColorClick"},
    {1, "cmFont", "Editor &Font", none, 0, "cmFontClick"},
    {1, "N3", "-", none, 0, nullptr},
    {1, "cmMenuShortcuts", "Menu Shortcuts", none, Submenu, nullptr},
    {2, "cmOriginal", "Original", none, Checkable | Checked, "cmOriginalClick"},
    {2, "cmMicrosoftLike", "Microsoft Like", none, Checkable, "cmMicrosoftLikeClick"},
    {1, "N12", "-", none, 0, nullptr},
    {1, "cmPreferences", "&Preferences", none, Disabled, nullptr},

    {0, "cmCharacter", "&Character", none, 0, nullptr},
    {1, "cmBold", "&Bold", ctrl(Qt::Key_B), 0, "cmBoldClick"},
    {1, "cmItalics", "&Italics", ctrl(Qt::Key_I), 0, "cmItalicsClick"},
    {1, "cmUnderlined", "&Underlined", ctrl(Qt::Key_U), 0, "cmUnderlinedClick"},
    {1, "N4", "-", none, 0, nullptr},
    {1, "cmBlink", "B&link", none, 0, "cmBlinkClick"},
    {1, "cmFont1", "&Font", ctrl(Qt::Key_F), 0, "cmFont1Click"},
    {1, "cmAddress", "&Address", none, 0, "cmAddressClick"},
    {1, "Heading1", "&Heading", none, Submenu, nullptr},
    {2, "H11", "H&1", none, 0, "H11Click"},
    {2, "H21", "H&2", none, 0, "H21Click"},
    {2, "H31", "H&3", none, 0, "H31Click"},
    {2, "H41", "H&4", none, 0, "H41Click"},
    {2, "H51", "H&5", none, 0, "H51Click"},
    {2, "H61", "H&6", none, 0, "H61Click"},
    {1, "N9", "-", none, 0, nullptr},
    {1, "cmComments", "&Comments", none, 0, "cmCommentsClick"},

    {0, "cmStructures", "&Structures", none, 0, nullptr},
    {1, "LineBreak1", "&Line Break", ctrl(Qt::Key_L), 0, "LineBreak1Click"},
    {1, "Paragraph1", "&Paragraph", ctrl(Qt::Key_P), 0, "Paragraph1Click"},
    {1, "N11", "-", none, 0, nullptr},
    {1, "cmTable", "&Table", none, 0, "cmTableClick"},
    {1, "cmDefList", "&Definition List", none, 0, "cmDefListClick"},
    {1, "UnorderedList1", "&Unordered List", none, 0, "UnorderedList1Click"},
    {1, "cmMap", "&Map", none, 0, "cmMapClick"},
    {1, "N10", "-", none, 0, nullptr},
    {1, "cmHorRuler", "&Horizontal Ruler", ctrl(Qt::Key_H), 0, "cmHorRulerClick"},

    {0, "Language1", "&Language", none, 0, nullptr},
    {1, "cmTitle", "&Title", none, 0, "cmTitleClick"},
    {1, "cmBody", "&Body", none, 0, "cmBodyClick"},

    // The page as a browser shows it, and HTML Tidy's findings about its markup.
    {0, "cmPage", "&Page", none, 0, nullptr},
    {1, "cmPreview", "&Preview in Browser", key(Qt::Key_F9), 0, "cmPreviewClick"},
    {1, "cmCheckMarkup", "&Check Markup", key(Qt::Key_F7), 0, "cmCheckMarkupClick"},

    {0, "cmHelp", "&Help", none, 0, nullptr},
    {1, "QuickHelp1", "&Quick Help", none, 0, "QuickHelp1Click"},
    {1, "InstallHelpFile1", "&Install Help File...", none, 0, "InstallHelpFile1Click"},
    {1, "N13", "-", none, 0, nullptr},
    {1, "cmContents", "&Contents", none, Disabled, "cmContentsClick"},
    {1, "cmSearchHelp", "&Search Help on...", ctrl(Qt::Key_F1), Disabled, "cmSearchHelpClick"},
    {1, "N1", "-", none, 0, nullptr},
    {1, "cmAbout", "&About...", none, 0, "cmAboutClick"},
};

constexpr ToolButtonRow toolbar[] = {
    {"NewButton", 4, "Create New", "new", "NewButtonClick", true},
    {"OpenButton", 29, "Open", "open", "cmOpenClick", true},
    {"SaveButton", 54, "Save", "save", "cmSaveClick", true},
    {"CutButton", 88, "Cut", "cut", "CutButtonClick", true},
    {"CopyButton", 113, "Copy", "copy", "CopyButtonClick", true},
    {"PasteButton", 138, "Paste", "paste", "PasteButtonClick", true},
    {"BoldButton", 172, "Bold", "bold", "BoldButtonClick", true},
    {"ItalicButton", 197, "Italics", "italic", "ItalicButtonClick", true},
    {"UnderlineButton", 222, "Underline", "underline", "UnderlineButtonClick", true},
    {"LeftJustButton", 256, "Left Justify", "leftjust", "LeftJustButtonClick", true},
    {"CenterButton", 281, "Align Center", "center", "CenterButtonClick", true},
    {"RightJustButton", 306, "Right Justify", "rightjust", "RightJustButtonClick", true},
    {"ImageButton", 340, "Image Source", "image", "ImageButtonClick", true},
    {"HrefButton", 365, "Anchor Reference", "href", "HrefButtonClick", true},
    {"TableButton", 390, "2x2 Table", "table", "cmTableClick", true},
    {"ColorButton", 424, "Color", "color", "ColorButtonClick", false},
    {"UseTolvanButton", 520, "Tell the world you are using Tolvan", "usetolvan",
     "UseTolvanButtonClick", true},
};
} // namespace

std::span<const MenuRow> menuRows()
{
    return menu;
}

std::span<const ToolButtonRow> toolButtonRows()
{
    return toolbar;
}

} // namespace tolvan::app
