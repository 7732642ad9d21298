// Program entry: the application values, the main window, then the two information windows
// (created hidden, once the main window is shown), and the input loop. Destroying the main
// window at the end runs FormDestroy.

#include "commandline.h"
#include "document/documents.h"
#include "guard.h"
#include "help/aboutbox.h"
#include "help/quickhelp.h"
#include "mainform.h"
#include "platform/application.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <future>

namespace {
QStringList rawArguments(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

int answerWithoutWindow(const tolvan::app::CommandLine &line)
{
    using Action = tolvan::app::CommandLine::Action;
    if (line.action == Action::Help) {
        std::fputs(tolvan::app::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (line.action == Action::Version) {
        std::fputs(tolvan::app::versionText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    std::fprintf(stderr, "tolvan: %s\nTry 'tolvan --help' for more information.\n",
                 line.error.toLocal8Bit().constData());
    return 2;
}
} // namespace

int main(int argc, char *argv[])
{
    using Action = tolvan::app::CommandLine::Action;
    // Help, version and mistakes are answered before any window, so without a display too.
    const auto line = tolvan::app::parseCommandLine(rawArguments(argc, argv));
    if (line.action != Action::Run)
        return answerWithoutWindow(line);

    // A page named on the command line is read and decoded on another thread while the
    // toolkit starts and the window is built: on a large page that is most of the waiting.
    const QString path = line.file.isEmpty() ? QString() : QFileInfo(line.file).absoluteFilePath();
    std::shared_future<tolvan::document::PreparedPage> early;
    if (!path.isEmpty())
        early = std::async(std::launch::async, tolvan::document::preparePage, path).share();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvan"));
    QApplication::setApplicationVersion(QStringLiteral("1.61"));
    QApplication::setDesktopFileName(QStringLiteral("tolvan"));

    tolvan::platform::installFontSubstitutes();
    // The toolkit's default font, used by the message boxes.
    QApplication::setFont(tolvan::platform::designFont(QStringLiteral("MS Sans Serif"), 11));

    tolvan::platform::Application::setTitle(QStringLiteral("Tolvan v1.0"));
    tolvan::platform::Application::setHelpFile(QStringLiteral("RAVUZU95.HLP"));

    tolvan::app::TMainForm mainForm;
    mainForm.show();
    // Made only once the main window is on the screen, which need not wait for them: they are
    // hidden, and nothing can ask for them before the input loop runs.
    auto *aboutBox = new tolvan::help::TAboutBox(&mainForm);
    auto *quickHelp = new tolvan::help::TfrmQuickHelp(&mainForm);
    mainForm.setInformationWindows(aboutBox, quickHelp);

    // Once the window is up: work left unsaved by a crash is offered back, then a file named on
    // the command line opens as a double-click in the file list would open it (its path made
    // absolute, since the working directory follows the side panel).
    QTimer::singleShot(0, &mainForm, [&mainForm, path, &early] {
        tolvan::app::guarded([&] { mainForm.startWith(path, [&] { return early.get(); }); });
        // The editor holds the page now; the text read for it would otherwise stay with the
        // future as long as the program runs (on a 10 MB page, 20 MB).
        early = {};
    });
    return QApplication::exec();
}
