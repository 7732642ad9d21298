#pragma once

#include "document/documents.h"
#include "document/recovery.h"
#include "settings/settings.h"

#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QColorDialog;
class QDialog;
class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tolvan::platform {
class EditControl;
class MenuShortcuts;
} // namespace tolvan::platform

namespace tolvan::editing {
class FontDialog;
class SearchCommands;
} // namespace tolvan::editing

class QTimer;

namespace tolvan::document {
class DialogQuestions;
class RecoveryStore;
} // namespace tolvan::document

namespace tolvan::browser {
class TDirectoryListBox;
class TDriveComboBox;
class TFileListBox;
class TFilterComboBox;
} // namespace tolvan::browser

namespace tolvan::printing {
class PrintCommands;
}

namespace tolvan::page {
class MarkupCheckWindow;
class Preview;
} // namespace tolvan::page

namespace tolvan::help {
class TAboutBox;
class TfrmQuickHelp;
} // namespace tolvan::help

namespace tolvan::app {

// The main window: editor, toolbar, side panel, status bar and menu, built from the tables in
// menutable.cpp. Each command is handed to the folder that owns its behaviour.
class TMainForm : public QMainWindow,
                  private document::DocumentHost,
                  private settings::SettingsTarget
{
    Q_OBJECT
public:
    static inline const QString captionPrefix = QStringLiteral("Tolvan v1.61 - ");
    static inline const QString untitled = QStringLiteral("noname.html");

    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // The two information windows, created after the main window and shown from the Help menu.
    void setInformationWindows(help::TAboutBox *aboutBox, help::TfrmQuickHelp *quickHelp);

    // Runs a command by its handler name, as a menu item or toolbar button does.
    void runHandler(const QString &handler);

    void WrapSelection(const QString &prefix, const QString &suffix);
    void InsertText(const QString &text);

    QString currentFileName() const { return m_documents->currentFileName(); }
    document::DocumentCommands *documents() const { return m_documents.get(); }
    document::DialogQuestions *questions() const { return m_questions.get(); }
    platform::EditControl *memo() const { return Memo1; }
    platform::MenuShortcuts *shortcuts() const { return m_shortcuts; }
    QAction *menuItem(const QString &name) const;
    unsigned shortcutScheme() const override { return m_shortcutScheme; }
    editing::SearchCommands *searchCommands() const { return m_search; }

    // Offers to restore work left unsaved by an earlier run that ended without saving it.
    void offerRecovery() { offerRestore(); }
    // What happens once the window is up: the offer to restore work, then the page named on
    // the command line (empty: none), read ahead by `prepared` when given.
    void startWith(const QString &path,
                   const std::function<document::PreparedPage()> &prepared = {});
    // When the recovery copy is written: after `quiet` without a change, at most `maxLag` after
    // the first change not yet copied, never sooner than `minGap` after the last copy.
    void setRecoveryTiming(int quiet, int maxLag, int minGap);
    void setRecoveryDelay(int milliseconds);
    QString recoveryFile() const;

    // Lays out the side panel for its current height.
    void Panel1Resize();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void buildSidePanel();
    void buildToolbar();
    void buildMenu();
    void registerHandlers();
    void FormCreate();

    // The window as the document commands see it.
    platform::EditControl &editor() override;
    QString directory() const override;
    QString fileNameText() const override;
    void updateFileList() override;
    void repaintFileList() override;
    void setCaption(const QString &caption) override;

    // The window as the settings file sees it.
    QRect windowBounds() const override;
    void setWindowBounds(const QRect &outer) override;
    settings::ColorValue backColor() const override;
    void setBackColor(settings::ColorValue value) override;
    settings::ColorValue fontColor() const override;
    void setFontColor(settings::ColorValue value) override;
    QString fontName() const override;
    void setFontName(const QString &name) override;
    int fontSize() const override;
    void setFontSize(int points) override;
    void setDirectory(const QString &path) override;
    void applyShortcutScheme(unsigned scheme) override;
    void setHelpItemsEnabled(bool enabled) override;
    void FormDestroy();

    void cmExitClick();
    void cmAboutClick();
    void QuickHelp1Click();
    void cmOriginalClick();
    void cmMicrosoftLikeClick();
    void ColorButtonClick();
    void cmPreviewClick();
    void cmCheckMarkupClick();
    QColorDialog &colorDialog();
    editing::FontDialog &fontDialog();

    QFrame *ToolBar = nullptr;
    QFrame *StatusBar = nullptr;
    QFrame *Panel1 = nullptr;
    platform::EditControl *Memo1 = nullptr;
    QLineEdit *FilenameEdit = nullptr;
    browser::TFileListBox *FileListBox = nullptr;
    browser::TFilterComboBox *FilterComboBox = nullptr;
    browser::TDirectoryListBox *DirectoryListBox = nullptr;
    browser::TDriveComboBox *DriveComboBox = nullptr;
    QColorDialog *ColorDialog = nullptr;
    editing::FontDialog *FontDialog = nullptr;
    editing::SearchCommands *m_search = nullptr;
    printing::PrintCommands *m_print = nullptr;
    help::TAboutBox *m_aboutBox = nullptr;
    help::TfrmQuickHelp *m_quickHelp = nullptr;
    page::MarkupCheckWindow *m_markupCheck = nullptr;
    std::unique_ptr<page::Preview> m_preview;

    platform::MenuShortcuts *m_shortcuts = nullptr;
    QHash<QString, QAction *> m_menuItems;
    QHash<QString, std::function<void()>> m_handlers;
    // offerRecovery, returning the name of the page restored.
    std::optional<QString> offerRestore();
    // Writes the recovery copy now; false when there was nothing to copy or it failed.
    bool keepRecoveryCopy();
    void beforeWriteInPlace() override;

    std::unique_ptr<document::RecoveryStore> m_recovery;
    document::RecoverySchedule m_recoverySchedule;
    QElapsedTimer m_recoveryClock;
    QTimer *m_recoveryTimer = nullptr;
    std::unique_ptr<document::DialogQuestions> m_questions;
    std::unique_ptr<document::DocumentCommands> m_documents;
    unsigned m_shortcutScheme = 0;
    // The colours as the settings file names them, so that a system colour stays one.
    settings::ColorValue m_backColor = 0x00804000;
    settings::ColorValue m_fontColor = 0x0000FFFF;
};

} // namespace tolvan::app
