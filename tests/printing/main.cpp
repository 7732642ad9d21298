#include "common/hermetic.h"
#include "platform/fonts.h"
#include "privatecups.h"

#include <QApplication>
#include <QTest>

// The layout rules and the commands on a real printer run in one program.
QObject *makePageLayoutTest();
QObject *makePrintCommandsTest(tolvan::test::PrivateCups &cups);

int main(int argc, char **argv)
{
    tolvan::test::hermeticHome();
    // Before the application: the printing system takes its server from the environment once.
    tolvan::test::PrivateCups cups;
    QApplication app(argc, argv);
    tolvan::platform::installFontSubstitutes();
    return tolvan::test::runTests({makePageLayoutTest(), makePrintCommandsTest(cups)}, argc, argv);
}
