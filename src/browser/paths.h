#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QCollator;

namespace tolvan::browser {

// The message shown for a failed file-system call with this errno.
QString errorMessage(int error);

// Throws platform::Error with the message for this errno.
[[noreturn]] void raiseError(int error);

// The process's current directory as the system reports it; throws when it cannot be read
// (for example when it has been removed).
QString currentDirectory();

// Like currentDirectory(), with a fallback instead of an error.
QString currentDirectoryOr(const QString &fallback);

// Changes the process's current directory; throws with the errno's message on failure.
void changeDirectory(const QString &path);

// Resolves what the user or the settings give as a directory against the process's current
// directory: relative paths, ".." and absolute paths are entered; a last part that names an
// existing file, or holds "*" or "?" and names no folder, is dropped, so the folder that holds
// it is meant. Returns the absolute path of that folder as the system reports it. Throws when a
// part cannot be entered. The current directory is the same afterwards, also after a failure.
QString resolveDirectory(const QString &path);

bool hasWildcard(const QString &name);

// directory + "/" + name, without doubling the slash after the root.
QString joinPath(const QString &directory, const QString &name);

// Whether path lies on or below root.
bool isOnRoot(const QString &path, const QString &root);

// Two paths name the same directory, ignoring letter case when the volume does.
bool samePath(const QString &a, const QString &b, bool caseSensitive);

// Collation of the user's locale with letter case ignored; the order of every list here.
QCollator nameCollator();

// Strict order for sorting: collation ignoring case, then code points, so that names differing
// only in case still come out in one fixed order.
bool nameLess(const QCollator &collator, const QString &a, const QString &b);

// The visible subdirectories of a directory in name order: no "." or ".." or hidden (dot)
// folders, and of names equal ignoring case only the first. A directory that cannot be read
// gives an empty list.
QStringList listSubdirectories(const QString &directory);

// The plain files of a directory that match one pattern, in name order: no hidden (dot) files,
// directories, FIFOs, sockets or devices. Nothing is opened but the directory itself, so a FIFO
// can never block the listing. A directory that cannot be read gives an empty list.
// `found`, when given, hears the number of matches so far after each one, while the directory
// is still being read.
QStringList listFiles(const QString &directory, const QString &pattern,
                      const std::function<void(qsizetype)> &found = {});

// Rows of the directory list: the drive root and each ancestor, the directory itself, then its
// subdirectories.
enum class RowKind { Ancestor, Current, Subdirectory };

struct TreeRow
{
    QString text;
    QString path;
    RowKind kind;
    bool operator==(const TreeRow &) const = default;
};

// The root and ancestor rows and the current row of a directory on a drive with this root.
QList<TreeRow> directoryTree(const QString &directory, const QString &root);

// Left indent of a row's glyph: root, ancestors and current step 4 pixels per level;
// subdirectories stand 4 pixels right of the current row, 8 under a root.
int treeIndent(RowKind kind, int position, int currentPosition);

} // namespace tolvan::browser
