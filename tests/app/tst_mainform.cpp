#include "app/mainform.h"
#include "app/menutable.h"
#include "browser/directorylistbox.h"
#include "browser/filelistbox.h"
#include "common/mainwindow.h"
#include "common/modal.h"
#include "document/documents.h"
#include "document/recovery.h"
#include "help/aboutbox.h"
#include "help/helpfile.h"
#include "help/helpviewer.h"
#include "help/quickhelp.h"
#include "markup/markup.h"
#include "platform/application.h"
#include "platform/editcontrol.h"
#include "platform/fonts.h"
#include "platform/shortcuts.h"
#include "settings/settings.h"

#include <QAction>
#include <QColorDialog>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QToolButton>

#include <functional>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

using tolvan::app::TMainForm;
using tolvan::platform::EditControl;
namespace markup = tolvan::markup;

class MainFormTest : public QObject
{
    Q_OBJECT
    TMainForm *m_form = nullptr;

    QAction *item(const char *name) const { return m_form->menuItem(name); }
    QWidget *child(const char *name) const { return m_form->findChild<QWidget *>(name); }
    QString keyShown(const char *name) const { return item(name)->text().section('\t', 1); }

private Q_SLOTS:
    void init()
    {
        QVERIFY((m_form = tolvan::test::firstRunWindow()));
    }
    void cleanup()
    {
        delete m_form;
        QCOMPARE(tolvan::test::windowLeftOpen(), QString());
    }

    void firstRun_lookMenusAndToolbar()
    {
        QCOMPARE(m_form->windowTitle(), "Tolvan v1.61 - noname.html");
        EditControl *memo = m_form->memo();
        QCOMPARE(memo->backgroundColor(), QColor(0, 0, 0x80));
        QCOMPARE(memo->textColor(), QColor(Qt::yellow));
        QCOMPARE(memo->font().family() + QString::number(memo->font().pointSize()), "Arial12");
        QCOMPARE(QRect(m_form->pos(), m_form->size()), QRect(80, 60, 520, 400));
        QCOMPARE(m_form->font(), tolvan::platform::designFont("MS Sans Serif", 12));
        QVERIFY(m_form->findChild<tolvan::browser::TFileListBox *>()->showGlyphs());
        const QPalette nameBox = child("FilenameEdit")->palette(); // green on black
        QCOMPARE(nameBox.color(QPalette::Base).name() + nameBox.color(QPalette::Text).name(),
                 "#000000#00ff00");
        // Where the window's parts stand in it, as a person sees them at the first start.
        QStringList parts;
        for (const char *name : {"Memo1", "Panel1", "StatusBar", "FilenameEdit", "FileListBox"}) {
            const QWidget *part = child(name);
            const QPoint at = part->mapTo(m_form, QPoint());
            parts << QString("%1 %2,%3 %4x%5 %6")
                         .arg(name)
                         .arg(at.x())
                         .arg(at.y())
                         .arg(part->width())
                         .arg(part->height())
                         .arg(part->isVisible());
        }
        QCOMPARE(parts, QStringList({"Memo1 0,52 358x326 1", "Panel1 358,52 162x326 1",
                                     "StatusBar 0,378 520x22 1", "FilenameEdit 366,60 145x24 1",
                                     "FileListBox 366,88 145x106 1"}));
        // Tab typed in the editor is a character, not a move to the next control.
        QTest::keyClick(memo, Qt::Key_Tab);
        QCOMPARE(memo->wholeText(), "\t");
        // The menus show the keys of the Original scheme; the window dispatches them itself, so
        // no item has a key of its own.
        QStringList keys, disabled;
        for (const tolvan::app::MenuRow &row : tolvan::app::menuRows()) {
            if (QString(row.caption) == "-")
                continue;
            QAction *action = item(row.name);
            QVERIFY2(action && action->shortcut().isEmpty(), row.name);
            if (!keyShown(row.name).isEmpty())
                keys << QString(row.name) + ' ' + keyShown(row.name);
            if (!action->isEnabled())
                disabled << row.name;
        }
        QCOMPARE(keys, QStringList({"cmOpen F3", "cmSave F2", "cmExit Alt+X", "cmUndo Alt+BkSp",
                                    "cmSelectAll Ctrl+A", "cmCut Shift+Del", "cmCopy Ctrl+Ins",
                                    "cmPaste Shift+Ins", "cmBold Ctrl+B", "cmItalics Ctrl+I",
                                    "cmUnderlined Ctrl+U", "cmFont1 Ctrl+F", "cmComments Alt+C",
                                    "LineBreak1 Ctrl+L", "Paragraph1 Ctrl+P", "cmHorRuler Ctrl+H",
                                    "cmPreview F9", "cmCheckMarkup F7", "cmSearchHelp Ctrl+F1"}));
        QCOMPARE(disabled, QStringList({"cmRepeatCommand", "cmPreferences", "cmContents",
                                        "cmSearchHelp"}));
        QCOMPARE(m_form->menuBar()->actions().size(), 8);
        QVERIFY(m_form->findChild<QMenu *>("cmFile")->actions().contains(item("cmExit")));
        QVERIFY(m_form->findChild<QMenu *>("Heading1")->actions().contains(item("H31")));
        // Every toolbar button has its glyph, also greyed, and its hint as tooltip (all but
        // Color); they stand in one row without overlapping.
        int right = 0;
        const auto buttons = child("ToolBar")->findChildren<QToolButton *>();
        QCOMPARE(buttons.size(), 17);
        for (QToolButton *button : buttons) {
            const QString name = button->objectName(), hint = button->property("hint").toString();
            QVERIFY2(!button->icon().pixmap(button->iconSize(), QIcon::Disabled).isNull() &&
                         !hint.isEmpty() && button->x() >= right && button->y() == 4 &&
                         button->size() == QSize(25, 25),
                     qPrintable(name));
            QCOMPARE(button->toolTip(), name == "ColorButton" ? QString() : hint);
            right = button->x() + 25;
        }
    }

