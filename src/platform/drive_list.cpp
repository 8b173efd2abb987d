#include "platform/drive_list.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStorageInfo>

#include <algorithm>
#include <set>

namespace platform {
namespace {

QList<Drive>& pinnedDrives() {
    static QList<Drive> drives;
    return drives;
}

// Kernel and memory file systems that hold no user files, and file systems that live on
// another computer: neither counts as a drive of this computer.
bool isDriveType(const QByteArray& type) {
    static const std::set<QByteArray> kNotDrives = {"proc",        "sysfs",
                                                    "devtmpfs",    "devpts",
                                                    "cgroup",      "cgroup2",
                                                    "securityfs",  "debugfs",
                                                    "tracefs",     "configfs",
                                                    "fusectl",     "pstore",
                                                    "bpf",         "mqueue",
                                                    "hugetlbfs",   "autofs",
                                                    "binfmt_misc", "efivarfs",
                                                    "selinuxfs",   "rpc_pipefs",
                                                    "nsfs",        "tmpfs",
                                                    "ramfs",       "rootfs",
                                                    "nfs",         "nfs4",
                                                    "nfsd",        "cifs",
                                                    "smb3",        "smbfs",
                                                    "ceph",        "9p",
                                                    "fuse.sshfs",  "fuse.gvfsd-fuse",
                                                    "fuse.portal", "fuse.lxcfs",
                                                    "devfs"};
    return !type.isEmpty() && kNotDrives.count(type) == 0;
}

// mountinfo writes blanks, tabs, newlines and backslashes of paths as \ooo octal escapes.
QString unescapeMountPath(const QByteArray& field) {
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field[i];
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QFile::decodeName(out);
}

} // namespace

QList<Drive> drivesFromMountInfo(const QByteArray& mountInfo) {
    QMap<QString, QByteArray> typeByMountPoint; // a later mount on the same point hides the earlier
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf(QByteArray("-"));
        if (fields.size() < 5 || separator < 6 || separator + 1 >= fields.size()) continue;
        typeByMountPoint.insert(unescapeMountPath(fields[4]), fields[separator + 1]);
    }
    QList<Drive> drives;
    for (auto it = typeByMountPoint.cbegin(); it != typeByMountPoint.cend(); ++it) {
        if (isDriveType(it.value()) && it.key().startsWith(QLatin1Char('/')))
            drives.append({it.key(), it.key()});
    }
    return drives; // QMap keeps its keys sorted
}

QList<Drive> driveList() {
    if (!pinnedDrives().isEmpty()) return pinnedDrives();
    QList<Drive> drives;
#ifdef Q_OS_WIN
    for (const QFileInfo& info : QDir::drives()) {
        const QString root = QDir::toNativeSeparators(info.absoluteFilePath());
        const QString letter = root.left(2).toLower();
        const QString label = QStorageInfo(root).name();
        drives.append(
            {label.isEmpty() ? letter : letter + QStringLiteral(" [") + label + QLatin1Char(']'), root});
    }
#else
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    if (file.open(QIODevice::ReadOnly)) {
        // A mount of a single file (containers bind files such as /etc/hosts) is no drive.
        for (const Drive& drive : drivesFromMountInfo(file.readAll())) {
            if (QFileInfo(drive.root).isDir()) drives.append(drive);
        }
    }
    if (drives.isEmpty()) drives.append({QStringLiteral("/"), QStringLiteral("/")});
#endif
    return drives;
}

void setDriveListForTesting(const QList<Drive>& drives) {
    pinnedDrives() = drives;
}

} // namespace platform
