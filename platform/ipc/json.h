// A small JSON text builder for the automation state: objects and arrays are
// opened and closed in order, commas are placed automatically, strings are
// escaped (UTF-16 input is written as UTF-8; control characters as \u00XX).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wq::ipc {

class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // Inside an object: the next value's key.
    JsonWriter& Key(std::string_view key);
    JsonWriter& Value(std::string_view s);
    JsonWriter& Value(std::u16string_view s);
    JsonWriter& Value(long long n);
    JsonWriter& Value(bool b);
    JsonWriter& Value(const char* s) { return Value(std::string_view(s)); }
    JsonWriter& Value(int n) { return Value(static_cast<long long>(n)); }
    JsonWriter& Value(unsigned n) { return Value(static_cast<long long>(n)); }

    const std::string& str() const { return m_out; }

private:
    void Separate();
    std::string m_out;
    std::vector<bool> m_first;  // per open container: no element written yet
    bool m_afterKey = false;
};

}  // namespace wq::ipc
