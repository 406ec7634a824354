#include "macro/MacroBlock.h"

#include "platform/Utf8.h"

namespace {

constexpr const char* PlayModeTexts[] = {
    "Play macro once",
    "Play macro repeat",
    "Repeating until key down again",
};

} // namespace

const char* PlayModeText(uint16_t playMode)
{
    return playMode < std::size(PlayModeTexts) ? PlayModeTexts[playMode] : "";
}

const char* DirectionText(uint16_t direction)
{
    return direction == MacroPressed ? "\u2193" : "  \u2191";
}

size_t MacroNameLength(const uint8_t* block)
{
    size_t length = 0;
    while (length < MaxMacroNameUnits && ReadU16(block, MacroNameOffset + 2 * length) != 0)
        ++length;
    return length;
}

std::u16string ReadMacroName(const uint8_t* block)
{
    size_t length = MacroNameLength(block);
    std::u16string name(length, u'\0');
    for (size_t i = 0; i < length; ++i)
        name[i] = static_cast<char16_t>(ReadU16(block, MacroNameOffset + 2 * i));
    return name;
}

void WriteMacroName(uint8_t* block, std::u16string_view name)
{
    size_t length = std::min(name.size(), MaxMacroNameUnits);
    // A pair cut in half would leave a lone surrogate in the field.
    if (length > 0 && length < name.size() && IsHighSurrogate(name[length - 1]) && IsLowSurrogate(name[length]))
        --length;
    // An embedded zero ends the name, as every reader of the field sees it.
    for (size_t i = 0; i < length; ++i) {
        if (name[i] == u'\0') {
            length = i;
            break;
        }
    }
    for (size_t i = 0; i < MacroNameUnits; ++i)
        WriteU16(block, MacroNameOffset + 2 * i, i < length ? static_cast<uint16_t>(name[i]) : 0);
}
