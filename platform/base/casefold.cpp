#include "platform/base/casefold.h"

#include <glib.h>

#include <algorithm>
#include <cstddef>
#include <memory>

namespace wq {

namespace {

bool IsSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

// A mapping that leaves the BMP cannot be stored in one unit: keep c.
char16_t InBmpOr(gunichar mapped, char16_t c) {
    return mapped <= 0xFFFF ? static_cast<char16_t>(mapped) : c;
}

// The fold of every BMP unit, computed once (about half a millisecond, 128 KiB):
// a lookup is several times faster than asking GLib for both mappings on
// every comparison of a non-ASCII name.
const char16_t* FoldTable() {
    static const std::unique_ptr<char16_t[]> table = [] {
        auto t = std::make_unique<char16_t[]>(0x10000);
        for (unsigned u = 0; u < 0x10000; ++u) {
            const auto c = static_cast<char16_t>(u);
            t[u] = IsSurrogate(c) ? c : InBmpOr(g_unichar_tolower(g_unichar_toupper(c)), c);
        }
        return t;
    }();
    return table.get();
}

}  // namespace

namespace detail {

char16_t FoldCaseOutsideAscii(char16_t c) {
    if (c >= 0xAC00 && c <= 0xD7A3) return c;  // Hangul syllables, common in names, have no case
    return FoldTable()[c];
}

}  // namespace detail

char16_t ToUpperCase(char16_t c) {
    if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
    return IsSurrogate(c) ? c : InBmpOr(g_unichar_toupper(c), c);
}

char16_t ToLowerCase(char16_t c) {
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    return IsSurrogate(c) ? c : InBmpOr(g_unichar_tolower(c), c);
}

std::u16string FoldCase(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) c = FoldCase(c);
    return out;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
    }
    return true;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const char16_t fa = FoldCase(a[i]);
        const char16_t fb = FoldCase(b[i]);
        if (fa != fb) return fa < fb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace wq
