// The page decoder, and a page's way through the editor back to bytes.
//
// Any bytes decode; UTF-8 is chosen exactly when a strict validator (no overlong forms, no
// surrogates, nothing past U+10FFFF) accepts them; encode(decode(b)) gives b back. Put into the
// editor and saved line by line as SaveDocument does, a page comes back byte for byte but for
// its line breaks: CR LF, LF and CR each become CR LF, and a last line gets one.

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
    const std::string context = "bytes " + shown(bytes) + " decoded " + shown(decoded.text) +
                                (decoded.encoding == Encoding::Utf8 ? " as UTF-8" : " as 1252");

    TOLVAN_CHECK((decoded.encoding == Encoding::Utf8) == validUtf8(bytes), context);
    if (decoded.encoding == Encoding::Windows1252)
        TOLVAN_CHECK(decoded.text.size() == bytes.size(), context);
    const std::optional<QByteArray> again = encode(decoded.text, decoded.encoding);
    TOLVAN_CHECK(again && *again == bytes, context + " encoded " + shown(again.value_or("<none>")));

    // Lines as SaveDocument writes them.
    const QByteArray expected = withCrLf(bytes);
    const QStringList lines = linesOf(decoded.text);
    const std::optional<QByteArray> plain = encode(joined(lines), decoded.encoding);
    TOLVAN_CHECK(plain && *plain == expected,
                 context + " saved " + shown(plain.value_or("<none>")));

    // The same through the editor, the way a page really goes.
    tolvan::platform::EditControl &edit = editor();
    edit.setWholeText(decoded.text);
    QStringList edited;
    for (int i = 0; i < edit.lineCount(); ++i)
        edited << edit.line(i);
    TOLVAN_CHECK(edit.fileText() == joined(edited), context + " file text " + shown(edit.fileText()));
    const std::optional<QByteArray> saved = encode(edit.fileText(), decoded.encoding);
    TOLVAN_CHECK(saved && *saved == expected,
                 context + " saved from the editor " + shown(saved.value_or("<none>")));
    // What the editor handed to deleteLater() goes now, as an event loop would take it; left
    // waiting it would pile up and read as a leak.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
