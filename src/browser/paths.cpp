#include "paths.h"

#include "masks.h"
#include "platform/error.h"

#include <QCollator>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tolvan::browser {

QString errorMessage(int error)
{
    switch (error) {
    case ENOENT:
        return QStringLiteral("File not found");
    case ENOTDIR:
    case ENAMETOOLONG:
        return QStringLiteral("Invalid filename");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    case EACCES:
    case EPERM:
        return QStringLiteral("File access denied");
    default:
        return QStringLiteral("I/O error %1").arg(error);
    }
}

void raiseError(int error)
{
    throw platform::Error(errorMessage(error));
}

QString currentDirectory()
{
    std::vector<char> buffer(512);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE)
            raiseError(errno);
        buffer.resize(buffer.size() * 2);
    }
    return QFile::decodeName(buffer.data());
}

QString currentDirectoryOr(const QString &fallback)
{
    try {
        return currentDirectory();
    } catch (const platform::Error &) {
        return fallback;
    }
}

void changeDirectory(const QString &path)
{
    if (::chdir(QFile::encodeName(path).constData()) != 0)
        raiseError(errno);
}

bool hasWildcard(const QString &name)
{
    return name.contains(u'*') || name.contains(u'?');
}

namespace {

bool isExistingDirectory(const QString &name)
{
    struct stat st;
    return ::stat(QFile::encodeName(name).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isExistingNonDirectory(const QString &name)
{
    struct stat st;
    return ::stat(QFile::encodeName(name).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// Holds the current directory by descriptor, so that it can be restored even after it was
// renamed or removed while we walked elsewhere. A directory that can no longer be searched
// (its permissions were taken away while it was shown) can be neither held nor entered again;
// then there is nothing to go back to, and walking on from it is still allowed.
class SavedDirectory
{
public:
    SavedDirectory() : m_fd(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd < 0 && errno != EACCES)
            raiseError(errno);
    }
    ~SavedDirectory()
    {
        if (m_fd >= 0) {
            [[maybe_unused]] const int ignored = ::fchdir(m_fd);
            ::close(m_fd);
        }
    }
    SavedDirectory(const SavedDirectory &) = delete;
    SavedDirectory &operator=(const SavedDirectory &) = delete;

    // Restores and reports a failure; the destructor only covers the error path.
    void restore()
    {
        if (m_fd < 0)
            return;
        const int rc = ::fchdir(m_fd);
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        if (rc != 0)
            raiseError(error);
    }

private:
    int m_fd;
};

class DirectoryStream
{
public:
    explicit DirectoryStream(const QString &path)
        : m_dir(::opendir(QFile::encodeName(path).constData()))
    {
    }
    ~DirectoryStream()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    DirectoryStream(const DirectoryStream &) = delete;
    DirectoryStream &operator=(const DirectoryStream &) = delete;

    enum class Kind { Directory, PlainFile, Other };

    // Calls visit(name, kind) for every entry whose name does not begin with a dot and reads
    // back as the same bytes. Qt reads names as UTF-8 and puts U+FFFD for bytes that are not,
    // so such a name, written back, is another file's name or none: listed, it would open (and
    // save over) the wrong file.
    template <typename Visit> void forEachVisible(Visit visit)
    {
        if (!m_dir)
            return;
        const int fd = ::dirfd(m_dir);
        while (const dirent *entry = ::readdir(m_dir)) {
            if (entry->d_name[0] == '.')
                continue;
            const QString name = QFile::decodeName(entry->d_name);
            if (QFile::encodeName(name) != entry->d_name)
                continue;
            visit(name, kindOf(fd, entry));
        }
    }

private:
    // The entry's type, following symbolic links; stat never opens the entry, and
    // AT_NO_AUTOMOUNT keeps an automount point from being mounted just to be listed.
    static Kind kindOf(int fd, const dirent *entry)
    {
        unsigned char type = entry->d_type;
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(fd, entry->d_name, &st, AT_NO_AUTOMOUNT) != 0)
                return Kind::Other;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        return type == DT_DIR ? Kind::Directory : type == DT_REG ? Kind::PlainFile : Kind::Other;
    }

    DIR *m_dir;
};

void sortNames(QStringList &names)
{
    const QCollator collator = nameCollator();
    std::sort(names.begin(), names.end(),
              [&](const QString &a, const QString &b) { return nameLess(collator, a, b); });
}

} // namespace

QString resolveDirectory(const QString &path)
{
    SavedDirectory saved;
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = path.mid(slash + 1);
    if (slash == 0)
        changeDirectory(QStringLiteral("/"));
    else if (slash > 0)
        changeDirectory(path.left(slash));
    // A name holding "*" or "?" is a mask, and drops, unless a folder has that name: on this
    // system such names are legal.
    if (!name.isEmpty() &&
        (hasWildcard(name) ? isExistingDirectory(name) : !isExistingNonDirectory(name)))
        changeDirectory(name);
    const QString result = currentDirectory();
    saved.restore();
    return result;
}

QString joinPath(const QString &directory, const QString &name)
{
    if (directory.endsWith(u'/'))
        return directory + name;
    return directory + u'/' + name;
}

bool isOnRoot(const QString &path, const QString &root)
{
    if (root == QLatin1String("/"))
        return path.startsWith(u'/');
    return path == root || path.startsWith(root + u'/');
}

bool samePath(const QString &a, const QString &b, bool caseSensitive)
{
    if (caseSensitive)
        return a == b;
    return nameCollator().compare(a, b) == 0;
}

QCollator nameCollator()
{
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

bool nameLess(const QCollator &collator, const QString &a, const QString &b)
{
    const int order = collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

QStringList listSubdirectories(const QString &directory)
{
    QStringList names;
    DirectoryStream(directory).forEachVisible([&](const QString &name, auto kind) {
        if (kind == DirectoryStream::Kind::Directory)
            names.append(name);
    });
    sortNames(names);
    // On a case-sensitive volume "Web" and "web" may both exist; the list shows one row.
    const QCollator collator = nameCollator();
    names.erase(std::unique(names.begin(), names.end(),
                            [&](const QString &a, const QString &b) {
                                return collator.compare(a, b) == 0;
                            }),
                names.end());
    return names;
}

QStringList listFiles(const QString &directory, const QString &pattern,
                      const std::function<void(qsizetype)> &found)
{
    QStringList names;
    if (pattern.isEmpty())
        return names;
    DirectoryStream(directory).forEachVisible([&](const QString &name, auto kind) {
        if (kind == DirectoryStream::Kind::PlainFile && matchesPattern(name, pattern)) {
            names.append(name);
            if (found)
                found(names.size());
        }
    });
    sortNames(names);
    return names;
}

QList<TreeRow> directoryTree(const QString &directory, const QString &root)
{
    QList<TreeRow> rows;
    if (directory == root || !isOnRoot(directory, root)) {
        rows.append({directory, directory, RowKind::Current});
        return rows;
    }
    rows.append({root, root, RowKind::Ancestor});
    const QStringList parts = directory.mid(root.size()).split(u'/', Qt::SkipEmptyParts);
    QString path = root;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        path = joinPath(path, parts[i]);
        rows.append({parts[i], path, i + 1 == parts.size() ? RowKind::Current : RowKind::Ancestor});
    }
    return rows;
}

int treeIndent(RowKind kind, int position, int currentPosition)
{
    if (kind == RowKind::Subdirectory)
        return 4 * std::max(currentPosition, 1) + 6;
    return 4 * position + 2;
}

} // namespace tolvan::browser
