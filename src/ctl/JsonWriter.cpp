#include "ctl/JsonWriter.h"

#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at text[i], 0 when it is not one.
size_t Utf8SequenceLength(std::string_view text, size_t i)
{
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length;
    uint32_t cp;
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((length == 3 && cp < 0x800) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF))
        || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string JsonWriter::Escape(std::string_view text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
    return out;
}

void JsonWriter::Newline()
{
    out_ += '\n';
    out_.append(2 * hasElement_.size(), ' ');
}

void JsonWriter::BeforeValue()
{
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (!hasElement_.empty()) {
        if (hasElement_.back())
            out_ += ',';
        hasElement_.back() = true;
        Newline();
    }
}

void JsonWriter::BeginObject()
{
    BeforeValue();
    out_ += '{';
    hasElement_.push_back(false);
}

void JsonWriter::EndObject()
{
    const bool any = hasElement_.back();
    hasElement_.pop_back();
    if (any)
        Newline();
    out_ += '}';
}

void JsonWriter::BeginArray()
{
    BeforeValue();
    out_ += '[';
    hasElement_.push_back(false);
}

void JsonWriter::EndArray()
{
    EndObject();
    out_.back() = ']';
}

void JsonWriter::Key(std::string_view name)
{
    BeforeValue();
    out_ += Escape(name);
    out_ += ": ";
    afterKey_ = true;
}

void JsonWriter::String(std::string_view text)
{
    BeforeValue();
    out_ += Escape(text);
}

void JsonWriter::Number(int64_t value)
{
    BeforeValue();
    out_ += std::to_string(value);
}

void JsonWriter::Bool(bool value)
{
    BeforeValue();
    out_ += value ? "true" : "false";
}

void JsonWriter::Null()
{
    BeforeValue();
    out_ += "null";
}
