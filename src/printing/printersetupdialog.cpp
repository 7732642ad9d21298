#include "printersetupdialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tolvan::printing {

PrinterSetupDialog::PrinterSetupDialog(const QPrinter &current, QWidget *parent)
    : QDialog(parent), m_printers(new QComboBox), m_type(new QLabel), m_where(new QLabel),
      m_sizes(new QComboBox), m_sources(new QComboBox),
      m_portrait(new QRadioButton(tr("P&ortrait"))), m_landscape(new QRadioButton(tr("&Landscape")))
{
    setObjectName(QStringLiteral("PrinterSetupDlg"));
    setWindowTitle(tr("Print Setup"));
    m_printers->setObjectName(QStringLiteral("printers"));
    m_sizes->setObjectName(QStringLiteral("paperSize"));
    m_sources->setObjectName(QStringLiteral("paperSource"));
    m_portrait->setObjectName(QStringLiteral("portrait"));
    m_landscape->setObjectName(QStringLiteral("landscape"));

    auto *printerGroup = new QGroupBox(tr("Printer"));
    auto *printerForm = new QFormLayout(printerGroup);
    printerForm->addRow(tr("&Name:"), m_printers);
    printerForm->addRow(tr("Type:"), m_type);
    printerForm->addRow(tr("Where:"), m_where);

    auto *paperGroup = new QGroupBox(tr("Paper"));
    auto *paperForm = new QFormLayout(paperGroup);
    paperForm->addRow(tr("Si&ze:"), m_sizes);
    paperForm->addRow(tr("&Source:"), m_sources);

    auto *orientationGroup = new QGroupBox(tr("Orientation"));
    auto *orientationBox = new QVBoxLayout(orientationGroup);
    orientationBox->addWidget(m_portrait);
    orientationBox->addWidget(m_landscape);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *lower = new QHBoxLayout;
    lower->addWidget(paperGroup, 1);
    lower->addWidget(orientationGroup);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(printerGroup);
    layout->addLayout(lower);
    layout->addWidget(buttons);

    for (const QPrinterInfo &info : QPrinterInfo::availablePrinters())
        m_printers->addItem(info.printerName(), info.printerName());
    // Qt knows no paper trays of a printer here; the printing system picks the tray, and a
    // printer's own trays are among its properties in the print dialog.
    m_sources->addItem(tr("Automatically select"), int(QPrinter::Auto));

    const QPageLayout page = current.pageLayout();
    (page.orientation() == QPageLayout::Landscape ? m_landscape : m_portrait)->setChecked(true);
    m_printers->setCurrentIndex(m_printers->findData(current.printerName()));
    showPrinter(current.printerName(), page.pageSize());
    connect(m_printers, &QComboBox::currentIndexChanged, this, [this] {
        const int size = m_sizes->currentIndex();
        showPrinter(m_printers->currentData().toString(),
                    size >= 0 ? m_pageSizes.at(size) : QPageSize());
    });
}

// Fills in what the dialog shows of one printer, keeping the wanted paper size when the printer
// has it and taking the printer's own default otherwise.
void PrinterSetupDialog::showPrinter(const QString &name, const QPageSize &wanted)
{
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    m_type->setText(info.makeAndModel());
    m_where->setText(info.location());
    m_pageSizes = info.supportedPageSizes();
    m_sizes->clear();
    int chosen = -1;
    int fallback = 0;
    for (int i = 0; i < m_pageSizes.size(); ++i) {
        m_sizes->addItem(m_pageSizes.at(i).name());
        if (chosen < 0 && wanted.isValid() && m_pageSizes.at(i).isEquivalentTo(wanted))
            chosen = i;
        if (m_pageSizes.at(i).isEquivalentTo(info.defaultPageSize()))
            fallback = i;
    }
    if (!m_pageSizes.isEmpty())
        m_sizes->setCurrentIndex(chosen >= 0 ? chosen : fallback);
}

void PrinterSetupDialog::applyTo(QPrinter &printer) const
{
    const QString name = m_printers->currentData().toString();
    if (!name.isEmpty() && name != printer.printerName())
        printer.setPrinterName(name);
    // After the name: a new printer brings its own page size, which the choice replaces.
    if (m_sizes->currentIndex() >= 0)
        printer.setPageSize(m_pageSizes.at(m_sizes->currentIndex()));
    printer.setPageOrientation(m_landscape->isChecked() ? QPageLayout::Landscape
                                                        : QPageLayout::Portrait);
    printer.setPaperSource(QPrinter::PaperSource(m_sources->currentData().toInt()));
}

} // namespace tolvan::printing
