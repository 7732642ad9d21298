#include "common/hermetic.h"

#include <QApplication>

// The test classes register themselves from their own files.
int main(int argc, char **argv)
{
    tolvan::test::hermeticHome();
    QApplication app(argc, argv);
    return tolvan::test::runTests({}, argc, argv);
}
