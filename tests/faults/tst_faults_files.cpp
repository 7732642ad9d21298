// What the side panel and the Open command meet in real folders: files that are no files, names
// no one would choose, and the shown folder taken away while it is shown.

#include "browser/directorylistbox.h"
#include "browser/drives.h"
#include "browser/filelistbox.h"
#include "browser/paths.h"
#include "common/hermetic.h"
#include "faults.h"
#include "platform/error.h"

#include <QApplication>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

using namespace tolvan::browser;
using namespace tolvan::document;
using namespace tolvan::test;

namespace {

QStringList texts(const QListWidget &list)
{
    QStringList out;
    for (int row = 0; row < list.count(); ++row)
        out << list.item(row)->text();
    return out;
}

} // namespace

class FilesFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QDir::setCurrent(hermeticHome().path()); }

    // A FIFO, a device, a socket, a huge sparse file and the like, opened as a page: refused
    // with the message at once (a child process that takes 20 s is ended and fails the row),
    // without reading them into memory, and the document stays as it was.
    void openingWhatIsNoPageIsRefused_data()
    {
        QTest::addColumn<QString>("name"); // absolute, or made in the test's folder
        for (const char *name : {"fifo.htm", "socket.htm", "/dev/zero", "2 GB sparse.htm",
                                 "folder.htm", "link to itself.htm"})
            QTest::newRow(name) << QString(name);
    }

    void openingWhatIsNoPageIsRefused()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        const QString path = name.startsWith(u'/') ? name : folder + u'/' + name;
        const QByteArray native = QFile::encodeName(path);
        const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const auto closeSocket = qScopeGuard([&] { ::close(socketFd); });
        sockaddr_un address{AF_UNIX, {}};
        qstrncpy(address.sun_path, native.constData(), sizeof address.sun_path);
        if (name == "fifo.htm")
            QCOMPARE(::mkfifo(native.constData(), 0644), 0);
        else if (name == "socket.htm")
            QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        else if (name == "2 GB sparse.htm") // costs no disk
            QVERIFY(writeAll(path, {}) && QFile::resize(path, qint64(2) << 30));
        else if (name == "folder.htm")
            QVERIFY(QDir().mkpath(path));
        else if (name == "link to itself.htm")
            QCOMPARE(::symlink(native.constData(), native.constData()), 0);

        FakeDocument page;
        const QString earlier = folder + QStringLiteral("/earlier.htm");
        QVERIFY(writeAll(earlier, "<P>earlier page") && page.docs.LoadDocument(earlier));
        page.edit.replaceSelection(QStringLiteral("typed "));
        long baseKb = 0, usedKb = 0;
        QCOMPARE(inChild([] { return QString(); }, 20, &baseKb), QString());
        const QString report = inChild(
            [&]() -> QString {
                if (page.docs.LoadDocument(path))
                    return QStringLiteral("it opened");
                // A folder is no file at all; the rest are files that cannot be opened.
                const QString told = name == "folder.htm"
                                         ? "File " + path + " does not Exist!"
                                         : QStringLiteral("Cannot Open File ") + path;
                if (page.messages != QStringList{told})
                    return QStringLiteral("messages: ") + page.messages.join(u'|');
                if (page.edit.wholeText() != QStringLiteral("typed <P>earlier page") ||
                    !page.edit.modified() || page.docs.currentFileName() != earlier)
                    return QStringLiteral("the document changed");
                return {};
            },
            20, &usedKb);
        QVERIFY2(report.isEmpty(), qPrintable(report));
        const long extraKb = usedKb - baseKb; // over a child that does nothing
        QVERIFY2(extraKb < 64 * 1024, qPrintable(QString("%1 KB read into memory").arg(extraKb)));
    }

    // Every file whose name is valid UTF-8 is listed, and a click and a double-click on its row
    // open exactly that file, whatever the name holds. A name that is not UTF-8 would show with
    // U+FFFD in it, which spells another file's name: it is not listed, so it can never open or
    // be saved over in that file's place.
    void oddNamesAreListedAndOpenTheirOwnFile()
    {
        QTemporaryDir dir;
        const QString folder = QFileInfo(dir.path()).canonicalFilePath();
        // Separated by '/', the one character no name can hold.
        const QStringList names =
            QString("with space.htm/ leading blank.htm/trailing blank .htm/new\nline.htm/"
                    "carriage\rreturn.htm/tab\there.htm/-dash.htm/--help.htm/-.htm/*star.htm/"
                    "question?.htm/quote\"s.htm/single'quote.htm/back\\slash.htm/semi;colon.htm/"
                    "pipe|bar.htm/$HOME.htm/%1.htm/~tilde.htm/dots...htm/UPPER.HTM/\u00e9.htm/"
                    "e\u0301.htm/a\ufffd.htm/smile \U0001F600.htm/para\u2029sep.htm")
                .split(u'/');
        // Each holds its own name, spelled in ASCII so the editor keeps it as it is.
        const auto contentOf = [](const QString &name) {
            return QString::fromLatin1(name.toUtf8().toPercentEncoding());
        };
        for (const QString &name : names)
            QVERIFY(writeAll(folder + u'/' + name, contentOf(name).toLatin1()));
        const QByteArray root = QFile::encodeName(folder);
        const QByteArrayList notUtf8 = {"a\xff.htm", "\xe9t\xe9.htm", "half\xe2\x82.htm"};
        for (const QByteArray &name : notUtf8)
            QCOMPARE(::close(::open(root + '/' + name, O_CREAT | O_WRONLY, 0644)), 0);
        const auto removeUndecodable = qScopeGuard([&] {
            for (const QByteArray &name : notUtf8) // QTemporaryDir cannot name them
                ::unlink(root + '/' + name);
        });

        changeDirectory(folder);
        TFileListBox files;
        QLineEdit box;
        files.setMask(QStringLiteral("*.htm"));
        files.setFileEdit(&box);
        FakeDocument page;
        page.dir = folder;
        page.fileName = [&] { return box.text(); };
        QObject::connect(&files, &QListWidget::itemDoubleClicked, &files,
                         [&] { page.docs.FileListBoxDblClick(); });
        files.resize(320, 400);
        files.show();
        QVERIFY(QTest::qWaitForWindowExposed(&files));
        QStringList listed = texts(files), expected = names;
        listed.sort();
        expected.sort();
        QCOMPARE(listed, expected);
        for (int row = 0; row < files.count(); ++row) {
            QListWidgetItem *item = files.item(row);
            files.scrollToItem(item);
            const QPoint at = files.visualItemRect(item).center();
            QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(files.viewport(), Qt::LeftButton, {}, at);
            QVERIFY2(page.messages.isEmpty(), qPrintable(page.messages.join(u'|')));
            QCOMPARE(page.docs.currentFileName(), folder + u'/' + item->text());
            QCOMPARE(page.edit.wholeText(), contentOf(item->text()));
        }
        std::printf("%lld odd names listed and opened by double-click; %lld names that are not "
                    "UTF-8 left out\n",
                    qint64(files.count()), qint64(notUtf8.size()));

        // Saving the one with U+FFFD in its name writes that file alone.
        const QString twin = folder + QStringLiteral("/a\ufffd.htm");
        QVERIFY(page.docs.LoadDocument(twin));
        page.edit.selectAll();
        page.edit.replaceSelection(QStringLiteral("saved"));
        QVERIFY(page.docs.SaveDocument(twin));
        QCOMPARE(readAll(twin), QByteArray("saved\r\n"));
        struct stat info = {};
        QCOMPARE(::stat((root + "/a\xff.htm").constData(), &info), 0);
        QCOMPARE(info.st_size, off_t(0)); // the file Qt cannot name is untouched
    }

    // The folder the side panel shows is removed, renamed, swapped for a file, made again, or
    // closed to the user, behind the panel's back. Reading it again reports the error and keeps
    // the old rows; opening a subfolder row reports it and stays; the row of the root still
    // leads out, and the file list follows.
    void shownFolderTakenAway_data()
    {
        QTest::addColumn<QString>("error"); // empty: reading again works
        QTest::newRow("removed") << "File not found";
        QTest::newRow("renamed") << "File not found";
        QTest::newRow("replaced by a file") << "Invalid filename";
        QTest::newRow("removed and made again, empty") << "";
        QTest::newRow("unreadable to the user, no superuser") << "File access denied";
        QTest::newRow("unsearchable to the user, no superuser") << "File access denied";
    }

    void shownFolderTakenAway()
    {
        QFETCH(QString, error);
        const QString how = QTest::currentDataTag();
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        const QString site = root + QStringLiteral("/site"), web = site + QStringLiteral("/web");
        const QByteArray native = QFile::encodeName(web);
        QVERIFY(QDir().mkpath(web + QStringLiteral("/sub")));
        QVERIFY(writeAll(web + QStringLiteral("/a.htm"), "a") && writeAll(root + "/up.htm", "up"));
        // An ordinary user, for whom permissions count, must reach the folder and own it.
        const bool asUser = how.startsWith(QStringLiteral("un")) && ::geteuid() == 0;
        for (const QString &path : {root, site, web, web + QStringLiteral("/sub")}) {
            ::chmod(QFile::encodeName(path).constData(), 0755);
            if (asUser && path.startsWith(web))
                QCOMPARE(::chown(QFile::encodeName(path).constData(), nobody, nobody), 0);
        }

        // As an ordinary user the whole row runs in a child process, which tells what went wrong.
        const auto row = [&]() -> QString {
            if (asUser && !becomeNobody())
                return QStringLiteral("cannot become an ordinary user");
            // Made-up drives, "/" and the test's folder: the directory list's first row is ours.
            setMountSource([&] {
                return QList<MountRecord>{{"/", "ext4", {}, {}, false},
                                          {root, "ext4", {}, {}, false}};
            });
            const auto realDrives = qScopeGuard([] { setMountSource({}); });
            changeDirectory(web);
            TDirectoryListBox dirs;
            TFileListBox files;
            dirs.setFileList(&files);
            dirs.show();
            files.show();
            if (!QTest::qWaitForWindowExposed(&dirs) || texts(files) != QStringList{"a.htm"})
                return QStringLiteral("the panel did not show the folder");
            QSignalSpy errors(&dirs, &TDirectoryListBox::errorRaised);

            if (how == "renamed") {
                QDir(site).rename(QStringLiteral("web"), QStringLiteral("moved"));
            } else if (how.startsWith("un")) {
                ::chmod(native.constData(), how.startsWith("unreadable") ? 0 : 0644);
            } else {
                QDir(web).removeRecursively();
                if (how == "replaced by a file")
                    writeAll(web, "a file where the folder was");
                else if (how.endsWith("again, empty"))
                    QDir().mkpath(web);
            }

            QString got;
            try {
                files.Update();
            } catch (const tolvan::platform::Error &e) {
                got = e.message();
            }
            if (got != error)
                return QStringLiteral("reading again said '%1'").arg(got);
            if (texts(files) != (error.isEmpty() ? QStringList() : QStringList{"a.htm"}))
                return QStringLiteral("the rows are now: ") + texts(files).join(u'|');

            // "sub", the row after root, site and web: entered only if the folder is still there.
            dirs.setCurrentRow(dirs.currentDirectoryRow() + 1);
            QTest::keyClick(&dirs, Qt::Key_Return);
            if (errors.count() != 1 || dirs.directory() != web)
                return QStringLiteral("opening the subfolder reported %1 errors and went to %2")
                    .arg(errors.count())
                    .arg(dirs.directory());

            dirs.setCurrentRow(0);
            QTest::keyClick(&dirs, Qt::Key_Return);
            if (dirs.directory() != root || files.directory() != root ||
                texts(files) != QStringList{"up.htm"} || currentDirectory() != root)
                return QStringLiteral("the root row led to ") + dirs.directory();
            return {};
        };
        const QString report = asUser ? inChild(row, 60) : row();
        ::chmod(native.constData(), 0755);
        QVERIFY2(report.isEmpty(), qPrintable(report));
    }
};

TOLVAN_TEST_MAIN(FilesFaultsTest)

#include "tst_faults_files.moc"