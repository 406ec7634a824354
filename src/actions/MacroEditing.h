#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "macro/MacroList.h"

// The key function editor's macro edits that read the document or ask the
// owner; the list edits themselves are in macro/MacroList.h.

// Working copies of the document's macros (newFlag 0), nothing selected.
// Takes the document lock.
MacroList LoadMacroList();

// A new macro named with the "MACRO_NEW_PREFIX" language text (see
// AppendNewMacro). At 100 macros shows "MACRO_ERR_MAX" and returns -1;
// otherwise the new position.
int CreateMacro(MacroList& list);

// RenameSelectedMacro with the "MACRO_NEW_PREFIX" language text.
RenameResult RenameSelectedMacro(MacroList& list, std::string_view typed);

// Deletes the selected macro. A macro created since the last apply goes at
// once; one a key slot of the document uses (type 4 with its id, any slot of
// the block) sets g_macroLayoutChanged and asks "MACRO_DELETE_CONFIRM_OF_KEYS";
// No keeps it. The previous macro (or the first) is selected afterwards.
// True when deleted.
bool DeleteSelectedMacro(MacroList& list);
// True when some type-4 slot of the document's block holds macroId. Scans
// the 2048 slots of the block once; takes the document lock.
bool IsMacroIdInUse(uint16_t macroId);

// Asks "MACRO_ACTION_CLEAR_CONFIRM" when there are rows; Yes empties them.
// True when emptied.
bool ClearMacroEvents(std::vector<MacroEvent>& rows);

// ParseDelayText, showing "MACRO_ACTION_ERR_DELAY_MAX" when the typed
// number was cut to 40000.
DelayEdit ValidateDelayText(std::string_view text);
