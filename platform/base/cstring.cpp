#include "platform/base/cstring.h"

#include <algorithm>
#include <climits>
#include <cstdarg>
#include <cstdio>

#include "platform/base/casefold.h"
#include "platform/base/utf.h"

CString CString::FromUtf8(std::string_view utf8) {
    return CString(wq::Utf8ToUtf16(utf8));
}
std::string CString::ToUtf8() const {
    return wq::Utf16ToUtf8(m_str);
}

CString CString::Left(int n) const {
    n = std::clamp(n, 0, GetLength());
    return CString(m_str.substr(0, static_cast<size_t>(n)));
}

CString CString::Right(int n) const {
    n = std::clamp(n, 0, GetLength());
    return CString(m_str.substr(m_str.size() - static_cast<size_t>(n)));
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    first = std::clamp(first, 0, GetLength());
    count = std::clamp(count, 0, GetLength() - first);
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

int CString::Find(char16_t c, int start) const {
    if (start < 0 || start > GetLength()) return -1;
    const auto p = m_str.find(c, static_cast<size_t>(start));
    return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const char16_t* s, int start) const {
    if (!s || start < 0 || start > GetLength()) return -1;
    const auto p = m_str.find(s, static_cast<size_t>(start));
    return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(char16_t c) const {
    const auto p = m_str.rfind(c);
    return p == std::u16string::npos ? -1 : static_cast<int>(p);
}

CString& CString::MakeUpper() {
    for (auto& c : m_str) c = wq::ToUpperCase(c);
    return *this;
}

CString& CString::MakeLower() {
    for (auto& c : m_str) c = wq::ToLowerCase(c);
    return *this;
}

int CString::CompareNoCase(const char16_t* s) const {
    return wq::CompareNoCase(m_str, s ? s : u"");
}

int CString::Delete(int index, int count) {
    if (index >= 0 && index < GetLength() && count > 0) {
        m_str.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    }
    return GetLength();
}

int CString::Insert(int index, const char16_t* s) {
    index = std::clamp(index, 0, GetLength());
    if (s) m_str.insert(static_cast<size_t>(index), s);
    return GetLength();
}

int CString::Replace(const char16_t* from, const char16_t* to) {
    if (!from || !*from) return 0;
    const std::u16string f(from), t(to ? to : u"");
    int n = 0;
    size_t pos = 0;
    while ((pos = m_str.find(f, pos)) != std::u16string::npos) {
        m_str.replace(pos, f.size(), t);
        pos += t.size();
        ++n;
    }
    return n;
}

CString& CString::TrimRight() {
    while (!m_str.empty() && (m_str.back() == u' ' || m_str.back() == u'\t' ||
                              m_str.back() == u'\r' || m_str.back() == u'\n'))
        m_str.pop_back();
    return *this;
}

CString& CString::TrimLeft() {
    size_t i = 0;
    while (i < m_str.size() &&
           (m_str[i] == u' ' || m_str[i] == u'\t' || m_str[i] == u'\r' || m_str[i] == u'\n'))
        ++i;
    m_str.erase(0, i);
    return *this;
}

// A small printf for UTF-16 formats. Numbers are formatted by snprintf one
// conversion at a time; strings and characters are copied as UTF-16 and
// padded or cut here, counting UTF-16 units.
void CString::Format(const char16_t* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    FormatV(fmt, ap);
    va_end(ap);
}

namespace {

std::u16string Printf(const std::string& spec, auto value) {
    char small[64];
    const int n = std::snprintf(small, sizeof small, spec.c_str(), value);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof small) return wq::Utf8ToUtf16(small);
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), spec.c_str(), value);
    big.resize(static_cast<size_t>(n));
    return wq::Utf8ToUtf16(big);
}

