#pragma once

#include <QObject>
#include <memory>

class QPrinter;
class QWidget;

namespace tolvan::platform {
class EditControl;
}

namespace tolvan::printing {

// The File menu's Print and Print Setup commands and the one printer selection they share.
// The selection is made from the system's default printer the first time either command needs
// it, is replaced by every confirmed dialog and is never stored. Failures are raised as
// platform::Error for the main window's guard to show.
class PrintCommands : public QObject
{
    Q_OBJECT
public:
    // Lives as long as the window, which owns the dialogs.
    explicit PrintCommands(QWidget *window);
    ~PrintCommands() override;

    // "&Print...": the print dialog and, if it is confirmed, the editor's whole text as one job
    // titled with the caption.
    void cmPrintClick(const platform::EditControl &editor, const QString &caption);
    // "P&rint Setup...": the printer setup dialog; a confirmed one replaces the selection.
    void cmPrintSetupClick();

    // The editor's print operation: its whole text, as it stands, as one job on the current
    // selection under the first 31 characters of the title. Window events are processed
    // between pages, so the window stays usable while a job runs.
    void print(const platform::EditControl &editor, const QString &title);

    bool printing() const { return m_printing; }
    // The one printer selection of this run (nullptr until first used).
    QPrinter *printer() const { return m_printer.get(); }

private:
    QPrinter &selection();
    bool showPrintDialog();

    QWidget *m_window;
    std::unique_ptr<QPrinter> m_printer;
    bool m_printing = false;
};

} // namespace tolvan::printing
