#include "app/messagedialog.h"
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
    void metrics_fromCharSize();
    void mulDiv_roundsHalvesAway_data();
    void mulDiv_roundsHalvesAway();
    void layout_placesIconTextAndButtons();
    void layout_shortTextTakesButtonRowWidth();
    void measure_wrapsAtHalfScreenButKeepsLongWord();
    void dialog_buttonsTitleAndDefaults_data();
    void dialog_buttonsTitleAndDefaults();
    void dialog_keysGiveResults_data();
    void dialog_keysGiveResults();
    void dialog_closeBoxGivesCancel();
    void dialog_isCentredAndFixed();
};

void MessageDialogTest::metrics_fromCharSize()
{
    const MessageMetrics m = MessageMetrics::fromCharSize(6, 13);
    QCOMPARE(m.horzMargin, 12);
    QCOMPARE(m.vertMargin, 13);
    QCOMPARE(m.horzSpacing, 15);
    QCOMPARE(m.vertSpacing, 16);
    QCOMPARE(m.buttonWidth, 75);
    QCOMPARE(m.buttonHeight, 23);
    QCOMPARE(m.buttonSpacing, 6);
}

void MessageDialogTest::mulDiv_roundsHalvesAway_data()
{
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("result");
    QTest::newRow("exact") << 8 << 6 << 4 << 12;
    QTest::newRow("half up") << 10 << 13 << 4 << 33; // 32.5
    QTest::newRow("below half") << 14 << 13 << 8 << 23; // 22.75
    QTest::newRow("negative half") << -10 << 13 << 4 << -33;
}

void MessageDialogTest::mulDiv_roundsHalvesAway()
{
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QTEST(mulDiv(a, b, c), "result");
}

void MessageDialogTest::layout_placesIconTextAndButtons()
{
    const MessageMetrics m = MessageMetrics::fromCharSize(6, 13);
    const MessageLayout l = layoutMessage(m, QSize(250, 13), true, 3);
    // Yes + No + Cancel: 3 x 75 + 2 x 6 = 237 wide.
    QCOMPARE(l.buttons.last().right() + 1 - l.buttons.first().left(), 237);
    QCOMPARE(l.icon, QRect(12, 13, 32, 32));
    // The text stands right of the icon: 250 + 32 + 15 wide together.
    QCOMPARE(l.text, QRect(12 + 32 + 15, 13, 250, 13));
    QCOMPARE(l.client, QSize(297 + 24, 32 + 23 + 16 + 26));
    QCOMPARE(l.buttons.first(), QRect((321 - 237) / 2, 32 + 13 + 16, 75, 23));
    QCOMPARE(l.buttons.at(1).left(), l.buttons.first().left() + 81);
}

void MessageDialogTest::layout_shortTextTakesButtonRowWidth()
{
    const MessageMetrics m = MessageMetrics::fromCharSize(6, 13);
    const MessageLayout l = layoutMessage(m, QSize(20, 13), false, 3);
    QCOMPARE(l.client.width(), 237 + 24);
    QCOMPARE(l.text.topLeft(), QPoint(12, 13));
    QCOMPARE(l.buttons.first().left(), 12);
}

void MessageDialogTest::measure_wrapsAtHalfScreenButKeepsLongWord()
{
    const QFont font = QApplication::font();
    const QFontMetrics fm(font);
    const int screen = 800;
    const QString words = QStringLiteral("word ").repeated(200).trimmed();
    const QSize wrapped = measureMessageText(font, words, screen);
    QVERIFY(wrapped.width() <= screen / 2);
    QVERIFY(wrapped.height() > 3 * fm.height());

    const QString path = QStringLiteral("/a/very/long/path/").repeated(20) + QStringLiteral("x");
    const QSize wide = measureMessageText(font, path, screen);
    QVERIFY(wide.width() > screen / 2);
    QCOMPARE(wide.height(), fm.height());
}

