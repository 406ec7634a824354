// A session whose runtime folder has so long a path that the instance's
// socket could not be bound in it: the program still starts, and a second
// start still reaches it (its endpoint moves to a short private folder).
#include "ShellProcessFixture.h"

namespace {

// home/run, the runtime folder the program is given, is length bytes long.
fs::path HomeWithRuntimeFolderOfLength(const fs::path& base, size_t length)
{
    const size_t runLength = std::string("/run").size();
    std::string home = base.string();
    while (home.size() + runLength < length) {
        const size_t left = length - runLength - home.size() - 1;
        home += "/" + std::string(std::min<size_t>(left, 200), 'h');
    }
    return home;
}

} // namespace

TEST_F(ShellProcessTest, ASecondStartReachesAnInstanceWhoseRuntimeFolderIsTooLongForASocket)
{
    // Short enough to be built below /tmp whatever the test's name.
    const fs::path base = fs::temp_directory_path() / ("rt604-long-" + std::to_string(::getpid()));
    struct RemoveBase {
        fs::path path;
        ~RemoveBase() { fs::remove_all(path); }
    } removeBase{base};
    // 85 bytes: the socket path in the folder is just too long
    // ("/orvan-rt604/QM40T17B-" and the pid come on top); 400: far too long.
    for (size_t length : {size_t{85}, size_t{400}}) {
        SCOPED_TRACE("runtime folder " + std::to_string(length) + " bytes long");
        UseHome(HomeWithRuntimeFolderOfLength(base / std::to_string(length), length));
        ASSERT_EQ((home_ / "run").string().size(), length);
        const std::string first = "first-" + std::to_string(length);
        const std::string second = "second-" + std::to_string(length);

        const pid_t resident = StartResident(first);
        EXPECT_FALSE(Has(first, "endpoint-failed"));
        const pid_t again = Start(second, {VirtualKeyboard()});
        EXPECT_EQ(WaitExit(again), 0);
        EXPECT_TRUE(Has(second, "open-sent"));
        EXPECT_FALSE(Has(second, "initialised"));
        EXPECT_TRUE(WaitFor(first, "window-shown"));
        EXPECT_TRUE(Has(first, "message OPEN"));

        // /Kill reaches it the same way.
        const std::string killer = "kill-" + std::to_string(length);
        const pid_t kill = Start(killer, {"/Kill"});
        EXPECT_EQ(WaitExit(kill), 0);
        EXPECT_TRUE(Has(killer, "kill-sent"));
        EXPECT_EQ(WaitExit(resident), 0);
        if (HasFailure())
            return;
    }
}
