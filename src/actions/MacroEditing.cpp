#include "actions/MacroEditing.h"

#include "base/UserPrompts.h"
#include "config/AssignmentType.h"
#include "config/ConfigDocument.h"
#include "actions/MacroApply.h"
#include "text/LanguageTexts.h"

#include <algorithm>
#include <span>

MacroList LoadMacroList()
{
    DocumentLock lock;
    const size_t bytes = std::min(g_configDoc.macros.size(), size_t{g_configDoc.macroCount} * MacroBlockSize);
    return MacroListOf(std::span<const uint8_t>(g_configDoc.macros.data(), bytes));
}

int CreateMacro(MacroList& list)
{
    if (list.macros.size() >= static_cast<size_t>(MaxMacroCount)) {
        Prompts().ShowMessage(FormatText(LoadText("MACRO_ERR_MAX"), MaxMacroCount), MessageStyle::Normal);
        return -1;
    }
    return AppendNewMacro(list, LoadText("MACRO_NEW_PREFIX"));
}

RenameResult RenameSelectedMacro(MacroList& list, std::string_view typed)
{
    return RenameSelectedMacro(list, typed, LoadText("MACRO_NEW_PREFIX"));
}

bool IsMacroIdInUse(uint16_t macroId)
{
    DocumentLock lock;
    if (!g_configDoc.block)
        return false;
    const ConfigBlock& block = *g_configDoc.block;
    for (int slot = 0; slot < KeySlotCount; ++slot) {
        if (SlotType(block, slot) == AssignMacro && SlotValue(block, slot) == macroId)
            return true;
    }
    return false;
}

bool DeleteSelectedMacro(MacroList& list)
{
    if (list.selected < 0 || static_cast<size_t>(list.selected) >= list.macros.size())
        return false;
    ConstMacroBlock block = list.macros[static_cast<size_t>(list.selected)].View();
    if (block.NewFlag() != 1 && IsMacroIdInUse(block.MacroId())) {
        g_macroLayoutChanged = true;
        if (!Prompts().AskYesNo(LoadText("MACRO_DELETE_CONFIRM_OF_KEYS")))
            return false;
    }
    return RemoveSelectedMacro(list);
}

bool ClearMacroEvents(std::vector<MacroEvent>& rows)
{
    if (rows.empty())
        return false;
    if (!Prompts().AskYesNo(LoadText("MACRO_ACTION_CLEAR_CONFIRM")))
        return false;
    rows.clear();
    return true;
}

DelayEdit ValidateDelayText(std::string_view text)
{
    DelayEdit edit = ParseDelayText(text);
    if (edit.cut)
        Prompts().ShowMessage(FormatText(LoadText("MACRO_ACTION_ERR_DELAY_MAX"), MaxMacroDelay), MessageStyle::Normal);
    return edit;
}
