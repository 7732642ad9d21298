#include "common/files.h"
#include "common/hermetic.h"
#include "common/modal.h"
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
        QTest::addColumn<int>("command");     // 0: no request at all
        QTest::addColumn<QString>("shown");   // the status line, then the text selected
        QTest::addColumn<QString>("keyword"); // as handed over
        const auto row = [](const char *name, const char *action, const QString &argument,
                            const char *fileName, int command, const QString &shown = "|",
                            const QString &keyword = {}) {
            QTest::newRow(name) << QString(action) << argument << QString(fileName) << command
                                << shown << (keyword.isNull() ? argument : keyword);
        };
        const QString k255(255, u'k'), k254(254, u'k');
        row("256 characters cut", "search", k255 + 'z', "k.txt", 257, '|' + k255, k255);
        row("pair of units not split", "search", k254 + "\U0001F600", "k.txt", 257, '|' + k254,
            k254);
        row("F1 in a submenu made later", "submenu", "", "guide.htm", 1);
        row("F1 in a menu made later", "menu", "", "guide.htm", 1);
        row("Shift+F1 in a menu", "shifted", "", "guide.htm", 0);
        row("F1 with the menus closed", "closed", "", "guide.htm", 0);
        row("no help file", "search", "Tables", "", 0);
        row("first match, blanks round the keyword", "search", " table ", "guide.htm", 257,
            "|Table");
        row("single-byte text shows its markup", "search", "caf\u00e9 <body>", "old.txt", 257,
            "|Caf\u00e9 <BODY>");
        row("help file holding HTML", "search", "<p", "RAVUZU95.HLP", 257,
            "\"<p\" was not found in the help file.|");
        row("help file holding text", "search", "<p", "notes.hlp", 257, "|<p");
        row("missing file", "contents", "", "gone.hlp", 3, "Cannot open the help file gone.hlp.|");
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
        // Shown in the main window's care and in front, taking the keys, the menus closed so as
        // not to hide it.
        QVERIFY(viewer->isVisible() && viewer->parentWidget() == m_owner.get() &&
                !QApplication::activePopupWidget());
        QTRY_COMPARE(QApplication::activeWindow(), viewer);
        QTEST(viewer->statusText() + '|' + viewer->browser()->textCursor().selectedText(), "shown");
        QCOMPARE(viewer->objectName() + ' ' + viewer->windowTitle(),
                 "HelpViewer Help - " + fileName);
        window.activateWindow(); // the next request brings it back to the front
        QTRY_COMPARE(QApplication::activeWindow(), &window);
        cmContentsClick();
        QTRY_COMPARE(QApplication::activeWindow(), viewer);
    }

    void installDialog_data()
    {
        QTest::addColumn<QString>("typed");    // empty: cancelled
        QTest::addColumn<QString>("expected"); // relative to the folder shown
        QTest::newRow("no extension gets .hlp") << QString("myhelp") << "myhelp.hlp";
        QTest::newRow("cancel") << QString() << "";
    }

    // The dialog shows help files. A file installed while the viewer shows a page is used by
    // the next request in that viewer, as plain text: nothing of the page's heading and link,
    // where its caret stood, carries over.
    void installDialog()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QFileDialog openDlg; // the window's Open dialog
        QVERIFY(writeAll("before.hlp", "<html><h1><a href=\"a.htm\">Before</a></h1></html>"));
        Application::setHelpFile("before.hlp");
        cmContentsClick();
        const QPointer<HelpViewer> viewer = HelpService::instance().viewer();
        QVERIFY(viewer && viewer->browser()->textCursor().charFormat().isAnchor());
        QString filter;
        whenModalShown([&](QWidget *shown) {
            auto *dialog = qobject_cast<QFileDialog *>(shown);
            if (!dialog) // not ours: end it, and the checks below fail
                return shown->close(), void();
            filter = dialog->selectedNameFilter();
            if (typed.isEmpty())
                return dialog->reject();
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(typed);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        QCOMPARE(InstallHelpFile1Click(openDlg), !expected.isEmpty());
        QCOMPARE(filter, "Help Files (*.hlp)");
        QCOMPARE(Application::helpFile(),
                 expected.isEmpty() ? "before.hlp" : m_dir->filePath(expected));
        QVERIFY(writeAll(Application::helpFile(), "Lists and frames."));
        cmSearchHelpClick("frames");
        QVERIFY(viewer && HelpService::instance().viewer() == viewer);
        const QTextCursor found = viewer->browser()->textCursor();
        QCOMPARE(found.selectedText(), "frames");
        QCOMPARE(found.charFormat().isAnchor() || found.charFormat().fontWeight() > QFont::Normal,
                 false);
    }

    void windows_data()
    {
        QTest::addColumn<bool>("quickHelp");
        QTest::addColumn<QString>("name");    // and caption
        QTest::addColumn<QList<int>>("keys"); // that close the first two showings; 0: OK clicked
        QTest::newRow("quick help")
            << true << "frmQuickHelp Quick Help" << QList<int>{Qt::Key_Enter, 0};
        QTest::newRow("about") << false << "AboutBox About"
                               << QList<int>{Qt::Key_Return, Qt::Key_Enter};
    }

    // A fixed frame with a title and nothing else in its title bar, whose OK button is the only
    // control that takes the focus; every control inside its panel, no text cut, "&" shown as it
    // is. The window is made once and shown as often as asked.
    void windows()
    {
        QFETCH(bool, quickHelp);
        QFETCH(QList<int>, keys);
        const std::unique_ptr<InfoWindow> window(
            quickHelp ? static_cast<InfoWindow *>(new TfrmQuickHelp) : new TAboutBox);
        QTEST(window->objectName() + ' ' + window->windowTitle(), "name");
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(window->windowFlags() & ~Qt::WindowType_Mask,
                 Qt::CustomizeWindowHint | Qt::WindowTitleHint);
        for (QWidget *child : window->findChildren<QWidget *>()) {
            QVERIFY(child->parentWidget()->rect().contains(child->geometry()));
            QVERIFY(!child->objectName().isEmpty()); // each part has its name
            auto *label = qobject_cast<QLabel *>(child);
            if (auto *ok = qobject_cast<QPushButton *>(child)) {
                QVERIFY(ok->isDefault() && !ok->icon().isNull() && ok->text() == "OK");
                continue;
            }
            QCOMPARE(child->focusPolicy(), Qt::NoFocus);
            if (!label || !label->pixmap().isNull())
                continue;
            QVERIFY(label->textFormat() == Qt::PlainText && !label->buddy());
            // The addresses are what they are; the sentences are ours to keep short.
            QVERIFY2(label->wordWrap() ? label->heightForWidth(label->width()) <= label->height() ||
                                             label->text().startsWith("https:")
                                       : label->width() >= label->sizeHint().width(),
                     qPrintable(label->text()));
        }

        // Escape leaves the window open; any other way out is OK. The first showing is centred
        // on the screen; after that the window opens where it was left.
        QPoint shownAt;
        bool openAfterEscape = false;
        const auto show = [&](int key, QPoint moveTo) {
            QTimer::singleShot(0, window.get(), [&] {
                shownAt = window->pos();
                window->move(moveTo);
                QTest::keyClick(window.get(), Qt::Key_Escape);
                QCoreApplication::processEvents();
                openAfterEscape = window->isVisible();
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
        QVERIFY(openAfterEscape);
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        const QSize frame = window->frameGeometry().size();
        QCOMPARE(shownAt, QPoint((screen.width() - frame.width()) / 2,
                                 (screen.height() - frame.height()) / 2));
        QCOMPARE(show(keys[1], {5, 61}), 1);
        QCOMPARE(shownAt, QPoint(37, 23));
        // A window larger than the screen still starts at its top-left corner.
        QCOMPARE(centredTopLeft(QSize(200, 100), QSize(400, 300)), QPoint(0, 0));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_owner;
};

TOLVAN_TEST_MAIN(TestHelp)
#include "tst_help.moc"
