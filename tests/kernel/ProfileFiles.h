#pragma once

// Profile files for the kernel tests, made with the core's own block and
// macro helpers (their bytes are tested elsewhere; here they are only cargo).

#include "config/ConfigDocument.h"
#include "keys/KeyTable.h"
#include "macro/MacroBlock.h"
#include "macro/MacroImage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kernel {

struct MacroPlan {
    int count = 1;
    int events = 2;
    // Events added to the last macro, so that an image can fill a memory
    // exactly.
    int extraEvents = 0;
};

// Assignments in every profile (B on A, or on the key given, in profile 1,
// the first macro on Esc in profile 2, a media key on F1 in profile 3) and
// the macros planned.
inline std::vector<uint8_t> ProfileFileBytes(const MacroPlan& plan, int keyForB = 30)
{
    std::unique_ptr<ConfigBlock> block = MakeDefaultBlock(0);
    SetSlotType(*block, KeyCodeToIndex(keyForB), 2);
    SetSlotValue(*block, KeyCodeToIndex(keyForB), 48);
    SetSlotType(*block, SlotsPerGroup + KeyCodeToIndex(1), 4);
    SetSlotValue(*block, SlotsPerGroup + KeyCodeToIndex(1), 1);
    SetSlotType(*block, 2 * SlotsPerGroup + KeyCodeToIndex(59), 7);
    SetSlotValue(*block, 2 * SlotsPerGroup + KeyCodeToIndex(59), 7);
    std::vector<uint8_t> macros(size_t(plan.count) * MacroBlockSize);
    for (int k = 0; k < plan.count; ++k) {
        MacroBlock macro(macros.data() + size_t(k) * MacroBlockSize);
        const int events = plan.events + (k == plan.count - 1 ? plan.extraEvents : 0);
        std::vector<MacroEvent> list;
        for (int i = 0; i < events; ++i)
            list.push_back({static_cast<uint32_t>(10 + i % 7), static_cast<uint16_t>(16 + (k + i / 2) % 10),
                            static_cast<uint16_t>(i % 2)});
        macro.SetEvents(list);
        macro.SetName("Macro" + std::to_string(1000 + k).substr(1) + "..");
        macro.SetMacroId(static_cast<uint16_t>(k + 1));
        macro.SetCycles(static_cast<uint8_t>(1 + k % 3));
    }
    BuildProfileHeader(block->data(), static_cast<uint16_t>(plan.count), 0, 0);
    std::vector<uint8_t> file(block->bytes.begin(), block->bytes.end());
    file.insert(file.end(), macros.begin(), macros.end());
    return file;
}

// 100 named macros whose image is exactly `bytes` long: the longest import
// a keyboard with that much macro memory takes.
inline MacroPlan FullMemoryPlan(size_t bytes)
{
    MacroPlan plan;
    plan.count = 100;
    plan.events = 75;
    const std::vector<uint8_t> file = ProfileFileBytes(plan);
    const MacroImageSizes sizes =
        ComputeMacroImageSize(std::span<const uint8_t>(file).subspan(ConfigBlockSize));
    plan.extraEvents = static_cast<int>((bytes - sizes.withNames) / ImageEventSize);
    return plan;
}

} // namespace kernel
