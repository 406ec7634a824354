#include "assign/KeyAssignment.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "device/protocol/DeviceState.h"
#include "base/MainWindowLink.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "macro/MacroBlock.h"
#include "platform/Utf8.h"
#include "text/LanguageTexts.h"

namespace {

constexpr uint16_t MinPlayCount = 1;
constexpr uint16_t MaxPlayCount = 255;
constexpr uint16_t MaxAssignmentType = AssignFunction;

bool IsMacroKeySlot(int groupSlot)
{
    return groupSlot >= MacroKeySlotFirst && groupSlot < MacroKeySlotEnd;
}

// The button showing a slot of a group, if it has one; keyCode is the
// macro key's code 512 + n for G buttons.
std::optional<ButtonKey> ButtonOfGroupSlot(int groupSlot)
{
    if (groupSlot >= MacroKeySlotFirst && groupSlot < MacroKeySlotFirst + MacroKeySlotCount)
        return ButtonKey{MacroKeyButtons[static_cast<size_t>(groupSlot - MacroKeySlotFirst)],
            static_cast<uint16_t>(512 + groupSlot - MacroKeySlotFirst)};
    for (const ButtonKey& button : ButtonKeyTable) {
        if (KeyCodeToIndex(button.keyCode) == groupSlot)
            return button;
    }
    return std::nullopt;
}

std::string MacroNameById(uint32_t macroId)
{
    for (int i = 0; i < g_configDoc.macroCount; ++i) {
        const uint8_t* bytes = MacroBlockAt(g_configDoc, i);
        if (bytes && ConstMacroBlock(bytes).MacroId() == macroId)
            return ConstMacroBlock(bytes).Name();
    }
    return {};
}

// The part of a prompt after the key's name.
std::string AssignmentText(const KeySlot& slot)
{
    std::string text = LoadText("KEY_PROMPT_SET");
    switch (slot.Type()) {
    case AssignKey:
        text += LoadText("KEY_PROMPT_SINGLE") + GetKeyName(static_cast<uint16_t>(slot.Value())) + ")";
        break;
    case AssignMacro:
        text += LoadText("KEY_PROMPT_MACRO") + MacroNameById(slot.Value()) + ")";
        break;
    case AssignMedia:
        text += LoadText("KEY_PROMPT_MEDIA") + GetKeyName(MediaKeyCode(static_cast<int>(slot.Value()))) + ")";
        break;
    case AssignFunction: {
        // A value past the table (only from a damaged file) names nothing.
        const std::string key = slot.Value() <= 10 ? KeyboardFunctionKey(static_cast<int>(slot.Value())) : "";
        text += LoadText("KEY_PROMPT_FUNCTION") + (key.empty() ? std::string() : LoadText(key)) + ")";
        break;
    }
    default:
        break;
    }
    return text;
}

std::string Prompt(const std::string& name, const KeySlot& slot)
{
    if (slot.Type() == AssignDefault)
        return CutUtf8Chars(name, MaxPromptChars);
    return CutUtf8Chars(name + AssignmentText(slot), MaxPromptChars);
}

ButtonLook LookOf(const KeySlot& slot)
{
    return slot.Type() == AssignDefault ? ButtonLook::Default : ButtonLook::Assigned;
}

std::string MacroKeyName(int position)
{
    char name[16];
    std::snprintf(name, sizeof name, "G%d", position + 1);
    return name;
}

KeySlot ShownSlot(int group, int groupSlot)
{
    if (!g_configDoc.block)
        return KeySlot{};
    return ReadKeySlot(*g_configDoc.block, group * SlotsPerGroup + groupSlot);
}

void ShowUnassigned(uint16_t controlId, const std::string& name, bool redrawNow)
{
    MainWindow().SetKeyButtonLook(controlId, ButtonLook::Default, redrawNow);
    MainWindow().SetKeyButtonPrompt(controlId, CutUtf8Chars(name, MaxPromptChars));
}

// The plain name a button shows: G1..G9 or the key's name.
std::string NameOfButton(const ButtonKey& button)
{
    if (button.keyCode >= 512)
        return MacroKeyName(button.keyCode - 512);
    return GetKeyName(button.keyCode);
}

} // namespace

std::string KeyPromptText(uint16_t keyCode, const KeySlot& slot)
{
    return Prompt(GetKeyName(keyCode), slot);
}

std::string MacroKeyPromptText(int macroKeyPosition, const KeySlot& slot)
{
    return Prompt(MacroKeyName(macroKeyPosition), slot);
}

void DescribeKey(uint16_t controlId, uint16_t keyCode, const KeySlot& slot)
{
    MainWindow().SetKeyButtonLook(controlId, LookOf(slot), false);
    MainWindow().SetKeyButtonPrompt(controlId, KeyPromptText(keyCode, slot));
}

void DescribeMacroKey(uint16_t controlId, int macroKeyPosition, const KeySlot& slot)
{
    MainWindow().SetKeyButtonLook(controlId, LookOf(slot), false);
    MainWindow().SetKeyButtonPrompt(controlId, MacroKeyPromptText(macroKeyPosition, slot));
}

int ShownSlotGroup()
{
    const int profile = g_currentProfile.load();
    // Before the keyboard reports its profile the buttons show the first
    // profile: the document always has it, and it is the keyboard's default.
    return (profile >= 0 && profile < ProfileCount) ? profile : 0;
}

