// lighting and key-colours: the lighting records of the keyboard's profiles
// and the per-key colours of the user-defined effect, from the command line.
// Every write goes through the lighting core exactly as the window's panel
// makes it (same bytes, same BeginUpdate/EndUpdate groups).
#include "ctl/CtlCommands.h"
#include "ctl/JsonWriter.h"
#include "ctl/KeyboardSession.h"
#include "platform/KeyboardChangeNotice.h"

#include "actions/ProfileFileActions.h"
#include "lighting/UserModePreset.h"
#include "device/protocol/DeviceCommands.h"
#include "device/protocol/DeviceState.h"
#include "lighting/EffectTable.h"
#include "lighting/KeyColours.h"
#include "lighting/LightingHandlers.h"
#include "lighting/LightingState.h"
#include "lighting/UserModeFile.h"
#include "lighting/UserModes.h"
#include "text/LanguageTexts.h"

#include <cstdio>
#include <functional>
#include <optional>

namespace {

// What a value was given as, for the reasons.
const char* const ChoiceNames[] = {"red", "yellow", "green", "blue"};

std::optional<int> SmallNumber(const std::string& text, int low, int high)
{
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<Colour> HexColour(const std::string& text)
{
    std::string digits = text.size() == 7 && text[0] == '#' ? text.substr(1) : text;
    if (digits.size() != 6)
        return std::nullopt;
    uint32_t rgb = 0;
    for (char c : digits) {
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (v < 0)
            return std::nullopt;
        rgb = rgb << 4 | static_cast<uint32_t>(v);
    }
    return MakeColour(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb));
}

std::string ColourText(Colour c)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", RedOf(c), GreenOf(c), BlueOf(c));
    return text;
}

// One FIELD=VALUE, checked before anything is written, and how the panel's
// control writes it.
struct Change {
    std::string field;
    std::function<int32_t()> write;
};

// A reason the value cannot be written; empty when it can.
using Checked = std::optional<std::string>;

struct FieldRule {
    const char* name;
    const char* values;
    // Checks text against the keyboard (its effect list is known by now);
    // fills change.write on success.
    Checked (*check)(const std::string& text, Change& change);
};

Checked CheckEffect(const std::string& text, Change& change)
{
    const std::optional<int> code = SmallNumber(text, 0, 255);
    if (!code || FindEffectIndex(*code) < 0) {
        std::string offered;
        for (const EffectListEntry& entry : g_lighting.effectList)
            offered += (offered.empty() ? "" : " ") + std::to_string(entry.code);
        return "the keyboard offers no effect \"" + text + "\" (it offers " + (offered.empty() ? "none" : offered) + ")";
    }
    change.write = [index = FindEffectIndex(*code)] { return SelectEffect(index); };
    return std::nullopt;
}

Checked CheckBrightness(const std::string& text, Change& change)
{
    const std::optional<int> position = SmallNumber(text, 0, MaxLevel);
    if (!position)
        return "brightness is 0 to 5, not \"" + text + "\"";
    change.write = [p = *position] { return SetBrightness(p); };
    return std::nullopt;
}

Checked CheckSpeed(const std::string& text, Change& change)
{
    const std::optional<int> position = SmallNumber(text, 0, MaxLevel);
    if (!position)
        return "speed is 0 to 5, not \"" + text + "\"";
    change.write = [p = *position] { return SetSpeedPosition(p); };
    return std::nullopt;
}

Checked CheckDirection(const std::string& text, Change& change)
{
    if (text != "left" && text != "right")
        return "direction is left or right, not \"" + text + "\"";
    change.write = [value = text == "left" ? DirectionForward : DirectionBackward] { return SetDirection(value); };
    return std::nullopt;
}

Checked CheckMulticolour(const std::string& text, Change& change)
{
    if (text != "on" && text != "off")
        return "multicolour is on or off, not \"" + text + "\"";
    // The panel has a switch: it is clicked only when it shows the other state.
    change.write = [on = text == "on"] { return g_lighting.multicolour == on ? 1 : ToggleMulticolour(); };
    return std::nullopt;
}

Checked CheckColour(const std::string& text, Change& change)
{
    const std::optional<Colour> colour = HexColour(text);
    if (!colour)
        return "colour is six hexadecimal digits RRGGBB, not \"" + text + "\"";
    change.write = [c = *colour] { return SetEffectColour(c); };
    return std::nullopt;
}

