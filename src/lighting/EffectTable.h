#pragma once

#include <cstdint>
#include <span>

// What each lighting effect the keyboard may offer means to the panel: the
// bytes its selection writes, which control groups it shows, which direction
// pictures it uses and which preview step animates it.

// The colour controls an effect shows (one group at a time).
enum class ColourGroup {
    None,
    Hx,          // colour button 1155 and multicolour switch 1156
    Fy,          // colour button 1152 and multicolour switch 1175
    FourColours, // pictures 1194..1197
    User,        // the per-key colour tools
};

// The pictures of the two direction buttons.
enum class DirectionPictures {
    LeftRight,       // leftup/leftdown, rightup/rightdown
    UpDown,          // upup/updown, downup/downdown
    SpreadConverge,  // kuosan/kuosandown, julong/julongdown
};

inline constexpr uint8_t UserEffectCode = 20;

struct EffectInfo {
    uint8_t code;
    bool writesMulticolour; // selection also resends record byte 4
    bool brightness;
    bool speed;
    bool direction;
    ColourGroup colour;
    int previewStep; // the preview step that animates the effect
};

// The row of a code, or nullptr for codes without one (0, 19, above 20):
// such a code is listed but choosing it writes nothing and hides every group.
const EffectInfo* FindEffect(int code);
std::span<const EffectInfo> EffectTable();

// The direction group's pictures and the skin keys that place it: "" for
// "CONTROL_BLFXStatic" and its pictures, "2" for codes 1 to 3, "3" for 12.
DirectionPictures DirectionPicturesOf(int code);
const char* DirectionKeySuffix(int code);

// 0x00 and 0xFE mark empty entries of the keyboard's effect list.
constexpr bool IsEmptyEffectEntry(uint8_t code) { return code == 0x00 || code == 0xFE; }
