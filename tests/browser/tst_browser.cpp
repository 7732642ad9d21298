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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tolvan::browser;
using tolvan::platform::Error;

namespace {

// Makes entries under a temporary folder: "dir/" a folder, "fifo:x" a FIFO, "link:x=target" a
// symbolic link, anything else an empty file.
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
        } else if (kind == "fifo") {
            ::mkfifo(path.constData(), 0644);
        } else if (kind == "link") {
            QFile::link(name.section(u'=', 1), full);
        } else {
            QFile(full).open(QIODevice::WriteOnly);
        }
    }
    return root;
}

MountRecord mount(const QString &root, const char *type, const QString &device = {},
                  const QString &label = {}, bool removable = false)
{
    return {root, type, device, label, removable};
}

// A tree made by makeTree, on drives of its own: "/", the tree's root mounted with the given
// file-system type, and others whose roots are given under it; the working directory is
// `start` under the root.
struct Tree
{
    Tree(const QStringList &entries, const QString &start, const char *type = "ext4",
         const QList<MountRecord> &others = {})
        : root(makeTree(dir, entries))
    {
        QList<MountRecord> mounts = QList{mount("/", "ext4"), mount(root, type)} + others;
        for (qsizetype i = 2; i < mounts.size(); ++i)
            mounts[i].root = path(mounts[i].root);
        setMountSource([mounts] { return mounts; });
        changeDirectory(path(start));
    }
    ~Tree() { setMountSource({}); }
    QString path(const QString &relative) const
    {
        return relative.isEmpty() ? root : root + u'/' + relative;
    }

    QTemporaryDir dir;
    QString root;
};

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

void pick(TDriveComboBox &drives, const QString &root)
{
    const int index = drives.findData(root, TDriveComboBox::RootRole);
    drives.setCurrentIndex(index);
    emit drives.activated(index);
}

