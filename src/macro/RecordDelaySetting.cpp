#include "macro/RecordDelaySetting.h"

#include "base/UserPrompts.h"
#include "platform/SettingsStore.h"
#include "text/LanguageTexts.h"

#include <optional>
#include <string>

namespace {

constexpr const char* Section = "PROFILES";
constexpr const char* FixedName = "MACRO_ACTION_RECORD_DELAY";

// "0" and "1" only; anything else (letters, "01 ", a huge number) is not a
// setting this program wrote.
std::optional<int> ParseSetting(const std::string& text)
{
    if (text == "0")
        return 0;
    if (text == "1")
        return 1;
    return std::nullopt;
}

} // namespace

int ReadRecordDelaysSetting()
{
    SettingsStore& store = AppSettings();
    std::optional<std::string> stored = store.GetString(Section, FixedName);
    if (!stored) {
        // Older versions named the value by the language's text of the key.
        const std::string oldName = LoadText(FixedName);
        if (!oldName.empty() && oldName != FixedName) {
            if (std::optional<std::string> old = store.GetString(Section, oldName)) {
                const int value = ParseSetting(*old).value_or(0);
                store.SetString(Section, FixedName, std::to_string(value));
                return value;
            }
        }
        return 0;
    }
    const std::optional<int> value = ParseSetting(*stored);
    if (!value) {
        store.SetString(Section, FixedName, "0");
        return 0;
    }
    return *value;
}

int WriteRecordDelaysSetting(int value)
{
    const int wanted = value != 0 ? 1 : 0;
    SettingsStore& store = AppSettings();
    if (store.SetString(Section, FixedName, std::to_string(wanted)))
        return wanted;
    Prompts().ShowMessage(FormatText(LoadText("MACRO_ACTION_RECORD_DELAY_SAVE_FAILED"), store.Path()),
                          MessageStyle::Normal);
    return ReadRecordDelaysSetting();
}
