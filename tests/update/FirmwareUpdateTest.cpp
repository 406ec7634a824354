// The firmware update's work without its window: choosing the updater,
// starting it against the virtual keyboard with a stand-in launcher, and the
// messages' texts.

#include "support/ConnectedKeyboard.h"
#include "support/LiteralFrames.h"

#include "update/FirmwareUpdate.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class RecordingLauncher : public UpdaterLauncher {
public:
    bool CanStart(const std::string& path) override
    {
        asked.push_back(path);
        return canStart;
    }
    bool Start(const std::string& path) override
    {
        started.push_back(path);
        return startWorks;
    }

    bool canStart = true;
    bool startWorks = true;
    std::vector<std::string> asked;
    std::vector<std::string> started;
};

class FirmwareUpdateTest : public ConnectedKeyboardTest {
protected:
    void SetUp() override
    {
        ConnectedKeyboardTest::SetUp();
        savedFolder = fs::current_path();
        SetUpdaterPath(std::string());
    }

    void TearDown() override
    {
        SetUpdaterPath(std::string());
        fs::current_path(savedFolder);
        ConnectedKeyboardTest::TearDown();
    }

    size_t LoaderFrames() const
    {
        const LiteralFrame loader = Literal({0x04, 0x00, 0x00, 0xEE, 0xEE});
        size_t count = 0;
        for (const Frame& frame : kb->Requests())
            count += std::equal(loader.begin(), loader.end(), frame.begin()) ? 1 : 0;
        return count;
    }

    fs::path savedFolder;
};

struct UpdateCase {
    const char* name;
    const char* file; // "": nothing chosen; "missing", "folder" or "updater" in the test's folder
    bool canStart;
    bool startWorks;
    bool unplugged;
    UpdateOutcome outcome;
    bool loaderSent;
    const char* message; // nullptr: nothing said
    bool namesFile;
    MessageStyle style;
    bool choiceKept;
};

class StartUpdateTest : public FirmwareUpdateTest, public ::testing::WithParamInterface<UpdateCase> {};

// Every way an update ends: whether the loader frame went out, whether the
// updater was started, what the owner is told, and whether the choice is
// used up.
TEST_P(StartUpdateTest, EndsAsTheFileTheLauncherAndTheKeyboardAllow)
{
    const UpdateCase& c = GetParam();
    const std::string file = c.file;
    std::string path;
    if (!file.empty())
        path = Path(file);
    if (file == "folder")
        fs::create_directory(path);
    if (file == "updater")
        std::ofstream(path) << "#!/bin/sh\n";
    SetUpdaterPath(path);
    if (c.unplugged)
        Disconnect();
    RecordingLauncher launcher;
    launcher.canStart = c.canStart;
    launcher.startWorks = c.startWorks;

    EXPECT_EQ(StartUpdate(launcher), c.outcome);

    EXPECT_EQ(LoaderFrames(), c.loaderSent ? 1u : 0u);
    EXPECT_EQ(kb->InLoader(), c.loaderSent);
    EXPECT_EQ(launcher.started, c.loaderSent ? std::vector<std::string>{path} : std::vector<std::string>{});
    if (c.message) {
        ASSERT_EQ(prompts.messages.size(), 1u);
        EXPECT_EQ(prompts.messages[0], FormatText(LoadText(c.message), c.namesFile ? path : std::string()));
        EXPECT_EQ(prompts.styles[0], c.style);
    } else {
        EXPECT_TRUE(prompts.messages.empty());
    }
    EXPECT_EQ(UpdaterPath(), c.choiceKept ? path : std::string());
}

constexpr MessageStyle Normal = MessageStyle::Normal;
constexpr MessageStyle Topmost = MessageStyle::Topmost;

