#include "browser/directorylistbox.h"
#include "browser/paths.h"
#include "common/hermetic.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tolvan::browser;

// Folders whose names hold "*" or "?".
class BrowserRepairsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QDir::setCurrent(tolvan::test::hermeticHome().path()); }

    // Such a folder opens from its row or by its path; a last name with "*" or "?" is a mask,
    // and dropped, only when no folder has that name.
    void directoryList_foldersNamedWithWildcards_data()
    {
        QTest::addColumn<QString>("how"); // "double-click" or "Enter" on the row, or "path"
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("entered"); // relative to the folder shown first
        QTest::newRow("what? double-clicked") << "double-click" << "what?" << "what?";
        QTest::newRow("star*dir entered") << "Enter" << "star*dir" << "star*dir";
        QTest::newRow("what? as a path") << "path" << "what?" << "what?";
        QTest::newRow("a mask no folder has") << "path" << "*.htm" << "";
        QTest::newRow("a mask naming a file") << "path" << "page?.htm" << "";
    }
    void directoryList_foldersNamedWithWildcards()
    {
        QFETCH(QString, how);
        QFETCH(QString, name);
        QFETCH(QString, entered);
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        for (const char *folder : {"what?", "star*dir", "plain"})
            QVERIFY(QDir(root).mkdir(folder));
        QFile(root + "/page?.htm").open(QIODevice::WriteOnly);
        TDirectoryListBox dirs;
        dirs.setDirectory(root);
        dirs.resize(220, 300);
        dirs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dirs));
        if (how == "path") {
            dirs.setDirectory(root + '/' + name);
        } else {
            const QList<QListWidgetItem *> rows = dirs.findItems(name, Qt::MatchExactly);
            QCOMPARE(rows.size(), 1);
            dirs.setCurrentItem(rows.first());
            if (how == "Enter")
                QTest::keyClick(&dirs, Qt::Key_Return);
            else
                QTest::mouseDClick(dirs.viewport(), Qt::LeftButton, {},
                                   dirs.visualItemRect(rows.first()).center());
        }
        QCOMPARE(dirs.directory(), entered.isEmpty() ? root : root + '/' + entered);
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new BrowserRepairsTest; });

#include "tst_repairs.moc"
