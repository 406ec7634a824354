#include "lighting/UserModeFile.h"

#include "lighting/UserModePreset.h"
#include "platform/AtomicFile.h"
#include "platform/PrivateProfile.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* PresentSection = "PRESENTMODE";
constexpr const char* PresentKey = "mode";
constexpr const char* NameSection = "MODENAME";
constexpr const char* ToolKey = "tool";
constexpr const char* BaseColourKey = "jcolor";
constexpr const char* PaintColourKey = "color";

std::string ModeSection(int mode)
{
    return "Mode" + std::to_string(mode);
}

std::string Read(const std::string& section, const std::string& key, const std::string& fallback, int profile)
{
    std::string value;
    GetPrivateProfileString(section, key, fallback, value, UserModeValueChars, UserModeFilePath(profile));
    return value;
}

uint8_t ColourComponent(long long value)
{
    return static_cast<uint8_t>(std::clamp<long long>(value, 0, 255));
}

// "r,g,b" with the numbers a value holds laid over the default's.
Colour ReadColour(const std::string& value, Colour fallback)
{
    long long rgb[3] = {RedOf(fallback), GreenOf(fallback), BlueOf(fallback)};
    ParseNumberList(value, 3, rgb);
    return MakeColour(ColourComponent(rgb[0]), ColourComponent(rgb[1]), ColourComponent(rgb[2]));
}

std::string ColourText(Colour colour)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d,%d,%d", RedOf(colour), GreenOf(colour), BlueOf(colour));
    return text;
}

std::string KeyColourText(Colour colour, int mark)
{
    return ColourText(colour) + "," + std::to_string(mark != 0 ? 1 : 0);
}

} // namespace

int ParseNumberList(std::string_view text, int count, long long* out)
{
    int parsed = 0;
    size_t at = 0;
    while (parsed < count) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        size_t start = at;
        if (at < text.size() && (text[at] == '-' || text[at] == '+'))
            ++at;
        const size_t digits = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        if (at == digits)
            break;
        // Saturate rather than wrap: "99999999999" must not read as a small
        // number of a different meaning.
        const bool negative = text[start] == '-';
        long long value = 0;
        for (size_t i = digits; i < at; ++i) {
            value = value * 10 + (text[i] - '0');
            if (value > INT_MAX) {
                value = INT_MAX;
                while (at < text.size() && text[at] >= '0' && text[at] <= '9')
                    ++at;
                break;
            }
        }
        out[parsed++] = negative ? std::max<long long>(-value, INT_MIN) : value;
        if (parsed == count || at >= text.size() || text[at] != ',')
            break;
        ++at;
    }
    return parsed;
}

int32_t ReadUserMode(int profile)
{
    long long mode = 0;
    ParseNumberList(Read(PresentSection, PresentKey, "0", profile), 1, &mode);
    return mode >= 0 && mode <= MaxUserMode ? static_cast<int32_t>(mode) : 0;
}

bool WriteUserMode(int profile, int mode)
{
    return WritePrivateProfileString(PresentSection, PresentKey, std::to_string(mode), UserModeFilePath(profile));
}

std::string ReadModeName(int profile, int mode)
{
    return Read(NameSection, std::to_string(mode), "0", profile);
}

bool WriteModeName(int profile, int mode, const std::string& text)
{
    return WritePrivateProfileString(NameSection, std::to_string(mode), CutUtf8Chars(text, UserModeValueChars - 1),
                                     UserModeFilePath(profile));
}

KeyColourEntry ReadKeyColour(int profile, int mode, int key)
{
    const KeyColourEntry fallback;
    long long values[4] = {RedOf(fallback.colour), GreenOf(fallback.colour), BlueOf(fallback.colour), fallback.mark};
    ParseNumberList(Read(ModeSection(mode), std::to_string(key), "255,0,0,1", profile), 4, values);
    KeyColourEntry entry;
    entry.colour = MakeColour(ColourComponent(values[0]), ColourComponent(values[1]), ColourComponent(values[2]));
    entry.mark = values[3] != 0 ? 1 : 0;
    return entry;
}

bool WriteKeyColour(int profile, int mode, int key, Colour colour, int mark)
{
    return WritePrivateProfileString(ModeSection(mode), std::to_string(key), KeyColourText(colour, mark),
                                     UserModeFilePath(profile));
}

bool WriteKeyColours(int profile, int mode, const std::vector<KeyColourWrite>& keys)
{
    std::vector<std::pair<std::string, std::string>> entries;
    entries.reserve(keys.size());
    for (const KeyColourWrite& k : keys)
        entries.emplace_back(std::to_string(k.key), KeyColourText(k.colour, k.mark));
    return WritePrivateProfileStrings(ModeSection(mode), entries, UserModeFilePath(profile));
}

UserTools ReadTools(int profile, int mode)
{
    const std::string section = ModeSection(mode);
    UserTools tools;
    long long tool = 0;
    ParseNumberList(Read(section, ToolKey, "0", profile), 1, &tool);
    tools.tool = tool == 1 ? 1 : 0;
    tools.baseColour = ReadColour(Read(section, BaseColourKey, "0,0,0", profile), Black);
    tools.paintColour = ReadColour(Read(section, PaintColourKey, "0,0,0", profile), Black);
    return tools;
}

bool WriteTools(int profile, int mode, const UserTools& tools)
{
    return WritePrivateProfileStrings(ModeSection(mode),
                                      {{ToolKey, std::to_string(tools.tool)},
                                       {BaseColourKey, ColourText(tools.baseColour)},
                                       {PaintColourKey, ColourText(tools.paintColour)}},
                                      UserModeFilePath(profile));
}

bool RestoreUserModeFile(int profile)
{
    const std::string path = UserModeFilePath(profile);
    const bool written = WriteFileAtomically(path, ReadUserModePreset());
    IniCache::Instance().Invalidate(path);
    return written;
}
