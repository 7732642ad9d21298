#include "pagefile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tolvan::document {

namespace {

// Writes all of data at offset; false on the first error.
bool writeAllAt(int fd, const char *data, qint64 size, qint64 offset)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size_t(size), off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
        offset += n;
    }
    return true;
}

bool readAllAt(int fd, QByteArray &into, qint64 size)
{
    into.resize(qsizetype(size));
    for (qint64 done = 0; done < size;) {
        const ssize_t n = ::pread(fd, into.data() + done, size_t(size - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) // a file that shrank while being read is not the page that was checked
            return false;
        done += n;
    }
    return true;
}

// A rename is on the disk once the folder that holds the names is. A folder the user may not
// read cannot be opened to be synced, and some file systems cannot sync folders at all: there
// the rename is as durable as the system makes it.
bool syncFolder(const QString &folder)
{
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return true;
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL || errno == EROFS;
    ::close(fd);
    return synced;
}

// The page's own file and folder, past symbolic links.
struct Target
{
    QString file, folder;
    struct stat page {};
    struct stat dir {};
};

// Whether a new file can take the page's place without anyone noticing but by its content:
// the folder takes a new name, the page has no other name, and a rename may replace it (in a
// folder with the sticky bit only the owners of the page or the folder, or the superuser, may).
bool canReplace(const Target &t)
{
    if (t.page.st_nlink > 1 || ::access(QFile::encodeName(t.folder).constData(), W_OK | X_OK))
        return false;
    const uid_t me = ::geteuid();
    return !(t.dir.st_mode & S_ISVTX) || me == 0 || me == t.page.st_uid || me == t.dir.st_uid;
}

PageWrite writeInPlace(const Target &t, const QByteArray &bytes,
                       const std::function<void()> &beforeInPlace)
{
    const int fd =
        ::open(QFile::encodeName(t.file).constData(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return PageWrite::CannotCreate;
    // The old bytes are kept to be put back: a failed save must not cost the page.
    struct stat info {};
    QByteArray old;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !readAllAt(fd, old, info.st_size)) {
        ::close(fd);
        return PageWrite::CannotCreate;
    }
    if (beforeInPlace)
        beforeInPlace();
    const qint64 size = bytes.size();
    // Reserving the blocks first turns a full disk or quota into a refusal before the page is
    // touched, instead of a failure halfway through.
    int failed = size > old.size() ? ::posix_fallocate(fd, 0, off_t(size)) : 0;
    PageWrite result = failed ? PageWrite::CannotWrite : PageWrite::Ok;
    if (!failed && (!writeAllAt(fd, bytes.constData(), size, 0) ||
                    (size < old.size() && ::ftruncate(fd, off_t(size)) != 0)))
        result = PageWrite::CannotWrite;
    else if (!failed && ::fdatasync(fd) != 0)
        result = PageWrite::CannotClose;
    if (result != PageWrite::Ok) {
        writeAllAt(fd, old.constData(), old.size(), 0);
        [[maybe_unused]] const int truncated = ::ftruncate(fd, off_t(old.size()));
        ::fdatasync(fd);
    }
    if (::close(fd) != 0 && result == PageWrite::Ok)
        result = PageWrite::CannotClose;
    return result;
}

} // namespace

PageWrite writePage(const QString &path, const QByteArray &bytes,
                    const std::function<void()> &beforeInPlace)
{
    // A file without any write permission is read-only: it is not replaced behind its back.
    const QByteArray name = QFile::encodeName(path);
    Target target;
    const bool exists = ::stat(name.constData(), &target.page) == 0;
    if (exists && (!S_ISREG(target.page.st_mode) || (target.page.st_mode & 0222) == 0 ||
                   ::access(name.constData(), W_OK) != 0))
        return PageWrite::CannotCreate;
    if (exists) {
        target.file = QFileInfo(path).canonicalFilePath();
        target.folder = QFileInfo(target.file).path();
        if (target.file.isEmpty() ||
            ::stat(QFile::encodeName(target.folder).constData(), &target.dir) != 0)
            return PageWrite::CannotCreate;
        if (!canReplace(target))
            return writeInPlace(target, bytes, beforeInPlace);
    }

    // The new text goes to a temporary file beside the old one, which is replaced only once the
    // new one is complete on disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return exists ? writeInPlace(target, bytes, beforeInPlace) : PageWrite::CannotCreate;
    if (exists) {
        // Owner and group first: changing them clears the set-ID bits that the mode then puts
        // back. An owner or group the user may not give is kept by writing in place instead.
        const int fd = file.handle();
        if (::fchown(fd, target.page.st_uid, target.page.st_gid) != 0) {
            file.cancelWriting();
            file.commit();
            return writeInPlace(target, bytes, beforeInPlace);
        }
        ::fchmod(fd, target.page.st_mode & 07777);
    }
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        return PageWrite::CannotWrite;
    }
    if (!file.commit())
        return PageWrite::CannotClose;
    return syncFolder(QFileInfo(exists ? target.file : QFileInfo(path).absoluteFilePath()).path())
               ? PageWrite::Ok
               : PageWrite::CannotClose;
}

} // namespace tolvan::document
