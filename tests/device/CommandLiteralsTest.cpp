// The program's device commands against the literal frames, over a scripted
// device that answers with the literal replies: the requests go out byte for
// byte as the tables say, and the replies are read from the right bytes.
#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/CommandFrame.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "device/FakeHidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/HidTestDescriptors.h"
#include "keys/KeyTable.h"
#include "state/ProcessState.h"
#include "support/LiteralFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace {

constexpr const char* ConfigPath = "/dev/hidraw3#0";

class CommandLiterals : public testing::Test {
protected:
    void SetUp() override
    {
        FakeHidBackend::Device d;
        d.info = {ConfigPath, 0x320F, 0x5000, 0x0107, 0xFF1C, 0x92};
        d.descriptor = VendorCollection;
        backend.Add(d);
        for (const LiteralExchange& e : LiteralSession())
            replies[std::vector<uint8_t>(e.request.begin(), e.request.end())] = e;
        // Literal requests get their literal replies; the chunks the tables
        // do not write out get a plain success with zero data.
        backend.lines.at(ConfigPath)->answer = [this](const std::vector<uint8_t>& request) {
            auto it = replies.find(request);
            if (it != replies.end())
                return it->second.replied ? std::vector<uint8_t>(it->second.reply.begin(), it->second.reply.end())
                                          : std::vector<uint8_t>{};
            std::vector<uint8_t> reply(64, 0);
            std::copy_n(request.begin(), 7, reply.begin());
            reply[7] = 0x01;
            return reply;
        };
        SetHidBackend(&backend);
        ASSERT_TRUE(g_configChannel.Open(ConfigPath, true, true, true, false));
        g_keyCount = 128;
        g_keyMapBytes = 512;
        g_deviceConnected = 1;
        TransportTimings t;
        t.readTimeoutMs = 200;
        t.attempts = 1;
        t.endUpdatePauseMs = 0;
        SetTransportTimings(t);
    }

    void TearDown() override { ResetProcessStateForTests(); }

    // Every frame written since the last call.
    std::vector<LiteralFrame> Written()
    {
        std::vector<LiteralFrame> frames;
        FakeHidBackend::Line& line = *backend.lines.at(ConfigPath);
        std::lock_guard lock(line.mutex);
        for (const std::vector<uint8_t>& w : line.written) {
            EXPECT_EQ(w.size(), 64u);
            frames.push_back(Literal(w));
        }
        line.written.clear();
        return frames;
    }

    static const LiteralExchange& Named(const std::string& name)
    {
        for (const LiteralExchange& e : LiteralSession()) {
            if (name == e.name)
                return e;
        }
        throw std::logic_error("no literal exchange " + name);
    }

    static std::vector<uint8_t> ReplyData(const std::string& name, size_t n)
    {
        const LiteralFrame& r = Named(name).reply;
        return std::vector<uint8_t>(r.begin() + 8, r.begin() + 8 + static_cast<std::ptrdiff_t>(n));
    }

    FakeHidBackend backend;
    std::map<std::vector<uint8_t>, LiteralExchange> replies;
};

