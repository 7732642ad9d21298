// The file list's mask matcher and the filter list's text.
//
// matchesPattern agrees with a model that matches wildcards by dynamic programming (every way
// of spending each "*" tried), with the "*.*" and short-extension rules on top; a name without
// wildcards matches itself. parseFilter agrees with a model that splits at every "|" and pairs
// the pieces; maskPatterns joined again gives the mask.

#include "common.h"

#include "browser/masks.h"

#include <vector>

using tolvan::fuzz::shown;
using namespace tolvan::browser;

namespace {

// Whether the whole text matches the whole pattern, "*" any run, "?" one code unit.
bool modelWildcard(const QString &text, const QString &pattern)
{
    const qsizetype n = text.size(), m = pattern.size();
    // can[j]: the first i characters of the text match the first j of the pattern.
    std::vector<char> can(size_t(m + 1), 0), next(size_t(m + 1), 0);
    can[0] = 1;
    for (qsizetype j = 1; j <= m && pattern[j - 1] == u'*'; ++j)
        can[size_t(j)] = 1;
    for (qsizetype i = 1; i <= n; ++i) {
        next.assign(size_t(m + 1), 0);
        for (qsizetype j = 1; j <= m; ++j) {
            const QChar p = pattern[j - 1];
            if (p == u'*')
                next[size_t(j)] = next[size_t(j - 1)] || can[size_t(j)];
            else if (p == u'?' || p == text[i - 1])
                next[size_t(j)] = can[size_t(j - 1)];
        }
        can.swap(next);
    }
    return can[size_t(m)];
}

bool modelMatches(const QString &name, const QString &pattern)
{
    if (name.isEmpty() || pattern.isEmpty())
        return false;
    if (pattern == QLatin1String("*.*"))
        return true;
    const QString text = name.toCaseFolded(), folded = pattern.toCaseFolded();
    if (modelWildcard(text, folded))
        return true;
    // "*.htm" stands for the longer extensions that start with its three characters too.
    const qsizetype patternDot = folded.lastIndexOf(u'.'), nameDot = text.lastIndexOf(u'.');
    if (patternDot < 0 || nameDot < 0)
        return false;
    const QString patternExtension = folded.mid(patternDot + 1);
    const QString nameExtension = text.mid(nameDot + 1);
    if (patternExtension.size() != 3 || patternExtension.contains(u'*') ||
        nameExtension.size() <= 3)
        return false;
    return modelWildcard(text.left(nameDot + 1 + 3), folded);
}

QList<FilterEntry> modelFilter(const QString &text)
{
    const QStringList pieces = text.split(u'|');
    QList<FilterEntry> entries;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2)
        entries.append({pieces[i], pieces[i + 1]});
    return entries;
}

std::string shown(const QList<FilterEntry> &entries)
{
    std::string out;
    for (const FilterEntry &entry : entries)
        out += "[" + shown(entry.description) + " " + shown(entry.mask) + "]";
    return out;
}

// Names and patterns mostly from the characters that matter here, so that matches happen.
QString textFrom(FuzzedDataProvider &in, size_t most)
{
    static const char16_t alphabet[] = u"*?.*?.aAbBhHtTmMlL|;/ \u00e9\u00c9\u00df\u0130\u03a3\u03c2"
                                       u"\U0001F600\ufb00";
    const size_t length = in.ConsumeIntegralInRange<size_t>(0, most);
    QString text;
    for (size_t i = 0; i < length && in.remaining_bytes() > 0; ++i) {
        const uint8_t pick = in.ConsumeIntegral<uint8_t>();
        if (pick < 0xF0)
            text += QChar(alphabet[pick % (std::size(alphabet) - 1)]);
        else
            text += QChar(char16_t(pick << 8 | in.ConsumeIntegral<uint8_t>()));
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString name = textFrom(in, 40);
    const QString pattern = textFrom(in, 24);

    const bool got = matchesPattern(name, pattern);
    TOLVAN_CHECK(got == modelMatches(name, pattern), "name " + shown(name) + " pattern " +
                                                         shown(pattern) + " gave " +
                                                         (got ? "match" : "no match"));
    if (!name.isEmpty() && !name.contains(u'*') && !name.contains(u'?'))
        TOLVAN_CHECK(matchesPattern(name, name), "a name matches itself: " + shown(name));
    if (!name.isEmpty())
        TOLVAN_CHECK(matchesPattern(name, QStringLiteral("*")), "* matches " + shown(name));

    // The same characters as a filter text and as a mask.
    const QString filter = name + pattern;
    const QList<FilterEntry> entries = parseFilter(filter);
    TOLVAN_CHECK(entries == modelFilter(filter), "filter " + shown(filter) + " gave " +
                                                     shown(entries) + ", expected " +
                                                     shown(modelFilter(filter)));
    TOLVAN_CHECK(maskPatterns(filter).join(u';') == filter, "mask " + shown(filter));

    const QString extension = extensionOf(name);
    const qsizetype dot = name.lastIndexOf(u'.');
    const bool hasExtension = dot >= 0 && !name.mid(dot).contains(u'/');
    TOLVAN_CHECK(extension == (hasExtension ? name.mid(dot).toLower() : QString()),
                 "extension of " + shown(name) + " is " + shown(extension));
    const bool executable = isExecutableName(name);
    TOLVAN_CHECK(executable ==
                     (extension == QLatin1String(".exe") || extension == QLatin1String(".com") ||
                      extension == QLatin1String(".bat") || extension == QLatin1String(".pif")),
                 "program name " + shown(name));
    return 0;
}
