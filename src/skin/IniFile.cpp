#include "skin/IniFile.h"

#include "platform/PrivateProfile.h"

namespace {
constexpr size_t ValueBufferChars = 2048;
}

std::optional<std::string> CIniFile::GetString(const std::string& section, const std::string& key,
                                               const std::string& defaultValue) const
{
    std::string value;
    if (GetPrivateProfileString(section, key, defaultValue, value, ValueBufferChars, path_) == 0)
        return std::nullopt;
    return value;
}

bool CIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) const
{
    return WritePrivateProfileString(section, key, value, path_);
}
