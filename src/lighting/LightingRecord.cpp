#include "lighting/LightingRecord.h"

#include <algorithm>

std::array<uint8_t, 3> ColourBytes(Colour colour)
{
    return {RedOf(colour), GreenOf(colour), BlueOf(colour)};
}

LightingValues DecodeLightingRecord(std::span<const uint8_t, LightingRecordBytes> record)
{
    LightingValues v;
    v.effectCode = record[RecordEffect];
    v.brightness = record[RecordBrightness];
    v.speed = record[RecordSpeed];
    v.direction = record[RecordDirection];
    v.multicolour = record[RecordMulticolour] != 0;
    v.effectColour = MakeColour(record[RecordColour], record[RecordColour + 1], record[RecordColour + 2]);
    // The keyboard may hold a rate the four buttons do not name; it is shown
    // as the last one and left as it is until a button is clicked.
    v.reportRate = std::min<int32_t>(record[RecordReportRate], MaxReportRate);
    v.colourChoice = record[RecordColourChoice];
    return v;
}

std::array<uint8_t, FactoryRecordBytes> FactoryLightingRecord()
{
    std::array<uint8_t, FactoryRecordBytes> record{};
    record[RecordEffect] = 1;
    record[RecordBrightness] = 4;
    record[RecordSpeed] = 2;
    record[RecordDirection] = DirectionBackward;
    record[RecordMulticolour] = 0xFF;
    record[RecordColour] = 0xFF;
    record[RecordColour + 1] = 0xFF;
    record[RecordColour + 2] = 0xFF;
    return record;
}
