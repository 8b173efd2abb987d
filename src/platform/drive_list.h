// The computer's drives, the start points of a search of all drives. On Windows these are
// the drive letters; elsewhere the mounted local file systems stand in for them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace platform {

struct Drive {
    QString
        text; // what a drive list shows, beginning with the drive letter ("c: [SYSTEM]") or the mount point
    QString root; // the folder a search starts from ("c:\", "/home")
};

// The drives in list order: ascending drive letters on Windows, mount points sorted
// elsewhere. A drive without a medium is listed; walking it fails later.
QList<Drive> driveList();

// The local file systems named by the text of /proc/self/mountinfo, pseudo and network file
// systems left out, each mount point once, sorted. Exposed for tests.
QList<Drive> drivesFromMountInfo(const QByteArray& mountInfo);

// Makes driveList() answer `drives` (tests); an empty list restores the real one.
void setDriveListForTesting(const QList<Drive>& drives);

} // namespace platform
