#include "platform/SingleInstance.h"
#include "support/OtherUser.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Without a session runtime folder, the instance lock and the endpoints live
// in a folder under /tmp that another user can make first. Here /tmp is a
// sticky shared folder of the test's own.
class PrivateFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Short: an endpoint path in it must fit a socket address.
        dir_ = fs::temp_directory_path() / ("rt604-pf-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "tmp");
        ::chmod((dir_ / "tmp").c_str(), 01777);
        SetSharedTempFolderForTests((dir_ / "tmp").string());
    }
    void TearDown() override
    {
        SetSharedTempFolderForTests("");
        fs::remove_all(dir_);
    }
    std::string Usual() const { return (dir_ / "tmp" / ("orvan-rt604-" + std::to_string(::getuid()))).string(); }
    static void ExpectPrivate(const std::string& folder)
    {
        struct stat st {};
        ASSERT_EQ(::lstat(folder.c_str(), &st), 0) << folder;
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_uid, ::getuid());
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }

    fs::path dir_;
    ScopedEnv noRuntime_{"XDG_RUNTIME_DIR", nullptr};
};

TEST_F(PrivateFolderTest, AFolderSomeoneElseCouldWriteToIsRefusedAndTheNextNameOfOursIsTaken)
{
    struct Case {
        const char* what;
        bool needsRoot;
        std::function<void(const std::string&)> plant;
        const char* reason;
    };
    const auto othersFolder = [](mode_t mode) {
        return [mode](const std::string& path) {
            fs::create_directory(path);
            ::chmod(path.c_str(), mode);
            ASSERT_EQ(::chown(path.c_str(), OtherUid, OtherGid), 0);
        };
    };
    const Case cases[] = {
        {"another user's folder, open to all", true, othersFolder(0777), "another user"},
        {"another user's private folder", true, othersFolder(0700), "another user"},
        {"a link to a folder of ours", false,
         [this](const std::string& path) {
             fs::create_directory(dir_ / "ours");
             ::chmod((dir_ / "ours").c_str(), 0700);
             fs::create_directory_symlink(dir_ / "ours", path);
         },
         "symbolic link"},
        {"a folder of ours that others may write to", false,
         [](const std::string& path) {
             fs::create_directory(path);
             ::chmod(path.c_str(), 0777);
         },
         "open to other users"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && !CanActAsOtherUser())
            continue;
        fs::remove_all(dir_ / "tmp");
        fs::remove_all(dir_ / "ours");
        fs::create_directories(dir_ / "tmp");
        ::chmod((dir_ / "tmp").c_str(), 01777);
        c.plant(Usual());
        std::string problem;
        const std::string folder = InstanceRuntimeFolder(&problem);
        EXPECT_EQ(folder, Usual() + ".1");
        ExpectPrivate(folder);
        EXPECT_NE(problem.find(Usual()), std::string::npos) << problem;
        EXPECT_NE(problem.find(c.reason), std::string::npos) << problem;
        EXPECT_EQ(InstanceRuntimeFolder(), folder) << "every start finds the same folder";
        // A session folder too deep for a socket puts the endpoint there too.
        const std::string deep = (dir_ / std::string(120, 'd')).string();
        const std::string endpoint = InstanceEndpointPath(deep, 77);
        EXPECT_EQ(endpoint.rfind(folder + "/", 0), 0u) << endpoint;
    }
}

TEST_F(PrivateFolderTest, WhenEveryNameIsTakenThereIsNoFolderAndTheReasonIsGiven)
{
    if (!CanActAsOtherUser())
        GTEST_SKIP() << NotRootReason();
    for (const std::string& name : {Usual(), Usual() + ".1", Usual() + ".2", Usual() + ".3", Usual() + ".4",
                                     Usual() + ".5", Usual() + ".6", Usual() + ".7", Usual() + ".8", Usual() + ".9"}) {
        fs::create_directory(name);
        ASSERT_EQ(::chown(name.c_str(), OtherUid, OtherGid), 0);
    }
    std::string problem;
    EXPECT_EQ(InstanceRuntimeFolder(&problem), "");
    EXPECT_NE(problem.find("another user (uid 4242)"), std::string::npos) << problem;
    EXPECT_EQ(InstanceEndpointPath((dir_ / std::string(120, 'd')).string(), 77), "");
}

TEST_F(PrivateFolderTest, ASessionFolderThatCannotBeUsedFallsBackToAPrivateOne)
{
    fs::create_directories(dir_ / "session");
    ::chmod((dir_ / "session").c_str(), 0700);
    ScopedEnv runtime("XDG_RUNTIME_DIR", (dir_ / "session").c_str());
    // Made open by hand: closed again, as only we can reach it.
    fs::create_directory(dir_ / "session" / "orvan-rt604");
    ::chmod((dir_ / "session" / "orvan-rt604").c_str(), 0755);
    std::string problem;
    EXPECT_EQ(InstanceRuntimeFolder(&problem), (dir_ / "session" / "orvan-rt604").string());
    EXPECT_EQ(problem, "");
    ExpectPrivate((dir_ / "session" / "orvan-rt604").string());

    ScopedEnv gone("XDG_RUNTIME_DIR", (dir_ / "logged-out").c_str());
    EXPECT_EQ(InstanceRuntimeFolder(&problem), Usual());
    EXPECT_NE(problem.find((dir_ / "logged-out").string()), std::string::npos) << problem;
    ExpectPrivate(Usual());
}

} // namespace
