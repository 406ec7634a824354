#include "macro/RecordDelaySetting.h"

#include "support/MacroTestSupport.h"

#include <fstream>

namespace {

class RecordDelaySetting : public MacroFixture {
protected:
    // A Russian file whose text of the key differs from the English one.
    void AddRussian()
    {
        std::ofstream(dir / "Lang0419.ini", std::ios::binary | std::ios::trunc)
            << "[TEXT]\nMACRO_ACTION_RECORD_DELAY=Записывать задержки\n";
        std::ofstream(dir / "Lang0409.ini", std::ios::binary | std::ios::app)
            << "MACRO_ACTION_RECORD_DELAY=Record delays\n";
    }
};

} // namespace

TEST_F(RecordDelaySetting, DefaultsToZeroAndKeepsWhatIsWritten)
{
    EXPECT_EQ(ReadRecordDelaysSetting(), 0);
    EXPECT_EQ(WriteRecordDelaysSetting(1), 1);
    EXPECT_EQ(ReadRecordDelaysSetting(), 1);
    EXPECT_EQ(AppSettings().GetString("PROFILES", "MACRO_ACTION_RECORD_DELAY"), "1");
    EXPECT_EQ(WriteRecordDelaysSetting(7), 1);
    EXPECT_EQ(WriteRecordDelaysSetting(0), 0);
    EXPECT_EQ(ReadRecordDelaysSetting(), 0);
}

TEST_F(RecordDelaySetting, SurvivesALanguageSwitch)
{
    AddRussian();
    WriteRecordDelaysSetting(1);
    SetLanguageIndex(1);
    EXPECT_EQ(ReadRecordDelaysSetting(), 1);
    SetLanguageIndex(0);
    EXPECT_EQ(ReadRecordDelaysSetting(), 1);
}

TEST_F(RecordDelaySetting, AValueUnderTheOldTranslatedNameIsMovedOnce)
{
    AddRussian();
    SetLanguageIndex(1);
    ASSERT_TRUE(AppSettings().SetString("PROFILES", "Записывать задержки", "1"));
    EXPECT_EQ(ReadRecordDelaysSetting(), 1);
    EXPECT_EQ(AppSettings().GetString("PROFILES", "MACRO_ACTION_RECORD_DELAY"), "1");
    // From now on the fixed name decides, in every language.
    WriteRecordDelaysSetting(0);
    EXPECT_EQ(ReadRecordDelaysSetting(), 0);
    SetLanguageIndex(0);
    EXPECT_EQ(ReadRecordDelaysSetting(), 0);
}

TEST_F(RecordDelaySetting, DamagedValuesReadAsZeroAndAreRepaired)
{
    for (const char* stored : {"2", "yes", "-1", "99999999999999999999", ""}) {
        ASSERT_TRUE(AppSettings().SetString("PROFILES", "MACRO_ACTION_RECORD_DELAY", stored));
        EXPECT_EQ(ReadRecordDelaysSetting(), 0) << stored;
        EXPECT_EQ(AppSettings().GetString("PROFILES", "MACRO_ACTION_RECORD_DELAY"), "0") << stored;
    }
}

TEST_F(RecordDelaySetting, ASettingsFileThatCannotBeWrittenIsToldAndTheStoredValueReturned)
{
    std::ofstream(dir / "Lang0409.ini", std::ios::binary | std::ios::app)
        << "MACRO_ACTION_RECORD_DELAY_SAVE_FAILED=Not kept in %s\n";
    // A folder where the settings file should be: nothing can be read or
    // written there, so the recorder goes on with the default.
    std::filesystem::create_directories(AppSettings().Path());
    EXPECT_EQ(WriteRecordDelaysSetting(1), 0);
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"Not kept in " + AppSettings().Path()});
    EXPECT_EQ(ReadRecordDelaysSetting(), 0);

    // Once it can be written again, the choice is kept and nothing is said.
    std::filesystem::remove_all(AppSettings().Path());
    prompts.ClearMessages();
    EXPECT_EQ(WriteRecordDelaysSetting(1), 1);
    EXPECT_TRUE(prompts.messages.empty());
    EXPECT_EQ(ReadRecordDelaysSetting(), 1);
}
