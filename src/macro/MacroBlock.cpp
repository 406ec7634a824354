#include "macro/MacroBlock.h"

#include "platform/Utf8.h"

namespace {

constexpr const char* PlayModeTexts[] = {
    "Play macro once",
    "Play macro repeat",
    "Repeating until key down again",
};

bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

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

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        size_t extra = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F, extra = 1, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F, extra = 2, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07, extra = 3, minimum = 0x10000;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        size_t used = 1;
        bool valid = true;
        for (size_t k = 0; k < extra; ++k, ++used) {
            if (i + used >= text.size() || (static_cast<unsigned char>(text[i + used]) & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(text[i + used]) & 0x3F);
        }
        if (!valid || cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            cp = 0xFFFD;
        i += used;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        char32_t cp = unit;
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}
