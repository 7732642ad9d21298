#include "mainform.h"

#include "guard.h"
#include "browser/directorylistbox.h"
#include "browser/drivecombobox.h"
#include "browser/filelistbox.h"
#include "browser/filtercombobox.h"
#include "document/filedialogs.h"
#include "document/recovery.h"
#include "editing/appearance.h"
#include "editing/search.h"
#include "help/aboutbox.h"
#include "help/helpfile.h"
#include "help/helpviewer.h"
#include "help/quickhelp.h"
#include "markup/markup.h"
#include "page/checkwindow.h"
#include "page/preview.h"
#include "printing/printcommands.h"
#include "menutable.h"
#include "platform/dialogs.h"
#include "platform/editcontrol.h"
#include "platform/fonts.h"
#include "platform/glyphs.h"
#include "platform/shortcuts.h"

#include <QAction>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QLayout>
#include <QMenuBar>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace tolvan::app {

namespace {
const QString sansSerif = QStringLiteral("MS Sans Serif");

// The colour value 0x00BBGGRR of the window design as a QColor.
QColor fromColorRef(unsigned value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

QFrame *makePanel(QWidget *parent, const char *name, QFrame::Shape shape)
{
    auto *panel = new QFrame(parent);
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameStyle(shape | QFrame::Sunken); // one pixel wide, as a frame is by default
    panel->setFocusPolicy(Qt::NoFocus);
    return panel;
}

void setTextColor(QWidget *widget, QPalette::ColorRole role, const QColor &color)
{
    QPalette p = widget->palette();
    p.setColor(role, color);
    widget->setPalette(p);
}
} // namespace

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QStringLiteral("Tolvan"));
    setFont(platform::designFont(sansSerif, 12));
    resize(642, 565);

    m_shortcuts = new platform::MenuShortcuts(this);
    buildControls();
    help::HelpService::instance().setOwner(this);
    m_search = new editing::SearchCommands(Memo1, this);
    m_print = new printing::PrintCommands(this);
    m_questions = std::make_unique<document::DialogQuestions>(this);
    document::DocumentHost &host = *this;
    m_documents = std::make_unique<document::DocumentCommands>(host, *m_questions);

    // Unsaved work is copied aside soon after a change, and every few seconds while typing goes
    // on; the copy goes when the document is saved, replaced or discarded. The text is taken
    // only when the copy is written, never on each keystroke.
    m_recovery =
        std::make_unique<document::RecoveryStore>(document::RecoveryStore::ofThisProcess());
    m_recoveryClock.start();
    m_recoveryTimer = new QTimer(this);
    m_recoveryTimer->setSingleShot(true);
    connect(m_recoveryTimer, &QTimer::timeout, this, [this] { keepRecoveryCopy(); });
    connect(Memo1->document(), &QTextDocument::contentsChanged, this, [this] {
        if (!Memo1->modified())
            return;
        const qint64 now = m_recoveryClock.elapsed();
        m_recoveryTimer->start(int(std::max<qint64>(0, m_recoverySchedule.changed(now) - now)));
    });
    connect(Memo1->document(), &QTextDocument::modificationChanged, this, [this](bool changed) {
        if (!changed) {
            m_recoveryTimer->stop();
            m_recoverySchedule.clear();
            m_recovery->remove();
        }
    });
    buildMenu();
    // The window may be made as small as the user likes; the layout would otherwise hold it
    // to the smallest size that shows every part.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    registerHandlers();
    (new help::MenuHelpKey(this))->watch(menuBar());
    guarded([this] { FormCreate(); });
}

TMainForm::~TMainForm()
{
    hide();
    guarded([this] { FormDestroy(); });
    // The window closes only after the user saved or discarded the changes.
    m_recovery->remove();
}

void TMainForm::setRecoveryTiming(int quiet, int maxLag, int minGap)
{
    m_recoverySchedule.setTiming({quiet, maxLag, minGap});
}

void TMainForm::setRecoveryDelay(int milliseconds)
{
    setRecoveryTiming(milliseconds, milliseconds, milliseconds);
}

QString TMainForm::recoveryFile() const
{
    return m_recovery->file();
}

bool TMainForm::keepRecoveryCopy()
{
    m_recoveryTimer->stop();
    if (!Memo1->modified())
        return false;
    const bool kept = m_recovery->save(m_documents->currentFileName(), m_documents->pageEncoding(),
                                       Memo1->wholeText());
    m_recoverySchedule.written(m_recoveryClock.elapsed(), kept);
    return kept;
}

