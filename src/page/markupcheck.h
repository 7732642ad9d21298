#pragma once

#include <QString>
#include <vector>

namespace tolvan::page {

// One warning or error about a page's markup, at a line and column counted from 1 as the
// checker counts them (a column per character, a tab being one); 0 when it has no place.
struct MarkupMessage
{
    int line = 0;
    int column = 0;
    QString text; // the checker's words, with its "Warning: " or "Error: " in front
    bool operator==(const MarkupMessage &) const = default;
};

// Every warning and error HTML Tidy finds in a page, in the page's order. The text itself is
// only read: Tidy's repaired page is thrown away.
std::vector<MarkupMessage> checkMarkup(const QString &text);

// The offset in a line's text of a checker's column, which counts characters outside the
// Basic Multilingual Plane as one; a column past the end gives the end.
qsizetype columnOffset(const QString &line, int column);

} // namespace tolvan::page
