#include "config/DocumentMacros.h"

#include <algorithm>
#include <span>

#include "config/ConfigDocument.h"
#include "macro/MacroImage.h"

std::vector<ConstMacroBlock> DocumentMacroViews()
{
    DocumentLock lock;
    size_t bytes = std::min(g_configDoc.macros.size(), static_cast<size_t>(g_configDoc.macroCount) * MacroBlockSize);
    return MacroBlockViews(std::span<const uint8_t>(g_configDoc.macros.data(), bytes));
}

std::vector<ConstMacroBlock> DeviceMacroViews()
{
    DeviceCopyLock lock;
    size_t bytes = std::min(g_deviceDoc.macros.size(), static_cast<size_t>(g_deviceDoc.macroCount) * MacroBlockSize);
    return MacroBlockViews(std::span<const uint8_t>(g_deviceDoc.macros.data(), bytes));
}

void ComputeMacroImageSize(uint32_t& withNames, uint32_t& withoutNames)
{
    DeviceCopyLock lock;
    MacroImageSizes sizes = ComputeMacroImageSize(DeviceMacroViews());
    withNames = sizes.withNames;
    withoutNames = sizes.withoutNames;
}

int32_t BuildMacroImage(uint8_t* buffer, uint32_t totalLength, int withNames)
{
    if (!buffer)
        return 0;
    DeviceCopyLock lock;
    return BuildMacroImage(DeviceMacroViews(), std::span<uint8_t>(buffer, totalLength), withNames != 0);
}