void TMainForm::beforeWriteInPlace()
{
    keepRecoveryCopy();
}

std::optional<QString> TMainForm::offerRestore()
{
    for (const document::RecoveredWork &work : document::RecoveryStore::leftBehind()) {
        const QString name = work.documentPath == document::DocumentCommands::untitled
                                 ? QStringLiteral("an untitled page")
                                 : work.documentPath;
        const QString when =
            QFileInfo(work.file).lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        // Escape and the close box, what a startled person presses, decide nothing.
        const int answer = messageDlg(
            QStringLiteral("Tolvan ended without saving your changes to %1 (last kept %2). "
                           "Restore them? (No discards them; Cancel asks again next time.)")
                .arg(name, when),
            MsgKind::Confirmation, MsgButton::Yes | MsgButton::No | MsgButton::Cancel, 0);
        if (answer == mrYes) {
            m_documents->restore(work.documentPath, work.encoding, work.text);
            // The old copy goes only once this process holds the work in a copy of its own.
            if (keepRecoveryCopy())
                QFile::remove(work.file);
            return work.documentPath; // any further copies wait for the next start
        }
        if (answer != mrNo)
            return std::nullopt;
        QFile::remove(work.file);
    }
    return std::nullopt;
}

void TMainForm::startWith(const QString &path,
                          const std::function<document::PreparedPage()> &prepared)
{
    const std::optional<QString> restored = offerRestore();
    if (path.isEmpty())
        return;
    // The page just restored is not read again over the work: that is what the file manager
    // asked for, and more. Another page asks first, as for any unsaved text.
    const auto same = [](const QString &a, const QString &b) {
        const QString canonicalA = QFileInfo(a).canonicalFilePath();
        return canonicalA.isEmpty() ? QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
                                          QDir::cleanPath(QFileInfo(b).absoluteFilePath())
                                    : canonicalA == QFileInfo(b).canonicalFilePath();
    };
    if (restored && same(*restored, path))
        return;
    if (!m_documents->ConfirmDiscard())
        return;
    if (prepared)
        m_documents->LoadDocument(path, prepared());
    else
        m_documents->LoadDocument(path);
}

void TMainForm::buildControls()
{
    auto *client = new QWidget(this);
    auto *column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    ToolBar = makePanel(client, "ToolBar", QFrame::Panel);
    ToolBar->setFixedHeight(33);
    column->addWidget(ToolBar);

    auto *middle = new QHBoxLayout;
    middle->setSpacing(0);
    Memo1 = new platform::EditControl(client);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setBackgroundColor(fromColorRef(0x804000));
    Memo1->setTextFont(platform::designFont(QStringLiteral("Courier New"), 13), Qt::yellow);
    middle->addWidget(Memo1, 1);

    Panel1 = makePanel(client, "Panel1", QFrame::Panel);
    Panel1->setFixedWidth(162);
    middle->addWidget(Panel1);
    column->addLayout(middle, 1);

    StatusBar = makePanel(client, "StatusBar", QFrame::Box);
    StatusBar->setFixedHeight(22);
    auto *credit = new QLabel(QStringLiteral("Tolvan: HTML by hand, quick and exact"), StatusBar);
    credit->setObjectName(QStringLiteral("StatusCaption"));
    credit->setFont(platform::designFont(sansSerif, 13, true));
    setTextColor(credit, QPalette::WindowText, Qt::blue);
    credit->setAlignment(Qt::AlignCenter);
    auto *statusLayout = new QHBoxLayout(StatusBar);
    statusLayout->setContentsMargins(2, 0, 2, 0);
    statusLayout->addWidget(credit);
    column->addWidget(StatusBar);

    setCentralWidget(client);
    buildSidePanel();
    buildToolbar();

    // Tab order: the side panel's controls, then the editor.
    setTabOrder(FileListBox, FilenameEdit);
    setTabOrder(FilenameEdit, DirectoryListBox);
    setTabOrder(DirectoryListBox, DriveComboBox);
    setTabOrder(DriveComboBox, FilterComboBox);
    setTabOrder(FilterComboBox, Memo1);
}

