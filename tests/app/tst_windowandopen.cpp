#include "app/mainform.h"
#include "browser/directorylistbox.h"
#include "common/hermetic.h"
#include "common/modal.h"
#include "platform/profile.h"
#include "settings/settings.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

using tolvan::app::TMainForm;
using tolvan::browser::TDirectoryListBox;

// The main window's bounds as the settings file gets them, and two ways it asks for a file:
// the file list's double-click and the dialog two commands share.
class WindowAndOpenTest : public QObject
{
    Q_OBJECT
    TMainForm *m_form = nullptr;

private Q_SLOTS:
    void init()
    {
        QFile::remove(tolvan::settings::settingsFilePath());
        m_form = new TMainForm;
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }
    void cleanup()
    {
        delete m_form;
        QDir::setCurrent(tolvan::test::hermeticHome().path()); // the folder shown may be gone
    }

    // A maximised window is written with the bounds it has maximised (the next start opens a
    // normal window that large); a minimised one with its last normal bounds. The window has no
    // minimum size of its own: it can be made as small as the user likes.
    void bounds_written_data()
    {
        QTest::addColumn<int>("state");
        QTest::newRow("normal") << int(Qt::WindowNoState);
        QTest::newRow("maximised") << int(Qt::WindowMaximized);
        QTest::newRow("minimised") << int(Qt::WindowMinimized);
    }
    void bounds_written()
    {
        QFETCH(int, state);
        m_form->resize(40, 30);
        QCOMPARE(m_form->size(), QSize(40, 30));
        const QRect normal(m_form->frameGeometry().topLeft(), m_form->size());
        m_form->setWindowState(Qt::WindowState(state));
        QTRY_COMPARE(int(m_form->windowState()), state);
        if (state == Qt::WindowMaximized)
            QTRY_VERIFY(m_form->size() != normal.size());
        const QRect shown(m_form->frameGeometry().topLeft(), m_form->size());
        delete m_form; // writes the settings file
        m_form = nullptr;
        const tolvan::platform::ProfileFile ini(tolvan::settings::settingsFilePath());
        const auto at = [&ini](const char *key) { return ini.readString("Window", key).toInt(); };
        QCOMPARE(QRect(at("Left"), at("Top"), at("Width"), at("Height")),
                 state == Qt::WindowMinimized ? normal : shown);
    }

    // A double-click anywhere in the file list loads the name in the file-name box: in an
    // empty list, "*.htm" is looked for as a file and reported missing.
    void fileList_doubleClickInEmptyList()
    {
        QTemporaryDir empty;
        m_form->findChild<TDirectoryListBox *>("DirectoryListBox")->setDirectory(empty.path());
        m_form->findChild<QLineEdit *>("FilenameEdit")->setText("*.htm");
        QString told;
        whenModalShown([&told](QWidget *box) {
            told = box->findChild<QWidget *>("Message")->accessibleName();
            QTest::keyClick(box->focusWidget(), Qt::Key_Return);
        });
        auto *files = m_form->findChild<QListWidget *>("FileListBox");
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTRY_COMPARE(told, "File " + QFileInfo(empty.path()).canonicalFilePath() +
                               "/*.htm does not Exist!");
    }

    // File > Open and Install Help File share one dialog, each with its own title and default
    // extension: the help file chosen is offered again by both, in the folder Open last set.
    void openAndInstallHelp_shareOneDialog()
    {
        const auto show = [this](const char *item, const QString &choose) {
            QStringList seen; // the dialog, its title, default extension and the name offered
            whenModalShown([&seen, choose](QWidget *shown) {
                auto *files = static_cast<QFileDialog *>(shown);
                seen = {QString::number(quintptr(shown)), shown->windowTitle(),
                        files->defaultSuffix(), files->selectedFiles().value(0)};
                if (!choose.isEmpty())
                    files->findChild<QLineEdit *>("fileNameEdit")->setText(choose);
                QMetaObject::invokeMethod(shown, choose.isEmpty() ? "reject" : "accept");
            });
            m_form->menuItem(item)->trigger();
            return seen;
        };
        QTemporaryDir dir;
        const QStringList install = show("InstallHelpFile1", dir.filePath("manual.hlp"));
        const QString chosen =
            m_form->findChild<TDirectoryListBox *>("DirectoryListBox")->directory() + "/manual.hlp";
        QCOMPARE(show("cmOpen", {}), QStringList({install.value(0), "Open", "", chosen}));
        QCOMPARE(show("InstallHelpFile1", {}),
                 QStringList({install.value(0), "Install Help File...", "hlp", chosen}));
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new WindowAndOpenTest; });

#include "tst_windowandopen.moc"
