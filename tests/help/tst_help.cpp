#include "help/aboutbox.h"
#include "help/quickhelp.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QTest>

#include "common/hermetic.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <functional>
#include <memory>

using namespace tolvan::help;

namespace {

enum class Window { QuickHelp, About };

std::unique_ptr<InfoWindow> makeWindow(Window kind)
{
    if (kind == Window::QuickHelp)
        return std::make_unique<TfrmQuickHelp>();
    return std::make_unique<TAboutBox>();
}

// Runs the window's modal loop and does `act` on the dialog once it is showing. A guard ends the
// loop with -1 if `act` fails to close it, so a broken window fails the test instead of hanging
// it.
int runModal(InfoWindow &window, const std::function<void(QDialog *)> &act)
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->done(-1);
    });
    guard.start(5000);
    QTimer::singleShot(0, &window, [&act] {
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            act(dialog);
    });
    return window.showModal();
}

void addWindowColumns()
{
    QTest::addColumn<Window>("kind");
}

void addBothWindows()
{
    addWindowColumns();
    QTest::newRow("quick help") << Window::QuickHelp;
    QTest::newRow("about") << Window::About;
}

} // namespace

Q_DECLARE_METATYPE(Window)

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { tolvan::platform::installFontSubstitutes(); }

    void frames_data();
    void frames();
    void closingKeys_data();
    void closingKeys();
    void firstShowingCentred_data() { addBothWindows(); }
    void firstShowingCentred();
    void movedWindowReopensWhereLeft_data() { addBothWindows(); }
    void movedWindowReopensWhereLeft();
    void centredTopLeft_data();
    void centredTopLeft();
    void quickHelpLabels_data();
    void quickHelpLabels();
    void panels_data();
    void panels();
    void aboutContents_data();
    void aboutContents();
};

void TestHelp::frames_data()
{
    addWindowColumns();
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("client");
    QTest::addColumn<int>("charHeight");
    QTest::addColumn<QPoint>("okAt");
    QTest::newRow("quick help") << Window::QuickHelp << "frmQuickHelp"
                                << "Quick Help" << QSize(429, 347) << 11 << QPoint(178, 320);
    QTest::newRow("about") << Window::About << "AboutBox"
                           << "About" << QSize(248, 334) << 12 << QPoint(87, 308);
}

void TestHelp::frames()
{
    QFETCH(Window, kind);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QSize, client);
    QFETCH(int, charHeight);
    QFETCH(QPoint, okAt);
    const auto window = makeWindow(kind);

    QCOMPARE(window->objectName(), name);
    QCOMPARE(window->windowTitle(), caption);
    QVERIFY(!window->isVisible());
    QCOMPARE(window->size(), client);
    QCOMPARE(window->minimumSize(), client);
    QCOMPARE(window->maximumSize(), client);
    QCOMPARE(window->font().pixelSize(), charHeight);
    QCOMPARE(window->font().family(), QStringLiteral("MS Sans Serif"));

    const Qt::WindowFlags flags = window->windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    for (const Qt::WindowType button :
         {Qt::WindowCloseButtonHint, Qt::WindowSystemMenuHint, Qt::WindowMinimizeButtonHint,
          Qt::WindowMaximizeButtonHint, Qt::WindowContextHelpButtonHint})
        QVERIFY2(!flags.testFlag(button), qPrintable(QString::number(button, 16)));

    // OK is the only control that takes focus, so it has the focus whenever the window opens.
    const auto buttons = window->findChildren<QPushButton *>();
    QCOMPARE(buttons.size(), 1);
    QPushButton *ok = buttons.first();
    QCOMPARE(ok->objectName(), QStringLiteral("BitBtn1"));
    QCOMPARE(ok->geometry(), QRect(okAt, QSize(73, 25)));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QVERIFY(!ok->icon().isNull());
    QCOMPARE(ok->iconSize(), QSize(16, 16));
}

