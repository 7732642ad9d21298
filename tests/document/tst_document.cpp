#include "common/hermetic.h"
#include "document/codec.h"
#include "document/documents.h"
#include "platform/editcontrol.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvan::document;
using tolvan::platform::EditControl;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

class FakeHost : public DocumentHost
{
public:
    EditControl edit;
    QString dir;
    QString fileName;
    QString caption;
    int updates = 0;
    int repaints = 0;

    EditControl &editor() override { return edit; }
    QString directory() const override { return dir; }
    QString fileNameText() const override { return fileName; }
    void updateFileList() override { ++updates; }
    void repaintFileList() override { ++repaints; }
    void setCaption(const QString &text) override { caption = text; }
};

// Answers from a script; records the messages shown.
class ScriptedQuestions : public DocumentQuestions
{
public:
    SaveChanges answer = SaveChanges::Cancel;
    std::optional<QString> saveName;
    std::optional<QString> openName;
    bool utf8 = false;
    int asked = 0;
    int savesAsked = 0;
    QString openDirectory;
    QStringList messages;

    SaveChanges askSaveChanges() override
    {
        ++asked;
        return answer;
    }
    std::optional<QString> askSaveName() override
    {
        ++savesAsked;
        return saveName;
    }
    std::optional<QString> askOpenName(const QString &directory) override
    {
        openDirectory = directory;
        return openName;
    }
    bool askSaveAsUtf8(const QString &, QChar) override { return utf8; }
    void showMessage(const QString &text) override { messages << text; }
};

} // namespace

class DocumentTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void roundTrip_keepsEveryByteButLineBreaks_data();
    void roundTrip_keepsEveryByteButLineBreaks();
    void decode_choosesEncoding_data();
    void decode_choosesEncoding();
    void load_failuresLeaveDocumentAsItWas_data();
    void load_failuresLeaveDocumentAsItWas();
    void load_fifoNeverHangs();
    void load_preparedPageOnlyWhileFileUnchanged_data();
    void load_preparedPageOnlyWhileFileUnchanged();
    void save_nothingToSave();
    void save_readOnlyFileIsRefused();
    void save_keepsPermissionsAndSymlink();
    void save_intoVanishedFolderKeepsText();
    void save_diskFullKeepsOldFileWhole();
    void save_unencodableCharacterAsksForUtf8();
    void guard_onlyNoDiscards_data();
    void guard_onlyNoDiscards();
    void commands_saveAndUpdateAsDesigned();
    void doubleClick_buildsPathFromPanel_data();
    void doubleClick_buildsPathFromPanel();

private:
    QTemporaryDir *m_dir = nullptr;
    FakeHost *m_host = nullptr;
    ScriptedQuestions *m_questions = nullptr;
    DocumentCommands *m_docs = nullptr;
    QString path(const QString &name) const { return m_dir->filePath(name); }
};

void DocumentTest::init()
{
    m_dir = new QTemporaryDir;
    m_host = new FakeHost;
    m_questions = new ScriptedQuestions;
    m_docs = new DocumentCommands(*m_host, *m_questions);
    m_docs->makeUntitled();
}

void DocumentTest::cleanup()
{
    delete m_docs;
    delete m_questions;
    delete m_host;
    delete m_dir;
}

void DocumentTest::roundTrip_keepsEveryByteButLineBreaks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("no final break") << QByteArray("<P>one") << QByteArray("<P>one\r\n");
    QTest::newRow("one final break") << QByteArray("a\r\n") << QByteArray("a\r\n");
    QTest::newRow("two final breaks") << QByteArray("a\r\n\r\n") << QByteArray("a\r\n\r\n");
    QTest::newRow("lone lf and cr") << QByteArray("a\nb\rc") << QByteArray("a\r\nb\r\nc\r\n");
    QTest::newRow("zero byte") << QByteArray("before\0after", 12)
                               << QByteArray("before\0after\r\n", 14);
    QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac") << QByteArray("caf\xc3\xa9 \xe2\x82\xac\r\n");
    QTest::newRow("utf-8 bom") << QByteArray("\xef\xbb\xbfx") << QByteArray("\xef\xbb\xbfx\r\n");
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        if (b != '\r' && b != '\n')
            all += char(b);
    QTest::newRow("windows-1252, every byte") << all << all + "\r\n";
    QTest::newRow("no-break space and ellipsis") << QByteArray("a\xa0\x85") << QByteArray("a\xa0\x85\r\n");
    QByteArray big;
    for (int i = 0; big.size() < 70000; ++i)
        big += "line " + QByteArray::number(i) + "\r\n";
    QTest::newRow("70,000 bytes") << big << big;
    QByteArray huge = QByteArray("<P>paragraph of text, written by hand.\r\n").repeated(125000);
    QTest::newRow("5,000,000 bytes") << huge << huge;
}

