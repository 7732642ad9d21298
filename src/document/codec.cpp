#include "codec.h"

#include <QStringDecoder>
#include <QStringList>

namespace tolvan::document {

namespace {
// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves unassigned map to the C1
// control character of the same number, as ISO 8859-1 would.
constexpr char16_t high1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decode1252(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(high1252[b - 0x80]) : QChar(b);
    }
    return text;
}

std::optional<char> encode1252(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    for (int i = 0; i < 32; ++i)
        if (high1252[i] == u)
            return char(0x80 + i);
    return std::nullopt;
}
} // namespace

Decoded decode(const QByteArray &bytes)
{
    // A byte order mark stays in the text as U+FEFF, so it is written back too.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return {text, Encoding::Utf8};
    return {decode1252(bytes), Encoding::Windows1252};
}

std::optional<QByteArray> encode(const QString &text, Encoding encoding, QChar *unencodable)
{
    if (encoding == Encoding::Utf8) {
        // Lone surrogates cannot be written as UTF-8 and would come back differently.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                ++i;
            } else if (c.isSurrogate()) {
                if (unencodable)
                    *unencodable = c;
                return std::nullopt;
            }
        }
        return text.toUtf8();
    }
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text) {
        const std::optional<char> b = encode1252(c);
        if (!b) {
            if (unencodable)
                *unencodable = c;
            return std::nullopt;
        }
        bytes += *b;
    }
    return bytes;
}

} // namespace tolvan::document
