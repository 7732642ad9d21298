#include "platform/editcontrol.h"
#include "platform/shortcuts.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

using tolvan::platform::EditControl;
using tolvan::platform::MenuShortcuts;
using tolvan::platform::shortcutText;

class ShortcutsTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shortcutText_namesKeysAsMenusShowThem_data();
    void shortcutText_namesKeysAsMenusShowThem();
    void dispatch_beatsMenuAccessKeyAndSwallowsDisabled();
};

void ShortcutsTest::shortcutText_namesKeysAsMenusShowThem_data()
{
    QTest::addColumn<QKeyCombination>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("letter") << QKeyCombination(Qt::ControlModifier, Qt::Key_B)
                            << QStringLiteral("Ctrl+B");
    QTest::newRow("function key") << QKeyCombination(Qt::Key_F3) << QStringLiteral("F3");
    QTest::newRow("ctrl f1") << QKeyCombination(Qt::ControlModifier, Qt::Key_F1)
                             << QStringLiteral("Ctrl+F1");
    QTest::newRow("backspace") << QKeyCombination(Qt::AltModifier, Qt::Key_Backspace)
                               << QStringLiteral("Alt+BkSp");
    QTest::newRow("insert") << QKeyCombination(Qt::ShiftModifier, Qt::Key_Insert)
                            << QStringLiteral("Shift+Ins");
    QTest::newRow("delete") << QKeyCombination(Qt::ShiftModifier, Qt::Key_Delete)
                            << QStringLiteral("Shift+Del");
    QTest::newRow("modifier order")
        << QKeyCombination(Qt::AltModifier | Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_7)
        << QStringLiteral("Shift+Ctrl+Alt+7");
}

void ShortcutsTest::shortcutText_namesKeysAsMenusShowThem()
{
    QFETCH(QKeyCombination, key);
    QTEST(shortcutText(key), "text");
}

void ShortcutsTest::dispatch_beatsMenuAccessKeyAndSwallowsDisabled()
{
    QMainWindow window;
    auto *edit = new EditControl(&window);
    window.setCentralWidget(edit);
    QMenu *character = window.menuBar()->addMenu(QStringLiteral("&Character"));
    auto *comments = new QAction(QStringLiteral("&Comments"), &window);
    auto *disabled = new QAction(QStringLiteral("&Quiet"), &window);
    disabled->setEnabled(false);
    character->addAction(comments);
    character->addAction(disabled);
    auto *shortcuts = new MenuShortcuts(&window);
    shortcuts->setShortcut(comments, QKeyCombination(Qt::AltModifier, Qt::Key_C));
    shortcuts->setShortcut(disabled, QKeyCombination(Qt::Key_Q));
    QCOMPARE(comments->text(), QStringLiteral("&Comments\tAlt+C"));
    QCOMPARE(MenuShortcuts::caption(comments), QStringLiteral("&Comments"));

    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    QSignalSpy triggered(comments, &QAction::triggered);
    QTest::keyClick(edit, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(triggered.count(), 1);
    QVERIFY(!character->isVisible());

    QTest::keyClick(edit, Qt::Key_Q);
    QCOMPARE(edit->wholeText(), QString());
    QTest::keyClick(edit, Qt::Key_W);
    QCOMPARE(edit->wholeText(), QStringLiteral("w"));

    // Removing the key gives it back to the editor.
    shortcuts->setShortcut(disabled, QKeyCombination::fromCombined(0));
    QCOMPARE(disabled->text(), QStringLiteral("&Quiet"));
    QTest::keyClick(edit, Qt::Key_Q);
    QCOMPARE(edit->wholeText(), QStringLiteral("wq"));
}

QObject *makeShortcutsTest()
{
    return new ShortcutsTest;
}

#include "tst_shortcuts.moc"
