#include "browser/directorylistbox.h"
#include "browser/filelistbox.h"
#include "browser/paths.h"
#include "common/hermetic.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvan::browser;

// Folders whose names hold "*" or "?", and the busy pointer of a long reading.
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
        QTest::newRow("what? double-clicked") << "double-click"
                                              << "what?"
                                              << "what?";
        QTest::newRow("star*dir entered") << "Enter"
                                          << "star*dir"
                                          << "star*dir";
        QTest::newRow("what? as a path") << "path"
                                         << "what?"
                                         << "what?";
        QTest::newRow("a mask no folder has") << "path"
                                              << "*.htm"
                                              << "";
        QTest::newRow("a mask naming a file") << "path"
                                              << "page?.htm"
                                              << "";
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

    // From the moment the 101st name of a reading is found, through the slow rest of it (the
    // rows going in among them), the pointer is busy; a reading of 100 names never shows it.
    void fileList_busyPointerDuringLongReading_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<bool>("busy");
        QTest::newRow("150 files") << 150 << true;
        QTest::newRow("100 files") << 100 << false;
    }
    void fileList_busyPointerDuringLongReading()
    {
        QFETCH(int, files);
        QFETCH(bool, busy);
        QTemporaryDir dir;
        for (int i = 0; i < files; ++i)
            QFile(dir.filePath(QString("f%1.htm").arg(i, 3, 10, QLatin1Char('0'))))
                .open(QIODevice::WriteOnly);
        TFileListBox list;
        list.setDirectory(dir.path());
        QList<bool> busyAtInsert; // watched through the model
        connect(list.model(), &QAbstractItemModel::rowsInserted, &list, [&] {
            const QCursor *cursor = QApplication::overrideCursor();
            busyAtInsert << (cursor && cursor->shape() == Qt::WaitCursor);
        });
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QCOMPARE(busyAtInsert.size(), files);
        QCOMPARE(busyAtInsert.count(true), busy ? files : 0);
        QVERIFY(!QApplication::overrideCursor());
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new BrowserRepairsTest; });

#include "tst_repairs.moc"
