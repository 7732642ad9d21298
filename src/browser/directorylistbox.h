#pragma once

#include "drives.h"

#include <QHash>
#include <QListWidget>
#include <QPointer>

namespace tolvan::browser {

class TDriveComboBox;
class TFileListBox;

// The directory list: the current directory as a short tree (drive root, ancestors, the
// directory itself, its subdirectories). A click only highlights a row; a double-click or Enter
// opens it. Every completed change leaves the process's working directory at directory().
//
// setDirectory() and driveChange() throw platform::Error when a folder cannot be entered.
// Opening a row happens inside Qt's event handlers, which no exception may leave: there the
// error is caught and reported through errorRaised(), which the main window shows in its error
// box; nothing else changes.
class TDirectoryListBox : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int glyphHeight = 15;
    static constexpr int PathRole = Qt::UserRole + 1;
    static constexpr int KindRole = Qt::UserRole + 2;

    explicit TDirectoryListBox(QWidget *parent = nullptr);

    // Never empty; the absolute path as the system reports it after entering it.
    QString directory() const { return m_directory; }
    // Moves to a path, absolute or relative to the current directory; a last part naming a
    // file or holding a wildcard means the folder that holds it; empty changes nothing. On
    // failure throws and leaves the rows, the file list and the working directory as they were.
    void setDirectory(const QString &path);

    // The root of the drive the directory lies on.
    QString driveRoot() const;
    // Moves to another drive: the directory last shown on it in this run, else its root.
    void driveChange(const QString &root);

    // Opens the highlighted row, as a double-click or Enter does, but throws on failure.
    void openCurrentRow();

    TFileListBox *fileList() const;
    void setFileList(TFileListBox *list);
    TDriveComboBox *driveCombo() const;
    void setDriveCombo(TDriveComboBox *combo);

    CaseFlags caseFlags() const { return m_caseFlags; }
    int currentDirectoryRow() const { return m_currentRow; }
    // Where a row's glyph stands from the left edge; its text follows 20 pixels further.
    int indentOf(int row) const;

    int itemHeight() const { return m_itemHeight; }
    void setItemHeight(int height);

Q_SIGNALS:
    void directoryChanged(const QString &directory);
    void errorRaised(const QString &message);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void rebuild();
    void afterChange();
    void openFromUser();

    QString m_directory;
    CaseFlags m_caseFlags;
    int m_currentRow = 0;
    int m_itemHeight = 16;
    bool m_inSetDirectory = false;
    QHash<QString, QString> m_lastOnDrive; // drive root -> directory last shown on it
    QPointer<TFileListBox> m_fileList;
    QPointer<TDriveComboBox> m_driveCombo;
};

} // namespace tolvan::browser