INSTANTIATE_TEST_SUITE_P(Cases, StartUpdateTest, ::testing::Values(
    UpdateCase{"NothingChosen", "", true, true, false, UpdateOutcome::WrongFile, false, "UPDATE_WRONG_FILE", false, Normal, true},
    UpdateCase{"MissingFile", "missing", true, true, false, UpdateOutcome::WrongFile, false, "UPDATE_WRONG_FILE", false, Normal, true},
    UpdateCase{"AFolder", "folder", true, true, false, UpdateOutcome::WrongFile, false, "UPDATE_WRONG_FILE", false, Normal, true},
    UpdateCase{"NothingStartsIt", "updater", false, true, false, UpdateOutcome::NotStartable, false, "UPDATE_NO_HANDLER", true, Normal, true},
    UpdateCase{"NoKeyboard", "updater", true, true, true, UpdateOutcome::NoLoader, false, "UPDATE_NO_LOADER", false, Topmost, true},
    UpdateCase{"StartFails", "updater", true, false, false, UpdateOutcome::StartFailed, true, "UPDATE_START_FAILED", true, Topmost, false},
    UpdateCase{"Started", "updater", true, true, false, UpdateOutcome::Started, true, nullptr, false, Normal, false}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return std::string(info.param.name); });

// Open: whatever the file dialog's outcome, relative names resolve in the
// package folder afterwards; a package folder that does not exist leaves the
// current folder as it was.
TEST_F(FirmwareUpdateTest, ChoosingTheUpdaterMovesIntoThePackageFolderWhenThereIsOne)
{
    const fs::path package = dir / "Package";
    fs::create_directory(package);
    g_paths.packageFolder = package.string();
    for (const std::optional<std::string>& chosen : {std::optional<std::string>(), std::optional<std::string>("u")}) {
        fs::current_path(fs::temp_directory_path());
        prompts.openPath = chosen;
        EXPECT_EQ(ChooseUpdater(), chosen.has_value());
        EXPECT_EQ(UpdaterPath(), chosen.value_or(std::string()));
        EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(package));
        ASSERT_FALSE(prompts.choices.empty());
        EXPECT_EQ(prompts.choices.back().initialName, package.string());
    }

    g_paths.packageFolder = (dir / "NoSuchPackage").string();
    fs::current_path(fs::temp_directory_path());
    prompts.openPath = "u";
    EXPECT_TRUE(ChooseUpdater());
    EXPECT_EQ(fs::canonical(fs::current_path()), fs::canonical(fs::temp_directory_path()));
}

// Language files from before these messages had keys show the fixed texts
// they were made for; the current ones have English and Russian texts.
TEST_F(FirmwareUpdateTest, MessagesFallBackToTheFixedTextsOfOlderLanguageFiles)
{
    const struct {
        UpdateText text;
        const char* key;
        const char* fixed;
    } messages[] = {
        {UpdateText::WrongFile, "UPDATE_WRONG_FILE", "请选择正确的更新文件! "},
        {UpdateText::NoLoader, "UPDATE_NO_LOADER", "无法进入Boot模式! "},
        {UpdateText::StartFailed, "UPDATE_START_FAILED", "无法执行更新文件! "},
        {UpdateText::NotStartable, "UPDATE_NO_HANDLER", "无法执行更新文件! "},
        {UpdateText::BackupDone, "UPDATE_BACKUP_DONE", "备份成功!"},
        {UpdateText::BackupFailed, "UPDATE_BACKUP_FAILED", "备份失败,请重新备份!"},
    };
    for (const auto& m : messages) {
        SCOPED_TRACE(m.key);
        SetLanguageIndex(0);
        EXPECT_EQ(UpdateMessage(m.text), LoadText(m.key, 0));
        SetLanguageIndex(1);
        EXPECT_EQ(UpdateMessage(m.text), LoadText(m.key, 1));
        EXPECT_NE(LoadText(m.key, 0), LoadText(m.key, 1));
    }
    SetLanguageIndex(0);

    const fs::path data = dir / "old-data";
    fs::create_directories(data);
    std::ofstream(data / "Lang0409.ini") << "[TEXT]\nMAIN_CAPTION=Orvan RT-604\n";
    SetProgramPathsForTests(data.string(), g_paths.userFolder);
    for (const auto& m : messages)
        EXPECT_EQ(UpdateMessage(m.text), m.fixed) << m.key;
}

} // namespace
