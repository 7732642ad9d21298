#include "helpfile.h"

#include "helpviewer.h"
#include "platform/application.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QChildEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>

namespace tolvan::help {

namespace {

// The keyword field's text: never more than it holds, and never half of a character that
// needs two UTF-16 units.
QString keywordField(const QString &text)
{
    if (text.size() <= maxKeywordLength)
        return text;
    QString field = text.left(maxKeywordLength);
    if (field.back().isHighSurrogate())
        field.chop(1);
    return field;
}

// The window's open dialog is shared with File > Open: its filters are the same four, and
// the install command picks the fourth. The part in the last brackets is the pattern; the
// dialog shows only what comes before it.
const QStringList openFilters{
    QStringLiteral("HTML Files (*.html) (*.htm *.html)"),
    QStringLiteral("Text Files (*.txt) (*.txt)"),
    QStringLiteral("All Files (*.*) (*)"),
    QStringLiteral("Help Files (*.hlp) (*.hlp)"),
};
constexpr qsizetype helpFilesFilter = 3;

} // namespace

HelpService &HelpService::instance()
{
    static HelpService service;
    return service;
}

void HelpService::setOwner(QWidget *owner)
{
    m_owner = owner;
}

void HelpService::requestHelp(HelpCommand command, quint32 number)
{
    HelpRequest request;
    request.command = command;
    request.number = command == HelpCommand::Key ? 0 : number;
    handOver(request);
}

void HelpService::requestHelp(HelpCommand command, const QString &keyword)
{
    HelpRequest request;
    request.command = command;
    if (command == HelpCommand::Key)
        request.keyword = keywordField(keyword);
    handOver(request);
}

void HelpService::handOver(const HelpRequest &incoming)
{
    HelpRequest request = incoming;
    request.helpFile = platform::Application::helpFile();
    if (request.helpFile.isEmpty())
        return; // no help file installed: a request means nothing, and says nothing
    requests.append(request);

    // A viewer made for an owner that has gone went with it; one that belongs to no window
    // is kept for the next request.
    if (!m_viewer || (m_owner && m_viewer->parentWidget() != m_owner)) {
        delete m_viewer;
        m_viewer = new HelpViewer(m_owner);
    }
    if (m_viewer->openFile(request.helpFile)) {
        switch (request.command) {
        case HelpCommand::Contents:
            m_viewer->showContents();
            break;
        case HelpCommand::Key:
            m_viewer->showKeyword(request.keyword);
            break;
        case HelpCommand::Context:
            m_viewer->showContext(request.number);
            break;
        }
    }
    m_viewer->show();
    m_viewer->raise();
    m_viewer->activateWindow();
}

bool InstallHelpFile1Click(QFileDialog &openDlg)
{
    // Title and default extension belong to this command; File > Open gets its own back.
    const QString oldTitle = openDlg.windowTitle();
    const QString oldSuffix = openDlg.defaultSuffix();
    openDlg.setWindowTitle(QStringLiteral("Install Help File..."));
    openDlg.setDefaultSuffix(QStringLiteral("hlp"));
    // The filters show only their text before the pattern, which only our own dialog can do.
    openDlg.setOption(QFileDialog::DontUseNativeDialog);
    openDlg.setOption(QFileDialog::HideNameFilterDetails);
    openDlg.setAcceptMode(QFileDialog::AcceptOpen);
    openDlg.setFileMode(QFileDialog::AnyFile); // the chosen file need not exist
    if (openDlg.nameFilters() != openFilters)
        openDlg.setNameFilters(openFilters);
    openDlg.selectNameFilter(openFilters.at(helpFilesFilter));

    platform::placeStandardDialog(&openDlg);
    const int result = openDlg.exec();
    // The file-name completer's list can outlive the dialog when Enter accepts a typed name;
    // left open it would keep the keyboard from the main window.
    while (QWidget *popup = QApplication::activePopupWidget())
        popup->close();
    // The dialog adds the default extension when it is asked for the name, so ask first.
    const QString chosen =
        result == QDialog::Accepted ? openDlg.selectedFiles().value(0) : QString();
    openDlg.setWindowTitle(oldTitle);
    openDlg.setDefaultSuffix(oldSuffix);
    if (chosen.isEmpty())
        return false;
    openDlg.selectFile(chosen); // offered again by the next showing, in either command
    platform::Application::setHelpFile(chosen);
    return true;
}

void cmContentsClick()
{
    HelpService::instance().requestHelp(HelpCommand::Contents, quint32(0));
}

void cmSearchHelpClick(const QString &selectedText)
{
    HelpService::instance().requestHelp(HelpCommand::Key, selectedText);
}

MenuHelpKey::MenuHelpKey(QObject *parent) : QObject(parent) {}

void MenuHelpKey::watch(QMenuBar *menuBar)
{
    menuBar->installEventFilter(this);
    const QList<QMenu *> menus = menuBar->findChildren<QMenu *>();
    for (QMenu *menu : menus)
        menu->installEventFilter(this);
}

bool MenuHelpKey::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ChildPolished) {
        // Menus made after watch() began (submenus are children of their menu). A menu is
        // polished before it is first shown, and only then is it known to be a menu.
        if (auto *menu = qobject_cast<QMenu *>(static_cast<QChildEvent *>(event)->child()))
            menu->installEventFilter(this);
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers held = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                           Qt::AltModifier | Qt::MetaModifier);
    if (key->key() != Qt::Key_F1 || held != Qt::NoModifier)
        return false;
    const auto *menu = qobject_cast<QMenu *>(watched);
    if (!menu || !menu->isVisible())
        return false;
    // Every menu item has context number 0.
    if (!platform::Application::helpFile().isEmpty()) {
        // The viewer would open behind the menus' grab otherwise.
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        HelpService::instance().requestHelp(HelpCommand::Context, quint32(0));
    }
    return true;
}

} // namespace tolvan::help
