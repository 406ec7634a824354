#include "keys/KeyTable.h"

#include "text/LanguageTexts.h"

namespace {

// Cuts a UTF-8 text to at most maxChars characters without splitting a
// multi-byte sequence.
std::string CutToChars(const std::string& text, size_t maxChars)
{
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        bool startsChar = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (startsChar && chars++ == maxChars)
            return text.substr(0, i);
    }
    return text;
}

} // namespace

std::string GetKeyName(uint16_t keyCode, size_t maxChars)
{
    if (maxChars == 0)
        return {};
    const KeyRecord& record = KeyRecordOf(keyCode);
    std::string name;
    if (record.languageKey[0] != '\0')
        name = LoadText(record.languageKey);
    if (name.empty())
        name = FormatText(LoadText("UNKNOWN_KEY"), static_cast<long long>(keyCode));
    return CutToChars(name, maxChars - 1);
}

std::string GetListName(uint16_t listCode)
{
    for (const KeyRecord& record : KeyTable) {
        if (record.listCode == listCode)
            return record.languageKey[0] != '\0' ? LoadText(record.languageKey) : std::string();
    }
    return {};
}
