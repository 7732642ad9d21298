// What the side panel and the Open command meet in real folders: files that are no files, names
// no one would choose, and the shown folder taken away while it is shown.

#include "browser/directorylistbox.h"
#include "browser/drives.h"
#include "browser/filelistbox.h"
#include "browser/paths.h"
#include "common/hermetic.h"
#include "document/codec.h"
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

constexpr uid_t nobody = 65534;

QString canonical(const QTemporaryDir &dir)
{
    return QFileInfo(dir.path()).canonicalFilePath();
}

QStringList texts(const QListWidget &list)
{
    QStringList out;
    for (int row = 0; row < list.count(); ++row)
        out << list.item(row)->text();
    return out;
}

void showAndWait(QWidget &widget)
{
    widget.resize(320, 400);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
}

// The made-up drives of these tests: "/" and the test's own folder, so the directory list's
// first row is a root the test controls.
struct FakeMounts
{
    explicit FakeMounts(const QString &root)
    {
        setMountSource([root] {
            return QList<MountRecord>{{QStringLiteral("/"), QStringLiteral("ext4"), {}, {}, false},
                                      {root, QStringLiteral("ext4"), {}, {}, false}};
        });
    }
    ~FakeMounts() { setMountSource({}); }
};

// Lets a process that drops to an ordinary user reach the folder, as the superuser's
// temporary folders are closed to everyone else.
void openToEveryone(const QString &path)
{
    ::chmod(QFile::encodeName(path).constData(), 0755);
}

} // namespace

class FilesFaultsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { QDir::setCurrent(hermeticHome().path()); }
    void openingWhatIsNoPageIsRefused_data();
    void openingWhatIsNoPageIsRefused();
    void oddNamesAreListedAndOpenTheirOwnFile();
    void shownFolderTakenAway_data();
    void shownFolderTakenAway();
};

// A FIFO, devices, a socket, a huge sparse file and the like, opened as a page: refused with
// the message at once (a child process that takes 20 s is ended and fails the row), without
// reading them into memory, and the document stays as it was.
void FilesFaultsTest::openingWhatIsNoPageIsRefused_data()
{
    QTest::addColumn<QString>("name"); // absolute, or made in the test's folder
    QTest::newRow("FIFO nobody writes to") << "fifo.htm";
    QTest::newRow("FIFO a writer holds open") << "busy-fifo.htm";
    QTest::newRow("socket") << "socket.htm";
    QTest::newRow("/dev/null") << "/dev/null";
    QTest::newRow("/dev/zero") << "/dev/zero";
    QTest::newRow("/dev/urandom") << "/dev/urandom";
    QTest::newRow("link to /dev/zero") << "zero-link.htm";
    QTest::newRow("2 GB sparse file") << "sparse.htm";
    QTest::newRow("folder") << "folder.htm";
    QTest::newRow("link to itself") << "loop.htm";
}

