#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tolvan::browser {

// Whether a file name matches one pattern: "*" is any run of characters, "?" one character,
// letter case ignored. "*.*" matches every name, also one without a dot, and a pattern whose
// extension has three characters also matches longer extensions that begin with them, so that
// "*.htm" finds both index.htm and index.html.
bool matchesPattern(const QString &name, const QString &pattern);

// The patterns of a mask, split at each ";" and used as written (an empty one stays empty).
QStringList maskPatterns(const QString &mask);

// The extension of a file name in lower case, from its last "." on; empty when it has none.
QString extensionOf(const QString &name);

// Files shown with the program glyph: .exe, .com, .bat and .pif.
bool isExecutableName(const QString &name);

// One entry of the filter list: what the user sees, and the mask it gives the file list.
struct FilterEntry
{
    QString description;
    QString mask;
    bool operator==(const FilterEntry &) const = default;
};

// Splits "Description|mask|Description|mask" into entries. A description with no "|" after it
// is dropped; a text ending in "|" gives a last entry with an empty mask.
QList<FilterEntry> parseFilter(const QString &text);

} // namespace tolvan::browser
