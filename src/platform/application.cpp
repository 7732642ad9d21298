#include "application.h"

namespace tolvan::platform {

// Not QGuiApplication::applicationDisplayName: on X11 Qt appends that to every window title.
namespace {
QString &titleValue()
{
    static QString title;
    return title;
}
QString &helpFileValue()
{
    static QString name;
    return name;
}
} // namespace

QString Application::title()
{
    return titleValue();
}

void Application::setTitle(const QString &title)
{
    titleValue() = title;
}

QString Application::helpFile()
{
    return helpFileValue();
}

void Application::setHelpFile(const QString &name)
{
    helpFileValue() = name;
}

} // namespace tolvan::platform
