#include "app/mainform.h"
#include "app/menutable.h"
#include "markup/markup.h"
#include "document/documents.h"
#include "document/recovery.h"
#include "browser/directorylistbox.h"
#include "settings/settings.h"
#include "help/aboutbox.h"
#include "help/quickhelp.h"
#include "common/modal.h"
#include "platform/editcontrol.h"
#include "platform/shortcuts.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <sys/wait.h>
#include <unistd.h>
#include <QSignalSpy>
#include <QScreen>
#include <QTest>
#include <QToolButton>

using tolvan::app::TMainForm;
using tolvan::platform::MenuShortcuts;

class MainFormTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void startsUntitledWithFirstRunLook();
    void menuItems_asDesigned_data();
    void menuItems_asDesigned();
    void menuBar_hasSevenMenusInOrder();
    void toolButtons_asDesigned_data();
    void toolButtons_asDesigned();
    void panel1Resize_movesListsUp_data();
    void panel1Resize_movesListsUp();
    void bold_sameFromKeyMenuAndButton_data();
    void bold_sameFromKeyMenuAndButton();
    void everyMarkupTrigger_putsItsCommandsText();
    void altC_runsCommentsNotTheMenu();
    void disabledShortcut_isSwallowed();
    void shortcutSchemes_switchOpenAndSave();
    void color_insertsAttributeOrNothing();
    void informationWindows_areModal();
    void altX_closesWindow();
    void settings_surviveRestart();
    void settings_badValueCostsOnlyItself();
    void settings_hugeWindowFitsTheDesktop();
    void guard_realQuestionBox_data();
    void guard_realQuestionBox();
    void recovery_copyFollowsUnsavedWork();
    void recovery_offeredAtNextStart_data();
    void recovery_offeredAtNextStart();

private:
    TMainForm *m_form = nullptr;
};

void MainFormTest::init()
{
    // Each test starts as on a first run, without a settings file.
    QFile::remove(tolvan::settings::settingsFilePath());
    m_form = new TMainForm;
    auto *about = new tolvan::help::TAboutBox(m_form);
    auto *quick = new tolvan::help::TfrmQuickHelp(m_form);
    m_form->setInformationWindows(about, quick);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form));
}

void MainFormTest::cleanup()
{
    delete m_form;
    m_form = nullptr;
    QVERIFY(QApplication::topLevelWidgets().isEmpty() ||
            std::none_of(QApplication::topLevelWidgets().cbegin(),
                         QApplication::topLevelWidgets().cend(),
                         [](QWidget *w) { return w->isVisible(); }));
}

void MainFormTest::startsUntitledWithFirstRunLook()
{
    QCOMPARE(m_form->objectName(), QStringLiteral("MainForm"));
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvan v1.61 - noname.html"));
    QCOMPARE(m_form->currentFileName(), QStringLiteral("noname.html"));
    auto *memo = m_form->memo();
    QCOMPARE(memo->objectName(), QStringLiteral("Memo1"));
    QCOMPARE(memo->backgroundColor(), QColor(0, 0, 0x80));
    QCOMPARE(memo->textColor(), QColor(Qt::yellow));
    QCOMPARE(memo->font().family(), QStringLiteral("Arial"));
    QCOMPARE(memo->font().pointSize(), 12);
    QCOMPARE(m_form->pos(), QPoint(80, 60));
    QCOMPARE(m_form->size(), QSize(520, 400));
    QVERIFY(!memo->tabChangesFocus());
    QCOMPARE(memo->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(m_form->findChild<QWidget *>(QStringLiteral("ToolBar"))->height(), 33);
    QCOMPARE(m_form->findChild<QWidget *>(QStringLiteral("StatusBar"))->height(), 22);
    QCOMPARE(m_form->findChild<QWidget *>(QStringLiteral("Panel1"))->width(), 162);
    auto *edit = m_form->findChild<QLineEdit *>(QStringLiteral("FilenameEdit"));
    QCOMPARE(edit->text(), QStringLiteral("*.htm"));
    QCOMPARE(edit->geometry(), QRect(8, 8, 145, 24));
    QCOMPARE(m_form->shortcutScheme(), 0u);
    // Tab typed in the editor is a character, not a move to the next control.
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_Tab);
    QCOMPARE(memo->wholeText(), QStringLiteral("\t"));
}

