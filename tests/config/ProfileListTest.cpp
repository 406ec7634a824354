#include "support/ConnectedKeyboard.h"

#include "config/DeviceCopy.h"
#include "config/ProfileFile.h"
#include "config/ProfileList.h"
#include "config/ProfileSwitch.h"

#include <fstream>

namespace {

constexpr uint16_t KeyA = 30;

// The keyboard read into the document with profile 0 active, as the main
// window holds it when the profile manager opens.
class ProfileListTest : public LoadedKeyboardTest {
protected:
    static std::optional<std::string> Setting(const std::string& name)
    {
        return AppSettings().GetString("PROFILES", name);
    }

    std::string Cache() const { return g_paths.userFolder + "/$Profile0"; }
};

TEST_F(ProfileListTest, RowsOfTheKeyboardsProfilesShareTheCacheFile)
{
    const std::vector<ProfileRow> rows = KeyboardProfileRows();
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[static_cast<size_t>(i)].name, "$Profile0");
        EXPECT_EQ(rows[static_cast<size_t>(i)].folder, g_paths.userFolder + "/");
        EXPECT_EQ(rows[static_cast<size_t>(i)].profile, i);
        EXPECT_EQ(ProfileRowValue(rows[static_cast<size_t>(i)]), Cache() + ".vpf");
    }
    const ProfileRow file = ProfileRowForFile(Path("saved/My keys.vpf"));
    EXPECT_EQ(file.name, "My keys");
    EXPECT_EQ(file.folder, Path("saved") + "/");
    EXPECT_EQ(file.profile, -1);
}

TEST_F(ProfileListTest, ApplyWritesEveryRowThenTheCountAndSwitchesToTheTickedProfile)
{
    std::vector<ProfileRow> rows = KeyboardProfileRows();
    rows.push_back(ProfileRowForFile(Path("extra.vpf")));

    EXPECT_EQ(ApplyProfileList(rows, 2), 1);

    EXPECT_EQ(Setting("PROFILE00"), "4");
    EXPECT_EQ(Setting("PROFILE01"), Cache() + ".vpf");
    EXPECT_EQ(Setting("PROFILE02"), Cache() + ".vpf");
    EXPECT_EQ(Setting("PROFILE03"), Cache() + ".vpf");
    EXPECT_EQ(Setting("PROFILE04"), Path("extra.vpf"));
    EXPECT_EQ(Memories().ActiveProfile(), 2);
    // The document is rebuilt from the keyboard, the menu follows.
    EXPECT_GT(CountRequests(CmdReadKeyMap), 0u);
    EXPECT_EQ(window.profileButtonCaption, "Profile 3");
    EXPECT_TRUE(prompts.questions.empty());
}

TEST_F(ProfileListTest, EveryRowDeletedWritesZeroRowsAndLeavesTheProfileAlone)
{
    ASSERT_TRUE(AppSettings().SetString("PROFILES", "PROFILE01", "/old/one.vpf"));

    EXPECT_EQ(ApplyProfileList({}, -1), 1);

    EXPECT_EQ(Setting("PROFILE00"), "0");
    // Values beyond the count stay as they were: nothing reads them.
    EXPECT_EQ(Setting("PROFILE01"), "/old/one.vpf");
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(Memories().ActiveProfile(), 0);
}

// An added file's row is no profile of the keyboard's three: ticking it and
// applying sends the keyboard no index it does not have.
TEST_F(ProfileListTest, AnAddedFileTickedSwitchesNothing)
{
    std::vector<ProfileRow> rows = KeyboardProfileRows();
    rows.push_back(ProfileRowForFile(Path("extra.vpf")));

    EXPECT_EQ(ApplyProfileList(rows, 3), 1);

    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(Memories().ActiveProfile(), 0);
    EXPECT_EQ(Setting("PROFILE00"), "4");
}

// The Apply rebuilds the document from the keyboard; key edits the main
// window has not applied are offered first, not dropped without a word.
class UnappliedEditsTest : public ProfileListTest, public ::testing::WithParamInterface<bool> {};

TEST_P(UnappliedEditsTest, AreOfferedToTheKeyboardBeforeTheReload)
{
    const bool yes = GetParam();
    SetSlot(0, KeyCodeToIndex(KeyA), 1, 0); // disabled
    window.applyEnabled = true;
    prompts.answerYes = yes;

    ApplyProfileList(KeyboardProfileRows(), 1);

    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], LoadText("PROFILE_SELECT_PROMPT"));
    const KeyboardMemories m = Memories();
    const KeyMapEntry factory = ReadKeyMapEntry(m.defaultKeyMap, PositionOf(KeyA));
    EXPECT_EQ(EntryAt(m, 0, PositionOf(KeyA)) == factory, !yes);
    // Either way the document is the keyboard's afterwards.
    EXPECT_EQ(SlotOf(0, KeyA).Type(), yes ? 1 : 0);
    EXPECT_EQ(m.ActiveProfile(), 1);
    EXPECT_FALSE(window.applyEnabled);
}

