#pragma once

#include <atomic>
#include <cstdint>

#include "macro/MacroList.h"

// Set when the macros' positions change (an applied edit deletes or moves a
// macro that was in the document, or the editor deletes one that keys use;
// an import that did not reach the keyboard): the next device write then
// rewrites the key maps of all three profiles, as each names macros by
// position, and clears it once that write has succeeded.
extern std::atomic<bool> g_macroLayoutChanged;

// Commits the editor's list to the document: stores the selected macro's
// rows, repairs every type-4 slot of the block (id 0 takes the first macro's
// id when there is one; an id no macro has, or that a macro created since the
// last apply now holds, becomes type 0 with its button cleared), installs
// the copies with newFlag cleared as the document's macros, sets
// g_macroLayoutChanged when a macro of the document left its position (a new
// macro in its place counts as a move), and enables the
// main window's Apply. Nothing is sent to the keyboard. The working copies'
// newFlag is cleared too, as they now match the document. 1 done; 0 when
// the area cannot be allocated or the list holds more than 100 macros
// (nothing changes then).
int32_t ApplyMacroEdits(MacroList& list);
