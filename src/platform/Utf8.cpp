#include "platform/Utf8.h"

Utf8Char ReadUtf8Char(std::string_view text, size_t at)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(at);
    char32_t cp;
    size_t extra;
    char32_t minimum;
    if (lead < 0x80)
        return {lead, 1, true};
    if ((lead & 0xE0) == 0xC0)
        cp = lead & 0x1F, extra = 1, minimum = 0x80;
    else if ((lead & 0xF0) == 0xE0)
        cp = lead & 0x0F, extra = 2, minimum = 0x800;
    else if ((lead & 0xF8) == 0xF0)
        cp = lead & 0x07, extra = 3, minimum = 0x10000;
    else
        return {0xFFFD, 1, false};
    size_t used = 1;
    for (; used <= extra; ++used) {
        if (at + used >= text.size() || !IsUtf8Continuation(byte(at + used)))
            return {0xFFFD, used, false};
        cp = (cp << 6) | (byte(at + used) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return {0xFFFD, used, false};
    return {cp, used, true};
}

size_t CountUtf8Chars(std::string_view text)
{
    size_t n = 0;
    for (char c : text) {
        if (!IsUtf8Continuation(static_cast<unsigned char>(c)))
            ++n;
    }
    return n;
}

std::string CutUtf8Chars(std::string_view text, size_t maxChars)
{
    size_t chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!IsUtf8Continuation(static_cast<unsigned char>(text[i]))) {
            if (chars == maxChars)
                return std::string(text.substr(0, i));
            ++chars;
        }
    }
    return std::string(text);
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const Utf8Char c = ReadUtf8Char(text, i);
        i += c.bytes;
        if (c.codePoint >= 0x10000) {
            const char32_t above = c.codePoint - 0x10000;
            out += static_cast<char16_t>(0xD800 + (above >> 10));
            out += static_cast<char16_t>(0xDC00 + (above & 0x3FF));
        } else {
            out += static_cast<char16_t>(c.codePoint);
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        char32_t cp = unit;
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            cp = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
    return out;
}
