// The values of the settings file: the integer rule and the colour names.
//
// tryParseInteger and parseInteger agree with a model of the rule written the plain way (digits
// counted as text, the range checked in 128 bits); colorFromText reads any text as a name, as
// the integer rule or not at all, and colorFromText(colorToText(v)) == v for every v.

#include "common.h"

#include "platform/error.h"
#include "settings/settings.h"

#include <limits>
#include <optional>

using tolvan::fuzz::shown;
using namespace tolvan::settings;

namespace {

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The rule as the settings file states it: leading spaces (U+0020 only), then "$" and
// hexadecimal digits with at most eight significant ones, or an optional sign and decimal digits
// within qint32, and nothing else.
std::optional<qint32> modelInteger(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    QString rest = text.mid(i);
    if (rest.startsWith(u'$')) {
        QString digits = rest.mid(1);
        if (digits.isEmpty())
            return std::nullopt;
        for (const QChar c : digits)
            if (hexValue(c.unicode()) < 0)
                return std::nullopt;
        while (digits.startsWith(u'0'))
            digits.remove(0, 1);
        if (digits.size() > 8)
            return std::nullopt;
        quint32 value = 0;
        for (const QChar c : digits)
            value = value * 16 + quint32(hexValue(c.unicode()));
        return qint32(value);
    }
    bool negative = false;
    if (rest.startsWith(u'+') || rest.startsWith(u'-')) {
        negative = rest.startsWith(u'-');
        rest.remove(0, 1);
    }
    if (rest.isEmpty())
        return std::nullopt;
    for (const QChar c : rest)
        if (c < u'0' || c > u'9')
            return std::nullopt;
    while (rest.startsWith(u'0'))
        rest.remove(0, 1);
    if (rest.size() > 10)
        return std::nullopt;
    __int128 value = 0;
    for (const QChar c : rest)
        value = value * 10 + (c.unicode() - u'0');
    if (negative)
        value = -value;
    if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(value);
}

std::string shown(std::optional<qint32> value)
{
    return value ? std::to_string(*value) : std::string("none");
}

QString invalidMessage(const QString &text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tolvan::fuzz::ensureApplication(); // toQColor asks the application's palette
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const qint32 number = in.ConsumeIntegral<qint32>();
    // Mostly Latin-1, where digits and signs are one byte each; sometimes UTF-16, to reach the
    // digits of other scripts and the full-width ones.
    const bool wide = in.ConsumeBool();
    const std::string bytes = in.ConsumeRemainingBytesAsString();
    const QString text = wide ? tolvan::fuzz::utf16From(bytes)
                              : QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));

    // The integer rule.
    const std::optional<qint32> expected = modelInteger(text);
    const std::optional<qint32> got = tryParseInteger(text);
    TOLVAN_CHECK(got == expected,
                 "text " + shown(text) + " read " + shown(got) + ", expected " + shown(expected));
    try {
        const qint32 parsed = parseInteger(text);
        TOLVAN_CHECK(expected && parsed == *expected, "parseInteger of " + shown(text));
    } catch (const tolvan::platform::Error &error) {
        TOLVAN_CHECK(!expected && error.message() == invalidMessage(text),
                     "parseInteger of " + shown(text) + " raised " + shown(error.message()));
    }

    // Any text as a colour: the integer rule, a name, or the integer rule's error.
    try {
        const ColorValue colour = colorFromText(text);
        if (expected)
            TOLVAN_CHECK(colour == *expected, "colour text " + shown(text));
        else
            TOLVAN_CHECK(colorToText(colour).compare(text, Qt::CaseInsensitive) == 0,
                         "colour text " + shown(text) + " read as " + shown(colorToText(colour)));
    } catch (const tolvan::platform::Error &error) {
        TOLVAN_CHECK(!expected && error.message() == invalidMessage(text),
                     "colour text " + shown(text) + " raised " + shown(error.message()));
    }

    // Every colour value survives being written as text and read back, in any letter case.
    const QString written = colorToText(number);
    const bool named = written.startsWith(QLatin1String("cl"));
    const bool hex = written.size() == 9 && written.startsWith(u'$') &&
                     written.mid(1) == written.mid(1).toUpper() && modelInteger(written) == number;
    TOLVAN_CHECK(named || hex, std::to_string(number) + " written as " + shown(written));
    TOLVAN_CHECK(colorFromText(written) == number,
                 std::to_string(number) + " written as " + shown(written));
    TOLVAN_CHECK(colorFromText(written.toLower()) == number,
                 std::to_string(number) + " written as " + shown(written));

    // A plain colour keeps its three bytes through QColor; a system role gives some colour.
    const QColor painted = toQColor(number);
    TOLVAN_CHECK(painted.isValid(), std::to_string(number));
    if (number >= 0)
        TOLVAN_CHECK(fromQColor(painted) == (number & 0x00FFFFFF), std::to_string(number));
    return 0;
}
