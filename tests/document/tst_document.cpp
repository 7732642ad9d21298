#include "common/fakedocument.h"
#include "common/hermetic.h"

#include <QDir>
#include <QTest>

#include <sys/stat.h>

using namespace tolvan::document;
using namespace tolvan::test;
using enum DocumentQuestions::SaveChanges;

class DocumentTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A page that cannot be read is not opened: a FIFO, a link to itself, a page larger than the
    // largest taken, and the like are refused at once (a child process that takes 20 s is ended
    // and fails the row). A save that cannot be made is not made. Either way the user is told,
    // and the document and the files stay as they were.
    void refusals_leaveEverythingAsItWas_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        for (const char *name : {"missing.htm", "folder"})
            QTest::newRow(name) << QString(name) << "File {} does not Exist!";
        for (const char *name : {"pipe.htm", "self.htm", "huge.htm"})
            QTest::newRow(name) << QString(name) << "Cannot Open File {}";
        QTest::newRow("save, empty") << QString("kept.htm") << QString("Nothing to save");
        QTest::newRow("save, read-only") << QString("readonly.htm") << "Cannot Create File {}";
    }
    void refusals_leaveEverythingAsItWas()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        FakeDocument f;
        const QString file = f.path(name), earlier = f.path("earlier.htm");
        const auto native = [&](const char *name) { return QFile::encodeName(f.path(name)); };
        QCOMPARE(::symlink("self.htm", native("self.htm").constData()), 0);
        QVERIFY(QDir(f.tmp.path()).mkdir("folder"));
        QCOMPARE(::mkfifo(native("pipe.htm").constData(), 0600), 0);
        QFile huge(f.path("huge.htm")); // sparse: costs no disk
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(DocumentCommands::maxFileSize + 1));
        QVERIFY(writeAll(f.path("readonly.htm"), "old"));
        QVERIFY(QFile::setPermissions(f.path("readonly.htm"), QFile::ReadOwner));
        QVERIFY(f.open(earlier, "earlier text"));
        f.type(message == "Nothing to save" ? "" : "typed");
        const QString text = f.edit.wholeText();
        const bool save = QByteArray(QTest::currentDataTag()).startsWith("save");

        const QString report = inChild(
            [&]() -> QString {
                if (save ? f.docs.SaveDocument(file) : f.docs.LoadDocument(file))
                    return "it succeeded";
                if (f.told != QStringList{message.replace("{}", file)})
                    return "told: " + f.told.join(u'|');
                if (f.edit.wholeText() != text || !f.edit.modified() ||
                    f.docs.currentFileName() != earlier)
                    return "the document changed";
                return {};
            },
            20);
        QVERIFY2(report.isEmpty(), qPrintable(report));
        QCOMPARE(readAll(f.path("readonly.htm")) + readAll(earlier), "oldearlier text");
    }

    // A page prepared while the window was built is shown only while the file is the one read:
    // another program's save in between, or the file's removal, must not bring back the old text.
    void load_preparedPageOnlyWhileFileUnchanged()
    {
        FakeDocument f;
        const QString page = f.path("page.htm");
        QVERIFY(writeAll(page, "old page"));
        PreparedPage prepared = preparePage(page), removed = preparePage(page);
        QVERIFY(writeAll(page + ".new", "new page") && QFile::remove(page) &&
                QFile::rename(page + ".new", page));
        QVERIFY(f.docs.LoadDocument(page, std::move(prepared)));
        QCOMPARE(f.edit.wholeText(), "new page");
        QVERIFY(QFile::remove(page));
        QVERIFY(!f.docs.LoadDocument(page, std::move(removed)));
        QCOMPARE(f.messages, QStringList{"File " + page + " does not Exist!"});
    }

    // Closing the window and New go through the same guard (as do Open and the double-click); the
    // page is written exactly when Yes was answered and the command went on.
    void guard_onlyNoDiscards_data()
    {
        QTest::addColumn<DocumentQuestions::SaveChanges>("answer");
        QTest::addColumn<bool>("titled");
        QTest::addColumn<bool>("proceeds"); // untitled: the save dialog gives a name
        QTest::newRow("cancel") << Cancel << true << false;
        QTest::newRow("no") << No << true << true;
        QTest::newRow("yes, titled") << Yes << true << true;
        QTest::newRow("yes, untitled, named") << Yes << false << true;
        QTest::newRow("yes, untitled, not named") << Yes << false << false;
    }
    void guard_onlyNoDiscards()
    {
        QFETCH(DocumentQuestions::SaveChanges, answer);
        QFETCH(bool, titled);
        QFETCH(bool, proceeds);
        FakeDocument f;
        const QString file = f.path("doc.htm");
        if (titled)
            QVERIFY(f.open(file, "old"));
        f.type("unsaved");
        f.answer = answer;
        if (!titled && proceeds)
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
    // the file list again. Open starts in the side panel's folder; a double-click joins the
    // panel's folder and name with no second slash after the root.
    void commands_saveOpenAndDoubleClick()
    {
        FakeDocument f;
        f.edit.setWholeText("text");
        f.docs.cmSaveClick();
        f.saveName = f.path("named.htm");
        f.docs.cmSaveAsClick();
        f.edit.replaceSelection("more ");
        f.docs.cmSaveClick();
        QCOMPARE(readAll(f.path("named.htm")), "more text\r\n");
        f.dir = f.tmp.path();
        f.docs.cmOpenClick();
        QCOMPARE(f.told, (QStringList{"Save as?", "(list read)", "Save as?", "(list repainted)",
                                      "(list read)", "(list repainted)", "(list read)",
                                      "Open in " + f.dir}));
        f.fileName = [] { return QString("page.htm"); };
        f.dir = "/";
        f.docs.FileListBoxDblClick();
        QCOMPARE(f.told.last(), "File /page.htm does not Exist!");
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new DocumentTest; });

#include "tst_document.moc"
