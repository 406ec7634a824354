#pragma once

#include "platform/ActiveWindow.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Automatic profiles: an ordered list of rules that tie applications to the
// keyboard's profiles, and the profile for every other application. Kept in
// the application settings (settings store), section "AUTO_PROFILES":
//   Enabled        dword 1 or 0 (missing: 1)
//   DefaultProfile dword 0 (keep the active profile) or 1 to 3
//   Rules          "profile:application" entries joined by ';', where a
//                  backslash escapes ';' and '\' in the application
// The rule list is one value so that a reader never sees half of an edit.

inline constexpr size_t MaxAutoProfileRules = 100;
inline constexpr size_t MaxApplicationChars = 128;
// The default profile that leaves the active profile as it is.
inline constexpr int32_t KeepProfile = -1;

struct AutoProfileRule {
    std::string application; // matched without regard to ASCII case
    int32_t profile = 0;     // 0 to 2
    bool operator==(const AutoProfileRule&) const = default;
};

struct AutoProfileSettings {
    bool enabled = true;
    int32_t defaultProfile = KeepProfile; // 0 to 2, or KeepProfile
    std::vector<AutoProfileRule> rules;

    // Whether anything can ever switch: on, with a rule or a default.
    bool InUse() const { return enabled && (!rules.empty() || defaultProfile != KeepProfile); }
    bool operator==(const AutoProfileSettings&) const = default;
};

enum class RuleError {
    None,
    EmptyApplication,
    ApplicationTooLong,
    ControlCharacter, // a line break or other control character in the name
    BadProfile,
    TooManyRules,
    NoSuchRule,
};
// A short English reason, for rt604ctl.
const char* RuleErrorText(RuleError error);

// The name without surrounding blanks.
std::string TrimApplication(std::string_view application);
RuleError CheckRule(const AutoProfileRule& rule);
// Adds the rule (its name trimmed) when it is valid: a rule for the same
// application (ASCII case ignored) takes the new profile in its place, any
// other is appended while there is room. index, when given, receives the
// rule's position.
RuleError AddRule(AutoProfileSettings& settings, AutoProfileRule rule, size_t* index = nullptr);
RuleError RemoveRule(AutoProfileSettings& settings, size_t index);

// The rule list's stored form. Decoding skips entries that are damaged or
// invalid and keeps at most MaxAutoProfileRules.
std::string EncodeRules(const std::vector<AutoProfileRule>& rules);
std::vector<AutoProfileRule> DecodeRules(std::string_view text);

AutoProfileSettings LoadAutoProfileSettings();
// Stops at the first value that cannot be written; error (when given) gets
// the reason (FileAccess.h). The caller tells the owner. A load, a change and
// this save are one step for other writers only under AppSettings().Lock().
bool SaveAutoProfileSettings(const AutoProfileSettings& settings, int* error = nullptr);

// A rule matches a window when its application equals, ignoring ASCII case,
// the window's WM_CLASS instance or class, its program's file name or its
// process's command name.
bool RuleMatches(const AutoProfileRule& rule, const WindowIdentity& window);
// Index of the first matching rule, or -1.
int FindMatchingRule(const std::vector<AutoProfileRule>& rules, const WindowIdentity& window);
// The profile the window asks for: its first matching rule's, else the
// default. KeepProfile when the feature is off, and for windows that are no
// application's (none, the desktop, this program's own).
int32_t WantedProfile(const AutoProfileSettings& settings, const WindowIdentity& window);
