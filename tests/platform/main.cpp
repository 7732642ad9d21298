#include "common/hermetic.h"

#include <QApplication>
#include <QTest>

// Both test classes run in one program.
QObject *makeEditControlTest();
QObject *makeShortcutsTest();

int main(int argc, char **argv)
{
    tolvan::test::hermeticHome();
    QApplication app(argc, argv);
    int failures = 0;
    for (QObject *test : {makeEditControlTest(), makeShortcutsTest()}) {
        failures += QTest::qExec(test, argc, argv);
        delete test;
    }
    return failures;
}
