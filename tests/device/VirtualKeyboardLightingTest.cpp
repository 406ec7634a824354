#include "device/hid/HidBackend.h"
#include "device/virtual/VirtualKeyboard.h"
#include "platform/Bytes.h"

#include <gtest/gtest.h>

namespace {

constexpr std::array<uint8_t, 32> Gapped = {0xFE, 3, 0x00, 7, 0xFE, 20};

TEST(VirtualKeyboardLighting, EffectListOptionReachesTheInformationBlockAndSurvivesAReset)
{
    VirtualKeyboardOptions options;
    options.effectCodes = Gapped;
    VirtualKeyboard kb(options);
    auto codes = [&] {
        const KeyboardMemories m = kb.Memories();
        return std::vector<uint8_t>(m.deviceInfo.begin() + 12, m.deviceInfo.end());
    };
    EXPECT_EQ(codes(), std::vector<uint8_t>(Gapped.begin(), Gapped.end()));
    kb.SendNotice(0x0402);
    EXPECT_EQ(codes(), std::vector<uint8_t>(Gapped.begin(), Gapped.end()));
    kb.ResetToFactory();
    EXPECT_EQ(codes(), std::vector<uint8_t>(Gapped.begin(), Gapped.end()));
}

TEST(VirtualKeyboardLighting, EffectKeyStepsTheActiveProfileThroughItsEffectsSkippingGaps)
{
    struct Case {
        uint8_t holds;
        uint8_t next;
    };
    // Offered: 3, 7, 20 (0xFE and 0x00 are empty); a code it does not offer
    // starts again from the first.
    const Case cases[] = {{3, 7}, {7, 20}, {20, 3}, {1, 3}, {0, 3}};
    for (const Case& c : cases) {
        KeyboardMemories m = FactoryMemories(0x5000, 64);
        std::copy(Gapped.begin(), Gapped.end(), m.deviceInfo.begin() + 12);
        m.deviceInfo[10] = 2;
        m.params[84] = c.holds;
        const KeyboardMemories before = m;
        ASSERT_TRUE(NextEffectOnKeyboard(m));
        EXPECT_EQ(m.params[84], c.next) << int(c.holds);
        m.params[84] = before.params[84];
        EXPECT_TRUE(m == before) << "only the active profile's effect byte changes";
    }
    KeyboardMemories none = FactoryMemories(0x5000, 64);
    std::fill(none.deviceInfo.begin() + 12, none.deviceInfo.end(), 0xFE);
    EXPECT_FALSE(NextEffectOnKeyboard(none));
}

TEST(VirtualKeyboardLighting, ALightingChangeOnTheKeyboardIsAnnouncedWithNotice0401)
{
    VirtualKeyboard kb;
    std::vector<HidInterfaceInfo> list;
    ASSERT_TRUE(kb.Enumerate(list));
    std::unique_ptr<HidHandle> notify = kb.Open(kb.NotifyPath(), HidOpenMode{true, false, false});
    ASSERT_TRUE(notify);
    kb.ChangeLightingOnKeyboard();
    EXPECT_EQ(kb.Memories().params[0], 2) << "effect 1 becomes 2";
    std::array<uint8_t, 3> report{};
    size_t n = 0;
    ASSERT_EQ(notify->Read(report, n, 100), HidIo::Done);
    EXPECT_EQ(report, (std::array<uint8_t, 3>{3, 0x01, 0x04}));
    ASSERT_EQ(notify->Read(report, n, 100), HidIo::Done);
    EXPECT_EQ(report, (std::array<uint8_t, 3>{3, 0, 0}));

    kb.Unplug();
    kb.ChangeLightingOnKeyboard();
    EXPECT_EQ(kb.Memories().params[0], 2) << "an unplugged keyboard has no owner pressing keys";
}

} // namespace
