#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "macro/MacroLimits.h"
#include "platform/Bytes.h"
#include "platform/Utf8.h"

// One macro as the document, profile files and the editors hold it: a
// 32512-byte block at explicit little-endian offsets.
inline constexpr size_t MacroNameOffset = 0;
inline constexpr size_t MacroNameUnits = 250;   // UTF-16 units with the terminator
inline constexpr size_t MaxMacroNameUnits = 249;
inline constexpr size_t MacroCyclesOffset = 500;   // u8
inline constexpr size_t MacroNewFlagOffset = 502;  // u16
inline constexpr size_t MacroPlayModeOffset = 504; // u16
inline constexpr size_t MacroEventCountOffset = 508; // u16
inline constexpr size_t MacroEventsOffset = 512;
inline constexpr size_t MacroEventSize = 8;
inline constexpr int MaxMacroEvents = 4000;
inline constexpr uint32_t MaxMacroDelay = 40000; // milliseconds
inline constexpr int MaxMacroCycles = 255;
static_assert(MacroEventsOffset + MaxMacroEvents * MacroEventSize == MacroBlockSize);
static_assert(MacroIdOffset == 506);

// MacroEvent field offsets inside its 8 bytes.
inline constexpr size_t EventDelayOffset = 0;     // u32 pause after the event, ms
inline constexpr size_t EventKeyCodeOffset = 4;   // u16 key code
inline constexpr size_t EventDirectionOffset = 6; // u16 0 pressed, 1 released

enum MacroDirection : uint16_t {
    MacroPressed = 0,
    MacroReleased = 1,
};

struct MacroEvent {
    uint32_t delay = 0;
    uint16_t keyCode = 0;
    uint16_t direction = MacroPressed;
    bool operator==(const MacroEvent&) const = default;
};

inline MacroEvent ReadMacroEvent(const uint8_t* bytes)
{
    return {ReadU32(bytes, EventDelayOffset), ReadU16(bytes, EventKeyCodeOffset),
            ReadU16(bytes, EventDirectionOffset)};
}

inline void WriteMacroEvent(uint8_t* bytes, const MacroEvent& event)
{
    WriteU32(bytes, EventDelayOffset, event.delay);
    WriteU16(bytes, EventKeyCodeOffset, event.keyCode);
    WriteU16(bytes, EventDirectionOffset, event.direction);
}

enum MacroPlayMode : uint16_t {
    PlayOnce = 0,
    PlayRepeat = 1,
    PlayUntilKeyAgain = 2,
};
// "Play macro once", "Play macro repeat", "Repeating until key down again";
// an empty text for a mode outside 0..2.
const char* PlayModeText(uint16_t playMode);
// "↓" for a press, "  ↑" for a release (any non-zero direction).
const char* DirectionText(uint16_t direction);

// The name field's characters: the units before the first zero, at most 249
// (a field without a terminator is read as if unit 249 were one).
size_t MacroNameLength(const uint8_t* block);
std::u16string ReadMacroName(const uint8_t* block);
// Cuts to 249 units without splitting a surrogate pair, zero-fills the rest
// of the field (so the name is always terminated).
void WriteMacroName(uint8_t* block, std::u16string_view name);

// A view of one macro block. Byte is uint8_t (read and write) or const
// uint8_t (read only); the view never owns the bytes.
template <typename Byte>
class BasicMacroBlock {
    static constexpr bool Writable = !std::is_const_v<Byte>;

public:
    explicit BasicMacroBlock(Byte* bytes) : bytes_(bytes) {}
    // A writable view reads as a read-only one.
    template <typename Other>
        requires(std::is_const_v<Byte> && std::is_same_v<Other, uint8_t>)
    BasicMacroBlock(BasicMacroBlock<Other> other) : bytes_(other.Bytes())
    {
    }

    Byte* Bytes() const { return bytes_; }

    std::u16string Name16() const { return ReadMacroName(bytes_); }
    std::string Name() const { return Utf16ToUtf8(ReadMacroName(bytes_)); }
    size_t NameLength() const { return MacroNameLength(bytes_); }
    uint8_t Cycles() const { return bytes_[MacroCyclesOffset]; }
    uint16_t NewFlag() const { return ReadU16(bytes_, MacroNewFlagOffset); }
    uint16_t PlayMode() const { return ReadU16(bytes_, MacroPlayModeOffset); }
    uint16_t MacroId() const { return ReadU16(bytes_, MacroIdOffset); }
    // The stored count as it is; a damaged block may claim more than it holds.
    uint16_t EventCount() const { return ReadU16(bytes_, MacroEventCountOffset); }
    // The count every reader uses: never past the block's 4000 events.
    int UsableEventCount() const { return EventCount() < MaxMacroEvents ? EventCount() : MaxMacroEvents; }
    // i must be 0..3999.
    MacroEvent Event(int i) const { return ReadMacroEvent(bytes_ + EventOffset(i)); }
    std::vector<MacroEvent> Events() const
    {
        std::vector<MacroEvent> events(static_cast<size_t>(UsableEventCount()));
        for (size_t i = 0; i < events.size(); ++i)
            events[i] = Event(static_cast<int>(i));
        return events;
    }

    void SetName16(std::u16string_view name) const requires Writable { WriteMacroName(bytes_, name); }
    void SetName(std::string_view utf8) const requires Writable { WriteMacroName(bytes_, Utf8ToUtf16(utf8)); }
    void SetCycles(uint8_t cycles) const requires Writable { bytes_[MacroCyclesOffset] = cycles; }
    void SetNewFlag(uint16_t flag) const requires Writable { WriteU16(bytes_, MacroNewFlagOffset, flag); }
    void SetPlayMode(uint16_t mode) const requires Writable { WriteU16(bytes_, MacroPlayModeOffset, mode); }
    void SetMacroId(uint16_t id) const requires Writable { WriteU16(bytes_, MacroIdOffset, id); }
    void SetEventCount(uint16_t count) const requires Writable { WriteU16(bytes_, MacroEventCountOffset, count); }
    void SetEvent(int i, const MacroEvent& event) const requires Writable
    {
        WriteMacroEvent(bytes_ + EventOffset(i), event);
    }
    // Stores the first 4000 events and their count; the slots after them are
    // zeroed so the block carries nothing stale.
    template <typename Range>
    void SetEvents(const Range& events) const requires Writable
    {
        int count = 0;
        for (const MacroEvent& event : events) {
            if (count == MaxMacroEvents)
                break;
            SetEvent(count++, event);
        }
        std::fill(bytes_ + EventOffset(count), bytes_ + MacroBlockSize, uint8_t{0});
        SetEventCount(static_cast<uint16_t>(count));
    }

private:
    static size_t EventOffset(int i) { return MacroEventsOffset + MacroEventSize * static_cast<size_t>(i); }

    Byte* bytes_;
};

using MacroBlock = BasicMacroBlock<uint8_t>;
using ConstMacroBlock = BasicMacroBlock<const uint8_t>;

// An owned block: the editors' working copies.
struct MacroCopy {
    std::array<uint8_t, MacroBlockSize> bytes{};

    MacroBlock View() { return MacroBlock(bytes.data()); }
    ConstMacroBlock View() const { return ConstMacroBlock(bytes.data()); }
};
