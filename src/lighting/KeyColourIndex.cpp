#include "lighting/KeyColours.h"

#include "keys/KeyTable.h"

#include <algorithm>
#include <array>

namespace {

struct ButtonColourIndex {
    uint16_t controlId;
    uint8_t index;
};

// Key buttons and Fn with their light's colour index (row × 21 + column).
// Indices 13, 17..20, 75, 77..79, 83, 98, 100, 114..118 and 122 have no
// button; 125 is the G keys'.
constexpr std::array<ButtonColourIndex, 107> ButtonIndices = {{
    // row 0: Esc, F1..F12, Print Screen, Scroll Lock, Pause
    {1022, 0}, {1010, 1}, {1011, 2}, {1012, 3}, {1013, 4}, {1014, 5}, {1015, 6},
    {1023, 7}, {1024, 8}, {1025, 9}, {1026, 10}, {1027, 11}, {1028, 12},
    {1091, 14}, {1092, 15}, {1093, 16},
    // row 1: ` 1..0 - = Backspace Insert Home PgUp, Num Lock / * -
    {1029, 21}, {1030, 22}, {1031, 23}, {1032, 24}, {1033, 25}, {1034, 26}, {1035, 27},
    {1036, 28}, {1037, 29}, {1038, 30}, {1039, 31}, {1040, 32}, {1041, 33}, {1043, 34},
    {1094, 35}, {1095, 36}, {1096, 37}, {1104, 38}, {1105, 39}, {1106, 40}, {1107, 41},
    // row 2: Tab Q..P [ ] \ Delete End PgDn, 7 8 9 +
    {1056, 42}, {1044, 43}, {1045, 44}, {1046, 45}, {1047, 46}, {1048, 47}, {1049, 48},
    {1050, 49}, {1051, 50}, {1052, 51}, {1053, 52}, {1054, 53}, {1055, 54}, {1042, 55},
    {1097, 56}, {1098, 57}, {1099, 58}, {1108, 59}, {1109, 60}, {1110, 61}, {1111, 62},
    // row 3: Caps A..L ; ' Enter, 4 5 6
    {1069, 63}, {1058, 64}, {1059, 65}, {1060, 66}, {1061, 67}, {1062, 68}, {1063, 69},
    {1064, 70}, {1065, 71}, {1066, 72}, {1067, 73}, {1068, 74}, {1070, 76},
    {1112, 80}, {1113, 81}, {1114, 82},
    // row 4: left Shift K45 Z..M , . / K56 right Shift Up, 1 2 3 Enter
    {1082, 84}, {1199, 85}, {1071, 86}, {1072, 87}, {1073, 88}, {1074, 89}, {1075, 90},
    {1076, 91}, {1077, 92}, {1078, 93}, {1079, 94}, {1080, 95}, {1200, 96}, {1081, 97},
    {1103, 99}, {1115, 101}, {1116, 102}, {1117, 103}, {1118, 104},
    // row 5: left Ctrl Win Alt Space right Alt Fn Menu right Win right Ctrl,
    // Left Down Right, 0 .
    {1083, 105}, {1084, 106}, {1085, 107}, {1090, 108}, {1086, 109}, {FnButtonId, 110},
    {1088, 111}, {1087, 112}, {1089, 113}, {1100, 119}, {1101, 120}, {1102, 121},
    {1120, 123}, {1119, 124},
}};

const std::array<uint16_t, 116> Buttons = [] {
    std::array<uint16_t, 116> ids{};
    size_t n = 0;
    for (const ButtonKey& key : ButtonKeyTable)
        ids[n++] = key.controlId;
    for (uint16_t id : MacroKeyButtons)
        ids[n++] = id;
    ids[n++] = FnButtonId;
    return ids;
}();

} // namespace

int KeyColourIndexOf(uint16_t controlId)
{
    if (std::find(MacroKeyButtons.begin(), MacroKeyButtons.end(), controlId) != MacroKeyButtons.end())
        return GKeyColourIndex;
    for (const ButtonColourIndex& entry : ButtonIndices) {
        if (entry.controlId == controlId)
            return entry.index;
    }
    return -1;
}

std::span<const uint16_t> KeyColourButtons()
{
    return Buttons;
}