TEST_F(CommandLiterals, EveryCommandSendsItsLiteralRequest)
{
    std::array<uint8_t, DeviceInfoBytes> info{};
    ASSERT_EQ(ReadDeviceInfo(info), 1);
    EXPECT_EQ(Written(), std::vector<LiteralFrame>{Named("ReadDeviceInfo").request});
    EXPECT_EQ(std::vector<uint8_t>(info.begin(), info.end()), ReplyData("ReadDeviceInfo", 44));

    ASSERT_EQ(BeginUpdate(), 1);
    ASSERT_EQ(WriteParams(std::vector<uint8_t>{0x14}, 42), 1);
    std::array<uint8_t, 56> params{};
    ASSERT_EQ(ReadParams(params, 56, 42), 1);
    const std::vector<uint8_t> factoryRecord = {0x01, 0x04, 0x02, 0x00, 0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<uint8_t> restore = factoryRecord;
    restore.resize(35, 0);
    ASSERT_EQ(WriteParams(restore, 84), 1);
    ASSERT_EQ(WriteKeyColors(std::vector<uint8_t>{0xFF, 0x00, 0x00}, 125, 0), 1);
    EXPECT_EQ(Written(), (std::vector<LiteralFrame>{Named("BeginUpdate").request, Named("WriteParams").request,
                                                     Named("ReadParams").request, Named("WriteParams35").request,
                                                     Named("WriteKeyColors").request}));
    EXPECT_EQ(std::vector<uint8_t>(params.begin(), params.end()), ReplyData("ReadParams", 56));

    // The factory map of the usage tables with key A at position 1.
    std::vector<uint8_t> map(512, 0);
    for (size_t k = 0; k < LiteralFactoryKeyMap().size(); ++k)
        std::copy_n(LiteralFactoryKeyMap()[k].begin(), 3, map.begin() + static_cast<std::ptrdiff_t>(3 * k));
    map[5] = 0x04;
    ASSERT_EQ(WriteKeyMap(map, 1), 1);
    std::vector<LiteralFrame> chunks = Written();
    ASSERT_EQ(chunks.size(), 10u);
    EXPECT_EQ(chunks.front(), Named("WriteKeyMapFirstChunk").request);
    EXPECT_EQ(chunks.back(), Named("WriteKeyMapLastChunk").request);

    const std::vector<uint8_t> image = {0xAA, 0x55, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00,
                                        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    ASSERT_EQ(WriteMacroMemory(image), 1);
    ASSERT_EQ(EndUpdate(), 1);
    std::vector<uint8_t> header(16);
    ASSERT_EQ(ReadMacroMemory(header), 1);
    EXPECT_EQ(Written(), (std::vector<LiteralFrame>{Named("WriteMacroMemory").request, Named("EndUpdate").request,
                                                     Named("ReadMacroMemory").request}));
    EXPECT_EQ(header, ReplyData("ReadMacroMemory", 16));

    std::vector<uint8_t> read(512, 0xEE);
    ASSERT_EQ(ReadKeyMap(read, 1), 1);
    chunks = Written();
    ASSERT_EQ(chunks.size(), 10u);
    EXPECT_EQ(chunks.front(), Named("ReadKeyMapFirstChunk").request);
    EXPECT_EQ(chunks.back(), Named("ReadKeyMapLastChunk").request);
    EXPECT_EQ(std::vector<uint8_t>(read.begin(), read.begin() + 56), ReplyData("ReadKeyMapFirstChunk", 56));

    std::vector<uint8_t> factory(512, 0xEE);
    ASSERT_EQ(ReadDefaultKeyMap(factory), 1);
    chunks = Written();
    ASSERT_EQ(chunks.size(), 10u);
    EXPECT_EQ(chunks[6], Named("ReadDefaultKeyMap").request);
    EXPECT_EQ(std::vector<uint8_t>(factory.begin() + 336, factory.begin() + 392), ReplyData("ReadDefaultKeyMap", 56));

    std::array<uint8_t, DeviceInfoBytes> block{};
    std::copy(InfoBlockProfile3.begin(), InfoBlockProfile3.end(), block.begin());
    ASSERT_EQ(WriteDeviceInfo(block), 1);
    ASSERT_EQ(EnterLoader(), 1);
    EXPECT_EQ(Written(), (std::vector<LiteralFrame>{Named("WriteDeviceInfo").request, Named("EnterLoader").request}));
}

// The key table's device codes are the HID usages the factory map holds, as
// the usage tables give them; the key at each position comes from its name.
TEST(KeyTableLiterals, DeviceCodesAreTheUsageTablesUsages)
{
    struct Key {
        const char* label;
        uint8_t usage; // keyboard page 0x07
    };
    const Key keys[] = {
        {"Esc", 0x29},        {"F1", 0x3A},          {"F12", 0x45},        {"Print Screen", 0x46},
        {"Scroll Lock", 0x47}, {"Pause", 0x48},      {"`", 0x35}, {"1", 0x1E},
        {"0", 0x27},          {"-", 0x2D},           {"=", 0x2E},          {"Backspace", 0x2A},
        {"Insert", 0x49},     {"Home", 0x4A},        {"Page Up", 0x4B},    {"Num Lock", 0x53},
        {"Num /", 0x54},      {"Num *", 0x55},       {"Num -", 0x56},      {"Tab", 0x2B},
        {"Q", 0x14},          {"P", 0x13},           {"[", 0x2F},          {"]", 0x30},
        {"\\", 0x31},         {"Delete", 0x4C},      {"End", 0x4D},        {"Page Down", 0x4E},
        {"Num 7", 0x5F},      {"Num +", 0x57},       {"Caps Lock", 0x39},  {"A", 0x04},
        {"L", 0x0F},          {";", 0x33},           {"'", 0x34},          {"Enter", 0x28},
        {"Num 5", 0x5D},      {"K45", 0x64},         {"Z", 0x1D},          {"M", 0x10},
        {",", 0x36},          {".", 0x37},           {"/", 0x38},          {"K56", 0x87},
        {"↑", 0x52},          {"Num 1", 0x59},       {"Num Enter", 0x58},  {"Space", 0x2C},
        {"App", 0x65},        {"←", 0x50},           {"↓", 0x51},          {"→", 0x4F},
        {"Num 0", 0x62},      {"Num .", 0x63},       {"F13", 0x00},
    };
    for (const Key& key : keys) {
        SCOPED_TRACE(key.label);
        int found = 0;
        for (uint16_t index = 0; index < 256; ++index) {
            const uint16_t code = IndexToKeyCode(index);
            if (KeyRecordOf(code).label != std::string(key.label))
                continue;
            ++found;
            const UsagePair usage = KeyCodeToUsage(code);
            EXPECT_EQ(usage.kind, key.usage ? 7 : 0);
            EXPECT_EQ(usage.value, key.usage);
        }
        EXPECT_EQ(found, 1);
    }
}

} // namespace
