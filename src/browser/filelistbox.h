#pragma once

#include <QListWidget>
#include <QPointer>

class QLineEdit;

namespace tolvan::browser {

// The file list: the plain files of one directory that match the mask, in name order, each with
// a program or page glyph. Selecting a file puts its name into the linked file-name box.
//
// The list reads its directory only once it has been shown (before that, setting the directory
// or the mask just records it), so the main window can set everything up before any folder is
// read. A failed reading raised while being shown cannot be thrown out of Qt's event handler and
// is reported through errorRaised() instead; every other failure is thrown as platform::Error.
class TFileListBox : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int glyphHeight = 15;
    // Item data: true for entries drawn with the program glyph.
    static constexpr int ExecutableRole = Qt::UserRole + 1;

    explicit TFileListBox(QWidget *parent = nullptr);

    QString directory() const { return m_directory; }
    // Enters the path and reads it; throws when it cannot be entered, leaving the list as it was.
    void setDirectory(const QString &path);

    QString mask() const { return m_mask; }
    // Patterns split at ";"; reads the directory again when the mask changes.
    void setMask(const QString &mask);

    // Reads the directory again (after a save, say). Named so as not to hide QWidget::update().
    void Update();
    // Redraws the rows without reading the directory.
    void Repaint();

    QLineEdit *fileEdit() const;
    void setFileEdit(QLineEdit *edit);

    // The selected file's name, or empty.
    QString selectedName() const;
    // The selected file's full path, or empty.
    QString fileName() const;

    bool showGlyphs() const { return m_showGlyphs; }
    void setShowGlyphs(bool show);

    int itemHeight() const { return m_itemHeight; }
    void setItemHeight(int height);

Q_SIGNALS:
    // After each update of the file-name box (after a reading and after a new selection).
    void changed();
    // A failure while handling an event, with the message for the error box.
    void errorRaised(const QString &message);
    // A double-click anywhere in the list, on an entry or not (after the click has selected).
    void dblClick();

protected:
    void showEvent(QShowEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void read();
    void afterChange();
    void onSelectionChanged();
    int selectedRow() const;

    QString m_directory;
    QString m_mask = QStringLiteral("*.*");
    QPointer<QLineEdit> m_fileEdit;
    bool m_showGlyphs = false;
    bool m_hasWindow = false;
    bool m_reading = false;
    int m_itemHeight = 16;
    int m_lastReported = -1;
};

} // namespace tolvan::browser
