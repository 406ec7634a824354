#include "support/SampleProfileFile.h"
#include "support/ConnectedKeyboard.h"

#include "device/protocol/ActiveProfile.h"
#include "config/ProfileFile.h"
#include "actions/ProfileFileActions.h"
#include "actions/ProfileList.h"
#include "actions/ProfileSwitch.h"

#include "actions/ProfileImport.h"
#include "platform/PrivateProfile.h"

#include <fstream>

namespace {

constexpr uint16_t KeyA = 30;
constexpr uint16_t KeyB = 48;

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

TEST_F(ProfileListTest, TheKeyboardsRowsAreItsProfilesNotAFile)
{
    const std::vector<ProfileRow> rows = KeyboardProfileRows();
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[static_cast<size_t>(i)].profile, i);
        EXPECT_EQ(rows[static_cast<size_t>(i)].name, "");
        EXPECT_EQ(rows[static_cast<size_t>(i)].folder, "");
    }
    ASSERT_EQ(CreateNewProfileFile(Path("My keys.vpf")), 1);
    const ProfileRow file = ProfileRowForFile(Path("My keys.vpf"));
    EXPECT_EQ(file.name, "My keys");
    EXPECT_EQ(file.folder, dir.string() + "/");
    EXPECT_EQ(file.profile, -1);
    EXPECT_FALSE(file.missing);
    EXPECT_TRUE(ProfileRowForFile(Path("gone.vpf")).missing);
}

