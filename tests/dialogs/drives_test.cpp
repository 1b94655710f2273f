// SPDX-License-Identifier: GPL-3.0-or-later
#include "drives.h"

#include "qt_printers.h"
#include "scoped_directory.h"

#include <cerrno>

#include <gtest/gtest.h>

using namespace quorvel;

TEST(DrivesFromMounts, KeepsFileSystemsThatHoldUserFilesWithRootFirst)
{
    const QList<Mount> mounts{
        {"/home", "ext4"},
        {"/", "ext4"},
        {"/proc", "proc"},
        {"/sys", "sysfs"},
        {"/dev", "devtmpfs"},
        {"/dev/shm", "tmpfs"},
        {"/sys/fs/cgroup/cpu", "cgroup"},
        {"/run", "tmpfs"},
        {"/run/user/1000", "tmpfs"},
        {"/run/user/1000/gvfs", "fuse.gvfsd-fuse"},
        {"/run/media/ann/STICK", "vfat"},
        {"/media/My Disk", "exfat"},
        {"/tmp", "tmpfs"},
        {"/snap/core/17", "squashfs"},
        {"/boot/efi", "vfat"},
        {"/var/lib/docker/overlay2/x", "overlay"},
        {"/mnt/cdrom", "autofs"},
        {"/mnt/nas", "nfs4"},
        {"/mnt/box", "fuse.sshfs"},
    };

    EXPECT_EQ(drivesFromMounts(mounts),
              QStringList({"/", "/home", "/media/My Disk", "/mnt/box", "/mnt/cdrom", "/mnt/nas",
                           "/run/media/ann/STICK", "/tmp"}));
}

TEST(DrivesFromMounts, LastMountOnAPointDecidesAndRootIsAlwaysThere)
{
    const QList<Mount> mounts{{"/mnt/cdrom", "autofs"},
                              {"/mnt/cdrom", "iso9660"},
                              {"/mnt/hidden", "ext4"},
                              {"/mnt/hidden", "proc"}};

    EXPECT_EQ(drivesFromMounts(mounts), QStringList({"/", "/mnt/cdrom"}));
    EXPECT_EQ(drivesFromMounts({}), QStringList({"/"}));
}

TEST(MountedDrives, ThisMachineListsRootFirstAndNoPseudoFileSystems)
{
    const QStringList drives = MountedDrives::process().list();
    ASSERT_FALSE(drives.isEmpty());
    EXPECT_EQ(drives.first(), "/");
    EXPECT_EQ(drives.count("/"), 1);
    for (const QString& drive : drives) {
        EXPECT_FALSE(drive.startsWith("/proc") || drive.startsWith("/sys/") ||
                     drive.startsWith("/dev/"))
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

// Drives under a temporary directory, as a list of mounts the test makes.
class FakeMountTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.addDirectory("usb/takes");
        tree.addDirectory("elsewhere");
    }
    QString usb() const { return tree.path("usb"); }
    QList<Mount> mounts() const
    {
        return {{"/", "ext4"}, {usb(), "vfat"}, {tree.path("gone"), "vfat"}};
    }

    TempTree tree;
    MountedDrives drives{[this] { return mounts(); }};
};

TEST_F(FakeMountTable, DriveStartsAtItsMountPoint)
{
    EXPECT_EQ(drives.list(), QStringList({"/", tree.path("gone"), usb()}));
    const DriveDirectory moved = drives.currentDirectory(usb());
    EXPECT_FALSE(moved.error);
    EXPECT_EQ(moved.path, usb());
}

TEST_F(FakeMountTable, MissingMountPointOrUnmountedDriveIsDeviceUnavailable)
{
    const DriveDirectory gone = drives.currentDirectory(tree.path("gone"));
    ASSERT_TRUE(gone.error);
    EXPECT_EQ(gone.error->number, kDeviceUnavailable);

    const DriveDirectory unmounted = drives.currentDirectory(tree.path("elsewhere"));
    ASSERT_TRUE(unmounted.error);
    EXPECT_EQ(unmounted.error->number, kDeviceUnavailable);
}

TEST_F(FakeMountTable, DriveKeepsTheLastProcessDirectorySeenOnIt)
{
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
