// Saves the window makes by itself that fail reach the owner as one message
// through the prompts, carried to the showing thread, not only to stderr.
#include "device/virtual/SaveFailureNotice.h"
#include "config/DocumentTestSupport.h"
#include "device/virtual/VirtualKeyboard.h"
#include "device/virtual/VirtualKeyboardStateFile.h"
#include "platform/FileLock.h"
#include "platform/SettingsStore.h"
#include "support/HostilePaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

namespace {

namespace fs = std::filesystem;

class SaveFailureNoticeTest : public DocumentFixture {
protected:
    void SetUp() override
    {
        DocumentFixture::SetUp();
        TellSaveFailuresThrough([this](std::function<void()> work) { posted.push_back(std::move(work)); });
    }
    void TearDown() override
    {
        StopTellingSaveFailures();
        DocumentFixture::TearDown();
    }
    // What the user-interface thread does with what was posted.
    void RunPosted()
    {
        std::vector<std::function<void()>> work;
        work.swap(posted);
        for (auto& w : work)
            w();
    }

    std::vector<std::function<void()>> posted;
};

// A click that changes a setting (the window ignores the write's result)
// on a settings file that cannot be replaced: one message for many clicks,
// and again once a save worked in between.
TEST_F(SaveFailureNoticeTest, ASettingThatCannotBeSavedIsToldOnce)
{
    SettingsStore& app = AppSettings();
    ASSERT_TRUE(app.SetString("PROFILES", "Flip", "0"));
    const std::string lock = FileUpdateLock::LockPathFor(app.Path());
    fs::remove(lock);
    fs::create_directory(lock); // no write gets past this, even as root
    for (int click = 0; click < 5; ++click)
        app.SetString("PROFILES", "Flip", click % 2 ? "0" : "1");
    app.SetDword("AUTO_PROFILES", "Enabled", 0);
    // Posted, not shown from inside the failing save.
    EXPECT_TRUE(prompts.messages.empty());
    RunPosted();
    const std::string reason = " (is a folder, not a file)";
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Not saved: " + app.Path() + reason});

    fs::remove(lock);
    ASSERT_TRUE(app.SetString("PROFILES", "Flip", "1"));
    fs::remove(lock);
    fs::create_directory(lock);
    app.SetString("PROFILES", "Flip", "0");
    RunPosted();
    EXPECT_EQ(prompts.messages.size(), 2u);
    EXPECT_EQ(app.GetString("PROFILES", "Flip"), "1");
}

// The virtual keyboard refuses a change its state file cannot keep; the
// window says why, once, naming the file once.
TEST_F(SaveFailureNoticeTest, AVirtualKeyboardStateThatCannotBeSavedIsTold)
{
    const std::string stateFile = Path("kb.state");
    std::string error;
    std::unique_ptr<VirtualKeyboard> keyboard = OpenVirtualKeyboard(stateFile, VirtualKeyboardOptions{}, error);
    ASSERT_TRUE(keyboard) << error;
    TellStateFileProblems(*keyboard, stateFile);
    const KeyboardMemories before = keyboard->Memories();
    {
        ScopedFileSizeLimit full(1024);
        keyboard->ChangeLightingOnKeyboard();
        keyboard->ChangeLightingOnKeyboard();
    }
    RunPosted();
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Not saved: " + stateFile
                                                         + " (the virtual keyboard's state cannot be saved: "
                                                           "File too large)"});
    EXPECT_EQ(keyboard->Memories(), before);
}

} // namespace
