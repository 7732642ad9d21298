// Resolving a directory the user or the settings file names, on a small tree of folders, files,
// links (one to a folder, one to a file, one dangling, one a loop), a FIFO and names with blanks
// and accents.
//
// From a live working directory resolveDirectory agrees with a model built on realpath(3): the
// folder path is entered, a last name that is an existing non-folder or holds a wildcard is
// dropped, and the answer is the physical path of what is left, or the error realpath meets.
// From any working directory, also one removed meanwhile, the working directory is the same
// afterwards, success or failure, and an answer is always an existing folder's absolute path.

#include "common.h"

#include "browser/paths.h"
#include "platform/error.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using tolvan::fuzz::shown;
using namespace tolvan::browser;

namespace {

QString g_root;
QString g_gone; // a folder made and removed again for inputs that start there

void makeTree()
{
    QDir(tolvan::fuzz::scratchFolder()).mkdir(QStringLiteral("tree"));
    g_root = QFileInfo(tolvan::fuzz::scratchFolder() + QStringLiteral("/tree")).canonicalFilePath();
    const QByteArray root = QFile::encodeName(g_root);
    for (const char *folder : {"/a", "/a/b", "/a/b/deep", "/c", "/sp ace", "/\xc3\xa9t\xc3\xa9"})
        ::mkdir((root + folder).constData(), 0755);
    for (const char *file : {"/top.htm", "/a/page.htm", "/c/x.html"}) {
        QFile f(QString::fromUtf8(root + file));
        if (!f.open(QIODevice::WriteOnly))
            std::abort();
    }
    ::symlink("a", (root + "/link").constData());
    ::symlink("top.htm", (root + "/flink").constData());
    ::symlink("nowhere", (root + "/dangling").constData());
    ::symlink("loop", (root + "/loop").constData());
    ::mkfifo((root + "/fifo").constData(), 0644);
    g_gone = g_root + QStringLiteral("/gone");
}

// What a path is made of: the tree's names, the parts that move, and the odd characters.
QString pathFrom(FuzzedDataProvider &in)
{
    static const char *const tokens[] = {
        "a",    "b",     "c",        "deep", "top.htm", "page.htm", "x.html",
        "link", "flink", "dangling", "loop", "fifo",    "sp ace",   "\xc3\xa9t\xc3\xa9",
        "nope", "..",    ".",        "/",    "/",       "/",        "*",
        "?",    "*.htm", " ",        "A",    "~",       "\\",       "\t",
    };
    QString path;
    if (in.ConsumeBool())
        path = g_root + u'/';
    const size_t parts = in.ConsumeIntegralInRange<size_t>(0, 10);
    for (size_t i = 0; i < parts && in.remaining_bytes() > 0; ++i)
        path +=
            QString::fromUtf8(tokens[in.ConsumeIntegralInRange<size_t>(0, std::size(tokens) - 1)]);
    return path;
}

struct Expected
{
    bool ok;
    QString path;  // when ok
    QString error; // when not
};

Expected model(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const QString name = path.mid(slash + 1);
    QString folder = slash < 0    ? QStringLiteral(".")
                     : slash == 0 ? QStringLiteral("/")
                                  : path.left(slash);
    QString target = folder;
    if (!name.isEmpty() && !hasWildcard(name)) {
        struct stat info
        {
        };
        const QString candidate = folder + u'/' + name;
        const bool nonFolder =
            ::stat(QFile::encodeName(candidate).constData(), &info) == 0 && !S_ISDIR(info.st_mode);
        if (!nonFolder)
            target = candidate;
    }
    char resolved[PATH_MAX];
    if (!::realpath(QFile::encodeName(target).constData(), resolved))
        return {false, {}, errorMessage(errno)};
    struct stat info
    {
    };
    if (::stat(resolved, &info) != 0 || !S_ISDIR(info.st_mode))
        return {false, {}, errorMessage(ENOTDIR)};
    return {true, QFile::decodeName(resolved), {}};
}

// The working directory, by identity rather than by name: it may have no name any more.
std::pair<dev_t, ino_t> workingDirectory()
{
    struct stat info
    {
    };
    if (::stat(".", &info) != 0)
        std::abort();
    return {info.st_dev, info.st_ino};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    makeTree();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int start = in.ConsumeIntegralInRange<int>(0, 3);
    const bool removed = start == 3;
    if (removed) {
        ::mkdir(QFile::encodeName(g_gone).constData(), 0755);
        if (::chdir(QFile::encodeName(g_gone).constData()) != 0 ||
            ::rmdir(QFile::encodeName(g_gone).constData()) != 0)
            std::abort();
    } else {
        const char *const starts[] = {"", "/a", "/a/b"};
        if (::chdir(QFile::encodeName(g_root + QString::fromUtf8(starts[start])).constData()) != 0)
            std::abort();
    }
    const QString path = pathFrom(in);
    const auto before = workingDirectory();
    const Expected expected = removed ? Expected{} : model(path);

    bool ok = false;
    QString got;
    try {
        got = resolveDirectory(path);
        ok = true;
    } catch (const tolvan::platform::Error &error) {
        got = error.message();
    }
    const std::string context = "start " + std::to_string(start) + " path " + shown(path) +
                                " gave " + (ok ? "folder " : "error ") + shown(got);
    TOLVAN_CHECK(workingDirectory() == before, context);
    if (ok) {
        TOLVAN_CHECK(got.startsWith(u'/') && QFileInfo(got).isDir(), context);
        TOLVAN_CHECK(QFileInfo(got).canonicalFilePath() == got, context);
    }
    if (!removed) {
        TOLVAN_CHECK(ok == expected.ok,
                     context + ", expected " +
                         (expected.ok ? shown(expected.path) : shown(expected.error)));
        TOLVAN_CHECK(got == (ok ? expected.path : expected.error),
                     context + ", expected " + shown(ok ? expected.path : expected.error));
    }
    return 0;
}