void FilesFaultsTest::openingWhatIsNoPageIsRefused()
{
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString folder = canonical(dir);
    const QString path = name.startsWith(u'/') ? name : folder + u'/' + name;
    const QByteArray native = QFile::encodeName(path);
    pid_t writer = -1;
    int socketFd = -1;
    const auto endWriter = qScopeGuard([&] {
        if (socketFd >= 0)
            ::close(socketFd);
        if (writer > 0) {
            ::kill(writer, SIGKILL);
            ::waitpid(writer, nullptr, 0);
        }
    });
    if (name == QLatin1String("fifo.htm")) {
        QCOMPARE(::mkfifo(native.constData(), 0644), 0);
    } else if (name == QLatin1String("busy-fifo.htm")) {
        QCOMPARE(::mkfifo(native.constData(), 0644), 0);
        writer = ::fork();
        if (writer == 0) {
            const int fd = ::open(native.constData(), O_RDWR); // never blocks, keeps it open
            for (const char chunk[] = "<P>more and more</P>\r\n";;)
                [[maybe_unused]] const ssize_t n = ::write(fd, chunk, sizeof chunk - 1);
        }
    } else if (name == QLatin1String("socket.htm")) {
        socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, native.constData(), sizeof address.sun_path);
        QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        QCOMPARE(::listen(socketFd, 1), 0);
    } else if (name == QLatin1String("zero-link.htm")) {
        QCOMPARE(::symlink("/dev/zero", native.constData()), 0);
    } else if (name == QLatin1String("sparse.htm")) {
        QFile sparse(path);
        QVERIFY(sparse.open(QIODevice::WriteOnly));
        QVERIFY(sparse.resize(qint64(2) << 30)); // costs no disk
    } else if (name == QLatin1String("folder.htm")) {
        QVERIFY(QDir().mkpath(path));
    } else if (name == QLatin1String("loop.htm")) {
        QCOMPARE(::symlink("loop.htm", native.constData()), 0);
    }

    FakeHost host;
    ScriptedQuestions questions;
    DocumentCommands docs(host, questions);
    const QString earlier = folder + QStringLiteral("/earlier.htm");
    QVERIFY(writeAll(earlier, "<P>earlier page"));
    QVERIFY(docs.LoadDocument(earlier));
    host.edit.replaceSelection(QStringLiteral("typed "));

    long baseKb = 0, usedKb = 0;
    QCOMPARE(inChild([] { return QString(); }, 20, &baseKb), QString());
    const QString report = inChild(
        [&]() -> QString {
            if (docs.LoadDocument(path))
                return QStringLiteral("it opened");
            if (questions.messages != QStringList{QStringLiteral("Cannot Open File ") + path})
                return QStringLiteral("messages: ") + questions.messages.join(u'|');
            if (host.edit.wholeText() != QStringLiteral("typed <P>earlier page") ||
                !host.edit.modified() || docs.currentFileName() != earlier)
                return QStringLiteral("the document changed");
            return {};
        },
        20, &usedKb);
    std::printf("%s: %s; peak memory %ld KB against %ld KB for a child doing nothing\n",
                qPrintable(name), report.isEmpty() ? "refused" : qPrintable(report), usedKb,
                baseKb);
    QVERIFY2(report.isEmpty(), qPrintable(report));
    QVERIFY2(usedKb - baseKb < 64 * 1024, "the refusal read the file into memory");
}

