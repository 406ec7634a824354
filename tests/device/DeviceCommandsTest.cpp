#include "device/hid/CurrentHidBackend.h"
#include "device/protocol/CommandFrame.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "device/virtual/VirtualKeyboard.h"
#include "platform/Bytes.h"
#include "state/ProcessState.h"
#include "support/FrameViolations.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

namespace {

using namespace std::chrono_literals;

// A keyboard on the configuration channel, as the monitor leaves it once the
// keyboard is found. Reads time out quickly so that retries stay cheap.
class TransportTest : public ::testing::Test {
protected:
    explicit TransportTest(uint16_t product = 0x5000) : kb_(Options(product)) {}

    static VirtualKeyboardOptions Options(uint16_t product)
    {
        VirtualKeyboardOptions o;
        o.productId = product;
        return o;
    }

    void SetUp() override
    {
        SetHidBackend(&kb_);
        ASSERT_TRUE(g_configChannel.Open(kb_.ConfigPath(), true, true, true, false));
        const KeyboardModel* model = ModelForProductId(kb_.Memories().productId);
        g_keyCount = model->keyCount;
        g_keyMapBytes = model->keyMapBytes;
        g_deviceConnected = 1;
        TransportTimings t;
        t.readTimeoutMs = 40;
        t.endUpdatePauseMs = 0;
        SetTransportTimings(t);
        // Parameter reads and memory writes belong in a group, as the
        // program sends them; the tests below start inside one.
        ASSERT_EQ(BeginUpdate(), 1);
        kb_.ClearFrameLog();
    }

    void TearDown() override { ResetProcessStateForTests(); }

    // (length, offset) of every request the keyboard received with a command.
    std::vector<std::pair<int, int>> Chunks(uint8_t command) const
    {
        std::vector<std::pair<int, int>> out;
        for (const Frame& f : kb_.Requests()) {
            if (f[3] == command)
                out.emplace_back(f[4], ReadU16(f.data(), 5));
        }
        return out;
    }

    static std::vector<uint8_t> Pattern(size_t n, uint8_t seed)
    {
        std::vector<uint8_t> v(n);
        for (size_t i = 0; i < n; ++i)
            v[i] = static_cast<uint8_t>(seed + i * 7);
        return v;
    }

    VirtualKeyboard kb_;
};

class SmallTransportTest : public TransportTest {
protected:
    SmallTransportTest() : TransportTest(0) {}
};

TEST(CommandFrame, ChecksumCoversBytesThreeToTheEnd)
{
    const Frame f = BuildRequest(0x03, 0x2C, 0);
    EXPECT_EQ(f[0], 0x04);
    EXPECT_EQ(f[1], 0x2F);
    EXPECT_EQ(f[2], 0x00);
    const std::vector<uint8_t> data(56, 0xFF);
    const Frame full = BuildRequest(0x0A, 56, 0x1234, data);
    // 0x0A + 56 + 0x34 + 0x12 + 56 × 0xFF = 0x38AE; the carry wraps at 16 bits.
    EXPECT_EQ(ReadU16(full.data(), 1), 0x0A + 56 + 0x34 + 0x12 + 56 * 0xFF);
    EXPECT_EQ(full[7], 0);
    const Frame loader = BuildEnterLoaderFrame();
    EXPECT_EQ((std::vector<uint8_t>(loader.begin(), loader.begin() + 6)),
              (std::vector<uint8_t>{0x04, 0, 0, 0xEE, 0xEE, 0}));
}

TEST_F(TransportTest, FramesGoOutExactlyAsBuilt)
{
    std::array<uint8_t, 44> info{};
    ASSERT_EQ(ReadDeviceInfo(info), 1);
    ASSERT_EQ(kb_.Requests().size(), 1u);
    EXPECT_EQ(kb_.Requests()[0], BuildRequest(0x03, 0x2C, 0));
    EXPECT_EQ(info[11], 64);

    // A frame with a wrong checksum is not mended: the keyboard refuses it.
    Frame bad = BuildRequest(CmdWriteParams, 1, 0, std::vector<uint8_t>{9});
    bad[1] ^= 0xFF;
    Frame reply{};
    size_t n = 0;
    ASSERT_EQ(Transact(bad.data(), 10, reply.data(), reply.size(), &n), 1);
    EXPECT_EQ(kb_.Requests().back(), FrameFromBytes(std::span<const uint8_t>(bad.data(), 10)));
    EXPECT_EQ(reply[7], StatusBadChecksum);
    EXPECT_EQ(n, 64u);
    EXPECT_EQ(kb_.Memories().params[0], 1);
    const std::vector<std::string> refused = TakeFrameViolations();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].find("checksum"), std::string::npos) << refused[0];
}

