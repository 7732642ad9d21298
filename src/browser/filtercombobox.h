#pragma once

#include "masks.h"

#include <QComboBox>
#include <QPointer>

namespace tolvan::browser {

class TFileListBox;

// The filter list: the descriptions of a filter text ("HTML Files (*.html)|*.htm|..."); the
// chosen entry's mask becomes the linked file list's mask.
//
// A pick reads the file list again, inside Qt's event handler; a failure there goes out through
// errorRaised() instead of being thrown.
class TFilterComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TFilterComboBox(QWidget *parent = nullptr);

    QString filter() const { return m_filter; }
    // Rebuilds the entries when the text differs ignoring case, selects the first and gives
    // its mask to the file list (which may throw when reading).
    void setFilter(const QString &text);

    // The selected entry's mask; the last entry's when none is selected; "*.*" with no entries.
    QString mask() const;

    TFileListBox *fileList() const;
    void setFileList(TFileListBox *list);

Q_SIGNALS:
    void changed();
    void errorRaised(const QString &message);

private:
    void applyMask();
    void onActivated(int index);

    QString m_filter;
    QList<FilterEntry> m_entries;
    QPointer<TFileListBox> m_fileList;
};

} // namespace tolvan::browser
