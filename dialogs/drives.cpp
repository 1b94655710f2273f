// SPDX-License-Identifier: GPL-3.0-or-later
#include "drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <dirent.h>

#include <cerrno>
#include <memory>
#include <system_error>
#include <utility>

namespace quorvel {
namespace {

const QSet<QByteArray>& pseudoFileSystems()
{
    static const QSet<QByteArray> kinds{
        "proc",      "sysfs",   "devtmpfs", "devpts",      "cgroup",     "cgroup2",   "securityfs",
        "debugfs",   "tracefs", "pstore",   "bpf",         "configfs",   "fusectl",   "mqueue",
        "hugetlbfs", "nsfs",    "efivarfs", "binfmt_misc", "rpc_pipefs", "selinuxfs", "squashfs",
    };
    return kinds;
}

bool isInside(const QString& path, const QString& tree)
{
    return path == tree || path.startsWith(tree + u'/');
}

// Trees where the system keeps its own mounts; removable media that udisks mounts under
// /run/media are the user's.
bool isSystemMountPoint(const QString& mountPoint)
{
    if (isInside(mountPoint, QStringLiteral("/run/media"))) return false;
    static const QStringList trees{"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib"};
    for (const QString& tree : trees) {
        if (isInside(mountPoint, tree)) return true;
    }
    return false;
}

DriveError deviceUnavailable()
{
    return {kDeviceUnavailable, QStringLiteral("Device unavailable")};
}

std::optional<DriveError> openError(const QString& mountPoint)
{
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(
        opendir(QFile::encodeName(mountPoint).constData()), closedir);
    if (dir) return std::nullopt;
    return driveErrorFromErrno(errno);
}

}  // namespace

DriveError driveErrorFromErrno(int error)
{
    switch (error) {
        case ENODEV:
        case ENXIO:
        case ENOENT:
        case ENOTDIR: return deviceUnavailable();
        case ENOMEDIUM:
        case EIO:
        case ETIMEDOUT:
        case ESTALE:
        case EHOSTDOWN:
        case EHOSTUNREACH:
        case ENOTCONN:
        case EPROTO: return {kDiskNotReady, QStringLiteral("Disk not ready")};
        default: return {error, QString::fromStdString(std::generic_category().message(error))};
    }
}

QStringList drivesFromMounts(const QList<Mount>& mounts)
{
    QHash<QString, bool> holdsFiles;
    for (const Mount& mount : mounts) {
        holdsFiles[mount.mountPoint] = !pseudoFileSystems().contains(mount.fileSystemType) &&
                                       !isSystemMountPoint(mount.mountPoint);
    }
    QStringList drives;
    for (auto it = holdsFiles.cbegin(); it != holdsFiles.cend(); ++it) {
        if (it.value() && it.key() != u"/") drives += it.key();
    }
    drives.sort();
    drives.prepend(QStringLiteral("/"));
    return drives;
}

QList<Mount> mountedFileSystems()
{
    QList<Mount> mounts;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        mounts.append({volume.rootPath(), volume.fileSystemType()});
    return mounts;
}

QString driveOfPath(const QString& path, const QStringList& drives)
{
    QString best;
    for (const QString& drive : drives) {
        const bool holds = drive == u"/" || isInside(path, drive);
        if (holds && drive.size() > best.size()) best = drive;
    }
    return best;
}

MountedDrives::MountedDrives(MountList mounts)
    : mounts_(std::move(mounts))
{}

MountedDrives& MountedDrives::process()
{
    static MountedDrives drives;
    return drives;
}

QStringList MountedDrives::list()
{
    // The root always holds files, so an empty list of mounts still leaves one drive.
    return drivesFromMounts(mounts_());
}

DriveDirectory MountedDrives::currentDirectory(const QString& drive)
{
    const QStringList drives = list();
    if (!drives.contains(drive)) return {{}, deviceUnavailable()};
    // Opening the mount point wakes an automounter and shows a missing medium, a server that
    // does not answer or a mount point the user may not read.
    if (auto error = openError(drive)) return {{}, error};
    rememberProcessDirectory(drives);
    const QString last = lastDirectory_.value(drive, drive);
    return {QFileInfo(last).isDir() ? last : drive, std::nullopt};
}

void MountedDrives::rememberProcessDirectory(const QStringList& drives)
{
    const QString current = QDir::currentPath();
    lastDirectory_.insert(driveOfPath(current, drives), current);
}

}  // namespace quorvel
