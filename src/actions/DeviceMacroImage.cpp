#include "actions/DeviceMacroImage.h"

#include "macro/MacroImage.h"
#include "text/LanguageTexts.h"

int DecodeMacroImage(std::span<uint8_t> macroArea, std::span<const uint8_t> image)
{
    return DecodeMacroImage(macroArea, image, LoadText("MACRO_NEW_PREFIX"));
}

std::vector<uint8_t> DecodeMacroImage(std::span<const uint8_t> image)
{
    return DecodeMacroImage(image, LoadText("MACRO_NEW_PREFIX"));
}
