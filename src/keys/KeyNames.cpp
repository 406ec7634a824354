#include "keys/KeyTable.h"

#include "platform/Utf8.h"
#include "text/LanguageTexts.h"

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
    return CutUtf8Chars(name, maxChars - 1);
}

std::string GetListName(uint16_t listCode)
{
    for (const KeyRecord& record : KeyTable) {
        if (record.listCode == listCode)
            return record.languageKey[0] != '\0' ? LoadText(record.languageKey) : std::string();
    }
    return {};
}
