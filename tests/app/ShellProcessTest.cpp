// The built program, started as an owner starts it (offscreen, on the
// virtual keyboard, in folders of the test's own), watched through its event
// log (RT604_EVENT_LOG) and its exit codes.
#include "ShellProcessFixture.h"

#include "platform/SingleInstance.h"

TEST_F(ShellProcessTest, HelpDescribesTheCommandLine)
{
    const pid_t pid = Start("help", {"--help"});
    EXPECT_EQ(WaitExit(pid), 0);
    std::ifstream in(dir_ / "help.out");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char* word : {"/Start", "/Kill", "--virtual-keyboard"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
    EXPECT_FALSE(Has("help", "initialised"));
}

// No notification area offscreen: the program runs without an icon, and a
// second start is the way to its window.
TEST_F(ShellProcessTest, SecondStartOpensTheFirstWindowAndEndsWithZero)
{
    const pid_t first = StartResident("first");
    EXPECT_TRUE(Has("first", "tray-unavailable"));
    EXPECT_FALSE(Has("first", "window-shown")); // "/Start": stays hidden with the keyboard present

    const pid_t second = Start("second", {VirtualKeyboard()});
    EXPECT_EQ(WaitExit(second), 0);
    EXPECT_TRUE(Has("second", "open-sent"));
    EXPECT_FALSE(Has("second", "initialised")); // no second window, no second icon
    ASSERT_TRUE(WaitFor("first", "window-shown"));
    EXPECT_LT(IndexOf("first", "message OPEN"), IndexOf("first", "window-shown"));
    EXPECT_EQ(WaitExit(first, 300ms), -1); // still running

    ::kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first), 0);
}

TEST_F(ShellProcessTest, WithTheKeyboardPresentTheWindowOpensOnceByItself)
{
    const pid_t pid = Start("auto", {VirtualKeyboard()});
    ASSERT_TRUE(WaitFor("auto", "window-shown"));
    EXPECT_LT(IndexOf("auto", "tray-icon 141"), IndexOf("auto", "window-shown"));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid), 0);
}

TEST_F(ShellProcessTest, KillEndsTheRunningInstanceInItsShutdownOrder)
{
    const std::vector<std::vector<std::string>> cases = {{"/Kill"}, {"/kill"}, {"/Start", "/KILL"}};
    int round = 0;
    for (const auto& args : cases) {
        SCOPED_TRACE(args.back());
        const std::string name = "resident" + std::to_string(round);
        const std::string killer = "killer" + std::to_string(round++);
        const pid_t resident = StartResident(name);
        const pid_t kill = Start(killer, args);
        EXPECT_EQ(WaitExit(kill), 0);
        EXPECT_TRUE(Has(killer, "kill-sent"));
        EXPECT_FALSE(Has(killer, "initialised"));
        EXPECT_EQ(WaitExit(resident), 0);

        const std::vector<std::string> order = {"message KILL", "exit-program", "subwindows-closed",
                                                "instance-released", "tray-removed", "documents-freed",
                                                "dialog-ended", "device-threads-stopped", "exit"};
        long previous = -1;
        for (const std::string& step : order) {
            const long at = IndexOf(name, step);
            EXPECT_GT(at, previous) << step;
            previous = at;
        }
        EXPECT_EQ(Lines(name).back(), "exit");
    }
}

TEST_F(ShellProcessTest, KillWithNoInstanceRunningStartsTheProgram)
{
    const pid_t pid = Start("alone", {"/Kill", VirtualKeyboard()});
    ASSERT_TRUE(WaitFor("alone", "initialised"));
    EXPECT_FALSE(Has("alone", "kill-sent"));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid), 0);
    EXPECT_TRUE(Has("alone", "device-threads-stopped"));
}

// A lock file left behind by a crash holds nothing: the start owns the lock
// and a later start finds it.
TEST_F(ShellProcessTest, StaleLockDoesNotStopAStart)
{
    fs::create_directories(RuntimeFolder());
    std::ofstream(RuntimeFolder() + "/QM40T17B.lock") << "stale";
    std::ofstream(RuntimeFolder() + "/QM40T17B-999999") << "not a socket";
    const pid_t first = StartResident("first");
    EXPECT_FALSE(Has("first", "lock-held-elsewhere"));
    const pid_t second = Start("second", {"/Start", VirtualKeyboard()});
    EXPECT_EQ(WaitExit(second), 0);
    EXPECT_TRUE(Has("second", "open-sent"));
    ::kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first), 0);
}

