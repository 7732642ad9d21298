// The page decoder, and a page's way through the editor back to bytes.
//
// Any bytes decode, and encode(decode(b)) gives b back, whichever rule read them; bytes read
// as plain UTF-8 are valid by a strict validator (no overlong forms, no surrogates, nothing past
// U+10FFFF), and valid bytes without a byte-order mark are read as UTF-8 or, all ASCII, in
// their declared encoding. Any page converts to UTF-8, and a recovery copy's UTF-8 reads back as
// the same text. Put into the editor and saved line by line as SaveDocument does, a page comes
// back byte for byte but for its line breaks: CR LF, LF and CR each become CR LF, and a last
// line gets one (checked on the bytes where a line break is always the bytes CR and LF).

#include "common.h"

#include "document/codec.h"
#include "platform/editcontrol.h"

#include <QStringList>

using tolvan::fuzz::shown;
using namespace tolvan::document;

namespace {

bool validUtf8(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        int more;
        char32_t c;
        if (b < 0x80) {
            ++i;
            continue;
        } else if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            c = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            c = b & 0x07;
        } else {
            return false;
        }
        if (i + more >= n) // cut short by the end
            return false;
        for (int k = 1; k <= more; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            c = c << 6 | (p[i + k] & 0x3F);
        }
        const char32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
        if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
        i += 1 + more;
    }
    return true;
}

// The lines a file holds: split at CR LF, LF and CR; a break at the very end starts no line.
QStringList linesOf(const QString &text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            lines << line;
            line.clear();
        } else {
            line += text[i];
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

// Each line followed by CR LF.
QString joined(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1String("\r\n");
    return text;
}

// The bytes with every line break as CR LF and one after the last line.
QByteArray withCrLf(const QByteArray &bytes)
{
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else {
            out += bytes[i];
        }
    }
    if (!out.isEmpty() && !out.endsWith("\r\n"))
        out += "\r\n";
    return out;
}

// Encodings where the bytes CR and LF are always a line break and nothing else: multi-byte
// characters of the legacy ones never use bytes below 0x30 after their first.
bool lineBreaksAreBytes(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
    case Encoding::Utf32LE:
    case Encoding::Utf32BE:
    case Encoding::Iso2022Jp:
        return false;
    default:
        return true;
    }
}

tolvan::platform::EditControl &editor()
{
    static auto *edit = new tolvan::platform::EditControl; // lives until the process ends
    return *edit;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    tolvan::fuzz::ensureApplication();
    editor();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Decoded decoded = decode(bytes);
    const PageEncoding encoding = decoded.encoding;
    const std::string context = "bytes " + shown(bytes) + " decoded " + shown(decoded.text) +
                                " as " + encodingKey(encoding).toStdString() + " by rule " +
                                std::to_string(int(decoded.rule));

    const bool valid = validUtf8(bytes);
    TOLVAN_CHECK(decoded.rule != DecodeRule::ValidUtf8 || valid, context);
    if (valid && !encoding.bom)
        TOLVAN_CHECK(decoded.rule == DecodeRule::ValidUtf8 || decoded.rule == DecodeRule::Declared,
                     context);
    TOLVAN_CHECK((decoded.strayBytes > 0) <= (encoding.encoding == Encoding::Utf8), context);
    if (decoded.rule == DecodeRule::Fallback)
        TOLVAN_CHECK(decoded.text.size() == bytes.size(), context);
    const std::optional<QByteArray> again = encode(decoded.text, encoding);
    TOLVAN_CHECK(again && *again == bytes, context + " encoded " + shown(again.value_or("<none>")));

    // Converted to UTF-8 (Save's Yes, and every recovery copy), nothing is lost.
    const std::optional<QByteArray> utf8 = encode(decoded.text, Encoding::Utf8);
    TOLVAN_CHECK(utf8 && decodeUtf8KeepingStrays(*utf8) == decoded.text,
                 context + " as UTF-8 " + shown(utf8.value_or("<none>")));

    // Through the editor, the way a page really goes.
    tolvan::platform::EditControl &edit = editor();
    edit.setWholeText(decoded.text);
    QStringList edited;
    for (int i = 0; i < edit.lineCount(); ++i)
        edited << edit.line(i);
    TOLVAN_CHECK(edited == linesOf(decoded.text), context + " lines changed in the editor");
    TOLVAN_CHECK(edit.fileText() == joined(edited), context + " file text " + shown(edit.fileText()));
    const std::optional<QByteArray> saved = encode(edit.fileText(), encoding);
    TOLVAN_CHECK(saved, context + " cannot be saved");
    if (lineBreaksAreBytes(encoding.encoding)) {
        const qsizetype markSize =
            bytes.size() - encode(decoded.text, {encoding.encoding, false})->size();
        const QByteArray expected = bytes.first(markSize) + withCrLf(bytes.sliced(markSize));
        TOLVAN_CHECK(*saved == expected, context + " saved from the editor " + shown(*saved));
    }
    // What the editor handed to deleteLater() goes now, as an event loop would take it; left
    // waiting it would pile up and read as a leak.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
