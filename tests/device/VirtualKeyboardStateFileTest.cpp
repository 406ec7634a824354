// The virtual keyboard's state file: never written unless it is one, shared
// by every keyboard running on it as one keyboard, and no change taken that
// could not be saved.
#include "device/protocol/CommandFrame.h"
#include "device/protocol/DeviceState.h"
#include "device/virtual/VirtualKeyboard.h"
#include "device/virtual/VirtualKeyboardStateFile.h"
#include "platform/AtomicFile.h"
#include "support/HostilePaths.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// One program's view of a keyboard: the configuration handle.
struct Host {
    std::unique_ptr<VirtualKeyboard> keyboard;
    std::unique_ptr<HidHandle> config;

    HidIo Send(const Frame& request, Frame& reply)
    {
        size_t n = 0;
        if (HidIo io = config->Write(request, n, 1000); io != HidIo::Done)
            return io;
        return config->Read(reply, n, 500);
    }
    // A one-byte parameter write inside a group of its own, as the program
    // makes them; the keyboard's answer status, or 0 when a frame of it
    // could not be written.
    uint8_t WriteParam(uint16_t offset, uint8_t value)
    {
        if (!Group(CmdBeginUpdate))
            return 0;
        const uint8_t status = WriteInGroup(offset, value);
        return Group(CmdEndUpdate) ? status : 0;
    }
    uint8_t WriteInGroup(uint16_t offset, uint8_t value)
    {
        Frame reply{};
        if (Send(BuildRequest(CmdWriteParams, 1, offset, std::vector<uint8_t>{value}), reply) != HidIo::Done)
            return 0;
        return reply[7];
    }
    int ReadParam(uint16_t offset)
    {
        Frame reply{};
        if (!Group(CmdBeginUpdate) || Send(BuildRequest(CmdReadParams, 1, offset), reply) != HidIo::Done
            || !Group(CmdEndUpdate))
            return -1;
        return reply[8];
    }
    bool Group(uint8_t command)
    {
        Frame reply{};
        return Send(BuildRequest(command, 0, 0), reply) == HidIo::Done;
    }
};

class VirtualKeyboardStateFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path()
            / ("rt604-vkfile-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "keyboard.state").string();
    }
    void TearDown() override { fs::remove_all(dir_); }

    Host Open(std::string* error = nullptr) const
    {
        std::string why;
        Host host;
        host.keyboard = OpenVirtualKeyboard(path_, VirtualKeyboardOptions{}, why);
        if (error)
            *error = why;
        if (host.keyboard) {
            HidOpenMode rw;
            rw.write = true;
            host.config = host.keyboard->Open(host.keyboard->ConfigPath(), rw);
        }
        return host;
    }
    KeyboardMemories OnDisk() const
    {
        std::string text;
        EXPECT_TRUE(ReadWholeFile(path_, text, 1 << 20));
        KeyboardMemories memories;
        EXPECT_TRUE(DecodeKeyboardState(reinterpret_cast<const uint8_t*>(text.data()), text.size(), memories));
        return memories;
    }
    static std::string Slurp(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
    std::string path_;
};

TEST_F(VirtualKeyboardStateFileTest, AMissingFileBecomesAFactoryKeyboardOfItsModel)
{
    Host first = Open();
    ASSERT_TRUE(first.keyboard);
    EXPECT_EQ(OnDisk(), FactoryMemories(0x5000, 64));
    // A 126-key keyboard's file brings that model up, whatever the default.
    ASSERT_TRUE(WriteFileAtomically(path_, std::span<const uint8_t>(EncodeKeyboardState(FactoryMemories(0, 16)))));
    Host other = Open();
    ASSERT_TRUE(other.keyboard);
    EXPECT_EQ(other.keyboard->Memories().productId, 0);
    EXPECT_EQ(other.keyboard->Memories().MacroCapacity(), 16u * 128u);
}

