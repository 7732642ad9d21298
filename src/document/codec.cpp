#include "codec.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QSysInfo>

#include <cerrno>
#include <iconv.h>

namespace tolvan::document {

namespace {

struct Known
{
    Encoding encoding;
    const char *name;      // shown to the user
    const char *converter; // iconv's name; none for the encodings Qt or this file converts
    const char *labels;    // as pages declare them, lower case, separated by spaces
};

// The labels follow what browsers accept, so a page is read as its author saw it: a page
// declared ISO-8859-1 or ASCII is Windows-1252 (bytes 0x80..0x9F are its punctuation, never C1
// controls), Shift_JIS is Microsoft's CP932 (0x5C a backslash, not a yen sign), GB2312 is GBK,
// Big5 takes the Hong Kong additions, EUC-KR is its superset CP949.
constexpr Known known[] = {
    {Encoding::Utf8, "UTF-8", nullptr,
     "utf-8 utf8 unicode-1-1-utf-8 unicode11utf8 unicode20utf8 x-unicode20utf8"},
    {Encoding::Utf16LE, "UTF-16LE", nullptr, ""},
    {Encoding::Utf16BE, "UTF-16BE", nullptr, ""},
    {Encoding::Utf32LE, "UTF-32LE", nullptr, ""},
    {Encoding::Utf32BE, "UTF-32BE", nullptr, ""},
    {Encoding::Windows1252, "Windows-1252", nullptr,
     "windows-1252 cp1252 x-cp1252 iso-8859-1 iso8859-1 iso88591 iso_8859-1 iso_8859-1:1987 "
     "iso-ir-100 latin1 l1 ibm819 cp819 csisolatin1 us-ascii ascii ansi_x3.4-1968"},
    {Encoding::Iso8859_2, "ISO-8859-2", "ISO-8859-2",
     "iso-8859-2 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 iso-ir-101 latin2 l2 csisolatin2"},
    {Encoding::Iso8859_3, "ISO-8859-3", "ISO-8859-3",
     "iso-8859-3 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 iso-ir-109 latin3 l3 csisolatin3"},
    {Encoding::Iso8859_4, "ISO-8859-4", "ISO-8859-4",
     "iso-8859-4 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 iso-ir-110 latin4 l4 csisolatin4"},
    {Encoding::Iso8859_5, "ISO-8859-5", "ISO-8859-5",
     "iso-8859-5 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988 iso-ir-144 cyrillic "
     "csisolatincyrillic"},
    {Encoding::Iso8859_6, "ISO-8859-6", "ISO-8859-6",
     "iso-8859-6 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987 iso-ir-127 arabic asmo-708 "
     "ecma-114 csisolatinarabic iso-8859-6-e iso-8859-6-i csiso88596e csiso88596i"},
    {Encoding::Iso8859_7, "ISO-8859-7", "ISO-8859-7",
     "iso-8859-7 iso8859-7 iso88597 iso_8859-7 iso_8859-7:1987 iso-ir-126 greek greek8 "
     "elot_928 ecma-118 csisolatingreek sun_eu_greek"},
    {Encoding::Iso8859_8, "ISO-8859-8", "ISO-8859-8",
     "iso-8859-8 iso8859-8 iso88598 iso_8859-8 iso_8859-8:1988 iso-ir-138 hebrew visual "
     "csisolatinhebrew iso-8859-8-e csiso88598e iso-8859-8-i csiso88598i logical"},
    {Encoding::Iso8859_9, "ISO-8859-9", "ISO-8859-9",
     "iso-8859-9 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 iso-ir-148 latin5 l5 csisolatin5"},
    {Encoding::Iso8859_10, "ISO-8859-10", "ISO-8859-10",
     "iso-8859-10 iso8859-10 iso885910 iso-ir-157 latin6 l6 csisolatin6"},
    {Encoding::Iso8859_11, "ISO-8859-11", "ISO-8859-11", "iso-8859-11 iso8859-11 iso885911"},
    {Encoding::Iso8859_13, "ISO-8859-13", "ISO-8859-13", "iso-8859-13 iso8859-13 iso885913 latin7"},
    {Encoding::Iso8859_14, "ISO-8859-14", "ISO-8859-14", "iso-8859-14 iso8859-14 iso885914 latin8"},
    {Encoding::Iso8859_15, "ISO-8859-15", "ISO-8859-15",
     "iso-8859-15 iso8859-15 iso885915 iso_8859-15 latin-9 latin9 l9 csisolatin9"},
    {Encoding::Iso8859_16, "ISO-8859-16", "ISO-8859-16",
     "iso-8859-16 iso8859-16 iso885916 latin10 l10"},
    {Encoding::Windows1250, "Windows-1250", "CP1250", "windows-1250 cp1250 x-cp1250"},
    {Encoding::Windows1251, "Windows-1251", "CP1251", "windows-1251 cp1251 x-cp1251"},
    {Encoding::Windows1253, "Windows-1253", "CP1253", "windows-1253 cp1253 x-cp1253"},
    {Encoding::Windows1254, "Windows-1254", "CP1254", "windows-1254 cp1254 x-cp1254"},
    {Encoding::Windows1255, "Windows-1255", "CP1255", "windows-1255 cp1255 x-cp1255"},
    {Encoding::Windows1256, "Windows-1256", "CP1256", "windows-1256 cp1256 x-cp1256"},
    {Encoding::Windows1257, "Windows-1257", "CP1257", "windows-1257 cp1257 x-cp1257"},
    {Encoding::Windows1258, "Windows-1258", "CP1258", "windows-1258 cp1258 x-cp1258"},
    {Encoding::Windows874, "Windows-874", "CP874", "windows-874 cp874 dos-874 tis-620"},
    {Encoding::Koi8R, "KOI8-R", "KOI8-R", "koi8-r koi8_r koi8 koi cskoi8r"},
    {Encoding::Koi8U, "KOI8-U", "KOI8-U", "koi8-u koi8-ru"},
    {Encoding::Ibm866, "IBM866", "IBM866", "ibm866 cp866 866 csibm866"},
    {Encoding::ShiftJis, "Shift_JIS", "CP932",
     "shift_jis shift-jis sjis ms_kanji csshiftjis windows-31j x-sjis ms932 cp932"},
    {Encoding::EucJp, "EUC-JP", "EUC-JP", "euc-jp eucjp x-euc-jp cseucpkdfmtjapanese"},
    {Encoding::Iso2022Jp, "ISO-2022-JP", "ISO-2022-JP", "iso-2022-jp csiso2022jp"},
    {Encoding::Gbk, "GBK", "GBK",
     "gbk gb2312 gb_2312 gb_2312-80 euc-cn chinese csgb2312 csiso58gb231280 iso-ir-58 x-gbk"},
    {Encoding::Gb18030, "GB18030", "GB18030", "gb18030"},
    {Encoding::Big5, "Big5", "BIG5-HKSCS", "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    {Encoding::EucKr, "EUC-KR", "CP949",
     "euc-kr cseuckr ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601 csksc56011987 korean "
     "iso-ir-149 windows-949 cp949 uhc"},
};

const Known &knownOf(Encoding encoding)
{
    for (const Known &k : known)
        if (k.encoding == encoding)
            return k;
    return known[0];
}

// Qt converts the Unicode encodings itself; nothing for the others.
std::optional<QStringConverter::Encoding> qtConverter(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf16LE:
        return QStringConverter::Utf16LE;
    case Encoding::Utf16BE:
        return QStringConverter::Utf16BE;
    case Encoding::Utf32LE:
        return QStringConverter::Utf32LE;
    case Encoding::Utf32BE:
        return QStringConverter::Utf32BE;
    default:
        return std::nullopt;
    }
}

QByteArrayView byteOrderMark(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return "\xEF\xBB\xBF";
    case Encoding::Utf16LE:
        return "\xFF\xFE";
    case Encoding::Utf16BE:
        return "\xFE\xFF";
    case Encoding::Utf32LE:
        return QByteArrayView("\xFF\xFE\0\0", 4);
    case Encoding::Utf32BE:
        return QByteArrayView("\0\0\xFE\xFF", 4);
    default:
        return {};
    }
}

