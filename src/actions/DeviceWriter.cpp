#include "actions/DeviceWriter.h"

#include <algorithm>
#include <array>
#include <vector>

#include "base/UserPrompts.h"
#include "config/DeviceKeyMap.h"
#include "config/ConfigDocument.h"
#include "config/DocumentMacros.h"
#include "actions/DeviceCopy.h"
#include "device/protocol/ActiveProfile.h"
#include "device/protocol/KeyboardConversation.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "actions/MacroApply.h"
#include "macro/MacroImage.h"
#include "macro/MacroMemoryUse.h"
#include "text/LanguageTexts.h"

static_assert(KeyboardProfileCount == ProfileCount);

namespace {

void ShowDeviceMessage(const char* key)
{
    Prompts().ShowMessage(LoadText(key), MessageStyle::Topmost);
}

// Macro ids in image order: a type-4 slot is written as its macro's position.
std::vector<uint16_t> DeviceMacroIds()
{
    std::vector<uint16_t> ids;
    const size_t count = std::min<size_t>(g_deviceDoc.macroCount, g_deviceDoc.macros.size() / MacroBlockSize);
    ids.reserve(count);
    for (size_t k = 0; k < count; ++k)
        ids.push_back(ReadU16(g_deviceDoc.macros.data() + k * MacroBlockSize, MacroIdOffset));
    return ids;
}

} // namespace

int32_t WriteDeviceKeyMaps(int allProfiles)
{
    DeviceCopyLock copyLock;
    if (!g_deviceDoc.block)
        return 0;

    // The key function editor's gauge makes the same choice for its copies.
    const MacroMemoryUse use = MeasureMacroMemory(DeviceMacroViews(), g_macroCapacity.load());
    if (use.fit == MacroFit::TooLarge) {
        ShowDeviceMessage("EXTRA_MACRO_TOO_LONG");
        return WriteMacrosDoNotFit;
    }
    const bool names = use.fit == MacroFit::WithNames;
    const uint32_t imageBytes = use.ImageBytes();

    // The macro positions every key map refers to change with the image, so
    // after a deletion every profile's map must follow.
    const bool all = allProfiles != 0 || g_macroLayoutChanged.load();

    std::vector<uint8_t> image(imageBytes);
    if (BuildMacroImage(image.data(), imageBytes, names ? 1 : 0) != 1)
        return 0;

    std::vector<int> profiles;
    if (all) {
        profiles = {0, 1, 2};
    } else {
        const int current = GetCurrentProfile();
        // No slot group belongs to an unknown profile, and a macro image sent
        // alone would move the macros under the keys of the stored maps.
        if (current < 0 || current >= ProfileCount)
            return 0;
        profiles = {current};
    }

    const std::array<uint8_t, MaxKeyMapBytes> factory = CopyDefaultKeyMap();
    const size_t mapBytes = std::min<size_t>(static_cast<size_t>(std::max(0, g_keyMapBytes.load())), factory.size());
    const std::vector<uint16_t> macroIds = DeviceMacroIds();
    bool usesMacro = false;
    std::vector<std::vector<uint8_t>> maps;
    for (int profile : profiles) {
        DeviceCopyLock scanLock;
        maps.push_back(BuildProfileKeyMap(*g_deviceDoc.block, profile,
                                          std::span<const uint8_t>(factory.data(), mapBytes), g_keyCount.load(),
                                          macroIds, usesMacro));
    }

    bool accepted = false;
    {
        KeyboardConversation conversation;
        if (!conversation.Held())
            return conversation.Result();
        // The group brackets are not judged: the keyboard acts on the writes
        // inside them, and their results say nothing more.
        (void)BeginUpdate();
        accepted = WriteMacroMemory(image) == 1;
        for (size_t n = 0; n < profiles.size(); ++n) {
            // Every map goes out even after a failure, so a keyboard that took
            // some of them is as close to the document as it can be.
            if (WriteKeyMap(maps[n], profiles[n]) != 1)
                accepted = false;
        }
        (void)EndUpdate();
    }

    if (!names && usesMacro)
        ShowDeviceMessage("EXTRA_PROFILE_SPACE_TIGHT");
    // A failed write may have left other profiles' maps pointing at the old
    // macro positions: keep rewriting them all until one write succeeds.
    if (accepted)
        g_macroLayoutChanged = false;
    return accepted ? 1 : 0;
}

int32_t CopyDocumentForDevice(int allProfiles)
{
    DeviceCopyLock copyLock;
    if (SnapshotDocumentForDevice() != 1)
        return 0;
    return WriteDeviceKeyMaps(allProfiles);
}