void MainFormTest::menuItems_asDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("checked");
    const auto row = [](const char *name, const char *caption, const char *key,
                        bool enabled = true, bool checked = false) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(caption)
                            << QString::fromLatin1(key) << enabled << checked;
    };
    row("cmNew", "&New", "");
    row("cmOpen", "&Open...", "F3");
    row("cmSave", "&Save", "F2");
    row("cmSaveAs", "Save &As...", "");
    row("cmPrint", "&Print...", "");
    row("cmPrintSetup", "P&rint Setup...", "");
    row("cmExit", "E&xit", "Alt+X");
    row("cmUndo", "&Undo", "Alt+BkSp");
    row("cmRepeatCommand", "&Repeat <command>", "", false);
    row("cmSelectAll", "&Select All", "Ctrl+A");
    row("cmCut", "Cu&t", "Shift+Del");
    row("cmCopy", "&Copy", "Ctrl+Ins");
    row("cmPaste", "&Paste", "Shift+Ins");
    row("cmFind", "&Find...", "");
    row("cmReplace", "R&eplace...", "");
    row("cmBackColor", "Editor &Background Color", "");
    row("cmForeColor", "Editor Font &Color", "");
    row("cmFont", "Editor &Font", "");
    row("cmMenuShortcuts", "Menu Shortcuts", "");
    row("cmOriginal", "Original", "", true, true);
    row("cmMicrosoftLike", "Microsoft Like", "");
    row("cmPreferences", "&Preferences", "", false);
    row("cmBold", "&Bold", "Ctrl+B");
    row("cmItalics", "&Italics", "Ctrl+I");
    row("cmUnderlined", "&Underlined", "Ctrl+U");
    row("cmBlink", "B&link", "");
    row("cmFont1", "&Font", "Ctrl+F");
    row("cmAddress", "&Address", "");
    row("Heading1", "&Heading", "");
    row("H11", "H&1", "");
    row("H21", "H&2", "");
    row("H31", "H&3", "");
    row("H41", "H&4", "");
    row("H51", "H&5", "");
    row("H61", "H&6", "");
    row("cmComments", "&Comments", "Alt+C");
    row("LineBreak1", "&Line Break", "Ctrl+L");
    row("Paragraph1", "&Paragraph", "Ctrl+P");
    row("cmTable", "&Table", "");
    row("cmDefList", "&Definition List", "");
    row("UnorderedList1", "&Unordered List", "");
    row("cmMap", "&Map", "");
    row("cmHorRuler", "&Horizontal Ruler", "Ctrl+H");
    row("cmTitle", "&Title", "");
    row("cmBody", "&Body", "");
    row("QuickHelp1", "&Quick Help", "");
    row("InstallHelpFile1", "&Install Help File...", "");
    row("cmContents", "&Contents", "", false);
    row("cmSearchHelp", "&Search Help on...", "Ctrl+F1", false);
    row("cmAbout", "&About...", "");
}

void MainFormTest::menuItems_asDesigned()
{
    QFETCH(QString, name);
    const QList<QAction *> found = m_form->findChildren<QAction *>(name);
    QCOMPARE(found.size(), 1);
    QAction *action = found.first();
    QTEST(MenuShortcuts::caption(action), "caption");
    QTEST(action->text().section(u'\t', 1), "key");
    QTEST(action->isEnabled(), "enabled");
    QTEST(action->isChecked(), "checked");
    QVERIFY(action->shortcut().isEmpty()); // keys are dispatched by MenuShortcuts alone
}

void MainFormTest::menuBar_hasSevenMenusInOrder()
{
    QStringList titles;
    QStringList separators;
    for (QAction *a : m_form->menuBar()->actions())
        titles << a->text();
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "&Options", "&Character", "&Structures",
                                  "&Language", "&Help"}));
    auto *file = m_form->findChild<QMenu *>(QStringLiteral("cmFile"));
    QStringList names;
    for (QAction *a : file->actions())
        names << a->objectName();
    QCOMPARE(names, (QStringList{"cmNew", "cmOpen", "cmSave", "cmSaveAs", "N8", "cmPrint",
                                 "cmPrintSetup", "N7", "cmExit"}));
    QVERIFY(file->actions().at(4)->isSeparator());
}