bool isStrayMark(QChar c)
{
    return c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
}

// The first code unit of text that is half of no surrogate pair, or -1.
qsizetype firstLoneSurrogate(QStringView text, qsizetype from = 0)
{
    for (qsizetype i = from; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else
            return i;
    }
    return -1;
}

// Windows-1252 bytes 0x80..0x9F. The five bytes the code page leaves unassigned map to the C1
// control character of the same number, as ISO 8859-1 would.
constexpr char16_t high1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString decode1252(QByteArrayView bytes)
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

// The length of the valid UTF-8 sequence that starts at p (a byte of 0x80 or more), or 0: no
// overlong forms, no surrogates, nothing past U+10FFFF.
int sequenceLength(const unsigned char *p, qsizetype left)
{
    const unsigned char b = p[0];
    const auto follows = [&](int k, unsigned char low = 0x80, unsigned char high = 0xBF) {
        return k < left && p[k] >= low && p[k] <= high;
    };
    if (b >= 0xC2 && b <= 0xDF)
        return follows(1) ? 2 : 0;
    if (b >= 0xE0 && b <= 0xEF)
        return follows(1, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) && follows(2) ? 3 : 0;
    if (b >= 0xF0 && b <= 0xF4)
        return follows(1, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) && follows(2) &&
                       follows(3)
                   ? 4
                   : 0;
    return 0;
}

