#pragma once

#include <QByteArrayList>
#include <QString>

#include <optional>

namespace tolvan::platform {

// A private profile file in the INI text format: "[Section]" lines, each followed by
// "key=value" lines. Section and key names match without regard to case.
//
// Reading keeps the file's lines in memory after the first read, so a pass of many reads
// touches the disk once. Every write starts again from the file on disk (another copy of the
// program may have written since), changes or adds one line and replaces the whole file through
// a temporary file and a rename: a crash at any moment leaves either the old or the new file,
// never half of one. Lines the writer does not own (other sections and keys, comments, blank
// lines, their order, their spelling, bytes that are not UTF-8) are written back as they were.
class ProfileFile
{
public:
    explicit ProfileFile(const QString &path);

    QString path() const { return m_path; }

    // The value of the key, or `fallback` when the file, the section or the key is missing or
    // the file cannot be read. Blanks around the value and one pair of matching quotes (' or ")
    // around what is left are removed.
    QString readString(const QString &section, const QString &key,
                       const QString &fallback = QString()) const;

    // Stores the value, creating the folder, the file, the section and the key as needed.
    // CR and LF become spaces, so a value can never split its line. A value that reading would
    // change (blanks around it, or quotes around it) is written inside double quotes so that it
    // reads back as it was given. Raises Error("Unable to write to <file name>") on failure.
    void writeString(const QString &section, const QString &key, const QString &value);

private:
    const QByteArrayList &lines() const;
    QByteArrayList readLines(bool *ok) const;

    QString m_path;
    mutable std::optional<QByteArrayList> m_cache;
};

} // namespace tolvan::platform