TEST_F(TransportTest, StatusByteDecidesTheResult)
{
    const std::pair<uint8_t, int32_t> cases[] = {{0x00, 1}, {0x01, 1}, {0xFD, 1}, {0xFE, -103}, {0xFF, -102}};
    for (auto [status, expected] : cases) {
        kb_.RefuseNextRequests(status);
        EXPECT_EQ(WriteParams(std::vector<uint8_t>{3}, 1), expected) << int(status);
        kb_.RefuseNextRequests(status);
        std::vector<uint8_t> map(512);
        EXPECT_EQ(ReadKeyMap(map, 0), expected) << int(status);
    }
    // Refusals are not retried and end a chunked transfer at once.
    EXPECT_EQ(kb_.Requests().size(), 5u + 3 * 10 + 2 * 1);
}

TEST_F(TransportTest, ARefusalAimedAtOneCommandLetsTheOthersThrough)
{
    std::array<uint8_t, 44> info{};
    kb_.RefuseNextRequestsOf(CmdWriteDeviceInfo, 0xFE);
    ASSERT_EQ(ReadDeviceInfo(info), 1);
    info[10] = 2;
    EXPECT_EQ(WriteParams(std::vector<uint8_t>{3}, 1), 1);
    EXPECT_EQ(WriteDeviceInfo(info), -103);
    EXPECT_EQ(kb_.Memories().ActiveProfile(), 0);
    // Spent: the next one is taken.
    EXPECT_EQ(WriteDeviceInfo(info), 1);
    EXPECT_EQ(kb_.Memories().ActiveProfile(), 2);
}

TEST_F(TransportTest, NothingIsSentWithoutAKeyboardOrForABadProfile)
{
    std::vector<uint8_t> map(512);
    std::array<uint8_t, 44> info{};
    std::array<uint8_t, 56> params{};
    EXPECT_EQ(ReadKeyMap(map, 3), -201);
    EXPECT_EQ(WriteKeyMap(map, 3), -201);
    EXPECT_EQ(ReadKeyMap(map, -1), -201);
    EXPECT_EQ(WriteKeyColors(std::vector<uint8_t>(3), 0, 3), -201);
    EXPECT_EQ(WriteParams(std::vector<uint8_t>(57), 0), 0);
    EXPECT_EQ(ReadParams(params, 57, 0), 0);
    EXPECT_EQ(WriteMacroMemory(std::vector<uint8_t>(65537)), 0);
    EXPECT_EQ(kb_.Requests().size(), 0u);

    g_deviceConnected = 0;
    EXPECT_EQ(BeginUpdate(), 0);
    EXPECT_EQ(EndUpdate(), 0);
    EXPECT_EQ(ReadDeviceInfo(info), 0);
    EXPECT_EQ(WriteDeviceInfo(info), 0);
    EXPECT_EQ(ReadParams(params, 56, 0), 0);
    EXPECT_EQ(ReadKeyMap(map, 0), 0);
    EXPECT_EQ(WriteMacroMemory(map), 0);
    EXPECT_EQ(ReadDefaultKeyMap(map), 0);
    EXPECT_EQ(WriteKeyColors(std::vector<uint8_t>(3), 0, 0), 0);
    EXPECT_EQ(EnterLoader(), 0);
    EXPECT_EQ(kb_.Requests().size(), 0u);
    EXPECT_TRUE(kb_.IsPlugged());
}

TEST_F(TransportTest, ChunkedTransfersSplitAt56Bytes)
{
    struct Case {
        const char* name;
        std::function<int32_t(std::span<const uint8_t>)> write;
        uint8_t command;
        size_t total;
        std::vector<std::pair<int, int>> chunks;
    };
    std::vector<std::pair<int, int>> map2;
    for (int p = 0; p < 512; p += 56)
        map2.emplace_back(p + 56 < 512 ? 56 : 8, 2 * 512 + p);
    const Case cases[] = {
        {"macro 56", [](auto b) { return WriteMacroMemory(b); }, CmdWriteMacroMemory, 56, {{56, 0}}},
        {"macro 57", [](auto b) { return WriteMacroMemory(b); }, CmdWriteMacroMemory, 57, {{56, 0}, {1, 56}}},
        {"macro 0", [](auto b) { return WriteMacroMemory(b); }, CmdWriteMacroMemory, 0, {}},
        {"key map profile 2", [](auto b) { return WriteKeyMap(b, 2); }, CmdWriteKeyMap, 512, map2},
    };
    for (const Case& c : cases) {
        kb_.ClearFrameLog();
        const std::vector<uint8_t> data = Pattern(c.total, 0x31);
        EXPECT_EQ(c.write(data), 1) << c.name;
        EXPECT_EQ(Chunks(c.command), c.chunks) << c.name;
    }
    const KeyboardMemories m = kb_.Memories();
    EXPECT_EQ(std::vector<uint8_t>(m.keyMaps.begin() + 1024, m.keyMaps.end()), Pattern(512, 0x31));
    EXPECT_EQ(std::vector<uint8_t>(m.macroMemory.begin(), m.macroMemory.begin() + 57), Pattern(57, 0x31));
}

