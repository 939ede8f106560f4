// Case of UTF-16 text: the one rule by which every name in the program is
// compared without regard to case (file and folder names, window names,
// registered message names, CString::CompareNoCase) and by which CString
// changes case.
//
// The rule is Unicode's simple (one unit to one unit) case mapping as GLib
// knows it, applied to each UTF-16 code unit of the Basic Multilingual Plane:
// FoldCase(c) is the lower case of the upper case of c, so "ς", "σ" and "Σ",
// or "K", "k" and the Kelvin sign, all fold alike. Hangul, digits and signs
// have no case and stay as they are; surrogates (characters beyond the BMP,
// and the escapes of invalid UTF-8 names) are compared exactly. FoldCase is
// idempotent, so "equal after folding" is an equivalence.
//
// Speed: ASCII takes an inline branch; other units cost two table lookups in
// GLib and never allocate, so folder listings may fold every name freely.
// Pure functions; any thread.
#pragma once

#include <string>
#include <string_view>

namespace wq {

namespace detail {
char16_t FoldCaseOutsideAscii(char16_t c);
}  // namespace detail

inline char16_t FoldCase(char16_t c) {
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
    return detail::FoldCaseOutsideAscii(c);
}

// The simple upper and lower case of one code unit (CString::MakeUpper and
// MakeLower); a unit whose mapping lies beyond the BMP stays as it is.
char16_t ToUpperCase(char16_t c);
char16_t ToLowerCase(char16_t c);

std::u16string FoldCase(std::u16string_view s);

bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// Negative, zero or positive as the folded texts compare unit by unit (a
// prefix sorts first).
int CompareNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace wq
