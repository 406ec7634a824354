// validate and dump: profile files, without a keyboard.
#include <array>
#include <cstdio>
#include <memory>

#include "app/ctl/CtlCommands.h"
#include "app/ctl/JsonWriter.h"
#include "config/ConfigDocument.h"
#include "config/ProfileFile.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "macro/MacroBlock.h"
#include "skin/LanguageTexts.h"

namespace {

constexpr std::array<const char*, 9> TypeNames = {
    "default", "disabled", "key", "program", "macro", "stop macro", "text", "media", "function"};

bool OneFileArgument(const char* command, const std::vector<std::string>& args)
{
    if (args.size() == 1 && !args[0].empty())
        return true;
    CtlError(std::string("usage: rt604ctl ") + command + " FILE");
    return false;
}

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

const uint8_t* MacroById(uint32_t id)
{
    for (int i = 0; i < g_configDoc.macroCount; ++i) {
        const uint8_t* macro = MacroBlockAt(g_configDoc, i);
        if (macro && ConstMacroBlock(macro).MacroId() == id)
            return macro;
    }
    return nullptr;
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

void WriteMeaning(JsonWriter& json, int slotNumber, const KeySlot& slot)
{
    const uint32_t value = slot.Value();
    switch (slot.Type()) {
    case 2:
        json.Key("key");
        json.String(GetKeyName(static_cast<uint16_t>(value)));
        break;
    case 3:
    case 6: {
        const StringEntry& entry = g_configDoc.strings[static_cast<size_t>(slotNumber)];
        json.Key("string");
        if (entry.length != 0)
            json.String(Utf16ToUtf8(entry.text));
        else
            json.Null();
        break;
    }
    case 4: {
        json.Key("macroId");
        json.Number(value);
        json.Key("macroName");
        if (const uint8_t* macro = MacroById(value))
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

void WriteSlotGroups(JsonWriter& json, const ConfigBlock& block)
{
    const std::unique_ptr<ConfigBlock> defaults = MakeDefaultBlock(0);
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
            const KeySlot slot = ReadKeySlot(block, number);
            if (slot.bytes == ReadKeySlot(*defaults, number).bytes)
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
            WriteMeaning(json, number, slot);
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

void WriteMacros(JsonWriter& json)
{
    json.Key("macros");
    json.BeginArray();
    for (int i = 0; i < g_configDoc.macroCount; ++i) {
        const uint8_t* bytes = MacroBlockAt(g_configDoc, i);
        if (!bytes)
            break;
        ConstMacroBlock macro(bytes);
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
        json.String(PlayModeText(macro.PlayMode()));
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

void WriteStrings(JsonWriter& json)
{
    json.Key("strings");
    json.BeginArray();
    for (size_t i = 0; i < g_configDoc.strings.size(); ++i) {
        const StringEntry& entry = g_configDoc.strings[i];
        if (entry.length == 0)
            continue;
        const int number = static_cast<int>(i);
        json.BeginObject();
        json.Key("group");
        json.Number(number / SlotsPerGroup);
        json.Key("slot");
        json.Number(number % SlotsPerGroup);
        json.Key("keyName");
        json.String(SlotKeyName(number % SlotsPerGroup));
        json.Key("bytes");
        json.Number(entry.length);
        json.Key("text");
        json.String(Utf16ToUtf8(entry.text));
        json.EndObject();
    }
    json.EndArray();
}

// Header and length checks, with the precise reason on standard error.
bool CheckFile(const std::string& path)
{
    const ProfileFault fault = ExamineProfileFile(path);
    if (fault == ProfileFault::None)
        return true;
    CtlError(path + ": invalid profile file: " + ProfileFaultText(fault));
    return false;
}

} // namespace

int RunValidate(const std::vector<std::string>& args)
{
    if (!OneFileArgument("validate", args))
        return ExitUsage;
    if (!CheckFile(args[0]))
        return ExitFailed;
    std::printf("%s: valid profile file\n", args[0].c_str());
    return ExitOk;
}

int RunDump(const std::vector<std::string>& args)
{
    if (!OneFileArgument("dump", args))
        return ExitUsage;
    const std::string& path = args[0];
    if (!CheckFile(path))
        return ExitFailed;
    InitDocument();
    JsonWriter json;
    {
        DocumentLock lock;
        if (LoadDocumentFromFile(path) != 1) {
            CtlError(path + ": cannot be loaded");
            ShutdownDocuments();
            return ExitFailed;
        }
        json.BeginObject();
        json.Key("file");
        json.String(path);
        WriteHeader(json, g_configDoc.block->data());
        WriteSlotGroups(json, *g_configDoc.block);
        WriteMacros(json);
        WriteStrings(json);
        json.EndObject();
    }
    ShutdownDocuments();
    std::printf("%s\n", json.Text().c_str());
    return std::fflush(stdout) == 0 ? ExitOk : ExitFailed;
}
