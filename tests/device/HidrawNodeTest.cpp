// Telling a replugged hidraw node from the one that was opened: a node file
// and a sysfs tree of the test's own stand in for /dev and /sys. Making a
// character device needs root; elsewhere these tests are skipped.
#include "device/hid/HidrawNode.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class HidrawNodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("rt604-hidraw-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "dev");
        fs::create_directories(dir_ / "sys/class/hidraw/hidraw7");
        node_ = (dir_ / "dev/hidraw7").string();
        sys_ = (dir_ / "sys/class/hidraw").string();
        if (!MakeNode())
            GTEST_SKIP() << "cannot make a character device here: " << std::strerror(errno);
        PlugDevice("0003:320F:5000.0001");
    }

    void TearDown() override { fs::remove_all(dir_); }

    // A character device with the numbers of /dev/null, so opening it is
    // harmless.
    bool MakeNode(const std::string& path) { return ::mknod(path.c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0; }
    bool MakeNode() { return MakeNode(node_); }
    // A new node file under the same name, made before the old one goes (as
    // devtmpfs hands out inode numbers that are not reused soon, where a
    // disk file system would hand the freed one straight back).
    void ReplaceNode()
    {
        ASSERT_TRUE(MakeNode(node_ + ".new"));
        fs::rename(node_ + ".new", node_);
    }

    // The node's "device" link, as the kernel makes it for each HID device.
    void PlugDevice(const std::string& hidDevice)
    {
        const fs::path device = dir_ / "sys/devices/usb1/1-2/1-2:1.1" / hidDevice;
        fs::create_directories(device);
        const fs::path link = dir_ / "sys/class/hidraw/hidraw7/device";
        fs::remove(link);
        fs::create_directory_symlink(device, link);
    }

    fs::path dir_;
    std::string node_;
    std::string sys_;
};

TEST_F(HidrawNodeTest, TheOpenedNodeMatchesThePathUntilItIsReplaced)
{
    const int fd = ::open(node_.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string opened = HidrawIdentityOfFd(fd, node_, sys_);
    ASSERT_FALSE(opened.empty());
    EXPECT_NE(opened.find("0003:320F:5000.0001"), std::string::npos) << opened;
    EXPECT_EQ(HidrawIdentityOfPath(node_, sys_), opened);

    // Replugged under the same name: the kernel's new HID device has the
    // next sequence number and devtmpfs makes a new node file.
    const std::string spare = node_ + ".old";
    fs::rename(node_, spare);
    EXPECT_EQ(HidrawIdentityOfPath(node_, sys_), ""); // gone for a moment
    ReplaceNode();
    PlugDevice("0003:320F:5000.0002");
    const std::string replugged = HidrawIdentityOfPath(node_, sys_);
    EXPECT_FALSE(replugged.empty());
    EXPECT_NE(replugged, opened);
    EXPECT_NE(HidrawIdentityOfFd(fd, node_, sys_), replugged);
    ::close(fd);
}

TEST_F(HidrawNodeTest, EachHalfAloneTellsAReplugApart)
{
    const std::string before = HidrawIdentityOfPath(node_, sys_);
    ASSERT_FALSE(before.empty());

    // Only the HID device is new (the node file kept, as a slow udev might).
    PlugDevice("0003:320F:5000.0002");
    const std::string newDevice = HidrawIdentityOfPath(node_, sys_);
    EXPECT_NE(newDevice, before);

    // Only the node file is new (same sysfs device).
    ReplaceNode();
    EXPECT_NE(HidrawIdentityOfPath(node_, sys_), newDevice);

    // Without sysfs the node file's numbers still count.
    fs::remove(dir_ / "sys/class/hidraw/hidraw7/device");
    const std::string bare = HidrawIdentityOfPath(node_, sys_);
    EXPECT_FALSE(bare.empty());
    ReplaceNode();
    EXPECT_NE(HidrawIdentityOfPath(node_, sys_), bare);
}

TEST_F(HidrawNodeTest, OnlyCharacterDevicesHaveAnIdentity)
{
    const std::string file = (dir_ / "dev/hidraw8").string();
    std::ofstream(file) << "not a device";
    EXPECT_EQ(HidrawIdentityOfPath(file, sys_), "");
    fs::create_directories(dir_ / "dev/hidraw9");
    EXPECT_EQ(HidrawIdentityOfPath((dir_ / "dev/hidraw9").string(), sys_), "");
    EXPECT_EQ(HidrawIdentityOfPath((dir_ / "dev/hidraw10").string(), sys_), "");
    EXPECT_EQ(HidrawIdentityOfFd(-1, node_, sys_), "");
}

} // namespace

TEST(HidrawErrorOutcome, UnplugErrorsAreTheDeviceGone)
{
    const struct {
        int error;
        HidIo outcome;
    } cases[] = {
        {ENODEV, HidIo::Gone},     // write to a node whose device left
        {EIO, HidIo::Gone},        // read from such a node
        {ENXIO, HidIo::Gone},      //
        {ESHUTDOWN, HidIo::Gone},  // the USB endpoint was shut down
        {EPIPE, HidIo::Failed},    // a stalled endpoint: the device is still there
        {EINVAL, HidIo::Failed},   // a report the device does not take
        {EPROTO, HidIo::Failed},   //
        {ENOMEM, HidIo::Failed},   //
        {0, HidIo::Failed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HidrawErrorOutcome(c.error), c.outcome) << c.error;
}