// Text of a %s, %S or %c conversion, cut to `precision` units and padded with
// spaces to `width` (on the right with the "-" flag).
void AppendText(std::u16string& out, std::u16string_view text, int width, int precision,
                bool left) {
    if (precision >= 0 && text.size() > static_cast<size_t>(precision))
        text = text.substr(0, static_cast<size_t>(precision));
    const size_t pad =
        width > 0 && text.size() < static_cast<size_t>(width) ? width - text.size() : 0;
    if (!left) out.append(pad, u' ');
    out += text;
    if (left) out.append(pad, u' ');
}

}  // namespace

void CString::FormatV(const char16_t* fmt, va_list ap) {
    std::u16string out;
    for (const char16_t* p = fmt; p && *p; ++p) {
        if (*p != u'%') {
            out.push_back(*p);
            continue;
        }
        ++p;
        if (*p == u'%') {
            out.push_back(u'%');
            continue;
        }
        std::string flags;
        while (*p && std::u16string_view(u"-+ #0").find(*p) != std::u16string_view::npos)
            flags.push_back(static_cast<char>(*p++));
        // Width and precision: digits, or "*" taking an int argument.
        auto number = [&](int* value) {
            if (*p == u'*') {
                *value = va_arg(ap, int);
                ++p;
                return;
            }
            *value = 0;
            while (*p >= u'0' && *p <= u'9' && *value < 100000)
                *value = *value * 10 + (*p++ - u'0');
            while (*p >= u'0' && *p <= u'9') ++p;
        };
        int width = -1;
        int precision = -1;
        if (*p == u'*' || (*p >= u'0' && *p <= u'9')) number(&width);
        if (width < -1) {  // a negative "*" width means left-justified
            flags.push_back('-');
            width = width == INT_MIN ? 0 : -width;
        }
        if (*p == u'.') {
            ++p;
            number(&precision);
            if (precision < 0) precision = -1;
        }
        int longs = 0;
        bool narrow = false;
        while (*p == u'l' || *p == u'h') {
            if (*p == u'l') ++longs;
            if (*p == u'h') narrow = true;
            ++p;
        }
        const char16_t conv = *p;
        if (!conv) break;
        std::string spec(1, '%');
        spec.append(flags);
        if (width >= 0) spec.append(std::to_string(width));
        if (precision >= 0) spec.append(1, '.').append(std::to_string(precision));
        const bool left = flags.find('-') != std::string::npos;
        switch (conv) {
            case u'd':
            case u'i': {
                const long long v = longs >= 2   ? va_arg(ap, long long)
                                    : longs == 1 ? va_arg(ap, long)
                                                 : va_arg(ap, int);
                out += Printf(spec + "lld", v);
                break;
            }
            case u'u':
            case u'x':
            case u'X':
            case u'o': {
                const unsigned long long v = longs >= 2   ? va_arg(ap, unsigned long long)
                                             : longs == 1 ? va_arg(ap, unsigned long)
                                                          : va_arg(ap, unsigned);
                out += Printf(spec + "ll" + static_cast<char>(conv), v);
                break;
            }
            case u'f':
            case u'g':
            case u'e':
                out += Printf(spec + static_cast<char>(conv), va_arg(ap, double));
                break;
            case u'c': {
                const auto c = static_cast<char16_t>(va_arg(ap, int));
                AppendText(out, std::u16string_view(&c, 1), width, -1, left);
                break;
            }
            case u'p':
                out += Printf("%p", va_arg(ap, void*));
                break;
            case u's':
            case u'S':
                // %s and %ls take UTF-16, %S and %hs UTF-8, as a Unicode build
                // of the framework reads them.
                if (conv == u'S' || narrow) {
                    const char* t = va_arg(ap, const char*);
                    AppendText(out, wq::Utf8ToUtf16(t ? t : "(null)"), width, precision, left);
                } else {
                    const char16_t* t = va_arg(ap, const char16_t*);
                    AppendText(out, t ? t : u"(null)", width, precision, left);
                }
                break;
            default:
                out.push_back(conv);
                break;
        }
    }
    m_str = std::move(out);
}
