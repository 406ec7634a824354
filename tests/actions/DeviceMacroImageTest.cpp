#include "actions/DeviceMacroImage.h"

#include "macro/MacroImage.h"
#include "support/MacroTestSupport.h"

#include <gtest/gtest.h>

namespace {

class DeviceCopyImage : public MacroFixture {};

TEST_F(DeviceCopyImage, MacrosWithoutStoredNamesTakeTheLanguagePrefix)
{
    std::vector<uint8_t> image = MacroImageOf({MakeMacro(8, "x"), MakeMacro(9, "y")}, false);
    std::vector<uint8_t> area = DecodeMacroImage(std::span<const uint8_t>(image));
    ASSERT_EQ(area.size(), 2 * MacroBlockSize);
    EXPECT_EQ(ConstMacroBlock(area.data()).Name(), "Macro1");
    EXPECT_EQ(ConstMacroBlock(area.data() + MacroBlockSize).Name(), "Macro2");
}

} // namespace