TEST_F(SmallTransportTest, SmallModelMapsAreSevenChunks)
{
    std::vector<uint8_t> map(378);
    ASSERT_EQ(ReadKeyMap(map, 1), 1);
    std::vector<std::pair<int, int>> expected;
    for (int p = 0; p < 336; p += 56)
        expected.emplace_back(56, 378 + p);
    expected.emplace_back(42, 378 + 336);
    EXPECT_EQ(Chunks(CmdReadKeyMap), expected);
    EXPECT_EQ(map, FactoryKeyMap(0));

    std::vector<uint8_t> defaults(512, 0xEE);
    ASSERT_EQ(ReadDefaultKeyMap(defaults), 1);
    EXPECT_EQ(std::vector<uint8_t>(defaults.begin(), defaults.begin() + 378), FactoryKeyMap(0));
    EXPECT_EQ(defaults[378], 0xEE); // only keyMapBytes are read
}

TEST_F(TransportTest, ReadsReturnWhatWasWritten)
{
    const std::vector<uint8_t> map = Pattern(512, 5);
    ASSERT_EQ(WriteKeyMap(map, 1), 1);
    std::vector<uint8_t> back(512);
    ASSERT_EQ(ReadKeyMap(back, 1), 1);
    EXPECT_EQ(back, map);

    const std::vector<uint8_t> macros = Pattern(1000, 9);
    ASSERT_EQ(WriteMacroMemory(macros), 1);
    std::vector<uint8_t> macrosBack(1000);
    ASSERT_EQ(ReadMacroMemory(macrosBack), 1);
    EXPECT_EQ(macrosBack, macros);

    ASSERT_EQ(WriteKeyColors(std::vector<uint8_t>{1, 2, 3}, 125, 2), 1);
    EXPECT_EQ(Chunks(CmdWriteKeyColors), (std::vector<std::pair<int, int>>{{3, 2 * 512 + 375}}));
    EXPECT_EQ(kb_.Memories().keyColors[1024 + 375 + 2], 3);

    std::array<uint8_t, 56> record{};
    ASSERT_EQ(ReadParams(record, 56, 84), 1);
    EXPECT_EQ((std::vector<uint8_t>(record.begin(), record.begin() + 5)), (std::vector<uint8_t>{1, 4, 2, 0, 0xFF}));
}

TEST_F(TransportTest, DeviceInfoWriteBackChangesOnlyTheActiveProfile)
{
    std::array<uint8_t, 44> info{};
    ASSERT_EQ(ReadDeviceInfo(info), 1);
    const std::array<uint8_t, 44> before = info;
    info[10] = 2;
    ASSERT_EQ(WriteDeviceInfo(info), 1);
    const Frame sent = kb_.Requests().back();
    EXPECT_EQ(sent[3], CmdWriteDeviceInfo);
    EXPECT_EQ(sent[4], 44);
    for (int i = 0; i < 44; ++i)
        EXPECT_EQ(sent[8 + i], i == 10 ? 2 : before[i]) << i;
    EXPECT_EQ(sent[8 + 44], 0);
    std::array<uint8_t, 44> after{};
    ASSERT_EQ(ReadDeviceInfo(after), 1);
    info = before;
    info[10] = 2;
    EXPECT_EQ(after, info);
    info[10] = 3;
    EXPECT_EQ(WriteDeviceInfo(info), -103);
    EXPECT_EQ(TakeFrameViolations().size(), 1u);
}

TEST_F(TransportTest, LostRepliesAreRetriedFourTimes)
{
    std::array<uint8_t, 56> record{};
    kb_.DropReplies(3);
    EXPECT_EQ(ReadParams(record, 56, 42), 1);
    EXPECT_EQ(kb_.Requests().size(), 4u);
    EXPECT_EQ(record[0], 1);

    kb_.ClearFrameLog();
    kb_.DropReplies(4);
    EXPECT_EQ(BeginUpdate(), 0);
    EXPECT_EQ(kb_.Requests().size(), 4u);

    // A write that fails is not tried again.
    kb_.ClearFrameLog();
    kb_.FailNextWrites(1);
    EXPECT_EQ(WriteMacroMemory(Pattern(200, 1)), -1);
    EXPECT_EQ(kb_.Requests().size(), 0u);
}

