#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 as the program reads and writes it: language files, INI values,
// macro names and rt604ctl's JSON. Every reader here takes only well-formed
// UTF-8 (no overlong forms, surrogates or values past U+10FFFF).

inline bool IsUtf8Continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }
inline bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// One character read at a position of a UTF-8 text.
struct Utf8Char {
    char32_t codePoint; // U+FFFD when the bytes are not well-formed UTF-8
    // The bytes taken: the whole sequence; for a malformed one its first byte
    // and the continuation bytes that followed it, up to the length the first
    // byte announced (at least 1).
    size_t bytes;
    bool valid;
};
// at < text.size().
Utf8Char ReadUtf8Char(std::string_view text, size_t at);

// Appends one code point (at most U+10FFFF; callers replace surrogates and
// anything larger with U+FFFD first) as UTF-8.
inline void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Characters counted as the bytes that are not continuation bytes, so a
// malformed sequence counts as its first byte alone.
size_t CountUtf8Chars(std::string_view text);
// The first maxChars characters of text (counted as CountUtf8Chars does),
// never splitting a sequence.
std::string CutUtf8Chars(std::string_view text, size_t maxChars);

// Each malformed sequence (see Utf8Char) becomes one U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