void MainFormTest::toolButtons_asDesigned_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("left");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("tooltip");
    const auto row = [](const char *name, int left, const char *hint, bool tooltip = true) {
        QTest::newRow(name) << QString::fromLatin1(name) << left << QString::fromLatin1(hint)
                            << tooltip;
    };
    row("NewButton", 4, "Create New");
    row("OpenButton", 29, "Open");
    row("SaveButton", 54, "Save");
    row("CutButton", 88, "Cut");
    row("CopyButton", 113, "Copy");
    row("PasteButton", 138, "Paste");
    row("BoldButton", 172, "Bold");
    row("ItalicButton", 197, "Italics");
    row("UnderlineButton", 222, "Underline");
    row("LeftJustButton", 256, "Left Justify");
    row("CenterButton", 281, "Align Center");
    row("RightJustButton", 306, "Right Justify");
    row("ImageButton", 340, "Image Source");
    row("HrefButton", 365, "Anchor Reference");
    row("TableButton", 390, "2x2 Table");
    row("ColorButton", 424, "Color", false);
    row("UseTolvanButton", 520, "Tell the world you are using Tolvan");
}

void MainFormTest::toolButtons_asDesigned()
{
    QFETCH(QString, name);
    QFETCH(QString, hint);
    QFETCH(bool, tooltip);
    auto *button = m_form->findChild<QToolButton *>(name);
    QVERIFY(button);
    QTEST(button->x(), "left");
    QCOMPARE(button->y(), 4);
    QCOMPARE(button->size(), QSize(25, 25));
    QCOMPARE(button->property("hint").toString(), hint);
    QCOMPARE(button->toolTip(), tooltip ? hint : QString());
    QVERIFY(!button->icon().isNull());
    QVERIFY(!button->icon().pixmap(button->iconSize(), QIcon::Disabled).isNull());
}

void MainFormTest::panel1Resize_movesListsUp_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("driveTop");
    QTest::addColumn<int>("directoryTop");
    QTest::addColumn<int>("filterTop");
    QTest::addColumn<int>("fileListHeight");
    QTest::newRow("464") << 464 << 441 << 307 << 282 << 244;
    QTest::newRow("short panel") << 200 << 177 << 43 << 18 << 0;
}

void MainFormTest::panel1Resize_movesListsUp()
{
    QFETCH(int, height);
    auto *panel = m_form->findChild<QWidget *>(QStringLiteral("Panel1"));
    m_form->resize(m_form->width(), m_form->height() - panel->height() + height);
    QTRY_COMPARE(panel->height(), height);
    QTEST(m_form->findChild<QWidget *>(QStringLiteral("DriveComboBox"))->y(), "driveTop");
    QTEST(m_form->findChild<QWidget *>(QStringLiteral("DirectoryListBox"))->y(), "directoryTop");
    QTEST(m_form->findChild<QWidget *>(QStringLiteral("FilterComboBox"))->y(), "filterTop");
    auto *files = m_form->findChild<QWidget *>(QStringLiteral("FileListBox"));
    QTEST(files->height(), "fileListHeight");
    QCOMPARE(files->y(), 36);
    QCOMPARE(m_form->findChild<QWidget *>(QStringLiteral("FilenameEdit"))->y(), 8);
}

void MainFormTest::bold_sameFromKeyMenuAndButton_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("ctrl+b") << 0;
    QTest::newRow("menu item") << 1;
    QTest::newRow("toolbar button") << 2;
}

void MainFormTest::bold_sameFromKeyMenuAndButton()
{
    QFETCH(int, way);
    auto *memo = m_form->memo();
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("say word"));
    memo->setSelStart(4);
    memo->setSelLength(4);
    if (way == 0)
        QTest::keyClick(memo, Qt::Key_B, Qt::ControlModifier);
    else if (way == 1)
        m_form->menuItem(QStringLiteral("cmBold"))->trigger();
    else
        m_form->findChild<QToolButton *>(QStringLiteral("BoldButton"))->click();
    QCOMPARE(memo->wholeText(), QStringLiteral("say <B>word</B>"));
    QCOMPARE(memo->selStart(), 15);
    QVERIFY(memo->modified());
    QVERIFY(memo->hasFocus());
}

