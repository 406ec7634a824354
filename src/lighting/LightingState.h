#pragma once

#include "lighting/LightingRecord.h"

#include <array>
#include <cstdint>
#include <vector>

// The lighting of the profile the main window shows, as last read from the
// keyboard and changed by the panel since. One process-wide record, used on
// the user-interface thread only.

inline constexpr int EffectCodeSlots = 32;

struct EffectListEntry {
    int listIndex = 0;
    uint8_t code = 0;
};

struct LightingState {
    // The three records as last read (42 bytes each).
    std::array<uint8_t, LightingProfiles * LightingRecordBytes> lightingRecords{};
    // The effect codes the keyboard offers (bytes 12..43 of its information).
    std::array<uint8_t, EffectCodeSlots> effectCodes{};
    // The effect list in list order: empty entries of effectCodes left out.
    std::vector<EffectListEntry> effectList;

    int32_t effectCode = 0;
    int32_t brightness = 0;
    int32_t speed = 0;
    int32_t direction = 0;
    bool multicolour = false;
    Colour effectColour = Black;
    int32_t reportRate = 0;
    int32_t colourChoice = 0;

    // 1: the lighting panel is shown and key presses paint; kept in the
    // user's "wskb.ini" ("KEYCOLOR"/"DengCheck").
    bool lightingView = false;
    // 0 asks the preview to start its effect again.
    int32_t previewReset = 0;
    // The profile whose lighting, key colours and user modes are shown (0..2).
    int32_t viewedProfile = 0;
};

extern LightingState g_lighting;

// viewedProfile, kept inside 0..2.
int ViewedProfile();

// Clears the state to what it is before the first reload.
void ResetLightingState();

// Fills effectList from effectCodes, skipping 0x00 and 0xFE entries.
void BuildEffectList();
// The list index of the first entry with the code, or -1.
int FindEffectIndex(int code);
// Whether the keyboard offers the code (from effectCodes).
bool OffersEffect(int code);
// Whether the effect list's current effect is the per-key colour one: the
// effect is 20 and the keyboard lists it.
bool UserEffectChosen();

enum class ReloadKind {
    Plain,   // the stored lighting view setting can only turn the view on
    StartUp, // the stored setting decides the view either way
};

// Reads the keyboard's information (its effect codes) and the three records
// inside one BeginUpdate/EndUpdate group, and decodes the viewed profile's.
// A record whose read fails is 42 zero bytes. 0 done; -1 when the
// information could not be read (the records are left as they were and the
// effect list stays empty).
int32_t ReloadLighting(ReloadKind kind = ReloadKind::Plain);
// Decodes the viewed profile's record from lightingRecords.
void DecodeViewedRecord();

// The "DengCheck" setting of the user's "wskb.ini".
bool ReadLightingViewSetting();
bool WriteLightingViewSetting(bool on);
