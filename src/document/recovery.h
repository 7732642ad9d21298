#pragma once

#include "codec.h"

#include <QList>
#include <QString>
#include <optional>

namespace tolvan::document {

// A copy of unsaved work, kept beside the document so that a crash, a power cut or a killed
// session costs no more than the last few seconds of typing. One file per running process in
// $XDG_STATE_HOME/tolvan (default ~/.local/state/tolvan), replaced atomically.
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

    explicit RecoveryStore(qint64 processId);

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

} // namespace tolvan::document
