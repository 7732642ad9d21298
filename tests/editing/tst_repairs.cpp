#include "common/hermetic.h"
#include "common/modal.h"
#include "editing/appearance.h"
#include "editing/search.h"
#include "markup/markup.h"
#include "platform/editcontrol.h"
#include "platform/fonts.h"

#include <QClipboard>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QListView>

using namespace tolvan::editing;
using tolvan::platform::EditControl;

// The font dialog driven by its keys, and the undo steps of the commands that replace text.
class EditingRepairsTest : public QObject
{
    Q_OBJECT
    EditControl *m_edit = nullptr;

private Q_SLOTS:
    void init() { m_edit = new EditControl; }
    void cleanup() { delete m_edit; }

    // Enter anywhere in the dialog is OK and Escape is Cancel, and the chooser survives both:
    // a second opening still offers the whole font list and the keys work again.
    void fontDialog_keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("inNameField"); // or in the widget that has the focus
        QTest::addColumn<bool>("confirms");
        QTest::newRow("Enter in the name field") << int(Qt::Key_Return) << true << true;
        QTest::newRow("keypad Enter in the list") << int(Qt::Key_Enter) << false << true;
        QTest::newRow("Escape in the name field") << int(Qt::Key_Escape) << true << false;
        QTest::newRow("Escape in the list") << int(Qt::Key_Escape) << false << false;
    }
    void fontDialog_keys()
    {
        QFETCH(int, key);
        QFETCH(bool, inNameField);
        QFETCH(bool, confirms);
        FontDialog dialog;
        for (int opening = 1; opening <= 2; ++opening) {
            m_edit->setTextFont(QFont("Liberation Mono", 10), Qt::yellow);
            int families = 0;
            whenModalShown([&](QWidget *shown) {
                const auto *list = dialog.fontChooser()->findChild<QListView *>();
                families = list && list->isVisible() ? list->model()->rowCount() : 0;
                dialog.colorList()->setCurrentIndex(dialog.colorList()->findText("Red"));
                QVERIFY(QTest::qWaitForWindowActive(shown));
                QWidget *target = shown->focusWidget();
                if (inNameField) {
                    target = dialog.fontChooser()->findChild<QLineEdit *>();
                    target->setFocus();
                }
                QTest::keyClick(target, Qt::Key(key));
                // A dialog the key did not close is closed here, so the test goes on.
                if (shown->isVisible())
                    QMetaObject::invokeMethod(shown, "reject", Qt::QueuedConnection);
            });
            cmFontClick(*m_edit, dialog);
            QVERIFY2(families > 1, qPrintable(QString("opening %1").arg(opening)));
            QCOMPARE(m_edit->textColor(), confirms ? QColor(Qt::red) : QColor(Qt::yellow));
        }
    }

    // The dialog opens on the font the editor shows: a name drawn by a stand-in family starts
    // on that family, in the editor's size and style, and OK without changes keeps the font.
    void fontDialog_startsOnTheEditorsFont_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::newRow("Arial, drawn by a stand-in") << "Arial" << false << false;
        QTest::newRow("stand-in, bold") << "Arial" << true << false;
        QTest::newRow("installed family, italic") << "Liberation Serif" << false << true;
    }
    void fontDialog_startsOnTheEditorsFont()
    {
        QFETCH(QString, family);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFont font(family, 12);
        font.setBold(bold);
        font.setItalic(italic);
        m_edit->setTextFont(font, Qt::yellow);
        FontDialog dialog;
        QFont offered;
        whenModalShown([&](QWidget *shown) {
            offered = dialog.fontChooser()->currentFont();
            QMetaObject::invokeMethod(shown, "accept");
        });
        cmFontClick(*m_edit, dialog);
        const QFontInfo shown(font);
        QCOMPARE(offered.family(), shown.family());
        QCOMPARE(offered.bold(), bold);
        QCOMPARE(offered.italic(), italic);
        QCOMPARE(offered.pointSize(), 12);
        // OK without changes keeps the font, its name included.
        const auto look = [](const QFont &f) {
            return QString("%1 %2pt weight %3%4%5%6")
                .arg(f.family())
                .arg(f.pointSize())
                .arg(f.weight())
                .arg(f.italic() ? " italic" : "")
                .arg(f.underline() ? " underline" : "")
                .arg(f.strikeOut() ? " strikeout" : "");
        };
        QCOMPARE(look(m_edit->font()), look(font));
    }

    // A command that replaces text is one undo step of its own: typing right after it is
    // another, so the first undo takes the typing and the second the command.
    void undo_commandThenTyping_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("afterCommand");
        QTest::newRow("wrap (Bold)") << 0 << "<B>xy</B>";
        QTest::newRow("insert (Line Break)") << 1 << "<BR>";
        QTest::newRow("paste") << 2 << "pasted";
        QTest::newRow("replace all") << 3 << "zz";
    }
    void undo_commandThenTyping()
    {
        QFETCH(int, command);
        QFETCH(QString, afterCommand);
        m_edit->setWholeText("xy");
        m_edit->selectAll();
        switch (command) {
        case 0:
            tolvan::markup::run(*m_edit, *tolvan::markup::commandFor("BoldButtonClick"));
            break;
        case 1:
            tolvan::markup::run(*m_edit, *tolvan::markup::commandFor("LineBreak1Click"));
            break;
        case 2:
            QApplication::clipboard()->setText("pasted");
            m_edit->paste();
            break;
        case 3:
            m_edit->replaceRanges({0}, 2, "zz");
            break;
        }
        QCOMPARE(m_edit->wholeText(), afterCommand);
        QTest::keyClicks(m_edit, "abc");
        QCOMPARE(m_edit->wholeText(), afterCommand + "abc");
        m_edit->undo();
        QCOMPARE(m_edit->wholeText(), afterCommand);
        m_edit->undo();
        QCOMPARE(m_edit->wholeText(), "xy");
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new EditingRepairsTest; });

#include "tst_repairs.moc"
