#include "app/mainform.h"
#include "app/menutable.h"
#include "browser/directorylistbox.h"
#include "browser/filelistbox.h"
#include "common/files.h"
#include "common/hermetic.h"
#include "common/mainwindow.h"
#include "common/modal.h"
#include "document/documents.h"
#include "help/helpfile.h"
#include "help/helpviewer.h"
#include "markup/markup.h"
#include "platform/application.h"
#include "platform/editcontrol.h"
#include "platform/fonts.h"
#include "platform/shortcuts.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <functional>

using tolvan::app::TMainForm;
using tolvan::browser::TDirectoryListBox;
using tolvan::document::RecoveryStore;
using tolvan::platform::EditControl;
using tolvan::test::writeAll;
namespace markup = tolvan::markup;

namespace {

// Presses the named buttons of the question boxes as they come, in order; the message of each
// box goes to `asked`.
void answerInTurn(QStringList answers, QStringList *asked)
{
    if (answers.isEmpty())
        return;
    const QString answer = answers.takeFirst();
    whenModalShown([answer, answers, asked](QWidget *box) {
        *asked << box->findChild<QWidget *>("Message")->accessibleName();
        answerInTurn(answers, asked);
        box->findChild<QPushButton *>(answer)->click();
    });
}

} // namespace

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
        QDir(RecoveryStore::folder()).removeRecursively();
        QVERIFY((m_form = tolvan::test::firstRunWindow()));
    }
    void cleanup()
    {
        if (m_form)
            m_form->memo()->setModified(false); // let the window close without asking
        delete m_form;
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
    }

    // The first start: the window's place, font and colours, the editor's font and colours,
    // where the parts stand, the menu keys; glyphs in the file list and on
    // every toolbar button (greyed too); Tab typed in the editor is a character, not a move to
    // the next control. The lists at the bottom of the side panel follow its height; the file
    // list takes what is left.
    void firstRun_look()
    {
        EditControl *memo = m_form->memo();
        QCOMPARE(m_form->font(), tolvan::platform::designFont("MS Sans Serif", 12));
        QCOMPARE(memo->font().family() + QString::number(memo->font().pointSize()), "Arial12");
        QVERIFY(m_form->findChild<tolvan::browser::TFileListBox *>()->showGlyphs());
        QStringList withoutTip; // every button shows its hint as a tooltip, but Color
        for (QToolButton *button : child("ToolBar")->findChildren<QToolButton *>()) {
            QVERIFY2(!button->icon().pixmap(button->iconSize(), QIcon::Disabled).isNull(),
                     qPrintable(button->objectName()));
            if (button->toolTip().isEmpty())
                withoutTip << button->objectName();
        }
        QCOMPARE(withoutTip, QStringList{"ColorButton"});
        QCOMPARE(memo->backgroundColor().name() + memo->textColor().name(), "#000080#ffff00");
        QCOMPARE(QRect(m_form->pos(), m_form->size()), QRect(80, 60, 520, 400));
        const QPalette nameBox = child("FilenameEdit")->palette(); // green on black
        QCOMPARE(nameBox.color(QPalette::Base).name() + nameBox.color(QPalette::Text).name(),
                 "#000000#00ff00");
        // Where the window's parts stand in it, as a person sees them at the first start.
        QStringList parts;
        for (const char *name : {"Memo1", "Panel1", "StatusBar", "FilenameEdit", "FileListBox"}) {
            const QWidget *part = child(name);
            const QRect at(part->mapTo(m_form, QPoint()), part->size());
            parts << QString("%1 %2,%3 %4x%5 %6")
                         .arg(name)
                         .arg(at.x())
                         .arg(at.y())
                         .arg(at.width())
                         .arg(at.height())
                         .arg(part->isVisible());
        }
        QCOMPARE(parts, QStringList({"Memo1 0,52 358x326 1", "Panel1 358,52 162x326 1",
                                     "StatusBar 0,378 520x22 1", "FilenameEdit 366,60 145x24 1",
                                     "FileListBox 366,88 145x106 1"}));
        // The menus show the keys of the Original scheme (the window dispatches them itself, so
        // no item has a key of its own); four items stay greyed.
        QStringList keys, disabled;
        for (const tolvan::app::MenuRow &row : tolvan::app::menuRows()) {
            QAction *action = QString(row.caption) == "-" ? nullptr : item(row.name);
            if (action && !keyShown(row.name).isEmpty())
                keys << QString(row.name) + ' ' + keyShown(row.name);
            if (action && (!action->isEnabled() || !action->shortcut().isEmpty()))
                disabled << row.name;
        }
        QCOMPARE(keys, QStringList({"cmOpen F3", "cmSave F2", "cmExit Alt+X", "cmUndo Alt+BkSp",
                                    "cmSelectAll Ctrl+A", "cmCut Shift+Del", "cmCopy Ctrl+Ins",
                                    "cmPaste Shift+Ins", "cmBold Ctrl+B", "cmItalics Ctrl+I",
                                    "cmUnderlined Ctrl+U", "cmFont1 Ctrl+F", "cmComments Alt+C",
                                    "LineBreak1 Ctrl+L", "Paragraph1 Ctrl+P", "cmHorRuler Ctrl+H",
                                    "cmPreview F9", "cmCheckMarkup F7", "cmSearchHelp Ctrl+F1"}));
        QCOMPARE(disabled,
                 QStringList({"cmRepeatCommand", "cmPreferences", "cmContents", "cmSearchHelp"}));
        QTest::keyClick(memo, Qt::Key_Tab);
        QCOMPARE(memo->wholeText(), "\t");
        m_form->resize(m_form->width(), m_form->height() - child("Panel1")->height() + 464);
        QTRY_COMPARE(child("Panel1")->height(), 464);
        QCOMPARE((QList<int>{child("DriveComboBox")->y(), child("DirectoryListBox")->y(),
                             child("FilterComboBox")->y(), child("FileListBox")->height()}),
                 QList<int>({441, 307, 282, 244})); // list tops; the file list's height
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
    }

    // The Color button inserts the chosen colour; cancelled, it changes nothing. F1 in an open
    // menu asks for help. Save As asks with a dialog that saves; File > Open and Install Help
    // File share one dialog, each with its own title and default extension.
    void dialogs()
    {
        const auto choose = [this](const QColor &color, bool accept) {
            whenModalShown([color, accept](QWidget *dialog) {
                auto *colors = qobject_cast<QColorDialog *>(dialog);
                colors->setCurrentColor(color);
                accept ? colors->accept() : colors->reject();
            });
            m_form->findChild<QToolButton *>("ColorButton")->click();
        };
        choose(QColor(0x12, 0xAB, 0x0F), true);
        m_form->memo()->setModified(false); // Open would ask about the change first
        choose(Qt::red, false);
        QCOMPARE(m_form->memo()->wholeText(), "COLOR = 12AB0F");
        tolvan::platform::Application::setHelpFile("none.hlp");
        QList<tolvan::help::HelpRequest> &requests = tolvan::help::HelpService::instance().requests;
        requests.clear();
        QMenu *file = m_form->findChild<QMenu *>("cmFile");
        file->popup(m_form->pos());
        QTest::keyClick(file, Qt::Key_F1);
        QCOMPARE(requests.size(), 1);
        // The file type shows its name only; the help file Install chose is offered again by
        // File > Open, in the one dialog the two share.
        auto seen = std::make_shared<QStringList>(); // outlives a dialog that never comes
        auto dialogs = std::make_shared<QSet<QWidget *>>();
        for (const char *command : {"cmSaveAs", "cmOpen", "InstallHelpFile1", "cmOpen"}) {
            whenModalShown([seen, dialogs](QWidget *shown) {
                auto *files = static_cast<QFileDialog *>(shown);
                const bool saves = files->acceptMode() == QFileDialog::AcceptSave;
                const QString type =
                    saves ? "" : files->findChild<QComboBox *>("fileTypeCombo")->currentText();
                const bool offered = files->selectedFiles().value(0).endsWith("/manual.hlp");
                *seen << QStringList{shown->objectName(),
                                     saves ? "saves" : "opens",
                                     shown->windowTitle(),
                                     files->defaultSuffix(),
                                     type,
                                     offered ? "manual.hlp" : ""}
                             .join('|');
                *dialogs << shown;
                if (shown->windowTitle().startsWith("Install")) {
                    files->findChild<QLineEdit *>("fileNameEdit")->setText("manual");
                    QMetaObject::invokeMethod(files, "accept");
                }
                shown->close();
            });
            item(command)->trigger();
        }
        QCOMPARE(*seen, QStringList({"SaveDlg|saves|Save As|||",
                                     "OpenDlg|opens|Open||HTML Files (*.html)|",
                                     "OpenDlg|opens|Install Help File...|hlp|Help Files (*.hlp)|",
                                     "OpenDlg|opens|Open||HTML Files (*.html)|manual.hlp"}));
        QCOMPARE(dialogs->size(), 2);
    }

    // The shortcut scheme switches the keys of Open and Save; it, the editor's colours and the
    // window's place and size are read back at the next start. The window has no minimum size
    // of its own. A maximised window keeps the bounds it has maximised (the next start opens a
    // normal window that large); a minimised one its last normal bounds.
    void settings_surviveRestart_data()
    {
        QTest::addColumn<Qt::WindowState>("state");
        QTest::newRow("normal") << Qt::WindowNoState;
        QTest::newRow("maximised") << Qt::WindowMaximized;
        QTest::newRow("minimised") << Qt::WindowMinimized;
    }
    void settings_surviveRestart()
    {
        QFETCH(Qt::WindowState, state);
        item("cmMicrosoftLike")->trigger();
        item("cmMicrosoftLike")->trigger(); // choosing the checked item again keeps it checked
        QVERIFY(item("cmMicrosoftLike")->isChecked() && !item("cmOriginal")->isChecked());
        m_form->memo()->setBackgroundColor(QColor(0x11, 0x22, 0x33));
        m_form->memo()->setTextFont(m_form->memo()->font(), QColor(0x44, 0x55, 0x66));
        m_form->move(120, 90);
        m_form->resize(40, 30);
        const QRect normal(m_form->pos(), m_form->size());
        QCOMPARE(normal, QRect(120, 90, 40, 30));
        m_form->setWindowState(state);
        QTRY_COMPARE(m_form->windowState(), state);
        if (state == Qt::WindowMaximized)
            QTRY_VERIFY(m_form->size() != normal.size());
        const QRect shown(m_form->pos(), m_form->size());
        delete m_form; // writes the settings file
        m_form = new TMainForm;
        QCOMPARE(keyShown("cmOpen") + ' ' + keyShown("cmSave"), "Ctrl+O Ctrl+S");
        QCOMPARE(m_form->memo()->backgroundColor(), QColor(0x11, 0x22, 0x33));
        QCOMPARE(m_form->memo()->textColor(), QColor(0x44, 0x55, 0x66));
        QCOMPARE(QRect(m_form->pos(), m_form->size()),
                 state == Qt::WindowMinimized ? normal : shown);
    }

    // A bad value in the settings file is reported in an error box. A window larger than the
    // desktop, as a damaged file may ask for, takes the desktop at most: 100,000 pixels square
    // needed a 40 GB buffer and crashed.
    void settings_badValuesReportedAndBounded()
    {
        delete m_form;
        m_form = nullptr;
        QVERIFY(writeAll(tolvan::settings::settingsFilePath(),
                         "[Window]\nLeft=0\nTop=0\nWidth=100000\nHeight=100000\n"
                         "[Colors]\nBack=navy\n"));
        QStringList errors;
        whenModalShown([&errors](QWidget *box) {
            errors << qobject_cast<QMessageBox *>(box)->text();
            box->close();
        });
        m_form = new TMainForm;
        QCOMPARE(errors, QStringList({"'navy' is not a valid integer value."}));
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        const QSize desktop = m_form->screen()->availableVirtualSize();
        QVERIFY(m_form->width() <= desktop.width() && m_form->height() <= desktop.height());
        QVERIFY(m_form->width() > 520 && m_form->height() > 400); // as large as it may be
    }

    // Work left by runs that ended unsaved is offered oldest first at the start. Yes restores
    // it into this run's copy and leaves the rest for a later start (Cancel on closing keeps
    // the window; saving the page drops the copy); No discards the copy it names and offers the
    // next; Cancel keeps every copy. The page named on the command line is not read over the work
    // just restored (however it is spelled); another page is opened only through the
    // unsaved-changes guard.
    void recovery_data()
    {
        QTest::addColumn<QString>("named");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("left"); // copies of ended runs after the start, oldest first
        const auto row = [](const char *name, const char *named, QStringList answers,
                            const char *shown, QStringList left) {
            QTest::newRow(name) << QString(named) << answers << QString(shown) << left;
        };
        row("No, Yes", "", {"No", "Yes"}, "text b", {});
        row("Cancel", "", {"Cancel"}, "", {"page.htm", "b.htm"});
        row("Yes, that page named", "page.htm", {"Yes"}, "lost\r\nwords", {"b.htm"});
        row("Yes, that page spelled otherwise", "sub/../page.htm", {"Yes"}, "lost\r\nwords",
            {"b.htm"});
        row("Yes, another page named, No", "other.htm", {"Yes", "No"}, "other on disk", {"b.htm"});
    }
    void recovery()
    {
        QFETCH(QString, named);
        QFETCH(QStringList, answers);
        QFETCH(QString, shown);
        QTemporaryDir tmp;
        const QString dir = QFileInfo(tmp.path()).canonicalFilePath();
        QVERIFY(QDir(dir).mkpath("sub"));
        for (const char *name : {"page", "other"})
            QVERIFY(writeAll(dir + '/' + name + ".htm", name + QByteArray(" on disk")));
        tolvan::test::leaveCopy(dir + "/page.htm", "lost\r\nwords", 2);
        tolvan::test::leaveCopy("/site/b.htm", "text b", 1);
        QStringList asked;
        answerInTurn(answers, &asked);
        m_form->startWith(named.isEmpty() ? named : dir + '/' + named);
        QCOMPARE(asked.size(), answers.size());
        QVERIFY2(asked.first().contains(dir + "/page.htm"), qPrintable(asked.first()));
        QCOMPARE(m_form->memo()->wholeText(), shown);
        QStringList left;
        for (const auto &work : RecoveryStore::leftBehind())
            left << QFileInfo(work.documentPath).fileName();
        QTEST(left, "left");
        const bool restored = !shown.isEmpty() && !shown.endsWith("on disk");
        QCOMPARE(m_form->memo()->modified(), restored);
        if (!restored)
            return;
        answerInTurn({"Cancel"}, &asked); // closing the window
        QVERIFY(!m_form->close());
        const QString copy = m_form->recoveryFile();
        QCOMPARE(RecoveryStore::read(copy)->text, shown);
        QVERIFY(m_form->documents()->SaveDocument(dir + "/kept.htm"));
        QVERIFY(!QFile::exists(copy));
    }

    // Saving a character the page's encoding cannot hold asks first, naming the character and
    // its code point (also one beyond the BMP); No keeps the page on disk as it was.
    void save_asksBeforeUtf8()
    {
        QTemporaryDir tmp;
        const QString page = tmp.filePath("old.htm");
        QVERIFY(writeAll(page, "caf\xe9") && m_form->documents()->LoadDocument(page));
        QStringList asked;
        for (const QString typed : {"\u0101", "\U0001F600"}) {
            m_form->memo()->replaceSelection(typed);
            answerInTurn({"No"}, &asked);
            item("cmSave")->trigger();
            m_form->memo()->setWholeText("caf\u00e9");
        }
        const QString question = page +
                                 " is stored in the Windows-1252 character set, which cannot "
                                 "hold the character \"%1\" (U+%2). Save it as UTF-8 instead?";
        QCOMPARE(asked, QStringList(
                            {question.arg("\u0101", "0101"), question.arg("\U0001F600", "1F600")}));
        QCOMPARE(tolvan::test::readAll(page), "caf\xe9");
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new MainFormTest; });

#include "tst_mainform.moc"
