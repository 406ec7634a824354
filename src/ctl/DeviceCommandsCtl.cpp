// info, profile, export, import, keymap, macros: commands for a keyboard.
// Profiles are numbered 1 to 3 on the command line, as the keyboard's own
// labels do.
#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <span>

#include "ctl/CtlCommands.h"
#include "ctl/JsonWriter.h"
#include "ctl/KeyboardSession.h"
#include "platform/KeyboardChangeNotice.h"
#include "config/DeviceKeyMap.h"
#include "config/ConfigDocument.h"
#include "actions/DeviceCapture.h"
#include "device/protocol/ActiveProfile.h"
#include "config/ProfileFile.h"
#include "actions/ProfileImport.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "device/hid/HidDevice.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "macro/MacroBlock.h"
#include "actions/DeviceMacroImage.h"
#include "macro/MacroImage.h"
#include "platform/AtomicFile.h"
#include "platform/FileAccess.h"
#include "text/LanguageTexts.h"

namespace {

std::string Hex(unsigned value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

// A key as the keyboard picture labels it (K45, K56, G1 ...).
std::string KeyLabel(uint16_t keyCode)
{
    if (keyCode >= 512 && keyCode < 512 + MacroKeySlotCount)
        return "G" + std::to_string(keyCode - 511);
    const char* label = KeyRecordOf(keyCode).label;
    return label[0] != '\0' ? std::string(label) : GetKeyName(keyCode);
}

// What an entry of a key map does, in words.
std::string EntryMeaning(const KeyMapEntry& entry)
{
    switch (entry.kind) {
    case EntryNothing:
        return entry.byte1 == 0 && entry.byte2 == 0 ? "disabled" : "unknown";
    case EntryMacro:
        if (entry.byte1 == MacroPlay)
            return "macro " + std::to_string(entry.byte2 + 1);
        if (entry.byte1 == MacroStop)
            return "stop macro";
        if (entry.byte1 == MacroFunction) {
            const std::string key = KeyboardFunctionKey(entry.byte2);
            return "function " + std::to_string(entry.byte2 + 1) + (key.empty() ? "" : " (" + LoadText(key) + ")");
        }
        return "unknown";
    default: {
        const uint16_t code = DecodeEntry(entry);
        return code == 0 ? "unknown" : KeyLabel(code);
    }
    }
}

std::string EntryBytes(const KeyMapEntry& entry)
{
    return Hex(entry.kind, 2) + " " + Hex(entry.byte1, 2) + " " + Hex(entry.byte2, 2);
}

void EntryArray(JsonWriter& json, const KeyMapEntry& entry)
{
    json.BeginArray();
    json.Number(entry.kind);
    json.Number(entry.byte1);
    json.Number(entry.byte2);
    json.EndArray();
}

bool ReadImage(std::vector<uint8_t>& image)
{
    std::array<uint8_t, MacroImageHeaderSize> head{};
    if (ReadMacroMemory(head) != 1)
        return false;
    image.assign(head.begin(), head.end());
    if (ReadU16(head.data(), 0) != MacroImageSignature)
        return true;
    size_t length = ReadU16(head.data(), ImageLengthOffset);
    length = std::min<size_t>(length, g_macroCapacity.load());
    if (length <= MacroImageHeaderSize)
        return true;
    image.assign(length, 0);
    return ReadMacroMemory(image) == 1;
}

// The lighting effects the keyboard offers, with their names in the
// current language.
std::vector<std::pair<int, std::string>> Effects(const std::array<uint8_t, DeviceInfoBytes>& info)
{
    std::vector<std::pair<int, std::string>> effects;
    for (int i = DeviceInfoEffectCodes; i < DeviceInfoBytes; ++i) {
        const uint8_t code = info[static_cast<size_t>(i)];
        if (code != 0x00 && code != 0xFE)
            effects.emplace_back(code, LoadModeText(std::to_string(code)));
    }
    return effects;
}

} // namespace

int RunInfo(const std::vector<std::string>& args)
{
    if (!args.empty())
        return CtlUsage("info");
    KeyboardSession session;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    std::array<uint8_t, DeviceInfoBytes> info{};
    if (ReadDeviceInfo(info) != 1) {
        CtlError("the keyboard does not answer");
        return ExitNoKeyboard;
    }
    const uint16_t productId = g_configChannel.Attributes().productId;
    const int profile = info[DeviceInfoActiveProfile];
    const unsigned macroBytes = info[DeviceInfoMacroUnits] * unsigned{MacroUnitBytes};
    const auto effects = Effects(info);
    if (Options().json) {
        JsonWriter json;
        json.BeginObject();
        json.Key("model");
        json.String("Orvan RT-604");
        json.Key("keys");
        json.Number(g_keyCount.load());
        json.Key("productId");
        json.Number(productId);
        json.Key("activeProfile");
        if (profile < ProfileCount)
            json.Number(profile + 1);
        else
            json.Null();
        json.Key("macroMemoryBytes");
        json.Number(macroBytes);
        json.Key("effects");
        json.BeginArray();
        for (const auto& [code, name] : effects) {
            json.BeginObject();
            json.Key("code");
            json.Number(code);
            json.Key("name");
            json.String(name);
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
        return session.Finish(PrintJson(json));
    }
    std::printf("Model: Orvan RT-604, %d keys (product id 0x%04X)\n", g_keyCount.load(), productId);
    if (profile < ProfileCount)
        std::printf("Active profile: %d\n", profile + 1);
    else
        std::printf("Active profile: none (the keyboard reports %d)\n", profile);
    std::printf("Macro memory: %u bytes\n", macroBytes);
    std::printf("Lighting effects:%s\n", effects.empty() ? " none" : "");
    for (const auto& [code, name] : effects)
        std::printf("  %2d  %s\n", code, name.c_str());
    return session.Finish(ExitOk);
}

int RunProfile(const std::vector<std::string>& args)
{
    if (args.size() > 1)
        return CtlUsage("profile");
    std::optional<int> index;
    if (args.size() == 1 && !(index = ProfileArgument(args[0])))
        return NoSuchProfile(args[0]);
    KeyboardSession session;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    if (index)
        session.Changed(KeyboardPart::Profile);
    if (index && SetCurrentProfile(*index) != 1) {
        CtlError("the keyboard did not switch to profile " + args[0]);
        return ExitRefused;
    }
    g_currentProfile = -1; // ask the keyboard, not the cache
    const int32_t profile = GetCurrentProfile();
    if (profile < 0) {
        CtlError("the keyboard does not tell its active profile");
        return ExitNoKeyboard;
    }
    if (Options().json) {
        JsonWriter json;
        json.BeginObject();
        json.Key("activeProfile");
        json.Number(profile + 1);
        json.EndObject();
        return session.Finish(PrintJson(json));
    }
    std::printf("Active profile: %d\n", profile + 1);
    return session.Finish(ExitOk);
}

int RunExport(const std::vector<std::string>& args)
{
    if (args.size() != 1 || args[0].empty())
        return CtlUsage("export");
    KeyboardSession session;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    std::vector<uint8_t> file;
    if (CaptureDeviceToBytes(file) != 1) {
        CtlError("could not read the keyboard's key maps and macros");
        return ExitRefused;
    }
    int error = 0;
    if (!WriteFileAtomically(args[0], std::span<const uint8_t>(file), &error)) {
        CtlError(args[0] + ": cannot be written: " + FileErrorText(error));
        return ExitFailed;
    }
    return session.Finish(ExitOk);
}

int RunImport(const std::vector<std::string>& args)
{
    if (args.size() != 1 || args[0].empty())
        return CtlUsage("import");
    // The file first: whether it is good does not depend on a keyboard.
    ProfileCheck check;
    const std::vector<uint8_t> file = ReadProfileFileBytes(args[0], check);
    if (check.fault != ProfileFault::None) {
        CtlError(args[0] + ": invalid profile file: " + check.Reason());
        CtlError(LoadText("MAIN_PROMPT_INPORT"));
        return ExitInvalidFile;
    }
    KeyboardSession session;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    InitDocument();
    session.Changed(KeyboardPart::KeyMap | KeyboardPart::Macros | KeyboardPart::Profile);
    const int32_t imported = ImportProfileBytes(file, false);
    ShutdownDocuments();
    switch (imported) {
    case ImportDone:
        return session.Finish(ExitOk);
    case ImportDoesNotFit:
        return ExitDoesNotFit; // the reason was shown; nothing was sent
    case ImportInvalid:
        return ExitInvalidFile;
    default:
        CtlError("the keyboard did not take " + args[0]);
        return ExitRefused;
    }
}

int RunKeymap(const std::vector<std::string>& args)
{
    if (args.size() != 1 || args[0].empty())
        return CtlUsage("keymap");
    const std::optional<int> profile = ProfileArgument(args[0]);
    if (!profile)
        return NoSuchProfile(args[0]);
    KeyboardSession session;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    const size_t bytes = static_cast<size_t>(g_keyMapBytes.load());
    std::array<uint8_t, MaxKeyMapBytes> map{};
    if (int32_t result = ReadKeyMap(std::span<uint8_t>(map.data(), bytes), *profile); result != 1) {
        CtlError("the keyboard refused to give the key map (" + std::to_string(result) + ")");
        return ExitRefused;
    }
    const std::array<uint8_t, MaxKeyMapBytes> factory = CopyDefaultKeyMap();
    JsonWriter json;
    if (Options().json) {
        json.BeginObject();
        json.Key("profile");
        json.Number(*profile + 1);
        json.Key("keys");
        json.BeginArray();
    } else {
        std::printf("Profile %d (* differs from the factory map)\n", *profile + 1);
        std::printf("  %-12s %-9s %s\n", "Key", "Entry", "Does");
    }
    for (int i = 0; i < g_keyCount.load(); ++i) {
        const KeyMapEntry entry = ReadKeyMapEntry(std::span<const uint8_t>(map.data(), bytes), i);
        const KeyMapEntry own = ReadKeyMapEntry(std::span<const uint8_t>(factory.data(), bytes), i);
        const uint16_t key = DecodeEntry(own);
        // Positions the factory map leaves empty (Fn, gaps of the matrix)
        // are no key of the keyboard.
        if (key == 0)
            continue;
        const bool changed = !(entry == own);
        const std::string does = changed ? EntryMeaning(entry) : "its own function";
        if (Options().json) {
            json.BeginObject();
            json.Key("position");
            json.Number(i);
            json.Key("key");
            json.String(KeyLabel(key));
            json.Key("entry");
            EntryArray(json, entry);
            json.Key("factoryEntry");
            EntryArray(json, own);
            json.Key("changed");
            json.Bool(changed);
            json.Key("does");
            json.String(does);
            json.EndObject();
        } else {
            std::printf("%c %-12s %-9s %s\n", changed ? '*' : ' ', KeyLabel(key).c_str(), EntryBytes(entry).c_str(),
                        does.c_str());
        }
    }
    if (Options().json) {
        json.EndArray();
        json.EndObject();
        return session.Finish(PrintJson(json));
    }
    return session.Finish(ExitOk);
}

int RunMacros(const std::vector<std::string>& args)
{
    if (!args.empty())
        return CtlUsage("macros");
    KeyboardSession session;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    std::vector<uint8_t> image;
    if (!ReadImage(image)) {
        CtlError("the keyboard refused to give its macro memory");
        return ExitRefused;
    }
    const bool hasImage = image.size() >= MacroImageHeaderSize && ReadU16(image.data(), 0) == MacroImageSignature;
    const std::vector<uint8_t> area = hasImage ? DecodeMacroImage(image) : std::vector<uint8_t>();
    if (Options().json) {
        JsonWriter json;
        json.BeginObject();
        json.Key("capacity");
        json.Number(g_macroCapacity.load());
        json.Key("imageBytes");
        json.Number(hasImage ? ReadU16(image.data(), ImageLengthOffset) : 0);
        json.Key("names");
        json.Bool(hasImage && ReadU16(image.data(), ImageNamesFlagOffset) != 0);
        json.Key("macros");
        json.BeginArray();
        for (size_t k = 0; k < area.size() / MacroBlockSize; ++k) {
            ConstMacroBlock macro(area.data() + k * MacroBlockSize);
            json.BeginObject();
            json.Key("position");
            json.Number(static_cast<int64_t>(k) + 1);
            json.Key("name");
            json.String(macro.Name());
            json.Key("cycles");
            json.Number(macro.Cycles());
            json.Key("events");
            json.BeginArray();
            for (const MacroEvent& event : macro.Events()) {
                json.BeginObject();
                json.Key("key");
                json.String(KeyLabel(event.keyCode));
                json.Key("keyCode");
                json.Number(event.keyCode);
                json.Key("direction");
                json.String(event.direction == MacroPressed ? "down" : "up");
                json.Key("delay");
                json.Number(event.delay);
                json.EndObject();
            }
            json.EndArray();
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
        return session.Finish(PrintJson(json));
    }
    if (!hasImage) {
        std::printf("No macros (the memory holds no macro image)\n");
        return session.Finish(ExitOk);
    }
    std::printf("Image: %u of %u bytes, %u macros, %s\n", ReadU16(image.data(), ImageLengthOffset),
                g_macroCapacity.load(), ReadU16(image.data(), ImageCountOffset),
                ReadU16(image.data(), ImageNamesFlagOffset) ? "with names" : "without names");
    for (size_t k = 0; k < area.size() / MacroBlockSize; ++k) {
        ConstMacroBlock macro(area.data() + k * MacroBlockSize);
        std::printf("Macro %zu: \"%s\", plays %u time%s, %d events\n", k + 1, macro.Name().c_str(), macro.Cycles(),
                    macro.Cycles() == 1 ? "" : "s", macro.UsableEventCount());
        for (const MacroEvent& event : macro.Events()) {
            std::printf("  %-12s %-4s then %u ms\n", KeyLabel(event.keyCode).c_str(),
                        event.direction == MacroPressed ? "down" : "up", event.delay);
        }
    }
    return session.Finish(ExitOk);
}
