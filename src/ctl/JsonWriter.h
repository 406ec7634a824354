#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A small streaming JSON writer: objects, arrays, strings, numbers. Strings
// are escaped and always valid UTF-8 (invalid bytes become U+FFFD).
class JsonWriter {
public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // Inside an object, the next value's name.
    void Key(std::string_view name);
    void String(std::string_view text);
    void Number(int64_t value);
    void Bool(bool value);
    void Null();

    const std::string& Text() const { return out_; }

    static std::string Escape(std::string_view text);

private:
    void BeforeValue();
    void Newline();

    std::string out_;
    // Per open container: whether it already holds an element.
    std::vector<bool> hasElement_;
    bool afterKey_ = false;
};