void TMainForm::buildSidePanel()
{
    FilenameEdit = new QLineEdit(QStringLiteral("*.htm"), Panel1);
    FilenameEdit->setObjectName(QStringLiteral("FilenameEdit"));
    FilenameEdit->setFont(platform::designFont(sansSerif, 15));
    QPalette p = FilenameEdit->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, QColor(0, 255, 0));
    FilenameEdit->setPalette(p);
    FilenameEdit->setGeometry(8, 8, 145, 24);

    FileListBox = new browser::TFileListBox(Panel1);
    FileListBox->setObjectName(QStringLiteral("FileListBox"));
    FileListBox->setGeometry(8, 36, 145, 177);

    FilterComboBox = new browser::TFilterComboBox(Panel1);
    FilterComboBox->setObjectName(QStringLiteral("FilterComboBox"));
    FilterComboBox->setGeometry(8, 216, 145, 21);

    DirectoryListBox = new browser::TDirectoryListBox(Panel1);
    DirectoryListBox->setObjectName(QStringLiteral("DirectoryListBox"));
    DirectoryListBox->setGeometry(8, 240, 145, 130);

    DriveComboBox = new browser::TDriveComboBox(Panel1);
    DriveComboBox->setObjectName(QStringLiteral("DriveComboBox"));
    DriveComboBox->setGeometry(8, 372, 145, 19);

    // The panel's controls drive each other: drive list -> directory list -> file list ->
    // file-name box, and the filter list -> file list. The file list reads its folder only once
    // the window is shown.
    FileListBox->setMask(QStringLiteral("*.htm"));
    FileListBox->setShowGlyphs(true);
    FileListBox->setItemHeight(16);
    FileListBox->setFileEdit(FilenameEdit);
    DriveComboBox->setDirList(DirectoryListBox);
    DirectoryListBox->setFileList(FileListBox);
    FilterComboBox->setFileList(FileListBox);
    guarded([this] {
        FilterComboBox->setFilter(QStringLiteral(
            "HTML Files (*.html)|*.htm|Text Files (*.txt)|*.txt|All Files (*.*)|*.*"));
    });
    // Failures inside the panel's own event handlers come back here for the error box.
    connect(FileListBox, &browser::TFileListBox::errorRaised, this, &showErrorBox);
    connect(FilterComboBox, &browser::TFilterComboBox::errorRaised, this, &showErrorBox);
    connect(DirectoryListBox, &browser::TDirectoryListBox::errorRaised, this, &showErrorBox);
    connect(DriveComboBox, &browser::TDriveComboBox::errorRaised, this, &showErrorBox);
    connect(FileListBox, &browser::TFileListBox::dblClick, this,
            [this] { runHandler(QStringLiteral("FileListBoxDblClick")); });

    Panel1->installEventFilter(this);
}

void TMainForm::Panel1Resize()
{
    const int h = Panel1->height();
    DriveComboBox->move(DriveComboBox->x(), h - 23);
    DirectoryListBox->move(DirectoryListBox->x(),
                           DriveComboBox->y() - DirectoryListBox->height() - 4);
    FilterComboBox->move(FilterComboBox->x(), DirectoryListBox->y() - 25);
    // Below 220 pixels the list has no room left: it shrinks to nothing.
    FileListBox->resize(FileListBox->width(), std::max(h - 220, 0));
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Panel1 && event->type() == QEvent::Resize)
        guarded([this] { Panel1Resize(); });
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::buildToolbar()
{
    for (const ToolButtonRow &row : toolButtonRows()) {
        auto *button = new QToolButton(ToolBar);
        const QString name = QString::fromLatin1(row.name);
        button->setObjectName(name);
        button->setGeometry(row.left, 4, 25, 25);
        button->setFocusPolicy(Qt::NoFocus);
        const QIcon icon = platform::buttonIcon(QString::fromLatin1(row.glyph));
        button->setIcon(icon);
        const QList<QSize> sizes = icon.availableSizes();
        button->setIconSize(sizes.isEmpty() ? QSize(16, 16) : sizes.first());
        const QString hint = QString::fromLatin1(row.hint);
        button->setProperty("hint", hint);
        if (row.showHint)
            button->setToolTip(hint);
        const QString handler = QString::fromLatin1(row.handler);
        connect(button, &QToolButton::clicked, this, [this, handler] { runHandler(handler); });
    }
}

