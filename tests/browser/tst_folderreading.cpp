#include "browser/directorylistbox.h"
#include "browser/filelistbox.h"
#include "common/hermetic.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace tolvan::browser;

// Reading folders: names that hold "*" or "?", and the busy pointer of a long reading.
class FolderReadingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QDir::setCurrent(tolvan::test::hermeticHome().path()); }

    // Such a folder opens from its row or by its path; a last name with "*" or "?" is a mask,
    // and dropped, only when no folder has that name (a file may).
    void directoryList_foldersNamedWithWildcards()
    {
        QTemporaryDir dir;
        const QString root = QFileInfo(dir.path()).canonicalFilePath();
        for (const char *folder : {"what?", "star*dir", "plain"})
            QVERIFY(QDir(root).mkdir(folder));
        QFile(root + "/page?.htm").open(QIODevice::WriteOnly);
        TDirectoryListBox dirs;
        dirs.resize(220, 300);
        dirs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dirs));
        // Each entered by a double-click (d) or Enter (e) on its row, or by setting its path (p).
        for (const QString row : {"d what?", "e star*dir", "p what?", "p *.htm", "p page?.htm"}) {
            const QChar how = row[0];
            const QString name = row.mid(2);
            dirs.setDirectory(how == 'p' ? root + '/' + name : root);
            const QList<QListWidgetItem *> rows = dirs.findItems(name, Qt::MatchExactly);
            if (how != 'p') {
                QCOMPARE(rows.size(), 1);
                dirs.setCurrentItem(rows.first());
                if (how == 'e')
                    QTest::keyClick(&dirs, Qt::Key_Return);
                else
                    QTest::mouseDClick(dirs.viewport(), Qt::LeftButton, {},
                                       dirs.visualItemRect(rows.first()).center());
            }
            QCOMPARE(dirs.directory(),
                     QFileInfo(root + '/' + name).isDir() ? root + '/' + name : root);
            QVERIFY(dirs.updatesEnabled()); // the new rows get painted
        }
    }

    // From the moment the 101st name of a reading is found, through the slow rest of it (the
    // rows going in among them), the pointer is busy; a reading of 100 names never shows it.
    void fileList_busyPointerDuringLongReading()
    {
        for (const auto &[files, busy] : {std::pair{150, true}, {100, false}}) {
            QTemporaryDir dir;
            for (int i = 0; i < files; ++i)
                QFile(dir.filePath(QString("f%1.htm").arg(i))).open(QIODevice::WriteOnly);
            TFileListBox list;
            list.setDirectory(dir.path());
            QList<bool> busyAtInsert; // watched through the model
            connect(list.model(), &QAbstractItemModel::rowsInserted, &list, [&] {
                const QCursor *cursor = QApplication::overrideCursor();
                busyAtInsert << (cursor && cursor->shape() == Qt::WaitCursor);
            });
            list.show();
            QVERIFY(QTest::qWaitForWindowExposed(&list));
            QCOMPARE(busyAtInsert, QList<bool>(files, busy));
            QVERIFY(!QApplication::overrideCursor());
        }
    }
};

static tolvan::test::RegisterTest registered([]() -> QObject * { return new FolderReadingTest; });

#include "tst_folderreading.moc"
