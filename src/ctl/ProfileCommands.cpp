// validate and dump: profile files, without a keyboard. The dump shows the
// file as it is, read straight from its bytes: nothing is repaired or
// renumbered on the way.
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "ctl/CtlCommands.h"
#include "ctl/JsonWriter.h"
#include "config/ConfigDocument.h"
#include "config/ProfileFile.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "macro/MacroBlock.h"
#include "text/LanguageTexts.h"

namespace {

constexpr std::array<const char*, 9> TypeNames = {
    "default", "disabled", "key", "program", "macro", "stop macro", "text", "media", "function"};

// A file's three areas as the profile-file codec splits them, and where each
// program or text slot's string lies.
struct FileView {
    ConfigBlock block;
    ProfileFileAreas areas;
    std::vector<SlotString> slotStrings;

    explicit FileView(const ProfileFileAreas& fileAreas) : areas(fileAreas)
    {
        std::memcpy(block.data(), areas.block.data(), ConfigBlockSize);
        slotStrings = FindSlotStrings(block, areas.strings);
    }

    int MacroCount() const { return areas.macroCount; }
    const uint8_t* Macro(int position) const
    {
        return areas.macros.data() + size_t{MacroBlockSize} * static_cast<size_t>(position);
    }

    // The string of a program or text slot; nothing when its offset leads to
    // no terminator inside the area.
    std::optional<std::u16string> SlotText(int number) const
    {
        const SlotString& string = slotStrings[static_cast<size_t>(number)];
        if (!string.found)
            return std::nullopt;
        return SlotStringText(areas.strings, string);
    }
};

// The name of a slot of a group, as the keyboard picture calls its key.
std::string SlotKeyName(int groupSlot)
{
    if (groupSlot < MacroKeySlotFirst)
        return GetKeyName(IndexToKeyCode(static_cast<uint16_t>(groupSlot)));
    const int n = groupSlot - MacroKeySlotFirst;
    if (n < MacroKeySlotCount)
        return "G" + std::to_string(n + 1);
    if (groupSlot < MacroKeySlotEnd)
        return "G" + std::to_string(n - MacroKeySlotCount + 1) + " (second set)";
    return "slot " + std::to_string(groupSlot);
}

// A key plays the first macro with its id.
const uint8_t* MacroById(const FileView& file, uint32_t id)
{
    for (int i = 0; i < file.MacroCount(); ++i) {
        if (ConstMacroBlock(file.Macro(i)).MacroId() == id)
            return file.Macro(i);
    }
    return nullptr;
}

// A slot as a new profile has it: all zero, or a G key's slot holding only
// its identity, as new blocks (group 0) and captures (every group) write it.
bool IsDefaultSlot(const KeySlot& slot, int groupSlot)
{
    if (slot.bytes == KeySlot{}.bytes)
        return true;
    if (groupSlot < MacroKeySlotFirst || groupSlot >= MacroKeySlotEnd)
        return false;
    KeySlot identityOnly;
    identityOnly.SetIdentity(MacroKeyIdentities[static_cast<size_t>(groupSlot - MacroKeySlotFirst)]);
    return slot.bytes == identityOnly.bytes;
}

void StringOrNull(JsonWriter& json, const std::optional<std::u16string>& text)
{
    if (text)
        json.String(Utf16ToUtf8(*text));
    else
        json.Null();
}

void WriteHeader(JsonWriter& json, const uint8_t* block)
{
    struct HeaderField {
        const char* name;
        size_t offset;
        int bytes;
    };
    static constexpr HeaderField Fields[] = {
        {"signature", HeaderSignatureOffset, 2},     {"headerLength", HeaderLengthOffset, 2},
        {"profiles", HeaderProfilesOffset, 2},       {"version", HeaderVersionOffset, 2},
        {"totalLength", HeaderTotalLengthOffset, 4}, {"slotCount", HeaderSlotCountOffset, 2},
        {"macroCount", HeaderMacroCountOffset, 2},   {"stringBytes", HeaderStringBytesOffset, 4},
        {"flag", HeaderFlagOffset, 1},               {"checksum", HeaderChecksumOffset, 1},
    };
    json.Key("header");
    json.BeginObject();
    for (const HeaderField& field : Fields) {
        json.Key(field.name);
        if (field.bytes == 4)
            json.Number(ReadU32(block, field.offset));
        else if (field.bytes == 2)
            json.Number(ReadU16(block, field.offset));
        else
            json.Number(block[field.offset]);
    }
    json.EndObject();
}

void WriteMeaning(JsonWriter& json, const FileView& file, int number, const KeySlot& slot)
{
    const uint32_t value = slot.Value();
    switch (slot.Type()) {
    case 2:
        json.Key("key");
        json.String(GetKeyName(static_cast<uint16_t>(value)));
        break;
    case 3:
    case 6:
        json.Key("string");
        StringOrNull(json, file.SlotText(number));
        break;
    case 4: {
        json.Key("macroId");
        json.Number(value);
        json.Key("macroName");
        if (const uint8_t* macro = MacroById(file, value))
            json.String(ConstMacroBlock(macro).Name());
        else
            json.Null();
        json.Key("playCount");
        json.Number(slot.Identity());
        break;
    }
    case 7:
        json.Key("media");
        if (value < MediaTable.size())
            json.String(GetKeyName(MediaKeyCode(static_cast<int>(value))));
        else
            json.Null();
        break;
    case 8: {
        const std::string key = value < KeyboardFunctions.size() ? KeyboardFunctionKey(static_cast<int>(value)) : "";
        json.Key("functionTextKey");
        if (key.empty())
            json.Null();
        else
            json.String(key);
        json.Key("function");
        if (key.empty())
            json.Null();
        else
            json.String(LoadText(key));
        break;
    }
    default:
        break;
    }
}

void WriteSlotGroups(JsonWriter& json, const FileView& file)
{
    json.Key("slotGroups");
    json.BeginArray();
    for (int group = 0; group < SlotGroupCount; ++group) {
        json.BeginObject();
        json.Key("group");
        json.Number(group);
        json.Key("slots");
        json.BeginArray();
        for (int g = 0; g < SlotsPerGroup; ++g) {
            const int number = group * SlotsPerGroup + g;
            const KeySlot slot = ReadKeySlot(file.block, number);
            if (IsDefaultSlot(slot, g))
                continue;
            json.BeginObject();
            json.Key("slot");
            json.Number(g);
            json.Key("keyName");
            json.String(SlotKeyName(g));
            json.Key("type");
            json.Number(slot.Type());
            json.Key("typeName");
            json.String(slot.Type() < TypeNames.size() ? TypeNames[slot.Type()] : "unknown");
            json.Key("identity");
            json.Number(slot.Identity());
            json.Key("value");
            json.Number(slot.Value());
            WriteMeaning(json, file, number, slot);
            if (slot.Extra8() != 0 || slot.Extra12() != 0) {
                json.Key("extra8");
                json.Number(slot.Extra8());
                json.Key("extra12");
                json.Number(slot.Extra12());
            }
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
}

void WriteMacros(JsonWriter& json, const FileView& file)
{
    json.Key("macros");
    json.BeginArray();
    for (int i = 0; i < file.MacroCount(); ++i) {
        ConstMacroBlock macro(file.Macro(i));
        json.BeginObject();
        json.Key("position");
        json.Number(i);
        json.Key("id");
        json.Number(macro.MacroId());
        json.Key("name");
        json.String(macro.Name());
        json.Key("cycles");
        json.Number(macro.Cycles());
        json.Key("playMode");
        json.Number(macro.PlayMode());
        json.Key("playModeText");
        if (const char* text = PlayModeText(macro.PlayMode()); text[0] != '\0')
            json.String(text);
        else
            json.Null();
        json.Key("eventCount");
        json.Number(macro.EventCount());
        json.Key("events");
        json.BeginArray();
        for (const MacroEvent& event : macro.Events()) {
            json.BeginObject();
            json.Key("delay");
            json.Number(event.delay);
            json.Key("keyCode");
            json.Number(event.keyCode);
            json.Key("key");
            json.String(GetKeyName(event.keyCode));
            json.Key("direction");
            json.String(event.direction == MacroPressed ? "down" : "up");
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }
    json.EndArray();
}

// The strings of every program and text slot, found at the slot's offset.
void WriteStrings(JsonWriter& json, const FileView& file)
{
    json.Key("strings");
    json.BeginArray();
    for (int number = 0; number < KeySlotCount; ++number) {
        const uint16_t type = SlotType(file.block, number);
        if (type != 3 && type != 6)
            continue;
        const uint32_t offset = SlotValue(file.block, number);
        const std::optional<std::u16string> text = file.SlotText(number);
        json.BeginObject();
        json.Key("group");
        json.Number(number / SlotsPerGroup);
        json.Key("slot");
        json.Number(number % SlotsPerGroup);
        json.Key("keyName");
        json.String(SlotKeyName(number % SlotsPerGroup));
        json.Key("offset");
        json.Number(offset);
        json.Key("bytes");
        if (text)
            json.Number(static_cast<int64_t>(text->size() + 1) * 2);
        else
            json.Null();
        json.Key("text");
        StringOrNull(json, text);
        json.EndObject();
    }
    json.EndArray();
}

} // namespace

int RunValidate(const std::vector<std::string>& args)
{
    if (args.size() != 1 || args[0].empty())
        return CtlUsage("validate");
    const ProfileCheck check = InspectProfileFile(args[0]);
    const bool valid = check.fault == ProfileFault::None;
    if (Options().json) {
        JsonWriter json;
        json.BeginObject();
        json.Key("file");
        json.String(args[0]);
        json.Key("valid");
        json.Bool(valid);
        json.Key("reason");
        if (valid)
            json.Null();
        else
            json.String(check.Reason());
        json.EndObject();
        const int printed = PrintJson(json);
        return valid ? printed : ExitFailed;
    }
    if (!valid) {
        CtlError(args[0] + ": invalid profile file: " + check.Reason());
        return ExitFailed;
    }
    std::printf("%s: valid profile file\n", args[0].c_str());
    return ExitOk;
}

int RunDump(const std::vector<std::string>& args)
{
    if (args.size() != 1 || args[0].empty())
        return CtlUsage("dump");
    const std::string& path = args[0];
    ProfileCheck check;
    const std::vector<uint8_t> bytes = ReadProfileFileBytes(path, check);
    if (check.fault != ProfileFault::None) {
        CtlError(path + ": invalid profile file: " + check.Reason());
        return ExitFailed;
    }
    // The file has passed every check, so it splits; the guard keeps a
    // change of the checks from reading past the buffer.
    const std::optional<ProfileFileAreas> areas = SplitProfileFile(bytes);
    if (!areas) {
        CtlError(path + ": invalid profile file: " + ProfileFaultText(ProfileFault::Truncated));
        return ExitFailed;
    }
    const auto file = std::make_unique<FileView>(*areas);
    JsonWriter json;
    json.BeginObject();
    json.Key("file");
    json.String(path);
    WriteHeader(json, bytes.data());
    WriteSlotGroups(json, *file);
    WriteMacros(json, *file);
    WriteStrings(json, *file);
    json.EndObject();
    return PrintJson(json);
}
