#pragma once

#include <QDialog>
#include <QList>
#include <QPageLayout>
#include <QPageSize>

class QComboBox;
class QLabel;
class QPrinter;
class QRadioButton;

namespace tolvan::printing {

// The printer setup dialog: the printer, its paper size and source and the orientation, and
// nothing else. It starts from a printer's settings and, once confirmed, writes the choice into
// another printer object, so that a job running on the first is never touched.
class PrinterSetupDialog : public QDialog
{
    Q_OBJECT
public:
    PrinterSetupDialog(const QPrinter &current, QWidget *parent = nullptr);

    void applyTo(QPrinter &printer) const;

private:
    void showPrinter(const QString &name, const QPageSize &wanted);

    QComboBox *m_printers;
    QLabel *m_type;
    QLabel *m_where;
    QComboBox *m_sizes;
    QComboBox *m_sources;
    QRadioButton *m_portrait;
    QRadioButton *m_landscape;
    QList<QPageSize> m_pageSizes;
};

} // namespace tolvan::printing
