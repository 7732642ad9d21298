#pragma once

#include <QKeyCombination>
#include <span>

namespace tolvan::app {

// The main menu and the toolbar as data: TMainForm walks these tables to build itself, and a
// row's handler names the command it runs (the markup table, or a handler of the window).

enum MenuFlag : unsigned {
    Disabled = 1,  // disabled at start
    Checked = 2,   // checked at start
    Checkable = 4, // shows a check mark
    Submenu = 8,   // opens the rows of the next depth
};

struct MenuRow
{
    int depth; // 0: a menu of the menu bar; 1: its items; 2: items of a submenu
    const char *name;
    const char *caption; // "-" is a separator line
    QKeyCombination key; // shown beside the caption; none when 0
    unsigned flags;
    const char *handler; // nullptr: the item does nothing
};

struct ToolButtonRow
{
    const char *name;
    int left;
    const char *hint;
    const char *glyph;
    const char *handler;
    bool showHint;
};

std::span<const MenuRow> menuRows();
std::span<const ToolButtonRow> toolButtonRows();

} // namespace tolvan::app
