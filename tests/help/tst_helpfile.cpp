#include "help/helpfile.h"
#include "help/helpviewer.h"
#include "platform/application.h"

#include "common/hermetic.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

using namespace tolvan::help;
using tolvan::platform::Application;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// A window with a menu bar, a Help menu and a submenu made after the filter began watching.
struct MenuWindow
{
    QWidget window;
    QMenuBar *bar = new QMenuBar(&window);
    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    QMenu *late = nullptr;
    MenuHelpKey filter{&window};

    MenuWindow()
    {
        help->addAction(QStringLiteral("&Contents"));
        filter.watch(bar);
        late = help->addMenu(QStringLiteral("&More"));
        late->addAction(QStringLiteral("&About"));
        window.show();
    }
};

} // namespace

class TestHelpFile : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_owner = std::make_unique<QWidget>();
        HelpService::instance().setOwner(m_owner.get());
        HelpService::instance().requests.clear();
        m_helpFile = m_dir->filePath(QStringLiteral("pages.htm"));
        writeBytes(m_helpFile, "<html><body><p>Tables and lists.</p></body></html>");
        Application::setHelpFile(m_helpFile);
    }

    void cleanup() { m_owner.reset(); } // the viewer goes with its owner

    void requests_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<int>("command"); // 0: no request at all
        QTest::addColumn<QString>("keyword");
        const auto row = [](const char *name, const char *action, const QString &argument,
                            bool installed, int command, const QString &keyword) {
            QTest::newRow(name) << QString(action) << argument << installed << command << keyword;
        };
        const QString k255(255, u'k');
        row("contents", "contents", "", true, 3, "");
        row("one word", "search", "Tables", true, 257, "Tables");
        row("nothing selected", "search", "", true, 257, "");
        row("line break kept", "search", "a\r\nb", true, 257, "a\r\nb");
        row("255 characters whole", "search", k255, true, 257, k255);
        row("256 characters cut", "search", k255 + u'z', true, 257, k255);
        row("pair of units not split", "search", k255.left(254) + QStringLiteral("\U0001F600"),
            true, 257, k255.left(254));
        row("F1 in an open menu", "menu", "", true, 1, "");
        row("F1 in a submenu made later", "submenu", "", true, 1, "");
        row("Shift+F1 in a menu", "shifted", "", true, 0, "");
        row("F1 with the menus closed", "closed", "", true, 0, "");
        row("contents, no help file", "contents", "", false, 0, "");
        row("search, no help file", "search", "Tables", false, 0, "");
        row("F1 in a menu, no help file", "menu", "", false, 0, "");
    }

    void requests()
    {
        QFETCH(QString, action);
        QFETCH(QString, argument);
        QFETCH(bool, installed);
        QFETCH(int, command);
        QFETCH(QString, keyword);
        if (!installed)
            Application::setHelpFile(QString());

        MenuWindow menus;
        if (action == QLatin1String("contents")) {
            cmContentsClick();
        } else if (action == QLatin1String("search")) {
            cmSearchHelpClick(argument);
        } else if (action == QLatin1String("closed")) {
            QTest::keyClick(menus.help, Qt::Key_F1);
        } else {
            menus.help->popup(QPoint(0, 20));
            QMenu *open = menus.help;
            if (action == QLatin1String("submenu")) {
                menus.late->popup(QPoint(100, 20));
                open = menus.late;
            }
            QTest::keyClick(open, Qt::Key_F1,
                            action == QLatin1String("shifted") ? Qt::ShiftModifier
                                                               : Qt::NoModifier);
        }

        const QList<HelpRequest> &made = HelpService::instance().requests;
        if (command == 0) {
            QCOMPARE(made.size(), 0);
            QVERIFY(!HelpService::instance().viewer());
            return;
        }
        QCOMPARE(made.size(), 1);
        QCOMPARE(made.front(), (HelpRequest{HelpCommand(command), 0, keyword, m_helpFile}));
        QVERIFY(HelpService::instance().viewer()->isVisible());
        // Menus close, so that the viewer is not left behind them.
        QVERIFY(!QApplication::activePopupWidget());
    }

    void viewer_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content"); // "<none>": no such file
        QTest::addColumn<QString>("keyword");    // "<contents>": the contents request
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("status");
        const auto row = [](const char *name, const char *fileName, const QByteArray &content,
                            const QString &keyword, const QString &selected,
                            const QString &status = QString()) {
            QTest::newRow(name) << QString(fileName) << content << keyword << selected << status;
        };
        const QByteArray page = "<html><head><title>Guide</title></head><body><h1>Tables</h1>"
                                "<p title=\"hidden\">The &lt;TABLE&gt; tag makes a table.</p>"
                                "<p>Lists follow.</p></body></html>";
        const QString notFound = QStringLiteral("\"%1\" was not found in the help file.");

        row("first match selected", "guide.htm", page, "table", "Table");
        row("entity read as text", "guide.htm", page, "<table>", "<TABLE>");
        row("blanks around keyword", "guide.htm", page, " lists ", "Lists");
        row("keyword absent", "guide.htm", page, "frames", "", notFound.arg("frames"));
        row("markup is not text", "guide.htm", page, "hidden", "", notFound.arg("hidden"));
        row("contents", "guide.htm", page, "<contents>", "");
        row("plain text shows its markup", "notes.txt", "Put <BODY> after <HEAD>.", "<body>",
            "<BODY>");
        row("help file holding HTML", "RAVUZU95.HLP", page, "<p", "", notFound.arg("<p"));
        row("help file holding text", "notes.hlp", "<p> is a paragraph.", "<p", "<p");
        row("single-byte text", "old.txt", "Caf\xe9 tables", QStringLiteral("caf\u00e9"),
            QStringLiteral("Caf\u00e9"));
        row("missing file", "gone.hlp", "<none>", "<contents>", "",
            "Cannot open the help file %FILE%.");
    }

    void viewer()
    {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, keyword);
        QFETCH(QString, selected);
        QFETCH(QString, status);

        const QString path = m_dir->filePath(fileName);
        if (content != "<none>")
            writeBytes(path, content);
        Application::setHelpFile(path);
        if (keyword == QLatin1String("<contents>"))
            cmContentsClick();
        else
            cmSearchHelpClick(keyword);

        HelpViewer *viewer = HelpService::instance().viewer();
        QVERIFY(viewer && viewer->isVisible());
        QCOMPARE(viewer->parentWidget(), m_owner.get());
        QCOMPARE(viewer->fileName(), path);
        QCOMPARE(viewer->statusText(), status.replace(QStringLiteral("%FILE%"), path));
        const QTextCursor cursor = viewer->browser()->textCursor();
        QCOMPARE(cursor.selectedText(), selected);
        if (selected.isEmpty())
            QCOMPARE(cursor.position(), 0);
    }

    // A bare name is found in the working folder whatever its letter case, and a file
    // installed while the viewer is open is used by the next request.
    void viewerFollowsTheHelpFileName()
    {
        cmContentsClick();
        const QString old = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        writeBytes(m_dir->filePath(QStringLiteral("ravuzu95.hlp")), "Lists and frames.");
        Application::setHelpFile(QStringLiteral("RAVUZU95.HLP"));
        cmSearchHelpClick(QStringLiteral("frames"));
        QDir::setCurrent(old);
        HelpViewer *viewer = HelpService::instance().viewer();
        QCOMPARE(viewer->statusText(), QString());
        QCOMPARE(viewer->browser()->textCursor().selectedText(), QStringLiteral("frames"));
        QCOMPARE(HelpService::instance().requests.back().helpFile, QStringLiteral("RAVUZU95.HLP"));
    }

    void installDialog_data()
    {
        QTest::addColumn<QString>("typed");    // "<cancel>" cancels
        QTest::addColumn<QString>("expected"); // relative to the folder shown
        QTest::newRow("no extension gets .hlp") << "myhelp"
                                                << "myhelp.hlp";
        QTest::newRow("extension kept") << "guide.htm"
                                        << "guide.htm";
        QTest::newRow("need not exist") << "absent.hlp"
                                        << "absent.hlp";
        QTest::newRow("cancel") << "<cancel>"
                                << "";
    }

    void installDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);

        // The window's open dialog as File > Open left it: its own title, another filter.
        QWidget window;
        auto *openDlg = new QFileDialog(&window);
        openDlg->setObjectName(QStringLiteral("OpenDlg"));
        openDlg->setWindowTitle(QStringLiteral("Open"));
        openDlg->setDirectory(m_dir->path());
        Application::setHelpFile(QStringLiteral("before.hlp"));

        QString title, filter, suffix;
        qsizetype filters = 0;
        // Runs once the dialog's modal loop has begun, so the dialog is showing.
        QTimer::singleShot(0, &window, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            auto *dialog = qobject_cast<QFileDialog *>(modal);
            if (!dialog) {
                if (modal)
                    modal->close(); // not ours: end it, and the checks below fail
                return;
            }
            title = dialog->windowTitle();
            filter = dialog->selectedNameFilter();
            filters = dialog->nameFilters().size();
            suffix = dialog->defaultSuffix();
            if (typed == QLatin1String("<cancel>")) {
                dialog->reject();
                return;
            }
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const bool confirmed = InstallHelpFile1Click(&window);

        QCOMPARE(title, QStringLiteral("Install Help File..."));
        QCOMPARE(filters, 4);
        QVERIFY2(filter.startsWith(QLatin1String("Help Files (*.hlp)")), qPrintable(filter));
        QCOMPARE(suffix, QStringLiteral("hlp"));
        QCOMPARE(confirmed, !expected.isEmpty());
        QCOMPARE(Application::helpFile(),
                 expected.isEmpty() ? QStringLiteral("before.hlp") : m_dir->filePath(expected));
        // The shared dialog is used, not another, and File > Open gets its title back.
        QCOMPARE(window.findChildren<QFileDialog *>().size(), 1);
        QCOMPARE(openDlg->windowTitle(), QStringLiteral("Open"));
        QCOMPARE(openDlg->defaultSuffix(), QString());
        if (confirmed)
            QCOMPARE(openDlg->selectedFiles().value(0), Application::helpFile());
        QCOMPARE(HelpService::instance().requests.size(), 0);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_owner;
    QString m_helpFile;
};

TOLVAN_TEST_MAIN(TestHelpFile)

#include "tst_helpfile.moc"
