#include "common/fakedocument.h"
#include "common/modal.h"
#include "document/filedialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QTest>

#include <array>
#include <fcntl.h>
#include <sys/stat.h>

using namespace tolvan::document;
using namespace tolvan::test;
using enum DocumentQuestions::SaveChanges;

class DocumentTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A page that cannot be read is not opened: a FIFO, a device, a link to itself, a page larger
    // than the largest taken, and the like are refused at once (a child process that takes 20 s is
    // ended and fails the row) without reading them into memory. A save that cannot be made is
    // not made. Either way the user is told, and the document and the files stay as they were.
    void refusals_leaveEverythingAsItWas_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *command, const char *name, const char *message) {
            QTest::addRow("%s %s", command, name)
                << QString(command) << QString(name) << QString(message);
        };
        row("open", "missing.htm", "File {} does not Exist!");
        row("open", "folder", "File {} does not Exist!");
        for (const char *name : {"pipe.htm", "/dev/zero", "self.htm", "secret.htm", "huge.htm"})
            row("open", name, "Cannot Open File {}");
        row("save", "kept.htm", "Nothing to save");
        row("save", "readonly.htm", "Cannot Create File {}");
    }
    void refusals_leaveEverythingAsItWas()
    {
        QFETCH(QString, command);
        QFETCH(QString, name);
        QFETCH(QString, message);
        if (name == "secret.htm" && ::geteuid() == 0)
            QSKIP("root reads every file");
        FakeDocument f;
        const auto native = [&](const char *name) { return QFile::encodeName(f.path(name)); };
        QCOMPARE(::symlink("self.htm", native("self.htm").constData()), 0);
        QVERIFY(QDir(f.tmp.path()).mkdir("folder"));
        QCOMPARE(::mkfifo(native("pipe.htm").constData(), 0600), 0);
        QVERIFY(writeAll(f.path("secret.htm"), "x"));
        QVERIFY(QFile::setPermissions(f.path("secret.htm"), {}));
        QFile huge(f.path("huge.htm")); // sparse: costs no disk
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(DocumentCommands::maxFileSize + 1));
        QVERIFY(writeAll(f.path("readonly.htm"), "old"));
        QVERIFY(QFile::setPermissions(f.path("readonly.htm"), QFile::ReadOwner));
        const QString file = name.startsWith(u'/') ? name : f.path(name);
        QVERIFY(f.open(f.path("earlier.htm"), "earlier text"));
        f.type(message == "Nothing to save" ? "" : "typed ", message != "Nothing to save");
        const QString text = f.edit.wholeText();

        long extraKb = 0;
        const QString report = inChildCosting(
            [&]() -> QString {
                if (command == "open" ? f.docs.LoadDocument(file) : f.docs.SaveDocument(file))
                    return "it succeeded";
                if (f.told != QStringList{message.replace("{}", file)})
                    return "told: " + f.told.join(u'|');
                if (f.edit.wholeText() != text || !f.edit.modified() ||
                    f.docs.currentFileName() != f.path("earlier.htm"))
                    return "the document changed";
                return {};
            },
            20, &extraKb);
        QVERIFY2(report.isEmpty(), qPrintable(report));
        QVERIFY2(extraKb < 64 * 1024, qPrintable(QString("%1 KB read into memory").arg(extraKb)));
        QCOMPARE(readAll(f.path("readonly.htm")) + readAll(f.path("earlier.htm")),
                 "oldearlier text");
    }

    // A page prepared while the window was built is shown only while the file is the one read:
    // a save or another program's write in between must not bring back the old text.
    void load_preparedPageOnlyWhileFileUnchanged_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("shown"); // and written; none: the file has gone
        QTest::newRow("unchanged") << "" << QString("old page");
        QTest::newRow("as many bytes written in place") << "write" << QString("new page");
        QTest::newRow("saved through a rename") << "rename" << QString("new page");
        QTest::newRow("removed") << "remove" << QString();
    }
    void load_preparedPageOnlyWhileFileUnchanged()
    {
        QFETCH(QString, change);
        QFETCH(QString, shown);
        FakeDocument f;
        const QString page = f.path("page.htm");
        const QByteArray native = QFile::encodeName(page);
        QVERIFY(writeAll(page, "old page"));
        struct stat before = {}, now = {};
        QCOMPARE(::stat(native.constData(), &before), 0);
        PreparedPage prepared = preparePage(page);
        QCOMPARE(prepared.editorText, "old page");

        if (change == "write") { // with the modification time put back
            // File times follow a clock that may tick only every few milliseconds: let it move
            // on, or a write now could carry the very change time of the file that was read.
            do
                QVERIFY(writeAll(f.path("probe"), "x") &&
                        ::stat(QFile::encodeName(f.path("probe")).constData(), &now) == 0);
            while (now.st_ctim.tv_sec == before.st_ctim.tv_sec &&
                   now.st_ctim.tv_nsec == before.st_ctim.tv_nsec);
            QVERIFY(writeAll(page, shown.toUtf8()));
            const std::array times{before.st_atim, before.st_mtim};
            QCOMPARE(::utimensat(AT_FDCWD, native.constData(), times.data(), 0), 0);
        } else if (change == "rename") {
            QVERIFY(writeAll(page + ".new", shown.toUtf8()));
            QVERIFY(QFile::rename(page, page + ".old") && QFile::rename(page + ".new", page));
        } else if (change == "remove") {
            QVERIFY(QFile::remove(page));
        }
        QCOMPARE(f.docs.LoadDocument(page, std::move(prepared)), !shown.isNull());
        QCOMPARE(f.edit.wholeText(), shown);
        QCOMPARE(f.messages.value(0), shown.isNull() ? "File " + page + " does not Exist!" : "");
    }

    // Closing the window and New go through the same guard (as do Open and the double-click); the
    // page is written exactly when Yes was answered and the command went on.
    void guard_onlyNoDiscards_data()
    {
        QTest::addColumn<DocumentQuestions::SaveChanges>("answer");
        QTest::addColumn<bool>("titled");
        QTest::addColumn<bool>("named"); // the save dialog gives a name
        QTest::addColumn<bool>("proceeds");
        QTest::newRow("cancel") << Cancel << true << false << false;
        QTest::newRow("no") << No << true << false << true;
        QTest::newRow("yes, titled") << Yes << true << false << true;
        QTest::newRow("yes, untitled, named") << Yes << false << true << true;
        QTest::newRow("yes, untitled, not named") << Yes << false << false << false;
    }
    void guard_onlyNoDiscards()
    {
        QFETCH(DocumentQuestions::SaveChanges, answer);
        QFETCH(bool, titled);
        QFETCH(bool, named);
        QFETCH(bool, proceeds);
        FakeDocument f;
        const QString file = f.path("doc.htm");
        QVERIFY(writeAll(file, "old"));
        if (titled)
            QVERIFY(f.docs.LoadDocument(file));
        f.type("unsaved");
        f.answer = answer;
        if (named)
            f.saveName = file;

        QCOMPARE(f.docs.FormCloseQuery(), proceeds);
        f.edit.setModified(true);
        f.docs.cmNewClick();
        QCOMPARE(f.told.count("Save changes?"), 2);
        QCOMPARE(f.edit.wholeText().isEmpty(), proceeds);
        QCOMPARE(f.docs.isUntitled(), proceeds || !titled);
        QCOMPARE(readAll(file) == "unsaved\r\n", answer == Yes && proceeds);
    }

    // Save asks for a name only for an untitled page; Save, and Save As when given a name, read
    // the file list again. Open starts in the side panel's folder; a double-click opens the
    // panel's folder and name, with no second slash after the root.
    void commands_saveOpenAndDoubleClick()
    {
        FakeDocument f;
        f.edit.setWholeText("text");
        f.docs.cmSaveClick();
        f.docs.cmSaveAsClick();
        f.saveName = f.path("named.htm");
        f.docs.cmSaveAsClick();
        f.edit.replaceSelection("more ");
        f.docs.cmSaveClick();
        QCOMPARE(readAll(f.path("named.htm")), "more text\r\n");
        f.dir = f.tmp.path();
        f.docs.cmOpenClick();
        QCOMPARE(f.told, (QStringList{"Save as?", "(list read)", "Save as?", "Save as?",
                                      "(list repainted)", "(list read)", "(list repainted)",
                                      "(list read)", "Open in " + f.dir}));
        QVERIFY(writeAll(f.path("page.htm"), "<HTML>"));
        f.fileName = [] { return QString("page.htm"); };
        f.docs.FileListBoxDblClick();
        QCOMPARE(f.docs.currentFileName(), f.path("page.htm"));
        f.dir = "/";
        f.docs.FileListBoxDblClick();
        QCOMPARE(f.told.last(), "File /page.htm does not Exist!");
    }

    // Open's dialog starts in the folder it is given, also when it opens a second time; Escape
    // cancels it.
    void openDialog_startsInTheFolderGiven()
    {
        QWidget window;
        DialogQuestions questions(&window);
        for (const QString &folder : {QDir::tempPath(), QDir::rootPath()}) {
            QString seen;
            whenModalShown([&](QWidget *modal) {
                if (const auto *dialog = qobject_cast<QFileDialog *>(modal))
                    seen = dialog->directory().path();
                QTest::keyClick(modal, Qt::Key_Escape);
            });
            QVERIFY(!questions.askOpenName(folder));
            QCOMPARE(seen, folder);
        }
    }
};

QObject *makeDocumentTest()
{
    return new DocumentTest;
}

#include "tst_document.moc"