// The lock taken by something that is not this program (as a mutex of that
// name might exist on another system): the program runs without owning it.
TEST_F(ShellProcessTest, LockHeldByAnotherProgramDoesNotStopAStart)
{
    fs::create_directories(RuntimeFolder());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t holder = ::fork();
    if (holder == 0) {
        const int fd = ::open((RuntimeFolder() + "/QM40T17B.lock").c_str(), O_RDWR | O_CREAT, 0600);
        ::flock(fd, LOCK_EX);
        [[maybe_unused]] ssize_t w = ::write(ready[1], "x", 1);
        ::pause();
        ::_exit(0);
    }
    running_.push_back(holder);
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    const pid_t pid = StartResident("program");
    EXPECT_TRUE(Has("program", "lock-held-elsewhere"));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid), 0);
    ::close(ready[0]);
    ::close(ready[1]);
}

// A copy under another file name is another program; the companion program
// beside it is started.
TEST_F(ShellProcessTest, CopyUnderAnotherNameIsAnotherProgram)
{
    const fs::path copyDir = dir_ / "copy";
    fs::create_directories(copyDir);
    fs::copy_file(ProgramPath, copyDir / "rt604-copy");
    for (const char* data : {"Skins", "Help", "Lang0409.ini", "Lang0419.ini"})
        fs::create_symlink(fs::path(RT604_DATA_DIR) / data, copyDir / data);
    const fs::path marker = dir_ / "companion-ran";
    {
        std::ofstream companion(copyDir / "Tarnwick");
        companion << "#!/bin/sh\necho started > '" << marker.string() << "'\n";
    }
    fs::permissions(copyDir / "Tarnwick", fs::perms::owner_all);

    const pid_t original = StartResident("original");
    EXPECT_FALSE(Has("original", "companion-started")); // none beside the original: nothing changes
    const pid_t copy = Start("copy", {"/Start", VirtualKeyboard() + "-copy"}, (copyDir / "rt604-copy").string());
    ASSERT_TRUE(WaitFor("copy", "initialised"));
    EXPECT_TRUE(Has("copy", "lock-held-elsewhere"));
    EXPECT_FALSE(Has("copy", "open-sent"));
    EXPECT_TRUE(Has("copy", "companion-started"));
    const auto end = std::chrono::steady_clock::now() + Patience;
    while (!fs::exists(marker) && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(fs::exists(marker));
    EXPECT_FALSE(Has("original", "message OPEN"));

    // "/Kill" from the copy ends the copy's other instance only.
    const pid_t killer = Start("killer", {"/Kill"}, (copyDir / "rt604-copy").string());
    EXPECT_EQ(WaitExit(killer), 0);
    EXPECT_EQ(WaitExit(copy), 0);
    EXPECT_EQ(WaitExit(original, 300ms), -1);
    ::kill(original, SIGTERM);
    EXPECT_EQ(WaitExit(original), 0);
}

TEST_F(ShellProcessTest, MessagesWithWrongTagsAreIgnored)
{
    const pid_t pid = StartResident("resident");
    const std::string endpoint = RuntimeFolder() + "/QM40T17B-" + std::to_string(pid);
    EXPECT_EQ(SendRaw(endpoint, 0x5350, 0x4C4C494B), 0); // OPEN with KILL's tag
    EXPECT_EQ(SendRaw(endpoint, 0x4D4B, 0x4F50454E), 0); // KILL with OPEN's tag
    EXPECT_EQ(SendRaw(endpoint, 0x4D4B, 0), 0);
    EXPECT_EQ(SendRaw(endpoint, 0x9999, 0x4F50454E), 0);
    EXPECT_EQ(WaitExit(pid, 200ms), -1);
    EXPECT_FALSE(Has("resident", "message OPEN"));
    EXPECT_FALSE(Has("resident", "window-shown"));
    EXPECT_EQ(SendRaw(endpoint, 0x5350, 0x4F50454E), 1);
    EXPECT_TRUE(WaitFor("resident", "window-shown"));
    EXPECT_EQ(SendRaw(endpoint, 0x4D4B, 0x4C4C494B), 1);
    EXPECT_EQ(WaitExit(pid), 0);
}

// The running instance holds the lock but cannot be reached (its socket was
// removed, as a cleaner of /tmp or another user could): the second start
// must not run beside it, and must not end as if it had handed over.
TEST_F(ShellProcessTest, ASecondStartThatCannotReachTheRunningInstanceSaysSoAndFails)
{
    const pid_t first = StartResident("first");
    ASSERT_TRUE(fs::remove(InstanceEndpointPath(RuntimeFolder(), first)));

    const pid_t second = Start("second", {VirtualKeyboard()});
    EXPECT_EQ(WaitExit(second, 30s), 1);
    EXPECT_TRUE(Has("second", "instance-not-answering"));
    EXPECT_FALSE(Has("second", "initialised"));
    std::ifstream in(dir_ / "second.out");
    const std::string out((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(out.find("already runs (process " + std::to_string(first) + ") but does not answer"), std::string::npos)
        << out;

    ::kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first), 0);
}
