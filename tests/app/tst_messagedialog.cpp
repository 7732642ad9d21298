#include "app/messagedialog.h"
#include "common/hermetic.h"
#include "common/modal.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace tolvan::app;

class MessageDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // With a character cell of 6 x 13: margins of 12 and 13, spacing of 15 and 16 (16.25
    // rounded), buttons of 75 x 23 (22.75 rounded) with 6 between them.
    void layout()
    {
        const MessageMetrics m = MessageMetrics::fromCharSize(6, 13);
        // Text right of the icon, wider than Yes, No and Cancel (3 x 75 + 2 x 6 = 237): the
        // buttons are centred below.
        MessageLayout l = layoutMessage(m, QSize(250, 13), true, 3);
        QCOMPARE(l.client, QSize(12 + 32 + 15 + 250 + 12, 13 + 32 + 16 + 23 + 13));
        QCOMPARE(l.icon, QRect(12, 13, 32, 32));
        QCOMPARE(l.text, QRect(12 + 32 + 15, 13, 250, 13));
        QCOMPARE(l.buttons, QList<QRect>({{42, 61, 75, 23}, {123, 61, 75, 23}, {204, 61, 75, 23}}));
        // A short text without an icon: the buttons' row gives the width.
        l = layoutMessage(m, QSize(20, 13), false, 3);
        QCOMPARE(l.client, QSize(12 + 237 + 12, 13 + 13 + 16 + 23 + 13));
        QCOMPARE(l.buttons.first(), QRect(12, 13 + 13 + 16, 75, 23));
        // Halves are rounded away from zero.
        QCOMPARE(mulDiv(10, 13, 4), 33);
        QCOMPARE(mulDiv(-10, 13, 4), -33);
    }

    // Lines break between words at half the screen's width; a longer word widens the box.
    void measure_wrapsAtHalfScreenButKeepsLongWord()
    {
        const QFont font = QApplication::font();
        const int line = QFontMetrics(font).height();
        const QSize wrapped = measureMessageText(font, QString("word ").repeated(200), 800);
        QVERIFY(wrapped.width() <= 400 && wrapped.height() > 3 * line);
        const QSize wide = measureMessageText(font, QString("/a/long/path").repeated(40), 800);
        QVERIFY(wide.width() > 400 && wide.height() == line);
    }

    // The kind gives the title and the icon; the buttons keep their order, one of them the
    // default (marked *); the box is centred on the screen and of a fixed size.
    void dialog_data()
    {
        QTest::addColumn<MsgKind>("kind");
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QStringList>("names");
        const auto row = [](const char *name, MsgKind kind, int buttons, const char *title,
                            QStringList names) {
            QTest::newRow(name) << kind << buttons << QString(title) << names;
        };
        row("unsaved changes", MsgKind::Confirmation, 11, "Confirm", {"*Yes", "No", "Cancel"});
        row("simple message, no icon", MsgKind::Custom, 4, "Tolvan v1.0", {"*OK"});
        row("abort retry ignore", MsgKind::Warning, 16 | 32 | 64, "Warning",
            {"Abort", "*Retry", "Ignore"});
    }
    void dialog()
    {
        QFETCH(MsgKind, kind);
        QFETCH(int, buttons);
        MessageDialog dialog("Text & more", kind, MsgButtons::fromInt(buttons));
        QTEST(dialog.windowTitle(), "title");
        QCOMPARE(dialog.findChild<QLabel *>("Image") != nullptr, kind != MsgKind::Custom);
        QStringList names;
        int left = -1;
        for (QPushButton *button : dialog.findChildren<QPushButton *>()) {
            names << (button->isDefault() ? "*" : "") + button->objectName();
            QVERIFY(button->x() > left);
            left = button->x();
        }
        QTEST(names, "names");
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        QCOMPARE(dialog.pos(), QPoint(screen.width() / 2 - dialog.width() / 2,
                                      screen.height() / 2 - dialog.height() / 2));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
    }

    // Enter presses the button with the focus, the first unless Tab moved it; a caption's
    // marked letter presses its button; Escape gives the cancelling button's result, and the
    // close box always Cancel.
    void dialog_keys_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QList<int>>("keys"); // none: the close box
        QTest::addColumn<int>("result");
        const auto row = [](const char *name, int buttons, QList<int> keys, MsgResult result) {
            QTest::newRow(name) << buttons << keys << int(result);
        };
        row("tab, enter on no", 11, {Qt::Key_Tab, Qt::Key_Enter}, mrNo);
        row("n is no", 11, {Qt::Key_N}, mrNo);
        row("escape is cancel", 11, {Qt::Key_Escape}, mrCancel);
        row("ok: escape", 4, {Qt::Key_Escape}, mrOk);
        row("yes no: escape is no", 3, {Qt::Key_Escape}, mrNo);
        row("ok: close box", 4, {}, mrCancel);
    }
    void dialog_keys()
    {
        QFETCH(QList<int>, keys);
        whenModalShown([keys](QWidget *box) {
            for (int key : keys)
                QTest::keyClick(box->focusWidget(), Qt::Key(key));
            if (keys.isEmpty())
                box->close();
        });
        QFETCH(int, buttons);
        QTEST(messageDlg("Save the changes?", MsgKind::Confirmation, MsgButtons::fromInt(buttons)),
              "result");
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new MessageDialogTest; });

#include "tst_messagedialog.moc"
