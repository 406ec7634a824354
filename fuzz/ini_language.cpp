// Arbitrary bytes as an INI file (a skin's layout, a language file, the user
// INI), then every value used as a language format with one number and one
// text: the parse must index what it read, and a format from a damaged
// language file must fill one placeholder at most, within bounded width.
#include "platform/PrivateProfile.h"
#include "text/LanguageTexts.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The widest a filled placeholder may come out (widths and precisions are
// cut to 64) beside the number's own digits or the text itself.
constexpr size_t FieldSlack = 64 + 24;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const ParsedIni ini = ParseIniText(bytes);
    size_t values = 0;
    for (const ParsedIni::Section& section : ini.sections) {
        Check(ini.FindSection(section.name) != nullptr);
        for (const auto& [key, value] : section.entries) {
            // The first entry of a key wins, so some value is always found.
            Check(ini.Find(section.name, key) != nullptr);
            if (++values > 64)
                continue; // formats of the first entries are plenty per input
            const std::string number = FormatText(value, static_cast<long long>(size) - 1000);
            Check(number.size() <= value.size() + FieldSlack);
            const std::string text = FormatText(value, key);
            Check(text.size() <= value.size() + key.size() + FieldSlack);
        }
    }
    return 0;
}
