#pragma once

#include "help/infowindow.h"

namespace tolvan::help {

// The about window: the program's name and version, who makes it, and where to read about
// HTML itself.
class TAboutBox : public InfoWindow
{
    Q_OBJECT
public:
    explicit TAboutBox(QWidget *parent = nullptr);
};

} // namespace tolvan::help
