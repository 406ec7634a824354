#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/CommandFrame.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"
#include "device/virtual/VirtualKeyboardStateFile.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "platform/AtomicFile.h"
#include "platform/Bytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <set>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Entry decoding as the key tables define it, written out here so that the
// factory map is checked against the tables rather than against itself.
uint16_t DecodeWithKeyTables(const uint8_t* e)
{
    static constexpr uint16_t modifiers[8] = {29, 42, 56, 347, 285, 54, 312, 348};
    switch (e[0]) {
    case 2:
        if (e[1] == 2)
            return DeviceCodeToKeyCode(e[2]);
        for (int bit = 0; bit < 8; ++bit) {
            if (e[2] & (1 << bit))
                return modifiers[bit];
        }
        return 0;
    case 3: {
        const uint16_t usage = static_cast<uint16_t>(e[1] | (e[2] << 8));
        for (size_t k = 0; k < ConsumerUsageList.size(); ++k) {
            if (ConsumerUsageList[k] == usage && usage != 0)
                return DeviceCodeToKeyCode(static_cast<uint8_t>(0xC0 + k));
        }
        return 0;
    }
    case 6:
        return e[1] == 0xA2 ? static_cast<uint16_t>(511 + e[2]) : 0;
    default:
        return 0;
    }
}

std::string LabelOf(uint16_t keyCode)
{
    if (keyCode >= 512)
        return "G" + std::to_string(keyCode - 511);
    return keyCode == 0 ? "" : KeyRecordOf(keyCode).label;
}

