#include "common/hermetic.h"
#include "platform/application.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QTest>

QObject *makeMessageDialogTest(), *makeMainFormTest(), *makeCommandLineTest(),
    *makeRecoveryOfferTest();

int main(int argc, char **argv)
{
    tolvan::test::hermeticHome();
    QApplication app(argc, argv);
    tolvan::platform::installFontSubstitutes();
    QApplication::setFont(tolvan::platform::designFont(QStringLiteral("MS Sans Serif"), 11));
    tolvan::platform::Application::setTitle(QStringLiteral("Tolvan v1.0"));
    return tolvan::test::runTests(
        {makeMessageDialogTest(), makeMainFormTest(), makeCommandLineTest(), makeRecoveryOfferTest()},
        argc, argv);
}
