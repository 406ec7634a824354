#pragma once

#include "device/protocol/DeviceState.h"
#include "base/MainWindowLink.h"
#include "base/ProgramPaths.h"
#include "base/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "config/ProfileFile.h"
#include "macro/MacroBlock.h"
#include "platform/AtomicFile.h"
#include "platform/SettingsStore.h"
#include "state/ProcessState.h"
#include "text/LanguageTexts.h"

#include "support/RecordingPrompts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

// A temporary data folder with a small English language file, the settings
// store and the user folder inside it, recording prompts, a headless main
// window and a fresh default document with profile 0 current.
// A document that uses everything a file can carry.
inline void FillDocumentWithEverySlotKind()
{
    DocumentLock lock;
    ConfigBlock& block = *g_configDoc.block;
    for (int group = 0; group < 4; ++group) {
        const int base = group * SlotsPerGroup;
        KeySlot key;
        key.SetType(2);
        key.SetValue(30 + group);
        key.bytes[8] = 1;         // carried fields
        key.bytes[12] = 0x5A;
        WriteKeySlot(block, base + 1, key);
        SetSlotType(block, base + 2, 7);
        SetSlotValue(block, base + 2, 5);
        SetSlotType(block, base + 3, 8);
        SetSlotValue(block, base + 3, 2);
        SetSlotType(block, base + 256, 4);
        SetSlotIdentity(block, base + 256, 3);
        SetSlotValue(block, base + 256, 2);
        SetSlotType(block, base + 4, 1);
    }
}

class DocumentFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path()
            / ("rt604-doc-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ResetProcessStateForTests();
        ::setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
        SetProgramPathsForTests(dir.string(), (dir / "user" / "Orvan RT-604").string());
        SetSettingsFolderForTests((dir / "cfg").string());
        SetLanguageIndex(0);
        std::ofstream(dir / "Lang0409.ini", std::ios::binary | std::ios::trunc)
            << "[TEXT]\n"
               "PROFILE_FORMAT_ERROR=Bad profile: %s!\n"
               "MAIN_PROMPT_SAVE_FAILED=Not saved: %s\n"
               "KEY_PROMPT_SET=\" [set]\"\n"
               "KEY_PROMPT_SINGLE=\" key (\"\n"
               "KEY_PROMPT_MACRO=\" macro (\"\n"
               "KEY_PROMPT_MEDIA=\" media (\"\n"
               "KEY_PROMPT_FUNCTION=\" function (\"\n"
               "FUNC_KEY_DESC1=Lock Win\n"
               "FUNC_KEY_DESC3=Third function\n"
               "UNKNOWN_KEY=Key %d\n"
               "IDS_KEYBOARD_ESC=Esc\n"
               "IDS_KEYBOARD_A=A\n"
               "MACRO_NEW_PREFIX=Macro\n"
               "MACRO_ERR_MAX=At most %d macros.\n"
               "MACRO_ACTION_ERR_DELAY_MAX=At most %d ms.\n"
               "MACRO_DELETE_CONFIRM_OF_KEYS=Keys use it. Delete?\n"
               "MACRO_ACTION_CLEAR_CONFIRM=Clear all events?\n";
        SetPrompts(&prompts);
        SetMainWindowLink(&window);
        g_currentProfile = 0;
        InitDocument();
    }
    void TearDown() override
    {
        ResetProcessStateForTests();
        std::filesystem::remove_all(dir);
    }

    std::string Path(const std::string& name) const { return (dir / name).string(); }

    static std::vector<uint8_t> ReadBytes(const std::string& path)
    {
        std::string text;
        if (!ReadWholeFile(path, text, uint64_t{1} << 32))
            return {};
        return std::vector<uint8_t>(text.begin(), text.end());
    }
    static bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        return WriteFileAtomically(path, std::span<const uint8_t>(bytes));
    }

    // Appends a macro to the document (caller need not hold the lock).
    static void AddMacro(uint16_t id, const std::u16string& name, std::vector<MacroEvent> events = {})
    {
        DocumentLock lock;
        g_configDoc.macros.resize(g_configDoc.macros.size() + MacroBlockSize);
        MacroBlock macro(g_configDoc.macros.data() + size_t{g_configDoc.macroCount} * MacroBlockSize);
        macro.SetName16(name);
        macro.SetCycles(1);
        macro.SetMacroId(id);
        macro.SetEvents(events);
        ++g_configDoc.macroCount;
    }
    // Gives slot a string and type (3 or 6), keeping the invariant.
    static void SetString(int slot, uint16_t type, const std::u16string& text)
    {
        DocumentLock lock;
        StringEntry& entry = g_configDoc.strings[static_cast<size_t>(slot)];
        g_configDoc.stringBytes -= entry.length;
        entry.text = text;
        entry.length = static_cast<uint32_t>((text.size() + 1) * 2);
        g_configDoc.stringBytes += entry.length;
        SetSlotType(*g_configDoc.block, slot, type);
    }

    std::filesystem::path dir;
    RecordingPrompts prompts;
    HeadlessMainWindow window;
};
