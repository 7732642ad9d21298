#include "common/hermetic.h"
#include "platform/application.h"
#include "platform/fonts.h"

#include <QApplication>
#include <QTest>

// The test classes register themselves (a static RegisterTest in each file).
int main(int argc, char **argv)
{
    tolvan::test::hermeticHome();
    QApplication app(argc, argv);
    tolvan::platform::installFontSubstitutes();
    QApplication::setFont(tolvan::platform::designFont(QStringLiteral("MS Sans Serif"), 11));
    tolvan::platform::Application::setTitle(QStringLiteral("Tolvan v1.0"));
    return tolvan::test::runTests({}, argc, argv);
}
