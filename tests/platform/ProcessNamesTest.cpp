#include "platform/ActiveWindow.h"

#include "platform/AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TEST(ProcessNames, ARunningProcessGivesItsProgramAndCommand)
{
    const ProcessNames self = ReadProcessNames(static_cast<uint32_t>(::getpid()));
    EXPECT_EQ(self.executable, "test_platform");
    EXPECT_EQ(self.command, "test_platform");
}

TEST(ProcessNames, OddEntriesOfProcAreReadSafely)
{
    const fs::path root = fs::temp_directory_path() / ("rt604-proc-" + std::to_string(::getpid()));
    fs::remove_all(root);
    // A program replaced on disk while it runs, a wine game whose command
    // differs from its program, and a process that hides its program.
    fs::create_directories(root / "100");
    fs::create_symlink("/opt/games/bin/game (deleted)", root / "100" / "exe");
    ASSERT_TRUE(WriteFileAtomically((root / "100" / "comm").string(), std::string("Game.exe\n")));
    fs::create_directories(root / "200");
    ASSERT_TRUE(WriteFileAtomically((root / "200" / "comm").string(), std::string("secret\n")));
    fs::create_directories(root / "300");
    fs::create_symlink("/", root / "300" / "exe");

    const struct {
        uint32_t pid;
        const char* executable;
        const char* command;
    } cases[] = {
        {100, "game", "Game.exe"},
        {200, "", "secret"},
        {300, "", ""},
        {400, "", ""}, // ended
        {0, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pid);
        const ProcessNames names = ReadProcessNames(c.pid, root.string());
        EXPECT_EQ(names.executable, c.executable);
        EXPECT_EQ(names.command, c.command);
    }
    fs::remove_all(root);
}

TEST(ProcessNames, TheNameAnOwnerWouldWriteIsTheMostTellingOne)
{
    WindowIdentity w;
    EXPECT_EQ(w.PreferredName(), "");
    w.command = "Game.exe";
    EXPECT_EQ(w.PreferredName(), "Game.exe");
    w.executable = "wine64-preloader";
    EXPECT_EQ(w.PreferredName(), "wine64-preloader");
    w.instance = "game.exe";
    EXPECT_EQ(w.PreferredName(), "game.exe");
    w.windowClass = "Game.exe";
    EXPECT_EQ(w.PreferredName(), "Game.exe");
}

} // namespace
