#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

// One profile's lighting record in the keyboard's parameter memory: 42 bytes
// at offset profile × 42. Only the fields below mean something to the
// program; every other byte is kept as the keyboard has it.
inline constexpr int LightingProfiles = 3;
inline constexpr size_t LightingRecordBytes = 42;
// A parameter read always asks for 56 bytes; the first 42 are the record.
inline constexpr size_t LightingReadBytes = 56;

inline constexpr size_t RecordEffect = 0;
inline constexpr size_t RecordBrightness = 1;
inline constexpr size_t RecordSpeed = 2;
inline constexpr size_t RecordDirection = 3;
inline constexpr size_t RecordMulticolour = 4;
inline constexpr size_t RecordColour = 5; // red, green, blue
inline constexpr size_t RecordReportRate = 15;
inline constexpr size_t RecordColourChoice = 17;
inline constexpr size_t RecordEffect7Option = 18;
inline constexpr size_t RecordTriggerMode = 19;
inline constexpr size_t RecordSecondColour = 25;
inline constexpr size_t RecordSecondMulticolour = 28;
inline constexpr size_t RecordThirdColour = 30;
inline constexpr size_t RecordThirdMulticolour = 33;

inline constexpr int MaxLevel = 5;      // brightness and speed run 0..5
inline constexpr int MaxReportRate = 3; // report1..report4
inline constexpr int MaxColourChoice = 3;
inline constexpr uint8_t DirectionForward = 0xFF;
inline constexpr uint8_t DirectionBackward = 0x00;

// Colours are held as red | green << 8 | blue << 16 and travel as the bytes
// red, green, blue.
using Colour = uint32_t;
inline constexpr Colour White = 0xFFFFFF;
inline constexpr Colour Black = 0;
// What a colour chooser answers for "automatic".
inline constexpr int64_t AutomaticColour = -1;

constexpr Colour MakeColour(uint8_t red, uint8_t green, uint8_t blue)
{
    return Colour{red} | Colour{green} << 8 | Colour{blue} << 16;
}
constexpr uint8_t RedOf(Colour c) { return static_cast<uint8_t>(c); }
constexpr uint8_t GreenOf(Colour c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(Colour c) { return static_cast<uint8_t>(c >> 16); }
std::array<uint8_t, 3> ColourBytes(Colour colour);

// The fields the panel shows, decoded from a record.
struct LightingValues {
    int32_t effectCode = 0;
    int32_t brightness = 0;
    int32_t speed = 0;
    int32_t direction = 0;
    bool multicolour = false;
    Colour effectColour = Black;
    int32_t reportRate = 0; // a stored value above 3 reads as 3
    int32_t colourChoice = 0;
};
LightingValues DecodeLightingRecord(std::span<const uint8_t, LightingRecordBytes> record);

// The factory record the restore-defaults command writes: effect 1,
// brightness 4, speed 2, direction 0, multicolour on, white, bytes 8 to 34
// zero (report rate and colour choice included).
inline constexpr size_t FactoryRecordBytes = 35;
std::array<uint8_t, FactoryRecordBytes> FactoryLightingRecord();

// Offset of a record field of a profile in the parameter memory.
constexpr int RecordOffset(int profile, size_t field)
{
    return profile * static_cast<int>(LightingRecordBytes) + static_cast<int>(field);
}

// The speed slider runs the other way: position 5 - speed.
constexpr int SpeedFromPosition(int position) { return MaxLevel - position; }
constexpr int PositionFromSpeed(int speed) { return MaxLevel - speed; }
