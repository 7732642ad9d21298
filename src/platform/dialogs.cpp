#include "dialogs.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace tolvan::platform {

void placeStandardDialog(QWidget *dialog)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    dialog->adjustSize();
    const QRect area = screen->geometry();
    const QSize size = dialog->frameGeometry().size();
    dialog->move(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 3);
}

void presentModeless(QWidget *dialog, bool &placed)
{
    if (!placed) {
        placeStandardDialog(dialog);
        placed = true;
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace tolvan::platform
