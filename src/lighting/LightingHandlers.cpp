#include "lighting/LightingHandlers.h"

#include "device/protocol/DeviceCommands.h"
#include "device/protocol/KeyboardConversation.h"
#include "lighting/EffectTable.h"
#include "lighting/LightingState.h"
#include "lighting/UserModes.h"

#include <array>
#include <initializer_list>
#include <span>

namespace {

struct FieldWrite {
    size_t field;
    std::span<const uint8_t> bytes;
};

// The first result that is not 1, or 1.
void Keep(int32_t& result, int32_t step)
{
    if (result == 1 && step != 1)
        result = step;
}

// One group of parameter writes into the viewed profile's record.
int32_t WriteGroup(std::initializer_list<FieldWrite> writes)
{
    KeyboardConversation conversation;
    if (!conversation.Held())
        return conversation.Result();
    int32_t result = 1;
    Keep(result, BeginUpdate());
    for (const FieldWrite& write : writes)
        Keep(result, WriteParams(write.bytes, RecordOffset(ViewedProfile(), write.field)));
    Keep(result, EndUpdate());
    return result;
}

int32_t WriteByte(size_t field, int value)
{
    const std::array<uint8_t, 1> byte = {static_cast<uint8_t>(value)};
    return WriteGroup({{field, byte}});
}

uint8_t MulticolourByte()
{
    return g_lighting.multicolour ? 1 : 0;
}

} // namespace

int32_t SelectEffectCode(int code)
{
    int32_t result = 1;
    if (const EffectInfo* effect = FindEffect(code)) {
        const std::array<uint8_t, 1> codeByte = {static_cast<uint8_t>(code)};
        const std::array<uint8_t, 1> multicolour = {MulticolourByte()};
        if (effect->writesMulticolour)
            result = WriteGroup({{RecordEffect, codeByte}, {RecordMulticolour, multicolour}});
        else
            result = WriteGroup({{RecordEffect, codeByte}});
    }
    g_lighting.effectCode = code;
    g_lighting.previewReset = 0;
    return result;
}

int32_t SelectEffect(int listIndex)
{
    if (listIndex < 0 || listIndex >= static_cast<int>(g_lighting.effectList.size()))
        return 0;
    return SelectEffectCode(g_lighting.effectList[static_cast<size_t>(listIndex)].code);
}

int32_t SetBrightness(int position)
{
    if (position < 0 || position > MaxLevel)
        return 0;
    if (position == g_lighting.brightness)
        return 1;
    g_lighting.brightness = position;
    return WriteByte(RecordBrightness, position);
}

int32_t SetSpeedPosition(int position)
{
    if (position < 0 || position > MaxLevel)
        return 0;
    const int speed = SpeedFromPosition(position);
    if (speed == g_lighting.speed)
        return 1;
    g_lighting.speed = speed;
    return WriteByte(RecordSpeed, speed);
}

int32_t SetDirection(uint8_t value)
{
    g_lighting.direction = value;
    return WriteByte(RecordDirection, value);
}

int32_t SetEffectColour(Colour colour)
{
    g_lighting.multicolour = false;
    const std::array<uint8_t, 1> off = {0};
    const std::array<uint8_t, 3> rgb = ColourBytes(colour);
    const int32_t result = WriteGroup({{RecordMulticolour, off}, {RecordColour, rgb}});
    g_lighting.effectColour = colour & White;
    return result;
}

int32_t ToggleMulticolour()
{
    g_lighting.multicolour = !g_lighting.multicolour;
    return WriteByte(RecordMulticolour, MulticolourByte());
}

int32_t SetColourChoice(int choice)
{
    if (choice < 0 || choice > MaxColourChoice)
        return 0;
    g_lighting.colourChoice = choice;
    return WriteByte(RecordColourChoice, choice);
}

int32_t SetReportRate(int rate)
{
    if (rate < 0 || rate > MaxReportRate)
        return 0;
    g_lighting.reportRate = rate;
    return WriteByte(RecordReportRate, rate);
}

int32_t WriteLightingDefaults()
{
    const std::array<uint8_t, FactoryRecordBytes> record = FactoryLightingRecord();
    const int32_t result = WriteGroup({{0, record}});
    // The panel shows the factory values; the state must hold them too, or
    // the next slider move to the old value would send nothing.
    g_lighting.effectCode = record[RecordEffect];
    g_lighting.brightness = record[RecordBrightness];
    g_lighting.speed = record[RecordSpeed];
    g_lighting.direction = record[RecordDirection];
    g_lighting.multicolour = true;
    g_lighting.effectColour = White;
    g_lighting.reportRate = record[RecordReportRate];
    g_lighting.colourChoice = record[RecordColourChoice];
    std::copy(record.begin(), record.end(),
              g_lighting.lightingRecords.begin() + RecordOffset(ViewedProfile(), 0));
    return result;
}

int32_t RestoreLightingDefaults()
{
    constexpr int FactoryEffect = 1;
    int32_t result = SelectEffectCode(FactoryEffect);
    if (OffersEffect(UserEffectCode))
        Keep(result, RestoreUserColourDefaults());
    Keep(result, WriteLightingDefaults());
    return result;
}