// The light matrix as the picture shows it: label of the key at each colour
// index, "" where the matrix has no key; G keys and media keys sit on dark
// positions of our factory map.
const std::map<int, std::string>& ExpectedLabels()
{
    static const std::map<int, std::string> labels = [] {
        std::map<int, std::string> m;
        const char* row0[] = {"Esc", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12"};
        for (int i = 0; i < 13; ++i)
            m[i] = row0[i];
        m[14] = "Print Screen";
        m[15] = "Scroll Lock";
        m[16] = "Pause";
        const char* row1[] = {"`", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "=", "Backspace",
                              "Insert", "Home", "Page Up", "Num Lock", "Num /", "Num *", "Num -"};
        for (int i = 0; i < 21; ++i)
            m[21 + i] = row1[i];
        const char* row2[] = {"Tab", "Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]", "\\",
                              "Delete", "End", "Page Down", "Num 7", "Num 8", "Num 9", "Num +"};
        for (int i = 0; i < 21; ++i)
            m[42 + i] = row2[i];
        const char* row3[] = {"Caps Lock", "A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "'"};
        for (int i = 0; i < 12; ++i)
            m[63 + i] = row3[i];
        m[76] = "Enter";
        m[80] = "Num 4";
        m[81] = "Num 5";
        m[82] = "Num 6";
        const char* row4[] = {"Shift", "K45", "Z", "X", "C", "V", "B", "N", "M", ",", ".", "/", "K56", "Right Shift"};
        for (int i = 0; i < 14; ++i)
            m[84 + i] = row4[i];
        m[99] = "↑";
        m[101] = "Num 1";
        m[102] = "Num 2";
        m[103] = "Num 3";
        m[104] = "Num Enter";
        const char* row5[] = {"Ctrl", "Win", "Alt", "Space", "Right Alt", "", "App", "Right Win", "Right Ctrl"};
        for (int i = 0; i < 9; ++i)
            m[105 + i] = row5[i];
        m[119] = "←";
        m[120] = "↓";
        m[121] = "→";
        m[123] = "Num 0";
        m[124] = "Num .";
        return m;
    }();
    return labels;
}

class FactoryKeyMapTest : public ::testing::TestWithParam<uint16_t> {};

TEST_P(FactoryKeyMapTest, EveryPositionDecodesToTheKeyOfItsLight)
{
    const uint16_t product = GetParam();
    const KeyboardModel* model = ModelForProductId(product);
    ASSERT_NE(model, nullptr);
    const std::vector<uint8_t> map = FactoryKeyMap(product);
    ASSERT_EQ(map.size(), static_cast<size_t>(model->keyCount) * 3);

    std::set<std::string> gKeys;
    int mediaKeys = 0;
    for (int k = 0; k < model->keyCount; ++k) {
        const uint8_t* e = map.data() + 3 * k;
        const uint16_t code = DecodeWithKeyTables(e);
        const std::string label = LabelOf(code);
        auto expected = ExpectedLabels().find(k);
        if (expected != ExpectedLabels().end()) {
            EXPECT_EQ(label, expected->second) << "position " << k;
            continue;
        }
        // Dark positions hold a G key, a media key or nothing.
        if (e[0] == 6) {
            EXPECT_TRUE(gKeys.insert(label).second) << "G key twice: " << label;
        } else if (e[0] == 3) {
            EXPECT_TRUE(IsMediaKeyCode(code)) << "position " << k;
            ++mediaKeys;
        } else {
            EXPECT_EQ(e[0] | e[1] | e[2], 0) << "position " << k;
        }
    }
    EXPECT_EQ(gKeys, (std::set<std::string>{"G1", "G2", "G3", "G4", "G5", "G6", "G7", "G8", "G9"}));
    EXPECT_GE(mediaKeys, product == 0x5000 ? 6 : 4);
    // Fn is the keyboard's own business and has no entry.
    EXPECT_EQ(map[3 * FnPosition] | map[3 * FnPosition + 1] | map[3 * FnPosition + 2], 0);
    // Modifiers are bits, ordinary keys are usages.
    EXPECT_EQ((std::vector<uint8_t>{map[3 * 84], map[3 * 84 + 1], map[3 * 84 + 2]}), (std::vector<uint8_t>{2, 1, 0x02}));
    EXPECT_EQ((std::vector<uint8_t>{map[3 * 64], map[3 * 64 + 1], map[3 * 64 + 2]}), (std::vector<uint8_t>{2, 2, 0x04}));
}

INSTANTIATE_TEST_SUITE_P(BothModels, FactoryKeyMapTest, ::testing::Values(uint16_t{0x5000}, uint16_t{0}));

TEST(VirtualKeyboardFactory, MemoriesFollowTheModel)
{
    const KeyboardMemories big = FactoryMemories(0x5000, 64);
    EXPECT_EQ(big.keyMapBytes, 512);
    EXPECT_EQ(big.keyMaps.size(), 3u * 512);
    EXPECT_EQ(big.macroMemory.size(), 64u * 128);
    EXPECT_NE(ReadU16(big.macroMemory.data(), 0), 0x55AA);
    EXPECT_EQ(big.deviceInfo[11], 64);
    for (int p = 0; p < 3; ++p) {
        const uint8_t* r = big.params.data() + 42 * p;
        EXPECT_EQ((std::vector<uint8_t>(r, r + 8)), (std::vector<uint8_t>{1, 4, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    }
    const KeyboardMemories small = FactoryMemories(0, 10);
    EXPECT_EQ(small.keyMapBytes, 378);
    EXPECT_EQ(small.defaultKeyMap.size(), 378u);
    EXPECT_EQ(small.macroMemory.size(), 1280u);
    // Effect codes 1..18 and 20 with gaps.
    std::set<int> codes;
    for (int i = 12; i < 44; ++i) {
        if (big.deviceInfo[i] != 0 && big.deviceInfo[i] != 0xFE)
            codes.insert(big.deviceInfo[i]);
    }
    EXPECT_EQ(codes.size(), 19u);
    EXPECT_TRUE(codes.count(20) && codes.count(18) && codes.count(1) && !codes.count(19));
}

// --- the firmware's answers ------------------------------------------------

Frame Corrupted(Frame f)
{
    f[1] ^= 0x01;
    return f;
}

Frame WithLength(Frame f, uint8_t length)
{
    f[4] = length;
    WriteU16(f.data(), 1, FrameChecksum(f));
    return f;
}

TEST(VirtualKeyboardFirmware, RefusalsChangeNothing)
{
    const std::vector<uint8_t> data(56, 0x5A);
    struct Case {
        const char* name;
        Frame request;
        uint8_t status;
    };
    const uint16_t macroEnd = 64 * 128;
    const Case cases[] = {
        {"bad checksum", Corrupted(BuildRequest(CmdWriteParams, 8, 0, data)), StatusBadChecksum},
        {"length 57", WithLength(BuildRequest(CmdWriteParams, 56, 0, data), 57), StatusRefused},
        {"params past the end", BuildRequest(CmdWriteParams, 8, 250, data), StatusRefused},
        {"key map past 3 maps", BuildRequest(CmdWriteKeyMap, 56, 3 * 512 - 55, data), StatusRefused},
        {"macro past capacity", BuildRequest(CmdWriteMacroMemory, 1, macroEnd, data), StatusRefused},
        {"colours past 3 profiles", BuildRequest(CmdWriteKeyColors, 3, 1536 - 2, data), StatusRefused},
        {"colours cannot be read back", BuildRequest(0x10, 3, 0, data), StatusRefused},
        {"unknown command", BuildRequest(0x20, 0, 0), StatusRefused},
        {"profile 3", BuildRequest(CmdWriteDeviceInfo, 1, 10, std::vector<uint8_t>{3}), StatusRefused},
    };
    for (const Case& c : cases) {
        KeyboardMemories m = FactoryMemories(0x5000, 64);
        const KeyboardMemories before = m;
        FirmwareOutcome out = HandleRequest(m, c.request);
        ASSERT_TRUE(out.reply) << c.name;
        EXPECT_EQ(ReplyStatus(*out.reply), c.status) << c.name;
        EXPECT_FALSE(out.changedMemory) << c.name;
        EXPECT_TRUE(m == before) << c.name;
    }
}

TEST(VirtualKeyboardFirmware, AcceptedRequestsReachTheirMemory)
{
    KeyboardMemories m = FactoryMemories(0, 64);
    const std::vector<uint8_t> bytes = {9, 8, 7};
    struct Case {
        uint8_t command;
        uint16_t offset;
        std::function<const uint8_t*(const KeyboardMemories&)> where;
    };
    const Case cases[] = {
        {CmdWriteParams, 84 + 5, [](const KeyboardMemories& k) { return k.params.data() + 89; }},
        {CmdWriteKeyMap, 2 * 378 + 375, [](const KeyboardMemories& k) { return k.keyMaps.data() + 2 * 378 + 375; }},
        {CmdWriteMacroMemory, 8189, [](const KeyboardMemories& k) { return k.macroMemory.data() + 8189; }},
        {CmdWriteKeyColors, 2 * 512 + 125 * 3, [](const KeyboardMemories& k) { return k.keyColors.data() + 1024 + 375; }},
    };
    bool groupOpen = true; // memory writes go inside a BeginUpdate/EndUpdate group
    for (const Case& c : cases) {
        FirmwareOutcome out = HandleRequest(m, BuildRequest(c.command, 3, c.offset, bytes), groupOpen);
        ASSERT_TRUE(out.reply);
        EXPECT_EQ(StatusResult(ReplyStatus(*out.reply)), 1) << int(c.command);
        const uint8_t* at = c.where(m);
        EXPECT_EQ((std::vector<uint8_t>(at, at + 3)), bytes) << int(c.command);
    }
    // Reads echo the header and carry the bytes from byte 8.
    const Frame read = BuildRequest(CmdReadKeyMap, 3, 2 * 378 + 375);
    FirmwareOutcome out = HandleRequest(m, read);
    ASSERT_TRUE(out.reply);
    EXPECT_TRUE(std::equal(read.begin(), read.begin() + 7, out.reply->begin()));
    EXPECT_EQ((std::vector<uint8_t>(out.reply->begin() + 8, out.reply->begin() + 11)), bytes);
    EXPECT_EQ((*out.reply)[11], 0);
}

TEST(VirtualKeyboardFirmware, DeviceInfoWriteOnlySwitchesTheProfile)
{
    KeyboardMemories m = FactoryMemories(0x5000, 64);
    std::array<uint8_t, 44> block{};
    block.fill(0x77);
    block[10] = 2;
    FirmwareOutcome out = HandleRequest(m, BuildRequest(CmdWriteDeviceInfo, 44, 0, block));
    EXPECT_EQ(ReplyStatus(*out.reply), StatusOk);
    KeyboardMemories expected = FactoryMemories(0x5000, 64);
    expected.deviceInfo[10] = 2;
    EXPECT_TRUE(m == expected);
    EXPECT_EQ(m.ActiveProfile(), 2);
}

TEST(VirtualKeyboardFirmware, LoaderFrameNeedsNoChecksumAndGetsNoReply)
{
    KeyboardMemories m = FactoryMemories(0x5000, 64);
    FirmwareOutcome out = HandleRequest(m, BuildEnterLoaderFrame());
    EXPECT_TRUE(out.enterLoader);
    EXPECT_FALSE(out.reply);
}

// --- the backend: interfaces, cable, notices, faults -----------------------

struct Opened {
    std::unique_ptr<HidHandle> config;
    std::unique_ptr<HidHandle> notify;
};

Opened OpenBoth(VirtualKeyboard& kb)
{
    HidOpenMode rw;
    rw.write = true;
    return {kb.Open(kb.ConfigPath(), rw), kb.Open(kb.NotifyPath(), HidOpenMode{})};
}

HidIo Exchange(HidHandle& h, const Frame& request, Frame& reply, int timeoutMs = 200)
{
    size_t n = 0;
    if (HidIo io = h.Write(request, n, 1000); io != HidIo::Done)
        return io;
    return h.Read(reply, n, timeoutMs);
}

TEST(VirtualKeyboardBackend, ListsBothCollectionsAndTheForeignMouse)
{
    for (bool withIds : {true, false}) {
        VirtualKeyboardOptions options;
        options.pathsWithIds = withIds;
        VirtualKeyboard kb(options);
        std::vector<HidInterfaceInfo> list;
        ASSERT_TRUE(kb.Enumerate(list));
        ASSERT_EQ(list.size(), 3u);
        std::set<std::string> paths;
        int config = 0, notify = 0;
        for (const HidInterfaceInfo& i : list) {
            paths.insert(i.path);
            config += i.vendorId == 0x320F && i.usagePage == 0xFF1C && i.usage == 0x92;
            notify += i.vendorId == 0x320F && i.usagePage == 0x000C && i.usage == 0x0001;
        }
        EXPECT_EQ(paths.size(), 3u);
        EXPECT_EQ(config, 1);
        EXPECT_EQ(notify, 1);
        EXPECT_EQ(kb.ConfigPath().find("vid_") != std::string::npos, withIds);

        Opened h = OpenBoth(kb);
        ASSERT_TRUE(h.config && h.notify);
        EXPECT_EQ(h.config->CollectionIndex(), 0);
        EXPECT_EQ(h.notify->CollectionIndex(), 1);
        EXPECT_EQ(h.config->ReportDescriptor(), KeyboardReportDescriptor());
        EXPECT_EQ(h.config->Info().productId, 0x5000);
    }
}

TEST(VirtualKeyboardBackend, UnplugFailsAWaitingReadAtOnceAndKillsHandles)
{
    VirtualKeyboard kb;
    Opened h = OpenBoth(kb);
    auto waiting = std::async(std::launch::async, [&] {
        std::array<uint8_t, 64> buffer{};
        size_t n = 0;
        return h.notify->Read(buffer, n, HidInfinite);
    });
    std::this_thread::sleep_for(20ms);
    const auto start = std::chrono::steady_clock::now();
    kb.Unplug();
    EXPECT_EQ(waiting.get(), HidIo::Gone);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);

    EXPECT_FALSE(kb.Present(kb.ConfigPath()));
    EXPECT_TRUE(kb.Present(kb.MousePath()));
    std::vector<HidInterfaceInfo> list;
    ASSERT_TRUE(kb.Enumerate(list));
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(kb.Open(kb.ConfigPath(), HidOpenMode{}), nullptr);

    kb.Plug();
    EXPECT_TRUE(kb.Present(kb.ConfigPath()));
    Frame reply{};
    EXPECT_EQ(Exchange(*h.config, BuildRequest(CmdBeginUpdate, 0, 0), reply), HidIo::Gone);
    Opened fresh = OpenBoth(kb);
    EXPECT_EQ(Exchange(*fresh.config, BuildRequest(CmdBeginUpdate, 0, 0), reply), HidIo::Done);
}

// A replug brings the nodes back under the same paths, but as new nodes: the
// identity of what is under a path tells a handle on the keyboard that is
// there now from one on the keyboard that was unplugged.
TEST(VirtualKeyboardBackend, EveryPlugIsANewNodeUnderTheSamePath)
{
    VirtualKeyboard kb;
    Opened first = OpenBoth(kb);
    const std::string mouse = kb.NodeIdentity(kb.MousePath());
    ASSERT_FALSE(first.config->NodeIdentity().empty());
    EXPECT_EQ(kb.NodeIdentity(kb.ConfigPath()), first.config->NodeIdentity());
    EXPECT_EQ(kb.NodeIdentity(kb.NotifyPath()), first.notify->NodeIdentity());
    EXPECT_EQ(kb.NodeIdentity("virtual-hid/nothing"), "");

    // Out and back in faster than anyone can look: present all along, but
    // the old handles are dead and the node is another.
    kb.Bounce();
    EXPECT_TRUE(kb.Present(kb.ConfigPath()));
    EXPECT_NE(kb.NodeIdentity(kb.ConfigPath()), first.config->NodeIdentity());
    Frame reply{};
    EXPECT_EQ(Exchange(*first.config, BuildRequest(CmdBeginUpdate, 0, 0), reply), HidIo::Gone);
    std::array<uint8_t, 8> report{};
    size_t n = 0;
    EXPECT_EQ(first.notify->Read(report, n, 0), HidIo::Gone);
    Opened second = OpenBoth(kb);
    EXPECT_EQ(kb.NodeIdentity(kb.ConfigPath()), second.config->NodeIdentity());
    EXPECT_EQ(Exchange(*second.config, BuildRequest(CmdBeginUpdate, 0, 0), reply), HidIo::Done);

    kb.Unplug();
    EXPECT_EQ(kb.NodeIdentity(kb.ConfigPath()), "");
    kb.Plug();
    EXPECT_NE(kb.NodeIdentity(kb.ConfigPath()), second.config->NodeIdentity());
    // The foreign mouse was never unplugged.
    EXPECT_EQ(kb.NodeIdentity(kb.MousePath()), mouse);

    // A bounce timed to a request: the requests before it are answered, that
    // one finds the device gone, and a new handle works.
    Opened third = OpenBoth(kb);
    kb.BounceAtRequest(2);
    EXPECT_EQ(Exchange(*third.config, BuildRequest(CmdBeginUpdate, 0, 0), reply), HidIo::Done);
    EXPECT_EQ(Exchange(*third.config, BuildRequest(CmdEndUpdate, 0, 0), reply), HidIo::Gone);
    EXPECT_EQ(kb.RequestCount(), 2u); // the bounced request never arrived
    Opened fourth = OpenBoth(kb);
    EXPECT_EQ(Exchange(*fourth.config, BuildRequest(CmdEndUpdate, 0, 0), reply), HidIo::Done);
    // Refusals and failed writes are not the device leaving.
    kb.FailNextWrites(1);
    EXPECT_EQ(Exchange(*fourth.config, BuildRequest(CmdBeginUpdate, 0, 0), reply), HidIo::Failed);
}

TEST(VirtualKeyboardBackend, AbortEndsAWaitingReadAndIsForgottenOtherwise)
{
    VirtualKeyboard kb;
    Opened h = OpenBoth(kb);
    h.notify->Abort(); // nobody waits: forgotten
    std::array<uint8_t, 8> buffer{};
    size_t n = 0;
    EXPECT_EQ(h.notify->Read(buffer, n, 0), HidIo::TimedOut);
    auto waiting = std::async(std::launch::async, [&] {
        std::array<uint8_t, 8> b{};
        size_t m = 0;
        return h.notify->Read(b, m, HidInfinite);
    });
    while (waiting.wait_for(5ms) != std::future_status::ready) {
        h.notify->Abort();
    }
    EXPECT_EQ(waiting.get(), HidIo::Aborted);
}

TEST(VirtualKeyboardBackend, NoticesArriveAsUsageThenRelease)
{
    VirtualKeyboard kb;
    Opened h = OpenBoth(kb);
    kb.SendNotice(0x1811);
    std::array<uint8_t, 3> report{};
    size_t n = 0;
    ASSERT_EQ(h.notify->Read(report, n, 100), HidIo::Done);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(report, (std::array<uint8_t, 3>{3, 0x11, 0x18}));
    ASSERT_EQ(h.notify->Read(report, n, 100), HidIo::Done);
    EXPECT_EQ(report, (std::array<uint8_t, 3>{3, 0, 0}));
    // The config collection hears nothing of it.
    Frame f{};
    EXPECT_EQ(h.config->Read(f, n, 0), HidIo::TimedOut);
}

// The whole information block with another active profile, as the program
// writes it.
Frame ProfileSwitch(const VirtualKeyboard& kb, uint8_t profile)
{
    std::array<uint8_t, 44> block = kb.Memories().deviceInfo;
    block[10] = profile;
    return BuildRequest(CmdWriteDeviceInfo, 44, 0, block);
}

TEST(VirtualKeyboardBackend, ResetNoticeRestoresTheFactoryMemories)
{
    VirtualKeyboard kb;
    Opened h = OpenBoth(kb);
    Frame reply{};
    ASSERT_EQ(Exchange(*h.config, BuildRequest(CmdBeginUpdate, 0, 0), reply), HidIo::Done);
    ASSERT_EQ(Exchange(*h.config, BuildRequest(CmdWriteParams, 3, 0, std::vector<uint8_t>{7, 7, 7}), reply), HidIo::Done);
    ASSERT_EQ(Exchange(*h.config, BuildRequest(CmdEndUpdate, 0, 0), reply), HidIo::Done);
    ASSERT_EQ(Exchange(*h.config, ProfileSwitch(kb, 1), reply), HidIo::Done);
    EXPECT_NE(kb.Memories(), FactoryMemories(0x5000, 64));
    kb.SendNotice(0x0402);
    EXPECT_EQ(kb.Memories(), FactoryMemories(0x5000, 64));
    std::array<uint8_t, 3> report{};
    size_t n = 0;
    ASSERT_EQ(h.notify->Read(report, n, 100), HidIo::Done);
    EXPECT_EQ(ReadU16(report.data(), 1), 0x0402);
}

TEST(VirtualKeyboardBackend, LoaderSwitchUnplugsBothCollections)
{
    VirtualKeyboard kb;
    Opened h = OpenBoth(kb);
    size_t n = 0;
    const Frame loader = BuildEnterLoaderFrame();
    EXPECT_EQ(h.config->Write(loader, n, 1000), HidIo::Done);
    EXPECT_FALSE(kb.IsPlugged());
    EXPECT_FALSE(kb.Present(kb.NotifyPath()));
    Frame f{};
    EXPECT_EQ(h.config->Read(f, n, 50), HidIo::Gone);
}

// The loader: gone from the bus until its time is up, an updater's reset
// (LeaveLoader) or a replug; the keyboard then comes back as after a replug,
// with the memories it had.
TEST(VirtualKeyboardBackend, LoaderEndsByTimeResetOrReplugAndKeepsTheMemories)
{
    enum class End { Time, Reset, Replug, UnplugOnly };
    const struct Case {
        const char* name;
        std::chrono::milliseconds loaderTime;
        End end;
        bool back;
    } cases[] = {
        {"its time passes", 30ms, End::Time, true},
        {"the updater resets it", 60s, End::Reset, true},
        {"unplugged and plugged in", 60s, End::Replug, true},
        {"unplugged: the loader's time no longer counts", 30ms, End::UnplugOnly, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualKeyboardOptions options;
        options.loaderTime = c.loaderTime;
        VirtualKeyboard kb(options);
        KeyboardMemories before = kb.Memories();
        before.deviceInfo[10] = 2;
        kb.SetMemories(before);
        Opened h = OpenBoth(kb);
        size_t n = 0;
        ASSERT_EQ(h.config->Write(BuildEnterLoaderFrame(), n, 1000), HidIo::Done);
        EXPECT_TRUE(kb.InLoader());
        EXPECT_FALSE(kb.Present(kb.ConfigPath()));
        EXPECT_EQ(kb.Open(kb.ConfigPath(), HidOpenMode{}), nullptr);

        switch (c.end) {
        case End::Time:
            std::this_thread::sleep_for(c.loaderTime + 20ms);
            break;
        case End::Reset:
            kb.LeaveLoader();
            break;
        case End::Replug:
            kb.Unplug();
            kb.Plug();
            break;
        case End::UnplugOnly:
            kb.Unplug();
            std::this_thread::sleep_for(c.loaderTime + 20ms);
            break;
        }
        EXPECT_FALSE(kb.InLoader());
        EXPECT_EQ(kb.IsPlugged(), c.back);
        std::vector<HidInterfaceInfo> list;
        ASSERT_TRUE(kb.Enumerate(list));
        const bool listed = std::any_of(list.begin(), list.end(),
                                        [&](const HidInterfaceInfo& i) { return i.path == kb.ConfigPath(); });
        EXPECT_EQ(listed, c.back);
        if (!c.back)
            continue;
        // The handles of before the loader stay dead; a new one works.
        Frame reply{};
        EXPECT_EQ(Exchange(*h.config, BuildRequest(CmdReadDeviceInfo, DeviceInfoBytes, 0), reply), HidIo::Gone);
        Opened again = OpenBoth(kb);
        ASSERT_NE(again.config, nullptr);
        ASSERT_EQ(Exchange(*again.config, BuildRequest(CmdReadDeviceInfo, DeviceInfoBytes, 0), reply), HidIo::Done);
        EXPECT_EQ(reply[8 + 10], 2);
        EXPECT_EQ(kb.Memories(), before);
    }
}

TEST(VirtualKeyboardBackend, LatencyPutsReportsOnFrameBoundaries)
{
    VirtualKeyboard kb;
    kb.SetReportLatency(1ms);
    Opened h = OpenBoth(kb);
    Frame reply{};
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(Exchange(*h.config, BuildRequest(CmdBeginUpdate, 0, 0), reply), HidIo::Done);
    // Two reports per exchange, one per 1 ms frame.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 39ms);
}

// --- the state file ----------------------------------------------------------

class VirtualKeyboardStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = std::filesystem::temp_directory_path() /
               ("rt604-vk-" + std::to_string(::getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "keyboard.state").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static KeyboardMemories Changed()
    {
        KeyboardMemories m = FactoryMemories(0x5000, 64);
        m.deviceInfo[10] = 2;
        m.params[84] = 20;
        m.keyMaps[1000] = 5;
        m.macroMemory[0] = 0xAA;
        m.macroMemory[8191] = 0x55;
        m.keyColors[1535] = 0x12;
        return m;
    }

    std::filesystem::path dir_;
    std::string path_;
};

TEST_F(VirtualKeyboardStateTest, SavedStateComesBackInANewKeyboard)
{
    VirtualKeyboard kb;
    kb.SetMemories(Changed());
    ASSERT_TRUE(kb.SaveState(path_));
    VirtualKeyboard again;
    ASSERT_TRUE(again.LoadState(path_));
    EXPECT_EQ(again.Memories(), Changed());
}

TEST_F(VirtualKeyboardStateTest, DamagedOrForeignStateIsRefused)
{
    const std::vector<uint8_t> good = EncodeKeyboardState(Changed());
    std::vector<std::pair<std::string, std::vector<uint8_t>>> bad;
    auto flipped = good;
    flipped[500] ^= 0x40;
    bad.emplace_back("flipped byte", flipped);
    bad.emplace_back("truncated", std::vector<uint8_t>(good.begin(), good.end() - 100));
    bad.emplace_back("empty", std::vector<uint8_t>{});
    auto longer = good;
    longer.push_back(0);
    bad.emplace_back("trailing byte", longer);
    // A header that claims a huge macro memory must not drive an allocation.
    auto huge = good;
    WriteU32(huge.data(), 16, 0x7FFFFF80);
    bad.emplace_back("huge macro size", huge);
    bad.emplace_back("other model", EncodeKeyboardState(FactoryMemories(0, 64)));
    for (const auto& [name, bytes] : bad) {
        ASSERT_TRUE(WriteFileAtomically(path_, bytes));
        VirtualKeyboard kb;
        EXPECT_FALSE(kb.LoadState(path_)) << name;
        EXPECT_EQ(kb.Memories(), FactoryMemories(0x5000, 64)) << name;
    }
    EXPECT_FALSE(VirtualKeyboard().LoadState((dir_ / "missing").string()));
}

TEST_F(VirtualKeyboardStateTest, AutosaveKeepsEveryWriteAndGroupsOnce)
{
    {
        std::string error;
        std::unique_ptr<VirtualKeyboard> opened = OpenVirtualKeyboard(path_, VirtualKeyboardOptions{}, error);
        ASSERT_TRUE(opened) << error;
        VirtualKeyboard& kb = *opened;
        Opened h = OpenBoth(kb);
        Frame reply{};
        // A profile switch goes without a group: saved at once.
        ASSERT_EQ(Exchange(*h.config, ProfileSwitch(kb, 2), reply), HidIo::Done);
        VirtualKeyboard reader;
        ASSERT_TRUE(reader.LoadState(path_));
        EXPECT_EQ(reader.Memories().ActiveProfile(), 2);

        // Inside a group the file changes only at its end.
        ASSERT_EQ(Exchange(*h.config, BuildRequest(CmdBeginUpdate, 0, 0), reply), HidIo::Done);
        ASSERT_EQ(Exchange(*h.config, BuildRequest(CmdWriteParams, 1, 85, std::vector<uint8_t>{3}), reply), HidIo::Done);
        ASSERT_TRUE(reader.LoadState(path_));
        EXPECT_EQ(reader.Memories().params[85], 4);
        ASSERT_EQ(Exchange(*h.config, BuildRequest(CmdEndUpdate, 0, 0), reply), HidIo::Done);
        ASSERT_TRUE(reader.LoadState(path_));
        EXPECT_EQ(reader.Memories().params[85], 3);
    }
}

} // namespace

namespace {

// The descriptors must read, through our own parser, as the keyboard's
// collections do on the original platform.
TEST(VirtualKeyboardDescriptors, ChannelsSeeTheKeyboardsCollections)
{
    VirtualKeyboard kb;
    SetHidBackend(&kb);
    HidDevice config, notify, mouse;
    ASSERT_TRUE(config.Open(kb.ConfigPath(), true, true, true, false));
    ASSERT_TRUE(notify.Open(kb.NotifyPath(), true, false, true, false));
    ASSERT_TRUE(mouse.Open(kb.MousePath(), true, false, true, false));
    EXPECT_EQ(config.Caps().usagePage, 0xFF1C);
    EXPECT_EQ(config.Caps().usage, 0x92);
    EXPECT_EQ(config.Caps().inputReportByteLength, 64);
    EXPECT_EQ(config.Caps().outputReportByteLength, 64);
    EXPECT_EQ(config.Attributes().vendorId, 0x320F);
    EXPECT_EQ(config.Attributes().productId, 0x5000);
    EXPECT_EQ(notify.Caps().usagePage, 0x000C);
    EXPECT_EQ(notify.Caps().usage, 0x0001);
    EXPECT_EQ(notify.Caps().inputReportByteLength, 3);
    EXPECT_EQ(mouse.Caps().usagePage, 0x01);
    EXPECT_EQ(mouse.Attributes().vendorId, 0x046D);

    // A notice decodes to the first usage of the first item.
    kb.SendNotice(0x1811);
    std::vector<uint8_t>& buffer = notify.InputBuffer();
    size_t n = 0;
    ASSERT_TRUE(notify.ReadReport(buffer.data(), buffer.size(), &n, 100));
    ASSERT_TRUE(notify.DecodeInputReport(buffer.data(), n));
    ASSERT_FALSE(notify.InputItems().empty());
    ASSERT_FALSE(notify.InputItems()[0].usageList.empty());
    EXPECT_EQ(notify.InputItems()[0].usageList[0], 0x1811);
    ASSERT_TRUE(notify.ReadReport(buffer.data(), buffer.size(), &n, 100));
    ASSERT_TRUE(notify.DecodeInputReport(buffer.data(), n));
    EXPECT_EQ(notify.InputItems()[0].usageList[0], 0);
    config.Close();
    notify.Close();
    mouse.Close();
    SetHidBackend(nullptr);
}

} // namespace
