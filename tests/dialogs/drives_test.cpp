#include "drives.h"

#include "qt_printers.h"
#include "scoped_directory.h"

#include <QFile>

#include <cerrno>

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

// One /proc/self/mountinfo line for a mount point (written as the kernel escapes it).
QByteArray mountLine(const char* mountPoint, const char* kind)
{
    static int id = 20;
    return QByteArray::number(++id) + " 1 8:1 / " + mountPoint + " rw,relatime shared:1 - " + kind
        + " /dev/sda1 rw\n";
}

}  // namespace

TEST(DrivesFromMountInfo, KeepsFileSystemsThatHoldUserFilesWithRootFirst)
{
    const QByteArray table = mountLine("/home", "ext4") + mountLine("/", "ext4")
        + mountLine("/proc", "proc") + mountLine("/sys", "sysfs") + mountLine("/dev", "devtmpfs")
        + mountLine("/dev/shm", "tmpfs") + mountLine("/sys/fs/cgroup/cpu", "cgroup")
        + mountLine("/run", "tmpfs") + mountLine("/run/user/1000", "tmpfs")
        + mountLine("/run/user/1000/gvfs", "fuse.gvfsd-fuse")
        + mountLine("/run/media/ann/STICK", "vfat") + mountLine("/media/My\\040Disk", "exfat")
        + mountLine("/tmp", "tmpfs") + mountLine("/snap/core/17", "squashfs")
        + mountLine("/boot/efi", "vfat") + mountLine("/var/lib/docker/overlay2/x", "overlay")
        + mountLine("/mnt/cdrom", "autofs") + mountLine("/mnt/nas", "nfs4")
        + mountLine("/mnt/box", "fuse.sshfs");

    EXPECT_EQ(drivesFromMountInfo(table),
              QStringList({"/", "/home", "/media/My Disk", "/mnt/box", "/mnt/cdrom", "/mnt/nas",
                           "/run/media/ann/STICK", "/tmp"}));
}

TEST(DrivesFromMountInfo, LastMountOnAPointDecidesAndRootIsAlwaysThere)
{
    const QByteArray table = mountLine("/mnt/cdrom", "autofs") + mountLine("/mnt/cdrom", "iso9660")
        + mountLine("/mnt/hidden", "ext4") + mountLine("/mnt/hidden", "proc")
        + "a broken line\n\n";

    EXPECT_EQ(drivesFromMountInfo(table), QStringList({"/", "/mnt/cdrom"}));
    EXPECT_EQ(drivesFromMountInfo({}), QStringList({"/"}));
}

TEST(MountedDrives, ThisMachineListsRootFirstAndNoPseudoFileSystems)
{
    const QStringList drives = MountedDrives::process().list();
    ASSERT_FALSE(drives.isEmpty());
    EXPECT_EQ(drives.first(), "/");
    EXPECT_EQ(drives.count("/"), 1);
    for (const QString& drive : drives) {
        EXPECT_FALSE(drive.startsWith("/proc") || drive.startsWith("/sys/")
                     || drive.startsWith("/dev/"))
            << qPrintable(drive);
    }
}

TEST(DriveOfPath, PicksTheLongestDriveHoldingThePath)
{
    const QStringList drives{"/", "/home", "/home/ann/usb"};
    EXPECT_EQ(driveOfPath("/home/ann/usb/takes", drives), "/home/ann/usb");
    EXPECT_EQ(driveOfPath("/home/ann", drives), "/home");
    EXPECT_EQ(driveOfPath("/home", drives), "/home");
    EXPECT_EQ(driveOfPath("/homework", drives), "/");
    EXPECT_EQ(driveOfPath("/", drives), "/");
}

TEST(DriveErrorFromErrno, MissingDevicesAndMediaGetTheDiskNumbers)
{
    EXPECT_EQ(driveErrorFromErrno(ENOENT).number, kDeviceUnavailable);
    EXPECT_EQ(driveErrorFromErrno(ENODEV).number, kDeviceUnavailable);
    EXPECT_EQ(driveErrorFromErrno(ENOMEDIUM).number, kDiskNotReady);
    EXPECT_EQ(driveErrorFromErrno(ENOTCONN).number, kDiskNotReady);
    EXPECT_EQ(driveErrorFromErrno(ENOENT).text, "Device unavailable");
    EXPECT_EQ(driveErrorFromErrno(EIO).text, "Disk not ready");

    const DriveError denied = driveErrorFromErrno(EACCES);
    EXPECT_EQ(denied.number, EACCES);
    EXPECT_EQ(denied.text, "Permission denied");
}

// Drives under a temporary directory, described by a mount table the test writes.
class FakeMountTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.addDirectory("usb/takes");
        tree.addDirectory("elsewhere");
        QFile table(tree.path("mountinfo"));
        ASSERT_TRUE(table.open(QIODevice::WriteOnly));
        table.write(mountLine("/", "ext4") + mountLine(qPrintable(usb()), "vfat")
                    + mountLine(qPrintable(tree.path("gone")), "vfat"));
    }
    QString usb() const { return tree.path("usb"); }

    TempTree tree;
};

TEST_F(FakeMountTable, DriveStartsAtItsMountPoint)
{
    MountedDrives drives(tree.path("mountinfo"));
    EXPECT_EQ(drives.list(), QStringList({"/", tree.path("gone"), usb()}));
    const DriveDirectory moved = drives.currentDirectory(usb());
    EXPECT_FALSE(moved.error);
    EXPECT_EQ(moved.path, usb());
}

TEST_F(FakeMountTable, MissingMountPointOrUnmountedDriveIsDeviceUnavailable)
{
    MountedDrives drives(tree.path("mountinfo"));
    const DriveDirectory gone = drives.currentDirectory(tree.path("gone"));
    ASSERT_TRUE(gone.error);
    EXPECT_EQ(gone.error->number, kDeviceUnavailable);

    const DriveDirectory unmounted = drives.currentDirectory(tree.path("elsewhere"));
    ASSERT_TRUE(unmounted.error);
    EXPECT_EQ(unmounted.error->number, kDeviceUnavailable);
}

TEST_F(FakeMountTable, DriveKeepsTheLastProcessDirectorySeenOnIt)
{
    MountedDrives drives(tree.path("mountinfo"));
    {
        const CurrentDirectoryScope onUsb(tree.path("usb/takes"));
        EXPECT_EQ(drives.currentDirectory(usb()).path, tree.path("usb/takes"));
    }
    const CurrentDirectoryScope elsewhere(tree.path("elsewhere"));
    EXPECT_EQ(drives.currentDirectory(usb()).path, tree.path("usb/takes"));
    EXPECT_EQ(drives.currentDirectory("/").path, tree.path("elsewhere"));

    ASSERT_TRUE(QDir(usb()).rmdir("takes"));
    EXPECT_EQ(drives.currentDirectory(usb()).path, usb());
}
