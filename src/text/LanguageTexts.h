#pragma once

#include <cstdint>
#include <string>

// Every visible text is looked up by its key in the chosen language's file
// ("Lang%04X.ini" in the data folder) at the moment it is shown. Texts are
// UTF-8. A missing file or key gives "#Error"; a key with an empty value
// gives an empty text; texts are cut to 259 characters.

inline constexpr uint32_t LanguageEnglish = 1033;
inline constexpr uint32_t LanguageRussian = 1049;

std::string LoadText(const std::string& key, int languageIndex);
std::string LoadLightText(const std::string& key, int languageIndex);
std::string LoadModeText(const std::string& key, int languageIndex);
// Shorthands with the stored language, as every caller uses them.
std::string LoadText(const std::string& key);
std::string LoadLightText(const std::string& key);
std::string LoadModeText(const std::string& key);
// For texts that once were fixed in the program: a language file without the
// key (an older one) shows fallback, the text those files were made for.
std::string LoadTextOr(const std::string& key, const std::string& fallback, int languageIndex);
std::string LoadTextOr(const std::string& key, const std::string& fallback);
// A "MODE" text whose key the file lacks (an effect code it names not) gives
// fallback.
std::string LoadModeTextOr(const std::string& key, const std::string& fallback);

uint32_t GetLanguageId();
int GetLanguageIndex();
void SetLanguageIndex(int index);

// Language texts used as formats take one argument. A language file is
// input, so this fills exactly the first placeholder of the expected kind
// (%d / %s and their width forms) and prints everything else literally.
std::string FormatText(const std::string& format, long long number);
std::string FormatText(const std::string& format, const std::string& text);

// A number with its thousands grouped as the language writes them: "8,224"
// in English, "8 224" (with a no-break space) in Russian.
std::string GroupedNumber(long long value, int languageIndex);
std::string GroupedNumber(long long value);

// The language id of table entry index (index 0 for anything but 1).
uint32_t LanguageIdOfIndex(int index);
// Full path of a language's file in the data folder.
std::string LanguageFilePath(uint32_t languageId);
// The system's default language as a Windows language id, from LC_ALL,
// LC_MESSAGES, then LANG (first non-empty); "C"/"POSIX" and unknown locales
// give 0x0409.
uint32_t SystemDefaultLanguageId();
// One locale name such as "en_GB.UTF-8" or "ru" to a Windows language id;
// 0x0409 when unknown.
uint32_t LanguageIdFromLocale(const std::string& locale);
