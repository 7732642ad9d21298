#include "common/hermetic.h"
#include "help/helpfile.h"
#include "help/helpviewer.h"
#include "platform/application.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using namespace tolvan::help;
using tolvan::platform::Application;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

} // namespace

class TestHelpFile : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        m_owner = std::make_unique<QWidget>();
        HelpService::instance().setOwner(m_owner.get());
        HelpService::instance().requests.clear();
    }

    void cleanup() { m_owner.reset(); } // the viewer goes with its owner

    // A help request: what is handed to the viewer, and what the viewer shows of the file.
    void requests_data()
    {
        // contents, search, or F1 in a menu: menu, submenu (made later), shifted, closed.
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("argument");
        // A bare name, found in the working folder whatever its letter case; empty: no help file.
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content"); // "<none>": no such file
        QTest::addColumn<int>("command");        // 0: no request at all
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("keyword"); // as handed over; empty: the argument
        const auto row = [](const char *name, const char *action, const QString &argument,
                            const char *fileName, const QByteArray &content, int command,
                            const QString &selected = {}, const QString &status = {},
                            const QString &keyword = {}) {
            QTest::newRow(name) << QString(action) << argument << QString(fileName) << content
                                << command << selected << status << keyword;
        };
        const QByteArray page = "<html><head><title>Guide</title></head><body><h1>Tables</h1>"
                                "<p>The &lt;TABLE&gt; tag makes a table.</p>"
                                "<p>Lists follow.</p></body></html>";
        const QString notFound = "\"%1\" was not found in the help file.";
        const QString k255(255, u'k'), k254(254, u'k');
        const QByteArray ks(256, 'k');
        row("contents", "contents", "", "guide.htm", page, 3);
        row("255 characters whole", "search", k255, "k.txt", ks, 257, k255);
        row("256 characters cut", "search", k255 + 'z', "k.txt", ks, 257, k255, "", k255);
        row("pair of units not split", "search", k254 + "\U0001F600", "k.txt", ks, 257, k254, "",
            k254);
        row("F1 in an open menu", "menu", "", "guide.htm", page, 1);
        row("F1 in a submenu made later", "submenu", "", "guide.htm", page, 1);
        row("Shift+F1 in a menu", "shifted", "", "guide.htm", page, 0);
        row("F1 with the menus closed", "closed", "", "guide.htm", page, 0);
        row("search, no help file", "search", "Tables", "", page, 0);
        row("F1 in a menu, no help file", "menu", "", "", page, 0);
        row("first match selected", "search", "table", "guide.htm", page, 257, "Table");
        row("entity read as text", "search", "<table>", "guide.htm", page, 257, "<TABLE>");
        row("blanks around keyword", "search", " lists ", "guide.htm", page, 257, "Lists");
        row("keyword absent", "search", "frames", "guide.htm", page, 257, "",
            notFound.arg("frames"));
        row("plain text shows its markup", "search", "<body>", "notes.txt",
            "Put <BODY> after <HEAD>.", 257, "<BODY>");
        row("help file holding HTML", "search", "<p", "RAVUZU95.HLP", page, 257, "",
            notFound.arg("<p"));
        row("help file holding text", "search", "<p", "notes.hlp", "<p> is a paragraph.", 257,
            "<p");
        row("single-byte text", "search", "caf\u00e9", "old.txt", "Caf\xe9 tables", 257,
            "Caf\u00e9");
        row("missing file", "contents", "", "gone.hlp", "<none>", 3, "",
            "Cannot open the help file gone.hlp.");
    }

    void requests()
    {
        QFETCH(QString, action);
        QFETCH(QString, argument);
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(int, command);
        QFETCH(QString, selected);
        QFETCH(QString, status);
        QFETCH(QString, keyword);
        if (!fileName.isEmpty() && content != "<none>")
            writeBytes(fileName.toLower(), content);
        Application::setHelpFile(fileName);

        // A window with a Help menu, and a submenu made after the filter began watching.
        QWidget window;
        auto *bar = new QMenuBar(&window);
        QMenu *help = bar->addMenu("&Help");
        help->addAction("&Contents");
        MenuHelpKey filter(&window);
        filter.watch(bar);
        QMenu *late = help->addMenu("&More");
        late->addAction("&About");
        window.show();
        if (action == "contents") {
            cmContentsClick();
        } else if (action == "search") {
            cmSearchHelpClick(argument);
        } else if (action == "closed") {
            QTest::keyClick(help, Qt::Key_F1);
        } else {
            help->popup(QPoint(0, 20));
            if (action == "submenu")
                late->popup(QPoint(100, 20));
            QTest::keyClick(action == "submenu" ? late : help, Qt::Key_F1,
                            action == "shifted" ? Qt::ShiftModifier : Qt::NoModifier);
        }

        const QList<HelpRequest> &made = HelpService::instance().requests;
        HelpViewer *viewer = HelpService::instance().viewer();
        QCOMPARE(made.size(), command ? 1 : 0);
        QCOMPARE(bool(viewer), command != 0);
        if (!command)
            return;
        QCOMPARE(made.front(), (HelpRequest{HelpCommand(command), 0,
                                            keyword.isEmpty() ? argument : keyword, fileName}));
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->parentWidget(), m_owner.get());
        // Menus close, so that the viewer is not left behind them.
        QVERIFY(!QApplication::activePopupWidget());
        QCOMPARE(viewer->fileName(), fileName);
        QCOMPARE(viewer->statusText(), status);
        const QTextCursor cursor = viewer->browser()->textCursor();
        QCOMPARE(cursor.selectedText(), selected);
        QVERIFY(!selected.isEmpty() || cursor.position() == 0);
    }

    // A file installed while the viewer is open is used by the next request.
    void viewerFollowsTheHelpFileName()
    {
        Application::setHelpFile("gone.hlp");
        cmContentsClick();
        writeBytes("notes.txt", "Lists and frames.");
        Application::setHelpFile("notes.txt");
        cmSearchHelpClick("frames");
        QCOMPARE(HelpService::instance().viewer()->statusText(), QString());
        QCOMPARE(HelpService::instance().viewer()->browser()->textCursor().selectedText(),
                 "frames");
    }

    void installDialog_data()
    {
        QTest::addColumn<QString>("typed");    // "<cancel>" cancels
        QTest::addColumn<QString>("expected"); // relative to the folder shown
        QTest::newRow("no extension gets .hlp") << "myhelp"
                                                << "myhelp.hlp";
        QTest::newRow("extension kept") << "guide.htm"
                                        << "guide.htm";
        QTest::newRow("cancel") << "<cancel>"
                                << "";
    }

    // The window's one open dialog, shared with File > Open, which gets its own title back.
    void installDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QWidget window;
        auto *openDlg = new QFileDialog(&window);
        openDlg->setObjectName("OpenDlg");
        openDlg->setWindowTitle("Open");
        openDlg->setDirectory(m_dir->path());
        Application::setHelpFile("before.hlp");

        QString seen; // title, chosen filter, how many there are, default extension
        QTimer::singleShot(0, &window, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog) { // not ours: end it, and the checks below fail
                if (QWidget *modal = QApplication::activeModalWidget())
                    modal->close();
                return;
            }
            seen = QString("%1 | %2 | %3 | %4")
                       .arg(dialog->windowTitle(), dialog->selectedNameFilter())
                       .arg(dialog->nameFilters().size())
                       .arg(dialog->defaultSuffix());
            if (typed == "<cancel>")
                return dialog->reject();
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const bool confirmed = InstallHelpFile1Click(&window);

        QCOMPARE(seen, "Install Help File... | Help Files (*.hlp) | 4 | hlp");
        QCOMPARE(confirmed, !expected.isEmpty());
        QCOMPARE(Application::helpFile(),
                 confirmed ? m_dir->filePath(expected) : QString("before.hlp"));
        QCOMPARE(window.findChildren<QFileDialog *>().size(), 1);
        QCOMPARE(openDlg->windowTitle(), "Open");
        QCOMPARE(openDlg->defaultSuffix(), QString());
        // The choice is offered again by the next showing, in either command.
        QVERIFY(!confirmed || openDlg->selectedFiles().value(0) == Application::helpFile());
        QCOMPARE(HelpService::instance().requests.size(), 0);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_owner;
};

TOLVAN_TEST_MAIN(TestHelpFile)
#include "tst_helpfile.moc"
