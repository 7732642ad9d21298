#include "directorylistbox.h"

#include "drivecombobox.h"
#include "filelistbox.h"
#include "paths.h"
#include "rowpainter.h"

#include "platform/error.h"

#include <QKeyEvent>
#include <QScopeGuard>
#include <QStyledItemDelegate>

namespace tolvan::browser {

namespace {

class DirectoryRowDelegate : public QStyledItemDelegate
{
public:
    explicit DirectoryRowDelegate(TDirectoryListBox *list) : QStyledItemDelegate(list), m_list(list)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const auto kind = static_cast<RowKind>(index.data(TDirectoryListBox::KindRole).toInt());
        const QPixmap &glyph =
            cachedGlyph(kind == RowKind::Ancestor  ? QStringLiteral("openfolder")
                        : kind == RowKind::Current ? QStringLiteral("currentfolder")
                                                   : QStringLiteral("closedfolder"));
        RowLayout layout;
        layout.glyph = &glyph;
        layout.glyphX = m_list->indentOf(index.row());
        layout.textX = (glyph.isNull() ? 16 : glyph.width()) + layout.glyphX + 4;
        const CaseFlags flags = m_list->caseFlags();
        QString text = index.data().toString();
        if (!flags.caseSensitive && !flags.preservesCase)
            text = text.toLower();
        paintRow(painter, option, text, layout);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width() +
                    m_list->indentOf(index.row()) + 20,
                m_list->itemHeight()};
    }

private:
    TDirectoryListBox *m_list;
};

} // namespace

TDirectoryListBox::TDirectoryListBox(QWidget *parent)
    : QListWidget(parent), m_directory(currentDirectoryOr(QStringLiteral("/")))
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setItemDelegate(new DirectoryRowDelegate(this));
    // Opening is ours alone: double-click and Enter, never an editor.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_lastOnDrive.insert(driveRoot(), m_directory);
    rebuild();
}

QString TDirectoryListBox::driveRoot() const
{
    return driveFor(m_directory, currentDrives()).root;
}

void TDirectoryListBox::setDirectory(const QString &path)
{
    if (path.isEmpty() || samePath(path, m_directory, m_caseFlags.caseSensitive))
        return;
    const QString target = resolveDirectory(path);
    changeDirectory(target);
    QString entered;
    // Should the folder vanish between entering it and reading it back, go back where we were.
    try {
        entered = currentDirectory();
    } catch (const platform::Error &) {
        try {
            changeDirectory(m_directory);
        } catch (const platform::Error &) {
        }
        throw;
    }
    const QList<DriveEntry> drives = currentDrives();
    const QString oldDrive = driveFor(m_directory, drives).root;
    m_directory = entered;
    const QString newDrive = driveFor(m_directory, drives).root;
    m_lastOnDrive.insert(newDrive, m_directory);
    if (newDrive != oldDrive && m_driveCombo) {
        // Keeps the drive list in step without it moving this list a second time.
        m_inSetDirectory = true;
        const auto lower = qScopeGuard([this] { m_inSetDirectory = false; });
        m_driveCombo->setDrive(newDrive);
    }
    rebuild();
    afterChange();
}

void TDirectoryListBox::driveChange(const QString &root)
{
    // Inside setDirectory() the target is already resolved and entered right afterwards.
    if (m_inSetDirectory || root == driveRoot())
        return;
    const QString last = m_lastOnDrive.value(root);
    bool entered = false;
    if (!last.isEmpty() && last != root) {
        try {
            changeDirectory(last);
            entered = true;
        } catch (const platform::Error &) {
            // The folder has gone since; the drive's root is the next best place.
            m_lastOnDrive.remove(root);
        }
    }
    if (!entered)
        changeDirectory(root);
    m_directory = currentDirectory();
    rebuild();
    afterChange();
}

void TDirectoryListBox::openCurrentRow()
{
    const QListWidgetItem *row = currentItem();
    if (row)
        setDirectory(row->data(PathRole).toString());
}

TFileListBox *TDirectoryListBox::fileList() const
{
    return m_fileList;
}

TDriveComboBox *TDirectoryListBox::driveCombo() const
{
    return m_driveCombo;
}

void TDirectoryListBox::setFileList(TFileListBox *list)
{
    m_fileList = list;
}

void TDirectoryListBox::setDriveCombo(TDriveComboBox *combo)
{
    if (m_driveCombo == combo)
        return;
    m_driveCombo = combo;
    if (combo && combo->dirList() != this)
        combo->setDirList(this);
}

int TDirectoryListBox::indentOf(int row) const
{
    const QListWidgetItem *entry = item(row);
    if (!entry)
        return 0;
    return treeIndent(static_cast<RowKind>(entry->data(KindRole).toInt()), row, m_currentRow);
}

void TDirectoryListBox::setItemHeight(int height)
{
    if (height <= 0 || height == m_itemHeight)
        return;
    m_itemHeight = height;
    scheduleDelayedItemsLayout();
}

void TDirectoryListBox::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        openFromUser();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void TDirectoryListBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    QListWidget::mouseDoubleClickEvent(event);
    openFromUser();
}

void TDirectoryListBox::changeEvent(QEvent *event)
{
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        setItemHeight(std::max(fontMetrics().height(), glyphHeight + 1));
}

void TDirectoryListBox::rebuild()
{
    const DriveEntry drive = driveFor(m_directory, currentDrives());
    m_caseFlags = drive.caseFlags;
    setUpdatesEnabled(false);
    clear();
    const auto add = [this](const QString &text, const QString &path, RowKind kind) {
        auto *row = new QListWidgetItem(text, this);
        row->setData(PathRole, path);
        row->setData(KindRole, static_cast<int>(kind));
    };
    const QList<TreeRow> tree = directoryTree(m_directory, drive.root);
    for (const TreeRow &row : tree)
        add(row.text, row.path, row.kind);
    m_currentRow = int(tree.size()) - 1;
    for (const QString &name : listSubdirectories(m_directory))
        add(name, joinPath(m_directory, name), RowKind::Subdirectory);
    setUpdatesEnabled(true);
    setCurrentRow(m_currentRow);
}

void TDirectoryListBox::afterChange()
{
    if (m_fileList)
        m_fileList->setDirectory(m_directory);
    emit directoryChanged(m_directory);
}

void TDirectoryListBox::openFromUser()
{
    try {
        openCurrentRow();
    } catch (const platform::Error &e) {
        emit errorRaised(e.message());
    } catch (const std::exception &e) {
        emit errorRaised(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace tolvan::browser