// The directory list with its file list, both showing.
struct Lists
{
    Lists()
    {
        dirs.setFileList(&files);
        showAndWait(dirs);
        files.show();
    }
    TDirectoryListBox dirs;
    TFileListBox files;
};

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
        row("*.htm", "INDEX.HTM", true);
        row("*.htm", "index.html", true); // three-character extension reaches longer ones
        row("*.htm", "index.htm.bak", false);
        row("*.h?m", "index.html", true);
        row("*.*", "readme", true); // also names without a dot
        row("a*b*c", "axxbyyc", true);
        row("a*b*c", "acb", false);
        row("", "a", false);
        row("[ab].txt", "a.txt", false); // brackets are plain characters
        row("*ä*.txt", "BÄR.txt", true);
        row("*.htm", "*new*.htm", true); // a "*" in the name is matched by the wildcard
        row("*", "*h", true);
        row("a*", "a*b", true);
    }

    void maskMatching()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, name);
        QTEST(matchesPattern(name, pattern), "matches");
    }

    void filterParsing_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("descriptions");
        QTest::addColumn<QStringList>("masks");
        QTest::newRow("description without mask dropped")
            << "A|*.a|B" << QStringList{"A"} << QStringList{"*.a"};
        QTest::newRow("trailing bar gives empty mask")
            << "A|*.a|B|" << QStringList{"A", "B"} << QStringList{"*.a", ""};
        QTest::newRow("mask list kept whole")
            << "Pages|*.htm;*.html" << QStringList{"Pages"} << QStringList{"*.htm;*.html"};
    }

    void filterParsing()
    {
        QFETCH(QString, text);
        QStringList descriptions, masks;
        for (const FilterEntry &entry : parseFilter(text)) {
            descriptions << entry.description;
            masks << entry.mask;
        }
        QTEST(descriptions, "descriptions");
        QTEST(masks, "masks");
    }

    // Those not met with the real folders below.
    void errorMessages()
    {
        QCOMPARE(errorMessage(EMFILE), "Too many open files");
        QCOMPARE(errorMessage(EACCES), "File access denied");
        QCOMPARE(errorOf([] { raiseError(EIO); }), "I/O error 5");
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
            QTest::newRow(name) << QString(start) << input << QString(expected);
        };
        row("absolute", "", "{root}/web/site", "web/site");
        row("parent then sibling", "web/site", "../pages", "web/pages");
        row("empty stays", "web", "", "web");
        row("file as last part", "", "web/index.htm", "web");
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
        const Tree tree(
            {"web/site/", "web/pages/", "web/index.htm", "fifo:web/pipe", "link:link=web"}, start);
        input.replace("{root}", tree.root);
        if (expected.startsWith(u'!'))
            QCOMPARE(errorOf([&] { resolveDirectory(input); }), expected.mid(1));
        else
            QCOMPARE(resolveDirectory(input), expected == "/" ? expected : tree.path(expected));
        // Resolution walks the tree but leaves the working directory where it found it.
        QCOMPARE(currentDirectory(), tree.path(start));
    }

    void subdirectoryListing()
    {
        QTemporaryDir dir;
        const QString root =
            makeTree(dir, {"Web/", "web/", ".hidden/", "beta/", "Alpha/", "file.txt", "fifo:pipe",
                           "link:to-beta=beta", "link:dead=none"});
        // One of the two names differing in case only, hidden folders and non-folders left out.
        QCOMPARE(listSubdirectories(root), (QStringList{"Alpha", "beta", "to-beta", "Web"}));
        QCOMPARE(listSubdirectories(root + "/gone"), QStringList{});
    }

    // A name that is not UTF-8 would read back with U+FFFD in it, which names another file (here
    // one that exists): it is left out of both lists, never shown as its look-alike.
    void namesNotUtf8AreLeftOut()
    {
        QTemporaryDir dir;
        const QByteArray root = QFile::encodeName(QFileInfo(dir.path()).canonicalFilePath());
        for (const char *name : {"/a\xff.htm", "/a\xef\xbf\xbd.htm", "/b\xe9.htm", "/ok.htm"})
            QCOMPARE(::close(::open((root + name).constData(), O_CREAT | O_WRONLY, 0644)), 0);
        for (const char *name : {"/d\xff", "/d\xef\xbf\xbd"})
            QCOMPARE(::mkdir((root + name).constData(), 0755), 0);
        // QTemporaryDir cannot remove what it cannot name.
        const auto removeBadNames = qScopeGuard([&] {
            ::unlink((root + "/a\xff.htm").constData());
            ::unlink((root + "/b\xe9.htm").constData());
            ::rmdir((root + "/d\xff").constData());
        });
        const QString folder = QFile::decodeName(root);
        QCOMPARE(listFiles(folder, "*.*"), (QStringList{"a\ufffd.htm", "ok.htm"}));
        QCOMPARE(listSubdirectories(folder), QStringList{"d\ufffd"});
        QCOMPARE(QFile::encodeName(folder + "/a\ufffd.htm"), root + "/a\xef\xbf\xbd.htm");
    }

    // "/" first, then removable media, network mounts and the rest, each by root; the system's
    // own mounts left out; a root mounted twice listed once, as the last mount. A path lies on
    // the drive with the longest root that holds it.
    void driveListing()
    {
        const QList<DriveEntry> drives = listDrives({
            mount("/data", "ext4", "/dev/sdc1", "Old"),
            mount("/", "ext4", "/dev/sda2", "System"),
            mount("/proc", "proc", "proc"),
            mount("/boot/efi", "vfat", "/dev/sda1", "", false),
            mount("/tmp", "tmpfs", "tmpfs"),
            mount("/run/media/u/DVD", "iso9660", "/dev/sr0", "My Disc", true),
            mount("/media/u/STICK", "vfat", "/dev/sdb1", "STICK", true),
            mount("/media/u/Backup", "ext4", "/dev/sdb2", "Backup", true),
            mount("/mnt/share", "nfs4", "Server:/Export"),
            mount("/mnt/smb", "cifs", "", "Team"),
            mount("/media/u/STICK/in", "ntfs3", "/dev/sda3", "Shared", false),
            mount("/data", "ext4", "/dev/sdd1", "Data & More"),
            mount("relative", "ext4", "/dev/sde1"),
        });
        QStringList got;
        for (const DriveEntry &drive : drives)
            got << drive.text + " | " + glyphName(drive.kind);
        QCOMPARE(got,
                 (QStringList{"/ [system] | hard", "/media/u/stick | floppy",
                              "/run/media/u/dvd [my disc] | cdrom",
                              "/mnt/share server:/export | network", "/mnt/smb [team] | network",
                              "/data [data & more] | hard", "/media/u/backup [backup] | hard",
                              "/media/u/stick/in [shared] | hard", "/tmp [] | ram"}));
        QCOMPARE(driveFor("/media/u/STICK/web", drives).root, "/media/u/STICK");
        QCOMPARE(driveFor("/media/u/STICK/in/x", drives).root, "/media/u/STICK/in");
        QCOMPARE(driveFor("/media/u/STICKY", drives).root, "/");
        QCOMPARE(driveFor("/media/u/STICK", {}).root, "/");
    }

    void directoryList_showsTreeWithIndents()
    {
        const Tree tree({"web/site/pages/", "web/site/Images/", "web/site/.git/",
                         "web/site/page.htm", "web/Site/"},
                        "");
        TDirectoryListBox list;
        // Each row as its indent, its kind (0 ancestor, 1 current, 2 subfolder) and its text.
        const auto rows = [&list] {
            QStringList rows;
            for (int row = 0; row < list.count(); ++row)
                rows << QString("%1 %2 ")
                                .arg(list.indentOf(row))
                                .arg(list.item(row)->data(TDirectoryListBox::KindRole).toInt()) +
                            list.item(row)->text();
            return rows;
        };
        QCOMPARE(rows(), (QStringList{"2 1 " + tree.root, "10 2 web"})); // a root, then its folders
        list.setDirectory(tree.path("web/site"));
        QCOMPARE(rows(), (QStringList{"2 0 " + tree.root, "6 0 web", "10 1 site", "14 2 Images",
                                      "14 2 pages"}));
        QCOMPARE(list.currentDirectoryRow(), 2);
        QCOMPARE(list.currentRow(), 2);
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
            QTest::newRow(name) << QString(type) << QString(input) << QString(expected) << changes;
        };
        row("relative", "ext4", "site", "web/site", 1);
        row("empty changes nothing", "ext4", "", "web", 0);
        row("same text changes nothing", "ext4", "{root}/web", "web", 0);
        row("other case is the same on vfat", "vfat", "{root}/WEB", "web", 0);
        row("other case is another on ext4", "ext4", "{root}/WEB", "!File not found", 0);
        row("through a file", "ext4", "site/page.htm/x", "!Invalid filename", 0);
    }

    void directoryList_setDirectory()
    {
        QFETCH(QString, type);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QFETCH(int, changes);
        const Tree tree({"web/site/page.htm", "web/a.htm", "top.htm"}, "web",
                        type.toLatin1().constData());
        Lists lists;
        const QStringList rowsBefore = texts(lists.dirs), filesBefore = texts(lists.files);
        QSignalSpy changed(&lists.dirs, &TDirectoryListBox::directoryChanged);

        const QString error =
            errorOf([&] { lists.dirs.setDirectory(input.replace("{root}", tree.root)); });
        QCOMPARE(changed.count(), changes);
        QCOMPARE(error, expected.startsWith(u'!') ? expected.mid(1) : QString());
        if (!error.isEmpty()) {
            QCOMPARE(texts(lists.dirs), rowsBefore);
            QCOMPARE(texts(lists.files), filesBefore);
            expected = "web";
        }
        QCOMPARE(lists.dirs.directory(), tree.path(expected));
        QCOMPARE(lists.files.directory(), tree.path(expected));
        QCOMPARE(currentDirectory(), tree.path(expected));
    }

    void directoryList_opening_data()
    {
        QTest::addColumn<QString>("how"); // what becomes of the folder shown
        QTest::addColumn<QString>("error");
        QTest::newRow("kept") << "keep"
                              << "";
        QTest::newRow("removed") << "remove"
                                 << "File not found";
        QTest::newRow("renamed") << "rename"
                                 << "File not found";
        QTest::newRow("made unreadable") << "chmod"
                                         << "File access denied";
    }

    // A click only highlights a row; a double-click, Return or Enter opens it. When the folder
    // shown has gone its subfolders cannot be opened, but the parent still can, and the file
    // list follows there.
    void directoryList_opening()
    {
        QFETCH(QString, how);
        QFETCH(QString, error);
        if (how == "chmod" && ::geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        const Tree tree({"web/sub/", "web/sub/in.htm", "web/a.htm", "up.htm"}, "web");
        const QString web = tree.path("web");
        Lists lists;
        TDirectoryListBox &dirs = lists.dirs;
        QSignalSpy changed(&dirs, &TDirectoryListBox::directoryChanged);
        QSignalSpy errors(&dirs, &TDirectoryListBox::errorRaised);
        if (how == "remove")
            QDir(web).removeRecursively();
        else if (how == "rename")
            QDir(tree.root).rename("web", "moved");
        else if (how == "chmod")
            ::chmod(QFile::encodeName(web).constData(), 0);
        const auto giveBack =
            qScopeGuard([&] { ::chmod(QFile::encodeName(web).constData(), 0755); });
        QCOMPARE(errorOf([&] { lists.files.Update(); }), error);
        QCOMPARE(texts(lists.files), QStringList{"a.htm"}); // the old entries stay

        QTest::mouseClick(dirs.viewport(), Qt::LeftButton, {}, centreOf(dirs, 2)); // "sub"
        QCOMPARE(dirs.currentRow(), 2);
        QCOMPARE(changed.count(), 0);
        QTest::mouseDClick(dirs.viewport(), Qt::LeftButton, {}, centreOf(dirs, 2));
        QCOMPARE(errors.count(), error.isEmpty() ? 0 : 1);
        QCOMPARE(errors.value(0).value(0).toString(), error);
        QCOMPARE(dirs.directory(), error.isEmpty() ? web + "/sub" : web);
        QCOMPARE(texts(lists.files), QStringList{error.isEmpty() ? "in.htm" : "a.htm"});
        QCOMPARE(changed.count(), error.isEmpty() ? 1 : 0);

        dirs.setCurrentRow(dirs.currentDirectoryRow()); // opening the current row does nothing
        QTest::keyClick(&dirs, Qt::Key_Return);
        QCOMPARE(changed.count(), error.isEmpty() ? 1 : 0);
        dirs.setCurrentRow(0);
        QTest::keyClick(&dirs, Qt::Key_Enter);
        QCOMPARE(dirs.directory(), tree.root);
        QCOMPARE(lists.files.directory(), tree.root);
        QCOMPARE(texts(lists.files), QStringList{"up.htm"});
        QCOMPARE(currentDirectory(), tree.root);
    }

    void fileList_masks_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QStringList>("names");
        const QStringList pages = {"index.htm", "index.html", "INDEX2.HTM", "link.htm"};
        QTest::newRow("*.htm lists .html too") << "*.htm" << pages;
        QTest::newRow("all plain files")
            << "*.*"
            << QStringList{"a.exe.txt", "exe",       "index.htm", "index.html", "INDEX2.HTM",
                           "link.htm",  "notes.txt", "old.PIF",   "readme",     "run.bat",
                           "SETUP.EXE", "tool.exe2", "x.com"};
        QTest::newRow("both page patterns list .html twice")
            << "*.htm;*.html"
            << QStringList{"index.htm", "index.html", "index.html", "INDEX2.HTM", "link.htm"};
        QTest::newRow("blanks are kept") << " *.htm" << QStringList{};
        QTest::newRow("empty patterns add nothing")
            << ";*.txt;" << QStringList{"a.exe.txt", "notes.txt"};
    }

    // Hidden files, folders, FIFOs and dangling links are never listed. Programs
    // (.exe, .com, .bat, .pif) have a glyph of their own.
    void fileList_masks()
    {
        QFETCH(QString, mask);
        QFETCH(QStringList, names);
        const Tree tree({"index.htm", "index.html", "INDEX2.HTM", "readme", "notes.txt",
                         ".hidden.htm", "sub.htm/", "fifo:pipe.htm", "run.bat", "SETUP.EXE",
                         "x.com", "old.PIF", "a.exe.txt", "tool.exe2", "exe",
                         "link:link.htm=index.htm", "link:broken.htm=none.htm"},
                        "");
        TFileListBox files;
        files.setMask(mask);
        QCOMPARE(files.count(), 0); // nothing is read before the list is shown
        showAndWait(files);
        QCOMPARE(texts(files), names);
        for (int row = 0; row < files.count(); ++row)
            QCOMPARE(
                files.item(row)->data(TFileListBox::ExecutableRole).toBool(),
                QStringList({"run.bat", "SETUP.EXE", "x.com", "old.PIF"}).contains(names[row]));
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
        QStringList names;
        for (int i = 0; i < files; ++i)
            names << QString("f%1.htm").arg(i, 3, 10, QLatin1Char('0'));
        const Tree tree(names, "");
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
        QVERIFY(firstBusyInsert < 0 || !busyAtInsert.mid(firstBusyInsert).contains(false));
        QVERIFY(!QApplication::overrideCursor());
    }

    void fileList_fileNameBox()
    {
        const Tree tree({"index.htm", "other.htm"}, "");
        TFileListBox files;
        QLineEdit box("*.htm");
        files.setMask("*.htm");
        files.setFileEdit(&box);
        showAndWait(files);
        QCOMPARE(box.text(), "*.htm");
        QCOMPARE(box.selectedText(), "*.htm");
        QCOMPARE(files.fileName(), QString());

        QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, centreOf(files, 0));
        QCOMPARE(box.text(), "index.htm");
        QCOMPARE(box.selectedText(), "index.htm");
        QCOMPARE(files.fileName(), tree.path("index.htm"));

        // A typed name survives a click (and a double-click) on the entry already reported.
        box.setText("typed.htm");
        QSignalSpy doubleClicked(&files, &QListWidget::itemDoubleClicked);
        QTest::mouseDClick(files.viewport(), Qt::LeftButton, {}, centreOf(files, 0));
        QCOMPARE(doubleClicked.count(), 1);
        QCOMPARE(box.text(), "typed.htm");
        QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, centreOf(files, 1));
        QCOMPARE(box.text(), "other.htm");

        files.Update(); // a reading empties the selection
        QCOMPARE(files.selectedName(), QString());
        QCOMPARE(box.text(), "*.htm");
        QCOMPARE(currentDirectory(), tree.root);
    }

    // The first reading happens while being shown, inside an event handler.
    void fileList_firstReadingFailureIsReported()
    {
        const Tree tree({"gone/"}, "");
        TFileListBox files;
        files.setDirectory(tree.path("gone"));
        QDir(tree.root).rmdir("gone");
        QSignalSpy errors(&files, &TFileListBox::errorRaised);
        showAndWait(files);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first().first().toString(), "File not found");
    }

    void filterCombo_picksMask()
    {
        const Tree tree({"index.htm", "index.html", "readme", "notes.txt"}, "");
        TFileListBox files;
        TFilterComboBox filter;
        QCOMPARE(filter.mask(), "*.*");
        filter.setFileList(&files);
        const QString text =
            "HTML Files (*.html)|*.htm|Text Files (*.txt)|*.txt|All Files (*.*)|*.*";
        filter.setFilter(text);
        QCOMPARE(filter.count(), 3);
        QCOMPARE(filter.currentText(), "HTML Files (*.html)");
        QCOMPARE(files.mask(), "*.htm");
        showAndWait(files);
        QCOMPARE(texts(files), (QStringList{"index.htm", "index.html"}));

        QSignalSpy changed(&filter, &TFilterComboBox::changed);
        filter.setFilter(text.toUpper()); // same text ignoring case: nothing is rebuilt
        QCOMPARE(changed.count(), 0);
        filter.setCurrentIndex(2);
        emit filter.activated(2);
        QCOMPARE(files.mask(), "*.*");
        QCOMPARE(texts(files), (QStringList{"index.htm", "index.html", "notes.txt", "readme"}));
        QCOMPARE(changed.count(), 1);
    }

    // A drive is entered at the folder last shown on it in this run, else at its root; the
    // picked drive stays selected even when it cannot be entered.
    void driveCombo_movesAndKeepsInStep()
    {
        const Tree tree(
            {"web/", "usb/docs/d.htm", "usb/top.htm", "net/x/"}, "web", "ext4",
            {mount("usb", "vfat", "/dev/sdb1", "USB", true), mount("net", "nfs", "Srv:/Share")});
        const QString web = tree.path("web"), usb = tree.path("usb"), net = tree.path("net");
        TDriveComboBox drives;
        TDirectoryListBox dirs;
        TFileListBox files;
        drives.setDirList(&dirs);
        dirs.setFileList(&files);
        files.show();
        QCOMPARE(dirs.driveCombo(), &drives);
        QCOMPARE(drives.itemText(1), usb.toLower());
        QCOMPARE(drives.itemText(2), net.toLower() + " srv:/share");
        QCOMPARE(drives.drive(), tree.root);

        pick(drives, usb);
        QCOMPARE(dirs.directory(), usb);
        QCOMPARE(texts(files), QStringList{"top.htm"});
        dirs.setDirectory("docs");
        pick(drives, tree.root);
        QCOMPARE(dirs.directory(), web);
        QCOMPARE(currentDirectory(), web);
        pick(drives, usb);
        QCOMPARE(dirs.directory(), usb + "/docs");
        QCOMPARE(files.directory(), usb + "/docs");

        // Moving the directory list onto another drive moves the drive list with it.
        dirs.setDirectory(net + "/x");
        QCOMPARE(drives.drive(), net);
        QCOMPARE(drives.currentIndex(), drives.findData(net, TDriveComboBox::RootRole));
        QCOMPARE(currentDirectory(), net + "/x");

        // The folder last shown on a drive has gone: its root instead.
        QVERIFY(QDir(usb + "/docs").removeRecursively());
        QSignalSpy errors(&drives, &TDriveComboBox::errorRaised);
        pick(drives, usb);
        QCOMPARE(dirs.directory(), usb);
        QCOMPARE(errors.count(), 0);

        // The drive's root has gone: an error, and the lists stay where they are.
        pick(drives, tree.root);
        QVERIFY(QDir(usb).removeRecursively());
        QSignalSpy changed(&dirs, &TDirectoryListBox::directoryChanged);
        pick(drives, usb);
        QCOMPARE(drives.drive(), usb);
        QCOMPARE(drives.currentIndex(), drives.findData(usb, TDriveComboBox::RootRole));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(errors.first().first().toString(), "File not found");
        QCOMPARE(dirs.directory(), web);
        QCOMPARE(files.directory(), web);
        QCOMPARE(currentDirectory(), web);
        // Picking the old drive again finds the directory list still on it.
        pick(drives, tree.root);
        QCOMPARE(changed.count(), 0);
    }
};

TOLVAN_TEST_MAIN(BrowserTest)
#include "tst_browser.moc"
