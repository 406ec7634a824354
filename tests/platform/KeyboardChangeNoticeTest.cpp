// What a window takes from rt604ctl's message: the parts, when the message
// is about its keyboard. Parameters typed out as rt604ctl sends them.
#include "platform/KeyboardChangeNotice.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(KeyboardChangeNotice, AWindowTakesOnlyWhatConcernsItsKeyboard)
{
    const uint32_t ours = KeyboardIdentity("/home/owner/a.state");
    const uint32_t theirs = KeyboardIdentity("/home/owner/b.state");
    ASSERT_NE(ours, 0u);
    ASSERT_NE(ours, theirs);
    const struct {
        const char* what;
        uint32_t param;
        uint32_t keyboard;
        std::optional<uint32_t> parts;
    } cases[] = {
        {"real keyboard, profile", 0x00000001, 0, 0x01},
        {"real keyboard, import", 0x00000007, 0, 0x07},
        {"real keyboard, every part and bits of a newer tool", 0x000000FF, 0, 0x3F},
        {"no part at all", 0x00000000, 0, std::nullopt},
        {"only unknown bits", 0x000000C0, 0, std::nullopt},
        {"the virtual keyboard we run on", (ours << 8) | 0x08, ours, 0x08},
        {"a virtual keyboard, we run on the real one", (ours << 8) | 0x01, 0, std::nullopt},
        {"the real keyboard, we run on a virtual one", 0x00000002, ours, std::nullopt},
        {"another virtual keyboard", (theirs << 8) | 0x10, ours, std::nullopt},
        {"rules, whatever the keyboard", (theirs << 8) | 0x21, ours, 0x20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeKeyboardChange(c.param, c.keyboard), c.parts);
    }
    EXPECT_EQ(EncodeKeyboardChange(0x05, 0), 0x00000005u);
    EXPECT_EQ(EncodeKeyboardChange(0x01, 0x123456), 0x12345601u);
    EXPECT_EQ(KeyboardIdentity(""), 0u);
    EXPECT_LE(ours, 0xFFFFFFu);
}

} // namespace