    // The lists at the bottom of the side panel follow its height; below 220 pixels the file
    // list has no room left.
    void panel1Resize_movesListsUp_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<QList<int>>("places"); // drive, directory, filter list tops; file list
        QTest::newRow("464") << 464 << QList<int>{441, 307, 282, 244};
        QTest::newRow("short panel") << 200 << QList<int>{177, 43, 18, 0};
    }
    void panel1Resize_movesListsUp()
    {
        QFETCH(int, height);
        QWidget *panel = child("Panel1");
        m_form->resize(m_form->width(), m_form->height() - panel->height() + height);
        QTRY_COMPARE(panel->height(), height);
        QTEST((QList<int>{child("DriveComboBox")->y(), child("DirectoryListBox")->y(),
                          child("FilterComboBox")->y(), child("FileListBox")->height()}),
              "places");
        QCOMPARE(child("FileListBox")->y(), 36); // the file list stays at the top
    }

    // Every menu item, key and toolbar button of a markup command puts exactly the text of the
    // command its table row names, over a selection that spans a line break, and leaves the
    // editor the focus.
    void markupTriggersAndKeys()
    {
        EditControl *memo = m_form->memo();
        int triggers = 0;
        const auto check = [&](const char *handler, const std::function<void()> &trigger) {
            EditControl expected;
            for (EditControl *edit : {&expected, memo}) {
                edit->setWholeText("ab\r\ncd");
                edit->setSelStart(1);
                edit->setSelLength(4);
            }
            markup::run(expected, *markup::commandFor(handler));
            trigger();
            QCOMPARE(memo->wholeText(), expected.wholeText());
            QCOMPARE(memo->selStart(), expected.selStart());
            QVERIFY(memo->hasFocus());
            ++triggers;
        };
        for (const tolvan::app::MenuRow &row : tolvan::app::menuRows()) {
            if (!row.handler || !markup::commandFor(row.handler))
                continue;
            QAction *action = item(row.name);
            check(row.handler, [action] { action->trigger(); });
            const QKeyCombination key = m_form->shortcuts()->shortcut(action);
            if (key.toCombined() != 0)
                check(row.handler,
                      [&] { QTest::keyClick(memo, key.key(), key.keyboardModifiers()); });
        }
        for (const tolvan::app::ToolButtonRow &row : tolvan::app::toolButtonRows()) {
            if (markup::commandFor(row.handler))
                check(row.handler, [&] { QTest::mouseClick(child(row.name), Qt::LeftButton); });
        }
        QCOMPARE(triggers, 22 + 8 + 10); // menu items, their keys, toolbar buttons
        QVERIFY(!QApplication::activePopupWidget()); // Alt+C ran Comments, not its menu
        // The key of a disabled item is swallowed: it neither runs the item nor reaches the
        // editor. Alt+X, given at start, closes the window.
        memo->setModified(false);
        QSignalSpy triggered(item("cmSearchHelp"), &QAction::triggered);
        QTest::keyClick(memo, Qt::Key_F1, Qt::ControlModifier);
        QCOMPARE(triggered.count(), 0);
        QVERIFY(!memo->modified());
        QTest::keyClick(memo, Qt::Key_X, Qt::AltModifier);
        QTRY_VERIFY(!m_form->isVisible());
    }

    // The Color button inserts the chosen colour; cancelled, it changes nothing, and the dialog
    // opens again with the colour it last gave.
    void modalDialogs_colorAboutQuickHelp()
    {
        QColor opened;
        const auto choose = [&](const QColor &color, bool accept) {
            whenModalShown([&opened, color, accept](QWidget *dialog) {
                auto *colors = qobject_cast<QColorDialog *>(dialog);
                opened = colors->currentColor();
                colors->setCurrentColor(color);
                accept ? colors->accept() : colors->reject();
            });
            m_form->findChild<QToolButton *>("ColorButton")->click();
        };
        choose(QColor(0x12, 0xAB, 0x0F), true);
        QCOMPARE(m_form->memo()->wholeText(), "COLOR = 12AB0F");
        m_form->memo()->setModified(false);
        choose(Qt::red, false);
        choose(Qt::blue, false);
        QCOMPARE(opened, QColor(0x12, 0xAB, 0x0F));
        QCOMPARE(m_form->memo()->wholeText(), "COLOR = 12AB0F");
        QVERIFY(!m_form->memo()->modified());
        // Help's About and Quick Help windows are modal.
        for (const auto &[name, window] :
             {std::pair{"cmAbout", "AboutBox"}, std::pair{"QuickHelp1", "frmQuickHelp"}}) {
            QString shown;
            whenModalShown([&shown](QWidget *modal) {
                shown = modal->objectName();
                QTest::keyClick(modal, Qt::Key_Return);
            });
            item(name)->trigger();
            QCOMPARE(shown, window);
        }
        // F1 in an open menu asks for help.
        tolvan::platform::Application::setHelpFile("none.hlp");
        QList<tolvan::help::HelpRequest> &requests = tolvan::help::HelpService::instance().requests;
        requests.clear();
        QMenu *file = m_form->findChild<QMenu *>("cmFile");
        file->popup(m_form->pos());
        QTest::keyClick(file, Qt::Key_F1);
        QCOMPARE(requests.size(), 1);
    }

    // Save As asks with a save dialog, Open with an open dialog; cancelled, they change nothing.
    void fileDialogs()
    {
        for (const QString command : {"cmSaveAs", "cmOpen"}) {
            auto mode = std::make_shared<int>(-1); // outlives a dialog that never comes
            whenModalShown([mode](QWidget *modal) {
                auto *dialog = qobject_cast<QFileDialog *>(modal);
                *mode = dialog ? dialog->acceptMode() : -1;
                modal->close();
            });
            item(qPrintable(command))->trigger();
            QCOMPARE(*mode,
                     command == "cmOpen" ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        }
        QCOMPARE(m_form->windowTitle(), "Tolvan v1.61 - noname.html");
    }

    // The shortcut scheme switches the keys of Open and Save; it, the editor's colours, the
    // window's place and size and the side panel's folder are read back at the next start.
    void settings_surviveRestart()
    {
        const auto scheme = [this] {
            return keyShown("cmOpen") + ' ' + keyShown("cmSave") +
                   (item("cmOriginal")->isChecked() ? " original" : "") +
                   (item("cmMicrosoftLike")->isChecked() ? " microsoft" : "");
        };
        QTemporaryDir folder;
        QCOMPARE(scheme(), "F3 F2 original");
        item("cmMicrosoftLike")->trigger();
        item("cmMicrosoftLike")->trigger(); // choosing the checked item again keeps it checked
        QCOMPARE(scheme(), "Ctrl+O Ctrl+S microsoft");
        m_form->memo()->setBackgroundColor(QColor(0x11, 0x22, 0x33));
        m_form->memo()->setTextFont(m_form->memo()->font(), QColor(0x44, 0x55, 0x66));
        m_form->move(120, 90);
        m_form->resize(600, 450);
        m_form->findChild<tolvan::browser::TDirectoryListBox *>()->setDirectory(folder.path());
        delete m_form; // writes the settings file
        m_form = new TMainForm;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        QCOMPARE(scheme(), "Ctrl+O Ctrl+S microsoft");
        QCOMPARE(m_form->memo()->backgroundColor(), QColor(0x11, 0x22, 0x33));
        QCOMPARE(m_form->memo()->textColor(), QColor(0x44, 0x55, 0x66));
        QCOMPARE(QRect(m_form->pos(), m_form->size()), QRect(120, 90, 600, 450));
        QCOMPARE(m_form->findChild<tolvan::browser::TDirectoryListBox *>()->directory(),
                 folder.path());
        item("cmOriginal")->trigger();
        QCOMPARE(scheme(), "F3 F2 original");
    }

    // A bad value in the settings file is reported in an error box and costs only its own
    // setting. A window larger than the desktop, as a damaged file may ask for, takes the
    // desktop at most: 100,000 pixels square needed a 40 GB buffer and crashed.
    void settings_badValuesCostOnlyThemselves()
    {
        delete m_form;
        m_form = nullptr;
        QFile ini(tolvan::settings::settingsFilePath());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Window]\nLeft=0\nTop=0\nWidth=100000\nHeight=100000\n[Colors]\nBack=navy\n"
                  "[Directories]\nLast=/no/such/folder\n[Shortcuts]\nScheme=1\n");
        ini.close();
        QStringList errors;
        QTimer answer; // stops with the test even when no box comes
        connect(&answer, &QTimer::timeout, [&errors] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                errors << box->text();
                box->accept();
            }
        });
        answer.start(10);
        m_form = new TMainForm;
        answer.stop();
        QCOMPARE(errors, QStringList({"'navy' is not a valid integer value.", "File not found."}));
        QCOMPARE(m_form->shortcutScheme(), 1u);
        QCOMPARE(m_form->memo()->backgroundColor(), QColor(0, 0, 0x80));
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        const QSize desktop = m_form->screen()->availableVirtualSize();
        QVERIFY(m_form->width() <= desktop.width() && m_form->height() <= desktop.height());
        QVERIFY(m_form->width() > 520 && m_form->height() > 400); // as large as it may be
    }

    // Unsaved work is copied aside soon after a change; saving the page removes the copy.
    void recovery_copyFollowsUnsavedWork()
    {
        m_form->setRecoveryDelay(10);
        QTest::keyClicks(m_form->memo(), "unsaved words");
        const QString copy = m_form->recoveryFile();
        QTRY_VERIFY(QFile::exists(copy));
        const auto work = tolvan::document::RecoveryStore::read(copy);
        QVERIFY(work);
        QCOMPARE(work->text + ' ' + work->documentPath, "unsaved words noname.html");
        QTemporaryDir dir;
        QVERIFY(m_form->documents()->SaveDocument(dir.filePath("kept.htm")));
        QVERIFY(!QFile::exists(copy));
    }

    // New asks before it drops unsaved work, through the real question box.
    void new_noDropsTheDraft()
    {
        QTest::keyClicks(m_form->memo(), "draft");
        whenModalShown([](QWidget *box) { box->findChild<QPushButton *>("No")->click(); });
        item("cmNew")->trigger();
        QCOMPARE(m_form->memo()->wholeText(), QString());
        QVERIFY(!m_form->memo()->modified());
    }
};

QObject *makeMainFormTest() { return new MainFormTest; }

#include "tst_mainform.moc"
