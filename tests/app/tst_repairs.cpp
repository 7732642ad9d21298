#include "app/mainform.h"
#include "browser/directorylistbox.h"
#include "common/hermetic.h"
#include "common/modal.h"
#include "help/aboutbox.h"
#include "help/quickhelp.h"
#include "platform/profile.h"
#include "settings/settings.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

using tolvan::app::TMainForm;

// The main window's bounds as the settings file gets them, its size limits, the file list's
// double-click, and the file dialog that two commands share.
class MainWindowRepairsTest : public QObject
{
    Q_OBJECT
    TMainForm *m_form = nullptr;

private Q_SLOTS:
    void init()
    {
        QFile::remove(tolvan::settings::settingsFilePath());
        m_form = new TMainForm;
        m_form->setInformationWindows(new tolvan::help::TAboutBox(m_form),
                                      new tolvan::help::TfrmQuickHelp(m_form));
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
    }
    void cleanup()
    {
        delete m_form;
        QDir::setCurrent(tolvan::test::hermeticHome().path()); // the folder shown may be gone
    }

    // A maximised window is written with the bounds it has maximised (the next start opens a
    // normal window that large); a minimised one with its last normal bounds.
    void bounds_written_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("asShown"); // else the normal bounds
        QTest::newRow("normal") << int(Qt::WindowNoState) << true;
        QTest::newRow("maximised") << int(Qt::WindowMaximized) << true;
        QTest::newRow("minimised") << int(Qt::WindowMinimized) << false;
    }
    void bounds_written()
    {
        QFETCH(int, state);
        QFETCH(bool, asShown);
        const QRect normal(m_form->frameGeometry().topLeft(), m_form->size());
        m_form->setWindowState(Qt::WindowState(state));
        QTRY_COMPARE(int(m_form->windowState()), state);
        if (state == Qt::WindowMaximized)
            QTRY_VERIFY(m_form->size() != normal.size());
        const QRect shown(m_form->frameGeometry().topLeft(), m_form->size());
        delete m_form; // writes the settings file
        m_form = nullptr;
        const tolvan::platform::ProfileFile ini(tolvan::settings::settingsFilePath());
        QRect written;
        for (const auto &[key, setter] :
             {std::pair{"Left", &QRect::moveLeft}, {"Top", &QRect::moveTop}})
            (written.*setter)(ini.readString("Window", key).toInt());
        written.setSize({ini.readString("Window", "Width").toInt(),
                         ini.readString("Window", "Height").toInt()});
        QCOMPARE(written, asShown ? shown : normal);
    }

    // The window has no minimum size of its own: it can be made as small as the user likes.
    void window_hasNoMinimumSize()
    {
        m_form->resize(40, 30);
        QCOMPARE(m_form->size(), QSize(40, 30));
    }

    // A double-click anywhere in the file list loads the name in the file-name box: in an
    // empty list, "*.htm" is looked for as a file and reported missing.
    void fileList_doubleClickInEmptyList()
    {
        QTemporaryDir empty;
        m_form->findChild<tolvan::browser::TDirectoryListBox *>("DirectoryListBox")
            ->setDirectory(empty.path());
        auto *files = m_form->findChild<QListWidget *>("FileListBox");
        QCOMPARE(files->count(), 0);
        m_form->findChild<QLineEdit *>("FilenameEdit")->setText("*.htm");
        QString told;
        whenModalShown([&told](QWidget *box) {
            if (QWidget *message = box->findChild<QWidget *>("Message"))
                told = message->accessibleName();
            QTest::keyClick(box->focusWidget(), Qt::Key_Return);
        });
        QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QTRY_VERIFY(!told.isEmpty());
        QCOMPARE(told,
                 "File " + QFileInfo(empty.path()).canonicalFilePath() + "/*.htm does not Exist!");
    }

    // File > Open and Install Help File share one dialog: the name chosen in either is offered
    // by the other, while each keeps its own title and default extension.
    void openAndInstallHelp_shareOneDialog()
    {
        QTemporaryDir dir;
        const QString chosen = dir.filePath("manual.hlp");
        QWidget *installDialog = nullptr;
        whenModalShown([&](QWidget *dialog) {
            installDialog = dialog;
            dialog->findChild<QLineEdit *>("fileNameEdit")->setText(chosen);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        m_form->menuItem("InstallHelpFile1")->trigger();
        QWidget *openDialog = nullptr;
        QString openTitle, openSuffix, openOffered, offered;
        QDir openDirectory;
        whenModalShown([&](QWidget *dialog) {
            auto *files = static_cast<QFileDialog *>(dialog);
            openDialog = dialog;
            openTitle = dialog->windowTitle();
            openSuffix = files->defaultSuffix();
            openDirectory = files->directory();
            openOffered = files->selectedFiles().value(0);
            QMetaObject::invokeMethod(dialog, "reject");
        });
        m_form->menuItem("cmOpen")->trigger();
        QVERIFY(installDialog);
        QCOMPARE(openDialog, installDialog);
        QVERIFY(openTitle != "Install Help File...");
        QCOMPARE(openSuffix, QString());
        // Open starts in the directory list's folder, with the name chosen for the help file;
        // Install Help File then offers that name in the folder Open last set.
        QCOMPARE(openDirectory,
                 QDir(m_form->findChild<tolvan::browser::TDirectoryListBox *>("DirectoryListBox")
                          ->directory()));
        QCOMPARE(openOffered, openDirectory.filePath("manual.hlp"));
        whenModalShown([&](QWidget *dialog) {
            offered = static_cast<QFileDialog *>(dialog)->selectedFiles().value(0);
            QMetaObject::invokeMethod(dialog, "reject");
        });
        m_form->menuItem("InstallHelpFile1")->trigger();
        QCOMPARE(offered, openDirectory.filePath("manual.hlp"));
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * {
    return new MainWindowRepairsTest;
});

#include "tst_repairs.moc"
