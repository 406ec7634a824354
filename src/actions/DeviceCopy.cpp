#include "actions/DeviceCopy.h"

#include <array>
#include <cstring>
#include <new>

#include "actions/DeviceWriter.h"
#include "config/ConfigDocument.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"

namespace {

// Steps 3 to 5 of the snapshot; false when memory ran out or the document
// has nothing to copy.
bool Snapshot(ConfigDocument& doc)
{
    if (!doc.block)
        return false;
    const size_t macroBytes = size_t{doc.macroCount} * MacroBlockSize;
    if (doc.macros.size() < macroBytes)
        return false;
    try {
        auto block = std::make_unique<ConfigBlock>(*doc.block);
        BuildProfileHeader(block->data(), doc.macroCount, doc.stringBytes, 0);
        g_deviceDoc.block = std::move(block);
        g_deviceDoc.macros.assign(doc.macros.begin(), doc.macros.begin() + static_cast<std::ptrdiff_t>(macroBytes));
        g_deviceDoc.macroCount = doc.macroCount;
        // The offsets go into the document's slots, as a save puts them there.
        g_deviceDoc.packedStrings.assign(doc.stringBytes, 0);
        PackStrings(*doc.block, doc.strings, g_deviceDoc.packedStrings.data(), doc.stringBytes);
        g_deviceDoc.stringBytes = doc.stringBytes;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

} // namespace

int32_t CopyDocumentForDevice(int allProfiles)
{
    DeviceCopyLock copyLock;
    FreeDeviceStrings();
    FreeDeviceMacros();
    FreeDeviceBlock();
    if (!Snapshot(g_configDoc)) {
        FreeDeviceStrings();
        FreeDeviceMacros();
        FreeDeviceBlock();
        return 0;
    }
    return WriteDeviceKeyMaps(allProfiles);
}

int32_t GetCurrentProfile()
{
    const int32_t cached = g_currentProfile.load();
    if (cached >= 0 && cached < ProfileCount)
        return cached;
    std::array<uint8_t, DeviceInfoBytes> info{};
    if (ReadDeviceInfo(info) != 1)
        return -1;
    const uint8_t profile = info[DeviceInfoActiveProfile];
    // A byte outside the keyboard's three profiles would index past the slot
    // groups everywhere the profile is used; treat it as no answer.
    if (profile >= ProfileCount)
        return -1;
    g_currentProfile = profile;
    return profile;
}

int32_t SetCurrentProfile(int32_t index)
{
    if (index < 0 || index >= ProfileCount)
        return 0;
    std::array<uint8_t, DeviceInfoBytes> info{};
    if (ReadDeviceInfo(info) != 1)
        return 0;
    info[DeviceInfoActiveProfile] = static_cast<uint8_t>(index);
    if (WriteDeviceInfo(info) != 1) {
        g_currentProfile = -1;
        return 0;
    }
    g_currentProfile = index;
    return 1;
}
