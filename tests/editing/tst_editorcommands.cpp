#include "common/hermetic.h"
#include "common/modal.h"
#include "editing/appearance.h"
#include "markup/markup.h"
#include "platform/editcontrol.h"

#include <QClipboard>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QListView>

using namespace tolvan::editing;
using tolvan::platform::EditControl;

// The Editor Font dialog driven by its keys, and the undo steps of the commands that replace text.
class EditorCommandsTest : public QObject
{
    Q_OBJECT
    EditControl *m_edit = nullptr;

private Q_SLOTS:
    void init() { m_edit = new EditControl; }
    void cleanup() { delete m_edit; }

    // The dialog opens on the font the editor shows (for a name drawn by a stand-in family, on
    // that family); Enter anywhere in it is OK, Escape is Cancel, and OK without changes to the
    // font keeps it, its name included. A second opening still offers the whole font list.
    void fontDialog_keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("inNameField"); // or in the widget that has the focus
        QTest::addColumn<QFont>("font");
        QTest::newRow("Enter in the name field, Arial drawn by a stand-in")
            << int(Qt::Key_Return) << true << QFont("Arial", 12);
        QTest::newRow("keypad Enter in the list, stand-in bold")
            << int(Qt::Key_Enter) << false << QFont("Arial", 12, QFont::Bold);
        QTest::newRow("Escape in the name field, italic")
            << int(Qt::Key_Escape) << true << QFont("Liberation Serif", 12, -1, true);
        QTest::newRow("Escape in the list") << int(Qt::Key_Escape) << false << QFont("Arial", 9);
    }
    void fontDialog_keys()
    {
        QFETCH(int, key);
        QFETCH(bool, inNameField);
        QFETCH(QFont, font);
        FontDialog dialog;
        for (int opening = 1; opening <= 2; ++opening) {
            m_edit->setTextFont(font, Qt::yellow);
            int families = 0;
            QFont offered;
            whenModalShown([&](QWidget *shown) {
                const auto *list = dialog.fontChooser()->findChild<QListView *>();
                families = list && list->isVisible() ? list->model()->rowCount() : 0;
                offered = dialog.fontChooser()->currentFont();
                dialog.colorList()->setCurrentIndex(dialog.colorList()->findText("Red"));
                QVERIFY(QTest::qWaitForWindowActive(shown));
                QWidget *target = inNameField ? dialog.fontChooser()->findChild<QLineEdit *>()
                                              : shown->focusWidget();
                target->setFocus();
                QTest::keyClick(target, Qt::Key(key));
                if (shown->isVisible()) // not closed by the key: closed here so the test goes on
                    QMetaObject::invokeMethod(shown, "reject", Qt::QueuedConnection);
            });
            cmFontClick(*m_edit, dialog);
            QVERIFY2(families > 1, qPrintable(QString("opening %1").arg(opening)));
            QCOMPARE(
                std::tuple(offered.family(), offered.bold(), offered.italic(), offered.pointSize()),
                std::tuple(QFontInfo(font).family(), font.bold(), font.italic(), font.pointSize()));
            QCOMPARE(m_edit->textColor(), QColor(key == Qt::Key_Escape ? Qt::yellow : Qt::red));
            QCOMPARE(m_edit->font().toString(), font.toString());
        }
    }

    // A command that replaces text is one undo step of its own: typing right after it is
    // another, so the first undo takes the typing and the second the command.
    void undo_commandThenTyping()
    {
        QApplication::clipboard()->setText("pasted");
        // A markup command's handler, or the other commands by name.
        for (const QString command : {"BoldButtonClick", "LineBreak1Click", "paste", "replace"}) {
            m_edit->setWholeText("xy");
            m_edit->selectAll();
            if (const auto *markup = tolvan::markup::commandFor(command))
                tolvan::markup::run(*m_edit, *markup);
            else if (command == "paste")
                m_edit->paste();
            else
                m_edit->replaceRanges({0}, 2, "zz");
            const QString after = m_edit->wholeText();
            QVERIFY(after != "xy");
            QTest::keyClicks(m_edit, "abc");
            m_edit->undo();
            QCOMPARE(m_edit->wholeText(), after);
            m_edit->undo();
            QCOMPARE(m_edit->wholeText(), "xy");
        }
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new EditorCommandsTest; });

#include "tst_editorcommands.moc"
