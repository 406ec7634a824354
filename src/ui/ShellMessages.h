#pragma once

#include <cstdint>

// Private window messages and the 32-bit tags that must come with them; a
// receiver acts only when the tag matches.
inline constexpr uint32_t MsgOpen = 0x5350;
inline constexpr uint32_t TagOpen = 0x4F50454E; // "OPEN"
inline constexpr uint32_t MsgKill = 0x4D4B;
inline constexpr uint32_t TagKill = 0x4C4C494B; // "KILL"
inline constexpr uint32_t MsgInit = 0x4D4E;
inline constexpr uint32_t TagInit = 0x494E4954; // "INIT"
inline constexpr uint32_t MsgReload = 0x5452;
inline constexpr uint32_t TagReload = 0x50524F46; // "PROF"
inline constexpr uint32_t MsgLanguage = 0x5041;
inline constexpr uint32_t TagLanguage = 0x4C414E47; // "LANG"
inline constexpr uint32_t MsgDeviceLost = 0x4753;   // no tag
// A second start with --firmware-update: open the firmware update window.
inline constexpr uint32_t MsgFirmwareUpdate = 0x5550;
inline constexpr uint32_t TagFirmwareUpdate = 0x55504454; // "UPDT"

// rt604ctl's MsgKeyboardChanged (0x4348) is in platform/KeyboardChangeNotice.h,
// where rt604ctl, which sees no window, can take it from.

// The main window's mark (its "user data"), which the instance search looks for.
inline constexpr uint32_t MainWindowMarker = 0x4D41494E;
