#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace tolvan::document {

// The character encodings a page is read and written in. Windows-1252 is the one every byte
// sequence fits (its five unassigned bytes keep their C1 control characters); the legacy
// encodings after it are used when a page declares one and its bytes fit it exactly.
enum class Encoding {
    Utf8,
    Utf16LE,
    Utf16BE,
    Utf32LE,
    Utf32BE,
    Windows1252,
    Iso8859_2,
    Iso8859_3,
    Iso8859_4,
    Iso8859_5,
    Iso8859_6,
    Iso8859_7,
    Iso8859_8,
    Iso8859_9,
    Iso8859_10,
    Iso8859_11,
    Iso8859_13,
    Iso8859_14,
    Iso8859_15,
    Iso8859_16,
    Windows1250,
    Windows1251,
    Windows1253,
    Windows1254,
    Windows1255,
    Windows1256,
    Windows1257,
    Windows1258,
    Windows874,
    Koi8R,
    Koi8U,
    Ibm866,
    ShiftJis,
    EucJp,
    Iso2022Jp,
    Gbk,
    Gb18030,
    Big5,
    EucKr,
};

// How a page's characters become its bytes: the encoding, and whether the file starts with a
// byte-order mark (kept out of the text, written back by Save).
struct PageEncoding
{
    PageEncoding(Encoding encoding = Encoding::Utf8, bool bom = false)
        : encoding(encoding), bom(bom)
    {
    }
    Encoding encoding;
    bool bom;
    bool operator==(const PageEncoding &) const = default;
};

// The name shown to the user and written into a declaration: "UTF-8", "Shift_JIS".
QString encodingName(Encoding encoding);
// The encoding a declaration's label names (case does not matter), if it is one we know.
// Labels for UTF-16 and UTF-32 name nothing: a declaration readable as ASCII is not in them.
std::optional<Encoding> encodingForLabel(QStringView label);

// One line naming a page encoding ("shift_jis", "utf-16le bom"), and back; unknown lines give
// nothing.
QByteArray encodingKey(PageEncoding encoding);
std::optional<PageEncoding> encodingFromKey(QByteArrayView key);

// A byte of a mostly-UTF-8 page that belongs to no character is held in the text as a stray
// mark: the lone low surrogate U+DC00 + byte (U+DC80..U+DCFF). No page can hold such a
// character of its own (a lone surrogate is not valid in UTF-8 or UTF-16, and no converter
// gives one), so a mark always means its byte; the editor shows it as one replacement glyph,
// one position wide, and UTF-8 writes it back as the byte itself. Other encodings cannot hold
// it.
QChar strayMark(unsigned char byte);

// Which rule chose the encoding of a page.
enum class DecodeRule { ByteOrderMark, ValidUtf8, MostlyUtf8, Declared, Fallback };

struct Decoded
{
    QString text;
    PageEncoding encoding;
    DecodeRule rule = DecodeRule::ValidUtf8;
    qsizetype strayBytes = 0; // held as stray marks
};

// Decides a page's encoding from its bytes and decodes it; every byte sequence gives a text that
// encode() turns back into the same bytes.
Decoded decode(const QByteArray &bytes);

// UTF-8 with every byte outside a valid sequence as its stray mark, however many there are.
QString decodeUtf8KeepingStrays(QByteArrayView bytes);

// The bytes of text in an encoding, with its byte-order mark; nothing when a character cannot
// be held by it, with that character's index in text in *unencodableAt.
std::optional<QByteArray> encode(QStringView text, PageEncoding encoding,
                                 qsizetype *unencodableAt = nullptr);

// Where a page says its encoding: in an XML declaration (encoding="...") or a meta tag
// (charset="..." of its own or inside http-equiv Content-Type's content). Only the first
// declarationWindow characters are looked at, as a browser does.
struct Declaration
{
    qsizetype position; // of the label in the text
    qsizetype length;
    QString label;
};
constexpr qsizetype declarationWindow = 4096;
QList<Declaration> findDeclarations(QStringView text);

} // namespace tolvan::document