void TMainForm::buildMenu()
{
    QMenu *open[3] = {nullptr, nullptr, nullptr};
    for (const MenuRow &row : menuRows()) {
        const QString name = QString::fromLatin1(row.name);
        const QString caption = QString::fromLatin1(row.caption);
        if (row.depth == 0) {
            open[0] = menuBar()->addMenu(caption);
            open[0]->setObjectName(name);
            open[0]->menuAction()->setObjectName(name);
            m_menuItems.insert(name, open[0]->menuAction());
            continue;
        }
        QMenu *into = open[row.depth - 1];
        if (caption == QLatin1String("-")) {
            into->addSeparator()->setObjectName(name);
            continue;
        }
        QAction *action = nullptr;
        if (row.flags & Submenu) {
            open[row.depth] = into->addMenu(caption);
            open[row.depth]->setObjectName(name);
            action = open[row.depth]->menuAction();
        } else {
            action = new QAction(caption, this);
            into->addAction(action);
        }
        action->setObjectName(name);
        action->setEnabled(!(row.flags & Disabled));
        action->setCheckable(row.flags & Checkable);
        action->setChecked(row.flags & Checked);
        if (row.key.toCombined() != 0)
            m_shortcuts->setShortcut(action, row.key);
        if (row.handler) {
            const QString handler = QString::fromLatin1(row.handler);
            connect(action, &QAction::triggered, this, [this, handler] { runHandler(handler); });
        }
        m_menuItems.insert(name, action);
    }
}

void TMainForm::registerHandlers()
{
    m_handlers = {
        {QStringLiteral("cmExitClick"), [this] { cmExitClick(); }},
        {QStringLiteral("cmAboutClick"), [this] { cmAboutClick(); }},
        {QStringLiteral("QuickHelp1Click"), [this] { QuickHelp1Click(); }},
        {QStringLiteral("cmOriginalClick"), [this] { cmOriginalClick(); }},
        {QStringLiteral("cmMicrosoftLikeClick"), [this] { cmMicrosoftLikeClick(); }},
        {QStringLiteral("ColorButtonClick"), [this] { ColorButtonClick(); }},
        {QStringLiteral("cmPreviewClick"), [this] { cmPreviewClick(); }},
        {QStringLiteral("cmCheckMarkupClick"), [this] { cmCheckMarkupClick(); }},
        // File menu and its buttons: the document commands.
        {QStringLiteral("cmNewClick"), [this] { m_documents->cmNewClick(); }},
        {QStringLiteral("NewButtonClick"), [this] { m_documents->cmNewClick(); }},
        {QStringLiteral("cmOpenClick"), [this] { m_documents->cmOpenClick(); }},
        {QStringLiteral("cmSaveClick"), [this] { m_documents->cmSaveClick(); }},
        {QStringLiteral("cmSaveAsClick"), [this] { m_documents->cmSaveAsClick(); }},
        {QStringLiteral("FileListBoxDblClick"), [this] { m_documents->FileListBoxDblClick(); }},
        {QStringLiteral("cmPrintClick"), [this] { m_print->cmPrintClick(*Memo1, windowTitle()); }},
        {QStringLiteral("cmPrintSetupClick"), [this] { m_print->cmPrintSetupClick(); }},
        // Edit menu and the clipboard buttons: the editor's own operations.
        {QStringLiteral("cmUndoClick"), [this] { Memo1->undo(); }},
        {QStringLiteral("cmSelectAllClick"), [this] { Memo1->selectAll(); }},
        {QStringLiteral("cmCutClick"), [this] { Memo1->cut(); }},
        {QStringLiteral("CutButtonClick"), [this] { Memo1->cut(); }},
        {QStringLiteral("cmCopyClick"), [this] { Memo1->copy(); }},
        {QStringLiteral("CopyButtonClick"), [this] { Memo1->copy(); }},
        {QStringLiteral("cmPasteClick"), [this] { Memo1->paste(); }},
        {QStringLiteral("PasteButtonClick"), [this] { Memo1->paste(); }},
        {QStringLiteral("cmFindClick"), [this] { m_search->cmFindClick(); }},
        {QStringLiteral("cmReplaceClick"), [this] { m_search->cmReplaceClick(); }},
        // Options menu: the editor's look.
        {QStringLiteral("cmBackColorClick"),
         [this] { editing::cmBackColorClick(*Memo1, colorDialog()); }},
        {QStringLiteral("cmForeColorClick"),
         [this] { editing::cmForeColorClick(*Memo1, colorDialog()); }},
        {QStringLiteral("cmFontClick"), [this] { editing::cmFontClick(*Memo1, fontDialog()); }},
        // Help menu: the external help file.
        // The Open command's dialog, so that the folder and file name last chosen in either
        // are offered by both; the command gives the dialog its own title while it runs.
        {QStringLiteral("InstallHelpFile1Click"),
         [this] { help::InstallHelpFile1Click(*m_questions->openDialog()); }},
        {QStringLiteral("cmContentsClick"), [] { help::cmContentsClick(); }},
        {QStringLiteral("cmSearchHelpClick"), [this] { help::cmSearchHelpClick(Memo1->selText()); }},
    };
}