// Every file whose name is valid UTF-8 is listed, and a click and a double-click on its row open
// exactly that file, whatever the name holds: blanks, line breaks, leading dashes, wildcards,
// quotes, two spellings of one accented letter. A name that is not UTF-8 would show with
// U+FFFD in it, which spells another file's name: it is not listed, so it can never open or be
// saved over in that file's place.
void FilesFaultsTest::oddNamesAreListedAndOpenTheirOwnFile()
{
    QTemporaryDir dir;
    const QString folder = canonical(dir);
    const QStringList names = {
        QStringLiteral("with space.htm"),
        QStringLiteral(" leading blank.htm"),
        QStringLiteral("trailing blank .htm"),
        QStringLiteral("new\nline.htm"),
        QStringLiteral("carriage\rreturn.htm"),
        QStringLiteral("tab\there.htm"),
        QStringLiteral("-dash.htm"),
        QStringLiteral("--help.htm"),
        QStringLiteral("-.htm"),
        QStringLiteral("*star first.htm"),
        QStringLiteral("question?.htm"),
        QStringLiteral("quote\"s.htm"),
        QStringLiteral("single'quote.htm"),
        QStringLiteral("back\\slash.htm"),
        QStringLiteral("semi;colon.htm"),
        QStringLiteral("pipe|bar.htm"),
        QStringLiteral("$HOME.htm"),
        QStringLiteral("%1.htm"),
        QStringLiteral("~tilde.htm"),
        QStringLiteral("dots...htm"),
        QStringLiteral("UPPER.HTM"),
        QStringLiteral("\u00e9.htm"),
        QStringLiteral("e\u0301.htm"),
        QStringLiteral("a\ufffd.htm"),
        QStringLiteral("smile \U0001F600.htm"),
        QStringLiteral("para\u2029sep.htm"),
    };
    // Each holds its own name, spelled in ASCII so the editor keeps it as it is: a wrong file
    // shows at once.
    const auto contentOf = [](const QString &name) {
        return QString::fromLatin1(name.toUtf8().toPercentEncoding());
    };
    for (const QString &name : names)
        QVERIFY(writeAll(folder + u'/' + name, contentOf(name).toLatin1()));
    const QByteArray root = QFile::encodeName(folder);
    const QByteArrayList notUtf8 = {"a\xff.htm", "\xe9t\xe9.htm", "half\xe2\x82.htm"};
    for (const QByteArray &name : notUtf8)
        QVERIFY(::close(::open((root + '/' + name).constData(), O_CREAT | O_WRONLY, 0644)) == 0);
    const auto removeUndecodable = qScopeGuard([&] {
        for (const QByteArray &name : notUtf8) // QTemporaryDir cannot name them
            ::unlink((root + '/' + name).constData());
    });

    FakeMounts mounts(folder);
    changeDirectory(folder);
    TFileListBox files;
    QLineEdit box;
    files.setMask(QStringLiteral("*.htm"));
    files.setFileEdit(&box);
    FakeHost host;
    host.dir = folder;
    host.fileName = [&] { return box.text(); };
    ScriptedQuestions questions;
    DocumentCommands docs(host, questions);
    QObject::connect(&files, &QListWidget::itemDoubleClicked, &files,
                     [&] { docs.FileListBoxDblClick(); });
    showAndWait(files);

    QStringList listed = texts(files), expected = names;
    listed.sort();
    expected.sort();
    QCOMPARE(listed, expected);

    int opened = 0;
    for (int row = 0; row < files.count(); ++row) {
        QListWidgetItem *item = files.item(row);
        files.scrollToItem(item);
        const QPoint at = files.visualItemRect(item).center();
        QTest::mouseClick(files.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(files.viewport(), Qt::LeftButton, {}, at);
        const QString path = folder + u'/' + item->text();
        QVERIFY2(questions.messages.isEmpty(), qPrintable(questions.messages.join(u'|')));
        QCOMPARE(docs.currentFileName(), path);
        QCOMPARE(host.edit.wholeText(), contentOf(item->text()));
        ++opened;
    }
    std::printf("%d odd names listed and opened by double-click; %lld names that are not "
                "UTF-8 left out\n",
                opened, static_cast<long long>(notUtf8.size()));
    QCOMPARE(opened, names.size());

    // Saving the one with U+FFFD in its name writes that file alone.
    const QString twin = folder + QStringLiteral("/a\ufffd.htm");
    QVERIFY(docs.LoadDocument(twin));
    host.edit.selectAll();
    host.edit.replaceSelection(QStringLiteral("saved"));
    QVERIFY(docs.SaveDocument(twin));
    QCOMPARE(readAll(twin), QByteArray("saved\r\n"));
    struct stat info
    {
    };
    QCOMPARE(::stat((root + "/a\xff.htm").constData(), &info), 0);
    QCOMPARE(info.st_size, off_t(0)); // the file Qt cannot name is untouched
}

// The folder the side panel shows is removed, renamed, swapped for a file, left without its
// parent, made again, or closed to the user, behind the panel's back. Reading it again reports
// the error and keeps the old rows; opening a subfolder row reports it and stays; the row of the
// root still leads out, and the file list follows.
void FilesFaultsTest::shownFolderTakenAway_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("error"); // empty: reading again works
    QTest::newRow("removed") << "remove"
                             << "File not found";
    QTest::newRow("renamed") << "rename"
                             << "File not found";
    QTest::newRow("replaced by a file") << "file"
                                        << "Invalid filename";
    QTest::newRow("removed with its parent") << "parent"
                                             << "File not found";
    QTest::newRow("removed and made again, empty") << "again"
                                                   << "";
    QTest::newRow("made unreadable, the user no superuser") << "unreadable"
                                                            << "File access denied";
    QTest::newRow("made unsearchable, the user no superuser") << "unsearchable"
                                                              << "File access denied";
}

