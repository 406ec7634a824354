#include "config/DocumentMacros.h"

#include "support/MacroTestSupport.h"
#include "keys/KeyTable.h"
#include "macro/MacroImage.h"

#include <gtest/gtest.h>

namespace {

class DeviceCopyImage : public MacroFixture {};

TEST_F(DeviceCopyImage, SizeAndImageComeFromTheDeviceCopy)
{
    std::vector<MacroCopy> macros = {MakeMacro(5, "Dev", ManyMacroEvents(10), 2)};
    {
        DeviceCopyLock lock;
        g_deviceDoc.macros = MacroArea(macros);
        g_deviceDoc.macroCount = 1;
    }
    uint32_t withNames = 0, withoutNames = 0;
    ComputeMacroImageSize(withNames, withoutNames);
    EXPECT_EQ(withoutNames, 16u + 2 + 4 + 40);
    EXPECT_EQ(withNames, withoutNames + 6);

    std::vector<uint8_t> image(withNames);
    ASSERT_EQ(BuildMacroImage(image.data(), withNames, 1), 1);
    EXPECT_EQ(image, MacroImageOf(macros, true));
    EXPECT_EQ(BuildMacroImage(image.data(), withoutNames, 1), 0) << "wrong length for the names flag";

    std::vector<uint8_t> decoded = DecodeMacroImage(std::span<const uint8_t>(image), "Macro");
    ASSERT_EQ(decoded.size(), MacroBlockSize);
    EXPECT_EQ(ConstMacroBlock(decoded.data()).Name(), "Dev");
}

TEST_F(DeviceCopyImage, ACountLargerThanTheAreaIsBounded)
{
    {
        DeviceCopyLock lock;
        g_deviceDoc.macros = MacroArea({MakeMacro(1, "Only")});
        g_deviceDoc.macroCount = 40; // the area holds one block
    }
    uint32_t withNames = 0, withoutNames = 0;
    ComputeMacroImageSize(withNames, withoutNames);
    EXPECT_EQ(withoutNames, 16u + 2 + 4);
}

} // namespace
