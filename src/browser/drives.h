#pragma once

#include <QList>
#include <QString>
#include <functional>

namespace tolvan::browser {

// One mounted file system as the system reports it.
struct MountRecord
{
    QString root;           // mount point
    QString fileSystemType; // "ext4", "vfat", "nfs4"...
    QString device;         // "/dev/sdb1", "server:/export"...
    QString label;          // volume label, may be empty
    bool removable = false; // the device is a removable medium
};

// What a drive entry stands for, and so which glyph it shows.
enum class DriveKind { Floppy, Hard, Network, CdRom, Ram };

// Whether names on a volume keep and distinguish letter case.
struct CaseFlags
{
    bool caseSensitive = true;
    bool preservesCase = true;
    bool operator==(const CaseFlags &) const = default;
};

// One entry of the drive list.
struct DriveEntry
{
    QString root;
    QString text; // in lower case
    DriveKind kind = DriveKind::Hard;
    CaseFlags caseFlags;
};

// Pseudo file systems and the system's own mounts (/proc, /sys, /dev, /run, /boot...) are not
// drives a user browses; "/" always is.
bool isBrowsableMount(const MountRecord &mount);

DriveKind driveKind(const MountRecord &mount);

// Entry text: a removable drive shows its root alone (its medium is not read); a network
// drive its root and what it is connected to; every other drive its root and its label in
// brackets. All in lower case.
QString driveText(const MountRecord &mount, DriveKind kind);

// vfat, exfat and ntfs keep case but ignore it; msdos keeps neither; the rest distinguish it.
CaseFlags caseFlagsFor(const QString &fileSystemType);

// The glyph name of a kind ("floppy", "hard", "network", "cdrom", "ram").
QString glyphName(DriveKind kind);

// The drives to list, in the list's order: "/" first, then removable media, network mounts
// and the rest, each group by root. A root mounted more than once is listed once, as the last
// (topmost) mount.
QList<DriveEntry> listDrives(const QList<MountRecord> &mounts);

// The drive a path lies on: the listed drive with the longest root that contains it. When none
// does, "/" with case-sensitive flags stands in.
DriveEntry driveFor(const QString &path, const QList<DriveEntry> &drives);

// Where the drive lists read the mounts from: the system, unless a test has put in its own.
using MountSource = std::function<QList<MountRecord>()>;
void setMountSource(MountSource source); // an empty function goes back to the system
QList<MountRecord> mountedRecords();
QList<MountRecord> systemMounts();

// The drives of this machine, as the drive list shows them.
QList<DriveEntry> currentDrives();

} // namespace tolvan::browser
