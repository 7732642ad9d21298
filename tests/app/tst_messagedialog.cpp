#include "app/messagedialog.h"
#include "common/hermetic.h"
#include "common/modal.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace tolvan::app;

class MessageDialogTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // The kind gives the title and the icon; the text stands inside the margins; the buttons
    // keep their order in a row below it, one of them the default (marked *).
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
        const QLabel *image = dialog.findChild<QLabel *>("Image");
        QCOMPARE(image && !image->pixmap().isNull(), kind != MsgKind::Custom);
        QStringList names;
        const QWidget *text = dialog.findChild<QWidget *>("Message");
        QVERIFY(text->x() > 0 && dialog.rect().contains(text->geometry()));
        int left = -1; // the buttons in a row below the text, inside the box
        for (QPushButton *button : dialog.findChildren<QPushButton *>()) {
            names << (button->isDefault() ? "*" : "") + button->objectName();
            QVERIFY(button->x() > left && button->y() > text->geometry().bottom() &&
                    dialog.rect().contains(button->geometry()));
            left = button->x();
        }
        QTEST(names, "names");
    }

    // Enter presses the button with the focus, the first unless Tab moved it; Escape gives the
    // cancelling button's result (Cancel, else No, else OK), and the close box always Cancel.
    void dialog_keys()
    {
        const struct
        {
            int buttons;
            QList<int> keys; // none: the close box
            MsgResult result;
        } rows[] = {{11, {Qt::Key_Tab, Qt::Key_Enter}, mrNo},
                    {4, {Qt::Key_Escape}, mrOk},
                    {3, {Qt::Key_Escape}, mrNo},
                    {4, {}, mrCancel}};
        for (const auto &[buttons, keys, result] : rows) {
            whenModalShown([keys](QWidget *box) {
                for (int key : keys)
                    QTest::keyClick(box->focusWidget(), Qt::Key(key));
                if (keys.isEmpty())
                    box->close();
            });
            QCOMPARE(messageDlg("Save?", MsgKind::Confirmation, MsgButtons::fromInt(buttons)),
                     int(result));
        }
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new MessageDialogTest; });

#include "tst_messagedialog.moc"
