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
class HelpWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The quick-help and about windows have no behaviour beyond their OK button: Escape leaves
    // them open.
    void infoWindow_escapeDoesNothing()
    {
        TfrmQuickHelp quickHelp;
        TAboutBox about;
        for (InfoWindow *window : std::initializer_list<InfoWindow *>{&quickHelp, &about}) {
            bool openAfterEscape = false;
            QTimer::singleShot(0, window, [&] {
                QTest::keyClick(window, Qt::Key_Escape);
                QCoreApplication::processEvents();
                openAfterEscape = window->isVisible();
                QTest::mouseClick(window->findChild<QPushButton *>("BitBtn1"), Qt::LeftButton);
            });
            // A window that does not close fails the test instead of hanging it.
            QTimer::singleShot(5000, window, [window] { window->done(-1); });
            QCOMPARE(window->showModal(), 1);
            QVERIFY2(openAfterEscape, window->metaObject()->className());
        }
    }

    // A plain text is shown in the viewer's plain format whatever page was shown before it:
    // nothing of a heading or a link at the end of an HTML page carries over.
    void viewer_plainTextAfterHtml()
    {
        QTemporaryDir dir;
        const auto write = [&dir](const QString &name, const QString &text) {
            QFile file(dir.filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) == text.size();
        };
        const auto formatOfText = [&](HelpViewer &viewer) {
            viewer.openFile(dir.filePath("notes.txt"));
            QTextCursor at(viewer.browser()->document());
            at.setPosition(3);
            return at.charFormat().properties();
        };
        QVERIFY(write("notes.txt", "plain words"));
        HelpViewer fresh;
        const auto plain = formatOfText(fresh);
        QCOMPARE(fresh.browser()->toPlainText(), "plain words");
        for (const char *page : {"<p>x</p><h1>Title</h1>", "<a href=\"a.htm\">link</a>"}) {
            HelpViewer used;
            QVERIFY(write("page.htm", QString("<html><body>%1</body></html>").arg(page)));
            QVERIFY(used.openFile(dir.filePath("page.htm")));
            used.browser()->moveCursor(QTextCursor::End);
            QVERIFY2(formatOfText(used) == plain, page);
        }
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new HelpWindowsTest; });

#include "tst_helpwindows.moc"
