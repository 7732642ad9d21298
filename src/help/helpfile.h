#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QFileDialog;
class QMenuBar;
class QWidget;

namespace tolvan::help {

class HelpViewer;

// What a help request asks the viewer for.
enum class HelpCommand : quint16 {
    Context = 0x0001,  // the topic of a context number; 0 is the contents
    Contents = 0x0003, // the contents, argument 0
    Key = 0x0101,      // the first place a keyword occurs
};

// A keyword travels in a field of 256 bytes that ends with a zero, so it holds at most 255
// characters; a longer text is sent as its first 255.
constexpr qsizetype maxKeywordLength = 255;

// One request as it was handed to the viewer.
struct HelpRequest
{
    HelpCommand command = HelpCommand::Contents;
    quint32 number = 0; // the argument of Contents and Context
    QString keyword;    // the argument of Key
    QString helpFile;   // the help file name at the time
    bool operator==(const HelpRequest &) const = default;
};

// The application's one way to the help viewer. Requests go to the help file named by
// platform::Application::helpFile() at the moment of the request; with no name they do nothing.
class HelpService
{
public:
    static HelpService &instance();

    // The window the viewer belongs to (the main window); the viewer goes when it goes.
    void setOwner(QWidget *owner);

    // Contents and Context take a number.
    void requestHelp(HelpCommand command, quint32 number);
    // Key takes a keyword.
    void requestHelp(HelpCommand command, const QString &keyword);

    // The viewer of the last request, or null before the first or after its owner went.
    HelpViewer *viewer() const { return m_viewer; }

    // Every request handed to the viewer, oldest first, so that tests can check them.
    QList<HelpRequest> requests;

private:
    void handOver(const HelpRequest &request);

    QPointer<QWidget> m_owner;
    QPointer<HelpViewer> m_viewer;
};

// Help > Install Help File...: the window's open dialog, showing help files, lets the user pick
// or type a file (which need not exist; a name without extension gets ".hlp") and makes it the
// help file name. The Contents and Search Help items are left as they are: they follow a newly
// installed file from the next start. True when the user confirmed.
// The dialog is the window's one open dialog, shared with File > Open: this command gives it
// the four filters (if it lacks them), our own non-native look and open mode, and keeps its
// title "Install Help File..." and default extension "hlp" only while it is shown.
bool InstallHelpFile1Click(QFileDialog &openDlg);

// Help > Contents.
void cmContentsClick();
// Help > Search Help on...: the selected text (possibly empty) as the keyword.
void cmSearchHelpClick(const QString &selectedText);

// F1 while one of the window's menus is open asks for context 0 of the help file. Elsewhere F1
// finds no context and does nothing, so only the menus are watched.
class MenuHelpKey : public QObject
{
    Q_OBJECT
public:
    explicit MenuHelpKey(QObject *parent = nullptr);

    // Watches every menu under the menu bar, including menus added later.
    void watch(QMenuBar *menuBar);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace tolvan::help
