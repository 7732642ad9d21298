// The settings-file reader and writer on any bytes as the file.
//
// Reading never fails. Writing one key and reading it back gives the value, with CR and LF
// turned into spaces, through the same object and through a fresh one; the file keeps every
// line it had (one line replaced, or the new lines added); every other key reads as before; and
// writing the same value again changes no byte.

#include "common.h"

#include "platform/error.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>

#include <utility>
#include <vector>

using tolvan::fuzz::shown;
using tolvan::platform::ProfileFile;

namespace {

QString &iniPath()
{
    static QString path = tolvan::fuzz::scratchFolder() + QStringLiteral("/TOLVAN.INI");
    return path;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        std::abort();
}

// The file's lines as the reader counts them: a final line break starts no further line.
QByteArrayList linesOf(const QByteArray &data)
{
    if (data.isEmpty())
        return {};
    QByteArrayList lines = data.split('\n');
    if (lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// A name the writer can own: letters (some beyond ASCII, some whose case differs), digits and a
// few marks, never blank at either end, never a character that ends a name in the file.
QString nameFrom(FuzzedDataProvider &in)
{
    static const char16_t alphabet[] = u"aAbBzZ09_-. .\u00e9\u00c9\u03c3\u03a3\u00df";
    const size_t length = in.ConsumeIntegralInRange<size_t>(1, 6);
    QString name;
    for (size_t i = 0; i < length; ++i)
        name += QChar(alphabet[in.ConsumeIntegralInRange<size_t>(0, std::size(alphabet) - 2)]);
    name = name.trimmed();
    return name.isEmpty() ? QStringLiteral("k") : name;
}

// The same name with its ASCII letters in another case.
QString otherCase(const QString &name)
{
    QString out = name;
    for (QChar &c : out) {
        if (c >= u'a' && c <= u'z')
            c = c.toUpper();
        else if (c >= u'A' && c <= u'Z')
            c = c.toLower();
    }
    return out;
}

// Every (section, key) the file seems to name, looked for loosely: a key the reader would not
// see only costs a comparison of two fallbacks.
std::vector<std::pair<QString, QString>> namedKeys(const QByteArrayList &lines)
{
    std::vector<std::pair<QString, QString>> keys;
    QString section;
    for (const QByteArray &raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            section = QString::fromUtf8(line.mid(1, close < 0 ? -1 : close - 1)).trimmed();
        } else if (const qsizetype equals = line.indexOf('='); equals > 0) {
            keys.emplace_back(section, QString::fromUtf8(line.left(equals)).trimmed());
            if (keys.size() == 32)
                break;
        }
    }
    return keys;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString section = nameFrom(in);
    const QString key = nameFrom(in);
    const std::string valueBytes = in.ConsumeRandomLengthString(64);
    const QString value = QString::fromUtf8(valueBytes.data(), qsizetype(valueBytes.size()));
    const std::vector<uint8_t> rest = in.ConsumeRemainingBytes<uint8_t>();
    const QByteArray before(reinterpret_cast<const char *>(rest.data()), qsizetype(rest.size()));

    const QString &path = iniPath();
    writeFile(path, before);
    const QByteArrayList oldLines = linesOf(before);

    // Reading: whatever the bytes, every lookup answers.
    const auto others = namedKeys(oldLines);
    std::vector<QString> oldValues;
    {
        const ProfileFile reader(path);
        for (const auto &[s, k] : others)
            oldValues.push_back(reader.readString(s, k, QStringLiteral("\x01missing")));
        reader.readString(section, key);
    }

    ProfileFile profile(path);
    try {
        profile.writeString(section, key, value);
    } catch (const tolvan::platform::Error &error) {
        tolvan::fuzz::fail("writeString succeeds on a writable file", shown(error.message()));
    }
    const QByteArray after = readFile(path);

    QString expected = value;
    expected.replace(u'\r', u' ').replace(u'\n', u' ');
    const std::string context = "section " + shown(section) + " key " + shown(key) + " value " +
                                shown(value) + "\nfile before " + shown(before) + "\nfile after  " +
                                shown(after);
    TOLVAN_CHECK(profile.readString(section, key) == expected, context);
    const ProfileFile fresh(path);
    TOLVAN_CHECK(fresh.readString(section, key) == expected, context);
    TOLVAN_CHECK(fresh.readString(otherCase(section), otherCase(key)) == expected, context);

    // Every old line is still there, in order: one replaced, or one or two added.
    const QByteArrayList newLines = linesOf(after);
    qsizetype changed = 0;
    qsizetype i = 0, j = 0;
    while (i < oldLines.size() && j < newLines.size()) {
        if (oldLines[i] == newLines[j]) {
            ++i;
            ++j;
        } else if (newLines.size() == oldLines.size()) {
            ++i; // the replaced line
            ++j;
            ++changed;
        } else {
            ++j; // an added line
            ++changed;
        }
    }
    changed += (oldLines.size() - i) + (newLines.size() - j);
    const bool oneReplaced = newLines.size() == oldLines.size() && changed == 1;
    const bool linesAdded = newLines.size() > oldLines.size() && i == oldLines.size() &&
                            newLines.size() - oldLines.size() <= 2;
    TOLVAN_CHECK(oneReplaced || linesAdded || changed == 0, context);

    // Every other key keeps its value.
    for (size_t n = 0; n < others.size(); ++n) {
        const auto &[s, k] = others[n];
        if (sameName(s, section) && sameName(k, key))
            continue;
        TOLVAN_CHECK(fresh.readString(s, k, QStringLiteral("\x01missing")) == oldValues[n],
                     context + "\nother key " + shown(s) + " / " + shown(k) + " was " +
                         shown(oldValues[n]));
    }

    // The same write again is no change at all.
    ProfileFile again(path);
    again.writeString(section, key, value);
    TOLVAN_CHECK(readFile(path) == after, context + "\nrewritten " + shown(readFile(path)));
    return 0;
}
