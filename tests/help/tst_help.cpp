#include "common/files.h"
#include "common/hermetic.h"
#include "help/aboutbox.h"
#include "help/helpfile.h"
#include "help/helpviewer.h"
#include "help/quickhelp.h"
#include "platform/application.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTimer>

using namespace tolvan::help;
using tolvan::platform::Application;
using tolvan::test::writeAll;

// The information windows, the help file, its viewer and the ways to reach it.
class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { tolvan::platform::installFontSubstitutes(); }
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
        // "contents", "search", or F1 in a menu: "submenu", "menu" (made later), "shifted",
        // "closed".
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("argument");
        // A bare name, found in the working folder whatever its letter case; empty: none.
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("command"); // 0: no request at all
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("keyword"); // as handed over
        const auto row = [](const char *name, const char *action, const QString &argument,
                            const char *fileName, int command, const QString &selected = {},
                            const QString &status = {}, const QString &keyword = {}) {
            QTest::newRow(name) << QString(action) << argument << QString(fileName) << command
                                << selected << status << (keyword.isNull() ? argument : keyword);
        };
        const QString k255(255, u'k'), k254(254, u'k');
        row("256 characters cut", "search", k255 + 'z', "k.txt", 257, k255, "", k255);
        row("pair of units not split", "search", k254 + "\U0001F600", "k.txt", 257, k254, "", k254);
        row("F1 in a submenu made later", "submenu", "", "guide.htm", 1);
        row("F1 in a menu made later", "menu", "", "guide.htm", 1);
        row("Shift+F1 in a menu", "shifted", "", "guide.htm", 0);
        row("F1 with the menus closed", "closed", "", "guide.htm", 0);
        row("no help file", "search", "Tables", "", 0);
        row("first match, blanks round the keyword", "search", " table ", "guide.htm", 257,
            "Table");
        row("single-byte text shows its markup", "search", "caf\u00e9 <body>", "old.txt", 257,
            "Caf\u00e9 <BODY>");
        row("help file holding HTML", "search", "<p", "RAVUZU95.HLP", 257, "",
            "\"<p\" was not found in the help file.");
        row("help file holding text", "search", "<p", "notes.hlp", 257, "<p");
        row("missing file", "contents", "", "gone.hlp", 3, "",
            "Cannot open the help file gone.hlp.");
    }
    void requests()
    {
        QFETCH(QString, action);
        QFETCH(QString, argument);
        QFETCH(QString, fileName);
        QFETCH(int, command);
        QFETCH(QString, keyword);
        const QByteArray page = "<html><head><title>Guide</title></head><body><h1>Tables</h1>"
                                "<p>The &lt;TABLE&gt; tag makes a table.</p></body></html>";
        QVERIFY(writeAll("guide.htm", page) && writeAll("ravuzu95.hlp", page) &&
                writeAll("notes.hlp", "<p> is a paragraph.") &&
                writeAll("old.txt", "Caf\xe9 <BODY>") && writeAll("k.txt", QByteArray(256, 'k')));
        Application::setHelpFile(fileName);

        // A window with a Help menu; a submenu of it and another menu made after the filter
        // began watching.
        QWidget window;
        auto *bar = new QMenuBar(&window);
        QMenu *help = bar->addMenu("&Help");
        MenuHelpKey filter(&window);
        filter.watch(bar);
        QMenu *late = help->addMenu("&More"), *tools = bar->addMenu("&Tools");
        window.show();
        if (action == "contents") {
            cmContentsClick();
        } else if (action == "search") {
            cmSearchHelpClick(argument);
        } else {
            if (action == "menu")
                late = tools;
            else if (action != "closed")
                help->popup(QPoint(0, 20));
            if (action != "closed")
                late->popup(QPoint(100, 20));
            QTest::keyClick(late, Qt::Key_F1,
                            action == "shifted" ? Qt::ShiftModifier : Qt::NoModifier);
        }

        const QList<HelpRequest> &made = HelpService::instance().requests;
        HelpViewer *viewer = HelpService::instance().viewer();
        QCOMPARE(made.size(), command ? 1 : 0);
        QCOMPARE(bool(viewer), command != 0);
        if (!command)
            return;
        QCOMPARE(made.front(), (HelpRequest{HelpCommand(command), 0, keyword, fileName}));
        // Shown in the main window's care, the menus closed so as not to hide it.
        QVERIFY(viewer->isVisible() && viewer->parentWidget() == m_owner.get() &&
                !QApplication::activePopupWidget());
        QTEST(viewer->statusText(), "status");
        QTEST(viewer->browser()->textCursor().selectedText(), "selected");
    }

    void installDialog_data()
    {
        QTest::addColumn<QString>("typed");    // empty: cancelled
        QTest::addColumn<QString>("expected"); // relative to the folder shown
        QTest::newRow("no extension gets .hlp") << QString("myhelp") << "myhelp.hlp";
        QTest::newRow("extension kept") << QString("guide.htm") << "guide.htm";
        QTest::newRow("cancel") << QString() << "";
    }

    // The window's one open dialog, shared with File > Open, which gets its own title back. A
    // file installed while the viewer is open is used by the next request.
    void installDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QWidget window;
        auto *openDlg = new QFileDialog(&window, "Open", m_dir->path());
        openDlg->setObjectName("OpenDlg");
        Application::setHelpFile("before.hlp");
        cmContentsClick();
        const QPointer<HelpViewer> viewer = HelpService::instance().viewer(); // kept for the next
        QString seen; // title, chosen filter, how many there are, default extension
        QTimer::singleShot(0, &window, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog) // not ours: end it, and the checks below fail
                return QApplication::closeAllWindows();
            seen = QString("%1 | %2 | %3 | %4")
                       .arg(dialog->windowTitle(), dialog->selectedNameFilter())
                       .arg(dialog->nameFilters().size())
                       .arg(dialog->defaultSuffix());
            if (typed.isEmpty())
                return dialog->reject();
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        const bool confirmed = InstallHelpFile1Click(&window);

        QCOMPARE(seen, "Install Help File... | Help Files (*.hlp) | 4 | hlp");
        QCOMPARE(confirmed, !expected.isEmpty());
        QCOMPARE(Application::helpFile(), confirmed ? m_dir->filePath(expected) : "before.hlp");
        QCOMPARE(window.findChildren<QFileDialog *>().size(), 1);
        QCOMPARE(openDlg->windowTitle(), "Open");
        QCOMPARE(openDlg->defaultSuffix(), QString());
        // The choice is offered again by the next showing, in either command.
        QVERIFY(!confirmed || openDlg->selectedFiles().value(0) == Application::helpFile());
        QCOMPARE(HelpService::instance().requests.size(), 1);
        QVERIFY(writeAll(Application::helpFile(), "Lists and frames."));
        cmSearchHelpClick("frames");
        QVERIFY(viewer && HelpService::instance().viewer() == viewer);
        QCOMPARE(viewer->browser()->textCursor().selectedText(), "frames");
    }

    void windows_data()
    {
        QTest::addColumn<bool>("quickHelp");
        QTest::addColumn<QString>("name"); // and caption
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("charHeight");
        QTest::addColumn<QList<int>>("kinds"); // how many panels, pictures and lines of text
        QTest::addColumn<QList<int>>("keys");  // that close the first two showings; 0: OK clicked
        QTest::newRow("quick help") << true << "frmQuickHelp Quick Help" << QSize(429, 347) << 11
                                    << QList{1, 0, 15} << QList<int>{Qt::Key_Enter, 0};
        QTest::newRow("about") << false << "AboutBox About" << QSize(248, 334) << 12
                               << QList{3, 3, 7} << QList<int>{Qt::Key_Return, Qt::Key_Enter};
    }

    // A fixed frame with a title and nothing else in its title bar, whose OK button is the only
    // control that takes the focus; every control inside its panel, no text cut, "&" shown as it
    // is. The window is made once and shown as often as asked.
    void windows()
    {
        QFETCH(bool, quickHelp);
        QFETCH(QSize, client);
        QFETCH(QList<int>, keys);
        const std::unique_ptr<InfoWindow> window(
            quickHelp ? static_cast<InfoWindow *>(new TfrmQuickHelp) : new TAboutBox);
        QTEST(window->objectName() + ' ' + window->windowTitle(), "name");
        QCOMPARE((QList{window->size(), window->minimumSize(), window->maximumSize()}),
                 QList<QSize>(3, client));
        QTEST(window->font().pixelSize(), "charHeight");
        QCOMPARE(window->windowFlags() & ~Qt::WindowType_Mask,
                 Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        QList<int> kinds{0, 0, 0};
        for (QWidget *child : window->findChildren<QWidget *>()) {
            QVERIFY(child->parentWidget()->rect().contains(child->geometry()));
            auto *label = qobject_cast<QLabel *>(child);
            if (auto *ok = qobject_cast<QPushButton *>(child)) {
                QVERIFY(ok->isDefault() && !ok->icon().isNull() && ok->text() == "OK");
                continue;
            }
            QCOMPARE(child->focusPolicy(), Qt::NoFocus);
            ++kinds[!label ? 0 : !label->pixmap().isNull() ? 1 : 2];
            if (!label || !label->pixmap().isNull())
                continue;
            QVERIFY(label->textFormat() == Qt::PlainText && !label->buddy());
            // The addresses are what they are; the sentences are ours to keep short.
            QVERIFY2(label->wordWrap() ? label->heightForWidth(label->width()) <= label->height() ||
                                             label->text().startsWith("https:")
                                       : label->width() >= label->sizeHint().width(),
                     qPrintable(label->text()));
        }
        QTEST(kinds, "kinds");

        // Any way out is OK. The first showing is centred on the screen; after that the window
        // opens where it was left.
        QPoint shownAt;
        const auto show = [&](int key, QPoint moveTo) {
            QTimer::singleShot(0, window.get(), [&] {
                shownAt = window->pos();
                window->move(moveTo);
                if (key)
                    QTest::keyClick(window.get(), Qt::Key(key));
                else
                    QTest::mouseClick(window->findChild<QPushButton *>("BitBtn1"), Qt::LeftButton);
            });
            QTimer guard; // a window that does not close fails the test instead of hanging it
            connect(&guard, &QTimer::timeout, window.get(), [&] { window->done(-1); });
            guard.start(5000);
            return window->showModal();
        };
        QCOMPARE(show(keys[0], {37, 23}), 1);
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        const QSize frame = window->frameGeometry().size();
        QCOMPARE(shownAt, QPoint((screen.width() - frame.width()) / 2,
                                 (screen.height() - frame.height()) / 2));
        QCOMPARE(show(keys[1], {5, 61}), 1);
        QCOMPARE(shownAt, QPoint(37, 23));
        // A window larger than the screen still starts at its top-left corner.
        QCOMPARE(centredTopLeft(client / 2, client), QPoint(0, 0));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_owner;
};

TOLVAN_TEST_MAIN(TestHelp)
#include "tst_help.moc"
