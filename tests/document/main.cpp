#include "common/hermetic.h"

#include <QApplication>

QObject *makeDocumentTest(), *makeEncodingsTest(), *makeRecoveryTest();

int main(int argc, char **argv)
{
    tolvan::test::hermeticHome();
    QApplication app(argc, argv);
    return tolvan::test::runTests({makeDocumentTest(), makeEncodingsTest(), makeRecoveryTest()},
                                  argc, argv);
}
