#include "lighting/LightingState.h"

#include "base/ProgramPaths.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/KeyboardConversation.h"
#include "device/protocol/DeviceState.h"
#include "lighting/EffectTable.h"
#include "lighting/UserModeFile.h"
#include "platform/PrivateProfile.h"

#include <algorithm>

LightingState g_lighting;

namespace {

constexpr const char* ViewSection = "KEYCOLOR";
constexpr const char* ViewKey = "DengCheck";
constexpr size_t ValueChars = 260;

} // namespace

int ViewedProfile()
{
    return std::clamp<int32_t>(g_lighting.viewedProfile, 0, LightingProfiles - 1);
}

void ResetLightingState()
{
    g_lighting = LightingState{};
}

void BuildEffectList()
{
    g_lighting.effectList.clear();
    for (uint8_t code : g_lighting.effectCodes) {
        if (IsEmptyEffectEntry(code))
            continue;
        g_lighting.effectList.push_back({static_cast<int>(g_lighting.effectList.size()), code});
    }
}

int FindEffectIndex(int code)
{
    for (const EffectListEntry& entry : g_lighting.effectList) {
        if (entry.code == code)
            return entry.listIndex;
    }
    return -1;
}

bool OffersEffect(int code)
{
    if (IsEmptyEffectEntry(static_cast<uint8_t>(code)))
        return false;
    return std::find(g_lighting.effectCodes.begin(), g_lighting.effectCodes.end(), code) != g_lighting.effectCodes.end();
}

bool UserEffectChosen()
{
    return g_lighting.effectCode == UserEffectCode && OffersEffect(UserEffectCode);
}

int32_t ReloadLighting(ReloadKind kind)
{
    g_lighting.effectList.clear();
    g_lighting.effectCodes.fill(0);
    // The effect codes and the records of one moment, not of two programs' changes.
    KeyboardConversation conversation;
    std::array<uint8_t, DeviceInfoBytes> info{};
    if (!conversation.Held() || ReadDeviceInfo(info) != 1)
        return -1;
    std::copy_n(info.begin() + DeviceInfoEffectCodes, EffectCodeSlots, g_lighting.effectCodes.begin());

    // The results are not acted on: a record that cannot be read shows as
    // zeros, and the next reload brings the panel in line.
    BeginUpdate();
    for (int profile = 0; profile < LightingProfiles; ++profile) {
        std::array<uint8_t, LightingReadBytes> buffer{};
        ReadParams(buffer, static_cast<int>(LightingReadBytes), RecordOffset(profile, 0));
        std::copy_n(buffer.begin(), LightingRecordBytes,
                    g_lighting.lightingRecords.begin() + RecordOffset(profile, 0));
    }
    EndUpdate();
    DecodeViewedRecord();

    const bool stored = ReadLightingViewSetting();
    if (kind == ReloadKind::StartUp)
        g_lighting.lightingView = stored;
    else if (stored)
        g_lighting.lightingView = true;
    return 0;
}

void DecodeViewedRecord()
{
    const int profile = ViewedProfile();
    const std::span<const uint8_t, LightingRecordBytes> record(
        g_lighting.lightingRecords.data() + RecordOffset(profile, 0), LightingRecordBytes);
    const LightingValues v = DecodeLightingRecord(record);
    g_lighting.effectCode = v.effectCode;
    g_lighting.brightness = v.brightness;
    g_lighting.speed = v.speed;
    g_lighting.direction = v.direction;
    g_lighting.multicolour = v.multicolour;
    g_lighting.effectColour = v.effectColour;
    g_lighting.reportRate = v.reportRate;
    g_lighting.colourChoice = v.colourChoice;
}

bool ReadLightingViewSetting()
{
    std::string value;
    GetPrivateProfileString(ViewSection, ViewKey, "0", value, ValueChars, g_paths.userIni);
    long long number = 0;
    ParseNumberList(value, 1, &number);
    return number == 1;
}

bool WriteLightingViewSetting(bool on)
{
    return WritePrivateProfileString(ViewSection, ViewKey, on ? "1" : "0", g_paths.userIni);
}
