#pragma once

class QWidget;

namespace tolvan::platform {

// Standard dialogs open horizontally centred on the screen with their top at one third of the
// free height.
void placeStandardDialog(QWidget *dialog);

// Shows a modeless dialog raised and active: at the standard place the first time (placed is
// set then), afterwards where the person last left it.
void presentModeless(QWidget *dialog, bool &placed);

} // namespace tolvan::platform
