#pragma once

#include "codec.h"

#include <QList>
#include <QString>
#include <optional>

namespace tolvan::document {

// A copy of unsaved work, kept beside the document so that a crash, a power cut or a killed
// session costs no more than the last few seconds of typing. One file per running process in
// $XDG_STATE_HOME/tolvan (default ~/.local/state/tolvan), replaced atomically, readable by its
// user alone.
struct RecoveredWork
{
    QString file;         // the recovery file itself
    QString documentPath; // the document's name when the copy was made ("noname.html": untitled)
    PageEncoding encoding;
    QString text; // CR LF line breaks
};

class RecoveryStore
{
public:
    // The folder of the current user's recovery files.
    static QString folder();

    // The copy of the process with this id; with its start time (in clock ticks since boot)
    // when known, so that a process that later gets the same id is not taken for it.
    explicit RecoveryStore(qint64 processId, qint64 startTime = -1);
    // The copy of this process.
    static RecoveryStore ofThisProcess();

    // Writes the copy (temporary file and rename); false when it could not be written.
    bool save(const QString &documentPath, PageEncoding encoding, const QString &text) const;
    void remove() const;
    QString file() const { return m_file; }

    // Copies left by processes that are no longer running, oldest first.
    static QList<RecoveredWork> leftBehind();
    static std::optional<RecoveredWork> read(const QString &file);

private:
    QString m_file;
};

// When the copy is written: no later than maxLag after the first change not yet in a copy,
// also while typing goes on; quiet after the last change when typing stops first; and never
// sooner than minGap after the last write. Times in milliseconds on one steady clock.
class RecoverySchedule
{
public:
    struct Timing
    {
        qint64 quiet, maxLag, minGap;
    };
    RecoverySchedule() : m_timing{1000, 5000, 1000} {}
    explicit RecoverySchedule(Timing timing) : m_timing(timing) {}

    // A change at `now`; returns when the copy is due.
    qint64 changed(qint64 now);
    // A copy was written at `now` (or failed to be: then the text is still to be copied, after
    // the gap).
    void written(qint64 now, bool ok = true);
    // Nothing is left to copy: the document was saved or discarded.
    void clear() { m_firstUncopied = -1; }
    Timing timing() const { return m_timing; }
    void setTiming(Timing timing) { m_timing = timing; }

private:
    Timing m_timing;
    qint64 m_firstUncopied = -1;
    qint64 m_lastWrite = -1;
};

} // namespace tolvan::document
