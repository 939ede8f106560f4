// CString: the framework's wide string, here a thin value class over UTF-16.
// Indexes and lengths count UTF-16 code units, as on the device.
#pragma once

#include <compare>
#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

class CString {
public:
    CString() = default;
    CString(const char16_t* s) : m_str(s ? s : u"") {}
    CString(const char16_t* s, int n)
        : m_str(s ? std::u16string(s, static_cast<size_t>(n < 0 ? 0 : n)) : std::u16string()) {}
    CString(std::u16string s) : m_str(std::move(s)) {}
    CString(std::u16string_view s) : m_str(s) {}
    CString(char16_t c, int repeat = 1) : m_str(static_cast<size_t>(repeat < 0 ? 0 : repeat), c) {}

    // Conversion from UTF-8 (invalid bytes round-trip, see platform/base/utf.h).
    static CString FromUtf8(std::string_view utf8);
    std::string ToUtf8() const;

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char16_t GetAt(int i) const { return m_str.at(static_cast<size_t>(i)); }
    void SetAt(int i, char16_t c) { m_str.at(static_cast<size_t>(i)) = c; }
    char16_t operator[](int i) const { return GetAt(i); }

    const char16_t* GetString() const { return m_str.c_str(); }
    operator const char16_t*() const { return m_str.c_str(); }
    const std::u16string& str() const { return m_str; }
    std::u16string& str() { return m_str; }

    CString Left(int n) const;
    CString Right(int n) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    int Find(char16_t c, int start = 0) const;
    int Find(const char16_t* s, int start = 0) const;
    int ReverseFind(char16_t c) const;
    // Case as platform/base/casefold.h defines it; Hangul has no case.
    CString& MakeUpper();
    CString& MakeLower();
    int Compare(const char16_t* s) const { return m_str.compare(s ? s : u""); }
    // Negative, zero or positive like Compare, ignoring case (wq::CompareNoCase).
    int CompareNoCase(const char16_t* s) const;
    int Delete(int index, int count = 1);
    int Insert(int index, const char16_t* s);
    int Replace(const char16_t* from, const char16_t* to);
    CString& TrimRight();
    CString& TrimLeft();

    // printf-style formatting: d i u x X o (with l and ll), f g e, c, p, s and
    // ls (const char16_t*), S and hs (const char*, UTF-8), %%; flags, width
    // and precision, also as "*". Width and precision of text count UTF-16
    // units. An unknown conversion is copied as its letter.
    void Format(const char16_t* fmt, ...);
    // The same with the arguments already collected (for printf-style wrappers).
    void FormatV(const char16_t* fmt, va_list ap);

    CString& operator+=(const CString& o) {
        m_str += o.m_str;
        return *this;
    }
    CString& operator+=(const char16_t* s) {
        if (s) m_str += s;
        return *this;
    }
    CString& operator+=(char16_t c) {
        m_str += c;
        return *this;
    }
    friend CString operator+(CString a, const CString& b) {
        a += b;
        return a;
    }
    friend CString operator+(CString a, const char16_t* b) {
        a += b;
        return a;
    }
    friend CString operator+(const char16_t* a, const CString& b) {
        CString r(a);
        r += b;
        return r;
    }
    friend CString operator+(CString a, char16_t c) {
        a += c;
        return a;
    }

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char16_t* b) { return a.m_str == (b ? b : u""); }
    friend auto operator<=>(const CString& a, const CString& b) { return a.m_str <=> b.m_str; }

private:
    std::u16string m_str;
};

// Growable string array (CStringArray) and the element access the Parts use.
#include <vector>
class CStringArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    int Add(const CString& s) {
        m_items.push_back(s);
        return GetSize() - 1;
    }
    void RemoveAll() { m_items.clear(); }
    void RemoveAt(int i, int count = 1) {
        m_items.erase(m_items.begin() + i, m_items.begin() + i + count);
    }
    void InsertAt(int i, const CString& s) { m_items.insert(m_items.begin() + i, s); }
    CString& GetAt(int i) { return m_items.at(static_cast<size_t>(i)); }
    const CString& GetAt(int i) const { return m_items.at(static_cast<size_t>(i)); }
    CString& operator[](int i) { return GetAt(i); }
    const CString& operator[](int i) const { return GetAt(i); }
    bool IsEmpty() const { return m_items.empty(); }

private:
    std::vector<CString> m_items;
};
