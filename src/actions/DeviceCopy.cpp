#include "actions/DeviceCopy.h"

#include <memory>
#include <new>

#include "config/ConfigDocument.h"

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

int32_t SnapshotDocumentForDevice()
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
    return 1;
}