TEST_F(TransportTest, ChunkedTransferStopsAtTheFirstFailingChunk)
{
    // 100 bytes more than the keyboard's 8192: the chunk at 8176 crosses the
    // end and is refused; nothing after it is sent, nothing before it undone.
    const std::vector<uint8_t> image = Pattern(8192 + 100, 3);
    EXPECT_EQ(WriteMacroMemory(image), -103);
    const auto chunks = Chunks(CmdWriteMacroMemory);
    ASSERT_EQ(chunks.size(), 147u);
    EXPECT_EQ(chunks.back(), (std::pair<int, int>{56, 8176}));
    const KeyboardMemories m = kb_.Memories();
    EXPECT_EQ(std::vector<uint8_t>(m.macroMemory.begin(), m.macroMemory.begin() + 8176), Pattern(8176, 3));
    EXPECT_EQ(m.macroMemory[8176], 0);
    const std::vector<std::string> refused = TakeFrameViolations();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_NE(refused[0].find("offset"), std::string::npos) << refused[0];
}

TEST_F(TransportTest, UnplugDuringAChunkedTransferFailsItAtOnce)
{
    kb_.SetReportLatency(1ms);
    const std::vector<uint8_t> image = Pattern(64 * 128, 3);
    std::thread cable([&] {
        while (kb_.RequestCount() < 1 + 20) // the group's BeginUpdate, then 20 chunks
            std::this_thread::yield();
        kb_.Unplug();
    });
    const int32_t result = WriteMacroMemory(image);
    cable.join();
    // The frame on the wire fails with the cable; no retry, no later chunk.
    EXPECT_EQ(result, -1);
    const size_t received = kb_.Requests().size();
    EXPECT_GE(received, 20u); // chunks only: the log was cleared after BeginUpdate
    EXPECT_LT(received, 147u); // 8192 bytes are 147 chunks
    const KeyboardMemories m = kb_.Memories();
    EXPECT_EQ(std::vector<uint8_t>(m.macroMemory.begin(), m.macroMemory.begin() + 20 * 56), Pattern(20 * 56, 3));
    EXPECT_EQ(m.macroMemory.back(), 0);
}

TEST_F(TransportTest, ConcurrentRequestsNeverTakeEachOthersReplies)
{
    // Two threads read different records; a reply taken by the wrong thread
    // shows as the other record's bytes.
    KeyboardMemories m = kb_.Memories();
    std::fill_n(m.params.begin(), 42, 0x11);
    std::fill_n(m.params.begin() + 42, 42, 0x22);
    kb_.SetMemories(m);
    // Bus time makes the two threads' frames overlap as they do on hardware.
    kb_.SetReportLatency(500us);
    std::atomic<int> wrong{0}, failed{0};
    auto reader = [&](int offset, uint8_t expected) {
        for (int i = 0; i < 100; ++i) {
            std::array<uint8_t, 56> record{};
            if (ReadParams(record, 42, offset) != 1)
                ++failed;
            else if (record[0] != expected || record[41] != expected)
                ++wrong;
        }
    };
    std::thread a(reader, 0, 0x11), b(reader, 42, 0x22);
    a.join();
    b.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_EQ(failed.load(), 0);
}

TEST_F(TransportTest, LateRepliesAreNeverTakenForTheNextRequest)
{
    KeyboardMemories m = kb_.Memories();
    std::fill_n(m.params.begin(), 42, 0x11);
    std::fill_n(m.params.begin() + 42, 42, 0x22);
    kb_.SetMemories(m);
    std::array<uint8_t, 56> record{};

    // A reply that arrives after the read gave up: the re-sent request is
    // answered too, and the late one must not answer the next request.
    kb_.DelayNextReply(60ms);
    ASSERT_EQ(ReadParams(record, 42, 0), 1);
    EXPECT_EQ(record[0], 0x11);
    kb_.WaitForScheduledReports();
    ASSERT_EQ(ReadParams(record, 42, 42), 1);
    EXPECT_EQ(record[0], 0x22);

    // The keyboard answering one request twice.
    kb_.DuplicateNextReply();
    ASSERT_EQ(ReadParams(record, 42, 0), 1);
    EXPECT_EQ(record[0], 0x11);
    ASSERT_EQ(ReadParams(record, 42, 42), 1);
    EXPECT_EQ(record[0], 0x22);
}

TEST_F(TransportTest, EnterLoaderSendsTheBareFrameAndTheKeyboardLeaves)
{
    EXPECT_EQ(EnterLoader(), 1);
    ASSERT_EQ(kb_.Requests().size(), 1u);
    EXPECT_EQ(kb_.Requests()[0], BuildEnterLoaderFrame());
    EXPECT_FALSE(kb_.IsPlugged());
    // Nothing answers any more; a write to the dead handle fails.
    EXPECT_EQ(BeginUpdate(), -1);
}

} // namespace