// The owner's files are kept in the settings and come back after a restart
// (a fresh read of the settings file), a file that went away marked missing.
TEST_F(ProfileListTest, TheOwnersFilesAreKeptAndReadBackAfterARestart)
{
    ASSERT_EQ(CreateNewProfileFile(Path("mine.vpf")), 1);
    std::vector<ProfileRow> rows = KeyboardProfileRows();
    rows.push_back(ProfileRowForFile(Path("mine.vpf")));
    rows.push_back(ProfileRowForFile(Path("other.vpf")));

    EXPECT_EQ(ApplyProfileList(rows, 2), ProfileListApplied);

    std::string settings;
    ASSERT_TRUE(ReadWholeFile(AppSettings().Path(), settings, 1 << 20));
    EXPECT_EQ(settings, "[PROFILES]\nPROFILE01=" + Path("mine.vpf") + "\nPROFILE02=" + Path("other.vpf") +
                            "\nPROFILE00=2\n");
    EXPECT_EQ(Memories().ActiveProfile(), 2);
    // The document is rebuilt from the keyboard, the menu follows.
    EXPECT_GT(CountRequests(CmdReadKeyMap), 0u);
    EXPECT_EQ(window.profileButtonCaption, "Profile 3");
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_TRUE(prompts.messages.empty());

    std::filesystem::remove(Path("mine.vpf"));
    IniCache::Instance().Clear();
    const std::vector<ProfileRow> back = ProfileManagerRows();
    ASSERT_EQ(back.size(), 5u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(back[static_cast<size_t>(i)].profile, i);
    EXPECT_EQ(ProfileRowValue(back[3]), Path("mine.vpf"));
    EXPECT_EQ(ProfileRowValue(back[4]), Path("other.vpf"));
    EXPECT_TRUE(back[3].missing);
    EXPECT_TRUE(back[4].missing);
    EXPECT_EQ(back[3].profile, -1);
}

// What older versions wrote: the keyboard's three rows as "$Profile0.vpf"
// in the user folder, the owner's files after them. Those three are no
// files; a count that is no number, or no list anyone wrote, lists nothing.
TEST_F(ProfileListTest, SettingsOfOlderVersionsAndDamagedOnesListOnlyTheOwnersFiles)
{
    ASSERT_EQ(CreateNewProfileFile(Path("kept.vpf")), 1);
    const std::string oldRow = g_paths.userFolder + "/$Profile0.vpf";
    const struct {
        const char* what;
        std::string text;
        std::vector<std::string> files;
    } cases[] = {
        {"older version",
         "[PROFILES]\nPROFILE01=" + oldRow + "\nPROFILE02=" + oldRow + "\nPROFILE03=" + oldRow + "\nPROFILE04=" +
             Path("kept.vpf") + "\nPROFILE05=" + Path("gone.vpf") + "\nPROFILE00=5\n",
         {Path("kept.vpf"), Path("gone.vpf")}},
        {"older version, user folder moved since",
         "[PROFILES]\nPROFILE00=4\nPROFILE01=/elsewhere/$Profile0.vpf\nPROFILE02=/elsewhere/$Profile0.vpf\n"
         "PROFILE03=/elsewhere/$Profile0.vpf\nPROFILE04=" + Path("kept.vpf") + "\n",
         {Path("kept.vpf")}},
        {"rows beyond the count", "[PROFILES]\nPROFILE00=1\nPROFILE01=" + Path("kept.vpf") + "\nPROFILE02=/x/y.vpf\n",
         {Path("kept.vpf")}},
        {"a row of the count is gone", "[PROFILES]\nPROFILE00=3\nPROFILE02=" + Path("kept.vpf") + "\n",
         {Path("kept.vpf")}},
        {"no count", "[PROFILES]\nPROFILE01=" + Path("kept.vpf") + "\n", {}},
        {"count not a number", "[PROFILES]\nPROFILE00=two\nPROFILE01=" + Path("kept.vpf") + "\n", {}},
        {"count no list was ever", "[PROFILES]\nPROFILE00=4294967297\nPROFILE01=" + Path("kept.vpf") + "\n", {}},
        {"no settings at all", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::create_directories(std::filesystem::path(AppSettings().Path()).parent_path());
        ASSERT_TRUE(WriteFileAtomically(AppSettings().Path(),
                                        std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(c.text.data()),
                                                                 c.text.size())));
        IniCache::Instance().Clear();
        std::vector<std::string> files;
        for (const ProfileRow& row : ReadProfileListSettings())
            files.push_back(ProfileRowValue(row));
        EXPECT_EQ(files, c.files);
        EXPECT_EQ(ProfileManagerRows().size(), 3 + c.files.size());
    }
}

TEST_F(ProfileListTest, EveryFileRemovedWritesZeroRowsAndLeavesTheProfileAlone)
{
    ASSERT_TRUE(AppSettings().SetString("PROFILES", "PROFILE01", "/old/one.vpf"));

    EXPECT_EQ(ApplyProfileList(KeyboardProfileRows(), -1), ProfileListApplied);

    EXPECT_EQ(Setting("PROFILE00"), "0");
    // Values beyond the count stay as they were: nothing reads them.
    EXPECT_EQ(Setting("PROFILE01"), "/old/one.vpf");
    EXPECT_TRUE(ReadProfileListSettings().empty());
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(Memories().ActiveProfile(), 0);
}

// Rows that cannot be kept are told; the switch asked for is still made.
TEST_F(ProfileListTest, SettingsThatCannotBeWrittenAreTold)
{
    ASSERT_EQ(CreateNewProfileFile(Path("blocker")), 1);
    SetSettingsFolderForTests(Path("blocker") + "/cfg");

    EXPECT_EQ(ApplyProfileList(KeyboardProfileRows(), 1), ProfileListNotSaved);

    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{FormatText(LoadText("PROFILE_LIST_SAVE_FAILED"), AppSettings().Path())});
    EXPECT_EQ(Memories().ActiveProfile(), 1);
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

// A file with assignments in all three profiles and one macro, beside the
// keyboard's factory contents; ticking its row loads it as Import does.
class TickedFileTest : public WithSampleProfileFile<ProfileListTest> {
protected:
    void SetUp() override
    {
        ProfileListTest::SetUp();
        if (HasFatalFailure())
            return;
        factory = Memories();
        file = Path("mine.vpf");
        ExportSampleProfileFile(file);
        kb->ClearFrameLog();
    }

    std::vector<ProfileRow> RowsWith(const std::string& path) const
    {
        std::vector<ProfileRow> rows = KeyboardProfileRows();
        rows.push_back(ProfileRowForFile(path));
        return rows;
    }

    KeyboardMemories factory;
    std::string file;
};

TEST_F(TickedFileTest, IsLoadedIntoAllThreeProfilesAndSwitchesNothing)
{
    EXPECT_EQ(ApplyProfileList(RowsWith(file), 3), ProfileListApplied);

    ExpectTheSampleFileOnTheKeyboard();
    EXPECT_EQ(WrittenProfiles(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
    EXPECT_EQ(Memories().ActiveProfile(), 0);
    EXPECT_EQ(ReadBytes(ProfileCachePath(0)), ReadBytes(file));
    EXPECT_EQ(SlotOf(1, KeyA).Type(), 4);
    EXPECT_FALSE(window.applyEnabled);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_TRUE(prompts.questions.empty());
    EXPECT_EQ(Setting("PROFILE01"), file);
}

// A file that cannot be loaded is refused with the reason "rt604ctl
// validate" gives, and the keyboard is not touched.
TEST_F(TickedFileTest, AFileThatCannotBeLoadedIsRefusedWithTheReason)
{
    std::vector<uint8_t> bytes = ReadBytes(file);
    bytes[31] ^= 1;
    ASSERT_TRUE(WriteFileAtomically(Path("checksum.vpf"), std::span<const uint8_t>(bytes)));
    bytes.resize(100);
    ASSERT_TRUE(WriteFileAtomically(Path("short.vpf"), std::span<const uint8_t>(bytes)));
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {Path("gone.vpf"), Path("gone.vpf") + " cannot be loaded into the keyboard:\nfile does not exist"},
        {Path("checksum.vpf"), Path("checksum.vpf") + " cannot be loaded into the keyboard:\n"
                                                      "bad checksum: byte 31 is not the sum of bytes 0 to 30"},
        {Path("short.vpf"), Path("short.vpf") + " cannot be loaded into the keyboard:\n"
                                                "too short: a profile file has at least 32832 bytes"},
        {Path("folder.vpf"), Path("folder.vpf") + " cannot be loaded into the keyboard:\n"
                                                  "file cannot be opened or read: is a folder, not a file"},
    };
    std::filesystem::create_directory(Path("folder.vpf"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        prompts.ClearMessages();
        kb->ClearFrameLog();
        window.applyEnabled = true;

        EXPECT_EQ(ApplyProfileList(RowsWith(c.path), 3), ProfileFileRefused);

        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.message});
        EXPECT_EQ(CountRequests(CmdBeginUpdate), 0u);
        EXPECT_EQ(Memories(), factory);
        EXPECT_TRUE(window.applyEnabled);
    }
    EXPECT_TRUE(prompts.questions.empty());
}

// Edits not applied yet: loading the file replaces them, so the owner is
// asked first; No keeps them and loads nothing.
class EditsBeforeALoadTest : public TickedFileTest, public ::testing::WithParamInterface<bool> {};

TEST_P(EditsBeforeALoadTest, AreReplacedOnlyWhenTheOwnerSaysSo)
{
    const bool yes = GetParam();
    SetSlot(0, KeyCodeToIndex(KeyB), 1, 0);
    window.applyEnabled = true;
    prompts.answerYes = yes;

    EXPECT_EQ(ApplyProfileList(RowsWith(file), 3), yes ? ProfileListApplied : ProfileLoadDeclined);

    EXPECT_EQ(prompts.questions, std::vector<std::string>{"Some changes have not been applied yet. Loading " + file +
                                                          " replaces them with the file's contents. Load the file?"});
    if (yes) {
        ExpectTheSampleFileOnTheKeyboard();
        EXPECT_EQ(SlotOf(0, KeyB).Type(), 0);
    } else {
        EXPECT_EQ(Memories(), factory);
        EXPECT_TRUE(kb->Requests().empty());
        EXPECT_EQ(SlotOf(0, KeyB).Type(), 1);
    }
    EXPECT_EQ(window.applyEnabled, !yes);
}

INSTANTIATE_TEST_SUITE_P(Answers, EditsBeforeALoadTest, ::testing::Values(true, false));

// The keyboard refuses: the owner is told what failed, and the window shows
// what the keyboard holds (the profile it runs; edits it never took stay
// pending in the window, as after a failed Apply or Import).
TEST_F(TickedFileTest, WhatTheKeyboardRefusesIsToldAndNotShownAsDone)
{
    const struct {
        const char* what;
        bool pendingEdits;
        int tickedRow;
        int refusals; // the writer does not judge a refused BeginUpdate: the write after it must fail too
        int32_t result;
        std::string message;
        bool editKept;     // the document still holds the owner's edit of B
        bool applyEnabled; // the main window's Apply afterwards
    } cases[] = {
        {"switch refused", false, 2, 1, ProfileSwitchRefused, "The keyboard did not switch to Profile 3. It keeps its active profile.",
         false, false},
        {"edits refused before a switch", true, 2, 2, ProfileEditsNotWritten,
         "The changes could not be written to the keyboard, so nothing was switched or loaded. They are still "
         "waiting to be applied.",
         true, true},
        {"file refused", false, 3, 2, ProfileFileNotWritten,
         "The keyboard did not take " + file + ". Its contents are shown in the main window; Apply there writes them again.",
         false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(ReloadFromDevice(false), 1);
        if (c.pendingEdits) {
            SetSlot(0, KeyCodeToIndex(KeyB), 1, 0);
            window.applyEnabled = true;
            prompts.answerYes = true;
        }
        prompts.ClearMessages();
        kb->ClearFrameLog();
        kb->RefuseNextRequests(0xFF, c.refusals);

        EXPECT_EQ(ApplyProfileList(RowsWith(file), c.tickedRow), c.result);

        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{c.message});
        // A write refused half-way may leave part of it behind; what counts
        // is that the profile stayed and nothing claims success.
        EXPECT_EQ(Memories().ActiveProfile(), 0);
        if (c.result != ProfileSwitchRefused) {
            EXPECT_EQ(CountRequests(CmdWriteDeviceInfo), 0u);
        }
        EXPECT_EQ(GetCurrentProfile(), 0);
        EXPECT_EQ(window.profileButtonCaption, "Profile 1");
        EXPECT_EQ(SlotOf(0, KeyB).Type(), c.editKept ? 1 : 0);
        // A file the keyboard did not take stays in the window, as an import's.
        EXPECT_EQ(SlotOf(1, KeyA).Type(), c.result == ProfileFileNotWritten ? 4 : 0);
        EXPECT_EQ(window.applyEnabled, c.applyEnabled);
    }
}

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
