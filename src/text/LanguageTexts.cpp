#include "text/LanguageTexts.h"

#include "base/ProgramPaths.h"
#include "platform/FileAccess.h"
#include "platform/PrivateProfile.h"
#include "platform/ProblemReport.h"
#include "platform/SettingsStore.h"
#include "platform/Utf8.h"

#include <cstdio>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

constexpr const char* LanguageValueName = "dwLanguageId";
constexpr const char* MissingText = "#Error";
// Room for 260 characters with the terminator the lookup always had.
constexpr size_t TextBufferChars = 260;

std::string LoadSectionText(const char* section, const std::string& key, int languageIndex,
                            const std::string& missing = MissingText)
{
    const std::string path = LanguageFilePath(LanguageIdOfIndex(languageIndex));
    int error = 0;
    const std::shared_ptr<const ParsedIni> ini = IniCache::Instance().Get(path, &error);
    // The texts become "#Error" either way; the owner learns why once.
    if (!ini)
        ReportProblemOnce(path + ": the language file cannot be read (" + FileErrorText(error) + "); texts show as "
                          + MissingText);
    else if (!ini->FindSection("TEXT"))
        ReportProblemOnce(path + ": the language file is damaged (it has no [TEXT] section); texts show as "
                          + MissingText);
    const std::string* value = ini ? ini->Find(section, key) : nullptr;
    return CutUtf8Chars(value ? *value : missing, TextBufferChars - 1);
}

struct LocaleId {
    const char* name;
    uint32_t id;
};

// Locale names (language_TERRITORY) to Windows language ids. A bare
// language, or a territory not listed, takes the language's first entry.
constexpr LocaleId LocaleTable[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409},
    {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_JM", 0x2009}, {"en_029", 0x2409}, {"en_BZ", 0x2809},
    {"en_TT", 0x2C09}, {"en_IN", 0x4009}, {"en_SG", 0x4809},
    {"ru_RU", 0x0419}, {"ru_UA", 0x0819},
    {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07},
    {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"es_ES", 0x0C0A}, {"es_MX", 0x080A},
    {"it_IT", 0x0410}, {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"nl_NL", 0x0413},
    {"pl_PL", 0x0415}, {"cs_CZ", 0x0405}, {"sk_SK", 0x041B}, {"hu_HU", 0x040E},
    {"uk_UA", 0x0422}, {"be_BY", 0x0423}, {"kk_KZ", 0x043F}, {"bg_BG", 0x0402},
    {"sv_SE", 0x041D}, {"da_DK", 0x0406}, {"fi_FI", 0x040B}, {"nb_NO", 0x0414},
    {"tr_TR", 0x041F}, {"el_GR", 0x0408}, {"ja_JP", 0x0411}, {"ko_KR", 0x0412},
    {"zh_CN", 0x0804}, {"zh_TW", 0x0404},
};

} // namespace

uint32_t LanguageIdOfIndex(int index)
{
    return index == 1 ? LanguageRussian : LanguageEnglish;
}

std::string LanguageFilePath(uint32_t languageId)
{
    char name[32];
    std::snprintf(name, sizeof name, "Lang%04X.ini", languageId);
    return g_paths.programDrive + g_paths.programDir + name;
}

std::string LoadText(const std::string& key, int languageIndex)
{
    return LoadSectionText("TEXT", key, languageIndex);
}

std::string LoadLightText(const std::string& key, int languageIndex)
{
    return LoadSectionText("LIGHT", key, languageIndex);
}

std::string LoadModeText(const std::string& key, int languageIndex)
{
    return LoadSectionText("MODE", key, languageIndex);
}

std::string LoadTextOr(const std::string& key, const std::string& fallback, int languageIndex)
{
    return LoadSectionText("TEXT", key, languageIndex, fallback);
}

std::string LoadTextOr(const std::string& key, const std::string& fallback)
{
    return LoadTextOr(key, fallback, GetLanguageIndex());
}