void DocumentTest::roundTrip_keepsEveryByteButLineBreaks()
{
    QFETCH(QByteArray, bytes);
    const QString file = path(QStringLiteral("page.htm"));
    writeAll(file, bytes);
    QVERIFY(m_docs->LoadDocument(file));
    QCOMPARE(m_docs->currentFileName(), file);
    QCOMPARE(m_host->caption, QStringLiteral("Tolvan v1.61 - ") + file);
    QVERIFY(!m_host->edit.modified());
    QVERIFY(m_questions->messages.isEmpty());
    m_host->edit.setModified(true);
    QVERIFY(m_docs->SaveDocument(file));
    QTEST(readAll(file), "saved");
    QVERIFY(!m_host->edit.modified());
    QCOMPARE(m_host->repaints, 1);
}

void DocumentTest::decode_choosesEncoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("encoding");
    QTest::newRow("ascii") << QByteArray("abc") << QStringLiteral("abc") << int(Encoding::Utf8);
    QTest::newRow("utf-8") << QByteArray("\xc3\xa9") << QStringLiteral("\u00e9") << int(Encoding::Utf8);
    QTest::newRow("latin byte") << QByteArray("\xe9") << QStringLiteral("\u00e9")
                                << int(Encoding::Windows1252);
    QTest::newRow("euro and quotes") << QByteArray("\x80\x93\x94") << QStringLiteral("\u20ac\u201c\u201d")
                                     << int(Encoding::Windows1252);
    QTest::newRow("unassigned bytes") << QByteArray("\x81\x8d\x8f\x90\x9d")
                                      << QStringLiteral("\u0081\u008d\u008f\u0090\u009d")
                                      << int(Encoding::Windows1252);
    QTest::newRow("truncated utf-8") << QByteArray("\xe2\x82") << QStringLiteral("\u00e2\u201a")
                                     << int(Encoding::Windows1252);
}

void DocumentTest::decode_choosesEncoding()
{
    QFETCH(QByteArray, bytes);
    const Decoded decoded = decode(bytes);
    QTEST(decoded.text, "text");
    QTEST(int(decoded.encoding), "encoding");
    QCOMPARE(encode(decoded.text, decoded.encoding).value_or(QByteArray("<none>")), bytes);
}

void DocumentTest::load_failuresLeaveDocumentAsItWas_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QStringLiteral("missing.htm") << QStringLiteral("File %1 does not Exist!");
    QTest::newRow("directory") << QStringLiteral("folder") << QStringLiteral("Cannot Open File %1");
    QTest::newRow("unreadable") << QStringLiteral("secret.htm") << QStringLiteral("Cannot Open File %1");
    QTest::newRow("too large") << QStringLiteral("huge.htm") << QStringLiteral("Cannot Open File %1");
    QTest::newRow("device") << QStringLiteral("/dev/null") << QStringLiteral("Cannot Open File %1");
}