void TMainForm::runHandler(const QString &handler)
{
    guarded([&] {
        if (const auto it = m_handlers.constFind(handler); it != m_handlers.constEnd())
            it.value()();
        else if (const markup::Command *command = markup::commandFor(handler))
            markup::run(*Memo1, *command);
    });
}

QAction *TMainForm::menuItem(const QString &name) const
{
    return m_menuItems.value(name);
}

void TMainForm::FormCreate()
{
    m_documents->makeUntitled();
    m_shortcuts->setShortcut(menuItem(QStringLiteral("cmExit")),
                             QKeyCombination(Qt::AltModifier, Qt::Key_X));
    m_shortcuts->setShortcut(menuItem(QStringLiteral("cmComments")),
                             QKeyCombination(Qt::AltModifier, Qt::Key_C));
    // A bad value in the settings file is reported and that one setting keeps its default.
    settings::LoadSettings(*this, [](const QString &message) { showErrorBox(message); });
    // An editor opens ready for typing.
    Memo1->setFocus(Qt::OtherFocusReason);
}

void TMainForm::FormDestroy()
{
    settings::SaveSettings(*this);
}

QRect TMainForm::windowBounds() const
{
    // Position of the frame, size of the client area: the pair that setWindowBounds takes, so
    // a window keeps its size from run to run whatever the window manager's frame adds. A
    // maximised window is saved with the bounds it has maximised, so the next start opens a
    // normal window that large; a minimised one with its last normal bounds.
    const QPoint frameOffset = geometry().topLeft() - frameGeometry().topLeft();
    const QRect bounds = (isMinimized() || isFullScreen()) ? normalGeometry() : geometry();
    return QRect(bounds.topLeft() - frameOffset, bounds.size());
}

void TMainForm::setWindowBounds(const QRect &outer)
{
    move(outer.topLeft());
    // No larger than the desktop: a size from a damaged settings file would ask for a window
    // buffer of gigabytes (and the offscreen platform crashes on it).
    const QSize most = screen()->availableVirtualSize().expandedTo(QSize(1, 1));
    resize(std::clamp(outer.width(), 1, most.width()), std::clamp(outer.height(), 1, most.height()));
}

settings::ColorValue TMainForm::backColor() const
{
    // A colour chosen in the Options menu since the last read replaces the stored value.
    if (settings::toQColor(m_backColor) != Memo1->backgroundColor())
        return settings::fromQColor(Memo1->backgroundColor());
    return m_backColor;
}

void TMainForm::setBackColor(settings::ColorValue value)
{
    m_backColor = value;
    Memo1->setBackgroundColor(settings::toQColor(value));
}

settings::ColorValue TMainForm::fontColor() const
{
    if (settings::toQColor(m_fontColor) != Memo1->textColor())
        return settings::fromQColor(Memo1->textColor());
    return m_fontColor;
}

void TMainForm::setFontColor(settings::ColorValue value)
{
    m_fontColor = value;
    Memo1->setTextFont(Memo1->font(), settings::toQColor(value));
}

QString TMainForm::fontName() const
{
    return Memo1->font().family();
}

void TMainForm::setFontName(const QString &name)
{
    QFont font = Memo1->font();
    font.setFamily(name);
    Memo1->setTextFont(font, Memo1->textColor());
}

int TMainForm::fontSize() const
{
    const QFont font = Memo1->font();
    if (font.pointSize() > 0)
        return font.pointSize();
    return qRound(font.pixelSize() * 72.0 / 96.0);
}

void TMainForm::setFontSize(int points)
{
    QFont font = Memo1->font();
    font.setPointSize(std::max(points, 1));
    Memo1->setTextFont(font, Memo1->textColor());
}

void TMainForm::setDirectory(const QString &path)
{
    DirectoryListBox->setDirectory(path);
}

void TMainForm::setHelpItemsEnabled(bool enabled)
{
    menuItem(QStringLiteral("cmContents"))->setEnabled(enabled);
    menuItem(QStringLiteral("cmSearchHelp"))->setEnabled(enabled);
}