Checked CheckChoice(const std::string& text, Change& change)
{
    for (int n = 0; n <= MaxColourChoice; ++n) {
        if (text == ChoiceNames[n]) {
            change.write = [n] { return SetColourChoice(n); };
            return std::nullopt;
        }
    }
    return "choice is red, yellow, green or blue, not \"" + text + "\"";
}

Checked CheckRate(const std::string& text, Change& change)
{
    const std::optional<int> rate = SmallNumber(text, 1, MaxReportRate + 1);
    if (!rate)
        return "rate is 1 to 4, not \"" + text + "\"";
    change.write = [r = *rate - 1] { return SetReportRate(r); };
    return std::nullopt;
}

constexpr FieldRule Fields[] = {
    {"effect", "a code the keyboard offers", CheckEffect},
    {"brightness", "0 to 5", CheckBrightness},
    {"speed", "0 to 5, as the speed slider shows it from left to right", CheckSpeed},
    {"direction", "left or right", CheckDirection},
    {"multicolour", "on or off", CheckMulticolour},
    {"colour", "RRGGBB", CheckColour},
    {"choice", "red, yellow, green or blue", CheckChoice},
    {"rate", "1 to 4", CheckRate},
};

const FieldRule* FindField(const std::string& name)
{
    for (const FieldRule& rule : Fields) {
        if (name == rule.name)
            return &rule;
    }
    return nullptr;
}

int LightingUsage()
{
    CtlUsage("lighting");
    std::string fields;
    for (const FieldRule& rule : Fields)
        fields += std::string("  ") + rule.name + "=" + rule.values + "\n";
    std::fprintf(stderr, "fields:\n%s", fields.c_str());
    return ExitUsage;
}

// The lighting of the profile as the panel would read it; ExitOk or the
// exit code (reason printed).
int ReadProfile(int profile)
{
    g_lighting.viewedProfile = profile;
    if (ReloadLighting() != 0) {
        CtlError("the keyboard does not answer");
        return ExitNoKeyboard;
    }
    BuildEffectList();
    return ExitOk;
}

int ActiveProfile()
{
    std::array<uint8_t, DeviceInfoBytes> info{};
    if (ReadDeviceInfo(info) != 1)
        return -1;
    return info[DeviceInfoActiveProfile] < LightingProfiles ? info[DeviceInfoActiveProfile] : 0;
}

// The profile's lighting, as the panel shows it: a value the panel cannot
// show is given as the nearest it shows, with what the keyboard holds.
int PrintRecord(int profile)
{
    const std::span<const uint8_t, LightingRecordBytes> record(
        g_lighting.lightingRecords.data() + RecordOffset(profile, 0), LightingRecordBytes);
    const int code = record[RecordEffect];
    const std::string name = FindEffect(code) || OffersEffect(code) ? LoadModeText(std::to_string(code)) : std::string();
    const int speed = record[RecordSpeed];
    const int direction = record[RecordDirection];
    const bool knownDirection = direction == DirectionForward || direction == DirectionBackward;
    const char* directionName = direction == DirectionForward ? "left" : "right";
    const int choice = record[RecordColourChoice];
    const int rate = record[RecordReportRate];
    const int shownSpeed = speed <= MaxLevel ? PositionFromSpeed(speed) : MaxLevel;
    const int shownRate = (rate <= MaxReportRate ? rate : MaxReportRate) + 1;

    if (Options().json) {
        JsonWriter json;
        json.BeginObject();
        json.Key("profile");
        json.Number(profile + 1);
        json.Key("effect");
        json.Number(code);
        json.Key("effectName");
        if (name.empty())
            json.Null();
        else
            json.String(name);
        json.Key("brightness");
        json.Number(g_lighting.brightness);
        json.Key("speed");
        json.Number(shownSpeed);
        json.Key("direction");
        if (knownDirection)
            json.String(directionName);
        else
            json.Null();
        json.Key("multicolour");
        json.Bool(g_lighting.multicolour);
        json.Key("colour");
        json.String(ColourText(g_lighting.effectColour));
        json.Key("choice");
        if (choice <= MaxColourChoice)
            json.String(ChoiceNames[choice]);
        else
            json.Null();
        json.Key("rate");
        json.Number(shownRate);
        // The record's bytes in hexadecimal, for what the fields cannot show.
        std::string bytes;
        for (uint8_t byte : record) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", byte);
            bytes += hex;
        }
        json.Key("record");
        json.String(bytes);
        json.EndObject();
        return PrintJson(json);
    }
    std::printf("profile: %d\n", profile + 1);
    std::printf("effect: %d%s\n", code, name.empty() ? "" : (" (" + name + ")").c_str());
    std::printf("brightness: %d\n", g_lighting.brightness);
    if (speed <= MaxLevel)
        std::printf("speed: %d\n", shownSpeed);
    else
        std::printf("speed: %d (beyond the slider: the keyboard holds %d)\n", shownSpeed, speed);
    if (knownDirection)
        std::printf("direction: %s\n", directionName);
    else
        std::printf("direction: 0x%02X (neither left nor right)\n", direction);
    std::printf("multicolour: %s\n", g_lighting.multicolour ? "on" : "off");
    std::printf("colour: %s\n", ColourText(g_lighting.effectColour).c_str());
    if (choice <= MaxColourChoice)
        std::printf("choice: %s\n", ChoiceNames[choice]);
    else
        std::printf("choice: %d (none of the four colours)\n", choice);
    if (rate <= MaxReportRate)
        std::printf("rate: %d\n", shownRate);
    else
        std::printf("rate: %d (the keyboard holds %d, shown as the last)\n", shownRate, rate);
    return ExitOk;
}

} // namespace

