#include "common/hermetic.h"
#include "help/aboutbox.h"
#include "help/helpviewer.h"
#include "help/quickhelp.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

using namespace tolvan::help;

// The information windows' keys, and the help viewer's second file.
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

    // A plain text is shown in the viewer's plain format whatever page was shown before it:
    // nothing of a heading or a link at the end of an HTML page carries over.
    void viewer_plainTextAfterHtml_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("after a heading") << "<html><body><p>x</p><h1>Title</h1></body></html>";
        QTest::newRow("after a link") << "<html><body><a href=\"a.htm\">link</a></body></html>";
    }
    void viewer_plainTextAfterHtml()
    {
        QFETCH(QString, page);
        QTemporaryDir dir;
        const auto write = [&dir](const QString &name, const QString &text) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text.toUtf8());
        };
        write("page.htm", page);
        write("notes.txt", "plain words");
        const auto formatOfText = [&](HelpViewer &viewer) {
            if (!viewer.openFile(dir.filePath("notes.txt")))
                return QMap<int, QVariant>{{-1, "not opened"}};
            QTextCursor at(viewer.browser()->document());
            at.setPosition(3);
            return at.charFormat().properties();
        };
        HelpViewer fresh, used;
        QVERIFY(used.openFile(dir.filePath("page.htm")));
        QTextCursor end(used.browser()->document());
        end.movePosition(QTextCursor::End);
        used.browser()->setTextCursor(end);
        QCOMPARE(formatOfText(used), formatOfText(fresh));
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new HelpRepairsTest; });

#include "tst_repairs.moc"
