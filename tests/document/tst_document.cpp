#include "common/fakedocument.h"
#include "common/files.h"
#include "common/hermetic.h"
#include "document/codec.h"
#include "document/documents.h"
#include "platform/editcontrol.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTest>

#include <array>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tolvan::document;
using tolvan::platform::EditControl;
using enum DocumentQuestions::SaveChanges;
using namespace tolvan::test;

class DocumentTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<FakeDocument> f; // an untitled document
    std::unique_ptr<QTemporaryDir> m_dir; // for its files
    QString path(const QString &name) const { return m_dir->filePath(name); }

private Q_SLOTS:
    void init()
    {
        f = std::make_unique<FakeDocument>();
        m_dir = std::make_unique<QTemporaryDir>();
    }
    void cleanup() { f.reset(); }

    // Valid UTF-8 is read as UTF-8, anything else as Windows-1252; either way the page is saved
    // back byte for byte but for its line breaks, CR LF after every line. The page is opened
    // through a symbolic link, which the save through a temporary file keeps, as it keeps the
    // permissions of the file linked to.
    void roundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // in the editor, when given
        QTest::addColumn<Encoding>("encoding");
        QTest::addColumn<QByteArray>("saved");
        const auto row = [](const char *name, const QByteArray &bytes, const QString &text,
                            Encoding encoding, const QByteArray &saved = {}) {
            QTest::newRow(name) << bytes << text << encoding
                                << (saved.isNull() ? bytes + "\r\n" : saved);
        };
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            if (b != '\r' && b != '\n')
                all += char(b);
        const QByteArray huge =
            QByteArray("<P>paragraph of text, written by hand.\r\n").repeated(125000);
        using enum Encoding;
        row("ascii, no final break", "<P>one", "<P>one", Utf8);
        row("two final breaks", "a\r\n\r\n", {}, Utf8, "a\r\n\r\n");
        row("lone lf and cr, one final break", "a\nb\rc\r\n", {}, Utf8, "a\r\nb\r\nc\r\n");
        row("utf-8 with its bom and a zero byte",
            QByteArray("\xef\xbb\xbf\xc3\xa9\xe2\x82\xac\0.", 10), {}, Utf8);
        row("windows-1252, unassigned bytes kept", "\x80\x81\x93\x9d\xe9",
            "\u20ac\u0081\u201c\u009d\u00e9", Windows1252);
        row("truncated utf-8", "\xe2\x82", "\u00e2\u201a", Windows1252);
        row("every byte 1..255 but breaks", all, {}, Windows1252);
        row("5,000,000 bytes", huge, {}, Utf8, huge);
    }
    void roundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString real = path("real.htm"), page = path("page.htm");
        QVERIFY(writeAll(real, bytes));
        QVERIFY(
            QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        QVERIFY(QFile::link(real, page));
        QVERIFY(f->docs.LoadDocument(page));
        QCOMPARE(f->caption, "Tolvan v1.61 - " + page);
        QTEST(f->docs.encoding(), "encoding");
        if (!text.isNull())
            QCOMPARE(f->edit.wholeText(), text);
        QVERIFY(!f->edit.modified());
        f->edit.setModified(true);
        QVERIFY(f->docs.SaveDocument(page));
        QTEST(readAll(real), "saved");
        QVERIFY(!f->edit.modified());
        QCOMPARE(f->told, QStringList{"(list repainted)"});
        QCOMPARE(QFileInfo(page).symLinkTarget(), real);
        struct stat info = {};
        QVERIFY(::stat(QFile::encodeName(real).constData(), &info) == 0);
        QCOMPARE(info.st_mode & 0777, 0604u);
    }

    // A page that cannot be read is not opened: a FIFO, a socket, a device, a page larger than
    // the largest taken, and the like are refused at once (a child process that takes 20 s is
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
        for (const char *name : {"pipe.htm", "socket.htm", "/dev/zero", "self.htm",
                                 "secret.htm", "huge.htm"})
            row("open", name, "Cannot Open File {}");
        row("save", "kept.htm", "Nothing to save");
        row("save", "readonly.htm", "Cannot Create File {}");
        row("save", "gone/page.htm", "Cannot Create File {}");
    }
    void refusals_leaveEverythingAsItWas()
    {
        QFETCH(QString, command);
        QFETCH(QString, name);
        QFETCH(QString, message);
        if (name == "secret.htm" && ::geteuid() == 0)
            QSKIP("root reads every file");
        const QByteArray socketPath = QFile::encodeName(path("socket.htm"));
        const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const auto closeSocket = qScopeGuard([&] { ::close(socketFd); });
        sockaddr_un address{AF_UNIX, {}};
        qstrncpy(address.sun_path, socketPath.constData(), sizeof address.sun_path);
        QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QCOMPARE(::symlink("self.htm", QFile::encodeName(path("self.htm")).constData()), 0);
        QVERIFY(QDir(m_dir->path()).mkdir("folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(path("pipe.htm")).constData(), 0600), 0);
        QVERIFY(writeAll(path("secret.htm"), "x"));
        QVERIFY(QFile::setPermissions(path("secret.htm"), {}));
        QFile huge(path("huge.htm")); // sparse: costs no disk
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(DocumentCommands::maxFileSize + 1));
        QVERIFY(writeAll(path("readonly.htm"), "old"));
        QVERIFY(QFile::setPermissions(path("readonly.htm"), QFile::ReadOwner | QFile::ReadGroup));
        const QString file = name.startsWith(u'/') ? name : path(name);
        QVERIFY(writeAll(path("earlier.htm"), "earlier text"));
        QVERIFY(f->docs.LoadDocument(path("earlier.htm")));
        if (message == "Nothing to save")
            f->edit.selectAll();
        f->edit.replaceSelection(message == "Nothing to save" ? "" : "typed ");
        const QString text = f->edit.wholeText();

        long extraKb = 0;
        const QString report = inChildCosting(
            [&]() -> QString {
                if (command == "open" ? f->docs.LoadDocument(file) : f->docs.SaveDocument(file))
                    return "it succeeded";
                if (f->told != QStringList{message.replace("{}", file)})
                    return "told: " + f->told.join(u'|');
                if (f->edit.wholeText() != text || !f->edit.modified() ||
                    f->docs.currentFileName() != path("earlier.htm"))
                    return "the document changed";
                return {};
            },
            20, &extraKb);
        QVERIFY2(report.isEmpty(), qPrintable(report));
        QVERIFY2(extraKb < 64 * 1024, qPrintable(QString("%1 KB read into memory").arg(extraKb)));
        QCOMPARE(readAll(path("readonly.htm")), "old");
        QCOMPARE(readAll(path("earlier.htm")), "earlier text");
    }

    // A page prepared while the window was built is shown only while the file is the one read:
    // a save or another program's write in between must not bring back the old text.
    void load_preparedPageOnlyWhileFileUnchanged_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("shown"); // and written; none: the file has gone
        QTest::newRow("unchanged") << "" << QString("old page");
        QTest::newRow("as many bytes written in place") << "write" << QString("new page");
        QTest::newRow("grown in place") << "write" << QString("old page and more");
        QTest::newRow("saved through a rename") << "rename" << QString("new page");
        QTest::newRow("removed") << "remove" << QString();
    }
    void load_preparedPageOnlyWhileFileUnchanged()
    {
        QFETCH(QString, change);
        QFETCH(QString, shown);
        const QString page = path("page.htm");
        QVERIFY(writeAll(page, "old page"));
        struct stat before = {};
        QCOMPARE(::stat(QFile::encodeName(page).constData(), &before), 0);
        PreparedPage prepared = preparePage(page);
        QCOMPARE(prepared.editorText, "old page");

        if (change == "write") { // with the modification time put back
            // File times follow a clock that may tick only every few milliseconds: let it move
            // on, or a write now could carry the very change time of the file that was read.
            const QByteArray probe = QFile::encodeName(path("probe"));
            for (struct stat now = before; now.st_ctim.tv_sec == before.st_ctim.tv_sec &&
                                           now.st_ctim.tv_nsec == before.st_ctim.tv_nsec;) {
                QVERIFY(writeAll(path("probe"), "x"));
                QCOMPARE(::stat(probe.constData(), &now), 0);
            }
            QVERIFY(writeAll(page, shown.toUtf8()));
            const std::array times{before.st_atim, before.st_mtim};
            QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(page).constData(), times.data(), 0),
                     0);
        } else if (change == "rename") {
            QVERIFY(writeAll(page + ".new", shown.toUtf8()));
            QVERIFY(QFile::rename(page, page + ".old") && QFile::rename(page + ".new", page));
        } else if (change == "remove") {
            QVERIFY(QFile::remove(page));
        }
        QCOMPARE(f->docs.LoadDocument(page, std::move(prepared)), !shown.isNull());
        QCOMPARE(f->edit.wholeText(), shown);
        QCOMPARE(f->told.value(0), shown.isNull() ? "File " + page + " does not Exist!" : "");
    }

    // A character the file's encoding cannot hold: saved as UTF-8 only when the user agrees.
    void save_unencodableCharacterAsksForUtf8()
    {
        const QString file = path("latin.htm");
        QVERIFY(writeAll(file, "caf\xe9"));
        QVERIFY(f->docs.LoadDocument(file));
        f->edit.replaceSelection("\u2603 ");
        QVERIFY(!f->docs.SaveDocument(file));
        QCOMPARE(readAll(file), "caf\xe9");
        QVERIFY(f->edit.modified());
        f->utf8 = true;
        QVERIFY(f->docs.SaveDocument(file));
        QCOMPARE(readAll(file), "\xe2\x98\x83 caf\xc3\xa9\r\n");
        QCOMPARE(f->told, (QStringList{"As UTF-8?", "As UTF-8?", "(list repainted)"}));
    }

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
    // Closing the window and New go through the same guard (as do Open and the double-click); the
    // page is written exactly when Yes was answered and the command went on.
    void guard_onlyNoDiscards()
    {
        QFETCH(DocumentQuestions::SaveChanges, answer);
        QFETCH(bool, titled);
        QFETCH(bool, named);
        QFETCH(bool, proceeds);
        const QString file = path("doc.htm");
        QVERIFY(writeAll(file, "old"));
        if (titled)
            QVERIFY(f->docs.LoadDocument(file));
        f->edit.selectAll();
        f->edit.replaceSelection("unsaved");
        f->answer = answer;
        if (named)
            f->saveName = file;

        QCOMPARE(f->docs.FormCloseQuery(), proceeds);
        f->edit.setModified(true);
        f->docs.cmNewClick();
        QCOMPARE(f->told.count("Save changes?"), 2);
        QCOMPARE(f->edit.wholeText().isEmpty(), proceeds);
        QCOMPARE(f->docs.isUntitled(), proceeds || !titled);
        QCOMPARE(readAll(file) == "unsaved\r\n", answer == Yes && proceeds);
    }

    // Save asks for a name only for an untitled page; Save, and Save As when given a name, read
    // the file list again. Open starts in the side panel's folder; a double-click opens the
    // panel's folder and name, with no second slash after the root.
    void commands_saveOpenAndDoubleClick()
    {
        f->edit.setWholeText("text");
        f->docs.cmSaveClick();
        f->docs.cmSaveAsClick();
        f->saveName = path("named.htm");
        f->docs.cmSaveAsClick();
        f->edit.replaceSelection("more ");
        f->docs.cmSaveClick();
        QCOMPARE(readAll(path("named.htm")), "more text\r\n");
        f->dir = m_dir->path();
        f->docs.cmOpenClick();
        QCOMPARE(f->told, (QStringList{"Save as?", "(list read)", "Save as?", "Save as?",
                                       "(list repainted)", "(list read)", "(list repainted)",
                                       "(list read)", "Open in " + m_dir->path()}));
        QVERIFY(writeAll(path("page.htm"), "<HTML>"));
        f->fileName = [] { return QString("page.htm"); };
        f->docs.FileListBoxDblClick();
        QCOMPARE(f->docs.currentFileName(), path("page.htm"));
        f->dir = "/";
        f->docs.FileListBoxDblClick();
        QCOMPARE(f->told.last(), "File /page.htm does not Exist!");
    }
};

QObject *makeDocumentTest()
{
    return new DocumentTest;
}

#include "tst_document.moc"
