#include "actions/MacroEditing.h"

#include "base/UserPrompts.h"
#include "assign/KeyAssignment.h"
#include "config/ConfigDocument.h"
#include "actions/MacroApply.h"
#include "text/LanguageTexts.h"

#include <algorithm>
#include <limits>
#include <new>

namespace {

// Case folding for the scripts the language files use (Latin, Latin-1,
// Cyrillic); other characters compare as they are.
char16_t FoldCase(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return static_cast<char16_t>(c + 0x20);
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7)
        return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0410 && c <= 0x042F)
        return static_cast<char16_t>(c + 0x20);
    if (c >= 0x0400 && c <= 0x040F)
        return static_cast<char16_t>(c + 0x50);
    return c;
}

bool BeginsWithIgnoringCase(std::u16string_view text, std::u16string_view start)
{
    if (start.size() > text.size())
        return false;
    for (size_t i = 0; i < start.size(); ++i) {
        if (FoldCase(text[i]) != FoldCase(start[i]))
            return false;
    }
    return true;
}

std::u16string DefaultName(const std::string& prefix, long long number)
{
    return Utf8ToUtf16(prefix + std::to_string(number));
}

// A zeroed block with the fields every new macro starts with.
MacroCopy NewMacro(const MacroList& list, std::u16string_view name)
{
    MacroCopy copy;
    MacroBlock block = copy.View();
    block.SetName16(name);
    block.SetCycles(1);
    block.SetNewFlag(1);
    block.SetPlayMode(PlayOnce);
    block.SetMacroId(SmallestFreeMacroId(list));
    block.SetEventCount(0);
    return copy;
}

bool IsSelected(const MacroList& list)
{
    return list.selected >= 0 && static_cast<size_t>(list.selected) < list.macros.size();
}

// Leading digits of text as a number, saturating instead of overflowing.
unsigned long long ParseDigits(std::string_view text, size_t& used)
{
    unsigned long long value = 0;
    used = 0;
    while (used < text.size() && text[used] >= '0' && text[used] <= '9') {
        unsigned digit = static_cast<unsigned>(text[used] - '0');
        if (value > (std::numeric_limits<unsigned long long>::max() - digit) / 10)
            value = std::numeric_limits<unsigned long long>::max();
        else
            value = value * 10 + digit;
        ++used;
    }
    return value;
}

} // namespace

MacroList LoadMacroList()
{
    MacroList list;
    DocumentLock lock;
    size_t count = std::min<size_t>(g_configDoc.macroCount, g_configDoc.macros.size() / MacroBlockSize);
    for (size_t k = 0; k < count; ++k) {
        try {
            list.macros.emplace_back();
        } catch (const std::bad_alloc&) {
            break;
        }
        const uint8_t* source = g_configDoc.macros.data() + k * MacroBlockSize;
        std::copy(source, source + MacroBlockSize, list.macros.back().bytes.begin());
        list.macros.back().View().SetNewFlag(0);
    }
    return list;
}

void StoreSelectedEvents(MacroList& list)
{
    if (IsSelected(list))
        list.macros[static_cast<size_t>(list.selected)].View().SetEvents(list.rows);
}

void SelectMacro(MacroList& list, int position)
{
    StoreSelectedEvents(list);
    list.rows.clear();
    if (position < 0 || static_cast<size_t>(position) >= list.macros.size()) {
        list.selected = -1;
        return;
    }
    list.selected = position;
    list.rows = list.macros[static_cast<size_t>(position)].View().Events();
}

bool AnyMacroNameBeginsWith(const MacroList& list, std::u16string_view text, int except)
{
    for (size_t k = 0; k < list.macros.size(); ++k) {
        if (static_cast<int>(k) != except && BeginsWithIgnoringCase(list.macros[k].View().Name16(), text))
            return true;
    }
    return false;
}

std::string NextDefaultMacroName(MacroList& list, const std::string& prefix, int except)
{
    if (list.macros.empty())
        list.nameCounter = 0;
    // Each name blocks at most as many numbers as it has characters, so this
    // ends after a few thousand tries at worst.
    for (;;) {
        ++list.nameCounter;
        std::u16string name = DefaultName(prefix, list.nameCounter);
        if (!AnyMacroNameBeginsWith(list, name, except))
            return Utf16ToUtf8(name);
    }
}

uint16_t SmallestFreeMacroId(const MacroList& list)
{
    for (uint16_t id = 1; id <= MaxMacroCount; ++id) {
        bool used = std::any_of(list.macros.begin(), list.macros.end(),
                                [id](const MacroCopy& copy) { return copy.View().MacroId() == id; });
        if (!used)
            return id;
    }
    return 0;
}

int CreateMacro(MacroList& list)
{
    if (list.macros.size() >= static_cast<size_t>(MaxMacroCount)) {
        Prompts().ShowMessage(FormatText(LoadText("MACRO_ERR_MAX"), MaxMacroCount), MessageStyle::Normal);
        return -1;
    }
    std::string name = NextDefaultMacroName(list, LoadText("MACRO_NEW_PREFIX"));
    try {
        list.macros.push_back(NewMacro(list, Utf8ToUtf16(name)));
    } catch (const std::bad_alloc&) {
        return -1;
    }
    int position = static_cast<int>(list.macros.size()) - 1;
    SelectMacro(list, position);
    return position;
}

