#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// INI ("private profile") files. Sections and keys compare without regard to
// ASCII case; the first of duplicate keys wins; values are trimmed and lose
// one pair of surrounding double quotes. Files are UTF-8 (a BOM is accepted)
// or UTF-16LE with its BOM. Damaged files never fail a read: what cannot be
// understood simply reads as missing entries.

// Files larger than this read as missing; hostile input must not decide our
// allocation.
inline constexpr uint64_t MaxProfileFileBytes = 16u * 1024u * 1024u;

struct ParsedIni {
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries; // in file order, duplicates kept
    };
    std::vector<Section> sections;

    const std::string* Find(std::string_view section, std::string_view key) const;
    const Section* FindSection(std::string_view section) const;

    // Folded "section\nkey" -> value; first occurrence only.
    std::unordered_map<std::string, std::string> index;
};

// Parses file bytes (any encoding above) into sections and entries.
ParsedIni ParseIniText(const std::string& bytes);

// Parsed files shared between lookups. A file is parsed again only when its
// modification time (to the nanosecond), size or identity changes, so a
// lookup costs one stat and a hash look-up.
class IniCache {
public:
    static IniCache& Instance();
    // nullptr when the file is missing, not a regular file or too large;
    // error (when given) then says why (FileAccess.h).
    std::shared_ptr<const ParsedIni> Get(const std::string& path, int* error = nullptr);
    // Writes made by this process drop the cached copy, so that a rewrite
    // within one timestamp tick is still seen.
    void Invalidate(const std::string& path);
    void Clear();

private:
    IniCache();
    ~IniCache();
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Reads section/key from the file at path into out, or defaultValue when the
// file, section or key is missing. The result is cut to bufferChars - 1
// characters (UTF-8 code points, never a partial sequence); returns the
// number of characters copied, so a present but empty value gives 0 and an
// empty out while a missing one gives the default.
size_t GetPrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& defaultValue, std::string& out,
                               size_t bufferChars, const std::string& path);

// The value itself, or nothing when the file, section or key is missing.
std::optional<std::string> ReadPrivateProfileValue(const std::string& section,
                                                   const std::string& key,
                                                   const std::string& path);

// Every key and value of a section in file order (first of duplicates only).
std::vector<std::pair<std::string, std::string>> GetPrivateProfileSection(const std::string& section,
                                                                          const std::string& path);

// Writes section/key = value, creating the file, section and key as needed.
// An existing value is replaced in place; every other line, comment and the
// order of the file are kept. A value that would not read back as written
// (surrounding blanks, surrounding quotes) is quoted; line breaks in it
// become spaces. The file is read, changed and replaced under its update
// lock (FileLock.h), so writers in other processes lose nothing. Fails for
// names that cannot be written as one INI line (EINVAL), for a folder or an
// over-large file at path, when the lock cannot be had and when the atomic
// write fails; error (when given) then gets the reason (FileAccess.h).
bool WritePrivateProfileString(const std::string& section, const std::string& key,
                               const std::string& value, const std::string& path, int* error = nullptr);
// Several keys of one section in one atomic write, as if written one after
// the other: either all of them reach the file or none does.
bool WritePrivateProfileStrings(const std::string& section,
                                const std::vector<std::pair<std::string, std::string>>& entries,
                                const std::string& path, int* error = nullptr);