void DocumentTest::load_failuresLeaveDocumentAsItWas()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QDir(m_dir->path()).mkdir(QStringLiteral("folder"));
    writeAll(path(QStringLiteral("secret.htm")), "x");
    QFile::setPermissions(path(QStringLiteral("secret.htm")), QFileDevice::Permissions());
    {
        QFile huge(path(QStringLiteral("huge.htm")));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(DocumentCommands::maxFileSize + 1)); // sparse: costs no disk
    }
    if (name == QLatin1String("secret.htm") && ::geteuid() == 0)
        QSKIP("root reads every file");
    const QString file = name.startsWith(u'/') ? name : path(name);
    const QString earlier = path(QStringLiteral("earlier.htm"));
    writeAll(earlier, "earlier text");
    QVERIFY(m_docs->LoadDocument(earlier));
    m_host->edit.replaceSelection(QStringLiteral("typed "));

    QVERIFY(!m_docs->LoadDocument(file));
    QCOMPARE(m_questions->messages, QStringList{message.arg(file)});
    QCOMPARE(m_host->edit.wholeText(), QStringLiteral("typed earlier text"));
    QVERIFY(m_host->edit.modified());
    QCOMPARE(m_docs->currentFileName(), earlier);
    QCOMPARE(m_host->caption, QStringLiteral("Tolvan v1.61 - ") + earlier);
}