RenameResult RenameSelectedMacro(MacroList& list, std::string_view typed, const std::string& prefix)
{
    std::u16string text = Utf8ToUtf16(typed);
    bool blankStart = text.empty() || text.front() == u' ';
    if (list.macros.empty()) {
        std::u16string name = blankStart ? Utf8ToUtf16(NextDefaultMacroName(list, prefix)) : text;
        try {
            list.macros.push_back(NewMacro(list, name));
        } catch (const std::bad_alloc&) {
            return {};
        }
        list.selected = -1;
        SelectMacro(list, 0);
        return {RenameResult::Renamed, list.macros.front().View().Name()};
    }
    if (!IsSelected(list))
        return {};

    std::u16string name;
    if (!blankStart && AnyMacroNameBeginsWith(list, text, list.selected)) {
        // The next free default name, not merely the next number: the point
        // of the rule is that two macros never share a name.
        name = Utf8ToUtf16(NextDefaultMacroName(list, prefix, list.selected));
    } else if (blankStart) {
        name = DefaultName(prefix, list.nameCounter);
        if (AnyMacroNameBeginsWith(list, name))
            return {RenameResult::CreateInstead, list.macros[static_cast<size_t>(list.selected)].View().Name()};
    } else {
        name = text;
    }
    MacroBlock block = list.macros[static_cast<size_t>(list.selected)].View();
    block.SetName16(name);
    return {RenameResult::Renamed, block.Name()};
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
    if (!IsSelected(list))
        return false;
    size_t position = static_cast<size_t>(list.selected);
    ConstMacroBlock block = list.macros[position].View();
    if (block.NewFlag() != 1 && IsMacroIdInUse(block.MacroId())) {
        g_macroLayoutChanged = true;
        if (!Prompts().AskYesNo(LoadText("MACRO_DELETE_CONFIRM_OF_KEYS")))
            return false;
    }
    list.macros.erase(list.macros.begin() + static_cast<std::ptrdiff_t>(position));
    // The deleted macro's rows go with it; nothing is stored.
    list.selected = -1;
    list.rows.clear();
    if (!list.macros.empty())
        SelectMacro(list, position > 0 ? static_cast<int>(position) - 1 : 0);
    return true;
}

int InsertMacroEvent(std::vector<MacroEvent>& rows, int selectedRow, MacroEvent event)
{
    if (rows.size() >= static_cast<size_t>(MaxMacroEvents))
        return -1;
    size_t row = selectedRow >= 0 && static_cast<size_t>(selectedRow) < rows.size()
        ? static_cast<size_t>(selectedRow) + 1
        : rows.size();
    if (row == 0) {
        // Nothing precedes it: the pause before the first event is dropped.
        event.delay = 0;
    } else {
        std::swap(event.delay, rows[row - 1].delay);
    }
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(row), event);
    return static_cast<int>(row);
}

bool DeleteMacroEvent(std::vector<MacroEvent>& rows, int row)
{
    if (row < 0 || static_cast<size_t>(row) >= rows.size())
        return false;
    rows.erase(rows.begin() + row);
    return true;
}

int MoveMacroEvent(std::vector<MacroEvent>& rows, int row, MoveTarget target)
{
    if (row < 0 || static_cast<size_t>(row) >= rows.size())
        return -1;
    int last = static_cast<int>(rows.size()) - 1;
    int to = row;
    switch (target) {
    case MoveTarget::Top: to = 0; break;
    case MoveTarget::Up: to = std::max(row - 1, 0); break;
    case MoveTarget::Down: to = std::min(row + 1, last); break;
    case MoveTarget::Bottom: to = last; break;
    }
    MacroEvent moved = rows[static_cast<size_t>(row)];
    rows.erase(rows.begin() + row);
    rows.insert(rows.begin() + to, moved);
    return to;
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
    size_t used = 0;
    unsigned long long value = ParseDigits(text, used);
    if (value > MaxMacroDelay) {
        Prompts().ShowMessage(FormatText(LoadText("MACRO_ACTION_ERR_DELAY_MAX"), MaxMacroDelay), MessageStyle::Normal);
        value = MaxMacroDelay;
    }
    DelayEdit edit;
    edit.delay = static_cast<uint32_t>(value - value % 10);
    edit.text = std::to_string(edit.delay);
    return edit;
}

int ClampCycles(std::string_view text)
{
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t'))
        ++start;
    bool negative = false;
    if (start < text.size() && (text[start] == '-' || text[start] == '+'))
        negative = text[start++] == '-';
    size_t used = 0;
    unsigned long long value = ParseDigits(text.substr(start), used);
    if (negative || value == 0)
        return 1;
    return value >= 256 ? MaxMacroCycles : static_cast<int>(value);
}
