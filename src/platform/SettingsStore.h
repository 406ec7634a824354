#pragma once

#include "platform/FileLock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The per-user registry's two places, each kept in its own INI file in the
// settings folder ($XDG_CONFIG_HOME, else ~/.config, + "/orvan-rt604/"):
//   AppSettings(): the application settings ("Varkelin_Brantel" /
//                  "Orvan RT-604"), sections such as "PROFILES";
//   UserKey():     the user key "Software\Orvan RT-604" ("dwLanguageId").
// Value types stay apart: a DWORD is stored as "dword:0000040d", a string as
// plain text, so a string never reads as a DWORD nor the other way round.
// Writes are atomic, and each one reads, changes and replaces the file under
// its update lock (FileLock.h), so the window and any number of rt604ctl runs
// writing at once lose nothing. A change made of several reads and writes
// (read the rules, add one, save them) holds Lock() for the whole of it.
//
// A failed write returns false. With error given, the caller gets the reason
// (FileAccess.h) and tells the owner itself; without, the failure is told
// through ReportSaveFailure (SaveReport.h), since nobody else would.
class SettingsStore {
public:
    // fileName inside the settings folder; rootSection holds the values
    // that live directly in the place rather than in a named section.
    SettingsStore(std::string fileName, std::string rootSection);

    // Full path of this place's file, resolved anew on each call.
    std::string Path() const;

    // Nothing when missing or of the other type.
    std::optional<std::string> GetString(const std::string& section, const std::string& name) const;
    std::optional<uint32_t> GetDword(const std::string& section, const std::string& name) const;
    bool SetString(const std::string& section, const std::string& name, const std::string& value,
                   int* error = nullptr);
    bool SetDword(const std::string& section, const std::string& name, uint32_t value, int* error = nullptr);
    // Several strings of one section in one atomic write: all of them reach
    // the file or none does.
    bool SetStrings(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values,
                    int* error = nullptr);
    // True when the name exists with any type.
    bool Has(const std::string& section, const std::string& name) const;

    // The same, for values directly in the place.
    std::optional<std::string> GetString(const std::string& name) const { return GetString(rootSection_, name); }
    std::optional<uint32_t> GetDword(const std::string& name) const { return GetDword(rootSection_, name); }
    bool SetString(const std::string& name, const std::string& value) { return SetString(rootSection_, name, value); }
    bool SetDword(const std::string& name, uint32_t value) { return SetDword(rootSection_, name, value); }

    // Holds off every other writer of this place (other processes too) while
    // it lives; reads made under it see the file as it is. The writes above
    // take it again without waiting. Held() is false, with the reason, when
    // the folder cannot be made or another holder did not let go in time.
    FileUpdateLock Lock() const;

private:
    bool Write(const std::string& section, const std::vector<std::pair<std::string, std::string>>& values,
               int* error);

    std::string fileName_;
    std::string rootSection_;
};

SettingsStore& AppSettings();
SettingsStore& UserKey();

// The settings folder with a trailing '/'. Created by the first write.
std::string SettingsFolder();
// Tests point the store at a temporary folder; an empty folder goes back to
// the environment.
void SetSettingsFolderForTests(const std::string& folder);
