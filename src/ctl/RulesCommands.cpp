// rules: automatic profiles from the command line.
#include "ctl/CtlCommands.h"
#include "ctl/JsonWriter.h"
#include "autoprofile/AutoProfileRules.h"
#include "platform/FileAccess.h"
#include "platform/KeyboardChangeNotice.h"
#include "platform/SettingsStore.h"

#include <cstdio>
#include <optional>

namespace {

constexpr const char* Usage =
    "usage: rt604ctl rules [add APPLICATION PROFILE | remove N | default PROFILE|keep | on | off] [--json]";

// "1" to "3" as profiles 0 to 2.
std::optional<int32_t> ProfileArgument(const std::string& text)
{
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '3')
        return text[0] - '1';
    return std::nullopt;
}

// A rule number 1 to MaxAutoProfileRules, as the list shows them.
std::optional<size_t> RuleNumber(const std::string& text)
{
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    size_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + static_cast<size_t>(c - '0');
    }
    if (n == 0)
        return std::nullopt;
    return n;
}

std::string ProfileText(int32_t profile)
{
    return profile == KeepProfile ? "keep the active profile" : "profile " + std::to_string(profile + 1);
}

// Profiles as the command line numbers them (1 to 3); the default that
// keeps the active profile is null.
int PrintRulesJson(const AutoProfileSettings& settings)
{
    JsonWriter json;
    json.BeginObject();
    json.Key("enabled");
    json.Bool(settings.enabled);
    json.Key("rules");
    json.BeginArray();
    for (size_t i = 0; i < settings.rules.size(); ++i) {
        json.BeginObject();
        json.Key("number");
        json.Number(static_cast<int64_t>(i + 1));
        json.Key("application");
        json.String(settings.rules[i].application);
        json.Key("profile");
        json.Number(settings.rules[i].profile + 1);
        json.EndObject();
    }
    json.EndArray();
    json.Key("defaultProfile");
    if (settings.defaultProfile == KeepProfile)
        json.Null();
    else
        json.Number(settings.defaultProfile + 1);
    json.EndObject();
    return PrintJson(json);
}

void PrintRules(const AutoProfileSettings& settings)
{
    std::printf("Automatic profiles are %s.\n", settings.enabled ? "on" : "off");
    if (settings.rules.empty())
        std::printf("No rules.\n");
    for (size_t i = 0; i < settings.rules.size(); ++i)
        std::printf("%3zu  profile %d  %s\n", i + 1, settings.rules[i].profile + 1,
                    settings.rules[i].application.c_str());
    std::printf("Any other application: %s.\n", ProfileText(settings.defaultProfile).c_str());
}

int Save(const AutoProfileSettings& settings)
{
    int error = 0;
    if (!SaveAutoProfileSettings(settings, &error)) {
        CtlError("cannot save the rules in " + AppSettings().Path() + ": " + FileErrorText(error));
        return ExitFailed;
    }
    // The window watches the settings file too; this is quicker and surer.
    TellRunningWindow(KeyboardPart::Rules);
    return ExitOk;
}

int Add(AutoProfileSettings& settings, const std::vector<std::string>& args)
{
    if (args.size() != 3) {
        CtlError(Usage);
        return ExitUsage;
    }
    const std::optional<int32_t> profile = ProfileArgument(args[2]);
    if (!profile) {
        CtlError("the keyboard has profiles 1, 2 and 3, not \"" + args[2] + "\"");
        return ExitUsage;
    }
    size_t index = 0;
    const size_t before = settings.rules.size();
    const RuleError error = AddRule(settings, {args[1], *profile}, &index);
    if (error != RuleError::None) {
        CtlError(std::string("cannot add the rule: ") + RuleErrorText(error));
        return error == RuleError::TooManyRules ? ExitFailed : ExitUsage;
    }
    if (const int result = Save(settings); result != ExitOk)
        return result;
    if (Options().json)
        return PrintRulesJson(settings);
    const AutoProfileRule& rule = settings.rules[index];
    std::printf("%s rule %zu: %s -> profile %d\n", settings.rules.size() > before ? "Added" : "Changed", index + 1,
                rule.application.c_str(), rule.profile + 1);
    return ExitOk;
}

int Remove(AutoProfileSettings& settings, const std::vector<std::string>& args)
{
    if (args.size() != 2) {
        CtlError(Usage);
        return ExitUsage;
    }
    const std::optional<size_t> number = RuleNumber(args[1]);
    if (!number) {
        CtlError("rules are numbered from 1, as \"rt604ctl rules\" lists them; \"" + args[1] + "\" is no rule number");
        return ExitUsage;
    }
    const AutoProfileRule removed =
        *number <= settings.rules.size() ? settings.rules[*number - 1] : AutoProfileRule{};
    if (RemoveRule(settings, *number - 1) != RuleError::None) {
        CtlError("there is no rule " + args[1] + " (there are " + std::to_string(settings.rules.size()) + ")");
        return ExitFailed;
    }
    if (const int result = Save(settings); result != ExitOk)
        return result;
    if (Options().json)
        return PrintRulesJson(settings);
    std::printf("Removed rule %zu: %s -> profile %d\n", *number, removed.application.c_str(), removed.profile + 1);
    return ExitOk;
}

int Default(AutoProfileSettings& settings, const std::vector<std::string>& args)
{
    if (args.size() != 2) {
        CtlError(Usage);
        return ExitUsage;
    }
    if (args[1] == "keep") {
        settings.defaultProfile = KeepProfile;
    } else if (const std::optional<int32_t> profile = ProfileArgument(args[1])) {
        settings.defaultProfile = *profile;
    } else {
        CtlError("the default is a profile 1, 2 or 3, or \"keep\", not \"" + args[1] + "\"");
        return ExitUsage;
    }
    if (const int result = Save(settings); result != ExitOk)
        return result;
    if (Options().json)
        return PrintRulesJson(settings);
    std::printf("Any other application: %s.\n", ProfileText(settings.defaultProfile).c_str());
    return ExitOk;
}

} // namespace

int RunRules(const std::vector<std::string>& args)
{
    if (args.empty()) {
        const AutoProfileSettings settings = LoadAutoProfileSettings();
        if (Options().json)
            return PrintRulesJson(settings);
        PrintRules(settings);
        return ExitOk;
    }
    const std::string& verb = args[0];
    const bool toggle = (verb == "on" || verb == "off") && args.size() == 1;
    if (verb != "add" && verb != "remove" && verb != "default" && !toggle) {
        CtlError(Usage);
        return ExitUsage;
    }
    // An edit reads the rules, changes them and saves them: another writer
    // (the window, a second rt604ctl) must not save in between, or one of
    // the two edits is lost.
    const FileUpdateLock lock = AppSettings().Lock();
    if (!lock.Held()) {
        CtlError("cannot change the rules in " + AppSettings().Path() + ": " + FileErrorText(lock.Error()));
        return ExitFailed;
    }
    AutoProfileSettings settings = LoadAutoProfileSettings();
    if (verb == "add")
        return Add(settings, args);
    if (verb == "remove")
        return Remove(settings, args);
    if (verb == "default")
        return Default(settings, args);
    settings.enabled = verb == "on";
    if (const int result = Save(settings); result != ExitOk)
        return result;
    if (Options().json)
        return PrintRulesJson(settings);
    std::printf("Automatic profiles are %s.\n", settings.enabled ? "on" : "off");
    return ExitOk;
}