platform::EditControl &TMainForm::editor()
{
    return *Memo1;
}

QString TMainForm::directory() const
{
    return DirectoryListBox->directory();
}

QString TMainForm::fileNameText() const
{
    return FilenameEdit->text();
}

void TMainForm::updateFileList()
{
    FileListBox->Update();
}

void TMainForm::repaintFileList()
{
    FileListBox->Repaint();
}

void TMainForm::setCaption(const QString &caption)
{
    setWindowTitle(caption);
}

void TMainForm::setInformationWindows(help::TAboutBox *aboutBox, help::TfrmQuickHelp *quickHelp)
{
    m_aboutBox = aboutBox;
    m_quickHelp = quickHelp;
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // Closing is refused when the user cancels, or when a save they asked for did not happen,
    // and while a print job is still being sent (the window stays responsive during it).
    if (m_print->printing()) {
        event->ignore();
        return;
    }
    bool canClose = true;
    guarded([&] { canClose = m_documents->FormCloseQuery(); });
    if (!canClose)
        event->ignore(); // a close event arrives accepted
}

void TMainForm::WrapSelection(const QString &prefix, const QString &suffix)
{
    markup::wrapSelection(*Memo1, prefix, suffix);
}

void TMainForm::InsertText(const QString &text)
{
    markup::insertText(*Memo1, text);
}

void TMainForm::cmExitClick()
{
    close();
}

void TMainForm::cmAboutClick()
{
    if (m_aboutBox)
        m_aboutBox->showModal();
}

void TMainForm::QuickHelp1Click()
{
    if (m_quickHelp)
        m_quickHelp->showModal();
}

void TMainForm::applyShortcutScheme(unsigned scheme)
{
    m_shortcutScheme = scheme;
    const bool microsoftLike = scheme == 1;
    m_shortcuts->setShortcut(menuItem(QStringLiteral("cmOpen")),
                             microsoftLike ? QKeyCombination(Qt::ControlModifier, Qt::Key_O)
                                           : QKeyCombination(Qt::Key_F3));
    m_shortcuts->setShortcut(menuItem(QStringLiteral("cmSave")),
                             microsoftLike ? QKeyCombination(Qt::ControlModifier, Qt::Key_S)
                                           : QKeyCombination(Qt::Key_F2));
    menuItem(QStringLiteral("cmOriginal"))->setChecked(scheme == 0);
    menuItem(QStringLiteral("cmMicrosoftLike"))->setChecked(scheme == 1);
}

void TMainForm::cmOriginalClick()
{
    applyShortcutScheme(0);
}

void TMainForm::cmMicrosoftLikeClick()
{
    applyShortcutScheme(1);
}

QColorDialog &TMainForm::colorDialog()
{
    if (!ColorDialog) {
        ColorDialog = new QColorDialog(Qt::black, this);
        ColorDialog->setObjectName(QStringLiteral("ColorDialog"));
        ColorDialog->setOption(QColorDialog::DontUseNativeDialog);
    }
    return *ColorDialog;
}

editing::FontDialog &TMainForm::fontDialog()
{
    if (!FontDialog)
        FontDialog = new editing::FontDialog(this);
    return *FontDialog;
}

void TMainForm::ColorButtonClick()
{
    // The dialog opens with the colour it last held; a cancelled choice leaves it so.
    QColorDialog &dialog = colorDialog();
    const QColor held = dialog.currentColor();
    platform::placeStandardDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted) {
        dialog.setCurrentColor(held);
        return;
    }
    InsertText(markup::colorAttribute(dialog.selectedColor()));
}

void TMainForm::cmPreviewClick()
{
    if (!m_preview)
        m_preview = std::make_unique<page::Preview>();
    // An untitled page's relative addresses resolve where the side panel stands.
    const QString folder = m_documents->isUntitled()
                               ? DirectoryListBox->directory()
                               : QFileInfo(m_documents->currentFileName()).absolutePath();
    m_preview->show(
        Memo1->fileText(),
        [this](const QString &text) { return m_documents->pageBytes(text); }, folder);
}

void TMainForm::cmCheckMarkupClick()
{
    if (!m_markupCheck)
        m_markupCheck = new page::MarkupCheckWindow(*Memo1, this);
    m_markupCheck->present(page::checkMarkup(Memo1->fileText()));
}

} // namespace tolvan::app
