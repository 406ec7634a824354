#include "actions/MacroApply.h"

#include "base/MainWindowLink.h"
#include "assign/KeyAssignment.h"
#include "config/ConfigDocument.h"

#include <algorithm>
#include <new>

std::atomic<bool> g_macroLayoutChanged{false};

namespace {

// The first macro of the list with that id, nullptr when none has it.
const MacroCopy* FindById(const MacroList& list, uint32_t id)
{
    for (const MacroCopy& copy : list.macros) {
        if (copy.View().MacroId() == id)
            return &copy;
    }
    return nullptr;
}

void RepairMacroSlots(ConfigBlock& block, const MacroList& list)
{
    for (int slot = 0; slot < KeySlotCount; ++slot) {
        if (SlotType(block, slot) != AssignMacro)
            continue;
        uint32_t id = SlotValue(block, slot);
        if (id == 0) {
            if (!list.macros.empty()) {
                SetSlotValue(block, slot, list.macros.front().View().MacroId());
                MainWindow().SetApplyEnabled(true);
            }
            continue;
        }
        const MacroCopy* macro = FindById(list, id);
        // A new macro that reused a deleted one's id must not take over its keys.
        if (!macro || macro->View().NewFlag() == 1) {
            SetSlotType(block, slot, AssignDefault);
            ClearKeyDescription(slot);
            MainWindow().SetApplyEnabled(true);
        }
    }
}

// The keyboard's maps name macros by position, the slots by id. True when a
// macro that some map may name is no longer at its position: deleted, moved,
// or its place taken by a macro created since (which counts as another one
// even when it reused the id). Macros appended behind the old ones move none.
bool OldPositionsMoved(const std::vector<uint8_t>& oldArea, size_t oldCount, const MacroList& list)
{
    const size_t count = std::min(oldCount, oldArea.size() / MacroBlockSize);
    if (list.macros.size() < count)
        return true;
    for (size_t k = 0; k < count; ++k) {
        const ConstMacroBlock now = list.macros[k].View();
        const uint16_t oldId = ConstMacroBlock(oldArea.data() + k * MacroBlockSize).MacroId();
        if (now.NewFlag() == 1 || now.MacroId() != oldId)
            return true;
    }
    return false;
}

} // namespace

int32_t ApplyMacroEdits(MacroList& list)
{
    size_t count = list.macros.size();
    if (count > static_cast<size_t>(MaxMacroCount))
        return 0;
    std::vector<uint8_t> area;
    try {
        area.resize(count * MacroBlockSize);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    StoreSelectedEvents(list);
    for (size_t k = 0; k < count; ++k) {
        uint8_t* bytes = area.data() + k * MacroBlockSize;
        std::copy(list.macros[k].bytes.begin(), list.macros[k].bytes.end(), bytes);
        MacroBlock(bytes).SetNewFlag(0);
    }
    {
        DocumentLock lock;
        // The document's macros are at the positions the keyboard's maps
        // name (or the flag is set already).
        if (OldPositionsMoved(g_configDoc.macros, g_configDoc.macroCount, list))
            g_macroLayoutChanged = true;
        if (g_configDoc.block)
            RepairMacroSlots(*g_configDoc.block, list);
        g_configDoc.macros.swap(area);
        g_configDoc.macroCount = static_cast<uint16_t>(count);
    }
    for (MacroCopy& copy : list.macros)
        copy.View().SetNewFlag(0);
    MainWindow().SetApplyEnabled(true);
    return 1;
}
