#include "ctl/JsonWriter.h"

#include <cstdio>

#include "platform/Utf8.h"

std::string JsonWriter::Escape(std::string_view text)
{
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const Utf8Char read = ReadUtf8Char(text, i);
        const size_t length = read.bytes;
        if (!read.valid) {
            // One replacement per malformed byte; the next byte starts afresh.
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
