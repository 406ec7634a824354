#include "base/ProgramPaths.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class ProgramPathsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("rt604-paths-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "prefix" / "bin");
        const char* xdg = std::getenv("XDG_DATA_HOME");
        hadXdg = xdg != nullptr;
        savedXdg = xdg ? xdg : "";
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        saved = g_paths;
    }
    void TearDown() override
    {
        if (hadXdg)
            setenv("XDG_DATA_HOME", savedXdg.c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        g_paths = saved;
        fs::remove_all(dir);
    }

    fs::path dir;
    bool hadXdg = false;
    std::string savedXdg;
    ProgramPaths saved;
};

TEST_F(ProgramPathsTest, InstalledLayoutUsesShareFolder)
{
    std::string bin = (dir / "prefix" / "bin").string();
    ComputeProgramPaths(bin + "/rt604");
    std::string data = (dir / "prefix").string() + "/share/orvan-rt604/";
    const ProgramPaths& p = g_paths;
    EXPECT_EQ(p.programFile, bin + "/rt604");
    EXPECT_EQ(p.programDrive, "");
    EXPECT_EQ(p.programDir, data);
    EXPECT_EQ(p.programFileName, "rt604");
    EXPECT_EQ(p.helpFolder, data + "Help/");
    EXPECT_EQ(p.mainSkinIni, data + "Skins/Main.ini");
    EXPECT_EQ(p.skinFolder, data + "Skins/");
    EXPECT_EQ(p.presetPrefix, data + "Skins/UserDengColor_");
    EXPECT_EQ(p.profileIni, data + "Skins/Profile.ini");
    EXPECT_EQ(p.profileIniFolder, data + "Skins/");
    EXPECT_EQ(p.updateIni, data + "Skins/UpdateDlg.ini");
    EXPECT_EQ(p.updateIniFolder, data + "Skins/");
    EXPECT_EQ(p.packageFolder, data + "Package");
    EXPECT_EQ(p.compositeIni, data + "Skins/Composite.ini");
    EXPECT_EQ(p.compositeIniFolder, data + "Skins/");
    EXPECT_EQ(p.residentProgram, bin + "/Tarnwick");
    EXPECT_EQ(p.userFolder, (dir / "data").string() + "/Orvan RT-604");
    EXPECT_EQ(p.userIni, p.userFolder + "/wskb.ini");
    EXPECT_EQ(p.userPresetPrefix, p.userFolder + "/UserDengColor_");
    EXPECT_EQ(p.linkAddress, DefaultLinkAddress);
}

TEST_F(ProgramPathsTest, BuildTreeUsesProgramFolderWhenItHoldsData)
{
    std::string bin = (dir / "prefix" / "bin").string();
    // Either marker is enough.
    for (const char* marker : {"Skins", "Lang0409.ini"}) {
        fs::remove_all(dir / "prefix" / "bin");
        fs::create_directories(dir / "prefix" / "bin");
        if (std::string(marker) == "Skins")
            fs::create_directories(dir / "prefix" / "bin" / "Skins");
        else
            std::ofstream(dir / "prefix" / "bin" / marker) << "[TEXT]\n";
        ComputeProgramPaths(bin + "/rt604");
        EXPECT_EQ(g_paths.programDir, bin + "/") << marker;
        EXPECT_EQ(g_paths.mainSkinIni, bin + "/Skins/Main.ini") << marker;
    }
}

TEST_F(ProgramPathsTest, UserFolderFallsBackToHome)
{
    unsetenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (!home || !home[0])
        GTEST_SKIP() << "no HOME";
    EXPECT_EQ(DefaultUserFolder(), std::string(home) + "/.local/share/Orvan RT-604");
    setenv("XDG_DATA_HOME", (dir / "d" / "").c_str(), 1);
    EXPECT_EQ(DefaultUserFolder(), (dir / "d").string() + "/Orvan RT-604");
}

TEST_F(ProgramPathsTest, WithoutHomeTheUserFolderIsInThePasswordDatabasesHome)
{
    const passwd* entry = ::getpwuid(::getuid());
    if (!entry || !entry->pw_dir || entry->pw_dir[0] != '/' || std::string(entry->pw_dir) == "/")
        GTEST_SKIP() << "this user has no home of its own in the password database";
    unsetenv("XDG_DATA_HOME");
    ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ(DefaultUserFolder(), std::string(entry->pw_dir) + "/.local/share/Orvan RT-604");
}

TEST_F(ProgramPathsTest, RunningProgramIsThisTest)
{
    std::string self = RunningProgramFile();
    ASSERT_FALSE(self.empty());
    EXPECT_EQ(fs::path(self).filename(), "test_base");
    EXPECT_TRUE(fs::exists(self));
}

TEST_F(ProgramPathsTest, TestOverridePointsEverythingAtTheGivenFolders)
{
    SetProgramPathsForTests((dir / "x").string(), (dir / "u").string());
    EXPECT_EQ(g_paths.programDir, (dir / "x").string() + "/");
    EXPECT_EQ(g_paths.mainSkinIni, (dir / "x").string() + "/Skins/Main.ini");
    EXPECT_EQ(g_paths.userIni, (dir / "u").string() + "/wskb.ini");
}

} // namespace
