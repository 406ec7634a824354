#include "autoprofile/AutoProfileRules.h"

#include "config/ConfigDocument.h"
#include "platform/AsciiFold.h"
#include "platform/Utf8.h"
#include "platform/SettingsStore.h"

namespace {

constexpr const char* Section = "AUTO_PROFILES";
constexpr const char* EnabledValue = "Enabled";
constexpr const char* DefaultValue = "DefaultProfile";
constexpr const char* RulesValue = "Rules";
constexpr char Separator = ';';
constexpr char Escape = '\\';

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool ValidProfile(int32_t profile)
{
    return profile >= 0 && profile < GetProfileCount();
}

} // namespace

const char* RuleErrorText(RuleError error)
{
    switch (error) {
    case RuleError::None:
        return "no error";
    case RuleError::EmptyApplication:
        return "the application name is empty";
    case RuleError::ApplicationTooLong:
        return "the application name is longer than 128 characters";
    case RuleError::ControlCharacter:
        return "the application name holds a line break or another control character";
    case RuleError::BadProfile:
        return "the profile must be 1, 2 or 3";
    case RuleError::TooManyRules:
        return "there are already 100 rules";
    case RuleError::NoSuchRule:
        return "there is no rule with that number";
    }
    return "unknown error";
}

std::string TrimApplication(std::string_view application)
{
    while (!application.empty() && IsBlank(application.front()))
        application.remove_prefix(1);
    while (!application.empty() && IsBlank(application.back()))
        application.remove_suffix(1);
    return std::string(application);
}

RuleError CheckRule(const AutoProfileRule& rule)
{
    if (rule.application.empty())
        return RuleError::EmptyApplication;
    for (unsigned char c : rule.application) {
        if (c < 0x20 || c == 0x7F)
            return RuleError::ControlCharacter;
    }
    if (CountUtf8Chars(rule.application) > MaxApplicationChars)
        return RuleError::ApplicationTooLong;
    if (!ValidProfile(rule.profile))
        return RuleError::BadProfile;
    return RuleError::None;
}

RuleError AddRule(AutoProfileSettings& settings, AutoProfileRule rule, size_t* index)
{
    rule.application = TrimApplication(rule.application);
    const RuleError error = CheckRule(rule);
    if (error != RuleError::None)
        return error;
    // A second rule for the same application could never match: the first
    // one always wins.
    for (size_t i = 0; i < settings.rules.size(); ++i) {
        if (EqualFolded(settings.rules[i].application, rule.application)) {
            settings.rules[i].profile = rule.profile;
            if (index)
                *index = i;
            return RuleError::None;
        }
    }
    if (settings.rules.size() >= MaxAutoProfileRules)
        return RuleError::TooManyRules;
    settings.rules.push_back(std::move(rule));
    if (index)
        *index = settings.rules.size() - 1;
    return RuleError::None;
}

RuleError RemoveRule(AutoProfileSettings& settings, size_t index)
{
    if (index >= settings.rules.size())
        return RuleError::NoSuchRule;
    settings.rules.erase(settings.rules.begin() + static_cast<std::ptrdiff_t>(index));
    return RuleError::None;
}

std::string EncodeRules(const std::vector<AutoProfileRule>& rules)
{
    std::string text;
    for (const AutoProfileRule& rule : rules) {
        if (!text.empty())
            text += Separator;
        // Shown to the owner as 1 to 3, as on the keyboard.
        text += std::to_string(rule.profile + 1);
        text += ':';
        for (char c : rule.application) {
            if (c == Separator || c == Escape)
                text += Escape;
            text += c;
        }
    }
    return text;
}

std::vector<AutoProfileRule> DecodeRules(std::string_view text)
{
    std::vector<AutoProfileRule> rules;
    size_t at = 0;
    while (at < text.size() && rules.size() < MaxAutoProfileRules) {
        // One entry up to the next unescaped separator.
        std::string entry;
        bool escaped = false;
        for (; at < text.size(); ++at) {
            const char c = text[at];
            if (escaped) {
                entry += c;
                escaped = false;
            } else if (c == Escape) {
                escaped = true;
            } else if (c == Separator) {
                break;
            } else {
                entry += c;
            }
        }
        ++at; // past the separator
        // "N:application", N a single digit 1 to 3; an escaped ':' never
        // comes before the first one, so the first ':' splits.
        const size_t colon = entry.find(':');
        if (colon != 1 || entry[0] < '1' || entry[0] > '9')
            continue;
        AutoProfileRule rule{TrimApplication(std::string_view(entry).substr(colon + 1)), entry[0] - '1'};
        if (CheckRule(rule) == RuleError::None)
            rules.push_back(std::move(rule));
    }
    return rules;
}

AutoProfileSettings LoadAutoProfileSettings()
{
    const SettingsStore& store = AppSettings();
    AutoProfileSettings settings;
    settings.enabled = store.GetDword(Section, EnabledValue).value_or(1) != 0;
    const uint32_t profile = store.GetDword(Section, DefaultValue).value_or(0);
    settings.defaultProfile = profile >= 1 && ValidProfile(static_cast<int32_t>(profile) - 1)
                                  ? static_cast<int32_t>(profile) - 1
                                  : KeepProfile;
    settings.rules = DecodeRules(store.GetString(Section, RulesValue).value_or(std::string()));
    return settings;
}

bool SaveAutoProfileSettings(const AutoProfileSettings& settings, int* error)
{
    SettingsStore& store = AppSettings();
    const uint32_t profile = ValidProfile(settings.defaultProfile) ? static_cast<uint32_t>(settings.defaultProfile) + 1 : 0;
    // One step for other writers: none of them slips between the three.
    const FileUpdateLock lock = store.Lock();
    int err = lock.Error();
    // The rules go last: a watcher that wakes on the first write reads the
    // new switches with the old rules at worst, never a broken list.
    const bool ok = lock.Held() && store.SetDword(Section, EnabledValue, settings.enabled ? 1 : 0, &err)
                    && store.SetDword(Section, DefaultValue, profile, &err)
                    && store.SetString(Section, RulesValue, EncodeRules(settings.rules), &err);
    if (error)
        *error = ok ? 0 : err;
    return ok;
}

bool RuleMatches(const AutoProfileRule& rule, const WindowIdentity& window)
{
    if (rule.application.empty())
        return false;
    for (const std::string* name : {&window.instance, &window.windowClass, &window.executable, &window.command}) {
        if (EqualFolded(rule.application, *name))
            return true;
    }
    return false;
}

int FindMatchingRule(const std::vector<AutoProfileRule>& rules, const WindowIdentity& window)
{
    for (size_t i = 0; i < rules.size(); ++i) {
        if (RuleMatches(rules[i], window))
            return static_cast<int>(i);
    }
    return -1;
}

int32_t WantedProfile(const AutoProfileSettings& settings, const WindowIdentity& window)
{
    if (!settings.enabled || window.kind != WindowIdentity::Kind::Application)
        return KeepProfile;
    const int rule = FindMatchingRule(settings.rules, window);
    return rule >= 0 ? settings.rules[static_cast<size_t>(rule)].profile : settings.defaultProfile;
}
