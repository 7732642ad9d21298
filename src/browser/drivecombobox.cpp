#include "drivecombobox.h"

#include "directorylistbox.h"
#include "drives.h"
#include "paths.h"
#include "rowpainter.h"

#include "platform/error.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>

namespace tolvan::browser {

namespace {

RowLayout driveRowLayout(DriveKind kind)
{
    RowLayout layout;
    layout.glyph = &cachedGlyph(glyphName(kind));
    layout.glyphX = 2;
    layout.textX = (layout.glyph->isNull() ? 16 : layout.glyph->width()) + 6;
    layout.centreText = true;
    return layout;
}

class DriveRowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const auto kind = static_cast<DriveKind>(index.data(TDriveComboBox::KindRole).toInt());
        paintRow(painter, option, index.data().toString(), driveRowLayout(kind));
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        const int width = option.fontMetrics.horizontalAdvance(index.data().toString()) + 16 + 8;
        return {width, std::max(option.fontMetrics.height(), TDriveComboBox::glyphHeight)};
    }
};

} // namespace

TDriveComboBox::TDriveComboBox(QWidget *parent)
    : QComboBox(parent),
      m_drive(driveFor(currentDirectoryOr(QStringLiteral("/")), currentDrives()).root)
{
    setEditable(false);
    setItemDelegate(new DriveRowDelegate(this));
    connect(this, &QComboBox::activated, this, &TDriveComboBox::onActivated);
    listDrives();
}

void TDriveComboBox::setDrive(const QString &root)
{
    if (currentIndex() >= 0 && root == m_drive)
        return;
    m_drive = root;
    const int index = findData(root, RootRole);
    if (index >= 0)
        setCurrentIndex(index);
    if (m_dirList)
        m_dirList->driveChange(m_drive);
    emit changed();
}

TDirectoryListBox *TDriveComboBox::dirList() const
{
    return m_dirList;
}

void TDriveComboBox::setDirList(TDirectoryListBox *list)
{
    if (m_dirList == list)
        return;
    m_dirList = list;
    if (!list)
        return;
    if (list->driveCombo() != this)
        list->setDriveCombo(this);
    setDrive(list->driveRoot());
}

void TDriveComboBox::listDrives()
{
    {
        const QSignalBlocker quiet(this);
        clear();
        for (const DriveEntry &drive : currentDrives()) {
            addItem(drive.text);
            setItemData(count() - 1, drive.root, RootRole);
            setItemData(count() - 1, static_cast<int>(drive.kind), KindRole);
        }
        setCurrentIndex(-1);
    }
    try {
        setDrive(m_dirList ? m_dirList->driveRoot() : m_drive);
    } catch (const platform::Error &e) {
        emit errorRaised(e.message());
    }
}

void TDriveComboBox::paintEvent(QPaintEvent *)
{
    // The closed box shows the selected entry drawn as the open list draws it.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0)
        return;
    QStyleOptionViewItem row;
    row.initFrom(this);
    row.rect =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    row.font = font();
    if (hasFocus() && !view()->isVisible())
        row.state |= QStyle::State_Selected | QStyle::State_HasFocus;
    else
        row.state &= ~QStyle::State_HasFocus;
    const auto kind = static_cast<DriveKind>(itemData(currentIndex(), KindRole).toInt());
    paintRow(&painter, row, currentText(), driveRowLayout(kind));
}

void TDriveComboBox::changeEvent(QEvent *event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        listDrives();
}

void TDriveComboBox::onActivated(int index)
{
    try {
        setDrive(itemData(index, RootRole).toString());
    } catch (const platform::Error &e) {
        emit errorRaised(e.message());
    } catch (const std::exception &e) {
        emit errorRaised(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace tolvan::browser
