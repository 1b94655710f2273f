// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Drives, as a Linux user of the browse dialog meets them: the mounted file systems that hold
// files, "/" first. Each drive has its own current directory within the process, the way a
// lettered drive has one on the desktops the dialog comes from.
namespace quorvel {

// The error numbers that mean a missing or unready disk; the dialog offers to try again.
inline constexpr int kDeviceUnavailable = 68;
inline constexpr int kDiskNotReady = 71;

struct DriveError {
    int number;
    QString text;
};

// Maps an errno from reaching a mount point to the error the user sees: a device that is gone
// gives 68, a medium that is missing or a server that does not answer gives 71, and anything
// else keeps its errno and the system's text for it. (Linux never reports its own errno 68,
// EADV; 71, EPROTO, comes from a failing network or FUSE file system and is a not-ready disk.)
DriveError driveErrorFromErrno(int error);

// A mounted file system as the drive list sees it: where it is mounted and its kind.
struct Mount {
    QString mountPoint;
    QByteArray fileSystemType;
};

// The drives among mounts, in mount order. A mount counts when it can hold a user's files:
// kernel pseudo file systems (proc, sysfs, devtmpfs, cgroup, ...) and squashfs package images
// never do, nor does anything mounted inside the system's own trees (/proc, /sys, /dev, /run
// apart from /run/media, /boot, /snap, /var/lib). Everything else counts, tmpfs under /tmp and
// automounter (autofs) points for removable media included. A mount point mounted over takes
// the kind of its last mount. The result holds "/" first, then the others by name.
QStringList drivesFromMounts(const QList<Mount>& mounts);

// The file systems mounted now, as QStorageInfo reports them: it leaves out those that report no
// size (an automounter point shows once its medium is mounted) and asks each one for its size.
QList<Mount> mountedFileSystems();

// The drive that holds path: the longest drive that is path itself or one of its parents.
QString driveOfPath(const QString& path, const QStringList& drives);

// The result of moving to a drive: its current directory, or the error that stopped the move.
struct DriveDirectory {
    QString path;
    std::optional<DriveError> error;
};

// What the browse dialog needs of the drives; the dialog's tests put in drives that fail.
class Drives {
public:
    virtual ~Drives() = default;
    // The drives of the machine now, "/" first.
    virtual QStringList list() = 0;
    // The current directory of drive, reached through its mount point; fails when the drive is
    // no longer mounted, its medium is missing or its mount point cannot be read.
    virtual DriveDirectory currentDirectory(const QString& drive) = 0;
};

// The drives mounted on this machine, asked for anew on every call.
class MountedDrives final : public Drives {
public:
    using MountList = std::function<QList<Mount>()>;
    // mounts: where the mounted file systems come from; tests give their own.
    explicit MountedDrives(MountList mounts = mountedFileSystems);

    // The one table of the process, so that each drive keeps its current directory between
    // uses of the dialog.
    static MountedDrives& process();

    QStringList list() override;
    // The drive that holds the process's current directory has that directory as its own; the
    // others keep the last one seen there, starting at their mount point.
    DriveDirectory currentDirectory(const QString& drive) override;

private:
    void rememberProcessDirectory(const QStringList& drives);

    MountList mounts_;
    QHash<QString, QString> lastDirectory_;
};

}  // namespace quorvel