void DocumentTest::load_fifoNeverHangs()
{
    const QString fifo = path(QStringLiteral("pipe.htm"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(!m_docs->LoadDocument(fifo)); // returns at once: nobody writes to the FIFO
    QCOMPARE(m_questions->messages, QStringList{QStringLiteral("Cannot Open File ") + fifo});
}

// A page prepared while the window was built is shown only if the file is still the one read;
// a save or another program's write in between must not bring back the old text.
void DocumentTest::load_preparedPageOnlyWhileFileUnchanged_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("shown");
    QTest::newRow("unchanged") << QString() << QStringLiteral("old page");
    QTest::newRow("as many bytes, the time put back") << "in place, time kept"
                                                      << QStringLiteral("new page");
    QTest::newRow("written in place") << "in place" << QStringLiteral("new page");
    QTest::newRow("saved through a rename") << "rename" << QStringLiteral("new page");
    QTest::newRow("grown") << "append" << QStringLiteral("old page and more");
    QTest::newRow("removed") << "remove" << QString();
}

void DocumentTest::load_preparedPageOnlyWhileFileUnchanged()
{
    QFETCH(QString, change);
    QFETCH(QString, shown);
    const QString page = path(QStringLiteral("page.htm"));
    writeAll(page, "old page");
    struct stat before {};
    QCOMPARE(::stat(QFile::encodeName(page).constData(), &before), 0);
    PreparedPage prepared = preparePage(page);
    QCOMPARE(prepared.editorText, QStringLiteral("old page"));

    if (change.startsWith(QLatin1String("in place"))) {
        QFile f(page);
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.write("new page");
        f.close();
        const struct timespec times[2] = {before.st_atim, change.endsWith(QLatin1String("kept"))
                                                               ? before.st_mtim
                                                               : timespec{before.st_mtim.tv_sec + 1, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(page).constData(), times, 0), 0);
    } else if (change == QLatin1String("rename")) {
        writeAll(page + QStringLiteral(".new"), "new page");
        QVERIFY(QFile::rename(page, page + QStringLiteral(".old")));
        QVERIFY(QFile::rename(page + QStringLiteral(".new"), page));
    } else if (change == QLatin1String("append")) {
        QFile f(page);
        QVERIFY(f.open(QIODevice::Append));
        f.write(" and more");
    } else if (change == QLatin1String("remove")) {
        QVERIFY(QFile::remove(page));
    }

    const bool loaded = m_docs->LoadDocument(page, std::move(prepared));
    QCOMPARE(loaded, !shown.isNull());
    if (loaded)
        QCOMPARE(m_host->edit.wholeText(), shown);
    else
        QCOMPARE(m_questions->messages, QStringList{QStringLiteral("File %1 does not Exist!").arg(page)});
}

void DocumentTest::save_nothingToSave()
{
    const QString file = path(QStringLiteral("kept.htm"));
    writeAll(file, "old");
    QVERIFY(!m_docs->SaveDocument(file));
    QCOMPARE(m_questions->messages, QStringList{QStringLiteral("Nothing to save")});
    QCOMPARE(readAll(file), QByteArray("old"));
}

void DocumentTest::save_readOnlyFileIsRefused()
{
    const QString file = path(QStringLiteral("readonly.htm"));
    writeAll(file, "original");
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    QVERIFY(m_docs->LoadDocument(file)); // viewing is fine
    m_host->edit.replaceSelection(QStringLiteral("changed "));
    QVERIFY(!m_docs->SaveDocument(file));
    QCOMPARE(m_questions->messages, QStringList{QStringLiteral("Cannot Create File ") + file});
    QCOMPARE(readAll(file), QByteArray("original"));
    QVERIFY(m_host->edit.modified());
}

void DocumentTest::save_keepsPermissionsAndSymlink()
{
    const QString target = path(QStringLiteral("real.htm"));
    const QString link = path(QStringLiteral("link.htm"));
    writeAll(target, "old");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ReadOther);
    QVERIFY(QFile::link(target, link));
    m_host->edit.setWholeText(QStringLiteral("new"));
    QVERIFY(m_docs->SaveDocument(link));
    QCOMPARE(readAll(target), QByteArray("new\r\n"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    struct stat info {};
    QCOMPARE(::stat(QFile::encodeName(target).constData(), &info), 0);
    QCOMPARE(info.st_mode & 0777, 0604u);
}

void DocumentTest::save_intoVanishedFolderKeepsText()
{
    const QString file = path(QStringLiteral("gone/page.htm"));
    m_host->edit.setWholeText(QStringLiteral("precious"));
    m_host->edit.setModified(true);
    QVERIFY(!m_docs->SaveDocument(file));
    QCOMPARE(m_questions->messages, QStringList{QStringLiteral("Cannot Create File ") + file});
    QCOMPARE(m_host->edit.wholeText(), QStringLiteral("precious"));
    QVERIFY(m_host->edit.modified());
    QVERIFY(m_docs->isUntitled());
}

void DocumentTest::save_diskFullKeepsOldFileWhole()
{
    // A child process saves under a file-size limit, as on a full disk.
    const QString file = path(QStringLiteral("page.htm"));
    const QByteArray old = QByteArray("old page\r\n").repeated(1000);
    writeAll(file, old);
    m_host->edit.setWholeText(QString(200000, u'x'));
    int trials = 0;
    for (const rlim_t limit : {rlim_t(0), rlim_t(4096), rlim_t(100000)}) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            struct rlimit rl {limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &rl);
            const bool saved = m_docs->SaveDocument(file);
            const bool told = m_questions->messages.size() == 1 &&
                              m_questions->messages.first().endsWith(file);
            ::_exit(!saved && told ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(readAll(file), old);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 1); // no temporary left
        ++trials;
    }
    QCOMPARE(trials, 3);
}

void DocumentTest::save_unencodableCharacterAsksForUtf8()
{
    const QString file = path(QStringLiteral("latin.htm"));
    writeAll(file, "caf\xe9");
    QVERIFY(m_docs->LoadDocument(file));
    QCOMPARE(m_docs->encoding(), Encoding::Windows1252);
    m_host->edit.selectAll();
    m_host->edit.replaceSelection(QStringLiteral("caf\u00e9 \u2603"));
    m_questions->utf8 = false;
    QVERIFY(!m_docs->SaveDocument(file));
    QCOMPARE(readAll(file), QByteArray("caf\xe9"));
    QVERIFY(m_host->edit.modified());
    m_questions->utf8 = true;
    QVERIFY(m_docs->SaveDocument(file));
    QCOMPARE(readAll(file), QByteArray("caf\xc3\xa9 \xe2\x98\x83\r\n"));
    QCOMPARE(m_docs->encoding(), Encoding::Utf8);
}

void DocumentTest::guard_onlyNoDiscards_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("titled");
    QTest::addColumn<bool>("saveName");
    QTest::addColumn<bool>("proceeds");
    QTest::addColumn<bool>("fileWritten");
    using A = DocumentQuestions::SaveChanges;
    QTest::newRow("cancel") << int(A::Cancel) << true << false << false << false;
    QTest::newRow("no") << int(A::No) << true << false << true << false;
    QTest::newRow("yes, titled") << int(A::Yes) << true << false << true << true;
    QTest::newRow("yes, untitled, named") << int(A::Yes) << false << true << true << true;
    QTest::newRow("yes, untitled, dialog cancelled") << int(A::Yes) << false << false << false << false;
}