TEST_F(VirtualKeyboardStateFileTest, WhatIsNoStateFileIsRefusedAndLeftAsItIs)
{
    struct Case {
        const char* kind;
        std::string contents;
        const char* reason;
    };
    const Case cases[] = {
        {"100 KB of other data", std::string(100 * 1024, 'x'), "larger than a state file"},
        {"a few bytes of text", "not a keyboard", "checksum"},
        {"a damaged state", [] {
             std::vector<uint8_t> bytes = EncodeKeyboardState(FactoryMemories(0x5000, 64));
             bytes[100] ^= 1;
             return std::string(bytes.begin(), bytes.end());
         }(), "checksum"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        ASSERT_TRUE(WriteFileAtomically(path_, c.contents));
        std::string error;
        EXPECT_FALSE(Open(&error).keyboard);
        EXPECT_NE(error.find(path_), std::string::npos) << error;
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(Slurp(path_), c.contents);
    }
    for (const HostilePath& hostile : MakeHostilePaths(dir_)) {
        SCOPED_TRACE(hostile.kind);
        path_ = hostile.path;
        std::string error;
        EXPECT_FALSE(Open(&error).keyboard);
        EXPECT_NE(error.find(hostile.path), std::string::npos) << error;
        EXPECT_NE(error.find(hostile.reason), std::string::npos) << error;
    }
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo"));
    EXPECT_TRUE(fs::is_directory(dir_ / "folder.vpf"));
}

TEST_F(VirtualKeyboardStateFileTest, TwoProgramsOnOneFileAreOneKeyboard)
{
    // As the window and rt604ctl: two keyboards, each with its own view.
    Host window = Open();
    Host tool = Open();
    ASSERT_TRUE(window.keyboard && tool.keyboard);

    ASSERT_EQ(tool.WriteParam(10, 0x11), StatusOk);
    EXPECT_EQ(window.ReadParam(10), 0x11); // each sees the other's writes
    ASSERT_EQ(window.WriteParam(20, 0x22), StatusOk);
    EXPECT_EQ(tool.ReadParam(20), 0x22);

    // A group keeps the file to itself; a write of the other program waits
    // for its end and then builds on it instead of overwriting it.
    ASSERT_TRUE(window.Group(CmdBeginUpdate));
    ASSERT_EQ(window.WriteInGroup(30, 0x33), StatusOk);
    std::future<uint8_t> waiting = std::async(std::launch::async, [&tool] { return tool.WriteParam(40, 0x44); });
    EXPECT_EQ(waiting.wait_for(100ms), std::future_status::timeout);
    ASSERT_TRUE(window.Group(CmdEndUpdate));
    EXPECT_EQ(waiting.get(), StatusOk);
    ASSERT_EQ(window.WriteParam(50, 0x55), StatusOk);

    const KeyboardMemories disk = OnDisk();
    EXPECT_EQ(disk.params[10], 0x11);
    EXPECT_EQ(disk.params[20], 0x22);
    EXPECT_EQ(disk.params[30], 0x33);
    EXPECT_EQ(disk.params[40], 0x44);
    EXPECT_EQ(disk.params[50], 0x55);
    EXPECT_EQ(window.keyboard->Memories(), disk);
}

TEST_F(VirtualKeyboardStateFileTest, AChangeThatCannotBeSavedIsNotTaken)
{
    Host host = Open();
    ASSERT_TRUE(host.keyboard);
    const std::string before = Slurp(path_);
    std::vector<std::string> told;
    host.keyboard->SetStateFileErrorHandler([&told](const std::string& problem) { told.push_back(problem); });
    {
        ScopedFileSizeLimit full(4096); // the state is about 12 KB
        EXPECT_EQ(host.WriteParam(10, 0x11), 0);
        // A group's changes all go when its end cannot be saved.
        ASSERT_TRUE(host.Group(CmdBeginUpdate));
        ASSERT_EQ(host.WriteInGroup(11, 0x12), StatusOk);
        ASSERT_EQ(host.WriteInGroup(12, 0x13), StatusOk);
        EXPECT_FALSE(host.Group(CmdEndUpdate));
    }
    EXPECT_EQ(Slurp(path_), before);
    EXPECT_EQ(host.keyboard->Memories().params[10], 0);
    EXPECT_EQ(host.keyboard->Memories().params[11], 0);
    EXPECT_EQ(host.keyboard->Memories().params[12], 0);
    ASSERT_EQ(told.size(), 2u);
    EXPECT_NE(told[0].find(path_ + ": the virtual keyboard's state cannot be saved: File too large"),
              std::string::npos)
        << told[0];
    EXPECT_EQ(host.keyboard->StateFileError(), told[0]);
    // With room again, writes are taken and saved.
    EXPECT_EQ(host.WriteParam(10, 0x11), StatusOk);
    EXPECT_EQ(OnDisk().params[10], 0x11);
}

// What the keyboard changes by itself (its effect key, its reset) goes
// through the file like a write, and is announced only when it was kept.
TEST_F(VirtualKeyboardStateFileTest, TheKeyboardsOwnChangesAreSavedBeforeTheyAreAnnounced)
{
    Host window = Open();
    Host tool = Open();
    ASSERT_TRUE(window.keyboard && tool.keyboard);
    std::vector<HidInterfaceInfo> list;
    ASSERT_TRUE(window.keyboard->Enumerate(list));
    std::unique_ptr<HidHandle> notify = window.keyboard->Open(window.keyboard->NotifyPath(), HidOpenMode{true, false, false});
    ASSERT_TRUE(notify);
    auto announced = [&notify] {
        std::array<uint8_t, 3> report{};
        size_t n = 0;
        if (notify->Read(report, n, 50) != HidIo::Done)
            return std::array<uint8_t, 3>{};
        std::array<uint8_t, 3> release{};
        EXPECT_EQ(notify->Read(release, n, 50), HidIo::Done);
        EXPECT_EQ(release, (std::array<uint8_t, 3>{3, 0, 0}));
        return report;
    };

    ASSERT_EQ(tool.WriteParam(0, 4), StatusOk); // the other program chose effect 4
    window.keyboard->ChangeLightingOnKeyboard();
    EXPECT_EQ(announced(), (std::array<uint8_t, 3>{3, 0x01, 0x04}));
    EXPECT_EQ(OnDisk().params[0], 5) << "the next effect after the one the file holds";
    EXPECT_EQ(tool.ReadParam(0), 5);

    {
        ScopedFileSizeLimit full(4096);
        window.keyboard->ChangeLightingOnKeyboard();
        EXPECT_EQ(announced(), (std::array<uint8_t, 3>{})) << "a change the file did not keep is not announced";
    }
    EXPECT_EQ(OnDisk().params[0], 5);
    EXPECT_EQ(window.keyboard->Memories().params[0], 5);

    ASSERT_EQ(tool.WriteParam(10, 0x11), StatusOk);
    window.keyboard->SendNotice(0x0402);
    EXPECT_EQ(announced(), (std::array<uint8_t, 3>{3, 0x02, 0x04}));
    EXPECT_EQ(OnDisk(), FactoryMemories(OnDisk().productId, OnDisk().deviceInfo[DeviceInfoMacroUnits]));
    EXPECT_EQ(tool.ReadParam(10), 0);
}

TEST_F(VirtualKeyboardStateFileTest, AFileReplacedBySomethingElseIsNeverWritten)
{
    Host host = Open();
    ASSERT_TRUE(host.keyboard);
    const std::string other(5000, 'o');
    ASSERT_TRUE(WriteFileAtomically(path_, other));
    EXPECT_EQ(host.WriteParam(10, 0x11), 0);
    EXPECT_NE(host.keyboard->StateFileError().find("not a virtual keyboard state file"), std::string::npos);
    EXPECT_EQ(Slurp(path_), other);
}

} // namespace