void MainFormTest::everyMarkupTrigger_putsItsCommandsText()
{
    // Every menu item, shortcut and toolbar button of a markup command puts exactly the text of
    // the command its table row names, over a selection that spans a line break.
    const auto expectedFor = [](const QString &handler) {
        tolvan::platform::EditControl reference;
        reference.setWholeText(QStringLiteral("ab\r\ncd"));
        reference.setSelStart(1);
        reference.setSelLength(4);
        tolvan::markup::run(reference, *tolvan::markup::commandFor(handler));
        return std::make_pair(reference.wholeText(), reference.selStart());
    };
    auto *memo = m_form->memo();
    const auto prepare = [memo] {
        memo->setWholeText(QStringLiteral("ab\r\ncd"));
        memo->setSelStart(1);
        memo->setSelLength(4);
    };
    int triggers = 0;
    for (const tolvan::app::MenuRow &row : tolvan::app::menuRows()) {
        if (!row.handler || !tolvan::markup::commandFor(QString::fromLatin1(row.handler)))
            continue;
        const auto expected = expectedFor(QString::fromLatin1(row.handler));
        prepare();
        m_form->menuItem(QString::fromLatin1(row.name))->trigger();
        QCOMPARE(memo->wholeText(), expected.first);
        QCOMPARE(memo->selStart(), expected.second);
        ++triggers;
        if (row.key.toCombined() != 0 || QString::fromLatin1(row.name) == QLatin1String("cmComments")) {
            const QKeyCombination key = m_form->shortcuts()->shortcut(
                m_form->menuItem(QString::fromLatin1(row.name)));
            prepare();
            memo->setFocus();
            QTest::keyClick(memo, key.key(), key.keyboardModifiers());
            QCOMPARE(memo->wholeText(), expected.first);
            ++triggers;
        }
    }
    for (const tolvan::app::ToolButtonRow &row : tolvan::app::toolButtonRows()) {
        if (!tolvan::markup::commandFor(QString::fromLatin1(row.handler)))
            continue;
        const auto expected = expectedFor(QString::fromLatin1(row.handler));
        prepare();
        m_form->findChild<QToolButton *>(QString::fromLatin1(row.name))->click();
        QCOMPARE(memo->wholeText(), expected.first);
        ++triggers;
    }
    // 22 menu items, 8 of them with keys, and 10 toolbar buttons.
    QCOMPARE(triggers, 22 + 8 + 10);
}

void MainFormTest::altC_runsCommentsNotTheMenu()
{
    auto *memo = m_form->memo();
    memo->setFocus();
    QTest::keyClick(memo, Qt::Key_C, Qt::AltModifier);
    QCOMPARE(memo->wholeText(), QStringLiteral("<!--  -->"));
    QVERIFY(!m_form->findChild<QMenu *>(QStringLiteral("cmCharacter"))->isVisible());
}

void MainFormTest::disabledShortcut_isSwallowed()
{
    auto *memo = m_form->memo();
    memo->setFocus();
    QAction *search = m_form->menuItem(QStringLiteral("cmSearchHelp"));
    QSignalSpy triggered(search, &QAction::triggered);
    QTest::keyClick(memo, Qt::Key_F1, Qt::ControlModifier);
    QCOMPARE(triggered.count(), 0);
    QCOMPARE(memo->wholeText(), QString());
    QVERIFY(!memo->modified());
}

void MainFormTest::shortcutSchemes_switchOpenAndSave()
{
    QAction *open = m_form->menuItem(QStringLiteral("cmOpen"));
    QAction *save = m_form->menuItem(QStringLiteral("cmSave"));
    QAction *original = m_form->menuItem(QStringLiteral("cmOriginal"));
    QAction *microsoft = m_form->menuItem(QStringLiteral("cmMicrosoftLike"));
    microsoft->trigger();
    QCOMPARE(open->text(), QStringLiteral("&Open...\tCtrl+O"));
    QCOMPARE(save->text(), QStringLiteral("&Save\tCtrl+S"));
    QVERIFY(microsoft->isChecked());
    QVERIFY(!original->isChecked());
    QCOMPARE(m_form->shortcutScheme(), 1u);
    // Choosing the checked item again keeps it checked.
    microsoft->trigger();
    QVERIFY(microsoft->isChecked());
    original->trigger();
    QCOMPARE(open->text(), QStringLiteral("&Open...\tF3"));
    QCOMPARE(save->text(), QStringLiteral("&Save\tF2"));
    QVERIFY(original->isChecked());
    QVERIFY(!microsoft->isChecked());
}

