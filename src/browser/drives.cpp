#include "drives.h"

#include "paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace tolvan::browser {

namespace {

const QSet<QString> &pseudoTypes()
{
    static const QSet<QString> types = {
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),
        QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"),
        QStringLiteral("pstore"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("configfs"),
        QStringLiteral("fusectl"),
        QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("bpf"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("autofs"),
        QStringLiteral("efivarfs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),
        QStringLiteral("selinuxfs"),
        QStringLiteral("rootfs"),
        QStringLiteral("squashfs"),
        QStringLiteral("overlay"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"),
        QStringLiteral("fuse.lxcfs"),
    };
    return types;
}

bool isUnder(const QString &path, const QString &prefix)
{
    return path == prefix || path.startsWith(prefix + u'/');
}

bool isSystemRoot(const QString &root)
{
    // Desktop automounters put removable media under /run/media; the rest of /run is runtime.
    if (isUnder(root, QStringLiteral("/run/media")))
        return false;
    static const char *const prefixes[] = {"/proc",
                                           "/sys",
                                           "/dev",
                                           "/run",
                                           "/var/run",
                                           "/var/lock",
                                           "/boot",
                                           "/snap",
                                           "/var/snap",
                                           "/var/lib/docker",
                                           "/var/lib/containers"};
    for (const char *prefix : prefixes)
        if (isUnder(root, QLatin1String(prefix)))
            return true;
    return false;
}

bool isOneOf(const QString &type, std::initializer_list<const char *> names)
{
    return std::any_of(names.begin(), names.end(),
                       [&](const char *name) { return type == QLatin1String(name); });
}

int group(const DriveEntry &drive)
{
    if (drive.root == QLatin1String("/"))
        return 0;
    switch (drive.kind) {
    case DriveKind::Floppy:
    case DriveKind::CdRom:
        return 1;
    case DriveKind::Network:
        return 2;
    default:
        return 3;
    }
}

// The kernel marks removable disks in sysfs; a partition's flag sits on its parent disk.
bool isRemovableDevice(const QString &device)
{
    if (!device.startsWith(QLatin1String("/dev/")))
        return false;
    // A device node that does not exist has no name, and no flag under the bare folder.
    const QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    const QString block = QStringLiteral("/sys/class/block/") + name;
    for (const QString &flag :
         {block + QStringLiteral("/removable"), block + QStringLiteral("/../removable")}) {
        QFile file(flag);
        if (file.open(QIODevice::ReadOnly))
            return file.read(1) == "1";
    }
    return false;
}

MountSource &mountSource()
{
    static MountSource source;
    return source;
}

} // namespace

bool isBrowsableMount(const MountRecord &mount)
{
    if (mount.root == QLatin1String("/"))
        return true;
    if (!mount.root.startsWith(u'/') || pseudoTypes().contains(mount.fileSystemType))
        return false;
    return !isSystemRoot(mount.root);
}

DriveKind driveKind(const MountRecord &mount)
{
    const QString &type = mount.fileSystemType;
    if (isOneOf(type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "afs",
                       "ncpfs", "davfs", "fuse.davfs2"}))
        return DriveKind::Network;
    if (isOneOf(type, {"iso9660", "udf"}))
        return DriveKind::CdRom;
    if (isOneOf(type, {"tmpfs", "ramfs"}))
        return DriveKind::Ram;
    if (mount.removable && isOneOf(type, {"vfat", "exfat", "ntfs", "ntfs3", "msdos", "fuseblk"}))
        return DriveKind::Floppy;
    return DriveKind::Hard;
}

QString driveText(const MountRecord &mount, DriveKind kind)
{
    const QString bracketed = QStringLiteral("%1 [%2]").arg(mount.root, mount.label);
    switch (kind) {
    case DriveKind::Floppy:
        return mount.root.toLower();
    case DriveKind::Network:
        if (!mount.device.isEmpty())
            return QStringLiteral("%1 %2").arg(mount.root, mount.device).toLower();
        return bracketed.toLower();
    default:
        return bracketed.toLower();
    }
}

CaseFlags caseFlagsFor(const QString &fileSystemType)
{
    if (isOneOf(fileSystemType, {"vfat", "exfat", "ntfs", "ntfs3"}))
        return {false, true};
    if (fileSystemType == QLatin1String("msdos"))
        return {false, false};
    return {true, true};
}

QString glyphName(DriveKind kind)
{
    switch (kind) {
    case DriveKind::Floppy:
        return QStringLiteral("floppy");
    case DriveKind::Network:
        return QStringLiteral("network");
    case DriveKind::CdRom:
        return QStringLiteral("cdrom");
    case DriveKind::Ram:
        return QStringLiteral("ram");
    case DriveKind::Hard:
        break;
    }
    return QStringLiteral("hard");
}

QList<DriveEntry> listDrives(const QList<MountRecord> &mounts)
{
    QList<DriveEntry> drives;
    for (const MountRecord &mount : mounts) {
        if (!isBrowsableMount(mount))
            continue;
        const DriveKind kind = driveKind(mount);
        DriveEntry entry{mount.root, driveText(mount, kind), kind,
                         caseFlagsFor(mount.fileSystemType)};
        // A later mount on the same root hides the earlier one.
        const auto same = std::find_if(drives.begin(), drives.end(),
                                       [&](const DriveEntry &d) { return d.root == mount.root; });
        if (same != drives.end())
            *same = entry;
        else
            drives.append(entry);
    }
    std::stable_sort(drives.begin(), drives.end(), [](const DriveEntry &a, const DriveEntry &b) {
        const int ga = group(a), gb = group(b);
        return ga != gb ? ga < gb : a.root < b.root;
    });
    return drives;
}

DriveEntry driveFor(const QString &path, const QList<DriveEntry> &drives)
{
    const DriveEntry *best = nullptr;
    for (const DriveEntry &drive : drives)
        if (isOnRoot(path, drive.root) && (!best || drive.root.size() > best->root.size()))
            best = &drive;
    if (best)
        return *best;
    return DriveEntry{QStringLiteral("/"), QStringLiteral("/ []"), DriveKind::Hard, {}};
}

void setMountSource(MountSource source)
{
    mountSource() = std::move(source);
}

QList<MountRecord> mountedRecords()
{
    if (mountSource())
        return mountSource()();
    return systemMounts();
}

QList<MountRecord> systemMounts()
{
    QList<MountRecord> mounts;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        MountRecord mount;
        mount.root = volume.rootPath();
        // Single files bind-mounted into containers (/etc/hosts) are no drives.
        if (!QFileInfo(mount.root).isDir())
            continue;
        mount.fileSystemType = QString::fromLatin1(volume.fileSystemType());
        mount.device = QFile::decodeName(volume.device());
        mount.label = volume.name();
        mount.removable = isRemovableDevice(mount.device) ||
                          isUnder(mount.root, QStringLiteral("/media")) ||
                          isUnder(mount.root, QStringLiteral("/run/media"));
        mounts.append(mount);
    }
    return mounts;
}

QList<DriveEntry> currentDrives()
{
    return listDrives(mountedRecords());
}

} // namespace tolvan::browser
