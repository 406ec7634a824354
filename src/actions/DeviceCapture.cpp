#include "actions/DeviceCapture.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <span>
#include <vector>

#include "config/DeviceKeyMap.h"
#include "config/ConfigDocument.h"
#include "device/protocol/ActiveProfile.h"
#include "device/protocol/KeyboardConversation.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "actions/DeviceMacroImage.h"
#include "macro/MacroImage.h"
#include "platform/AtomicFile.h"

namespace {

// The macro memory as far as its header says it reaches; empty when it does
// not start with the signature. false when a read failed.
bool ReadMacroImage(std::vector<uint8_t>& image)
{
    std::array<uint8_t, MacroImageHeaderSize> head{};
    if (ReadMacroMemory(head) != 1)
        return false;
    image.clear();
    if (ReadU16(head.data(), 0) != MacroImageSignature)
        return true;
    size_t length = ReadU16(head.data(), ImageLengthOffset);
    // A damaged header may claim more than the memory holds; the keyboard
    // would refuse that read and the whole capture with it.
    const size_t capacity = g_macroCapacity.load();
    if (capacity >= MacroImageHeaderSize)
        length = std::min(length, capacity);
    // A header that claims less than itself holds no macros.
    if (length < MacroImageHeaderSize)
        return true;
    image.assign(length, 0);
    return ReadMacroMemory(image) == 1;
}

} // namespace

int32_t CaptureDeviceToBytes(std::vector<uint8_t>& file)
{
    file.clear();
    const int32_t profile = GetCurrentProfile();
    if (profile < 0 || profile > 3)
        return 0;

    const size_t mapBytes = static_cast<size_t>(std::clamp(g_keyMapBytes.load(), 0, MaxKeyMapBytes));
    std::array<std::array<uint8_t, MaxKeyMapBytes>, ProfileCount> maps{};
    std::vector<uint8_t> image;
    {
        // The maps and the macros they point into, as one moment holds them.
        KeyboardConversation conversation;
        if (!conversation.Held())
            return conversation.Result();
        for (int p = 0; p < ProfileCount; ++p) {
            if (ReadKeyMap(std::span<uint8_t>(maps[static_cast<size_t>(p)].data(), mapBytes), p) != 1)
                return 0;
        }
        if (!ReadMacroImage(image))
            return 0;
    }

    try {
        const size_t macroCount = static_cast<size_t>(DecodedMacroCount(image));
        file.assign(ConfigBlockSize + macroCount * MacroBlockSize, 0);
        auto block = std::make_unique<ConfigBlock>();
        BuildProfileHeader(block->data(), static_cast<uint16_t>(macroCount), 0, 0);
        std::copy(IdentityAreaBytes.begin(), IdentityAreaBytes.end(), block->bytes.begin() + IdentityAreaOffset);
        for (int p = 0; p < ProfileCount; ++p)
            ImportKeyMap(*block, p, std::span<const uint8_t>(maps[static_cast<size_t>(p)].data(), mapBytes));
        // Slot group 3 stays zero: the keyboard has no fourth profile.
        std::memcpy(file.data(), block->data(), ConfigBlockSize);
        if (macroCount != 0) {
            std::span<uint8_t> area(file.data() + ConfigBlockSize, macroCount * MacroBlockSize);
            DecodeMacroImage(area, image);
        }
        return 1;
    } catch (const std::bad_alloc&) {
        file.clear();
        return 0;
    }
}

int32_t CaptureDeviceToFile(const std::string& path)
{
    std::vector<uint8_t> file;
    if (CaptureDeviceToBytes(file) != 1)
        return 0;
    return WriteFileAtomically(path, std::span<const uint8_t>(file)) ? 1 : 0;
}
