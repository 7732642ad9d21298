#pragma once

#include "help/infowindow.h"

namespace tolvan::help {

// The quick-help window: a panel of short hints on the editor's less obvious commands.
class TfrmQuickHelp : public InfoWindow
{
    Q_OBJECT
public:
    explicit TfrmQuickHelp(QWidget *parent = nullptr);
};

} // namespace tolvan::help