struct Utf8Scan
{
    QString text;
    qsizetype characters = 0; // of more than one byte
    qsizetype strays = 0;
};

// One pass: the text with stray marks, and the counts the mostly-UTF-8 rule weighs.
Utf8Scan scanUtf8(QByteArrayView bytes)
{
    Utf8Scan scan;
    scan.text.resize(bytes.size()); // never more code units than bytes
    QChar *out = scan.text.data();
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x80) {
            *out++ = QChar(p[i++]);
            continue;
        }
        const int length = sequenceLength(p + i, n - i);
        if (length == 0) {
            *out++ = strayMark(p[i++]);
            ++scan.strays;
            continue;
        }
        char32_t c = p[i] & (0x7F >> length);
        for (int k = 1; k < length; ++k)
            c = c << 6 | (p[i + k] & 0x3F);
        if (c >= 0x10000) {
            *out++ = QChar::highSurrogate(c);
            *out++ = QChar::lowSurrogate(c);
        } else {
            *out++ = QChar(char16_t(c));
        }
        ++scan.characters;
        i += length;
    }
    scan.text.truncate(out - scan.text.constData());
    return scan;
}

// A legacy page holds valid multi-byte UTF-8 only by accident: two or three high bytes that
// happen to fit the pattern (an accented capital before a symbol, a run of CJK double-byte
// characters whose bytes line up). Such accidents are outnumbered by the page's high bytes that
// fit nothing: on pages made of the letters of Latin, Cyrillic, Greek, Japanese, Chinese and
// Korean legacy encodings there was less than one accident for two stray bytes (Korean, the
// worst). A UTF-8 page spoiled by a few pasted bytes is the other way round. So a page is mostly
// UTF-8 when it holds at least four valid multi-byte characters for each stray byte, or, when it
// declares itself UTF-8, at least one.
bool mostlyUtf8(const Utf8Scan &scan, bool declaresUtf8)
{
    return scan.characters >= 4 * scan.strays || (declaresUtf8 && scan.characters >= scan.strays);
}

const char *const utf16Host =
    QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

// One glibc iconv conversion, strict: no transliteration, nothing skipped.
class Converter
{
public:
    Converter(const char *to, const char *from) : m_cd(::iconv_open(to, from)) {}
    ~Converter()
    {
        if (valid())
            ::iconv_close(m_cd);
    }
    Converter(const Converter &) = delete;
    Converter &operator=(const Converter &) = delete;

    bool valid() const { return m_cd != iconv_t(-1); }

