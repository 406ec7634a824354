// info, profile, export, import, keymap, macros: commands for a keyboard.
#include "app/ctl/DeviceCommandsCtl.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>

#include "app/AppState.h"
#include "app/ctl/CtlCommands.h"
#include "app/ctl/KeyboardSession.h"
#include "assign/DeviceKeyMap.h"
#include "config/ConfigDocument.h"
#include "config/DeviceCapture.h"
#include "config/DeviceCopy.h"
#include "config/ProfileImport.h"
#include "device/DeviceCommands.h"
#include "device/DeviceMonitor.h"
#include "device/DeviceState.h"
#include "device/HidDevice.h"
#include "device/VirtualKeyboard.h"
#include "keys/KeyTable.h"
#include "keys/MediaTable.h"
#include "macro/MacroBlock.h"
#include "macro/MacroImage.h"
#include "platform/AtomicFile.h"
#include "skin/LanguageTexts.h"

namespace {

// "1".."3" to a profile index, or nothing.
std::optional<int> ProfileArgument(const std::string& text)
{
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '3')
        return text[0] - '1';
    return std::nullopt;
}

std::string Hex(unsigned value, int digits)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

std::string KeyName(uint16_t keyCode)
{
    if (keyCode >= 512 && keyCode < 512 + MacroKeySlotCount)
        return "G" + std::to_string(keyCode - 511);
    return GetKeyName(keyCode);
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
        return code == 0 ? "unknown" : KeyName(code);
    }
    }
}

std::string EntryBytes(const KeyMapEntry& entry)
{
    return Hex(entry.kind, 2) + " " + Hex(entry.byte1, 2) + " " + Hex(entry.byte2, 2);
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
    length = std::min<size_t>(length, g_app.macroCapacity.load());
    if (length <= MacroImageHeaderSize)
        return true;
    image.assign(length, 0);
    return ReadMacroMemory(image) == 1;
}

bool TakeNoArguments(const char* command, const std::vector<std::string>& args)
{
    if (args.empty())
        return true;
    CtlError(std::string("usage: rt604ctl ") + command + " [--virtual-keyboard=STATEFILE]");
    return false;
}

bool TakeOneArgument(const char* command, const char* what, const std::vector<std::string>& args)
{
    if (args.size() == 1 && !args[0].empty())
        return true;
    CtlError(std::string("usage: rt604ctl ") + command + " " + what + " [--virtual-keyboard=STATEFILE]");
    return false;
}

} // namespace

int RunInfo(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    KeyboardSession session;
    if (int result = session.TakeOption(args); result != ExitOk)
        return result;
    if (!TakeNoArguments("info", args))
        return ExitUsage;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    std::array<uint8_t, DeviceInfoBytes> info{};
    if (ReadDeviceInfo(info) != 1) {
        CtlError("the keyboard does not answer");
        return ExitNoKeyboard;
    }
    const HidAttributes attributes = g_configChannel.Attributes();
    std::printf("model: Orvan RT-604, %d keys (product id 0x%04X)\n", keyCount.load(), attributes.productId);
    const int profile = info[DeviceInfoActiveProfile];
    if (profile < ProfileCount)
        std::printf("active profile: %d\n", profile + 1);
    else
        std::printf("active profile: none (the keyboard reports %d)\n", profile);
    std::printf("macro memory: %u bytes\n", info[DeviceInfoMacroUnits] * unsigned{MacroUnitBytes});
    std::string effects;
    for (int i = DeviceInfoEffectCodes; i < DeviceInfoBytes; ++i) {
        if (info[static_cast<size_t>(i)] == 0x00 || info[static_cast<size_t>(i)] == 0xFE)
            continue;
        effects += (effects.empty() ? "" : " ") + std::to_string(info[static_cast<size_t>(i)]);
    }
    std::printf("lighting effects: %s\n", effects.empty() ? "none" : effects.c_str());
    return ExitOk;
}

int RunProfile(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    KeyboardSession session;
    if (int result = session.TakeOption(args); result != ExitOk)
        return result;
    if (args.size() > 1) {
        CtlError("usage: rt604ctl profile [1|2|3] [--virtual-keyboard=STATEFILE]");
        return ExitUsage;
    }
    std::optional<int> index;
    if (args.size() == 1) {
        index = ProfileArgument(args[0]);
        if (!index) {
            CtlError("the keyboard has profiles 1, 2 and 3, not \"" + args[0] + "\"");
            return ExitUsage;
        }
    }
    if (int result = session.Connect(); result != ExitOk)
        return result;
    if (index) {
        if (SetCurrentProfile(*index) != 1) {
            CtlError("the keyboard did not switch to profile " + args[0]);
            return ExitRefused;
        }
    }
    g_app.currentProfile = -1; // ask the keyboard, not the cache
    const int32_t profile = GetCurrentProfile();
    if (profile < 0) {
        CtlError("the keyboard does not tell its active profile");
        return ExitNoKeyboard;
    }
    std::printf("%d\n", profile + 1);
    return ExitOk;
}