std::string LoadModeTextOr(const std::string& key, const std::string& fallback)
{
    return LoadSectionText("MODE", key, GetLanguageIndex(), fallback);
}

std::string LoadText(const std::string& key)
{
    return LoadText(key, GetLanguageIndex());
}

std::string LoadLightText(const std::string& key)
{
    return LoadLightText(key, GetLanguageIndex());
}

std::string LoadModeText(const std::string& key)
{
    return LoadModeText(key, GetLanguageIndex());
}

uint32_t LanguageIdFromLocale(const std::string& locale)
{
    // "ll_TT.codeset@modifier": only language and territory matter.
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    if (name.empty() || name == "C" || name == "POSIX")
        return LanguageEnglish;
    std::string language = name.substr(0, name.find('_'));
    for (const LocaleId& entry : LocaleTable) {
        if (name == entry.name)
            return entry.id;
    }
    for (const LocaleId& entry : LocaleTable) {
        std::string_view entryName(entry.name);
        if (entryName.substr(0, entryName.find('_')) == language)
            return entry.id;
    }
    return LanguageEnglish;
}

uint32_t SystemDefaultLanguageId()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && value[0])
            return LanguageIdFromLocale(value);
    }
    return LanguageEnglish;
}

uint32_t GetLanguageId()
{
    SettingsStore& store = UserKey();
    std::optional<uint32_t> stored = store.GetDword(LanguageValueName);
    if (!stored) {
        // A failed write is not noticed; the language is then decided anew
        // at every look-up.
        store.SetDword(LanguageValueName, 0);
        stored = 0;
    }
    if (*stored != 0)
        return *stored;
    // Every English variant (en_GB, en_AU, ...) falls to 1033 here; only a
    // Russian system starts in Russian.
    uint32_t id = SystemDefaultLanguageId();
    if (id != LanguageEnglish && id != LanguageRussian)
        id = LanguageEnglish;
    store.SetDword(LanguageValueName, id); // unnoticed on failure, as above
    return id;
}

int GetLanguageIndex()
{
    return GetLanguageId() == LanguageRussian ? 1 : 0;
}

void SetLanguageIndex(int index)
{
    // Nothing to report to: a failed write keeps the old language, which every
    // text then shows.
    UserKey().SetDword(LanguageValueName, LanguageIdOfIndex(index));
}

namespace {

// Padding above this is a damaged or hostile format, not a layout wish.
constexpr size_t MaxFieldWidth = 64;

struct Placeholder {
    size_t length = 0; // characters of the format it spans, 0 when none
    bool leftAlign = false;
    bool zeroPad = false;
    bool plusSign = false;
    bool spaceSign = false;
    size_t width = 0;
    std::optional<size_t> precision;
    char conversion = 0; // 'd', 'i', 'u' or 's'
};

// Reads the placeholder that starts at format[at] == '%'.
Placeholder ReadPlaceholder(std::string_view format, size_t at)
{
    Placeholder p;
    size_t i = at + 1;
    for (; i < format.size(); ++i) {
        char c = format[i];
        if (c == '-')
            p.leftAlign = true;
        else if (c == '0')
            p.zeroPad = true;
        else if (c == '+')
            p.plusSign = true;
        else if (c == ' ')
            p.spaceSign = true;
        else if (c != '#')
            break;
    }
    auto readNumber = [&](size_t& into) {
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
            into = std::min<size_t>(into * 10 + static_cast<size_t>(format[i] - '0'), 1000000);
            ++i;
        }
    };
    readNumber(p.width);
    if (i < format.size() && format[i] == '.') {
        ++i;
        size_t precision = 0;
        readNumber(precision);
        p.precision = precision;
    }
    // Length modifiers change nothing: the number always arrives as a long
    // long and the text as UTF-8.
    while (i < format.size() && (format[i] == 'l' || format[i] == 'h' || format[i] == 'I' || format[i] == 'w'))
        ++i;
    if (i >= format.size())
        return p;
    char c = format[i];
    if (c == 'd' || c == 'i' || c == 'u' || c == 's')
        p.conversion = c;
    else if (c == 'S')
        p.conversion = 's';
    else
        return p;
    p.width = std::min(p.width, MaxFieldWidth);
    p.length = i + 1 - at;
    return p;
}

