#include "keys/KeyTable.h"

// Values as the keyboard and the key choice lists know them; an empty record
// ({}) has list code 0xFFFF and no usage. Rows are
// {VK, list code, label, alternate VK, device code, language key}.
const std::array<KeyRecord, 256> KeyTable = {{
    /*   0 */ {},
    /*   1 */ {0x1B, 0x0025, "Esc", 0x1B, 0x29, "IDS_KEYBOARD_ESC"},
    /*   2 */ {0x31, 0x001A, "1", 0x31, 0x1E, "IDS_KEYBOARD_1"},
    /*   3 */ {0x32, 0x001B, "2", 0x32, 0x1F, "IDS_KEYBOARD_2"},
    /*   4 */ {0x33, 0x001C, "3", 0x33, 0x20, "IDS_KEYBOARD_3"},
    /*   5 */ {0x34, 0x001D, "4", 0x34, 0x21, "IDS_KEYBOARD_4"},
    /*   6 */ {0x35, 0x001E, "5", 0x35, 0x22, "IDS_KEYBOARD_5"},
    /*   7 */ {0x36, 0x001F, "6", 0x36, 0x23, "IDS_KEYBOARD_6"},
    /*   8 */ {0x37, 0x0020, "7", 0x37, 0x24, "IDS_KEYBOARD_7"},
    /*   9 */ {0x38, 0x0021, "8", 0x38, 0x25, "IDS_KEYBOARD_8"},
    /*  10 */ {0x39, 0x0022, "9", 0x39, 0x26, "IDS_KEYBOARD_9"},
    /*  11 */ {0x30, 0x0023, "0", 0x30, 0x27, "IDS_KEYBOARD_0"},
    /*  12 */ {0xBD, 0x0029, "-", 0xBD, 0x2D, "IDS_KEYBOARD_MINUS"},
    /*  13 */ {0xBB, 0x002A, "=", 0xBB, 0x2E, "IDS_KEYBOARD_EQU"},
    /*  14 */ {0x08, 0x0026, "Backspace", 0x08, 0x2A, "IDS_KEYBOARD_BS"},
    /*  15 */ {0x09, 0x0027, "Tab", 0x09, 0x2B, "IDS_KEYBOARD_TAB"},
    /*  16 */ {0x51, 0x0010, "Q", 0x51, 0x14, "IDS_KEYBOARD_Q"},
    /*  17 */ {0x57, 0x0016, "W", 0x57, 0x1A, "IDS_KEYBOARD_W"},
    /*  18 */ {0x45, 0x0004, "E", 0x45, 0x08, "IDS_KEYBOARD_E"},
    /*  19 */ {0x52, 0x0011, "R", 0x52, 0x15, "IDS_KEYBOARD_R"},
    /*  20 */ {0x54, 0x0013, "T", 0x54, 0x17, "IDS_KEYBOARD_T"},
    /*  21 */ {0x59, 0x0018, "Y", 0x59, 0x1C, "IDS_KEYBOARD_Y"},
    /*  22 */ {0x55, 0x0014, "U", 0x55, 0x18, "IDS_KEYBOARD_U"},
    /*  23 */ {0x49, 0x0008, "I", 0x49, 0x0C, "IDS_KEYBOARD_I"},
    /*  24 */ {0x4F, 0x000E, "O", 0x4F, 0x12, "IDS_KEYBOARD_O"},
    /*  25 */ {0x50, 0x000F, "P", 0x50, 0x13, "IDS_KEYBOARD_P"},
    /*  26 */ {0xDB, 0x002B, "[", 0xDB, 0x2F, "IDS_KEYBOARD_SB1"},
    /*  27 */ {0xDD, 0x002C, "]", 0xDD, 0x30, "IDS_KEYBOARD_SB2"},
    /*  28 */ {0x0D, 0x0024, "Enter", 0x0D, 0x28, "IDS_KEYBOARD_ENTER"},
    /*  29 */ {0xA2, 0x0061, "Ctrl", 0xA2, 0xE0, "IDS_KEYBOARD_LCTRL"},
    /*  30 */ {0x41, 0x0000, "A", 0x41, 0x04, "IDS_KEYBOARD_A"},
    /*  31 */ {0x53, 0x0012, "S", 0x53, 0x16, "IDS_KEYBOARD_S"},
    /*  32 */ {0x44, 0x0003, "D", 0x44, 0x07, "IDS_KEYBOARD_D"},
    /*  33 */ {0x46, 0x0005, "F", 0x46, 0x09, "IDS_KEYBOARD_F"},
    /*  34 */ {0x47, 0x0006, "G", 0x47, 0x0A, "IDS_KEYBOARD_G"},
    /*  35 */ {0x48, 0x0007, "H", 0x48, 0x0B, "IDS_KEYBOARD_H"},
    /*  36 */ {0x4A, 0x0009, "J", 0x4A, 0x0D, "IDS_KEYBOARD_J"},
    /*  37 */ {0x4B, 0x000A, "K", 0x4B, 0x0E, "IDS_KEYBOARD_K"},
    /*  38 */ {0x4C, 0x000B, "L", 0x4C, 0x0F, "IDS_KEYBOARD_L"},
    /*  39 */ {0xBA, 0x002E, ";", 0xBA, 0x33, "IDS_KEYBOARD_SEM"},
    /*  40 */ {0xDE, 0x002F, "'", 0xDE, 0x34, "IDS_KEYBOARD_QUOT"},
    /*  41 */ {0xC0, 0x0030, "`", 0xC0, 0x35, "IDS_KEYBOARD_AID1"},
    /*  42 */ {0xA0, 0x0062, "Shift", 0xA0, 0xE1, "IDS_KEYBOARD_LSHIFT"},
    /*  43 */ {0xDC, 0x002D, "\\", 0xDC, 0x31, "IDS_KEYBOARD_AV"},
    /*  44 */ {0x5A, 0x0019, "Z", 0x5A, 0x1D, "IDS_KEYBOARD_Z"},
    /*  45 */ {0x58, 0x0017, "X", 0x58, 0x1B, "IDS_KEYBOARD_X"},
    /*  46 */ {0x43, 0x0002, "C", 0x43, 0x06, "IDS_KEYBOARD_C"},
    /*  47 */ {0x56, 0x0015, "V", 0x56, 0x19, "IDS_KEYBOARD_V"},
    /*  48 */ {0x42, 0x0001, "B", 0x42, 0x05, "IDS_KEYBOARD_B"},
    /*  49 */ {0x4E, 0x000D, "N", 0x4E, 0x11, "IDS_KEYBOARD_N"},
    /*  50 */ {0x4D, 0x000C, "M", 0x4D, 0x10, "IDS_KEYBOARD_M"},
    /*  51 */ {0xBC, 0x0031, ",", 0xBC, 0x36, "IDS_KEYBOARD_COMMA"},
    /*  52 */ {0xBE, 0x0032, ".", 0xBE, 0x37, "IDS_KEYBOARD_PER"},
    /*  53 */ {0xBF, 0x0033, "/", 0xBF, 0x38, "IDS_KEYBOARD_VIR"},
    /*  54 */ {0xA1, 0x0066, "Right Shift", 0xA1, 0xE5, "IDS_KEYBOARD_RSHIFT"},
    /*  55 */ {0x6A, 0x0051, "Num *", 0x6A, 0x55, "IDS_KEYBOARD_S_AST"},
    /*  56 */ {0xA4, 0x0063, "Alt", 0xA4, 0xE2, "IDS_KEYBOARD_LALT"},
    /*  57 */ {0x20, 0x0028, "Space", 0x20, 0x2C, "IDS_KEYBOARD_SPACE"},
    /*  58 */ {0x14, 0x004E, "Caps Lock", 0x14, 0x39, "IDS_KEYBOARD_CAPS"},
    /*  59 */ {0x70, 0x0034, "F1", 0x70, 0x3A, "IDS_KEYBOARD_F1"},
    /*  60 */ {0x71, 0x0035, "F2", 0x71, 0x3B, "IDS_KEYBOARD_F2"},
    /*  61 */ {0x72, 0x0036, "F3", 0x72, 0x3C, "IDS_KEYBOARD_F3"},
    /*  62 */ {0x73, 0x0037, "F4", 0x73, 0x3D, "IDS_KEYBOARD_F4"},
    /*  63 */ {0x74, 0x0038, "F5", 0x74, 0x3E, "IDS_KEYBOARD_F5"},
    /*  64 */ {0x75, 0x0039, "F6", 0x75, 0x3F, "IDS_KEYBOARD_F6"},
    /*  65 */ {0x76, 0x003A, "F7", 0x76, 0x40, "IDS_KEYBOARD_F7"},
    /*  66 */ {0x77, 0x003B, "F8", 0x77, 0x41, "IDS_KEYBOARD_F8"},
    /*  67 */ {0x78, 0x003C, "F9", 0x78, 0x42, "IDS_KEYBOARD_F9"},
    /*  68 */ {0x79, 0x003D, "F10", 0x79, 0x43, "IDS_KEYBOARD_F10"},
    /*  69 */ {0x13, 0x0041, "Pause", 0x13, 0x48, "IDS_KEYBOARD_PAUSE"},
    /*  70 */ {0x91, 0x004D, "Scroll Lock", 0x91, 0x47, "IDS_KEYBOARD_SCROLL"},
    /*  71 */ {0x67, 0x005B, "Num 7", 0x24, 0x5F, "IDS_KEYBOARD_S_7"},
    /*  72 */ {0x68, 0x005C, "Num 8", 0x26, 0x60, "IDS_KEYBOARD_S_8"},
    /*  73 */ {0x69, 0x005D, "Num 9", 0x21, 0x61, "IDS_KEYBOARD_S_9"},
    /*  74 */ {0x6D, 0x0052, "Num -", 0x6D, 0x56, "IDS_KEYBOARD_S_MINUS"},
    /*  75 */ {0x64, 0x0058, "Num 4", 0x25, 0x5C, "IDS_KEYBOARD_S_4"},
    /*  76 */ {0x65, 0x0059, "Num 5", 0x0C, 0x5D, "IDS_KEYBOARD_S_5"},
    /*  77 */ {0x66, 0x005A, "Num 6", 0x27, 0x5E, "IDS_KEYBOARD_S_6"},
    /*  78 */ {0x6B, 0x0053, "Num +", 0x6B, 0x57, "IDS_KEYBOARD_S_PLUS"},
    /*  79 */ {0x61, 0x0055, "Num 1", 0x23, 0x59, "IDS_KEYBOARD_S_1"},
    /*  80 */ {0x62, 0x0056, "Num 2", 0x28, 0x5A, "IDS_KEYBOARD_S_2"},
    /*  81 */ {0x63, 0x0057, "Num 3", 0x22, 0x5B, "IDS_KEYBOARD_S_3"},
    /*  82 */ {0x60, 0x005E, "Num 0", 0x2D, 0x62, "IDS_KEYBOARD_S_0"},
    /*  83 */ {0x6E, 0x005F, "Num .", 0x2E, 0x63, "IDS_KEYBOARD_S_DEL"},
    /*  84 */ {0x2C, 0x8012, "Sys Req", 0x2C, 0x00, "IDS_KEYBOARD_SYSREQ"},
    /*  85 */ {},
    /*  86 */ {0xE2, 0x8014, "K45", 0xE2, 0x64, "IDS_KEYBOARD_K45"},
    /*  87 */ {0x7A, 0x003E, "F11", 0x7A, 0x44, "IDS_KEYBOARD_F11"},
    /*  88 */ {0x7B, 0x003F, "F12", 0x7B, 0x45, "IDS_KEYBOARD_F12"},
    /*  89 */ {},
    /*  90 */ {},
    /*  91 */ {},
    /*  92 */ {},
    /*  93 */ {},
    /*  94 */ {},
    /*  95 */ {},
    /*  96 */ {},
    /*  97 */ {},
    /*  98 */ {},
    /*  99 */ {},
    /* 100 */ {0x7C, 0x802E, "F13", 0x7C, 0x00, ""},
    /* 101 */ {},
    /* 102 */ {},
    /* 103 */ {},
    /* 104 */ {},
    /* 105 */ {},
    /* 106 */ {},
    /* 107 */ {},
    /* 108 */ {},
    /* 109 */ {},
    /* 110 */ {},
    /* 111 */ {},
    /* 112 */ {0xFF, 0x8019, "ROMA (133)", 0xFF, 0x88, "IDS_KEYBOARD_ROMA"},
    /* 113 */ {0xE9, 0x801A, "KL", 0xE9, 0x91, "IDS_KEYBOARD_KL"},
    /* 114 */ {0xFF, 0x801B, "KR", 0xFF, 0x90, "IDS_KEYBOARD_KR"},
    /* 115 */ {0xC1, 0x8015, "K56", 0xC1, 0x87, "IDS_KEYBOARD_K56"},
    /* 116 */ {},
    /* 117 */ {},
    /* 118 */ {},
    /* 119 */ {},
    /* 120 */ {},
    /* 121 */ {0xFF, 0x8018, "CHG (132)", 0xFF, 0x8A, "IDS_KEYBOARD_CHG"},
    /* 122 */ {},
    /* 123 */ {0xEB, 0x8017, "N-CHG (131)", 0xEB, 0x8B, "IDS_KEYBOARD_N_CHG"},
    /* 124 */ {},
    /* 125 */ {0xFF, 0x8013, "K14", 0xFF, 0x89, "IDS_KEYBOARD_K14"},
    /* 126 */ {0xC2, 0x8016, "K107", 0xC2, 0x85, "IDS_KEYBOARD_K107"},
    /* 127 */ {},
    /* 128 */ {},
    /* 129 */ {},
    /* 130 */ {},
    /* 131 */ {},
    /* 132 */ {},
    /* 133 */ {},
    /* 134 */ {},
    /* 135 */ {},
    /* 136 */ {},
    /* 137 */ {},
    /* 138 */ {},
    /* 139 */ {},
    /* 140 */ {},
    /* 141 */ {},
    /* 142 */ {},
    /* 143 */ {},
    /* 144 */ {0xB1, 0x8022, "Prev Track", 0xB1, 0xD0, "MEDIA_PREV_TRACK_4"},
    /* 145 */ {},
    /* 146 */ {},
    /* 147 */ {},
    /* 148 */ {},
    /* 149 */ {},
    /* 150 */ {},
    /* 151 */ {},
    /* 152 */ {},
    /* 153 */ {0xB0, 0x8023, "Next Track", 0xB0, 0xD1, "MEDIA_Next_TRACK_5"},
    /* 154 */ {},
    /* 155 */ {},
    /* 156 */ {0x0D, 0x0054, "Num Enter", 0x0D, 0x58, "IDS_KEYBOARD_S_ENTER"},
    /* 157 */ {0xA3, 0x0065, "Right Ctrl", 0xA3, 0xE4, "IDS_KEYBOARD_RCTRL"},
    /* 158 */ {},
    /* 159 */ {},
    /* 160 */ {0xAD, 0x8026, "Mute", 0xAD, 0xCD, "MEDIA_MUTE_8"},
    /* 161 */ {0xB7, 0x801D, "Calc", 0xB7, 0xC4, "MEDIA_CALC_17"},
    /* 162 */ {0xB3, 0x8020, "Play/Pause", 0xB3, 0xCE, "MEDIA_PALY_PAUSE_2"},
    /* 163 */ {},
    /* 164 */ {0xB2, 0x8021, "Stop Play", 0xB2, 0xCF, "MEDIA_STOP_PALY_3"},
    /* 165 */ {},
    /* 166 */ {},
    /* 167 */ {},
    /* 168 */ {},
    /* 169 */ {},
    /* 170 */ {},
    /* 171 */ {},
    /* 172 */ {},
    /* 173 */ {},
    /* 174 */ {0xAE, 0x8025, "V-", 0xAE, 0xC1, "MEDIA_V_LOW_6"},
    /* 175 */ {},
    /* 176 */ {0xAF, 0x8024, "V+", 0xAF, 0xC0, "MEDIA_V_ADD_7"},
    /* 177 */ {},
    /* 178 */ {0xAC, 0x8027, "WWW Home", 0xAC, 0xC7, "MEDIA_WWW_HOME_9"},
    /* 179 */ {},
    /* 180 */ {},
    /* 181 */ {0x6F, 0x0050, "Num /", 0x6F, 0x54, "IDS_KEYBOARD_S_VIR"},
    /* 182 */ {0xA1, 0x0066, "Right Shift", 0xA1, 0xE5, "IDS_KEYBOARD_RSHIFT"},
    /* 183 */ {0x2C, 0x0040, "Print Screen", 0x2C, 0x46, "IDS_KEYBOARD_PRINT"},
    /* 184 */ {0xA5, 0x0067, "Right Alt", 0xA5, 0xE6, "IDS_KEYBOARD_RALT"},
    /* 185 */ {},
    /* 186 */ {},
    /* 187 */ {},
    /* 188 */ {},
    /* 189 */ {},
    /* 190 */ {},
    /* 191 */ {},
    /* 192 */ {},
    /* 193 */ {},
    /* 194 */ {},
    /* 195 */ {},
    /* 196 */ {},
    /* 197 */ {0x90, 0x004F, "Num Lock", 0x90, 0x53, "IDS_KEYBOARD_NUM"},
    /* 198 */ {0x03, 0x0042, "Break", 0x03, 0x48, "IDS_KEYBOARD_BREAK"},
    /* 199 */ {0x24, 0x0045, "Home", 0x24, 0x4A, "IDS_KEYBOARD_HOME"},
    /* 200 */ {0x26, 0x0049, "↑", 0x26, 0x52, "IDS_KEYBOARD_UP"},
    /* 201 */ {0x21, 0x0047, "Page Up", 0x21, 0x4B, "IDS_KEYBOARD_PAGE_UP"},
    /* 202 */ {},
    /* 203 */ {0x25, 0x004B, "←", 0x25, 0x50, "IDS_KEYBOARD_LEFT"},
    /* 204 */ {},
    /* 205 */ {0x27, 0x004C, "→", 0x27, 0x4F, "IDS_KEYBOARD_RIGHT"},
    /* 206 */ {},
    /* 207 */ {0x23, 0x0046, "End", 0x23, 0x4D, "IDS_KEYBOARD_END"},
    /* 208 */ {0x28, 0x004A, "↓", 0x28, 0x51, "IDS_KEYBOARD_DOWN"},
    /* 209 */ {0x22, 0x0048, "Page Down", 0x22, 0x4E, "IDS_KEYBOARD_PAGE_DOWN"},
    /* 210 */ {0x2D, 0x0043, "Insert", 0x2D, 0x49, "IDS_KEYBOARD_INSERT"},
    /* 211 */ {0x2E, 0x0044, "Delete", 0x2E, 0x4C, "IDS_KEYBOARD_DELETE"},
    /* 212 */ {},
    /* 213 */ {},
    /* 214 */ {},
    /* 215 */ {},
    /* 216 */ {},
    /* 217 */ {},
    /* 218 */ {},
    /* 219 */ {0x5B, 0x0064, "Win", 0x5B, 0xE3, "IDS_KEYBOARD_LWIN"},
    /* 220 */ {0x5C, 0x0068, "Right Win", 0x5C, 0xE7, "IDS_KEYBOARD_RWIN"},
    /* 221 */ {0x5D, 0x0060, "App", 0x5D, 0x65, "IDS_KEYBOARD_APP"},
    /* 222 */ {0xFF, 0x8001, "Power", 0xFF, 0x81, "IDS_KEYBOARD_POWER"},
    /* 223 */ {0x5F, 0x8002, "Sleep", 0x5F, 0x82, "IDS_KEYBOARD_SLEEP"},
    /* 224 */ {},
    /* 225 */ {0xD1, 0x006D, "Roll Up", 0xD1, 0xF4, "IDS_KEYBOARD_ROLL_UP"},
    /* 226 */ {0xD2, 0x006E, "Roll Down", 0xD2, 0xF5, "IDS_KEYBOARD_ROLL_DOWN"},
    /* 227 */ {0xFF, 0x8003, "Wake", 0xFF, 0x83, "IDS_KEYBOARD_WAKE"},
    /* 228 */ {},
    /* 229 */ {0xAA, 0x802D, "WWW Search", 0xAA, 0xC6, "MEDIA_WWW_SEARCH_15"},
    /* 230 */ {0xAB, 0x802C, "WWW Favorite", 0xAB, 0xCC, "MEDIA_WWW_FAVORITE_14"},
    /* 231 */ {0xA8, 0x8028, "WWW Refresh", 0xA8, 0xCB, "MEDIA_WWW_REFRESH_10"},
    /* 232 */ {0xA9, 0x8029, "WWW Stop", 0xA9, 0xCA, "MEDIA_WWW_STOP_11"},
    /* 233 */ {0xA7, 0x802B, "WWW Forward", 0xA7, 0xC9, "MEDIA_WWW_FORWARD_13"},
    /* 234 */ {0xA6, 0x802A, "WWW Back", 0xA6, 0xC8, "MEDIA_WWW_BACK_12"},
    /* 235 */ {0xB6, 0x801C, "My PC", 0xB6, 0xC5, "MEDIA_MY_PC_16"},
    /* 236 */ {0xB4, 0x801E, "Mail", 0xB4, 0xC3, "MEDIA_MAIL_18"},
    /* 237 */ {0xB5, 0x801F, "Media Player", 0xB5, 0xC2, "MEDIA_PALYER_1"},
    /* 238 */ {0x88, 0x8005, "Pan Left", 0x88, 0x00, "IDS_KEYBOARD_MOU_PANLEFT"},
    /* 239 */ {0x89, 0x8006, "Pan Right", 0x89, 0x00, "IDS_KEYBOARD_MOU_PANRIGHT"},
    /* 240 */ {0x8A, 0x8004, "Double Click", 0x8A, 0x00, "IDS_KEYBOARD_MOU_DBCLICK"},
    /* 241 */ {0x01, 0x006A, "Left Button", 0x01, 0xF1, "IDS_KEYBOARD_MOU_LEFT"},
    /* 242 */ {0x02, 0x006B, "Right Button", 0x02, 0xF2, "IDS_KEYBOARD_MOU_RIGHT"},
    /* 243 */ {0x04, 0x006C, "Middle Button", 0x04, 0xF3, "IDS_KEYBOARD_MOU_MIDDLE"},
    /* 244 */ {0x8B, 0x8007, "Zoom-", 0x8B, 0xD2, "IDS_KEYBOARD_FUNC_ZOOMOUT"},
    /* 245 */ {0x8C, 0x8008, "Zoom+", 0x8C, 0xD3, "IDS_KEYBOARD_FUNC_ZOOMIN"},
    /* 246 */ {0x97, 0x8009, "Copy", 0x97, 0x00, "IDS_KEYBOARD_FUNC_COPY"},
    /* 247 */ {0x98, 0x800A, "Cut", 0x98, 0x00, "IDS_KEYBOARD_FUNC_CUT"},
    /* 248 */ {0x99, 0x800B, "Paste", 0x99, 0x00, "IDS_KEYBOARD_FUNC_PASTE"},
    /* 249 */ {0x9A, 0x800C, "Minimize", 0x9A, 0x00, "IDS_KEYBOARD_FUNC_MINI"},
    /* 250 */ {0x9B, 0x800D, "Maximize", 0x9B, 0x00, "IDS_KEYBOARD_FUNC_MAXI"},
    /* 251 */ {0x9C, 0x800E, "Word", 0x9C, 0xD4, "IDS_KEYBOARD_FUNC_WORD"},
    /* 252 */ {0x9D, 0x800F, "Excel", 0x9D, 0xD5, "IDS_KEYBOARD_FUNC_EXCEL"},
    /* 253 */ {0x9E, 0x8010, "PowerPoint", 0x9E, 0x00, "IDS_KEYBOARD_FUNC_POWERPOINT"},
    /* 254 */ {0x9F, 0x8011, "Calendar", 0x9F, 0x00, "IDS_KEYBOARD_FUNC_CALENDAR"},
    /* 255 */ {},
}};

