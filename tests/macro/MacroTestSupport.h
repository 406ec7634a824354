#pragma once

#include "app/AppState.h"
#include "app/MainWindowLink.h"
#include "app/ProgramPaths.h"
#include "app/UserPrompts.h"
#include "config/ConfigDocument.h"
#include "macro/MacroBlock.h"
#include "platform/SettingsStore.h"
#include "skin/LanguageTexts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

// Records what the core tells or asks the user and answers with `answer`.
class RecordingPrompts : public UserPrompts {
public:
    void ShowMessage(const std::string& text, MessageStyle) override { messages.push_back(text); }
    bool AskYesNo(const std::string& text) override
    {
        questions.push_back(text);
        return answer;
    }
    std::optional<std::string> ChooseOpenFile(const FileChoice&) override { return std::nullopt; }
    std::optional<std::string> ChooseSaveFile(const FileChoice&) override { return std::nullopt; }

    bool answer = false;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
};

// A temporary data folder with a small English language file, recording
// prompts, a headless main window and a fresh default document.
class MacroFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        dir = fs::temp_directory_path()
            / ("rt604-macro-" + std::to_string(::getpid()) + "-"
               + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        savedPaths = g_paths;
        SetProgramPathsForTests(dir.string(), (dir / "user").string());
        SetSettingsFolderForTests((dir / "cfg").string());
        SetLanguageIndex(0);
        std::ofstream(dir / "Lang0409.ini", std::ios::binary | std::ios::trunc)
            << "[TEXT]\n"
               "MACRO_NEW_PREFIX=Macro\n"
               "MACRO_ERR_MAX=At most %d macros.\n"
               "MACRO_ACTION_ERR_DELAY_MAX=At most %d ms.\n"
               "MACRO_DELETE_CONFIRM_OF_KEYS=Keys use it. Delete?\n"
               "MACRO_ACTION_CLEAR_CONFIRM=Clear all events?\n";
        SetPrompts(&prompts);
        SetMainWindowLink(&window);
        g_app.currentProfile = 0;
        InitDocument();
    }
    void TearDown() override
    {
        ShutdownDocuments();
        g_app.currentProfile = -1;
        SetMainWindowLink(nullptr);
        SetPrompts(nullptr);
        SetSettingsFolderForTests("");
        g_paths = savedPaths;
        std::filesystem::remove_all(dir);
    }

    std::filesystem::path dir;
    ProgramPaths savedPaths;
    RecordingPrompts prompts;
    HeadlessMainWindow window;
};

inline MacroCopy MakeMacro(uint16_t id, const std::string& name, std::vector<MacroEvent> events = {},
                           uint8_t cycles = 1, uint16_t newFlag = 0)
{
    MacroCopy copy;
    MacroBlock block = copy.View();
    block.SetName(name);
    block.SetMacroId(id);
    block.SetCycles(cycles);
    block.SetNewFlag(newFlag);
    block.SetEvents(events);
    return copy;
}

// Whole blocks back to back, as the document and the device copy hold them.
inline std::vector<uint8_t> MacroArea(const std::vector<MacroCopy>& macros)
{
    std::vector<uint8_t> area;
    for (const MacroCopy& copy : macros)
        area.insert(area.end(), copy.bytes.begin(), copy.bytes.end());
    return area;
}
