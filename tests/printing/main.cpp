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
    int failures = 0;
    for (QObject *test : {makePageLayoutTest(), makePrintCommandsTest(cups)}) {
        failures += QTest::qExec(test, argc, argv);
        delete test;
    }
    return failures;
}
