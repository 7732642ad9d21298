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
#include <QPushButton>
#include <QScreen>
#include <QTextBrowser>
#include <QTimer>

using namespace tolvan::help;
using tolvan::platform::Application;

static void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

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
        // "contents", "search", or F1 in a menu: "submenu" (made later), "shifted", "closed".
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
        writeBytes("guide.htm", page);
        writeBytes("ravuzu95.hlp", page);
        writeBytes("notes.hlp", "<p> is a paragraph.");
        writeBytes("old.txt", "Caf\xe9 <BODY>");
        writeBytes("k.txt", QByteArray(256, 'k'));
        Application::setHelpFile(fileName);

        // A window with a Help menu, and a submenu made after the filter began watching.
        QWidget window;
        auto *bar = new QMenuBar(&window);
        QMenu *help = bar->addMenu("&Help");
        MenuHelpKey filter(&window);
        filter.watch(bar);
        QMenu *late = help->addMenu("&More");
        window.show();
        if (action == "contents") {
            cmContentsClick();
        } else if (action == "search") {
            cmSearchHelpClick(argument);
        } else {
            if (action != "closed") {
                help->popup(QPoint(0, 20));
                late->popup(QPoint(100, 20));
            }
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
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->parentWidget(), m_owner.get());
        // Menus close, so that the viewer is not left behind them.
        QVERIFY(!QApplication::activePopupWidget());
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
        writeBytes(Application::helpFile(), "Lists and frames.");
        cmSearchHelpClick("frames");
        QCOMPARE(HelpService::instance().viewer()->browser()->textCursor().selectedText(),
                 "frames");
    }

    void windows_data()
    {
        QTest::addColumn<bool>("quickHelp");
        QTest::addColumn<QString>("name"); // and caption
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("charHeight");
        // In the order they were made: where each is, a fixed box with its size, a line of text
        // (which grows to its text) with its ink ("text": the window's own) and letter height.
        QTest::addColumn<QStringList>("children");
        QTest::addColumn<QList<int>>("keys"); // that close the first two showings; 0: OK clicked
        const QString navy = " #000080 11px";
        QTest::newRow("quick help")
            << true << "frmQuickHelp Quick Help" << QSize(429, 347) << 11
            << QStringList{"Panel1 4,4 421x313 panel", "Label2 8,8 #ff0000 11px",
                           "Label1 8,28" + navy,       "Label11 16,44" + navy,
                           "Label3 8,64" + navy,       "Label4 16,80" + navy,
                           "Label5 8,100" + navy,      "Label6 8,120" + navy,
                           "Label7 8,140" + navy,      "Label8 16,156" + navy,
                           "Label9 8,176" + navy,      "Label10 20,192" + navy,
                           "Label12 8,212" + navy,     "Label14 16,228" + navy,
                           "Label13 8,248" + navy,     "Label15 8,270 401x40 #008000 11px",
                           "BitBtn1 178,320 73x25 OK"}
            << QList<int>{Qt::Key_Enter, 0};
        QTest::newRow("about")
            << false << "AboutBox About" << QSize(248, 334) << 12
            << QStringList{"BitBtn1 87,308 73x25 OK",         "Panel1 1,4 246x73 box",
                           "Image1 4,4 32x32 picture",        "Image3 208,4 32x32 picture",
                           "Label1 72,8 text 21px",           "Label3 55,36 #000080 12px",
                           "Label2 60,52 #ff0000 12px",       "Panel2 1,80 246x93 box",
                           "Image2 75,8 96x48 picture",       "Label4 13,60 219x26 #004080 12px",
                           "Panel3 1,176 246x129 box",        "Label5 4,4 237x29 text 12px",
                           "Label6 5,36 237x41 #0000ff 12px", "Label7 20,80 205x41 text 12px"}
            << QList<int>{Qt::Key_Return, Qt::Key_Enter};
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
        QCOMPARE(window->font().family(), "MS Sans Serif");
        QCOMPARE(window->windowFlags() & ~Qt::WindowType_Mask,
                 Qt::CustomizeWindowHint | Qt::WindowTitleHint);

        QStringList children;
        for (QWidget *child : window->findChildren<QWidget *>()) {
            QVERIFY(child->parentWidget()->rect().contains(child->geometry()));
            const QRect g = child->geometry();
            QString seen = QString("%1 %2,%3").arg(child->objectName()).arg(g.x()).arg(g.y());
            auto *label = qobject_cast<QLabel *>(child);
            if (!label || label->wordWrap() || !label->pixmap().isNull()) // a fixed box
                seen += QString(" %1x%2").arg(g.width()).arg(g.height());
            if (auto *ok = qobject_cast<QPushButton *>(child)) {
                QVERIFY(ok->isDefault() && !ok->icon().isNull() && ok->iconSize() == QSize(16, 16));
                children << seen + ' ' + ok->text();
                continue;
            }
            QCOMPARE(child->focusPolicy(), Qt::NoFocus);
            if (!label) {
                auto *panel = static_cast<QFrame *>(child);
                QVERIFY(panel->frameShadow() == QFrame::Sunken && panel->lineWidth() == 1);
                children << seen + (panel->frameShape() == QFrame::Box ? " box" : " panel");
            } else if (!label->pixmap().isNull()) {
                QVERIFY(label->pixmap().size() == label->size() && !label->hasScaledContents());
                children << seen + " picture";
            } else {
                QVERIFY(label->textFormat() == Qt::PlainText && !label->buddy());
                // The addresses are what they are; the sentences are ours to keep short.
                QVERIFY2(label->wordWrap()
                             ? label->alignment() == (Qt::AlignHCenter | Qt::AlignTop) &&
                                   (label->heightForWidth(label->width()) <= label->height() ||
                                    label->text().startsWith("https:"))
                             : label->width() >= label->sizeHint().width(),
                         qPrintable(label->text()));
                const QColor ink = label->palette().color(QPalette::WindowText);
                const bool own = ink != window->palette().color(QPalette::WindowText);
                children << seen + QString(" %1 %2px")
                                       .arg(own ? ink.name() : "text")
                                       .arg(label->font().pixelSize());
            }
        }
        QTEST(children, "children");

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