std::string Pad(std::string body, const Placeholder& p, bool numeric)
{
    size_t chars = CountUtf8Chars(body);
    if (chars >= p.width)
        return body;
    size_t fill = p.width - chars;
    if (p.leftAlign)
        return body + std::string(fill, ' ');
    if (numeric && p.zeroPad && !p.precision) {
        size_t signChars = (!body.empty() && (body[0] == '-' || body[0] == '+' || body[0] == ' ')) ? 1 : 0;
        return body.substr(0, signChars) + std::string(fill, '0') + body.substr(signChars);
    }
    return std::string(fill, ' ') + body;
}

std::string RenderNumber(long long number, const Placeholder& p)
{
    std::string digits;
    bool negative = false;
    if (p.conversion == 'u') {
        // As the 32-bit unsigned value a Windows format shows.
        unsigned long long u = static_cast<unsigned long long>(number);
        if (number < 0 && number >= INT32_MIN)
            u = static_cast<uint32_t>(number);
        digits = std::to_string(u);
    } else {
        negative = number < 0;
        unsigned long long magnitude =
            negative ? 0ULL - static_cast<unsigned long long>(number) : static_cast<unsigned long long>(number);
        digits = std::to_string(magnitude);
    }
    if (p.precision) {
        size_t precision = std::min(*p.precision, MaxFieldWidth);
        if (digits.size() < precision)
            digits.insert(0, precision - digits.size(), '0');
        if (precision == 0 && digits == "0")
            digits.clear();
    }
    std::string sign = negative ? "-" : (p.conversion != 'u' && p.plusSign) ? "+" : (p.conversion != 'u' && p.spaceSign) ? " " : "";
    return Pad(sign + digits, p, true);
}

std::string RenderText(const std::string& text, const Placeholder& p)
{
    std::string body = p.precision ? CutUtf8Chars(text, *p.precision) : text;
    return Pad(body, p, false);
}

template <typename Render>
std::string FillFirst(std::string_view format, bool wantNumber, Render render)
{
    std::string out;
    out.reserve(format.size() + 16);
    bool filled = false;
    size_t i = 0;
    while (i < format.size()) {
        char c = format[i];
        if (c != '%') {
            out.push_back(c);
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out.push_back('%');
            i += 2;
            continue;
        }
        if (!filled) {
            Placeholder p = ReadPlaceholder(format, i);
            bool isNumber = p.conversion == 'd' || p.conversion == 'i' || p.conversion == 'u';
            if (p.length > 0 && isNumber == wantNumber) {
                out += render(p);
                filled = true;
                i += p.length;
                continue;
            }
        }
        // Anything else, including every later placeholder, is text.
        out.push_back('%');
        ++i;
    }
    return out;
}

} // namespace

std::string FormatText(const std::string& format, long long number)
{
    return FillFirst(format, true, [&](const Placeholder& p) { return RenderNumber(number, p); });
}

std::string FormatText(const std::string& format, const std::string& text)
{
    return FillFirst(format, false, [&](const Placeholder& p) { return RenderText(text, p); });
}

std::string GroupedNumber(long long value, int languageIndex)
{
    // Russian groups with a no-break space, so a number never breaks across
    // lines of a message.
    const std::string separator = languageIndex == 1 ? "\u00A0" : ",";
    const std::string digits = std::to_string(value < 0 ? -(value + 1) + 1ULL : static_cast<unsigned long long>(value));
    std::string out = value < 0 ? "-" : "";
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

std::string GroupedNumber(long long value)
{
    return GroupedNumber(value, GetLanguageIndex());
}