    // Converts all of in and returns to the initial shift state (ISO-2022-JP's escape back to
    // ASCII). Nothing when a sequence is invalid, cut short or cannot be converted, with the
    // offset in `in` where it stopped; *approximated counts what glibc converted only
    // approximately (a yen sign written as a backslash).
    std::optional<QByteArray> run(QByteArrayView in, qsizetype *failedAt,
                                  size_t *approximated = nullptr)
    {
        QByteArray out(in.size() * 2 + 16, Qt::Uninitialized);
        char *from = const_cast<char *>(in.data());
        size_t fromLeft = size_t(in.size());
        qsizetype done = 0;
        size_t inexact = 0;
        for (bool flushed = false; !flushed;) {
            char *to = out.data() + done;
            size_t toLeft = size_t(out.size() - done);
            const bool flushing = fromLeft == 0;
            const size_t result = flushing ? ::iconv(m_cd, nullptr, nullptr, &to, &toLeft)
                                           : ::iconv(m_cd, &from, &fromLeft, &to, &toLeft);
            done = to - out.data();
            if (result == size_t(-1)) {
                if (errno == E2BIG) {
                    out.resize(out.size() * 2);
                    continue;
                }
                if (failedAt)
                    *failedAt = from - in.data();
                return std::nullopt;
            }
            inexact += result;
            flushed = flushing;
        }
        out.truncate(done);
        if (approximated)
            *approximated = inexact;
        return out;
    }

private:
    iconv_t m_cd;
};

QByteArrayView bytesOf(QStringView text)
{
    return {reinterpret_cast<const char *>(text.data()), text.size() * qsizetype(sizeof(QChar))};
}

// The index of the first character of text that does not come back from its bytes as itself;
// failing that (a sequence that reads back composed), where the text read back differs.
qsizetype firstNotReadBack(QStringView text, QStringView readBack, const char *converter)
{
    Converter encoder(converter, utf16Host), decoder(utf16Host, converter);
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArrayView one = bytesOf(text.sliced(i, length));
        const std::optional<QByteArray> bytes = encoder.run(one, nullptr);
        const std::optional<QByteArray> back = bytes ? decoder.run(*bytes, nullptr) : bytes;
        if (!back || *back != one)
            return i;
        i += length;
    }
    qsizetype i = 0;
    while (i < text.size() && i < readBack.size() && text[i] == readBack[i])
        ++i;
    return std::min(i, text.size() - 1);
}

std::optional<QByteArray> encodeLegacy(QStringView text, const char *converter,
                                       qsizetype *unencodableAt)
{
    const auto fail = [unencodableAt](qsizetype at) -> std::optional<QByteArray> {
        if (unencodableAt)
            *unencodableAt = at;
        return std::nullopt;
    };
    if (const qsizetype lone = firstLoneSurrogate(text); lone >= 0)
        return fail(lone);
    Converter convert(converter, utf16Host);
    if (!convert.valid())
        return fail(0);
    qsizetype failedAt = 0;
    std::optional<QByteArray> bytes = convert.run(bytesOf(text), &failedAt);
    if (!bytes)
        return fail(failedAt / qsizetype(sizeof(QChar)));
    // glibc writes some characters as the bytes of another one without a word (a yen sign as
    // CP932's backslash): only bytes that read back as the text are the text.
    Converter back(utf16Host, converter);
    const std::optional<QByteArray> units = back.run(*bytes, nullptr);
    if (!units || *units != bytesOf(text)) {
        const QByteArray got = units.value_or(QByteArray());
        const QStringView readBack(reinterpret_cast<const QChar *>(got.constData()),
                                   got.size() / qsizetype(sizeof(QChar)));
        return fail(firstNotReadBack(text, readBack, converter));
    }
    return bytes;
}