// Virtual key -> key index; 0x10..0x12 stand for the left-hand modifiers.
const std::array<uint8_t, 256> VkIndexTable = {
      0,   0,   0, 198,   0,   0,   0,   0,  14,  15,   0,   0,   0,  28,   0,   0, // 0x00
     42,  29,  56,  69,  58,   0,   0,   0,   0,   0,   0,   1,   0,   0,   0,   0, // 0x10
     57, 201, 209, 207, 199, 203, 200, 205, 208,   0,   0,   0, 183, 210, 211,   0, // 0x20
     11,   2,   3,   4,   5,   6,   7,   8,   9,  10,   0,   0,   0,   0,   0,   0, // 0x30
      0,  30,  48,  46,  32,  18,  33,  34,  35,  23,  36,  37,  38,  50,  49,  24, // 0x40
     25,  16,  19,  31,  20,  22,  47,  17,  45,  21,  44, 219, 220, 221,   0, 223, // 0x50
     82,  79,  80,  81,  75,  76,  77,  71,  72,  73,  55,  78,   0,  74,  83, 181, // 0x60
     59,  60,  61,  62,  63,  64,  65,  66,  67,  68,  87,  88, 100,   0,   0,   0, // 0x70
      0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0, 210, 211,   0,   0,   0, // 0x80
    197,  70,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0, 212, 213,   0,   0, // 0x90
     42,  54,  29, 157,  56, 184, 234, 233, 231, 232, 229, 230, 178, 160, 174, 176, // 0xA0
    153, 144, 164, 162, 236, 237, 235, 161,   0,   0,  39,  13,  51,  12,  52,  53, // 0xB0
     41, 115, 126,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0, // 0xC0
      0, 225, 226,   0,   0,   0,   0,   0,   0,   0,   0,  26,  43,  27,  40,   0, // 0xD0
      0,   0,  86,   0,   0,   0,   0,   0,   0, 113,   0, 123,   0,   0,   0,   0, // 0xE0
      0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0, // 0xF0
};