int RunExport(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    KeyboardSession session;
    if (int result = session.TakeOption(args); result != ExitOk)
        return result;
    if (!TakeOneArgument("export", "FILE", args))
        return ExitUsage;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    std::vector<uint8_t> file;
    if (CaptureDeviceToBytes(file) != 1) {
        CtlError("could not read the keyboard's key maps and macros");
        return ExitRefused;
    }
    if (!WriteFileAtomically(args[0], std::span<const uint8_t>(file))) {
        CtlError(args[0] + ": cannot be written");
        return ExitFailed;
    }
    return ExitOk;
}

int RunImport(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    KeyboardSession session;
    if (int result = session.TakeOption(args); result != ExitOk)
        return result;
    if (!TakeOneArgument("import", "FILE", args))
        return ExitUsage;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    InitDocument();
    int exitCode = ExitOk;
    std::optional<std::vector<uint8_t>> file = ReadImportFile(args[0]);
    if (!file) {
        exitCode = ExitInvalidFile;
    } else if (ImportProfileBytes(*file, false) != ImportDone) {
        CtlError("the keyboard did not take " + args[0]);
        exitCode = ExitRefused;
    }
    ShutdownDocuments();
    return exitCode;
}

int RunKeymap(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    KeyboardSession session;
    if (int result = session.TakeOption(args); result != ExitOk)
        return result;
    if (!TakeOneArgument("keymap", "1|2|3", args))
        return ExitUsage;
    std::optional<int> profile = ProfileArgument(args[0]);
    if (!profile) {
        CtlError("the keyboard has profiles 1, 2 and 3, not \"" + args[0] + "\"");
        return ExitUsage;
    }
    if (int result = session.Connect(); result != ExitOk)
        return result;
    const size_t bytes = static_cast<size_t>(keyMapBytes.load());
    std::array<uint8_t, MaxKeyMapBytes> map{};
    if (int32_t result = ReadKeyMap(std::span<uint8_t>(map.data(), bytes), *profile); result != 1) {
        CtlError("the keyboard refused to give the key map (" + std::to_string(result) + ")");
        return ExitRefused;
    }
    const std::array<uint8_t, MaxKeyMapBytes> factory = CopyDefaultKeyMap();
    std::printf("profile %d, %d positions\n", *profile + 1, keyCount.load());
    std::printf("%-4s %-18s %-9s %s\n", "pos", "key", "entry", "does");
    for (int i = 0; i < keyCount.load(); ++i) {
        const KeyMapEntry entry = ReadKeyMapEntry(std::span<const uint8_t>(map.data(), bytes), i);
        const KeyMapEntry own = ReadKeyMapEntry(std::span<const uint8_t>(factory.data(), bytes), i);
        const uint16_t key = DecodeEntry(own);
        const std::string name = key == 0 ? "-" : KeyName(key);
        const std::string does = entry == own ? "its own function" : EntryMeaning(entry);
        std::printf("%-4d %-18s %-9s %s\n", i, name.c_str(), EntryBytes(entry).c_str(), does.c_str());
    }
    return ExitOk;
}

int RunMacros(const std::vector<std::string>& arguments)
{
    std::vector<std::string> args = arguments;
    KeyboardSession session;
    if (int result = session.TakeOption(args); result != ExitOk)
        return result;
    if (!TakeNoArguments("macros", args))
        return ExitUsage;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    std::vector<uint8_t> image;
    if (!ReadImage(image)) {
        CtlError("the keyboard refused to give its macro memory");
        return ExitRefused;
    }
    if (image.size() < MacroImageHeaderSize || ReadU16(image.data(), 0) != MacroImageSignature) {
        std::printf("no macros (the memory holds no macro image)\n");
        return ExitOk;
    }
    std::printf("image: %u of %u bytes, %u macros, %s\n", ReadU16(image.data(), ImageLengthOffset),
                g_app.macroCapacity.load(), ReadU16(image.data(), ImageCountOffset),
                ReadU16(image.data(), ImageNamesFlagOffset) ? "with names" : "without names");
    const std::vector<uint8_t> area = DecodeMacroImage(image);
    for (size_t k = 0; k < area.size() / MacroBlockSize; ++k) {
        ConstMacroBlock macro(area.data() + k * MacroBlockSize);
        std::printf("macro %zu: \"%s\", plays %u time%s, %d events\n", k + 1, macro.Name().c_str(), macro.Cycles(),
                    macro.Cycles() == 1 ? "" : "s", macro.UsableEventCount());
        for (const MacroEvent& event : macro.Events()) {
            std::printf("  %-18s %-4s then %u ms\n", KeyName(event.keyCode).c_str(),
                        event.direction == MacroPressed ? "down" : "up", event.delay);
        }
    }
    return ExitOk;
}
