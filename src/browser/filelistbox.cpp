#include "filelistbox.h"

#include "drives.h"
#include "masks.h"
#include "paths.h"
#include "rowpainter.h"

#include "platform/error.h"

#include <QApplication>
#include <QCollator>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStyledItemDelegate>

namespace tolvan::browser {

namespace {

class FileRowDelegate : public QStyledItemDelegate
{
public:
    explicit FileRowDelegate(TFileListBox *list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        RowLayout layout;
        layout.textX = 2;
        if (m_list->showGlyphs()) {
            layout.glyph = &cachedGlyph(index.data(TFileListBox::ExecutableRole).toBool()
                                            ? QStringLiteral("executable")
                                            : QStringLiteral("unknownfile"));
            layout.glyphX = 2;
            layout.textX = layout.glyph->width() + 6;
        }
        paintRow(painter, option, index.data().toString(), layout);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), m_list->itemHeight()};
    }

private:
    TFileListBox *m_list;
};

// Shows the busy pointer from when it is first asked for until the reading ends, also when
// the reading ends with an error.
class BusyPointer
{
public:
    BusyPointer() = default;
    ~BusyPointer()
    {
        if (m_shown)
            QApplication::restoreOverrideCursor();
    }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;
    void show()
    {
        if (!m_shown)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        m_shown = true;
    }

private:
    bool m_shown = false;
};

// Past this many entries above the insertion point a reading counts as long.
constexpr int busyPosition = 100;

} // namespace

TFileListBox::TFileListBox(QWidget *parent)
    : QListWidget(parent), m_directory(currentDirectoryOr(QStringLiteral("/")))
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new FileRowDelegate(this));
    connect(this, &QListWidget::itemSelectionChanged, this, &TFileListBox::onSelectionChanged);
}

void TFileListBox::setDirectory(const QString &path)
{
    const bool caseSensitive = driveFor(path, currentDrives()).caseFlags.caseSensitive;
    if (samePath(path, m_directory, caseSensitive))
        return;
    // The directory list hands over absolute paths; only a relative one needs the old folder.
    if (!path.startsWith(u'/'))
        changeDirectory(m_directory);
    changeDirectory(path);
    m_directory = currentDirectory();
    read();
}

void TFileListBox::setMask(const QString &mask)
{
    if (mask == m_mask)
        return;
    m_mask = mask;
    read();
}

void TFileListBox::Update()
{
    read();
}

void TFileListBox::Repaint()
{
    viewport()->update();
}

QLineEdit *TFileListBox::fileEdit() const
{
    return m_fileEdit;
}

void TFileListBox::setFileEdit(QLineEdit *edit)
{
    m_fileEdit = edit;
    if (m_fileEdit) {
        const QString name = selectedName();
        m_fileEdit->setText(name.isEmpty() ? m_mask : name);
    }
}

QString TFileListBox::selectedName() const
{
    const int row = selectedRow();
    return row < 0 ? QString() : item(row)->text();
}

QString TFileListBox::fileName() const
{
    const QString name = selectedName();
    return name.isEmpty() ? QString() : joinPath(m_directory, name);
}

void TFileListBox::setShowGlyphs(bool show)
{
    if (show == m_showGlyphs)
        return;
    m_showGlyphs = show;
    if (m_showGlyphs && m_itemHeight < glyphHeight + 1)
        setItemHeight(std::max(fontMetrics().height(), glyphHeight + 1));
    viewport()->update();
}

void TFileListBox::setItemHeight(int height)
{
    if (height <= 0 || height == m_itemHeight)
        return;
    m_itemHeight = height;
    scheduleDelayedItemsLayout();
}

void TFileListBox::showEvent(QShowEvent *event)
{
    QListWidget::showEvent(event);
    if (m_hasWindow)
        return;
    m_hasWindow = true;
    try {
        read();
    } catch (const platform::Error &e) {
        emit errorRaised(e.message());
    }
}

void TFileListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListWidget::mouseDoubleClickEvent(event);
    // Also below the entries and in an empty list: the name typed in the box is loaded then.
    emit dblClick();
}

void TFileListBox::changeEvent(QEvent *event)
{
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        setItemHeight(std::max(fontMetrics().height(), m_showGlyphs ? glyphHeight + 1 : 0));
}

void TFileListBox::read()
{
    if (!m_hasWindow)
        return;
    changeDirectory(m_directory);

    {
        // Clearing and inserting change the selection; that is no user selection to report.
        m_reading = true;
        const auto done = qScopeGuard([this] { m_reading = false; });
        clear();
        BusyPointer busy;
        const QCollator collator = nameCollator();
        // Each pattern is read on its own, so a file that two patterns match is listed twice.
        // Each pattern's sorted names are merged into the names so far in one pass, each after
        // any equal names, which is the order inserting them one by one would give; the rows are
        // then appended in that order, so no row is ever inserted into the middle of the list
        // (which costs a move of every row below it, and made a big folder quadratic).
        // The pointer turns busy where inserting a name one by one would put it at busyPosition,
        // and stays so for the rest of the reading. Into an empty list a pattern's names go in
        // name order, so the one that lands there is its 101st: found while the folder is still
        // being read, which is the slow part the pointer is for.
        QStringList names;
        for (const QString &pattern : maskPatterns(m_mask)) {
            const bool intoEmpty = names.isEmpty();
            const QStringList found = listFiles(m_directory, pattern, [&](qsizetype count) {
                if (intoEmpty && count == busyPosition + 1)
                    busy.show();
            });
            if (found.isEmpty())
                continue;
            QStringList merged;
            merged.reserve(names.size() + found.size());
            qsizetype taken = 0;
            for (const QString &name : found) {
                while (taken < names.size() && !nameLess(collator, name, names.at(taken)))
                    merged.append(names.at(taken++));
                // Where inserting this name into the list as it then stood would have put it.
                if (merged.size() == busyPosition)
                    busy.show();
                merged.append(name);
            }
            while (taken < names.size())
                merged.append(names.at(taken++));
            names = std::move(merged);
        }
        for (qsizetype row = 0; row < names.size(); ++row) {
            auto *entry = new QListWidgetItem(names.at(row));
            entry->setData(TFileListBox::ExecutableRole, isExecutableName(names.at(row)));
            insertItem(int(row), entry);
        }
    }
    afterChange();
}

int TFileListBox::selectedRow() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void TFileListBox::onSelectionChanged()
{
    // A click on the entry already reported leaves whatever the user typed in the box.
    if (!m_reading && selectedRow() != m_lastReported)
        afterChange();
}

void TFileListBox::afterChange()
{
    m_lastReported = selectedRow();
    if (m_fileEdit) {
        const QString name = selectedName();
        m_fileEdit->setText(name.isEmpty() ? m_mask : name);
        m_fileEdit->selectAll();
    }
    emit changed();
}

} // namespace tolvan::browser
