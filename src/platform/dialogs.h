#pragma once

class QWidget;

namespace tolvan::platform {

// Standard dialogs open horizontally centred on the screen with their top at one third of the
// free height.
void placeStandardDialog(QWidget *dialog);

} // namespace tolvan::platform