void TestHelp::closingKeys_data()
{
    addWindowColumns();
    QTest::addColumn<QString>("action");
    for (const char *action : {"Return", "Enter", "Escape", "click"}) {
        QTest::addRow("quick help, %s", action) << Window::QuickHelp << action;
        QTest::addRow("about, %s", action) << Window::About << action;
    }
}

void TestHelp::closingKeys()
{
    QFETCH(Window, kind);
    QFETCH(QString, action);
    const auto window = makeWindow(kind);

    const int result = runModal(*window, [&action](QDialog *dialog) {
        if (action == QLatin1String("click"))
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("BitBtn1")),
                              Qt::LeftButton);
        else if (action == QLatin1String("Return"))
            QTest::keyClick(dialog, Qt::Key_Return);
        else if (action == QLatin1String("Enter"))
            QTest::keyClick(dialog, Qt::Key_Enter, Qt::KeypadModifier);
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QCOMPARE(result, 1);
    QVERIFY(!window->isVisible());
}

void TestHelp::firstShowingCentred()
{
    QFETCH(Window, kind);
    const auto window = makeWindow(kind);
    QPoint shownAt;
    QSize frame;
    const int result = runModal(*window, [&](QDialog *dialog) {
        shownAt = dialog->pos();
        frame = dialog->frameGeometry().size();
        dialog->accept();
    });
    QCOMPARE(result, 1);

    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QVERIFY(screen.width() > frame.width() && screen.height() > frame.height());
    QCOMPARE(shownAt,
             QPoint((screen.width() - frame.width()) / 2, (screen.height() - frame.height()) / 2));
}

void TestHelp::movedWindowReopensWhereLeft()
{
    QFETCH(Window, kind);
    const auto window = makeWindow(kind);
    const QPoint first(37, 23);
    const QPoint second(5, 61);

    QCOMPARE(runModal(*window,
                      [&](QDialog *dialog) {
                          dialog->move(first);
                          QTest::keyClick(dialog, Qt::Key_Return);
                      }),
             1);
    QPoint reopenedAt;
    QCOMPARE(runModal(*window,
                      [&](QDialog *dialog) {
                          reopenedAt = dialog->pos();
                          dialog->move(second);
                          dialog->accept();
                      }),
             1);
    QCOMPARE(reopenedAt, first);
    QCOMPARE(runModal(*window,
                      [&](QDialog *dialog) {
                          reopenedAt = dialog->pos();
                          dialog->accept();
                      }),
             1);
    QCOMPARE(reopenedAt, second);
}

void TestHelp::centredTopLeft_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("odd margins truncate") << QSize(800, 600) << QSize(429, 347) << QPoint(185, 126);
    QTest::newRow("wider than screen") << QSize(400, 600) << QSize(429, 347) << QPoint(0, 126);
    QTest::newRow("taller than screen") << QSize(800, 300) << QSize(429, 347) << QPoint(185, 0);
}

void TestHelp::centredTopLeft()
{
    QFETCH(QSize, screen);
    QFETCH(QSize, window);
    QFETCH(QPoint, expected);
    QCOMPARE(tolvan::help::centredTopLeft(screen, window), expected);
}