void MessageDialogTest::dialog_buttonsTitleAndDefaults_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("icon");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("defaultName");
    QTest::newRow("unsaved changes") << int(MsgKind::Confirmation) << 11 << QStringLiteral("Confirm")
                                     << true
                                     << QStringList{QStringLiteral("Yes"), QStringLiteral("No"),
                                                    QStringLiteral("Cancel")}
                                     << QStringLiteral("Yes");
    QTest::newRow("not found") << int(MsgKind::Information) << 4 << QStringLiteral("Information")
                               << true << QStringList{QStringLiteral("OK")} << QStringLiteral("OK");
    QTest::newRow("simple message") << int(MsgKind::Custom) << 4 << QStringLiteral("Tolvan v1.0")
                                    << false << QStringList{QStringLiteral("OK")}
                                    << QStringLiteral("OK");
    QTest::newRow("abort retry ignore")
        << int(MsgKind::Warning) << (16 | 32 | 64) << QStringLiteral("Warning") << true
        << QStringList{QStringLiteral("Abort"), QStringLiteral("Retry"), QStringLiteral("Ignore")}
        << QStringLiteral("Retry");
}

void MessageDialogTest::dialog_buttonsTitleAndDefaults()
{
    QFETCH(int, kind);
    QFETCH(int, buttons);
    QFETCH(QStringList, names);
    QFETCH(QString, defaultName);
    MessageDialog dialog(QStringLiteral("Text & more"), MsgKind(kind),
                         MsgButtons::fromInt(buttons));
    QTEST(dialog.windowTitle(), "title");
    QTEST(dialog.findChild<QLabel *>(QStringLiteral("Image")) != nullptr, "icon");
    QVERIFY(dialog.findChild<QWidget *>(QStringLiteral("Message")));
    const QList<QPushButton *> found = dialog.findChildren<QPushButton *>();
    QCOMPARE(found.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        QCOMPARE(found.at(i)->objectName(), names.at(i));
        QCOMPARE(found.at(i)->isDefault(), names.at(i) == defaultName);
        if (i > 0)
            QVERIFY(found.at(i)->x() > found.at(i - 1)->x());
    }
}

void MessageDialogTest::dialog_keysGiveResults_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::newRow("enter on yes") << 11 << int(Qt::Key_Return) << int(mrYes);
    QTest::newRow("n is no") << 11 << int(Qt::Key_N) << int(mrNo);
    QTest::newRow("y is yes") << 11 << int(Qt::Key_Y) << int(mrYes);
    QTest::newRow("escape is cancel") << 11 << int(Qt::Key_Escape) << int(mrCancel);
    QTest::newRow("ok: enter") << 4 << int(Qt::Key_Enter) << int(mrOk);
    QTest::newRow("ok: escape") << 4 << int(Qt::Key_Escape) << int(mrOk);
    QTest::newRow("yes no: escape is no") << 3 << int(Qt::Key_Escape) << int(mrNo);
}

void MessageDialogTest::dialog_keysGiveResults()
{
    QFETCH(int, buttons);
    QFETCH(int, key);
    whenModalShown([key](QWidget *box) { QTest::keyClick(box->focusWidget(), Qt::Key(key)); });
    const int result = messageDlg(QStringLiteral("Changes Made. Save Current Working File?"),
                                  MsgKind::Confirmation, MsgButtons::fromInt(buttons));
    QTEST(result, "result");
}

void MessageDialogTest::dialog_closeBoxGivesCancel()
{
    whenModalShown([](QWidget *box) { box->close(); });
    QCOMPARE(messageDlg(QStringLiteral("Cannot find x"), MsgKind::Information, MsgButton::Ok),
             int(mrCancel));
}

void MessageDialogTest::dialog_isCentredAndFixed()
{
    MessageDialog dialog(QStringLiteral("Saved."), MsgKind::Custom, MsgButton::Ok);
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(dialog.pos(), QPoint(screen.width() / 2 - dialog.width() / 2,
                                  screen.height() / 2 - dialog.height() / 2));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
}

QObject *makeMessageDialogTest()
{
    return new MessageDialogTest;
}

#include "tst_messagedialog.moc"
