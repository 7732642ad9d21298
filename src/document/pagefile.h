#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

namespace tolvan::document {

// Where writing a page stopped; each maps onto one of the save messages.
enum class PageWrite {
    Ok,
    CannotCreate, // nothing was written: the page or its folder refused
    CannotWrite,  // no room, or a write failed; the old bytes are back
    CannotClose,  // written, but not known to be on the disk
};

// Writes bytes as the page at path, and reports Ok only once they are on the disk.
//
// Normally the bytes go to a temporary file beside the page that then replaces it, so a crash
// leaves the old page or the new one, never a mix; the page keeps its mode, owner and group,
// and a symbolic link stays a link to the file it names. Where that cannot be done without
// changing the page for others (the folder takes no new file, the page has several names, its
// owner or group could not be kept), the bytes are written into the page itself after making
// sure the file system has room for them, and the old bytes are put back if the write fails.
// beforeInPlace runs just before such a write, the one moment a crash could leave a mix.
PageWrite writePage(const QString &path, const QByteArray &bytes,
                    const std::function<void()> &beforeInPlace = {});

} // namespace tolvan::document
