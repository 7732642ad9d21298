// Program entry: the application values, the main window, then the two information windows
// (created hidden), and the input loop. Destroying the main window at the end runs FormDestroy.

#include "help/aboutbox.h"
#include "help/quickhelp.h"
#include "mainform.h"
#include "platform/application.h"
#include "platform/fonts.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvan"));
    tolvan::platform::installFontSubstitutes();
    // The toolkit's default font, used by the message boxes.
    QApplication::setFont(tolvan::platform::designFont(QStringLiteral("MS Sans Serif"), 11));

    tolvan::platform::Application::setTitle(QStringLiteral("Tolvan v1.0"));
    tolvan::platform::Application::setHelpFile(QStringLiteral("RAVUZU95.HLP"));

    tolvan::app::TMainForm mainForm;
    auto *aboutBox = new tolvan::help::TAboutBox(&mainForm);
    auto *quickHelp = new tolvan::help::TfrmQuickHelp(&mainForm);
    mainForm.setInformationWindows(aboutBox, quickHelp);

    mainForm.show();
    return QApplication::exec();
}
