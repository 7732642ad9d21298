#include "filtercombobox.h"

#include "filelistbox.h"

#include "platform/error.h"

namespace tolvan::browser {

TFilterComboBox::TFilterComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    connect(this, &QComboBox::activated, this, &TFilterComboBox::onActivated);
}

TFileListBox *TFilterComboBox::fileList() const
{
    return m_fileList;
}

void TFilterComboBox::setFileList(TFileListBox *list)
{
    m_fileList = list;
}

void TFilterComboBox::setFilter(const QString &text)
{
    if (text.compare(m_filter, Qt::CaseInsensitive) == 0)
        return;
    m_filter = text;
    m_entries = parseFilter(text);
    {
        const QSignalBlocker quiet(this);
        clear();
        for (const FilterEntry &entry : std::as_const(m_entries))
            addItem(entry.description);
        setCurrentIndex(m_entries.isEmpty() ? -1 : 0);
    }
    applyMask();
}

QString TFilterComboBox::mask() const
{
    if (m_entries.isEmpty())
        return QStringLiteral("*.*");
    const int index = currentIndex();
    return m_entries.at(index >= 0 ? index : int(m_entries.size()) - 1).mask;
}

void TFilterComboBox::applyMask()
{
    if (m_fileList)
        m_fileList->setMask(mask());
    emit changed();
}

void TFilterComboBox::onActivated(int)
{
    try {
        applyMask();
    } catch (const platform::Error &e) {
        emit errorRaised(e.message());
    } catch (const std::exception &e) {
        emit errorRaised(QString::fromLocal8Bit(e.what()));
    }
}

} // namespace tolvan::browser
