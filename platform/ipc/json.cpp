#include "platform/ipc/json.h"

#include <cstdio>

#include "platform/base/utf.h"

namespace wq::ipc {

void JsonWriter::Separate() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_first.empty()) {
        if (!m_first.back()) m_out += ',';
        m_first.back() = false;
    }
}

JsonWriter& JsonWriter::BeginObject() {
    Separate();
    m_out += '{';
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    m_out += '}';
    if (!m_first.empty()) m_first.pop_back();
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    Separate();
    m_out += '[';
    m_first.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    m_out += ']';
    if (!m_first.empty()) m_first.pop_back();
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    Value(key);
    m_out += ':';
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::Value(std::string_view s) {
    Separate();
    m_out += '"';
    for (unsigned char c : s) {
        switch (c) {
            case '"':
                m_out += "\\\"";
                break;
            case '\\':
                m_out += "\\\\";
                break;
            case '\n':
                m_out += "\\n";
                break;
            case '\r':
                m_out += "\\r";
                break;
            case '\t':
                m_out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    m_out += buf;
                } else {
                    m_out += static_cast<char>(c);
                }
        }
    }
    m_out += '"';
    return *this;
}

// Unpaired surrogates (file names that were not valid UTF-8) become U+FFFD, so
// the text stays valid UTF-8.
JsonWriter& JsonWriter::Value(std::u16string_view s) {
    std::u16string clean(s);
    for (size_t i = 0; i < clean.size(); ++i) {
        const char16_t c = clean[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < clean.size() && clean[i + 1] >= 0xDC00 && clean[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            clean[i] = 0xFFFD;
        }
    }
    return Value(std::string_view(Utf16ToUtf8(clean)));
}

JsonWriter& JsonWriter::Value(long long n) {
    Separate();
    m_out += std::to_string(n);
    return *this;
}

JsonWriter& JsonWriter::Value(bool b) {
    Separate();
    m_out += b ? "true" : "false";
    return *this;
}

}  // namespace wq::ipc