void MainFormTest::color_insertsAttributeOrNothing()
{
    auto *memo = m_form->memo();
    auto *button = m_form->findChild<QToolButton *>(QStringLiteral("ColorButton"));
    whenModalShown([](QWidget *dialog) {
        auto *colors = qobject_cast<QColorDialog *>(dialog);
        QVERIFY(colors);
        QCOMPARE(colors->currentColor(), QColor(Qt::black));
        colors->setCurrentColor(QColor(0x12, 0xAB, 0x0F));
        colors->accept();
    });
    button->click();
    QCOMPARE(memo->wholeText(), QStringLiteral("COLOR = 12AB0F"));

    memo->setModified(false);
    whenModalShown([](QWidget *dialog) {
        auto *colors = qobject_cast<QColorDialog *>(dialog);
        QCOMPARE(colors->currentColor(), QColor(0x12, 0xAB, 0x0F));
        colors->setCurrentColor(Qt::red);
        colors->reject();
    });
    button->click();
    QCOMPARE(memo->wholeText(), QStringLiteral("COLOR = 12AB0F"));
    QVERIFY(!memo->modified());
    // A cancelled choice is not remembered.
    whenModalShown([](QWidget *dialog) {
        QCOMPARE(qobject_cast<QColorDialog *>(dialog)->currentColor(), QColor(0x12, 0xAB, 0x0F));
        qobject_cast<QDialog *>(dialog)->reject();
    });
    button->click();
}

void MainFormTest::informationWindows_areModal()
{
    for (const char *item : {"cmAbout", "QuickHelp1"}) {
        QString shown;
        whenModalShown([&shown](QWidget *window) {
            shown = window->objectName();
            QTest::keyClick(window, Qt::Key_Return);
        });
        m_form->menuItem(QString::fromLatin1(item))->trigger();
        QCOMPARE(shown, QString::fromLatin1(item) == QLatin1String("cmAbout")
                            ? QStringLiteral("AboutBox")
                            : QStringLiteral("frmQuickHelp"));
    }
}

void MainFormTest::altX_closesWindow()
{
    QTest::keyClick(m_form->memo(), Qt::Key_X, Qt::AltModifier);
    QTRY_VERIFY(!m_form->isVisible());
}

void MainFormTest::settings_surviveRestart()
{
    QTemporaryDir folder;
    m_form->menuItem(QStringLiteral("cmMicrosoftLike"))->trigger();
    m_form->memo()->setBackgroundColor(QColor(0x11, 0x22, 0x33));
    m_form->move(120, 90);
    m_form->resize(600, 450);
    m_form->findChild<tolvan::browser::TDirectoryListBox *>()->setDirectory(folder.path());
    delete m_form; // writes the settings file
    m_form = new TMainForm;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    QCOMPARE(m_form->shortcutScheme(), 1u);
    QCOMPARE(m_form->menuItem(QStringLiteral("cmOpen"))->text(), QStringLiteral("&Open...\tCtrl+O"));
    QCOMPARE(m_form->memo()->backgroundColor(), QColor(0x11, 0x22, 0x33));
    QCOMPARE(m_form->pos(), QPoint(120, 90));
    QCOMPARE(m_form->size(), QSize(600, 450));
    QCOMPARE(m_form->findChild<tolvan::browser::TDirectoryListBox *>()->directory(), folder.path());
    QCOMPARE(QDir::currentPath(), folder.path());
}

