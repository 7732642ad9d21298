#include "common/hermetic.h"
#include "help/aboutbox.h"
#include "help/quickhelp.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace tolvan::help;

namespace {

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

// Where a part of a window is, and what it is: a fixed box is given with its size, a line of
// text (which grows to its text) with its ink ("text" for the window's own) and letter height.
QString describe(const QWidget *part)
{
    const QRect g = part->geometry();
    QString seen = QString("%1 %2,%3").arg(part->objectName()).arg(g.x()).arg(g.y());
    const auto *label = qobject_cast<const QLabel *>(part);
    if (!label || label->wordWrap() || !label->pixmap().isNull())
        seen += QString(" %1x%2").arg(g.width()).arg(g.height());
    if (const auto *button = qobject_cast<const QPushButton *>(part))
        return seen + ' ' + button->text();
    if (!label)
        return seen +
               (static_cast<const QFrame *>(part)->frameShape() == QFrame::Box ? " box" : " panel");
    if (!label->pixmap().isNull())
        return seen + " picture";
    const QColor ink = label->palette().color(QPalette::WindowText);
    const bool own = ink != part->window()->palette().color(QPalette::WindowText);
    return seen + QString(" %1 %2px").arg(own ? ink.name() : "text").arg(label->font().pixelSize());
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { tolvan::platform::installFontSubstitutes(); }

    void windows_data()
    {
        QTest::addColumn<bool>("quickHelp");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("charHeight");
        QTest::addColumn<QStringList>("parts"); // in the order they were made
        QTest::addColumn<QString>("texts");   // of the labels, in the same order; empty: unchecked
        QTest::addColumn<QList<int>>("keys"); // that close the first two showings; 0: OK clicked
        const QString navy = " #000080 11px";
        QTest::newRow("quick help")
            << true << "frmQuickHelp"
            << "Quick Help" << QSize(429, 347) << 11
            << QStringList{"Panel1 4,4 421x313 panel", "Label2 8,8 #ff0000 11px",
                           "Label1 8,28" + navy,       "Label11 16,44" + navy,
                           "Label3 8,64" + navy,       "Label4 16,80" + navy,
                           "Label5 8,100" + navy,      "Label6 8,120" + navy,
                           "Label7 8,140" + navy,      "Label8 16,156" + navy,
                           "Label9 8,176" + navy,      "Label10 20,192" + navy,
                           "Label12 8,212" + navy,     "Label14 16,228" + navy,
                           "Label13 8,248" + navy,     "Label15 8,270 401x40 #008000 11px",
                           "BitBtn1 178,320 73x25 OK"}
            << "Some useful hints :\n"
               "* Double -click on the File List Box on the right to LOAD quickly a file.\n"
               "- this will ask you to save changes if your current document hasn't been saved.\n"
               "* Use F3, F2 to open, save a file or the Microsoft's favorite Ctrl-O,Ctrl-S.\n"
               "- Choose from Options/Menu Shortcuts command\n"
               "* Use Cut, Copy & Paste with Shift-Del, Ctrl-Ins, Shift-Ins or Ctrl-X, Ctrl-C, "
               "Ctrl-V\n"
               "* Change the editor colors & font, using the Options menu\n"
               "* Mark a portion of text, then press Ctrl-B to make it bold.\n"
               "- this works exactly the same with Italics (Ctrl-I), Underlined (Ctrl-U) etc.\n"
               "* Use the Red Green Blue Crayon Button to quickly choose a color and place it\n"
               "in your document in the form : COLOR=RRGGBB\n"
               "* You can install a Help File, and make Tolvan use it, by clicking the Install "
               "Help File\n"
               "command in the Help Menu. The Contents and  Search commands will be enabled.\n"
               "* Tell the world you are using Tolvan, by pressing the right-most button in the "
               "toolbar.\n"
               "Tolvan saves your preferences and window position in TOLVAN.INI in your "
               "configuration folder (~/.config). The next time you run it, it uses the same "
               "colors, fonts, directory etc."
            << QList<int>{Qt::Key_Escape, 0};
        QTest::newRow("about")
            << false << "AboutBox"
            << "About" << QSize(248, 334) << 12
            << QStringList{"BitBtn1 87,308 73x25 OK",         "Panel1 1,4 246x73 box",
                           "Image1 4,4 32x32 picture",        "Image3 208,4 32x32 picture",
                           "Label1 72,8 text 21px",           "Label3 55,36 #000080 12px",
                           "Label2 60,52 #ff0000 12px",       "Panel2 1,80 246x93 box",
                           "Image2 75,8 96x48 picture",       "Label4 13,60 219x26 #004080 12px",
                           "Panel3 1,176 246x129 box",        "Label5 4,4 237x29 text 12px",
                           "Label6 5,36 237x41 #0000ff 12px", "Label7 20,80 205x41 text 12px"}
            << QString() << QList<int>{Qt::Key_Return, Qt::Key_Escape};
    }

    // A fixed frame with a title and nothing else in its title bar, whose OK button is the only
    // control that takes the focus; every part inside its panel, no text cut, "&" shown as it is.
    // The window is made once and shown as often as asked.
    void windows()
    {
        QFETCH(bool, quickHelp);
        QFETCH(QSize, client);
        QFETCH(int, charHeight);
        const std::unique_ptr<InfoWindow> window(
            quickHelp ? static_cast<InfoWindow *>(new TfrmQuickHelp) : new TAboutBox);
        QTEST(window->objectName(), "name");
        QTEST(window->windowTitle(), "caption");
        QCOMPARE(window->size(), client);
        QCOMPARE(window->minimumSize(), client);
        QCOMPARE(window->maximumSize(), client);
        QCOMPARE(window->font().pixelSize(), charHeight);
        QCOMPARE(window->font().family(), "MS Sans Serif");
        QCOMPARE(window->windowFlags() & ~Qt::WindowType_Mask,
                 Qt::CustomizeWindowHint | Qt::WindowTitleHint);

        QStringList parts, labelTexts;
        for (QWidget *part : window->findChildren<QWidget *>()) {
            parts << describe(part);
            QVERIFY(part->parentWidget()->rect().contains(part->geometry()));
            if (auto *ok = qobject_cast<QPushButton *>(part)) {
                QVERIFY(ok->isDefault() && !ok->icon().isNull());
                QCOMPARE(ok->iconSize(), QSize(16, 16));
            } else {
                QCOMPARE(part->focusPolicy(), Qt::NoFocus);
            }
            if (auto *frame = qobject_cast<QFrame *>(part); frame && !qobject_cast<QLabel *>(part))
                QVERIFY(frame->frameShadow() == QFrame::Sunken && frame->lineWidth() == 1);
            auto *label = qobject_cast<QLabel *>(part);
            if (!label)
                continue;
            if (!label->pixmap().isNull()) {
                QCOMPARE(label->pixmap().size(), label->size());
                QVERIFY(!label->hasScaledContents());
                continue;
            }
            labelTexts << label->text();
            QVERIFY(label->textFormat() == Qt::PlainText && !label->buddy());
            if (label->wordWrap()) {
                QCOMPARE(label->alignment(), Qt::AlignHCenter | Qt::AlignTop);
                // The addresses are what they are; the sentences are ours to keep short enough.
                QVERIFY2(label->heightForWidth(label->width()) <= label->height() ||
                             label->text().startsWith("https:"),
                         qPrintable(label->text()));
            } else {
                QVERIFY(label->width() >= label->sizeHint().width());
            }
        }
        QTEST(parts, "parts");
        QFETCH(QString, texts);
        if (!texts.isEmpty())
            QCOMPARE(labelTexts.join('\n'), texts);

        // Any way out is OK. The first showing is centred on the screen; after that the window
        // opens where it was left.
        QFETCH(QList<int>, keys);
        QPoint shownAt;
        QSize frame;
        const auto show = [&](int key, QPoint moveTo) {
            return runModal(*window, [&](QDialog *dialog) {
                shownAt = dialog->pos();
                frame = dialog->frameGeometry().size();
                dialog->move(moveTo);
                if (key)
                    QTest::keyClick(dialog, Qt::Key(key));
                else
                    QTest::mouseClick(dialog->findChild<QPushButton *>("BitBtn1"), Qt::LeftButton);
            });
        };
        QCOMPARE(show(keys[0], {37, 23}), 1);
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QCOMPARE(shownAt, QPoint((screen.width() - frame.width()) / 2,
                                 (screen.height() - frame.height()) / 2));
        QCOMPARE(show(keys[1], {5, 61}), 1);
        QCOMPARE(shownAt, QPoint(37, 23));
    }

    // Halves rounded toward zero, never past the screen's left or top edge.
    void centredTopLeft_staysOnTheScreen()
    {
        QCOMPARE(centredTopLeft({800, 600}, {429, 347}), QPoint(185, 126));
        QCOMPARE(centredTopLeft({400, 300}, {429, 347}), QPoint(0, 0));
    }
};

TOLVAN_TEST_MAIN(TestHelp)
#include "tst_help.moc"
