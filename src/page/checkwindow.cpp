#include "checkwindow.h"

#include "app/guard.h"
#include "platform/dialogs.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tolvan::page {

void moveCaret(QPlainTextEdit &editor, int line, int column)
{
    const QTextDocument *doc = editor.document();
    QTextBlock block = doc->findBlockByNumber(std::max(line, 1) - 1);
    if (!block.isValid())
        block = doc->lastBlock();
    QTextCursor cursor(block);
    cursor.setPosition(block.position() + columnOffset(block.text(), column));
    editor.setTextCursor(cursor);
    editor.centerCursor();
    editor.activateWindow();
    editor.setFocus(Qt::OtherFocusReason);
}

MarkupCheckWindow::MarkupCheckWindow(QPlainTextEdit &editor, QWidget *parent)
    : QDialog(parent), m_editor(editor)
{
    setObjectName(QStringLiteral("MarkupCheckDlg"));
    setWindowTitle(QStringLiteral("Check Markup"));
    setModal(false);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("MarkupSummary"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("MarkupList"));
    m_list->setHeaderLabels(
        {QStringLiteral("Line"), QStringLiteral("Column"), QStringLiteral("Message")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true); // keeps a list of thousands quick
    m_list->setAllColumnsShowFocus(true);
    m_summary->setBuddy(m_list);

    // Enter belongs to the list: the Close button must not take it as the default button.
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *close = buttons->button(QDialogButtonBox::Close);
    close->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);

    // A double-click, or Enter on the current row.
    connect(m_list, &QTreeWidget::activated, this,
            [this](const QModelIndex &index) { app::guarded([&] { goTo(index.row()); }); });
}

void MarkupCheckWindow::present(const std::vector<MarkupMessage> &messages)
{
    m_messages = messages;
    m_list->clear();
    QList<QTreeWidgetItem *> rows;
    rows.reserve(qsizetype(messages.size()));
    for (const MarkupMessage &message : messages) {
        auto *row = new QTreeWidgetItem;
        row->setText(0, message.line > 0 ? QString::number(message.line) : QString());
        row->setText(1, message.column > 0 ? QString::number(message.column) : QString());
        row->setText(2, message.text);
        row->setToolTip(2, message.text);
        row->setTextAlignment(0, Qt::AlignRight);
        row->setTextAlignment(1, Qt::AlignRight);
        rows.append(row);
    }
    m_list->addTopLevelItems(rows);
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1);
    if (messages.empty())
        m_summary->setText(QStringLiteral("No problems were found in the markup."));
    else if (messages.size() == 1)
        m_summary->setText(QStringLiteral("1 problem was found in the markup:"));
    else
        m_summary->setText(
            QStringLiteral("%1 problems were found in the markup:").arg(messages.size()));

    platform::presentModeless(this, m_placed);
    if (!rows.isEmpty())
        m_list->setCurrentItem(rows.first());
    m_list->setFocus(Qt::OtherFocusReason);
}

void MarkupCheckWindow::goTo(int row)
{
    if (row < 0 || size_t(row) >= m_messages.size())
        return;
    const MarkupMessage &message = m_messages[size_t(row)];
    moveCaret(m_editor, message.line, message.column);
}

} // namespace tolvan::page
