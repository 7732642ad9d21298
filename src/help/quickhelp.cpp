#include "quickhelp.h"

#include <QFrame>

namespace tolvan::help {

namespace {

constexpr int hintHeight = 11; // character height of the window and every hint

// The hints, top to bottom. A line starting with "*" is a hint; the indented lines under it
// continue it.
const LabelDesign hints[] = {
    {"Label2", 8, 8, 89, 13, red, 0, false, "Some useful hints :"},
    {"Label1", 8, 28, 325, 13, navy, 0, false,
     "* Double -click on the File List Box on the right to LOAD quickly a file."},
    {"Label11", 16, 44, 371, 13, navy, 0, false,
     "- this will ask you to save changes if your current document hasn't been saved."},
    {"Label3", 8, 64, 333, 13, navy, 0, false,
     "* Use F3, F2 to open, save a file or the Microsoft's favorite Ctrl-O,Ctrl-S."},
    {"Label4", 16, 80, 233, 13, navy, 0, false, "- Choose from Options/Menu Shortcuts command"},
    {"Label5", 8, 100, 363, 13, navy, 0, false,
     "* Use Cut, Copy & Paste with Shift-Del, Ctrl-Ins, Shift-Ins or Ctrl-X, Ctrl-C, Ctrl-V"},
    {"Label6", 8, 120, 269, 13, navy, 0, false,
     "* Change the editor colors & font, using the Options menu"},
    {"Label7", 8, 140, 265, 13, navy, 0, false,
     "* Mark a portion of text, then press Ctrl-B to make it bold."},
    {"Label8", 16, 156, 330, 13, navy, 0, false,
     "- this works exactly the same with Italics (Ctrl-I), Underlined (Ctrl-U) etc."},
    {"Label9", 8, 176, 372, 13, navy, 0, false,
     "* Use the Red Green Blue Crayon Button to quickly choose a color and place it"},
    {"Label10", 20, 192, 231, 13, navy, 0, false, "in your document in the form : COLOR=RRGGBB"},
    {"Label12", 8, 212, 395, 13, navy, 0, false,
     "* You can install a Help File, and make Tolvan use it, by clicking the Install Help File"},
    {"Label14", 16, 228, 391, 13, navy, 0, false,
     "command in the Help Menu. The Contents and  Search commands will be enabled."},
    {"Label13", 8, 248, 398, 13, navy, 0, false,
     "* Tell the world you are using Tolvan, by pressing the right-most button in the toolbar."},
    // The Linux wording of this hint needs a third line, so it starts a little higher.
    {"Label15", 8, 270, 401, 40, green, 0, true,
     "Tolvan saves your preferences and window position in TOLVAN.INI in your configuration "
     "folder (~/.config). The next time you run it, it uses the same colors, fonts, directory "
     "etc."},
};

} // namespace

TfrmQuickHelp::TfrmQuickHelp(QWidget *parent)
    : InfoWindow(QStringLiteral("frmQuickHelp"), QStringLiteral("Quick Help"), QSize(429, 347),
                 hintHeight, parent)
{
    // Created in tab order: the panel, then the button.
    QFrame *panel = addPanel("Panel1", QRect(4, 4, 421, 313), QFrame::Panel | QFrame::Sunken);
    for (const LabelDesign &hint : hints)
        addLabel(panel, hint);
    addOkButton(QPoint(178, 320));
}

} // namespace tolvan::help
