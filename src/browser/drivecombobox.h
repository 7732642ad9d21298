#pragma once

#include <QComboBox>
#include <QPointer>

namespace tolvan::browser {

class TDirectoryListBox;

// The drive list: one entry per browsable mounted file system, each a glyph and a lower-case
// text. Picking an entry moves the linked directory list to that drive; the directory list in
// turn keeps this list on the drive it moved to.
//
// Drives are listed when the list is made and on a font change, not while it runs. A pick
// that fails arrives inside Qt's event handler, so its error goes out through errorRaised()
// (for the main window's error box) instead of being thrown; the picked entry stays selected
// and the directory list stays where it was.
class TDriveComboBox : public QComboBox
{
    Q_OBJECT
public:
    static constexpr int RootRole = Qt::UserRole + 1;
    static constexpr int KindRole = Qt::UserRole + 2;
    static constexpr int glyphHeight = 11;

    explicit TDriveComboBox(QWidget *parent = nullptr);

    // The root path of the selected drive.
    QString drive() const { return m_drive; }
    // Selects the drive with this root and moves the directory list there; throws when the
    // directory list cannot enter it (the new entry stays selected).
    void setDrive(const QString &root);

    TDirectoryListBox *dirList() const;
    void setDirList(TDirectoryListBox *list);

    // Reads the mounted file systems again and selects the directory list's drive.
    void listDrives();

Q_SIGNALS:
    void changed();
    void errorRaised(const QString &message);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void onActivated(int index);

    QString m_drive;
    QPointer<TDirectoryListBox> m_dirList;
};

} // namespace tolvan::browser