void RefreshKeyDescriptions()
{
    DocumentLock lock;
    const int group = ShownSlotGroup();
    for (int n = 0; n < MacroKeySlotCount; ++n)
        DescribeMacroKey(MacroKeyButtons[static_cast<size_t>(n)], n, ShownSlot(group, MacroKeySlotFirst + n));
    for (const ButtonKey& button : ButtonKeyTable)
        DescribeKey(button.controlId, button.keyCode, ShownSlot(group, KeyCodeToIndex(button.keyCode)));
}

void RefreshKeyButtons()
{
    {
        DocumentLock lock;
        const int group = ShownSlotGroup();
        for (int n = 0; n < MacroKeySlotCount; ++n)
            MainWindow().SetKeyButtonLook(MacroKeyButtons[static_cast<size_t>(n)],
                LookOf(ShownSlot(group, MacroKeySlotFirst + n)), false);
        for (const ButtonKey& button : ButtonKeyTable)
            MainWindow().SetKeyButtonLook(button.controlId,
                LookOf(ShownSlot(group, KeyCodeToIndex(button.keyCode))), false);
        RefreshKeyDescriptions();
    }
    MainWindow().KeyButtonsRefreshed();
}

void ClearKeyDescription(int slotNumber)
{
    if (slotNumber < 0 || slotNumber >= KeySlotCount || slotNumber / SlotsPerGroup != ShownSlotGroup())
        return;
    const int groupSlot = slotNumber % SlotsPerGroup;
    std::optional<ButtonKey> button = ButtonOfGroupSlot(groupSlot);
    if (!button)
        return;
    // The window repaints at once only a button that is enabled.
    ShowUnassigned(button->controlId, NameOfButton(*button), true);
}

int32_t StoreKeyAssignment(uint16_t keyIndex, uint16_t type, uint32_t value, uint16_t playCount)
{
    const int profile = g_currentProfile.load();
    // Without a known profile there is no slot group the keyboard will play;
    // writing one anyway would edit a profile the user did not choose.
    if (profile < 0 || profile >= ProfileCount)
        return 0;
    if (keyIndex >= MacroKeySlotFirst + MacroKeySlotCount || type > MaxAssignmentType)
        return 0;
    {
        DocumentLock lock;
        ConfigDocument& doc = g_configDoc;
        if (!doc.block)
            return 0;
        const int slotNumber = profile * SlotsPerGroup + keyIndex;

        if (static_cast<size_t>(slotNumber) < doc.strings.size()) {
            StringEntry& entry = doc.strings[static_cast<size_t>(slotNumber)];
            if (entry.length != 0) {
                doc.stringBytes = doc.stringBytes >= entry.length ? doc.stringBytes - entry.length : 0;
                entry.text = std::u16string();
                entry.length = 0;
            }
        }

        uint16_t identity = 0;
        if (type == AssignKey && (value == 0 || KeyCodeToIndex(static_cast<uint16_t>(value)) == keyIndex))
            type = AssignDefault;
        if (type == AssignMacro) {
            bool found = false;
            for (int i = 0; i < doc.macroCount && !found; ++i) {
                const uint8_t* macro = MacroBlockAt(doc, i);
                found = macro && ConstMacroBlock(macro).MacroId() == value;
            }
            if (!found)
                type = AssignDefault;
            else
                identity = std::clamp(playCount, MinPlayCount, MaxPlayCount);
        }
        if (type == AssignDefault)
            value = 0;
        if (type != AssignMacro && IsMacroKeySlot(keyIndex))
            identity = MacroKeyIdentities[static_cast<size_t>(keyIndex - MacroKeySlotFirst)];

        KeySlot slot = ReadKeySlot(*doc.block, slotNumber);
        slot.SetType(type);
        slot.SetIdentity(identity);
        slot.SetValue(value);
        WriteKeySlot(*doc.block, slotNumber, slot);

        if (std::optional<ButtonKey> button = ButtonOfGroupSlot(keyIndex))
            MainWindow().SetKeyButtonLook(button->controlId, LookOf(slot), true);
        RefreshKeyDescriptions();
    }
    MainWindow().SetApplyEnabled(true);
    return 1;
}

void ResetProfileKeys(int profile)
{
    if (profile < 0)
        profile = g_currentProfile.load();
    if (profile < 0 || profile >= ProfileCount)
        return;
    {
        DocumentLock lock;
        if (!g_configDoc.block)
            return;
        // Only the buttons of the shown profile are redrawn: the others show
        // another slot group, which this reset does not touch.
        const bool shown = profile == ShownSlotGroup();
        const KeySlot zero{};
        for (int n = 0; n < MacroKeySlotCount; ++n) {
            WriteKeySlot(*g_configDoc.block, profile * SlotsPerGroup + MacroKeySlotFirst + n, zero);
            if (shown)
                ShowUnassigned(MacroKeyButtons[static_cast<size_t>(n)], MacroKeyName(n), true);
        }
        for (const ButtonKey& button : ButtonKeyTable) {
            WriteKeySlot(*g_configDoc.block, profile * SlotsPerGroup + KeyCodeToIndex(button.keyCode), zero);
            if (shown)
                ShowUnassigned(button.controlId, GetKeyName(button.keyCode), true);
        }
    }
    MainWindow().SetApplyEnabled(true);
}
