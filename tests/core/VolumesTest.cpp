#include "core/Volumes.h"

#include "TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

MountEntry Mount(int id, int parent, std::string mountPoint, std::string type,
                 std::string source = "none") {
    return {id, parent, std::move(mountPoint), std::move(type), std::move(source)};
}

TEST(VolumeTable, ParsesFieldsEscapesAndOptionalFields) {
    const std::string table =
        "36 35 98:0 /mnt1 /mnt/parent\\040dir rw,noatime master:1 shared:7 - ext3 /dev/root rw\n"
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "not a mount\n"
        "41 36 0:41 / /cut rw shared:3 -\n" // no type or source: skipped
        "40 36 0:40 / /a\\011b\\012c\\134d\\x rw - fuse.sshfs me@host:/x\\040y rw"; // no last \n
    const std::vector<MountEntry> mounts = ParseMountInfo(table);
    ASSERT_EQ(mounts.size(), 3u);
    EXPECT_EQ(std::pair(mounts[0].id, mounts[0].parentId), std::pair(36, 35));
    EXPECT_EQ(mounts[0].mountPoint, "/mnt/parent dir");
    EXPECT_EQ(mounts[0].type + " " + mounts[0].source, "ext3 /dev/root");
    EXPECT_EQ(mounts[1].mountPoint, "/proc");
    EXPECT_EQ(mounts[2].mountPoint, "/a\tb\nc\\d\\x"); // a backslash with no digits stays
    EXPECT_EQ(mounts[2].source, "me@host:/x y");
    EXPECT_TRUE(ParseMountInfo("").empty());
}

TEST(VolumeTable, ChoosesByTypeAndKeepsTheVisibleMount) {
    const std::vector<MountEntry> mounts = {
        Mount(1, 0, "/", "ext4", "/dev/vda1"),
        Mount(2, 1, "/proc", "proc"),
        Mount(3, 1, "/sys", "sysfs"),
        Mount(4, 3, "/sys/fs/cgroup", "tmpfs"), // writable, but part of /sys
        Mount(6, 1, "/dev", "devtmpfs"),
        Mount(7, 6, "/dev/pts", "devpts"),
        Mount(8, 6, "/dev/shm", "tmpfs"),
        Mount(9, 1, "/run", "tmpfs"), // not writable
        Mount(10, 9, "/run/user/1000", "tmpfs"),
        Mount(11, 10, "/run/user/1000/doc", "fuse.portal"),
        Mount(12, 9, "/run/media/me/STICK", "vfat", "/dev/sdb1"),
        Mount(13, 1, "/snap/core/17", "squashfs", "/dev/loop0"),
        Mount(14, 1, "/net", "autofs"),
        Mount(15, 14, "/net", "nfs4", "server:/export"), // mounted over the automount point
        Mount(16, 1, "/mnt/smb", "cifs", "//srv/share"),
        Mount(17, 1, "/mnt/ntfs", "fuseblk", "/dev/sdc1"),
        Mount(18, 1, "/mnt/old", "ext4", "/dev/sdd1"),
        Mount(19, 18, "/mnt/old", "overlay", "overlay"),
        Mount(20, 1, "/mnt/gone", "ext4", "/dev/sde1"),
        Mount(21, 20, "/mnt/gone", "binfmt_misc"), // what shows there now is no volume
    };
    const auto canWrite = [](const std::string& path) {
        return path == "/dev/shm" || path == "/run/user/1000" || path == "/sys/fs/cgroup";
    };
    Pairs chosen;
    for (const MountEntry& m : ChooseVolumes(mounts, canWrite))
        chosen.emplace_back(m.mountPoint, m.type + " " + m.source);
    EXPECT_EQ(chosen, (Pairs{{"/", "ext4 /dev/vda1"},
                             {"/dev/shm", "tmpfs none"},
                             {"/mnt/ntfs", "fuseblk /dev/sdc1"},
                             {"/mnt/old", "overlay overlay"},
                             {"/mnt/smb", "cifs //srv/share"},
                             {"/net", "nfs4 server:/export"},
                             {"/run/media/me/STICK", "vfat /dev/sdb1"},
                             {"/run/user/1000", "tmpfs none"},
                             {"/run/user/1000/doc", "fuse.portal none"}}));
}

TEST(VolumeTable, LabelsComeFromTheLinksWithUdevEscapesDecoded) {
    TempDir dir;
    MakeFolder(dir / "dev");
    MakeFolder(dir / "by-label");
    WriteFile(dir / "dev/sdb1", "");
    WriteFile(dir / "dev/sdc1", "");
    ASSERT_EQ(::symlink("../dev/sdb1", (dir / "by-label/BACKUP").c_str()), 0);
    ASSERT_EQ(::symlink("../dev/sdc1", (dir / "by-label/My\\x20Disk\\x2f\\xe9").c_str()), 0);
    ASSERT_EQ(::symlink("../dev/none", (dir / "by-label/gone").c_str()), 0);
    const auto device = [&](const char* name) {
        return std::filesystem::canonical(dir / name).string();
    };
    const std::map<std::string, std::string> labels = DeviceLabels(dir / "by-label");
    EXPECT_EQ(Pairs(labels.begin(), labels.end()),
              (Pairs{{device("dev/sdb1"), "BACKUP"}, {device("dev/sdc1"), "My Disk/\xe9"}}));
    EXPECT_TRUE(DeviceLabels(dir / "missing").empty());
}

TEST(VolumeMounts, ListsPrivateTmpfsMountsWithExactBytes) {
    TempDir dir;
    const std::string base = std::filesystem::canonical(dir.path()).string();
    const std::string odd = base + "/caf\xe9 disk", stick = base + "/run/media/me/STICK",
                      readOnly = base + "/run/ro";
    for (const std::string& folder : {odd, stick, readOnly})
        std::filesystem::create_directories(folder);
    const auto check = [&] {
        const std::vector<Volume> volumes = MountedVolumes();
        std::vector<std::string> under;
        for (const Volume& v : volumes)
            if (v.mountPoint.rfind(base + "/", 0) == 0)
                under.push_back(v.mountPoint);
        EXPECT_EQ(under, (std::vector<std::string>{odd, stick})); // ordered, read-only left out
        const int at = VolumeIndexFor(volumes, odd + "/inside");
        ASSERT_GE(at, 0);
        EXPECT_EQ(volumes[static_cast<size_t>(at)].mountPoint, odd);
        EXPECT_NE(VolumeIndexFor(volumes, odd + "x"), at); // a longer name is no path inside it
        EXPECT_TRUE(volumes[static_cast<size_t>(at)].displayText().endsWith(
            QStringLiteral("/caf\\xE9 disk")));
    };
    const std::string error = InPrivateMounts([&]() -> std::string {
        for (const auto& [folder, flags] :
             {std::pair{odd, 0UL}, {stick, 0UL}, {readOnly, MS_RDONLY}})
            if (std::string failed = MountFileSystem("tmpfs", folder, flags, "size=1m");
                !failed.empty())
                return failed;
        check();
        return {};
    });
    if (!error.empty())
        GTEST_SKIP() << "no private tmpfs: " << error;
}

} // namespace
