#include "config/DocumentTestSupport.h"
#include "actions/ProfileFileActions.h"

namespace {

namespace fs = std::filesystem;

using ProfileFileActionsTest = DocumentFixture;

TEST_F(ProfileFileActionsTest, ProfileCacheIsSavedOnlyWhenItExists)
{
    const std::string cache = ProfileCachePath(0);
    EXPECT_EQ(cache, g_paths.userFolder + "/$Profile0");
    for (int index : {-1, 1, 2, 3})
        EXPECT_EQ(ProfileCachePath(index), cache);
    EXPECT_TRUE(fs::is_directory(g_paths.userFolder));

    EXPECT_EQ(SaveDocumentToProfileCache(1), 0);
    EXPECT_FALSE(fs::exists(cache));

    ASSERT_EQ(CreateDefaultBlock(cache, 0, false), 1);
    FillDocumentWithEverySlotKind();
    g_currentProfile = -1;
    EXPECT_EQ(SaveDocumentToProfileCache(1), 1);
    std::vector<uint8_t> bytes = ReadBytes(cache);
    ASSERT_EQ(bytes.size(), ConfigBlockSize);
    EXPECT_EQ(ReadU16(bytes.data(), SlotOffset(1)), 2);
}

TEST_F(ProfileFileActionsTest, EnsureUserFolderSeedsThePresetFiles)
{
    fs::create_directories(dir / "Skins");
    std::ofstream(dir / "Skins" / "UserDengColor_3.userd", std::ios::binary) << "[MODE]\r\nA=1\r\n";
    const fs::path user(g_paths.userFolder);
    ASSERT_FALSE(fs::exists(user));
    ASSERT_EQ(EnsureUserFolder(), 1);
    for (int i = 0; i < 3; ++i) {
        std::vector<uint8_t> seeded = ReadBytes((user / ("UserDengColor_" + std::to_string(i) + ".userd")).string());
        EXPECT_EQ(std::string(seeded.begin(), seeded.end()), "[MODE]\r\nA=1\r\n") << i;
    }
    // An existing folder is left as it is.
    std::ofstream(user / "UserDengColor_0.userd", std::ios::binary | std::ios::trunc) << "mine";
    ASSERT_EQ(EnsureUserFolder(), 1);
    std::vector<uint8_t> kept = ReadBytes((user / "UserDengColor_0.userd").string());
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "mine");
}

TEST_F(ProfileFileActionsTest, EnsureUserFolderWithoutPresetMakesEmptyFiles)
{
    ASSERT_EQ(EnsureUserFolder(), 1);
    for (int i = 0; i < 3; ++i) {
        const fs::path seeded = fs::path(g_paths.userFolder) / ("UserDengColor_" + std::to_string(i) + ".userd");
        ASSERT_TRUE(fs::exists(seeded));
        EXPECT_EQ(fs::file_size(seeded), 0u);
    }
}

} // namespace
