#pragma once

// Real folders on made-up drives, for the side panel's tests and its fault tests.

#include "browser/drives.h"
#include "browser/paths.h"

#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace tolvan::test {

inline browser::MountRecord mount(QString root, QString type, QString device = {},
                                  QString label = {}, bool removable = false)
{
    return {root, type, device, label, removable};
}

// A temporary folder holding `entries` ("dir/" a folder, "fifo:x" a FIFO, "link:x=target" a
// symbolic link, anything else an empty file), on drives of its own: "/", the folder (its path as
// the system reports it) with file-system type `type`, and `others` with roots relative to it.
// The working directory is `start` within it.
struct FolderTree
{
    FolderTree(const QStringList &entries, const QString &start, const QString &type = "ext4",
               QList<browser::MountRecord> others = {})
    {
        for (const QString &entry : entries) {
            const QString kind = entry.section(u':', 0, 0), name = entry.section(u':', 1);
            const QString full = path((name.isEmpty() ? entry : name).section(u'=', 0, 0));
            QDir().mkpath(entry.endsWith(u'/') ? full : QFileInfo(full).path());
            if (kind == "fifo")
                ::mkfifo(QFile::encodeName(full).constData(), 0644);
            else if (kind == "link")
                QFile::link(name.section(u'=', 1), full);
            else if (!entry.endsWith(u'/'))
                QFile(full).open(QIODevice::WriteOnly);
        }
        for (browser::MountRecord &mount : others)
            mount.root = path(mount.root);
        others = QList{mount("/", "ext4"), mount(root, type)} + others;
        browser::setMountSource([others] { return others; });
        browser::changeDirectory(path(start));
    }
    ~FolderTree() { browser::setMountSource({}); }
    QString path(const QString &relative) const
    {
        return relative.isEmpty() ? root : root + u'/' + relative;
    }

    QTemporaryDir dir;
    QString root = QFileInfo(dir.path()).canonicalFilePath();
};

inline void showAndWait(QWidget &widget)
{
    widget.resize(220, 300);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
}

inline void click(QListWidget &list, int row, bool twice = false)
{
    list.scrollToItem(list.item(row));
    const QPoint centre = list.visualItemRect(list.item(row)).center();
    twice ? QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, centre)
          : QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, centre);
}

} // namespace tolvan::test
