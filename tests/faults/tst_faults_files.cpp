// What the side panel and the Open command meet in real folders: names no one would choose, and
// the shown folder taken away while it is shown.

#include "browser/directorylistbox.h"
#include "browser/drives.h"
#include "browser/filelistbox.h"
#include "browser/paths.h"
#include "common/fakedocument.h"
#include "common/foldertree.h"
#include "common/hermetic.h"

#include <QApplication>
#include <QLineEdit>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>

using namespace tolvan::browser;
using namespace tolvan::test;

class FilesFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { QDir::setCurrent(hermeticHome().path()); }

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
            QString(" leading blank.htm/trailing blank .htm/new\nline.htm/carriage\rreturn.htm/"
                    "tab\there.htm/--help.htm/*star.htm/question?.htm/quote\"s.htm/back\\slash.htm/"
                    "$HOME.htm/%1.htm/UPPER.HTM/\u00e9.htm/e\u0301.htm/a\ufffd.htm/"
                    "smile \U0001F600.htm/para\u2029sep.htm")
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
        // The same for folders: the twin of one that is not UTF-8 is the only one listed.
        for (const char *name : {"/d\xff", "/d\xef\xbf\xbd"})
            QCOMPARE(::mkdir(root + name, 0755), 0);
        const auto removeUndecodable = qScopeGuard([&] {
            for (const QByteArray &name : notUtf8) // QTemporaryDir cannot name them
                ::unlink(root + '/' + name);
            ::rmdir(root + "/d\xff");
        });
        QCOMPARE(listSubdirectories(folder), QStringList{"d\ufffd"});

        changeDirectory(folder);
        TFileListBox files;
        QLineEdit box;
        files.setMask("*.htm");
        files.setFileEdit(&box);
        FakeDocument page;
        page.dir = folder;
        page.fileName = [&] { return box.text(); };
        QObject::connect(&files, &QListWidget::itemDoubleClicked, &files,
                         [&] { page.docs.FileListBoxDblClick(); });
        showAndWait(files);
        QStringList listed = texts(files), expected = names;
        listed.sort();
        expected.sort();
        QCOMPARE(listed, expected);
        for (int row = 0; row < files.count(); ++row) {
            click(files, row);
            click(files, row, true);
            QVERIFY2(page.messages.isEmpty(), qPrintable(page.messages.join(u'|')));
            QCOMPARE(page.docs.currentFileName(), folder + u'/' + files.item(row)->text());
            QCOMPARE(page.edit.wholeText(), contentOf(files.item(row)->text()));
        }

        // Saving the one with U+FFFD in its name writes that file alone.
        const QString twin = folder + "/a\ufffd.htm";
        QVERIFY(page.docs.LoadDocument(twin));
        page.type("saved");
        QVERIFY(page.docs.SaveDocument(twin));
        QCOMPARE(readAll(twin), "saved\r\n");
        struct stat info = {};
        QCOMPARE(::stat((root + "/a\xff.htm").constData(), &info), 0);
        QCOMPARE(info.st_size, off_t(0)); // the file Qt cannot name is untouched
    }

    // The folder the side panel shows is renamed, swapped for a file, made again, or closed to
    // the user, behind the panel's back. Reading it again reports the error and keeps the old
    // rows; opening its own row does nothing, a subfolder row reports it and stays; the row of
    // the root still leads out, and the file list follows.
    void shownFolderTakenAway_data()
    {
        QTest::addColumn<QString>("error"); // empty: reading again works
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
        // On made-up drives, "/" and the test's folder: the directory list's first row is ours.
        const FolderTree tree({"site/web/sub/", "site/web/a.htm", "up.htm"}, "site/web");
        const QString root = tree.root, site = root + "/site", web = site + "/web";
        // An ordinary user, for whom permissions count, must reach the folder and own it.
        const bool asUser = how.startsWith("un") && ::geteuid() == 0;
        for (const QString &path : {root, site, web, web + "/sub"}) {
            ::chmod(QFile::encodeName(path).constData(), 0755);
            if (asUser && path.startsWith(web))
                QCOMPARE(::chown(QFile::encodeName(path).constData(), nobody, nobody), 0);
        }

        const auto row = [&] {
            TDirectoryListBox dirs;
            TFileListBox files;
            dirs.setFileList(&files);
            files.show();
            showAndWait(dirs);
            QCOMPARE(texts(files), QStringList{"a.htm"});
            QSignalSpy errors(&dirs, &TDirectoryListBox::errorRaised);
            if (how == "renamed") {
                QDir(site).rename("web", "moved");
            } else if (how.startsWith("un")) {
                ::chmod(QFile::encodeName(web).constData(),
                        how.startsWith("unreadable") ? 0 : 0644);
            } else {
                QDir(web).removeRecursively();
                if (how == "replaced by a file")
                    writeAll(web, "a file where the folder was");
                else
                    QDir().mkpath(web);
            }
            QCOMPARE(errorOf([&] { files.Update(); }), error);
            QCOMPARE(texts(files), error.isEmpty() ? QStringList() : QStringList{"a.htm"});
            // The shown folder's own row opens nothing, and reports nothing; "sub", the row after
            // it, is entered only if the folder is still there.
            dirs.setCurrentRow(dirs.currentDirectoryRow());
            QTest::keyClick(&dirs, Qt::Key_Return);
            dirs.setCurrentRow(dirs.currentDirectoryRow() + 1);
            QTest::keyClick(&dirs, Qt::Key_Return);
            QCOMPARE(errors.count(), 1);
            QCOMPARE(dirs.directory(), web);
            dirs.setCurrentRow(0);
            QTest::keyClick(&dirs, Qt::Key_Return);
            QCOMPARE(dirs.directory(), root);
            QCOMPARE(texts(files), QStringList{"up.htm"});
            QCOMPARE(currentDirectory(), root);
        };
        // As an ordinary user the row runs in a child process, whose failures are printed.
        const QString report = !asUser ? (row(), QString()) : inChild([&] {
            if (!becomeNobody())
                return QString("cannot become an ordinary user");
            row();
            return QString(QTest::currentTestFailed() ? "failed as an ordinary user" : "");
        });
        ::chmod(QFile::encodeName(web).constData(), 0755);
        QVERIFY2(report.isEmpty(), qPrintable(report));
    }
};

TOLVAN_TEST_MAIN(FilesFaultsTest)

#include "tst_faults_files.moc"