void FilesFaultsTest::shownFolderTakenAway()
{
    QFETCH(QString, how);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString root = canonical(dir);
    const QString web = root + QStringLiteral("/site/web");
    QVERIFY(QDir().mkpath(web + QStringLiteral("/sub")));
    QVERIFY(writeAll(web + QStringLiteral("/a.htm"), "a"));
    QVERIFY(writeAll(root + QStringLiteral("/up.htm"), "up"));
    for (const QString &path :
         {root, root + QStringLiteral("/site"), web, web + QStringLiteral("/sub")})
        openToEveryone(path);
    const bool asUser = how == QLatin1String("unreadable") || how == QLatin1String("unsearchable");
    if (asUser && ::geteuid() == 0) {
        // The ordinary user owns the folder, so that it can take its own permissions away.
        for (const QString &path :
             {web, web + QStringLiteral("/sub"), web + QStringLiteral("/a.htm")})
            QCOMPARE(::chown(QFile::encodeName(path).constData(), nobody, nobody), 0);
    }

    // An ordinary user is needed for permissions to count: then the whole row runs in a child
    // process that has become one, and tells what went wrong.
    const auto row = [&]() -> QString {
        if (asUser && ::geteuid() == 0 &&
            (::setresgid(nobody, nobody, nobody) != 0 || ::setresuid(nobody, nobody, nobody) != 0))
            return QStringLiteral("cannot become an ordinary user");
        FakeMounts mounts(root);
        changeDirectory(web);
        TDirectoryListBox dirs;
        TFileListBox files;
        dirs.setFileList(&files);
        dirs.resize(220, 300);
        dirs.show();
        files.show();
        if (!QTest::qWaitForWindowExposed(&dirs) || texts(files) != QStringList{"a.htm"})
            return QStringLiteral("the panel did not show the folder: ") + texts(files).join(u'|');
        QSignalSpy errors(&dirs, &TDirectoryListBox::errorRaised);

        const QByteArray native = QFile::encodeName(web);
        if (how == QLatin1String("remove")) {
            QDir(web).removeRecursively();
        } else if (how == QLatin1String("rename")) {
            QDir(root + QStringLiteral("/site"))
                .rename(QStringLiteral("web"), QStringLiteral("moved"));
        } else if (how == QLatin1String("file")) {
            QDir(web).removeRecursively();
            writeAll(web, "a file where the folder was");
        } else if (how == QLatin1String("parent")) {
            QDir(root + QStringLiteral("/site")).removeRecursively();
        } else if (how == QLatin1String("again")) {
            QDir(web).removeRecursively();
            QDir().mkpath(web);
        } else if (how == QLatin1String("unreadable")) {
            ::chmod(native.constData(), 0);
        } else {
            ::chmod(native.constData(), 0644); // names can be read, none entered
        }

        QString got;
        try {
            files.Update();
        } catch (const tolvan::platform::Error &e) {
            got = e.message();
        }
        if (got != error)
            return QStringLiteral("reading again said '%1'").arg(got);
        if (!error.isEmpty() && texts(files) != QStringList{"a.htm"})
            return QStringLiteral("the old rows went: ") + texts(files).join(u'|');
        if (error.isEmpty() && files.count() != 0)
            return QStringLiteral("the new, empty folder shows rows");

        // "sub", the row after root, site and web: entered only if the folder is still there.
        dirs.setCurrentRow(dirs.currentDirectoryRow() + 1);
        QTest::keyClick(&dirs, Qt::Key_Return);
        if (errors.count() != 1) // "sub" went with the old folder, or cannot be reached
            return QStringLiteral("opening the subfolder reported %1 errors").arg(errors.count());
        if (dirs.directory() != web)
            return QStringLiteral("the list moved to ") + dirs.directory();

        dirs.setCurrentRow(0);
        QTest::keyClick(&dirs, Qt::Key_Return);
        if (dirs.directory() != root || files.directory() != root ||
            texts(files) != QStringList{"up.htm"} || currentDirectory() != root)
            return QStringLiteral("the root row led to ") + dirs.directory();
        ::chmod(native.constData(), 0755);
        return {};
    };
    const QString report = asUser ? inChild(row, 60) : row();
    ::chmod(QFile::encodeName(web).constData(), 0755);
    const QString outcome = error.isEmpty() ? QStringLiteral("read again, empty")
                                            : QStringLiteral("'%1' reported, rows kept").arg(error);
    std::printf("shown folder %s: %s\n", QTest::currentDataTag(),
                qPrintable(report.isEmpty() ? outcome + QStringLiteral("; the root row leads out")
                                            : report));
    QVERIFY2(report.isEmpty(), qPrintable(report));
}

TOLVAN_TEST_MAIN(FilesFaultsTest)

#include "tst_faults_files.moc"