// The page's bytes in a declared encoding, only when they are exactly its bytes: converted back
// they give the same bytes.
std::optional<QString> decodeDeclared(const QByteArray &bytes, Encoding encoding)
{
    if (encoding == Encoding::Windows1252)
        return decode1252(bytes);
    const char *converter = knownOf(encoding).converter;
    if (!converter)
        return std::nullopt;
    Converter convert(utf16Host, converter);
    if (!convert.valid())
        return std::nullopt;
    size_t approximated = 0;
    const std::optional<QByteArray> units = convert.run(bytes, nullptr, &approximated);
    if (!units || approximated > 0)
        return std::nullopt;
    QString text(reinterpret_cast<const QChar *>(units->constData()),
                 units->size() / qsizetype(sizeof(QChar)));
    const std::optional<QByteArray> again = encodeLegacy(text, converter, nullptr);
    if (!again || *again != bytes)
        return std::nullopt;
    return text;
}

// The encoding the page's first declaration names, when it is one we know.
std::optional<Encoding> declaredEncoding(const QByteArray &bytes)
{
    const QString head = QString::fromLatin1(bytes.left(declarationWindow));
    const QList<Declaration> found = findDeclarations(head);
    if (found.isEmpty())
        return std::nullopt;
    return encodingForLabel(found.constFirst().label);
}

// A byte-order mark and, after it, text that comes back as the same bytes. A UTF-8 mark is
// taken at its word: any byte that fits no character after it is a stray byte.
std::optional<Decoded> decodeAfterMark(const QByteArray &bytes)
{
    // UTF-32LE first: its mark begins with UTF-16LE's.
    for (const Encoding encoding : {Encoding::Utf32LE, Encoding::Utf32BE, Encoding::Utf8,
                                    Encoding::Utf16LE, Encoding::Utf16BE}) {
        const QByteArrayView mark = byteOrderMark(encoding);
        if (!bytes.startsWith(mark))
            continue;
        const QByteArrayView rest = QByteArrayView(bytes).sliced(mark.size());
        if (encoding == Encoding::Utf8) {
            Utf8Scan scan = scanUtf8(rest);
            return Decoded{
                std::move(scan.text), {encoding, true}, DecodeRule::ByteOrderMark, scan.strays};
        }
        QStringDecoder decoder(*qtConverter(encoding), QStringDecoder::Flag::Stateless |
                                                           QStringDecoder::Flag::ConvertInitialBom);
        QString text = decoder.decode(rest);
        if (decoder.hasError())
            continue;
        const std::optional<QByteArray> again = encode(text, encoding);
        if (again && *again == rest)
            return Decoded{std::move(text), {encoding, true}, DecodeRule::ByteOrderMark};
    }
    return std::nullopt;
}

} // namespace

QString encodingName(Encoding encoding)
{
    return QString::fromLatin1(knownOf(encoding).name);
}

std::optional<Encoding> encodingForLabel(QStringView label)
{
    const QByteArray wanted = label.trimmed().toLatin1().toLower();
    if (wanted.isEmpty() || wanted.contains(' '))
        return std::nullopt;
    for (const Known &k : known)
        for (const QByteArray &each : QByteArray(k.labels).split(' '))
            if (each == wanted)
                return k.encoding;
    return std::nullopt;
}

QByteArray encodingKey(PageEncoding encoding)
{
    QByteArray key = QByteArray(knownOf(encoding.encoding).name).toLower();
    return encoding.bom ? key + " bom" : key;
}

std::optional<PageEncoding> encodingFromKey(QByteArrayView key)
{
    const QList<QByteArray> words = key.toByteArray().trimmed().split(' ');
    const bool bom = words.size() == 2 && words[1] == "bom";
    if (words.size() > 2 || (words.size() == 2 && !bom))
        return std::nullopt;
    for (const Known &k : known)
        if (QByteArray(k.name).toLower() == words[0])
            return PageEncoding{k.encoding, bom};
    return std::nullopt;
}

QChar strayMark(unsigned char byte)
{
    return QChar(char16_t(0xDC00 + byte));
}

QString decodeUtf8KeepingStrays(QByteArrayView bytes)
{
    return scanUtf8(bytes).text;
}

