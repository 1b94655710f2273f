#include "drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <dirent.h>

#include <cerrno>
#include <memory>
#include <system_error>

namespace quorvel {
namespace {

const QSet<QByteArray>& pseudoFileSystems()
{
    static const QSet<QByteArray> kinds{
        "proc",      "sysfs",   "devtmpfs", "devpts",     "cgroup",   "cgroup2",  "securityfs",
        "debugfs",   "tracefs", "pstore",   "bpf",        "configfs", "fusectl",  "mqueue",
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
    if (isInside(mountPoint, QStringLiteral("/run/media")))
        return false;
    static const QStringList trees{"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib"};
    for (const QString& tree : trees) {
        if (isInside(mountPoint, tree))
            return true;
    }
    return false;
}

// The kernel writes blanks, tabs, line feeds and backslashes in mount points as "\ooo".
QString decodeMountPoint(const QByteArray& field)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QByteArray octal = field.mid(i + 1, 3);
        bool isNumber = false;
        const int code = octal.size() == 3 ? octal.toInt(&isNumber, 8) : 0;
        if (field[i] == '\\' && isNumber) {
            bytes += char(code);
            i += 3;
        } else {
            bytes += field[i];
        }
    }
    return QFile::decodeName(bytes);
}

DriveError deviceUnavailable()
{
    return {kDeviceUnavailable, QStringLiteral("Device unavailable")};
}

std::optional<DriveError> openError(const QString& mountPoint)
{
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(QFile::encodeName(mountPoint).constData()),
                                                  closedir);
    if (dir)
        return std::nullopt;
    return driveErrorFromErrno(errno);
}

}  // namespace

DriveError driveErrorFromErrno(int error)
{
    switch (error) {
    case ENODEV:
    case ENXIO:
    case ENOENT:
    case ENOTDIR:
        return deviceUnavailable();
    case ENOMEDIUM:
    case EIO:
    case ETIMEDOUT:
    case ESTALE:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENOTCONN:
    case EPROTO:
        return {kDiskNotReady, QStringLiteral("Disk not ready")};
    default:
        return {error, QString::fromStdString(std::generic_category().message(error))};
    }
}

QStringList drivesFromMountInfo(const QByteArray& mountInfo)
{
    QHash<QString, bool> holdsFiles;
    for (const QByteArray& line : mountInfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-", 6);
        if (separator < 0 || separator + 1 >= fields.size())
            continue;
        const QString mountPoint = decodeMountPoint(fields[4]);
        holdsFiles[mountPoint] =
            !pseudoFileSystems().contains(fields[separator + 1]) && !isSystemMountPoint(mountPoint);
    }
    QStringList drives;
    for (auto it = holdsFiles.cbegin(); it != holdsFiles.cend(); ++it) {
        if (it.value() && it.key() != u"/")
            drives += it.key();
    }
    drives.sort();
    drives.prepend(QStringLiteral("/"));
    return drives;
}

QString driveOfPath(const QString& path, const QStringList& drives)
{
    QString best;
    for (const QString& drive : drives) {
        const bool holds = drive == u"/" || isInside(path, drive);
        if (holds && drive.size() > best.size())
            best = drive;
    }
    return best;
}

MountedDrives::MountedDrives(QString mountInfoPath) : mountInfoPath_(std::move(mountInfoPath)) {}

MountedDrives& MountedDrives::process()
{
    static MountedDrives drives;
    return drives;
}

QStringList MountedDrives::list()
{
    QFile file(mountInfoPath_);
    // The root always holds files, so an unreadable table still leaves one drive.
    return drivesFromMountInfo(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
}

DriveDirectory MountedDrives::currentDirectory(const QString& drive)
{
    const QStringList drives = list();
    if (!drives.contains(drive))
        return {{}, deviceUnavailable()};
    // Opening the mount point wakes an automounter and shows a missing medium, a server that
    // does not answer or a mount point the user may not read.
    if (auto error = openError(drive))
        return {{}, error};
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
