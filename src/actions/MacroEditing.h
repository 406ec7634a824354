#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "macro/MacroBlock.h"

// The key function editor's macro working copies. The editor never edits the
// document's macros in place: it fills a MacroList from the document, edits
// it with the functions below, and hands it back with ApplyMacroEdits.
struct MacroList {
    std::vector<MacroCopy> macros;
    // Position of the selected macro, -1 when none.
    int selected = -1;
    // Running number of default names; restarts when the list is empty.
    int nameCounter = 0;
    // The selected macro's events as the event list shows them; stored into
    // its working copy when the selection changes and before an apply.
    std::vector<MacroEvent> rows;
};

// Working copies of the document's macros (newFlag 0), nothing selected.
// Takes the document lock.
MacroList LoadMacroList();

// rows -> the selected macro's events and eventCount (cut to 4000).
void StoreSelectedEvents(MacroList& list);
// Stores the current rows, then selects position (-1 for none) and loads
// its events into rows. Positions outside the list select none.
void SelectMacro(MacroList& list, int position);

// The next default name: prefix + counter + 1, skipping every number whose
// name some macro (other than the one at `except`) already begins with,
// ignoring case. Advances the counter; restarts it on an empty list.
std::string NextDefaultMacroName(MacroList& list, const std::string& prefix, int except = -1);
// True when a macro other than the one at `except` has a name that begins
// with text, ignoring case.
bool AnyMacroNameBeginsWith(const MacroList& list, std::u16string_view text, int except = -1);
// The smallest id 1..100 no macro of the list uses; 0 when all are taken.
uint16_t SmallestFreeMacroId(const MacroList& list);

// A new macro (cycles 1, newFlag 1, play mode 0, no events) appended and
// selected, after storing the rows of the one selected before. At 100 macros
// shows "MACRO_ERR_MAX" and returns -1; otherwise the new position.
int CreateMacro(MacroList& list);

// The outcome of typing into the macro list's edit field.
struct RenameResult {
    enum Outcome {
        Renamed,     // the selected (or, on an empty list, a new) macro took `name`
        CreateInstead, // abandoned: the caller runs CreateMacro
        Ignored,     // nothing selected on a non-empty list
    } outcome = Ignored;
    std::string name; // the text the item shows now
};
// The rename rule: text that another macro's name begins with becomes the
// next default name; an empty text or one starting with a space becomes the
// prefix with the current counter, or is abandoned in favour of a new macro
// when some macro already begins with that. On an empty list a macro with
// the typed name is created at position 0.
RenameResult RenameSelectedMacro(MacroList& list, std::string_view typed, const std::string& prefix);
// The same with the "MACRO_NEW_PREFIX" language text.
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

// ---- Event rows ----

// Inserts after selectedRow (appends when it is -1 or past the end) and
// returns the new row, or -1 when the list already holds 4000 events. The
// event before the new one takes event.delay (the time since it) and the new
// event takes that event's old delay; at row 0 the new event gets 0.
int InsertMacroEvent(std::vector<MacroEvent>& rows, int selectedRow, MacroEvent event);
// False when row is out of range.
bool DeleteMacroEvent(std::vector<MacroEvent>& rows, int row);
enum class MoveTarget { Top, Up, Down, Bottom };
// Moves the row (event and delay together); returns its new row, or -1 when
// row is out of range.
int MoveMacroEvent(std::vector<MacroEvent>& rows, int row, MoveTarget target);
// Asks "MACRO_ACTION_CLEAR_CONFIRM" when there are rows; Yes empties them.
// True when emptied.
bool ClearMacroEvents(std::vector<MacroEvent>& rows);

// ---- Typed values ----

struct DelayEdit {
    uint32_t delay = 0;
    std::string text; // what the cell shows afterwards
};
// Leading digits as a decimal number (the cell takes digits only); above
// 40000 shows "MACRO_ACTION_ERR_DELAY_MAX" and uses 40000; rounded down to a
// multiple of 10.
DelayEdit ValidateDelayText(std::string_view text);
// The play count: a decimal integer (optional sign), 0 or less -> 1,
// 256 or more -> 255.
int ClampCycles(std::string_view text);