INSTANTIATE_TEST_SUITE_P(Answers, UnappliedEditsTest, ::testing::Values(true, false));

TEST_F(ProfileListTest, NewWritesAnEmptyProfileFileWhereTheLanguageNamesIt)
{
    const FileChoice english = NewProfileFileChoice();
    EXPECT_EQ(english.initialName, g_paths.userFolder + "/New profile.vpf");
    EXPECT_EQ(english.filter, "(*.vpf)|*.vpf|(*.*)|*.*||");
    EXPECT_EQ(english.defaultExtension, "vpf");
    EXPECT_TRUE(english.confirmOverwrite);
    SetLanguageIndex(1);
    EXPECT_EQ(NewProfileFileChoice().initialName, g_paths.userFolder + "/Новый профиль.vpf");
    SetLanguageIndex(0);
    const FileChoice load = LoadProfileFileChoice();
    EXPECT_EQ(load.initialName, g_paths.userFolder + "/*.vpf");
    EXPECT_FALSE(load.confirmOverwrite);

    ASSERT_EQ(CreateNewProfileFile(Path("new.vpf")), 1);
    const std::vector<uint8_t> bytes = ReadBytes(Path("new.vpf"));
    ASSERT_EQ(bytes.size(), 32832u);
    const std::vector<uint8_t> header = {0x46, 0x44, 0x20, 0x00, 0x03, 0x00, 0x01, 0x00, 0x40, 0x80, 0x00,
                                         0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x76};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 32), header);
    EXPECT_EQ(CheckProfileFileToAdd(Path("new.vpf")), ProfileFault::None);
    // A folder that does not exist cannot take it.
    EXPECT_EQ(CreateNewProfileFile(Path("no/such/folder/new.vpf")), 0);
}

// Load checks a file as "rt604ctl validate" does, and the refusal names the
// file and the reason in the owner's language.
TEST_F(ProfileListTest, LoadRefusesWhatValidateRefusesWithTheReason)
{
    ASSERT_EQ(CreateNewProfileFile(Path("good.vpf")), 1);
    std::vector<uint8_t> good = ReadBytes(Path("good.vpf"));
    auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                         static_cast<std::streamsize>(bytes.size()));
        return Path(name);
    };
    std::vector<uint8_t> checksum = good;
    checksum[31] ^= 1;
    std::vector<uint8_t> trailing = good;
    trailing.push_back(0);
    const struct {
        std::string path;
        ProfileFault fault;
    } cases[] = {
        {Path("good.vpf"), ProfileFault::None},
        {Path("missing.vpf"), ProfileFault::Missing},
        {write("short.vpf", {0x46, 0x44}), ProfileFault::TooShort},
        {write("checksum.vpf", checksum), ProfileFault::BadChecksum},
        {write("trailing.vpf", trailing), ProfileFault::TrailingBytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CheckProfileFileToAdd(c.path), c.fault);
    }

    const std::string message = ProfileLoadRefusal(Path("checksum.vpf"), ProfileFault::BadChecksum);
    EXPECT_EQ(message, Path("checksum.vpf") + " cannot be added to the list:\n"
                           "bad checksum: byte 31 is not the sum of bytes 0 to 30");
    SetLanguageIndex(1);
    const std::string russian = ProfileLoadRefusal(Path("checksum.vpf"), ProfileFault::BadChecksum);
    SetLanguageIndex(0);
    EXPECT_NE(russian.find(Path("checksum.vpf")), std::string::npos);
    EXPECT_NE(russian.find(LoadText("PROFILE_FAULT_CHECKSUM", 1)), std::string::npos);
    EXPECT_NE(russian, message);
}

// Every reason reads in English as the command-line tool gives it, and has
// a Russian text of its own.
TEST_F(ProfileListTest, EveryReasonHasTheToolsWordsAndARussianText)
{
    for (int f = static_cast<int>(ProfileFault::None); f <= static_cast<int>(ProfileFault::TrailingBytes); ++f) {
        const auto fault = static_cast<ProfileFault>(f);
        SCOPED_TRACE(ProfileFaultText(fault));
        EXPECT_EQ(LoadText(ProfileFaultTextKey(fault), 0), ProfileFaultText(fault));
        const std::string russian = LoadText(ProfileFaultTextKey(fault), 1);
        EXPECT_NE(russian, ProfileFaultText(fault));
        EXPECT_NE(russian, "#Error");
    }
}

} // namespace
