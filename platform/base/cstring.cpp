#include "platform/base/cstring.h"

#include <algorithm>
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

// A small printf for UTF-16 formats. Numbers are formatted by vsnprintf one
// conversion at a time; strings are copied as UTF-16.
void CString::Format(const char16_t* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    FormatV(fmt, ap);
    va_end(ap);
}

void CString::FormatV(const char16_t* fmt, va_list ap) {
    std::u16string out;
    for (const char16_t* p = fmt; p && *p; ++p) {
        if (*p != u'%') {
            out.push_back(*p);
            continue;
        }
        std::string spec = "%";
        ++p;
        if (*p == u'%') {
            out.push_back(u'%');
            continue;
        }
        while (*p && std::u16string_view(u"-+ #0").find(*p) != std::u16string_view::npos)
            spec.push_back(static_cast<char>(*p++));
        while (*p >= u'0' && *p <= u'9') spec.push_back(static_cast<char>(*p++));
        if (*p == u'.') {
            spec.push_back('.');
            ++p;
            while (*p >= u'0' && *p <= u'9') spec.push_back(static_cast<char>(*p++));
        }
        int longs = 0;
        bool wide = false;
        while (*p == u'l' || *p == u'h' || *p == u'I') {
            if (*p == u'l') {
                ++longs;
                wide = true;
            }
            ++p;
        }
        const char16_t conv = *p;
        if (!conv) break;
        char buf[128];
        switch (conv) {
            case u'd':
            case u'i': {
                long long v = longs >= 2   ? va_arg(ap, long long)
                              : longs == 1 ? va_arg(ap, long)
                                           : va_arg(ap, int);
                spec += "lld";
                std::snprintf(buf, sizeof buf, spec.c_str(), v);
                out += wq::Utf8ToUtf16(buf);
                break;
            }
            case u'u':
            case u'x':
            case u'X':
            case u'o': {
                unsigned long long v = longs >= 2   ? va_arg(ap, unsigned long long)
                                       : longs == 1 ? va_arg(ap, unsigned long)
                                                    : va_arg(ap, unsigned);
                spec += "ll";
                spec.push_back(static_cast<char>(conv));
                std::snprintf(buf, sizeof buf, spec.c_str(), v);
                out += wq::Utf8ToUtf16(buf);
                break;
            }
            case u'f':
            case u'g':
            case u'e': {
                spec.push_back(static_cast<char>(conv));
                std::snprintf(buf, sizeof buf, spec.c_str(), va_arg(ap, double));
                out += wq::Utf8ToUtf16(buf);
                break;
            }
            case u'c':
                out.push_back(static_cast<char16_t>(va_arg(ap, int)));
                break;
            case u'p':
                std::snprintf(buf, sizeof buf, "%p", va_arg(ap, void*));
                out += wq::Utf8ToUtf16(buf);
                break;
            case u's': {
                (void)wide;
                const char16_t* s = va_arg(ap, const char16_t*);
                out += s ? s : u"(null)";
                break;
            }
            case u'S': {
                const char* s = va_arg(ap, const char*);
                out += wq::Utf8ToUtf16(s ? s : "(null)");
                break;
            }
            default:
                out.push_back(conv);
                break;
        }
    }
    m_str = std::move(out);
}
