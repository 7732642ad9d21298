#include "common/hermetic.h"
#include "faketarget.h"
#include "platform/application.h"
#include "settings/settings.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <exception>

QObject *makeProfileTest();
QObject *makeSettingsTest();

namespace {

// The writer that the crash test kills: saves the two states in turn, forever, and says so
// after each complete save.
int saveLoop()
{
    for (int variant = 1;; variant = 1 - variant) {
        tolvan::platform::Application::setHelpFile(tolvan::test::savedHelpFile(variant));
        tolvan::settings::SaveSettings(tolvan::test::savedState(variant));
        std::fputs("saved\n", stdout);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsSet("TOLVAN_TEST_SAVE_LOOP"))
        return saveLoop();
    tolvan::test::hermeticHome();
    QApplication app(argc, argv);
    return tolvan::test::runTests({makeProfileTest(), makeSettingsTest()}, argc, argv);
}