void TestHelp::quickHelpLabels_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("design");
    QTest::addColumn<bool>("wraps");
    QTest::addColumn<QColor>("ink");
    QTest::addColumn<QString>("text");

    const QColor navy(0, 0, 128);
    const auto row = [](const char *name, int left, int top, int width, const QColor &ink,
                        const char *text) {
        QTest::newRow(name) << QString::fromLatin1(name) << QRect(left, top, width, 13) << false
                            << ink << QString::fromLatin1(text);
    };
    row("Label2", 8, 8, 89, QColor(255, 0, 0), "Some useful hints :");
    row("Label1", 8, 28, 325, navy,
        "* Double -click on the File List Box on the right to LOAD quickly a file.");
    row("Label11", 16, 44, 371, navy,
        "- this will ask you to save changes if your current document hasn't been saved.");
    row("Label3", 8, 64, 333, navy,
        "* Use F3, F2 to open, save a file or the Microsoft's favorite Ctrl-O,Ctrl-S.");
    row("Label4", 16, 80, 233, navy, "- Choose from Options/Menu Shortcuts command");
    row("Label5", 8, 100, 363, navy,
        "* Use Cut, Copy & Paste with Shift-Del, Ctrl-Ins, Shift-Ins or Ctrl-X, Ctrl-C, Ctrl-V");
    row("Label6", 8, 120, 269, navy, "* Change the editor colors & font, using the Options menu");
    row("Label7", 8, 140, 265, navy,
        "* Mark a portion of text, then press Ctrl-B to make it bold.");
    row("Label8", 16, 156, 330, navy,
        "- this works exactly the same with Italics (Ctrl-I), Underlined (Ctrl-U) etc.");
    row("Label9", 8, 176, 372, navy,
        "* Use the Red Green Blue Crayon Button to quickly choose a color and place it");
    row("Label10", 20, 192, 231, navy, "in your document in the form : COLOR=RRGGBB");
    row("Label12", 8, 212, 395, navy,
        "* You can install a Help File, and make Tolvan use it, by clicking the Install Help File");
    row("Label14", 16, 228, 391, navy,
        "command in the Help Menu. The Contents and  Search commands will be enabled.");
    row("Label13", 8, 248, 398, navy,
        "* Tell the world you are using Tolvan, by pressing the right-most button in the "
        "toolbar.");
    QTest::newRow("Label15")
        << QStringLiteral("Label15") << QRect(8, 270, 401, 40) << true << QColor(0, 128, 0)
        << QStringLiteral("Tolvan saves your preferences and window position in TOLVAN.INI in "
                          "your configuration folder (~/.config). The next time you run it, it "
                          "uses the same colors, fonts, directory etc.");
}

