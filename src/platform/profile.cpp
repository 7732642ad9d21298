#include "profile.h"

#include "error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvan::platform {

namespace {

// What one line of the file says. Lines are kept as the bytes they were, so a line the writer
// does not change goes back to disk exactly as it came, whatever its encoding.
struct Line
{
    enum Kind { Other, Section, Key } kind = Other;
    QString name;        // section or key name, as spelled in the file
    QByteArray rawValue; // the bytes after "=", untrimmed
};

Line parseLine(const QByteArray &raw)
{
    const QByteArray text = raw.trimmed();
    Line line;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        line.kind = Line::Section;
        line.name = QString::fromUtf8(text.mid(1, close < 0 ? -1 : close - 1)).trimmed();
        return line;
    }
    if (text.startsWith(';') || text.startsWith('#'))
        return line;
    const qsizetype equals = text.indexOf('=');
    if (equals <= 0)
        return line;
    line.name = QString::fromUtf8(text.left(equals)).trimmed();
    if (line.name.isEmpty())
        return line;
    line.kind = Line::Key;
    line.rawValue = text.mid(equals + 1);
    return line;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isQuote(QChar c)
{
    return c == u'"' || c == u'\'';
}

QString unquote(const QByteArray &rawValue)
{
    QString value = QString::fromUtf8(rawValue).trimmed();
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    return value;
}

// The text stored after "=": never a line break, and quoted when reading would otherwise
// strip something the caller gave.
QByteArray storedText(QString value)
{
    value.replace(u'\r', u' ').replace(u'\n', u' ');
    const bool needsQuotes =
        !value.isEmpty() &&
        (value.front().isSpace() || value.back().isSpace() ||
         (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front()));
    if (needsQuotes)
        value = u'"' + value + u'"';
    return value.toUtf8();
}

// Where a key lives, and where a new key of that section would go.
struct Place
{
    qsizetype keyLine = -1;    // the line that holds the key
    qsizetype sectionEnd = -1; // after the section's last key, or its header; -1: no section
};

Place find(const QByteArrayList &lines, const QString &section, const QString &key)
{
    Place place;
    bool inSection = false; // in any section of that name: a key is looked for in all of them
    bool inFirst = false;   // in the first one: a new key joins it
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line line = parseLine(lines.at(i));
        if (line.kind == Line::Section) {
            inSection = sameName(line.name, section);
            inFirst = inSection && place.sectionEnd < 0;
            if (inFirst)
                place.sectionEnd = i + 1;
        } else if (inSection && line.kind == Line::Key) {
            if (sameName(line.name, key)) {
                place.keyLine = i;
                return place;
            }
            // After the section's last key rather than before the next header, so a comment
            // that introduces the next section stays in front of it.
            if (inFirst)
                place.sectionEnd = i + 1;
        }
    }
    return place;
}

} // namespace

ProfileFile::ProfileFile(const QString &path) : m_path(path) {}

QByteArrayList ProfileFile::readLines(bool *ok) const
{
    QFile file(m_path);
    if (!file.exists()) {
        *ok = true;
        return {};
    }
    // Only a plain file is read, and it is opened without waiting: a FIFO in its place would
    // hold the program up for good, and a device such as /dev/zero would be read until memory
    // ran out.
    const int fd =
        ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        *ok = false;
        return {};
    }
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0)
            ::close(fd);
        *ok = false;
        return {};
    }
    const QByteArray data = file.readAll();
    *ok = file.error() == QFileDevice::NoError;
    QByteArrayList lines = data.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast(); // the final line break does not start another line
    return lines;
}

const QByteArrayList &ProfileFile::lines() const
{
    if (!m_cache) {
        bool ok = false;
        m_cache = readLines(&ok); // an unreadable file reads as a missing one
    }
    return *m_cache;
}

QString ProfileFile::readString(const QString &section, const QString &key,
                                const QString &fallback) const
{
    const QByteArrayList &all = lines();
    const Place place = find(all, section, key);
    if (place.keyLine < 0)
        return fallback;
    return unquote(parseLine(all.at(place.keyLine)).rawValue);
}

void ProfileFile::writeString(const QString &section, const QString &key, const QString &value)
{
    const Error failure(QStringLiteral("Unable to write to %1").arg(QFileInfo(m_path).fileName()));

    // Start from the file as it is now, so that whatever we could not read is never replaced.
    bool ok = false;
    QByteArrayList all = readLines(&ok);
    if (!ok)
        throw failure;

    // New lines follow the file's own line ends, so a CR LF file stays a CR LF file.
    const QByteArray lineEnd = !all.isEmpty() && all.front().endsWith('\r') ? "\r" : "";
    const Place place = find(all, section, key);
    if (place.keyLine >= 0) {
        const QByteArray old = all.at(place.keyLine);
        const Line line = parseLine(old);
        all[place.keyLine] =
            line.name.toUtf8() + '=' + storedText(value) + (old.endsWith('\r') ? "\r" : "");
    } else {
        const QByteArray entry = key.toUtf8() + '=' + storedText(value) + lineEnd;
        if (place.sectionEnd >= 0) {
            all.insert(place.sectionEnd, entry);
        } else {
            all.append('[' + section.toUtf8() + ']' + lineEnd);
            all.append(entry);
        }
    }

    QByteArray data;
    for (const QByteArray &line : std::as_const(all))
        data += line + '\n';

    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        throw failure;
    m_cache = all;
}

} // namespace tolvan::platform