const std::array<ButtonKey, 106> ButtonKeyTable = {{
    {1058, 0x01E}, // A
    {1075, 0x030}, // B
    {1073, 0x02E}, // C
    {1060, 0x020}, // D
    {1046, 0x012}, // E
    {1061, 0x021}, // F
    {1062, 0x022}, // G
    {1063, 0x023}, // H
    {1051, 0x017}, // I
    {1064, 0x024}, // J
    {1065, 0x025}, // K
    {1066, 0x026}, // L
    {1077, 0x032}, // M
    {1076, 0x031}, // N
    {1052, 0x018}, // O
    {1053, 0x019}, // P
    {1044, 0x010}, // Q
    {1047, 0x013}, // R
    {1059, 0x01F}, // S
    {1048, 0x014}, // T
    {1050, 0x016}, // U
    {1074, 0x02F}, // V
    {1045, 0x011}, // W
    {1072, 0x02D}, // X
    {1049, 0x015}, // Y
    {1071, 0x02C}, // Z
    {1030, 0x002}, // 1
    {1031, 0x003}, // 2
    {1032, 0x004}, // 3
    {1033, 0x005}, // 4
    {1034, 0x006}, // 5
    {1035, 0x007}, // 6
    {1036, 0x008}, // 7
    {1037, 0x009}, // 8
    {1038, 0x00A}, // 9
    {1039, 0x00B}, // 0
    {1070, 0x01C}, // Enter
    {1022, 0x001}, // Esc
    {1043, 0x00E}, // Backspace
    {1056, 0x00F}, // Tab
    {1090, 0x039}, // Space
    {1040, 0x00C}, // -
    {1041, 0x00D}, // =
    {1054, 0x01A}, // [
    {1055, 0x01B}, // ]
    {1042, 0x02B}, // backslash
    {1067, 0x027}, // ;
    {1068, 0x028}, // '
    {1029, 0x029}, // grave accent
    {1078, 0x033}, // ,
    {1079, 0x034}, // .
    {1080, 0x035}, // /
    {1010, 0x03B}, // F1
    {1011, 0x03C}, // F2
    {1012, 0x03D}, // F3
    {1013, 0x03E}, // F4
    {1014, 0x03F}, // F5
    {1015, 0x040}, // F6
    {1023, 0x041}, // F7
    {1024, 0x042}, // F8
    {1025, 0x043}, // F9
    {1026, 0x044}, // F10
    {1027, 0x057}, // F11
    {1028, 0x058}, // F12
    {1091, 0x137}, // Print Screen
    {1093, 0x045}, // Pause
    {1094, 0x152}, // Insert
    {1097, 0x153}, // Delete
    {1095, 0x147}, // Home
    {1098, 0x14F}, // End
    {1096, 0x149}, // Page Up
    {1099, 0x151}, // Page Down
    {1103, 0x148}, // ↑
    {1101, 0x150}, // ↓
    {1100, 0x14B}, // ←
    {1102, 0x14D}, // →
    {1092, 0x046}, // Scroll Lock
    {1069, 0x03A}, // Caps Lock
    {1088, 0x15D}, // App
    {1083, 0x01D}, // Ctrl
    {1089, 0x11D}, // Right Ctrl
    {1082, 0x02A}, // Shift
    {1081, 0x036}, // Right Shift
    {1085, 0x038}, // Alt
    {1086, 0x138}, // Right Alt
    {1084, 0x15B}, // Win
    {1087, 0x15C}, // Right Win
    {1115, 0x04F}, // Num 1
    {1116, 0x050}, // Num 2
    {1117, 0x051}, // Num 3
    {1112, 0x04B}, // Num 4
    {1113, 0x04C}, // Num 5
    {1114, 0x04D}, // Num 6
    {1108, 0x047}, // Num 7
    {1109, 0x048}, // Num 8
    {1110, 0x049}, // Num 9
    {1120, 0x052}, // Num 0
    {1104, 0x145}, // Num Lock
    {1118, 0x11C}, // Num Enter
    {1119, 0x053}, // Num .
    {1105, 0x135}, // Num /
    {1106, 0x037}, // Num *
    {1107, 0x04A}, // Num -
    {1111, 0x04E}, // Num +
    {1199, 0x056}, // K45
    {1200, 0x073}, // K56
}};

const std::array<uint16_t, 9> MacroKeyButtons = {1000, 1001, 1002, 1003, 1004, 1140, 1141, 1142, 1143};
