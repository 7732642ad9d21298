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
    return tolvan::test::runTests({makeEditControlTest(), makeShortcutsTest()}, argc, argv);
}
