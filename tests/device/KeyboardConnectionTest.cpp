#include "device/FakeHidBackend.h"
#include "device/HidTestDescriptors.h"
#include "device/hid/CurrentHidBackend.h"
#include "device/hid/HidDevice.h"
#include "device/protocol/CommandFrame.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "device/protocol/KeyboardConnection.h"
#include "device/virtual/VirtualKeyboard.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

// What connecting takes from a keyboard whose channel is open: the model's
// sizes, the factory map as the default map, the macro capacity; and what
// stays when a read fails.
class KeyboardConnectionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousMap_.fill(0x5C);
        StoreDefaultKeyMap(previousMap_, previousMap_.size());
        g_macroCapacity = 777;
        g_deviceConnected = 0;
        TransportTimings t;
        t.readTimeoutMs = 30;
        t.attempts = 2;
        t.endUpdatePauseMs = 0;
        SetTransportTimings(t);
    }

    void TearDown() override
    {
        g_deviceConnected = 0;
        g_configChannel.Close();
        SetHidBackend(nullptr);
        SetTransportTimings(TransportTimings{});
        g_keyCount = 126;
        g_keyMapBytes = 378;
        g_macroCapacity = 0;
        std::array<uint8_t, MaxKeyMapBytes> empty{};
        StoreDefaultKeyMap(empty, empty.size());
    }

    void Open(VirtualKeyboard& kb)
    {
        SetHidBackend(&kb);
        ASSERT_TRUE(g_configChannel.Open(kb.ConfigPath(), true, true, true, false));
    }

    // The default map as the program keeps it, cut to the model's size.
    static std::vector<uint8_t> DefaultMap(size_t bytes)
    {
        const std::array<uint8_t, MaxKeyMapBytes> map = CopyDefaultKeyMap();
        return std::vector<uint8_t>(map.begin(), map.begin() + static_cast<std::ptrdiff_t>(bytes));
    }

    std::array<uint8_t, MaxKeyMapBytes> previousMap_{};
};

struct ModelCase {
    uint16_t productId;
    uint8_t macroUnits;
    int keyCount;
    int keyMapBytes;
    uint32_t macroCapacity;
};

class KeyboardConnectionModelTest : public KeyboardConnectionTest, public ::testing::WithParamInterface<ModelCase> {};

TEST_P(KeyboardConnectionModelTest, TakesTheModelTheFactoryMapAndTheMacroCapacity)
{
    const ModelCase& c = GetParam();
    VirtualKeyboardOptions options;
    options.productId = c.productId;
    options.macroUnits = c.macroUnits;
    VirtualKeyboard kb(options);
    Open(kb);

    ASSERT_TRUE(TakeKeyboardModel());
    EXPECT_EQ(g_keyCount.load(), c.keyCount);
    EXPECT_EQ(g_keyMapBytes.load(), c.keyMapBytes);
    EXPECT_EQ(g_deviceConnected.load(), 0) << "the caller marks the connection";
    g_deviceConnected = 1;

    const KeyboardConnectReads reads = ConnectKeyboard();
    EXPECT_EQ(reads.defaultKeyMap, 1);
    EXPECT_EQ(reads.deviceInfo, 1);
    EXPECT_TRUE(reads.Done());
    EXPECT_EQ(DefaultMap(static_cast<size_t>(c.keyMapBytes)), kb.Memories().defaultKeyMap);
    EXPECT_EQ(g_macroCapacity.load(), c.macroCapacity);
    EXPECT_TRUE(kb.Violations().empty());
}

INSTANTIATE_TEST_SUITE_P(BothModels, KeyboardConnectionModelTest,
                         ::testing::Values(ModelCase{0x5000, 64, 128, 512, 8192}, ModelCase{0x0000, 16, 126, 378, 2048},
                                           ModelCase{0x5000, 255, 128, 512, 32640}));

struct RefusalCase {
    const char* name;
    uint8_t refusedCommand;
    bool mapKept;      // the factory map replaced the previous default map
    bool capacityKept; // the capacity came from the information block
};

class KeyboardConnectionRefusalTest : public KeyboardConnectionTest,
                                      public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(KeyboardConnectionRefusalTest, AFailedReadLeavesWhatItWouldHaveSetAndTheOtherReadGoesOn)
{
    const RefusalCase& c = GetParam();
    VirtualKeyboard kb;
    Open(kb);
    ASSERT_TRUE(TakeKeyboardModel());
    g_deviceConnected = 1;
    kb.RefuseNextRequestsOf(c.refusedCommand, StatusRefused, 10);

    const KeyboardConnectReads reads = ConnectKeyboard();
    EXPECT_FALSE(reads.Done());
    EXPECT_EQ(reads.defaultKeyMap == 1, c.mapKept);
    EXPECT_EQ(reads.deviceInfo == 1, c.capacityKept);
    EXPECT_EQ(DefaultMap(512), c.mapKept ? kb.Memories().defaultKeyMap
                                         : std::vector<uint8_t>(previousMap_.begin(), previousMap_.end()));
    EXPECT_EQ(g_macroCapacity.load(), c.capacityKept ? 64u * 128 : 777u);
}

INSTANTIATE_TEST_SUITE_P(
    EachRead, KeyboardConnectionRefusalTest,
    ::testing::Values(RefusalCase{"DefaultKeyMap", CmdReadDefaultKeyMap, false, true},
                      RefusalCase{"DeviceInfo", CmdReadDeviceInfo, true, false}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST_F(KeyboardConnectionTest, AProductOfNoKnownModelChangesNothing)
{
    FakeHidBackend backend;
    FakeHidBackend::Device d;
    d.info = {"/dev/hidraw3#0", 0x320F, 0x5001, 0x0107, 0xFF1C, 0x92};
    d.descriptor = VendorCollection;
    backend.Add(d);
    SetHidBackend(&backend);
    ASSERT_TRUE(g_configChannel.Open(d.info.path, true, true, true, false));
    g_keyCount = 128;
    g_keyMapBytes = 512;

    EXPECT_FALSE(TakeKeyboardModel());
    EXPECT_EQ(g_keyCount.load(), 128);
    EXPECT_EQ(g_keyMapBytes.load(), 512);
    EXPECT_EQ(g_deviceConnected.load(), 0);
}

} // namespace
