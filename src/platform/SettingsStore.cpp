#include "platform/SettingsStore.h"

#include "platform/HomeFolder.h"
#include "platform/PrivateProfile.h"
#include "platform/SaveReport.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>

namespace {

constexpr std::string_view DwordPrefix = "dword:";
// Marks a string that would otherwise look like one of the typed forms.
constexpr std::string_view StringPrefix = "sz:";

std::mutex g_folderMutex;
std::string g_folderOverride;

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

std::optional<uint32_t> ParseDword(std::string_view raw)
{
    if (!StartsWith(raw, DwordPrefix))
        return std::nullopt;
    std::string_view hex = raw.substr(DwordPrefix.size());
    if (hex.empty() || hex.size() > 8)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : hex) {
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value << 4 | digit;
    }
    return value;
}

bool MakeFolders(const std::string& folder, int& error)
{
    // Every prefix ending in '/' is created in turn; existing ones are fine.
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i == folder.size() || folder[i] == '/') {
            std::string part = folder.substr(0, i);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
                error = errno;
                return false;
            }
        }
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        error = errno;
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        error = ENOTDIR;
        return false;
    }
    return true;
}

} // namespace

std::string SettingsFolder()
{
    {
        std::lock_guard lock(g_folderMutex);
        if (!g_folderOverride.empty())
            return g_folderOverride;
    }
    return XdgBaseFolder("XDG_CONFIG_HOME", ".config") + "/orvan-rt604/";
}

void SetSettingsFolderForTests(const std::string& folder)
{
    std::lock_guard lock(g_folderMutex);
    g_folderOverride = folder;
    if (!g_folderOverride.empty() && g_folderOverride.back() != '/')
        g_folderOverride += '/';
}

SettingsStore::SettingsStore(std::string fileName, std::string rootSection)
    : fileName_(std::move(fileName)), rootSection_(std::move(rootSection))
{
}

std::string SettingsStore::Path() const
{
    return SettingsFolder() + fileName_;
}

bool SettingsStore::Has(const std::string& section, const std::string& name) const
{
    return ReadPrivateProfileValue(section, name, Path()).has_value();
}

std::optional<std::string> SettingsStore::GetString(const std::string& section, const std::string& name) const
{
    std::optional<std::string> raw = ReadPrivateProfileValue(section, name, Path());
    if (!raw)
        return std::nullopt;
    if (StartsWith(*raw, StringPrefix))
        return raw->substr(StringPrefix.size());
    if (ParseDword(*raw))
        return std::nullopt;
    return raw;
}

std::optional<uint32_t> SettingsStore::GetDword(const std::string& section, const std::string& name) const
{
    std::optional<std::string> raw = ReadPrivateProfileValue(section, name, Path());
    if (!raw)
        return std::nullopt;
    return ParseDword(*raw);
}

bool SettingsStore::SetString(const std::string& section, const std::string& name, const std::string& value,
                              int* error)
{
    return SetStrings(section, {{name, value}}, error);
}

bool SettingsStore::SetStrings(const std::string& section,
                               const std::vector<std::pair<std::string, std::string>>& values, int* error)
{
    std::vector<std::pair<std::string, std::string>> stored = values;
    for (auto& [name, value] : stored) {
        if (StartsWith(value, DwordPrefix) || StartsWith(value, StringPrefix))
            value = std::string(StringPrefix) + value;
    }
    return Write(section, stored, error);
}

bool SettingsStore::SetDword(const std::string& section, const std::string& name, uint32_t value, int* error)
{
    char text[24];
    std::snprintf(text, sizeof text, "dword:%08x", value);
    return Write(section, {{name, text}}, error);
}

bool SettingsStore::Write(const std::string& section,
                          const std::vector<std::pair<std::string, std::string>>& values, int* error)
{
    const std::string folder = SettingsFolder();
    const std::string path = folder + fileName_;
    int err = 0;
    bool ok = MakeFolders(folder, err) && WritePrivateProfileStrings(section, values, path, &err);
    if (error)
        *error = ok ? 0 : err;
    else if (!ok)
        ReportSaveFailure(path, err);
    if (ok)
        ReportSaveSuccess(path);
    return ok;
}

FileUpdateLock SettingsStore::Lock() const
{
    const std::string folder = SettingsFolder();
    int err = 0;
    // Without the folder the lock's own open fails and says why.
    (void)MakeFolders(folder, err);
    return FileUpdateLock(folder + fileName_);
}

SettingsStore& AppSettings()
{
    static SettingsStore store("settings.ini", "Orvan RT-604");
    return store;
}

SettingsStore& UserKey()
{
    static SettingsStore store("user.ini", "Software\\Orvan RT-604");
    return store;
}
