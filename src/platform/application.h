#pragma once

#include <QString>

namespace tolvan::platform {

// Values held by the application object and shared by every window: the title used by the
// simple message and the error box, and the name of the external help file.
class Application
{
public:
    static QString title();
    static void setTitle(const QString &title);
    static QString helpFile();
    static void setHelpFile(const QString &name);
};

} // namespace tolvan::platform