int RunLighting(const std::vector<std::string>& args)
{
    std::optional<int> profile;
    if (!args.empty()) {
        profile = ProfileArgument(args[0]);
        if (!profile)
            return NoSuchProfile(args[0]);
    }
    // FIELD=VALUE: known fields only, each once.
    std::vector<std::pair<const FieldRule*, std::string>> fields;
    for (size_t i = 1; i < args.size(); ++i) {
        const size_t eq = args[i].find('=');
        const FieldRule* rule = eq == std::string::npos ? nullptr : FindField(args[i].substr(0, eq));
        if (!rule) {
            CtlError("\"" + args[i] + "\" is not FIELD=VALUE with a field the lighting has");
            return LightingUsage();
        }
        for (const auto& [other, value] : fields) {
            if (other == rule) {
                CtlError(std::string(rule->name) + " is given twice");
                return LightingUsage();
            }
        }
        fields.emplace_back(rule, args[i].substr(eq + 1));
    }
    KeyboardSession session;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    if (!profile) {
        const int active = ActiveProfile();
        if (active < 0) {
            CtlError("the keyboard does not tell its active profile");
            return ExitNoKeyboard;
        }
        profile = active;
    }
    if (int result = ReadProfile(*profile); result != ExitOk)
        return result;
    if (fields.empty())
        return session.Finish(PrintRecord(*profile));

    // Every value is checked before the first byte is written.
    std::vector<Change> changes;
    for (const auto& [rule, value] : fields) {
        Change change{rule->name, {}};
        if (Checked reason = rule->check(value, change)) {
            CtlError(*reason + "; nothing was written");
            return ExitInvalidFile;
        }
        changes.push_back(std::move(change));
    }
    session.Changed(KeyboardPart::Lighting);
    for (const Change& change : changes) {
        if (int32_t result = change.write(); result != 1) {
            CtlError("the keyboard did not take " + change.field + " (" + std::to_string(result) + ")");
            return ExitRefused;
        }
    }
    // What the keyboard holds now, as "profile N" shows the profile it switched to.
    if (int result = ReadProfile(*profile); result != ExitOk)
        return result;
    return session.Finish(PrintRecord(*profile));
}

int RunKeyColours(const std::vector<std::string>& args)
{
    if (args.size() != 1)
        return CtlUsage("key-colours");
    const std::optional<int> profile = ProfileArgument(args[0]);
    if (!profile)
        return NoSuchProfile(args[0]);
    KeyboardSession session;
    if (int result = session.Connect(); result != ExitOk)
        return result;
    EnsureUserFolder();
    g_lighting.viewedProfile = *profile;
    session.Changed(KeyboardPart::KeyColours);
    if (int32_t result = LoadUserModes(); result != 1) {
        CtlError("the keyboard did not take the key colours (" + std::to_string(result) + ")");
        return ExitRefused;
    }
    const int mode = g_userModes.userMode;
    const std::string name = ReadModeName(*profile, mode);
    const std::string file = UserModeFilePath(*profile);
    if (Options().json) {
        JsonWriter json;
        json.BeginObject();
        json.Key("profile");
        json.Number(*profile + 1);
        json.Key("userMode");
        json.Number(mode);
        json.Key("name");
        json.String(name);
        json.Key("file");
        json.String(file);
        json.EndObject();
        return session.Finish(PrintJson(json));
    }
    std::printf("Profile %d: user mode %d (%s) of %s sent\n", *profile + 1, mode, name.c_str(), file.c_str());
    return session.Finish(ExitOk);
}
