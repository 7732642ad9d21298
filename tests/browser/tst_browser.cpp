#include "browser/directorylistbox.h"
#include "browser/drivecombobox.h"
#include "browser/drives.h"
#include "browser/filelistbox.h"
#include "browser/filtercombobox.h"
#include "browser/masks.h"
#include "browser/paths.h"
#include "common/hermetic.h"
#include "platform/error.h"

#include <QApplication>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tolvan::browser;
using tolvan::platform::Error;

namespace {

// Makes entries under a temporary folder: "dir/" a folder, "fifo:x" a FIFO, "sock:x" a socket,
// "link:x=target" a symbolic link, "ro:x" a read-only file, anything else an empty file.
// Returns the folder's path as the system reports it (no symbolic links).
QString makeTree(const QTemporaryDir &dir, const QStringList &entries)
{
    const QString root = QFileInfo(dir.path()).canonicalFilePath();
    for (const QString &entry : entries) {
        const QString kind = entry.section(u':', 0, 0), name = entry.section(u':', 1);
        const QString full = root + u'/' + (name.isEmpty() ? entry : name).section(u'=', 0, 0);
        const QByteArray path = QFile::encodeName(full);
        QDir().mkpath(QFileInfo(full).path());
        if (entry.endsWith(u'/')) {
            QDir().mkpath(full);
        } else if (kind == QLatin1String("fifo")) {
            ::mkfifo(path.constData(), 0644);
        } else if (kind == QLatin1String("sock")) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
            ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
            ::close(fd);
        } else if (kind == QLatin1String("link")) {
            QFile::link(name.section(u'=', 1), full);
        } else {
            QFile file(full);
            file.open(QIODevice::WriteOnly);
            if (kind == QLatin1String("ro"))
                file.setPermissions(QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        }
    }
    return root;
}

// Puts made-up mounts in place of the machine's while it lives.
struct FakeMounts
{
    explicit FakeMounts(const QList<MountRecord> &mounts)
    {
        setMountSource([mounts] { return mounts; });
    }
    ~FakeMounts() { setMountSource({}); }
};

MountRecord mount(const QString &root, const char *type, const QString &device = {},
                  const QString &label = {}, bool removable = false)
{
    return {root, QString::fromLatin1(type), device, label, removable};
}

QStringList texts(const QListWidget &list)
{
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        result << list.item(i)->text();
    return result;
}

QString errorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const Error &e) {
        return e.message();
    }
    return {};
}

void showAndWait(QWidget &widget)
{
    widget.resize(220, 300);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
}

QPoint centreOf(QListWidget &list, int row)
{
    return list.visualItemRect(list.item(row)).center();
}

} // namespace

class BrowserTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        setMountSource({});
        QDir::setCurrent(tolvan::test::hermeticHome().path());
    }

    void maskMatching_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("matches");
        const auto row = [](const char *pattern, const char *name, bool matches) {
            QTest::addRow("%s ~ %s", pattern, name)
                << QString::fromUtf8(pattern) << QString::fromUtf8(name) << matches;
        };
        row("*.htm", "index.htm", true);
        row("*.htm", "INDEX.HTM", true);
        row("*.htm", "index.html", true); // three-character extension reaches longer ones
        row("*.htm", "index.ht", false);
        row("*.htm", "index.htm.bak", false);
        row("*.htm", "htm", false);
        row("*.html", "index.htm", false);
        row("*.h?m", "index.html", true);
        row("*.*", "readme", true); // also names without a dot
        row("*.txt", "notes.TXT", true);
        row("?.c", "ab.c", false);
        row("page?.htm", "page12.htm", false);
        row("a*b*c", "axxbyyc", true);
        row("a*b*c", "acb", false);
        row("", "a", false);
        row("[ab].txt", "a.txt", false); // brackets are plain characters
        row("[ab].txt", "[AB].TXT", true);
        row("*ä*.txt", "BÄR.txt", true);
    }

    void maskMatching()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QFETCH(bool, matches);
        QCOMPARE(matchesPattern(name, pattern), matches);
    }

    void filterParsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("descriptions");
        QTest::addColumn<QStringList>("masks");
        QTest::newRow("main window")
            << "HTML Files (*.html)|*.htm|Text Files (*.txt)|*.txt|All Files (*.*)|*.*"
            << QStringList{"HTML Files (*.html)", "Text Files (*.txt)", "All Files (*.*)"}
            << QStringList{"*.htm", "*.txt", "*.*"};
        QTest::newRow("description without mask dropped")
            << "A|*.a|B" << QStringList{"A"} << QStringList{"*.a"};
        QTest::newRow("trailing bar gives empty mask")
            << "A|*.a|B|" << QStringList{"A", "B"} << QStringList{"*.a", ""};
        QTest::newRow("mask list kept whole")
            << "Pages|*.htm;*.html" << QStringList{"Pages"} << QStringList{"*.htm;*.html"};
        QTest::newRow("empty") << "" << QStringList{} << QStringList{};
        QTest::newRow("no bar") << "All" << QStringList{} << QStringList{};
        QTest::newRow("only bars") << "||" << QStringList{""} << QStringList{""};
    }

    void filterParsing()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, descriptions);
        QFETCH(QStringList, masks);
        QStringList gotDescriptions, gotMasks;
        for (const FilterEntry &entry : parseFilter(text)) {
            gotDescriptions << entry.description;
            gotMasks << entry.mask;
        }
        QCOMPARE(gotDescriptions, descriptions);
        QCOMPARE(gotMasks, masks);
    }

    void errorMessages_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("message");
        QTest::newRow("ENOENT") << ENOENT << "File not found";
        QTest::newRow("ENOTDIR") << ENOTDIR << "Invalid filename";
        QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << "Invalid filename";
        QTest::newRow("EMFILE") << EMFILE << "Too many open files";
        QTest::newRow("ENFILE") << ENFILE << "Too many open files";
        QTest::newRow("EACCES") << EACCES << "File access denied";
        QTest::newRow("EPERM") << EPERM << "File access denied";
        QTest::newRow("EIO") << EIO << "I/O error 5";
        QTest::newRow("ELOOP") << ELOOP << QStringLiteral("I/O error %1").arg(ELOOP);
    }

    void errorMessages()
    {
        QFETCH(int, error);
        QFETCH(QString, message);
        QCOMPARE(errorMessage(error), message);
        QCOMPARE(errorOf([&] { raiseError(error); }), message);
    }

    void executableNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("executable");
        for (const char *name : {"SETUP.EXE", "run.bat", "x.com", "old.PIF"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        for (const char *name : {"page.htm", "readme", "a.exe.txt", "tool.exe2", "exe"})
            QTest::newRow(name) << QString::fromLatin1(name) << false;
    }

    void executableNames()
    {
        QFETCH(QString, name);
        QFETCH(bool, executable);
        QCOMPARE(isExecutableName(name), executable);
    }

    void pathResolution_data()
    {
        // {root} is the fixture; the result is relative to it, "/" for the file-system root, or
        // the error's message after "!".
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *start, QString input,
                            const char *expected) {
            QTest::newRow(name) << QString::fromUtf8(start) << input << QString::fromUtf8(expected);
        };
        row("absolute", "", "{root}/web/site", "web/site");
        row("relative", "", "web/site", "web/site");
        row("parent", "web/site", "..", "web");
        row("parent then sibling", "web/site", "../pages", "web/pages");
        row("dot", "web", ".", "web");
        row("empty stays", "web", "", "web");
        row("file as last part", "", "web/index.htm", "web");
        row("file alone", "web", "index.htm", "web");
        row("wildcard as last part", "", "{root}/web/*.htm", "web");
        row("wildcard alone", "web", "*.htm", "web");
        row("trailing slash", "", "{root}/web/", "web");
        row("fifo as last part", "", "{root}/web/pipe", "web");
        row("symbolic link reported resolved", "", "{root}/link", "web");
        row("file-system root", "web", "/", "/");
        row("missing folder", "", "{root}/nothere", "!File not found");
        row("missing parent", "", "nothere/web", "!File not found");
        row("through a file", "", "web/index.htm/site", "!Invalid filename");
        row("name too long", "", "{root}/" + QString(300, u'a'), "!Invalid filename");
    }

    void pathResolution()
    {
        QFETCH(QString, start);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString root = makeTree(
            dir, {"web/site/", "web/pages/", "web/index.htm", "fifo:web/pipe", "link:link=web"});
        const QString startPath = start.isEmpty() ? root : root + u'/' + start;
        changeDirectory(startPath);
        input.replace(QLatin1String("{root}"), root);
        if (expected.startsWith(u'!')) {
            QCOMPARE(errorOf([&] { resolveDirectory(input); }), expected.mid(1));
        } else {
            const QString want = expected == QLatin1String("/") ? expected : root + u'/' + expected;
            QCOMPARE(resolveDirectory(input), want);
        }
        // Resolution walks the tree but leaves the working directory where it found it.
        QCOMPARE(currentDirectory(), startPath);
    }

    void subdirectoryListing()
    {
        QTemporaryDir dir;
        const QString root =
            makeTree(dir, {"Web/", "web/", ".hidden/", "beta/", "Alpha/", "file.txt", "fifo:pipe",
                           "link:to-beta=beta", "link:dead=none"});
        // One of the two names differing in case only, hidden folders and non-folders left out.
        QCOMPARE(listSubdirectories(root), (QStringList{"Alpha", "beta", "to-beta", "Web"}));
        QCOMPARE(listSubdirectories(root + QStringLiteral("/gone")), QStringList{});
    }

    void driveListing_data()
    {
        QTest::addColumn<QList<MountRecord>>("mounts");
        QTest::addColumn<QStringList>("entries"); // text, then glyph name
        const QList<MountRecord> machine = {
            mount("/data", "ext4", "/dev/sdc1", "Old"),
            mount("/", "ext4", "/dev/sda2", "System"),
            mount("/proc", "proc", "proc"),
            mount("/sys/fs/cgroup", "tmpfs", "tmpfs"),
            mount("/run/user/1000", "tmpfs", "tmpfs"),
            mount("/dev/shm", "tmpfs", "tmpfs"),
            mount("/boot/efi", "vfat", "/dev/sda1", "", false),
            mount("/snap/core/1", "squashfs", "/dev/loop0"),
            mount("/tmp", "tmpfs", "tmpfs"),
            mount("/run/media/u/DVD", "iso9660", "/dev/sr0", "My Disc", true),
            mount("/media/u/STICK", "vfat", "/dev/sdb1", "STICK", true),
            mount("/mnt/share", "nfs4", "Server:/Export"),
            mount("/mnt/smb", "cifs", "", "Team"),
            mount("/mnt/part", "ntfs3", "/dev/sda3", "Shared", false),
            mount("/data", "ext4", "/dev/sdd1", "Data & More"), // hides the earlier /data
            mount("relative", "ext4", "/dev/sde1"),
        };
        QTest::newRow("machine") << machine
                                 << QStringList{"/ [system]",
                                                "hard",
                                                "/media/u/stick",
                                                "floppy",
                                                "/run/media/u/dvd [my disc]",
                                                "cdrom",
                                                "/mnt/share server:/export",
                                                "network",
                                                "/mnt/smb [team]",
                                                "network",
                                                "/data [data & more]",
                                                "hard",
                                                "/mnt/part [shared]",
                                                "hard",
                                                "/tmp []",
                                                "ram"};
        QTest::newRow("root only, no label")
            << QList<MountRecord>{mount("/", "btrfs", "/dev/vda")} << QStringList{"/ []", "hard"};
        QTest::newRow("ext4 stick is a hard drive")
            << QList<MountRecord>{mount("/media/u/Backup", "ext4", "/dev/sdb1", "Backup", true)}
            << QStringList{"/media/u/backup [backup]", "hard"};
    }

    void driveListing()
    {
        QFETCH(QList<MountRecord>, mounts);
        QFETCH(QStringList, entries);
        QStringList got;
        for (const DriveEntry &drive : listDrives(mounts))
            got << drive.text << glyphName(drive.kind);
        QCOMPARE(got, entries);
    }

    void driveOfPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        QTest::newRow("on /") << "/home/u/web"
                              << "/";
        QTest::newRow("drive root") << "/media/u/stick"
                                    << "/media/u/stick";
        QTest::newRow("below drive") << "/media/u/stick/web"
                                     << "/media/u/stick";
        QTest::newRow("nested drive wins") << "/media/u/stick/inner/x"
                                           << "/media/u/stick/inner";
        QTest::newRow("name prefix is no parent") << "/media/u/sticky"
                                                  << "/";
    }

    void driveOfPath()
    {
        QFETCH(QString, path);
        QFETCH(QString, root);
        const QList<DriveEntry> drives =
            listDrives({mount("/", "ext4"), mount("/media/u/stick", "vfat", {}, {}, true),
                        mount("/media/u/stick/inner", "ext4")});
        QCOMPARE(driveFor(path, drives).root, root);
        QCOMPARE(driveFor(path, {}).root, QStringLiteral("/"));
    }

    void directoryList_showsTreeWithIndents()
    {
        QTemporaryDir dir;
        const QString root = makeTree(dir, {"web/site/pages/", "web/site/Images/", "web/site/.git/",
                                            "web/site/page.htm", "web/Site/"});
        FakeMounts mounts({mount("/", "ext4"), mount(root, "ext4", "/dev/fake", "Fake")});
        changeDirectory(root);
        TDirectoryListBox list;
        QCOMPARE(texts(list), QStringList{root} << "web"); // a root: one row, then its folders
        QCOMPARE(list.indentOf(1), 10);
        list.setDirectory(root + QStringLiteral("/web/site"));
        QCOMPARE(texts(list), (QStringList{root, "web", "site", "Images", "pages"}));
        QCOMPARE(list.currentDirectoryRow(), 2);
        QCOMPARE(list.currentRow(), 2);
        QList<int> kinds;
        for (int row = 0; row < list.count(); ++row)
            kinds << list.item(row)->data(TDirectoryListBox::KindRole).toInt();
        const int ancestor = int(RowKind::Ancestor), current = int(RowKind::Current),
                  sub = int(RowKind::Subdirectory);
        QCOMPARE(kinds, (QList<int>{ancestor, ancestor, current, sub, sub}));
        QCOMPARE((QList<int>{list.indentOf(0), list.indentOf(2), list.indentOf(3)}),
                 (QList<int>{2, 10, 14}));
    }

    void directoryList_setDirectory_data()
    {
        // The fixture's file-system type, what is set, and where the lists end up (relative to
        // the fixture) or the error's message after "!"; changes counts directoryChanged.
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("changes");
        const auto row = [](const char *name, const char *type, const char *input,
                            const char *expected, int changes) {
            QTest::newRow(name) << QString::fromLatin1(type) << QString::fromLatin1(input)
                                << QString::fromLatin1(expected) << changes;
        };
        row("relative", "ext4", "site", "web/site", 1);
        row("file selects its folder", "ext4", "site/page.htm", "web/site", 1);
        row("wildcard selects its folder", "ext4", "{root}/*.htm", "", 1);
        row("parent", "ext4", "..", "", 1);
        row("empty changes nothing", "ext4", "", "web", 0);
        row("same text changes nothing", "ext4", "{root}/web", "web", 0);
        row("other case is the same on vfat", "vfat", "{root}/WEB", "web", 0);
        row("other case is another on ext4", "ext4", "{root}/WEB", "!File not found", 0);
        row("missing folder", "ext4", "gone", "!File not found", 0);
        row("through a file", "ext4", "site/page.htm/x", "!Invalid filename", 0);
    }

    void directoryList_setDirectory()
    {
        QFETCH(QString, type);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QFETCH(int, changes);
        QTemporaryDir dir;
        const QString root = makeTree(dir, {"web/site/page.htm", "web/a.htm", "top.htm"});
        FakeMounts mounts({mount("/", "ext4"), mount(root, type.toLatin1().constData())});
        changeDirectory(root + QStringLiteral("/web"));
        TDirectoryListBox dirs;
        TFileListBox files;
        dirs.setFileList(&files);
        showAndWait(files);
        const QStringList rowsBefore = texts(dirs), filesBefore = texts(files);
        QSignalSpy changed(&dirs, &TDirectoryListBox::directoryChanged);

        const QString error = errorOf([&] { dirs.setDirectory(input.replace("{root}", root)); });
        QCOMPARE(changed.count(), changes);
        if (expected.startsWith(u'!')) {
            QCOMPARE(error, expected.mid(1));
            QCOMPARE(texts(dirs), rowsBefore);
            QCOMPARE(texts(files), filesBefore);
            expected = QStringLiteral("web");
        }
        const QString want = expected.isEmpty() ? root : root + u'/' + expected;
        QCOMPARE(dirs.directory(), want);
        QCOMPARE(files.directory(), want);
        QCOMPARE(currentDirectory(), want);
    }

    void directoryList_clickHighlightsOpenMoves()
    {
        QTemporaryDir dir;
        const QString root = makeTree(dir, {"web/site/", "web/site/deep/", "web/site/in.htm"});
        FakeMounts mounts({mount("/", "ext4"), mount(root, "ext4")});
        changeDirectory(root + QStringLiteral("/web"));
        TDirectoryListBox dirs;
        TFileListBox files;
        dirs.setFileList(&files);
        showAndWait(dirs);
        files.show();
        QSignalSpy changed(&dirs, &TDirectoryListBox::directoryChanged);

        QTest::mouseClick(dirs.viewport(), Qt::LeftButton, {}, centreOf(dirs, 2)); // "site"
        QCOMPARE(dirs.currentRow(), 2);
        QCOMPARE(changed.count(), 0);
        QTest::mouseDClick(dirs.viewport(), Qt::LeftButton, {}, centreOf(dirs, 2));
        QCOMPARE(dirs.directory(), root + QStringLiteral("/web/site"));
        QCOMPARE(texts(files), QStringList{"in.htm"});
        QCOMPARE(currentDirectory(), dirs.directory());

        dirs.setCurrentRow(dirs.currentDirectoryRow()); // opening the current row does nothing
        QTest::keyClick(&dirs, Qt::Key_Return);
        QCOMPARE(changed.count(), 1);
        dirs.setCurrentRow(0);
        QTest::keyClick(&dirs, Qt::Key_Enter);
        QCOMPARE(dirs.directory(), root);
        QCOMPARE(currentDirectory(), root);
        QCOMPARE(files.directory(), root);
    }

    void folderGoneWhileShown_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("error");
        QTest::newRow("removed") << "remove"
                                 << "File not found";
        QTest::newRow("renamed") << "rename"
                                 << "File not found";
        QTest::newRow("made unreadable") << "chmod"
                                         << "File access denied";
    }

    void folderGoneWhileShown()
    {
        QFETCH(QString, how);
        QFETCH(QString, error);
        if (how == QLatin1String("chmod") && ::geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        QTemporaryDir dir;
        const QString root = makeTree(dir, {"web/sub/", "web/a.htm", "up.htm"});
        const QString web = root + QStringLiteral("/web");
        FakeMounts mounts({mount("/", "ext4"), mount(root, "ext4")});
        changeDirectory(web);
        TDirectoryListBox dirs;
        TFileListBox files;
        dirs.setFileList(&files);
        showAndWait(dirs);
        files.show();
        QSignalSpy errors(&dirs, &TDirectoryListBox::errorRaised);

        if (how == QLatin1String("remove"))
            QDir(web).removeRecursively();
        else if (how == QLatin1String("rename"))
            QDir(root).rename(QStringLiteral("web"), QStringLiteral("moved"));
        else
            ::chmod(QFile::encodeName(web).constData(), 0);
        const auto giveBack =
            qScopeGuard([&] { ::chmod(QFile::encodeName(web).constData(), 0755); });

        QCOMPARE(errorOf([&] { files.Update(); }), error);
        QCOMPARE(texts(files), QStringList{"a.htm"}); // the old entries stay
        dirs.setCurrentRow(2);                        // "sub"
        QTest::keyClick(&dirs, Qt::Key_Return);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first().first().toString(), error);
        QCOMPARE(dirs.directory(), web);

        // The parent can still be opened, and the file list follows it there.
        dirs.setCurrentRow(0);
        QTest::keyClick(&dirs, Qt::Key_Return);
        QCOMPARE(dirs.directory(), root);
        QCOMPARE(files.directory(), root);
        QCOMPARE(texts(files), QStringList{"up.htm"});
        QCOMPARE(currentDirectory(), root);
    }

    void fileList_masks_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QStringList>("names");
        const QStringList pages = {"index.htm", "index.html", "INDEX2.HTM", "link.htm", "ro.htm"};
        QTest::newRow("*.htm lists .html too") << "*.htm" << pages;
        QTest::newRow("all plain files")
            << "*.*"
            << pages.mid(0, 4) +
                   QStringList{"notes.txt", "readme", "ro.htm", "run.bat", "SETUP.EXE"};
        QTest::newRow("both page patterns list .html twice")
            << "*.htm;*.html" << QStringList{"index.htm",  "index.html", "index.html",
                                             "INDEX2.HTM", "link.htm",   "ro.htm"};
        QTest::newRow("prefix") << "read*" << QStringList{"readme"};
        QTest::newRow("blanks are kept") << " *.htm" << QStringList{};
        QTest::newRow("empty patterns add nothing") << ";*.txt;" << QStringList{"notes.txt"};
        QTest::newRow("empty") << "" << QStringList{};
        QTest::newRow("no match") << "*.gif" << QStringList{};
    }

    void fileList_masks()
    {
        QFETCH(QString, mask);
        QFETCH(QStringList, names);
        QTemporaryDir dir;
        // Hidden files, folders, FIFOs, sockets and dangling links are never listed.
        const QString root = makeTree(dir, {"index.htm", "index.html", "INDEX2.HTM", "readme",
                                            "notes.txt", ".hidden.htm", "sub.htm/", "fifo:pipe.htm",
                                            "sock:sock.htm", "ro:ro.htm", "run.bat", "SETUP.EXE",
                                            "link:link.htm=index.htm", "link:broken.htm=none.htm"});
        changeDirectory(root);
        TFileListBox files;
        files.setMask(mask);
        QCOMPARE(files.count(), 0); // nothing is read before the list is shown
        showAndWait(files);
        QCOMPARE(texts(files), names);
        for (int row = 0; row < files.count(); ++row)
            QCOMPARE(files.item(row)->data(TFileListBox::ExecutableRole).toBool(),
                     isExecutableName(names[row]));
    }

    void fileList_busyPointer_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("firstBusyInsert"); // -1: never busy
        QTest::newRow("150 files") << 150 << 101;
        QTest::newRow("100 files") << 100 << -1;
    }

    void fileList_busyPointer()
    {
        QFETCH(int, files);
        QFETCH(int, firstBusyInsert);
        QTemporaryDir dir;
        QStringList names;
        for (int i = 0; i < files; ++i)
            names << QStringLiteral("f%1.htm").arg(i, 3, 10, QLatin1Char('0'));
        changeDirectory(makeTree(dir, names));
        TFileListBox list;
        // What the pointer is at each insertion, watched through the model.
        QList<bool> busyAtInsert;
        connect(list.model(), &QAbstractItemModel::rowsInserted, &list, [&] {
            const QCursor *cursor = QApplication::overrideCursor();
            busyAtInsert << (cursor && cursor->shape() == Qt::WaitCursor);
        });
        showAndWait(list);
        QCOMPARE(list.count(), files);
        QCOMPARE(busyAtInsert.indexOf(true), firstBusyInsert);
        if (firstBusyInsert >= 0)
            QVERIFY(!busyAtInsert.mid(firstBusyInsert).contains(false));
        QVERIFY(!QApplication::overrideCursor());
    }

    void fileList_fileNameBox()
    {
        QTemporaryDir dir;
        const QString root = makeTree(dir, {"index.htm", "other.htm"});
        changeDirectory(root);
        TFileListBox files;
        QLineEdit box(QStringLiteral("*.htm"));
        files.setMask(QStringLiteral("*.htm"));
        files.setFileEdit(&box);
        showAndWait(files);
        QCOMPARE(box.text(), QStringLiteral("*.htm"));
        QCOMPARE(box.selectedText(), QStringLiteral("*.htm"));
        QCOMPARE(files.fileName(), QString());

        QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, centreOf(files, 0));
        QCOMPARE(box.text(), QStringLiteral("index.htm"));
        QCOMPARE(box.selectedText(), QStringLiteral("index.htm"));
        QCOMPARE(files.fileName(), root + QStringLiteral("/index.htm"));

        // A typed name survives a click (and a double-click) on the entry already reported.
        box.setText(QStringLiteral("typed.htm"));
        QSignalSpy doubleClicked(&files, &QListWidget::itemDoubleClicked);
        QTest::mouseDClick(files.viewport(), Qt::LeftButton, {}, centreOf(files, 0));
        QCOMPARE(doubleClicked.count(), 1);
        QCOMPARE(box.text(), QStringLiteral("typed.htm"));
        QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, centreOf(files, 1));
        QCOMPARE(box.text(), QStringLiteral("other.htm"));

        files.Update(); // a reading empties the selection
        QCOMPARE(files.selectedName(), QString());
        QCOMPARE(box.text(), QStringLiteral("*.htm"));
        QCOMPARE(currentDirectory(), root);
    }

    void fileList_firstReadingFailureIsReported()
    {
        // The first reading happens while being shown, inside an event handler.
        QTemporaryDir dir;
        const QString root = makeTree(dir, {"gone/"});
        changeDirectory(root);
        TFileListBox files;
        files.setDirectory(root + QStringLiteral("/gone"));
        QDir(root).rmdir(QStringLiteral("gone"));
        QSignalSpy errors(&files, &TFileListBox::errorRaised);
        showAndWait(files);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first().first().toString(), QStringLiteral("File not found"));
    }

    void filterCombo_picksMask()
    {
        QTemporaryDir dir;
        changeDirectory(makeTree(dir, {"index.htm", "index.html", "readme", "notes.txt"}));
        TFileListBox files;
        QLineEdit box;
        files.setFileEdit(&box);
        TFilterComboBox filter;
        QCOMPARE(filter.mask(), QStringLiteral("*.*"));
        filter.setFileList(&files);
        const QString text = QStringLiteral(
            "HTML Files (*.html)|*.htm|Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
        filter.setFilter(text);
        QCOMPARE(filter.count(), 3);
        QCOMPARE(filter.currentText(), QStringLiteral("HTML Files (*.html)"));
        QCOMPARE(files.mask(), QStringLiteral("*.htm"));
        showAndWait(files);
        QCOMPARE(texts(files), (QStringList{"index.htm", "index.html"}));

        QSignalSpy changed(&filter, &TFilterComboBox::changed);
        filter.setFilter(text.toUpper()); // same text ignoring case: nothing is rebuilt
        QCOMPARE(changed.count(), 0);
        filter.setCurrentIndex(2);
        emit filter.activated(2);
        QCOMPARE(files.mask(), QStringLiteral("*.*"));
        QCOMPARE(texts(files), (QStringList{"index.htm", "index.html", "notes.txt", "readme"}));
        QCOMPARE(box.text(), QStringLiteral("*.*"));
        QCOMPARE(changed.count(), 1);
    }

    void driveCombo_movesAndKeepsInStep()
    {
        QTemporaryDir dir;
        const QString root =
            makeTree(dir, {"web/", "usb/docs/", "usb/top.htm", "net/x/", "usb/docs/d.htm"});
        const QString web = root + QStringLiteral("/web"), usb = root + QStringLiteral("/usb"),
                      net = root + QStringLiteral("/net");
        FakeMounts mounts({mount("/", "ext4"), mount(usb, "vfat", "/dev/sdb1", "USB", true),
                           mount(net, "nfs", "Srv:/Share")});
        changeDirectory(web);
        TDriveComboBox drives;
        TDirectoryListBox dirs;
        TFileListBox files;
        drives.setDirList(&dirs);
        dirs.setFileList(&files);
        files.show();
        QCOMPARE(dirs.driveCombo(), &drives);
        QCOMPARE(drives.itemText(1), usb.toLower());
        QCOMPARE(drives.itemText(2), net.toLower() + QStringLiteral(" srv:/share"));
        QCOMPARE(drives.drive(), QStringLiteral("/"));

        const auto pick = [&](const QString &rootPath) {
            const int index = drives.findData(rootPath, TDriveComboBox::RootRole);
            drives.setCurrentIndex(index);
            emit drives.activated(index);
        };
        pick(usb); // first visit: the drive's root
        QCOMPARE(dirs.directory(), usb);
        QCOMPARE(texts(files), QStringList{"top.htm"});
        dirs.setDirectory(QStringLiteral("docs"));
        pick(QStringLiteral("/")); // back to the folder last shown on "/"
        QCOMPARE(dirs.directory(), web);
        QCOMPARE(currentDirectory(), web);
        pick(usb);
        QCOMPARE(dirs.directory(), usb + QStringLiteral("/docs"));
        QCOMPARE(files.directory(), usb + QStringLiteral("/docs"));

        // Moving the directory list onto another drive moves the drive list with it.
        dirs.setDirectory(net + QStringLiteral("/x"));
        QCOMPARE(drives.drive(), net);
        QCOMPARE(drives.currentIndex(), drives.findData(net, TDriveComboBox::RootRole));
        QCOMPARE(currentDirectory(), net + QStringLiteral("/x"));
    }

    void driveCombo_failedPick_data()
    {
        QTest::addColumn<bool>("rootMissing");
        QTest::addColumn<QString>("error");
        QTest::newRow("drive root gone") << true << "File not found";
        QTest::newRow("remembered folder gone: its root") << false << "";
    }

    void driveCombo_failedPick()
    {
        QFETCH(bool, rootMissing);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString root = makeTree(dir, {"web/", "usb/old/"});
        const QString web = root + QStringLiteral("/web"), usb = root + QStringLiteral("/usb");
        FakeMounts mounts({mount("/", "ext4"), mount(usb, "vfat", "/dev/sdb1", "", true)});
        changeDirectory(web);
        TDriveComboBox drives;
        TDirectoryListBox dirs;
        drives.setDirList(&dirs);
        dirs.setDirectory(usb + QStringLiteral("/old"));
        dirs.setDirectory(web);
        QDir(usb).rmdir(QStringLiteral("old"));
        if (rootMissing)
            QDir(root).rmdir(QStringLiteral("usb"));
        QSignalSpy errors(&drives, &TDriveComboBox::errorRaised);
        QSignalSpy changed(&dirs, &TDirectoryListBox::directoryChanged);

        const int index = drives.findData(usb, TDriveComboBox::RootRole);
        drives.setCurrentIndex(index);
        emit drives.activated(index);
        QCOMPARE(drives.drive(), usb); // the picked drive stays selected either way
        QCOMPARE(drives.currentIndex(), index);
        QCOMPARE(errors.count(), error.isEmpty() ? 0 : 1);
        if (!rootMissing) {
            QCOMPARE(dirs.directory(), usb);
            return;
        }
        QCOMPARE(errors.first().first().toString(), error);
        QCOMPARE(dirs.directory(), web);
        QCOMPARE(currentDirectory(), web);
        // Picking the old drive again finds the directory list still on it.
        drives.setCurrentIndex(0);
        emit drives.activated(0);
        QCOMPARE(changed.count(), 0);
    }
};

TOLVAN_TEST_MAIN(BrowserTest)
#include "tst_browser.moc"