void TestHelp::quickHelpLabels()
{
    QFETCH(QString, name);
    QFETCH(QRect, design);
    QFETCH(bool, wraps);
    QFETCH(QColor, ink);
    QFETCH(QString, text);
    TfrmQuickHelp window;

    auto *label = window.findChild<QLabel *>(name);
    QVERIFY(label);
    QCOMPARE(label->parentWidget()->objectName(), QStringLiteral("Panel1"));
    QCOMPARE(label->text(), text);
    QCOMPARE(label->palette().color(QPalette::WindowText), ink);
    QCOMPARE(label->font().pixelSize(), 11);
    QCOMPARE(label->pos(), design.topLeft());
    QCOMPARE(label->wordWrap(), wraps);
    if (wraps) {
        QCOMPARE(label->size(), design.size());
        QCOMPARE(label->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    } else {
        // The design width is kept, but never at the cost of cutting the text.
        QCOMPARE(label->width(), qMax(design.width(), label->sizeHint().width()));
        QVERIFY(label->height() >= design.height());
    }
    // Every hint stays inside the panel.
    QVERIFY(label->parentWidget()->rect().contains(label->geometry()));

    // "&" is shown as it is: plain text, and no buddy, which is what would make a label take
    // "&" for an access key marker and drop it, narrowing the text by far more than the pixel
    // of rounding allowed here.
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY(!label->buddy());
    if (!wraps) {
        const QFontMetrics metrics(label->font());
        QVERIFY(qAbs(label->sizeHint().width() - metrics.horizontalAdvance(text)) <= 1);
    }
}

void TestHelp::panels_data()
{
    addWindowColumns();
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("shape");
    const int box = QFrame::Box;
    QTest::newRow("quick help Panel1")
        << Window::QuickHelp << "Panel1" << QRect(4, 4, 421, 313) << int(QFrame::Panel);
    QTest::newRow("about Panel1") << Window::About << "Panel1" << QRect(1, 4, 246, 73) << box;
    QTest::newRow("about Panel2") << Window::About << "Panel2" << QRect(1, 80, 246, 93) << box;
    QTest::newRow("about Panel3") << Window::About << "Panel3" << QRect(1, 176, 246, 129) << box;
}

void TestHelp::panels()
{
    QFETCH(Window, kind);
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    QFETCH(int, shape);
    const auto window = makeWindow(kind);

    auto *panel = window->findChild<QFrame *>(name, Qt::FindDirectChildrenOnly);
    QVERIFY(panel);
    QCOMPARE(panel->geometry(), geometry);
    QCOMPARE(int(panel->frameShape()), shape);
    QCOMPARE(panel->frameShadow(), QFrame::Sunken);
    QCOMPARE(panel->lineWidth(), 1);
    QCOMPARE(panel->focusPolicy(), Qt::NoFocus);
    QVERIFY(window->rect().contains(panel->geometry()));
}

void TestHelp::aboutContents_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("panel");
    QTest::addColumn<QRect>("design");
    QTest::addColumn<bool>("wraps");
    QTest::addColumn<QColor>("ink");
    QTest::addColumn<int>("charHeight"); // 0 for an image

    const auto row = [](const char *name, const char *panel, QRect design, bool wraps, QColor ink,
                        int charHeight) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(panel) << design
                            << wraps << ink << charHeight;
    };
    const QColor text; // the window text colour
    row("Image1", "Panel1", QRect(4, 4, 32, 32), false, text, 0);
    row("Image3", "Panel1", QRect(208, 4, 32, 32), false, text, 0);
    row("Image2", "Panel2", QRect(75, 8, 96, 48), false, text, 0);
    row("Label1", "Panel1", QRect(72, 8, 101, 24), false, text, 21);
    row("Label3", "Panel1", QRect(55, 36, 136, 13), false, QColor(0, 0, 128), 12);
    row("Label2", "Panel1", QRect(60, 52, 125, 13), false, QColor(255, 0, 0), 12);
    row("Label4", "Panel2", QRect(13, 60, 219, 26), true, QColor(0, 64, 128), 12);
    row("Label5", "Panel3", QRect(4, 4, 237, 29), true, text, 12);
    row("Label6", "Panel3", QRect(5, 36, 237, 41), true, QColor(0, 0, 255), 12);
    row("Label7", "Panel3", QRect(20, 80, 205, 41), true, text, 12);
}

void TestHelp::aboutContents()
{
    QFETCH(QString, name);
    QFETCH(QString, panel);
    QFETCH(QRect, design);
    QFETCH(bool, wraps);
    QFETCH(QColor, ink);
    QFETCH(int, charHeight);
    TAboutBox window;

    auto *label = window.findChild<QLabel *>(name);
    QVERIFY(label);
    QCOMPARE(label->parentWidget()->objectName(), panel);
    QCOMPARE(label->pos(), design.topLeft());
    QVERIFY(label->parentWidget()->rect().contains(label->geometry()));

    if (charHeight == 0) {
        // An image, shown pixel for pixel.
        QCOMPARE(label->size(), design.size());
        QVERIFY(!label->hasScaledContents());
        QCOMPARE(label->pixmap().size(), design.size());
        return;
    }

    QVERIFY(!label->text().isEmpty());
    QCOMPARE(label->font().pixelSize(), charHeight);
    const QColor windowText = window.palette().color(QPalette::WindowText);
    QCOMPARE(label->palette().color(QPalette::WindowText), ink.isValid() ? ink : windowText);
    QCOMPARE(label->wordWrap(), wraps);
    if (wraps) {
        QCOMPARE(label->size(), design.size());
        QCOMPARE(label->alignment(), Qt::AlignHCenter | Qt::AlignTop);
        // The addresses are what they are; the sentences are ours to keep short enough.
        if (name != QLatin1String("Label6"))
            QVERIFY2(label->heightForWidth(label->width()) <= label->height(),
                     qPrintable(label->text()));
    } else {
        QVERIFY(label->width() >= design.width());
        QVERIFY(label->width() >= label->sizeHint().width());
    }
}

TOLVAN_TEST_MAIN(TestHelp)
#include "tst_help.moc"
