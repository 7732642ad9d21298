#include "settings.h"

#include "platform/error.h"

namespace tolvan::settings {

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

bool isDecimalDigit(QChar c)
{
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

} // namespace

std::optional<qint32> tryParseInteger(const QString &text)
{
    qsizetype i = 0;
    const qsizetype size = text.size();
    while (i < size && text.at(i) == u' ')
        ++i;
    if (i == size)
        return std::nullopt;

    if (text.at(i) == u'$') {
        ++i;
        if (i == size)
            return std::nullopt;
        quint32 value = 0;
        for (; i < size; ++i) {
            const int digit = hexDigit(text.at(i));
            // A ninth significant digit would push bits out of the top: fail instead.
            if (digit < 0 || value > 0x0FFFFFFFu)
                return std::nullopt;
            value = value << 4 | quint32(digit);
        }
        return qint32(value);
    }

    bool negative = false;
    if (text.at(i) == u'+' || text.at(i) == u'-') {
        negative = text.at(i) == u'-';
        ++i;
    }
    if (i == size)
        return std::nullopt;
    // Accumulate the magnitude; stop counting once it is past anything qint32 can hold.
    const qint64 limit = negative ? qint64(1) << 31 : (qint64(1) << 31) - 1;
    qint64 magnitude = 0;
    for (; i < size; ++i) {
        if (!isDecimalDigit(text.at(i)))
            return std::nullopt;
        magnitude = magnitude * 10 + (text.at(i).unicode() - u'0');
        if (magnitude > limit)
            return std::nullopt;
    }
    return qint32(negative ? -magnitude : magnitude);
}

qint32 parseInteger(const QString &text)
{
    if (const std::optional<qint32> value = tryParseInteger(text))
        return *value;
    throw platform::Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

} // namespace tolvan::settings
