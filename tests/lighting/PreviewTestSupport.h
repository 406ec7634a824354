#pragma once

#include "lighting/EffectPreview.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

// Keys are named here as the tests write them, with the main window's
// control ids of the key buttons (the Fn button is 1174).
inline const std::map<std::string, uint16_t>& KeyControls()
{
    static const std::map<std::string, uint16_t> controls = {
        {"Esc", 1022}, {"F1", 1010}, {"F2", 1011}, {"F3", 1012}, {"F4", 1013}, {"F5", 1014}, {"F6", 1015},
        {"F7", 1023}, {"F8", 1024}, {"F9", 1025}, {"F10", 1026}, {"F11", 1027}, {"F12", 1028},
        {"PrtSc", 1091}, {"ScrLk", 1092}, {"Pause", 1093},
        {"`", 1029}, {"1", 1030}, {"2", 1031}, {"3", 1032}, {"4", 1033}, {"5", 1034}, {"6", 1035}, {"7", 1036},
        {"8", 1037}, {"9", 1038}, {"0", 1039}, {"-", 1040}, {"=", 1041}, {"Bksp", 1043},
        {"Ins", 1094}, {"Home", 1095}, {"PgUp", 1096}, {"NumLk", 1104}, {"KP/", 1105}, {"KP*", 1106}, {"KP-", 1107},
        {"Tab", 1056}, {"Q", 1044}, {"W", 1045}, {"E", 1046}, {"R", 1047}, {"T", 1048}, {"Y", 1049}, {"U", 1050},
        {"I", 1051}, {"O", 1052}, {"P", 1053}, {"[", 1054}, {"]", 1055}, {"\\", 1042},
        {"Del", 1097}, {"End", 1098}, {"PgDn", 1099}, {"KP7", 1108}, {"KP8", 1109}, {"KP9", 1110}, {"KP+", 1111},
        {"Caps", 1069}, {"A", 1058}, {"S", 1059}, {"D", 1060}, {"F", 1061}, {"G", 1062}, {"H", 1063}, {"J", 1064},
        {"K", 1065}, {"L", 1066}, {";", 1067}, {"'", 1068}, {"Enter", 1070}, {"KP4", 1112}, {"KP5", 1113}, {"KP6", 1114},
        {"LShift", 1082}, {"K45", 1199}, {"Z", 1071}, {"X", 1072}, {"C", 1073}, {"V", 1074}, {"B", 1075}, {"N", 1076},
        {"M", 1077}, {",", 1078}, {".", 1079}, {"/", 1080}, {"K56", 1200}, {"RShift", 1081}, {"Up", 1103},
        {"KP1", 1115}, {"KP2", 1116}, {"KP3", 1117}, {"KPEnter", 1118},
        {"LCtrl", 1083}, {"LWin", 1084}, {"LAlt", 1085}, {"Space", 1090}, {"RAlt", 1086}, {"Fn", 1174},
        {"Menu", 1088}, {"RCtrl", 1089}, {"Left", 1100}, {"Down", 1101}, {"Right", 1102}, {"KP0", 1120}, {"KP.", 1119},
    };
    return controls;
}

// "Esc F1 _ F2" -> {"Esc", "F1", "_", "F2"}; "_" is an empty cell.
inline std::vector<std::string> Words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

inline uint32_t Rgb(int red, int green, int blue)
{
    return static_cast<uint32_t>(red) | static_cast<uint32_t>(green) << 8 | static_cast<uint32_t>(blue) << 16;
}

inline std::string RgbText(uint32_t colour)
{
    std::ostringstream out;
    out << "(" << (colour & 0xFF) << ", " << ((colour >> 8) & 0xFF) << ", " << ((colour >> 16) & 0xFF) << ")";
    return out.str();
}

// A colour × level, each channel rounded down.
inline uint32_t Dimmed(uint32_t colour, int level)
{
    auto channel = [&](int shift) { return static_cast<int>((colour >> shift) & 0xFF) * level / 255; };
    return Rgb(channel(0), channel(8), channel(16));
}

// The hue wheel built here from its two ramps, independently of the program.
inline const std::array<uint32_t, 192>& Wheel()
{
    static const std::array<uint32_t, 192> wheel = [] {
        const int rising[32] = {1, 3, 5, 7, 10, 14, 18, 22, 26, 32, 38, 44, 50, 57, 65, 73,
                                81, 89, 99, 109, 119, 129, 140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
        const int falling[32] = {248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124, 114, 104, 94, 85, 77,
                                 69, 61, 53, 47, 41, 35, 29, 24, 20, 16, 12, 8, 6, 4, 2, 0};
        std::array<uint32_t, 192> w{};
        for (int i = 0; i < 32; ++i) {
            w[static_cast<size_t>(i)] = Rgb(255, rising[i], 0);
            w[static_cast<size_t>(32 + i)] = Rgb(falling[i], 255, 0);
            w[static_cast<size_t>(64 + i)] = Rgb(0, 255, rising[i]);
            w[static_cast<size_t>(96 + i)] = Rgb(0, falling[i], 255);
            w[static_cast<size_t>(128 + i)] = Rgb(rising[i], 0, 255);
            w[static_cast<size_t>(160 + i)] = Rgb(255, 0, falling[i]);
        }
        return w;
    }();
    return wheel;
}

inline uint32_t WheelAt(int index) { return Wheel()[static_cast<size_t>(((index % 192) + 192) % 192)]; }

// The colour a frame gives the key button of a named key.
inline uint32_t KeyColour(const PreviewFrame& frame, const std::string& key)
{
    auto named = KeyControls().find(key);
    if (named == KeyControls().end()) {
        ADD_FAILURE() << "no key called " << key;
        return 0xFFFFFFFF;
    }
    for (size_t k = 0; k < PreviewKeyCount; ++k) {
        if (PreviewKeyControls[k] == named->second)
            return frame.colours[k];
    }
    ADD_FAILURE() << key << " (" << named->second << ") is not animated";
    return 0xFFFFFFFF;
}

// A preview as a window runs it: the effect was just chosen, so the first
// tick restarts.
class PreviewRun {
public:
    explicit PreviewRun(uint32_t step, bool multicolour = false, uint32_t direction = 0xFF,
                        uint32_t colour = Rgb(255, 102, 51))
    {
        inputs.step = step;
        inputs.multicolour = multicolour;
        inputs.direction = direction;
        inputs.effectColour = colour;
        inputs.restart = true;
        inputs.randomSeed = 12345;
    }

    const PreviewFrame& Tick()
    {
        frame = PreviewStep(state, inputs);
        inputs.restart = false;
        ++ticks;
        return frame;
    }

    const PreviewFrame& TickTo(int tick)
    {
        while (ticks < tick)
            Tick();
        return frame;
    }

    // Chooses another effect: the next tick restarts.
    void Choose(uint32_t step)
    {
        inputs.step = step;
        inputs.restart = true;
    }

    uint32_t Colour(const std::string& key) const { return KeyColour(frame, key); }

    PreviewState state;
    PreviewInputs inputs;
    PreviewFrame frame;
    int ticks = 0;
};