void DocumentTest::guard_onlyNoDiscards()
{
    QFETCH(int, answer);
    QFETCH(bool, titled);
    QFETCH(bool, saveName);
    QFETCH(bool, proceeds);
    QFETCH(bool, fileWritten);
    const QString file = path(QStringLiteral("doc.htm"));
    if (titled) {
        writeAll(file, "old");
        QVERIFY(m_docs->LoadDocument(file));
    }
    m_host->edit.selectAll();
    m_host->edit.replaceSelection(QStringLiteral("unsaved"));
    m_questions->answer = DocumentQuestions::SaveChanges(answer);
    if (saveName)
        m_questions->saveName = file;

    // New, closing and the double-click all go through the same guard.
    QCOMPARE(m_docs->FormCloseQuery(), proceeds);
    m_host->edit.setModified(true);
    m_docs->cmNewClick();
    QCOMPARE(m_questions->asked, 2);
    QCOMPARE(m_host->edit.wholeText().isEmpty(), proceeds);
    QCOMPARE(m_docs->isUntitled(), proceeds || !titled);
    QCOMPARE(readAll(file) == "unsaved\r\n", fileWritten);
}

void DocumentTest::commands_saveAndUpdateAsDesigned()
{
    m_host->edit.setWholeText(QStringLiteral("text"));
    m_docs->cmSaveClick(); // untitled: asks for a name; cancelled: nothing saved, list re-read
    QCOMPARE(m_questions->savesAsked, 1);
    QCOMPARE(m_host->updates, 1);
    m_docs->cmSaveAsClick(); // cancelled: list not re-read
    QCOMPARE(m_host->updates, 1);
    m_questions->saveName = path(QStringLiteral("named.htm"));
    m_docs->cmSaveAsClick();
    QCOMPARE(m_host->updates, 2);
    QCOMPARE(m_docs->currentFileName(), *m_questions->saveName);
    m_host->edit.replaceSelection(QStringLiteral("more "));
    m_docs->cmSaveClick(); // titled: no question
    QCOMPARE(m_questions->savesAsked, 3);
    QCOMPARE(readAll(*m_questions->saveName), QByteArray("more text\r\n"));

    m_host->dir = m_dir->path();
    m_questions->openName = std::nullopt;
    m_docs->cmOpenClick();
    QCOMPARE(m_questions->openDirectory, m_dir->path());
    QCOMPARE(m_docs->currentFileName(), *m_questions->saveName);
}

void DocumentTest::doubleClick_buildsPathFromPanel_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("message");
    QTest::newRow("a page") << QString() << QStringLiteral("index.htm") << QString();
    QTest::newRow("mask only") << QString() << QStringLiteral("*.htm")
                               << QStringLiteral("File %1/*.htm does not Exist!");
    QTest::newRow("root gets no second slash") << QStringLiteral("/") << QStringLiteral("nothere.htm")
                                               << QStringLiteral("File /nothere.htm does not Exist!");
}

void DocumentTest::doubleClick_buildsPathFromPanel()
{
    QFETCH(QString, directory);
    QFETCH(QString, fileName);
    QFETCH(QString, message);
    writeAll(path(QStringLiteral("index.htm")), "<HTML>");
    m_host->dir = directory.isEmpty() ? m_dir->path() : directory;
    m_host->fileName = fileName;
    m_docs->FileListBoxDblClick();
    if (message.isEmpty()) {
        QCOMPARE(m_docs->currentFileName(), m_dir->path() + QStringLiteral("/index.htm"));
        QCOMPARE(m_host->edit.wholeText(), QStringLiteral("<HTML>"));
    } else {
        QCOMPARE(m_questions->messages, QStringList{message.arg(m_dir->path())});
    }
}

TOLVAN_TEST_MAIN(DocumentTest)

#include "tst_document.moc"
