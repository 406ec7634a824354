#include "platform/HomeFolder.h"
#include "platform/SettingsStore.h"
#include "support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

namespace {

std::string PasswordHome()
{
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

// Without HOME (a service, a cron job, "env -i") the settings must not go to
// a shared folder that another user can have made first, with planted
// links and rules in it.
TEST(HomeFolderTest, WithoutHomeTheSettingsGoToThePasswordDatabasesHome)
{
    const std::string home = PasswordHome();
    if (home.empty() || home[0] != '/' || home == "/")
        GTEST_SKIP() << "this user has no home of its own in the password database";
    SetSettingsFolderForTests("");
    ScopedEnv noXdg("XDG_CONFIG_HOME", nullptr);
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative"}) {
        SCOPED_TRACE(value ? value : "(unset)");
        ScopedEnv noHome("HOME", value);
        EXPECT_EQ(HomeFolder(), home);
        EXPECT_EQ(SettingsFolder(), home + "/.config/orvan-rt604/");
    }
    ScopedEnv someHome("HOME", "/home/someone/");
    EXPECT_EQ(HomeFolder(), "/home/someone");
}

} // namespace
