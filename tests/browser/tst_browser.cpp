#include "browser/directorylistbox.h"
#include "browser/drivecombobox.h"
#include "browser/drives.h"
#include "browser/filelistbox.h"
#include "browser/filtercombobox.h"
#include "browser/masks.h"
#include "browser/paths.h"
#include "common/files.h"
#include "common/foldertree.h"
#include "common/hermetic.h"
#include "platform/error.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>

using namespace tolvan::browser;
using namespace tolvan::test;
using Tree = FolderTree;

class BrowserTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QDir::setCurrent(hermeticHome().path()); }

    // Letter case, "*.*" and the short extension are met in the file list below.
    void maskMatching()
    {
        const struct
        {
            const char *pattern, *name;
            bool matches;
        } rows[] = {{"*.htm", "index.htm.bak", false},
                    {"a*b*c", "axxbyyc", true},
                    {"a*b*c", "acb", false},
                    {"[ab].txt", "a.txt", false},
                    {"*\u00e4*.txt", "B\u00c4R.txt", true},
                    // A "*" in the name is matched by the wildcard.
                    {"*.htm", "*new*.htm", true}};
        for (const auto &row : rows)
            QVERIFY2(matchesPattern(row.name, row.pattern) == row.matches, row.name);
        QCOMPARE(errorOf([] { raiseError(EIO); }), "I/O error 5"); // unknown errors by number
    }

    // "/" first, then removable media, network mounts and the rest, each by root; the system's
    // own mounts left out; a root mounted twice listed once, as the last mount. A path lies on
    // the drive with the longest root that holds it.
    void driveListing()
    {
        const QList<DriveEntry> drives = listDrives(
            {mount("/data", "ext4", "/dev/sdc1", "Old"), mount("/", "ext4", "/dev/sda2", "System"),
             mount("/boot/efi", "vfat", "/dev/sda1"), mount("/tmp", "tmpfs", "tmpfs"),
             mount("/media/u/STICK", "vfat", "/dev/sdb1", "STICK", true),
             mount("/media/u/Backup", "ext4", "/dev/sdb2", "Backup", true),
             mount("/mnt/share", "nfs4", "Server:/Export"),
             mount("/media/u/STICK/in", "ntfs3", "/dev/sda3", "Shared"),
             mount("/data", "ext4", "/dev/sdd1", "Data & More"),
             mount("relative", "ext4", "/dev/sde1")});
        QStringList got;
        for (const DriveEntry &drive : drives)
            got << drive.text + " | " + glyphName(drive.kind);
        QCOMPARE(got, (QStringList{"/ [system] | hard", "/media/u/stick | floppy",
                                   "/mnt/share server:/export | network",
                                   "/data [data & more] | hard", "/media/u/backup [backup] | hard",
                                   "/media/u/stick/in [shared] | hard", "/tmp [] | ram"}));
        QCOMPARE(driveFor("/media/u/STICK/in/x", drives).root, "/media/u/STICK/in");
        QCOMPARE(driveFor("/media/u/STICKY", drives).root, "/");
    }

    // Where setting a directory leaves both lists and the working directory (relative to the
    // fixture, "/" for the file-system root) or the error's message after "!"; the lists change
    // only when they go elsewhere, and a failure leaves everything as it was.
    void directoryList_setDirectory_data()
    {
        QTest::addColumn<QString>("type"); // the fixture's file system
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const char *type, QString input,
                            const char *expected) {
            QTest::newRow(name) << QString(type) << input << QString(expected);
        };
        row("mask dropped", "ext4", "site/*.htm", "web/site");
        row("a folder named like a mask entered", "ext4", "wh?t*", "web/wh?t*");
        row("trailing slash", "ext4", "{root}/web/site/", "web/site");
        row("fifo at the end, never opened", "ext4", "site/pipe", "web/site");
        row("symbolic link reported resolved", "ext4", "../link/site", "web/site");
        row("file-system root", "ext4", "/", "/");
        row("empty changes nothing", "ext4", "", "web");
        row("other case is the same on vfat", "vfat", "{root}/WEB", "web");
        row("other case is another on ext4, missing", "ext4", "{root}/WEB", "!File not found");
        row("through a file", "ext4", "site/page.htm/x", "!Invalid filename");
        row("name too long", "ext4", "{root}/" + QString(300, u'a'), "!Invalid filename");
    }
    void directoryList_setDirectory()
    {
        QFETCH(QString, type);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        const Tree tree(
            {"web/site/page.htm", "fifo:web/site/pipe", "web/wh?t*/", "web/a.htm", "link:link=web"},
            "web", type);
        TDirectoryListBox dirs;
        TFileListBox files;
        dirs.setFileList(&files);
        showAndWait(dirs);
        files.show();
        const QStringList before = texts(dirs) + texts(files);
        QSignalSpy changed(&dirs, &TDirectoryListBox::directoryChanged);
        const QString error =
            errorOf([&] { dirs.setDirectory(input.replace("{root}", tree.root)); });
        QCOMPARE(error, expected.startsWith(u'!') ? expected.mid(1) : QString());
        if (!error.isEmpty()) {
            QCOMPARE(texts(dirs) + texts(files), before);
            expected = "web";
        }
        QCOMPARE(changed.count(), expected != "web" ? 1 : 0);
        const QString where = expected == "/" ? expected : tree.path(expected);
        QCOMPARE(dirs.directory(), where);
        QCOMPARE(currentDirectory(), where);
    }

    // The rows: the drive's root and the folders down to the one shown, then its subfolders
    // (not hidden ones, nor non-folders, nor the second of two names differing in case only). A
    // click only highlights a row; a double-click, Return or Enter opens it. A file list first
    // shown after its folder went reports it. (The folder going while shown, and the current
    // row, are in the fault tests.)
    void directoryList_rowsAndOpening()
    {
        const Tree tree({"site/web/s*b/", "site/web/Images/", "site/web/images/", "site/web/Zip/",
                         "site/web/.git/", "site/web/a.htm", "fifo:site/web/p",
                         "link:site/web/to-sub=s*b", "link:site/web/dead=none", "up.htm"},
                        "site/web");
        TDirectoryListBox dirs;
        TFileListBox files, late;
        dirs.setFileList(&files);
        showAndWait(dirs);
        files.show();
        QCOMPARE(texts(dirs),
                 (QStringList{tree.root, "site", "web", "Images", "s*b", "to-sub", "Zip"}));
        QCOMPARE(dirs.currentDirectoryRow(), 2);
        QSignalSpy changed(&dirs, &TDirectoryListBox::directoryChanged);
        click(dirs, 4); // "s*b": a folder whose name is no mask
        QCOMPARE(dirs.currentRow(), 4);
        QCOMPARE(changed.count(), 0);
        click(dirs, 4, true);
        QCOMPARE(dirs.directory(), tree.path("site/web/s*b"));
        dirs.setCurrentRow(0);
        QTest::keyClick(&dirs, Qt::Key_Enter);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(texts(dirs), (QStringList{tree.root, "site"}));
        QCOMPARE(dirs.currentDirectoryRow(), 0);
        QVERIFY(dirs.updatesEnabled()); // a rebuilt list still paints

        changeDirectory(tree.path("site/web"));
        QVERIFY(QDir(tree.path("site/web")).removeRecursively());
        QSignalSpy lateErrors(&late, &TFileListBox::errorRaised);
        showAndWait(late); // the first reading, inside the show event
        QCOMPARE(lateErrors.value(0).value(0).toString(), "File not found");
    }

    // Hidden files, folders, FIFOs and dangling links are never listed; nothing is read before
    // the list is shown.
    void fileList_masks()
    {
        const Tree tree({"index.htm", "index.html", "INDEX2.HTM", "readme", "notes.txt",
                         ".hidden.htm", "sub.htm/", "fifo:pipe.htm", "run.BAT", "tool.exe2",
                         "link:link.htm=index.htm", "link:broken.htm=none.htm"},
                        "");
        const struct
        {
            QString mask;
            QStringList names;
        } rows[] = {
            {"*.*",
             {"index.htm", "index.html", "INDEX2.HTM", "link.htm", "notes.txt", "readme", "run.BAT",
              "tool.exe2"}},
            // Both page patterns list .html twice.
            {"*.htm;*.html", {"index.htm", "index.html", "index.html", "INDEX2.HTM", "link.htm"}},
            {" *.htm;;*.txt;", {"notes.txt"}}, // blanks kept, empty patterns add nothing
        };
        for (const auto &row : rows) {
            TFileListBox files;
            files.setMask(row.mask);
            QCOMPARE(files.count(), 0);
            showAndWait(files);
            QCOMPARE(texts(files), row.names);
            for (int i = 0; i < files.count(); ++i) // a program has a glyph of its own
                QCOMPARE(files.item(i)->data(TFileListBox::ExecutableRole).toBool(),
                         files.item(i)->text() == "run.BAT");
        }
    }

    // The filter list gives the file list its mask; the file list reports its selection (else
    // the mask) in the file-name box, all of it selected. A typed name survives a click (and a
    // double-click) on the entry already reported.
    // From the moment the 101st name of a reading is found, through the slow rest of it (the
    // rows going in among them), the pointer is busy; a reading of 100 names never shows it.
    void fileList_busyPointerDuringLongReading()
    {
        for (const auto &[files, busy] : {std::pair{150, true}, {100, false}}) {
            QTemporaryDir dir;
            for (int i = 0; i < files; ++i)
                QFile(dir.filePath(QString("f%1.htm").arg(i))).open(QIODevice::WriteOnly);
            TFileListBox list;
            list.setDirectory(dir.path());
            QList<bool> busyAtInsert; // watched through the model
            connect(list.model(), &QAbstractItemModel::rowsInserted, &list, [&] {
                const QCursor *cursor = QApplication::overrideCursor();
                busyAtInsert << (cursor && cursor->shape() == Qt::WaitCursor);
            });
            showAndWait(list);
            QCOMPARE(busyAtInsert, QList<bool>(files, busy));
            QVERIFY(!QApplication::overrideCursor());
        }
    }

    void fileList_followsFilterAndFillsNameBox()
    {
        const Tree tree({"index.htm", "index.html", "notes.txt"}, "");
        TFileListBox files;
        TFilterComboBox filter;
        QLineEdit box;
        filter.setFileList(&files);
        files.setFileEdit(&box);
        const QString text = "HTML (*.html)|*.htm|Text (*.txt)|*.txt|All Files (*.*)|*.*";
        filter.setFilter(text);
        showAndWait(files);
        QCOMPARE(texts(files), (QStringList{"index.htm", "index.html"}));
        QCOMPARE(box.selectedText(), "*.htm");
        click(files, 0);
        QCOMPARE(box.selectedText(), "index.htm");
        QCOMPARE(files.fileName(), tree.path("index.htm"));
        box.setText("typed.htm");
        click(files, 0, true);
        QCOMPARE(box.text(), "typed.htm");
        click(files, 1);
        QCOMPARE(box.text(), "index.html");

        QSignalSpy changed(&filter, &TFilterComboBox::changed);
        filter.setFilter(text.toUpper()); // same text ignoring case: nothing is rebuilt
        filter.setCurrentIndex(2);
        emit filter.activated(2);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(texts(files), (QStringList{"index.htm", "index.html", "notes.txt"}));
        QCOMPARE(box.text(), "*.*"); // a reading empties the selection
    }

    // A drive is entered at the folder last shown on it in this run, else at its root (also
    // when that folder has gone); the picked drive stays selected even when it cannot be
    // entered, and the lists stay where they are.
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
        const auto pick = [&](const QString &root) {
            drives.setCurrentIndex(drives.findData(root, TDriveComboBox::RootRole));
            emit drives.activated(drives.currentIndex());
        };
        QCOMPARE(drives.drive(), tree.root);
        pick(usb);
        dirs.setDirectory("docs");
        pick(tree.root);
        QCOMPARE(dirs.directory(), web);
        QCOMPARE(texts(dirs).last(), "web"); // its rows too
        pick(usb);
        QCOMPARE(files.directory(), usb + "/docs");
        // Moving the directory list onto another drive moves the drive list with it.
        dirs.setDirectory(net + "/x");
        QCOMPARE(drives.currentIndex(), drives.findData(net, TDriveComboBox::RootRole));
        QVERIFY(QDir(usb + "/docs").removeRecursively());
        QSignalSpy errors(&drives, &TDriveComboBox::errorRaised);
        pick(usb);
        QCOMPARE(dirs.directory(), usb);

        pick(tree.root);
        QVERIFY(QDir(usb).removeRecursively());
        QSignalSpy changed(&dirs, &TDirectoryListBox::directoryChanged);
        pick(usb);
        QCOMPARE(drives.drive(), usb);
        QCOMPARE(errors.value(0).value(0).toString(), "File not found");
        QCOMPARE(errors.count(), 1);
        QCOMPARE(currentDirectory(), web);
        pick(tree.root); // finds the directory list still on it
        QCOMPARE(changed.count(), 0);
    }
};

TOLVAN_TEST_MAIN(BrowserTest)
#include "tst_browser.moc"
