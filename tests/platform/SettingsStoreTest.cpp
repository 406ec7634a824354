#include "platform/SettingsStore.h"

#include "platform/FileAccess.h"
#include "platform/FileLock.h"
#include "platform/PrivateProfile.h"
#include "platform/SaveReport.h"

#include "support/SettingsFolderTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class SettingsStoreTest : public SettingsFolderTest {
protected:
    SettingsStoreTest() : SettingsFolderTest("rt604-settings-") {}
};

TEST_F(SettingsStoreTest, KeepsTypesApart)
{
    SettingsStore& user = UserKey();
    EXPECT_FALSE(user.GetDword("dwLanguageId"));
    EXPECT_FALSE(user.Has("Software\\Orvan RT-604", "dwLanguageId"));

    ASSERT_TRUE(user.SetDword("dwLanguageId", 0x0419));
    EXPECT_EQ(user.GetDword("dwLanguageId"), 0x0419u);
    EXPECT_FALSE(user.GetString("dwLanguageId"));

    ASSERT_TRUE(user.SetString("dwLanguageId", "1049"));
    EXPECT_FALSE(user.GetDword("dwLanguageId"));
    EXPECT_EQ(user.GetString("dwLanguageId"), "1049");
    EXPECT_TRUE(user.Has("Software\\Orvan RT-604", "dwLanguageId"));
}

TEST_F(SettingsStoreTest, StringsThatLookTypedStayStrings)
{
    SettingsStore& app = AppSettings();
    const char* values[] = {"dword:0000040d", "sz:x", "sz:", "", "  spaced  ", "C:\\profiles\\a.vpf", "Привет"};
    for (const char* v : values) {
        ASSERT_TRUE(app.SetString("PROFILES", "PROFILE00", v)) << v;
        EXPECT_EQ(app.GetString("PROFILES", "PROFILE00"), v);
        EXPECT_FALSE(app.GetDword("PROFILES", "PROFILE00")) << v;
    }
}

TEST_F(SettingsStoreTest, DwordRangeAndDamagedValues)
{
    SettingsStore& app = AppSettings();
    for (uint32_t v : {0u, 1u, 5u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        ASSERT_TRUE(app.SetDword("PROFILES", "Flip", v));
        EXPECT_EQ(app.GetDword("PROFILES", "Flip"), v);
    }
    // Values edited by hand into something that is not a DWORD.
    struct Case {
        const char* raw;
        bool isDword;
    } cases[] = {{"dword:", false}, {"dword:123456789", false}, {"dword:xyz", false}, {"dword:00000005", true},
                 {"dword:5", true}, {"5", false}};
    for (const Case& c : cases) {
        std::ofstream(app.Path(), std::ios::trunc) << "[PROFILES]\nFlip=" << c.raw << "\n";
        IniCache::Instance().Invalidate(app.Path());
        EXPECT_EQ(app.GetDword("PROFILES", "Flip").has_value(), c.isDword) << c.raw;
    }
}

TEST_F(SettingsStoreTest, PlacesLiveInTheirOwnFiles)
{
    ASSERT_TRUE(AppSettings().SetDword("PROFILES", "Flip", 3));
    ASSERT_TRUE(UserKey().SetDword("dwLanguageId", 1033));
    EXPECT_EQ(AppSettings().Path(), (dir / "cfg" / "settings.ini").string());
    EXPECT_EQ(UserKey().Path(), (dir / "cfg" / "user.ini").string());
    EXPECT_FALSE(UserKey().GetDword("PROFILES", "Flip"));
    EXPECT_FALSE(AppSettings().GetDword("dwLanguageId"));
    EXPECT_TRUE(fs::exists(dir / "cfg" / "settings.ini"));
}

TEST_F(SettingsStoreTest, FolderFollowsXdgConfigHome)
{
    SetSettingsFolderForTests("");
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    std::string saved = oldXdg ? oldXdg : "";
    setenv("XDG_CONFIG_HOME", (dir / "xdg").c_str(), 1);
    EXPECT_EQ(SettingsFolder(), (dir / "xdg").string() + "/orvan-rt604/");
    ASSERT_TRUE(UserKey().SetDword("dwLanguageId", 1049));
    EXPECT_TRUE(fs::exists(dir / "xdg" / "orvan-rt604" / "user.ini"));

    setenv("XDG_CONFIG_HOME", "relative/path", 1); // invalid by the rules: ignored
    const char* home = std::getenv("HOME");
    if (home && home[0]) {
        EXPECT_EQ(SettingsFolder(), std::string(home) + "/.config/orvan-rt604/");
    }

    if (oldXdg)
        setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST_F(SettingsStoreTest, UnwritableFolderFailsWithoutCrashing)
{
    fs::create_directories(dir);
    std::ofstream(dir / "file") << "x";
    SetSettingsFolderForTests((dir / "file" / "sub").string());
    EXPECT_FALSE(UserKey().SetDword("dwLanguageId", 1));
    EXPECT_FALSE(UserKey().GetDword("dwLanguageId"));
}

// A settings write nobody checks (a click on the window) tells the owner;
// a full disk must not bring one message per click, and a write whose caller
// asks for the reason is the caller's to tell.
TEST_F(SettingsStoreTest, AFailedWriteIsToldOnceUntilAWriteWorksAgain)
{
    std::vector<std::string> told;
    const SaveFailureHandler previous =
        SetSaveFailureHandler([&](const std::string& path, const std::string& reason) { told.push_back(path + ": " + reason); });
    SettingsStore& app = AppSettings();
    ASSERT_TRUE(app.SetString("PROFILES", "Flip", "0"));
    // A folder under the lock file's name fails every write, even as root.
    const std::string blocker = FileUpdateLock::LockPathFor(app.Path());
    fs::remove(blocker);
    fs::create_directory(blocker);
    EXPECT_FALSE(app.SetString("PROFILES", "Flip", "1"));
    EXPECT_FALSE(app.SetDword("PROFILES", "n", 2));
    int error = 0;
    EXPECT_FALSE(app.SetStrings("PROFILES", {{"a", "b"}}, &error));
    EXPECT_EQ(error, EISDIR);
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], app.Path() + ": " + FileErrorText(EISDIR));
    EXPECT_EQ(app.GetString("PROFILES", "Flip"), "0");

    fs::remove(blocker);
    EXPECT_TRUE(app.SetString("PROFILES", "Flip", "1"));
    fs::remove(blocker);
    fs::create_directory(blocker);
    EXPECT_FALSE(app.SetString("PROFILES", "Flip", "0"));
    EXPECT_EQ(told.size(), 2u);
    SetSaveFailureHandler(previous);
}

} // namespace
