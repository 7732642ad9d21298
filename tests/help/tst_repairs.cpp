#include "common/hermetic.h"
#include "help/aboutbox.h"
#include "help/quickhelp.h"

#include <QPushButton>
#include <QTimer>

using namespace tolvan::help;

// The information windows' keys.
class HelpRepairsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The windows have no behaviour beyond their OK button: Escape leaves them open.
    void infoWindow_escapeDoesNothing_data()
    {
        QTest::addColumn<bool>("quickHelp");
        QTest::newRow("quick help") << true;
        QTest::newRow("about") << false;
    }
    void infoWindow_escapeDoesNothing()
    {
        QFETCH(bool, quickHelp);
        const std::unique_ptr<InfoWindow> window(
            quickHelp ? static_cast<InfoWindow *>(new TfrmQuickHelp) : new TAboutBox);
        bool openAfterEscape = false;
        QTimer::singleShot(0, window.get(), [&] {
            QTest::keyClick(window.get(), Qt::Key_Escape);
            QCoreApplication::processEvents();
            openAfterEscape = window->isVisible();
            QTest::mouseClick(window->findChild<QPushButton *>("BitBtn1"), Qt::LeftButton);
        });
        QTimer guard; // a window that does not close fails the test instead of hanging it
        connect(&guard, &QTimer::timeout, window.get(), [&] { window->done(-1); });
        guard.start(5000);
        QCOMPARE(window->showModal(), 1);
        QVERIFY(openAfterEscape);
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new HelpRepairsTest; });

#include "tst_repairs.moc"