Decoded decode(const QByteArray &bytes)
{
    if (std::optional<Decoded> marked = decodeAfterMark(bytes))
        return std::move(*marked);

    // Valid UTF-8 takes Qt's fast decoder and no other pass over the page.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        // Plain ASCII reads alike in nearly every encoding; the one it declares says how new
        // characters are to be written (and ISO-2022-JP is ASCII with escapes).
        if (text.size() == bytes.size()) {
            const std::optional<Encoding> declared = declaredEncoding(bytes);
            if (declared && *declared != Encoding::Utf8) {
                if (*declared != Encoding::Iso2022Jp)
                    return {std::move(text), *declared, DecodeRule::Declared};
                if (std::optional<QString> legacy = decodeDeclared(bytes, *declared))
                    return {std::move(*legacy), *declared, DecodeRule::Declared};
            }
        }
        return {std::move(text), Encoding::Utf8, DecodeRule::ValidUtf8};
    }
    text = QString();

    const std::optional<Encoding> declared = declaredEncoding(bytes);
    Utf8Scan scan = scanUtf8(bytes);
    if (mostlyUtf8(scan, declared == Encoding::Utf8))
        return {std::move(scan.text), Encoding::Utf8, DecodeRule::MostlyUtf8, scan.strays};
    scan.text = QString();
    if (declared && *declared != Encoding::Utf8)
        if (std::optional<QString> legacy = decodeDeclared(bytes, *declared))
            return {std::move(*legacy), *declared, DecodeRule::Declared};
    return {decode1252(bytes), Encoding::Windows1252, DecodeRule::Fallback};
}

std::optional<QByteArray> encode(QStringView text, PageEncoding encoding, qsizetype *unencodableAt)
{
    const auto fail = [unencodableAt](qsizetype at) -> std::optional<QByteArray> {
        if (unencodableAt)
            *unencodableAt = at;
        return std::nullopt;
    };
    QByteArray bytes;
    if (encoding.bom)
        bytes = byteOrderMark(encoding.encoding).toByteArray();

    switch (encoding.encoding) {
    case Encoding::Utf8: {
        // Stray marks go back as their bytes between the runs of real text.
        qsizetype from = 0;
        for (qsizetype lone = firstLoneSurrogate(text); lone >= 0;
             lone = firstLoneSurrogate(text, lone + 1)) {
            if (!isStrayMark(text[lone]))
                return fail(lone);
            bytes += text.sliced(from, lone - from).toUtf8();
            bytes += char(text[lone].unicode() - 0xDC00);
            from = lone + 1;
        }
        bytes += text.sliced(from).toUtf8();
        return bytes;
    }
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
    case Encoding::Utf32LE:
    case Encoding::Utf32BE: {
        if (const qsizetype lone = firstLoneSurrogate(text); lone >= 0)
            return fail(lone);
        QStringEncoder encoder(*qtConverter(encoding.encoding), QStringEncoder::Flag::Stateless);
        bytes += encoder.encode(text);
        return bytes;
    }
    case Encoding::Windows1252:
        bytes.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const std::optional<char> b = encode1252(text[i]);
            if (!b)
                return fail(i);
            bytes += *b;
        }
        return bytes;
    default:
        return encodeLegacy(text, knownOf(encoding.encoding).converter, unencodableAt);
    }
}

QList<Declaration> findDeclarations(QStringView text)
{
    // An XML declaration only at the very start; a meta tag's charset anywhere in its
    // attributes, which also finds it inside content="text/html; charset=...".
    static const QString pattern = QStringLiteral(
        R"((?:^\s*<\?xml\b[^>]*?\bencoding\s*=\s*["']?|<meta\b[^>]*?\bcharset\s*=\s*["']?\s*))"
        R"(([A-Za-z0-9._:()+-]+))");
    const QRegularExpression expression(pattern, QRegularExpression::CaseInsensitiveOption);
    QList<Declaration> found;
    for (auto it = expression.globalMatch(text.left(declarationWindow).toString()); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        found << Declaration{match.capturedStart(1), match.capturedLength(1), match.captured(1)};
    }
    return found;
}

} // namespace tolvan::document
