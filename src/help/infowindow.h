#pragma once

#include <QDialog>
#include <QPoint>
#include <QRgb>
#include <QSize>

#include <optional>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace tolvan::help {

// Ink colours the information windows use for their labels.
inline constexpr QRgb navy = qRgb(0, 0, 128);
inline constexpr QRgb red = qRgb(255, 0, 0);
inline constexpr QRgb green = qRgb(0, 128, 0);
inline constexpr QRgb blue = qRgb(0, 0, 255);

// One label as the window design draws it. Positions are relative to the label's panel.
struct LabelDesign
{
    const char *name;
    int left, top, width, height;
    std::optional<QRgb> ink; // none: the palette's window text
    int charHeight;          // 0: the window's own font
    bool wraps;              // a fixed box with centred lines instead of one growing line
    const char *text;
};

// Where a window of the given outer size goes to sit in the middle of a screen: halves
// rounded toward zero, never past the screen's left or top edge.
QPoint centredTopLeft(QSize screen, QSize window);

// A fixed frame that holds information and one OK button: the user can neither resize nor
// close it except through that button (or Enter, which presses it; Escape does nothing). The
// main window makes each one once and shows it modally as often as asked.
class InfoWindow : public QDialog
{
    Q_OBJECT
public:
    // Shows the window modally and returns its result (1 for OK). The first showing centres
    // it on the primary screen; after that it opens where the user last left it.
    int showModal();

    // OK is the only way out, so a close the window system asks for closes the window as OK.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

    InfoWindow(const QString &objectName, const QString &caption, QSize client, int charHeight,
               QWidget *parent);

    QPushButton *addOkButton(QPoint at);
    QFrame *addPanel(const char *name, const QRect &geometry, int frameStyle);
    static QLabel *addLabel(QWidget *panel, const LabelDesign &design);
    static QLabel *addImage(QWidget *panel, const char *name, const QRect &geometry,
                            const char *picture);

private:
    // The window's size with its title bar and borders, as far as the platform knows them.
    QSize outerSize();

    bool m_placed = false;
};

} // namespace tolvan::help
