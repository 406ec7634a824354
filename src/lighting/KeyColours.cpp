#include "lighting/KeyColours.h"

#include "device/protocol/DeviceCommands.h"
#include "device/protocol/KeyboardConversation.h"
#include "device/protocol/DeviceState.h"
#include "lighting/LightingState.h"

#include <algorithm>
#include <vector>

std::array<uint8_t, LightingProfiles * KeyColourTableBytes> g_keyColourTable{};
UserModeState g_userModes;

namespace {

size_t TableOffset(int profile, int index)
{
    return static_cast<size_t>(profile) * KeyColourTableBytes + static_cast<size_t>(index) * 3;
}

bool ValidIndex(int profile, int index)
{
    return profile >= 0 && profile < LightingProfiles && index >= 0 && index < KeyColourCount;
}

// The distinct colour indices of the buttons, in the buttons' order (the G
// keys once).
const std::vector<int>& ButtonIndices()
{
    static const std::vector<int> indices = [] {
        std::vector<int> out;
        for (uint16_t id : KeyColourButtons()) {
            const int index = KeyColourIndexOf(id);
            if (index >= 0 && std::find(out.begin(), out.end(), index) == out.end())
                out.push_back(index);
        }
        return out;
    }();
    return indices;
}

void Keep(int32_t& result, int32_t step)
{
    if (result == 1 && step != 1)
        result = step;
}

void SaveTools()
{
    // A write that fails is not noticed by the painting; the next one that
    // succeeds brings the file in line.
    WriteTools(ViewedProfile(), g_userModes.userMode, g_userModes.tools);
}

} // namespace

Colour TableColour(int profile, int index)
{
    if (!ValidIndex(profile, index))
        return Black;
    const size_t at = TableOffset(profile, index);
    return MakeColour(g_keyColourTable[at], g_keyColourTable[at + 1], g_keyColourTable[at + 2]);
}

void SetTableColour(int profile, int index, Colour colour)
{
    if (!ValidIndex(profile, index))
        return;
    const std::array<uint8_t, 3> rgb = ColourBytes(colour);
    std::copy(rgb.begin(), rgb.end(), g_keyColourTable.begin() + static_cast<std::ptrdiff_t>(TableOffset(profile, index)));
}

bool MarkOf(int profile, int index)
{
    return ValidIndex(profile, index) && g_userModes.marks[static_cast<size_t>(profile)][static_cast<size_t>(index)] != 0;
}

PaintResult PaintKey(uint16_t controlId)
{
    PaintResult result;
    const int index = KeyColourIndexOf(controlId);
    if (!UserEffectChosen() || index < 0)
        return result;
    const int profile = ViewedProfile();
    const bool base = g_userModes.tools.tool == 1;
    const Colour colour = base ? g_userModes.tools.baseColour : g_userModes.tools.paintColour;

    const std::array<uint8_t, 3> rgb = ColourBytes(colour);
    int32_t device = 1;
    {
        KeyboardConversation conversation;
        Keep(device, conversation.Result());
        if (conversation.Held()) {
            Keep(device, BeginUpdate());
            Keep(device, WriteKeyColors(rgb, index, profile));
            Keep(device, EndUpdate());
        }
    }
    result.painted = true;
    result.index = index;
    result.deviceResult = device;
    if (device != 1) {
        // The key keeps the colour the keyboard still shows: the table, the
        // mark and the file stay as they were.
        result.colour = TableColour(profile, index);
        return result;
    }

    g_userModes.marks[static_cast<size_t>(profile)][static_cast<size_t>(index)] = base ? 1 : 0;
    SetTableColour(profile, index, colour);
    result.colour = colour;
    result.fileSaved = WriteKeyColour(profile, g_userModes.userMode, index, colour, base ? 1 : 0);
    return result;
}

int32_t SendKeyColours()
{
    const int profile = ViewedProfile();
    const int frames = std::clamp<int32_t>(g_keyCount.load(), 0, KeyColourTableBytes / 3) / KeysPerColourFrame + 1;
    constexpr size_t FrameBytes = KeysPerColourFrame * 3;
    KeyboardConversation conversation;
    if (!conversation.Held())
        return conversation.Result();
    int32_t result = 1;
    Keep(result, BeginUpdate());
    for (int f = 0; f < frames; ++f) {
        // The last frame carries the table's bytes past index 125 as they are.
        const size_t at = static_cast<size_t>(profile) * KeyColourTableBytes + static_cast<size_t>(f) * FrameBytes;
        const std::span<const uint8_t> bytes(g_keyColourTable.data() + at, FrameBytes);
        Keep(result, WriteKeyColors(bytes, f * KeysPerColourFrame, profile));
    }
    Keep(result, EndUpdate());
    return result;
}

int32_t ApplyBaseColour(Colour colour)
{
    colour &= White;
    if (colour == g_userModes.tools.baseColour)
        return 0;
    const int profile = ViewedProfile();
    const auto before = g_keyColourTable;
    std::vector<KeyColourWrite> writes;
    for (int index : ButtonIndices()) {
        if (!MarkOf(profile, index))
            continue;
        SetTableColour(profile, index, colour);
        writes.push_back({index, colour, 1});
    }
    const int32_t sent = SendKeyColours();
    if (sent != 1) {
        // The keyboard may have taken some frames of the group: the old table
        // goes back, and whatever it answers, nothing more can be done here.
        g_keyColourTable = before;
        (void)SendKeyColours();
        return sent;
    }
    g_userModes.tools.baseColour = colour;
    bool saved = WriteTools(profile, g_userModes.userMode, g_userModes.tools);
    if (!writes.empty() && !WriteKeyColours(profile, g_userModes.userMode, writes))
        saved = false;
    return saved ? 1 : KeyColoursNotSaved;
}

void SetPaintColour(Colour colour)
{
    g_userModes.tools.paintColour = colour & White;
    SaveTools();
}

void ChooseTool(int tool)
{
    g_userModes.tools.tool = tool == 1 ? 1 : 0;
    SaveTools();
}

void ComputeMarks()
{
    for (int profile = 0; profile < LightingProfiles; ++profile) {
        for (int index : ButtonIndices())
            g_userModes.marks[static_cast<size_t>(profile)][static_cast<size_t>(index)] =
                TableColour(profile, index) == g_userModes.tools.baseColour ? 1 : 0;
    }
}
