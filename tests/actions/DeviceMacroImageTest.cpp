#include "actions/DeviceMacroImage.h"

#include "macro/MacroImage.h"
#include "support/MacroTestSupport.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Build(const std::vector<MacroCopy>& macros, bool withNames)
{
    std::vector<uint8_t> area = MacroArea(macros);
    MacroImageSizes sizes = ComputeMacroImageSize(area);
    std::vector<uint8_t> image(withNames ? sizes.withNames : sizes.withoutNames);
    EXPECT_EQ(BuildMacroImage(area, image, withNames), 1);
    return image;
}

class DeviceCopyImage : public MacroFixture {};

TEST_F(DeviceCopyImage, MacrosWithoutStoredNamesTakeTheLanguagePrefix)
{
    std::vector<uint8_t> image = Build({MakeMacro(8, "x"), MakeMacro(9, "y")}, false);
    std::vector<uint8_t> area = DecodeMacroImage(std::span<const uint8_t>(image));
    ASSERT_EQ(area.size(), 2 * MacroBlockSize);
    EXPECT_EQ(ConstMacroBlock(area.data()).Name(), "Macro1");
    EXPECT_EQ(ConstMacroBlock(area.data() + MacroBlockSize).Name(), "Macro2");
}

} // namespace
