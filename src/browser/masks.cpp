#include "masks.h"

namespace tolvan::browser {

namespace {

// Plain wildcard matching on case-folded text; backtracks only to the last "*", which keeps
// it linear in practice for the short names and patterns of a file list.
bool wildcardMatch(const QString &text, const QString &pattern)
{
    qsizetype t = 0, p = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        // A "*" is a wildcard before it is a character, also facing a "*" in the name.
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starT = t;
        } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == text[t])) {
            ++t;
            ++p;
        } else if (starP >= 0) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool matchesPattern(const QString &name, const QString &pattern)
{
    if (pattern.isEmpty() || name.isEmpty())
        return false;
    if (pattern == QLatin1String("*.*"))
        return true;
    const QString text = name.toCaseFolded();
    const QString folded = pattern.toCaseFolded();
    if (wildcardMatch(text, folded))
        return true;

    // Short-name rule: compare with the name's extension cut to three characters.
    const qsizetype patternDot = folded.lastIndexOf(u'.');
    const qsizetype nameDot = text.lastIndexOf(u'.');
    if (patternDot < 0 || nameDot < 0)
        return false;
    const QString patternExt = folded.mid(patternDot + 1);
    if (patternExt.size() != 3 || patternExt.contains(u'*') || text.size() - nameDot - 1 <= 3)
        return false;
    return wildcardMatch(text.left(nameDot + 4), folded);
}

QStringList maskPatterns(const QString &mask)
{
    return mask.split(u';');
}

QString extensionOf(const QString &name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0 || name.indexOf(u'/', dot) >= 0)
        return {};
    return name.mid(dot).toLower();
}

bool isExecutableName(const QString &name)
{
    const QString ext = extensionOf(name);
    return ext == QLatin1String(".exe") || ext == QLatin1String(".com") ||
           ext == QLatin1String(".bat") || ext == QLatin1String(".pif");
}

QList<FilterEntry> parseFilter(const QString &text)
{
    QList<FilterEntry> entries;
    QString rest = text;
    while (rest.contains(u'|')) {
        const qsizetype bar = rest.indexOf(u'|');
        FilterEntry entry{rest.left(bar), {}};
        rest = rest.mid(bar + 1);
        const qsizetype next = rest.indexOf(u'|');
        if (next >= 0) {
            entry.mask = rest.left(next);
            rest = rest.mid(next + 1);
        } else {
            entry.mask = rest;
            rest.clear();
        }
        entries.append(entry);
    }
    return entries;
}

} // namespace tolvan::browser