void MainFormTest::settings_badValueCostsOnlyItself()
{
    delete m_form;
    m_form = nullptr;
    QFile ini(tolvan::settings::settingsFilePath());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Colors]\nBack=navy\n[Directories]\nLast=/no/such/folder\n"
              "[Shortcuts]\nScheme=1\n");
    ini.close();
    QStringList errors;
    whenModalShown([&errors](QWidget *box) {
        errors << box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
        qobject_cast<QDialog *>(box)->accept();
        whenModalShown([&errors](QWidget *second) {
            errors << second->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
            qobject_cast<QDialog *>(second)->accept();
        });
    });
    m_form = new TMainForm;
    QCOMPARE(errors, (QStringList{QStringLiteral("'navy' is not a valid integer value."),
                                  QStringLiteral("File not found.")}));
    // Everything after the bad values still applies.
    QCOMPARE(m_form->shortcutScheme(), 1u);
    QCOMPARE(m_form->memo()->backgroundColor(), QColor(0, 0, 0x80));
    m_form->show();
}

// A window of 100,000 pixels square, as a damaged settings file may ask for, would need a
// buffer of 40 GB; the offscreen platform crashed on it. The window takes the desktop at most.
void MainFormTest::settings_hugeWindowFitsTheDesktop()
{
    delete m_form;
    m_form = nullptr;
    QFile ini(tolvan::settings::settingsFilePath());
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Window]\nLeft=0\nTop=0\nWidth=100000\nHeight=100000\n");
    ini.close();
    m_form = new TMainForm;
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form));
    const QSize desktop = m_form->screen()->availableVirtualSize();
    QVERIFY(m_form->width() <= desktop.width() && m_form->height() <= desktop.height());
    QVERIFY(m_form->width() > 520 && m_form->height() > 400); // as large as it may be
}

void MainFormTest::guard_realQuestionBox_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("cancel keeps the text") << QStringLiteral("Cancel") << false;
    QTest::newRow("no discards it") << QStringLiteral("No") << true;
}

void MainFormTest::guard_realQuestionBox()
{
    QFETCH(QString, button);
    QFETCH(bool, cleared);
    auto *memo = m_form->memo();
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("draft"));
    QString title;
    whenModalShown([&title, button](QWidget *box) {
        title = box->windowTitle();
        box->findChild<QPushButton *>(button)->click();
    });
    m_form->menuItem(QStringLiteral("cmNew"))->trigger();
    QCOMPARE(title, QStringLiteral("Confirm"));
    QCOMPARE(memo->wholeText().isEmpty(), cleared);
    QCOMPARE(memo->modified(), !cleared);
}

void MainFormTest::recovery_copyFollowsUnsavedWork()
{
    m_form->setRecoveryDelay(10);
    auto *memo = m_form->memo();
    memo->setFocus();
    QTest::keyClicks(memo, QStringLiteral("unsaved words"));
    const QString copy = m_form->recoveryFile();
    QTRY_VERIFY(QFile::exists(copy));
    const auto work = tolvan::document::RecoveryStore::read(copy);
    QVERIFY(work);
    QCOMPARE(work->text, QStringLiteral("unsaved words"));
    QCOMPARE(work->documentPath, QStringLiteral("noname.html"));

    QTemporaryDir dir;
    QVERIFY(m_form->documents()->SaveDocument(dir.filePath(QStringLiteral("kept.htm"))));
    QVERIFY(!QFile::exists(copy));
}

void MainFormTest::recovery_offeredAtNextStart_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("text");
    QTest::newRow("yes restores") << QStringLiteral("Yes") << QStringLiteral("lost line\r\nsecond");
    QTest::newRow("no discards") << QStringLiteral("No") << QString();
}

void MainFormTest::recovery_offeredAtNextStart()
{
    QFETCH(QString, button);
    QFETCH(QString, text);
    // A copy left by a process that is gone.
    const pid_t gone = ::fork();
    if (gone == 0)
        ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    tolvan::document::RecoveryStore store(gone);
    QVERIFY(store.save(QStringLiteral("/tmp/page.htm"), tolvan::document::Encoding::Utf8,
                       QStringLiteral("lost line\r\nsecond")));
    whenModalShown([button](QWidget *box) { box->findChild<QPushButton *>(button)->click(); });
    m_form->offerRecovery();
    QCOMPARE(m_form->memo()->wholeText(), text);
    QVERIFY(!QFile::exists(store.file()));
    if (!text.isEmpty()) {
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Tolvan v1.61 - /tmp/page.htm"));
        QVERIFY(m_form->memo()->modified());
        m_form->memo()->setModified(false); // let the window close without asking
    }
}

QObject *makeMainFormTest()
{
    return new MainFormTest;
}

#include "tst_mainform.moc"
