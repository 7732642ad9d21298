#include "printcommands.h"

#include "pagelayout.h"
#include "printersetupdialog.h"

#include "platform/dialogs.h"
#include "platform/editcontrol.h"
#include "platform/error.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScopeGuard>
#include <QWidget>

namespace tolvan::printing {

namespace {
// A job is named by at most 31 characters of its title; a long path is cut, not refused.
constexpr qsizetype docNameLength = 31;

// Dialogs work on a copy, so that a job that is running on the selection is never disturbed
// and a cancelled dialog leaves no trace.
std::unique_ptr<QPrinter> copyOf(const QPrinter &from)
{
    auto to = std::make_unique<QPrinter>(QPrinter::HighResolution);
    to->setPrinterName(from.printerName());
    to->setPageLayout(from.pageLayout());
    to->setCopyCount(from.copyCount());
    to->setCollateCopies(from.collateCopies());
    to->setDuplex(from.duplex());
    to->setColorMode(from.colorMode());
    to->setPaperSource(from.paperSource());
    to->setPageOrder(from.pageOrder());
    return to;
}

QString docName(const QString &title)
{
    qsizetype length = std::min(title.size(), docNameLength);
    // Never leave half of a surrogate pair at the end.
    if (length < title.size() && length > 0 && title.at(length - 1).isHighSurrogate())
        --length;
    return title.left(length);
}

// Qt's print dialog on this platform offers a page range and a set of pages (odd or even)
// whatever its options say, and would honour them; a job here is always the whole text.
class PageRangeHider : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Shown, the dialog has settled which of its parts to show: hide the range after it.
        if (event->type() == QEvent::Show)
            if (auto *range = watched->findChild<QWidget *>(QStringLiteral("gbPrintRange")))
                range->hide();
        return false;
    }
};

[[noreturn]] void fail(const char *message)
{
    throw platform::Error(QString::fromLatin1(message));
}
} // namespace

PrintCommands::PrintCommands(QWidget *window) : QObject(window), m_window(window) {}

PrintCommands::~PrintCommands() = default;

QPrinter &PrintCommands::selection()
{
    if (!m_printer) {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            fail("There is no default printer currently selected");
        m_printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    return *m_printer;
}

bool PrintCommands::showPrintDialog()
{
    std::unique_ptr<QPrinter> chosen = copyOf(selection());
    QPrintDialog dialog(chosen.get(), m_window);
    dialog.setObjectName(QStringLiteral("PrintDlg"));
    // Printer, its properties, copies and collate; no page range, no selection, no file.
    dialog.setOptions(QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    // Qt's print dialog on this platform gives the printer its default paper back when it is
    // confirmed, even when the paper was never touched; only a choice the user made in the
    // printer's properties may replace the paper picked in Print Setup.
    const QPageSize paper = chosen->pageLayout().pageSize();
    const QString printerName = chosen->printerName();
    bool propertiesShown = false;
    if (auto *properties = dialog.findChild<QAbstractButton *>(QStringLiteral("properties")))
        connect(properties, &QAbstractButton::clicked, &dialog, [&] { propertiesShown = true; });
    PageRangeHider hider;
    dialog.installEventFilter(&hider);
    platform::placeStandardDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (m_printing)
        fail("Printing in progress");
    if (!propertiesShown && chosen->printerName() == printerName &&
        !chosen->pageLayout().pageSize().isEquivalentTo(paper)) {
        QPageLayout layout = chosen->pageLayout();
        layout.setPageSize(paper);
        chosen->setPageLayout(layout);
    }
    m_printer = std::move(chosen);
    // The dialog has put its copy count into the printer's job settings; the job renders the
    // text once and leaves the copies to the printing system, which must be able to make them.
    if (m_printer->copyCount() > 1 && !m_printer->supportsMultipleCopies())
        fail("Operation not supported on selected printer");
    return true;
}

void PrintCommands::cmPrintClick(const platform::EditControl &editor, const QString &caption)
{
    if (showPrintDialog())
        print(editor, caption);
}

void PrintCommands::cmPrintSetupClick()
{
    std::unique_ptr<QPrinter> chosen = copyOf(selection());
    PrinterSetupDialog dialog(*chosen, m_window);
    platform::placeStandardDialog(&dialog);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (m_printing)
        fail("Printing in progress");
    dialog.applyTo(*chosen);
    m_printer = std::move(chosen);
}

void PrintCommands::print(const platform::EditControl &editor, const QString &title)
{
    QPrinter &printer = selection();
    // A queue removed since it was chosen can no longer take a job.
    if (!printer.isValid() || QPrinterInfo::printerInfo(printer.printerName()).isNull())
        fail("Printer selected is not valid");
    // No margin of the program's own: the page is the printable area, bounded only by what
    // the printer cannot print (Qt would otherwise add a few millimetres of its own).
    const QPageLayout layout = printer.pageLayout();
    printer.setPageMargins(layout.minimumMargins(), layout.units());
    const RenderRect rect =
        renderRect(printer.width(), printer.height(), printer.logicalDpiX(), printer.logicalDpiY());
    if (m_printing)
        fail("Printing in progress");
    printer.setDocName(docName(title));
    // The text and font as they are now; the editor stays usable while the job runs.
    const PageFormatter formatter(editor.wholeText(),
                                  printFont(editor.font(), editor.logicalDpiY()), &printer, rect,
                                  tabStopSpaces(editor.font(), editor.tabStopDistance()));

    QPainter painter;
    if (!painter.begin(&printer))
        fail("Printer selected is not valid");
    m_printing = true;
    const auto done = qScopeGuard([&] {
        painter.end();
        m_printing = false;
    });
    printPages(formatter, &painter, [&printer] {
        printer.newPage();
        QCoreApplication::processEvents();
    });
}

} // namespace tolvan::printing
