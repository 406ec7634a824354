#pragma once

#include <optional>
#include <string>

// One skin layout (INI) file.
class CIniFile {
public:
    CIniFile() = default;
    explicit CIniFile(std::string path) : path_(std::move(path)) {}

    void SetPath(const std::string& path) { path_ = path; }
    const std::string& Path() const { return path_; }

    // The value (or defaultValue when the key is missing), at most 2047
    // characters; nothing when that comes out empty.
    std::optional<std::string> GetString(const std::string& section, const std::string& key,
                                         const std::string& defaultValue = {}) const;
    bool WriteString(const std::string& section, const std::string& key, const std::string& value) const;

private:
    std::string path_;
};
