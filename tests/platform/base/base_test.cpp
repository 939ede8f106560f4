// UTF-8/UTF-16 conversion, the case rule of every name comparison, and the
// CString operations paths and debug lines rely on.
#include <gtest/gtest.h>

#include <climits>

#include "platform/base/casefold.h"
#include "platform/base/cstring.h"
#include "platform/base/utf.h"

TEST(Utf, InvalidUtf8RoundTripsThroughUtf16) {
    const std::string names[] = {"plain.mp3",       "\xed\x95\x9c\xea\xb8\x80.mp3",
                                 "bad\xff\xfe.mp3", "\xc0\xaf overlong",
                                 "cut\xe2\x82",     "\xf0\x9f\x8e\xb5 note"};
    for (const auto& n : names) EXPECT_EQ(wq::Utf16ToUtf8(wq::Utf8ToUtf16(n)), n) << n;
    EXPECT_EQ(wq::Utf8ToUtf16("\xed\x95\x9c"), u"\uD55C");
}

TEST(CString, SlicingAndSearchStayInBounds) {
    CString s(u"SDMMC Card\\AUDIO\\x.mp3");
    EXPECT_EQ(s.Right(4), CString(u".mp3"));
    EXPECT_EQ(s.Left(100), s);
    EXPECT_EQ(s.Mid(50), CString());
    EXPECT_EQ(s.ReverseFind(u'\\'), 16);
    EXPECT_EQ(s.Find(u"Card"), 6);
    s.Format(u"%d %s", 4, u"\uC7AC\uC0DD");  // Format through varargs; FormatV's cases below
    EXPECT_EQ(s, CString(u"4 \uC7AC\uC0DD"));
}

namespace {
CString Formatted(const char16_t* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    CString s;
    s.FormatV(fmt, ap);
    va_end(ap);
    return s;
}
}  // namespace

// The conversions the program's texts and debug lines use, and bad formats.
TEST(CString, FormatHandlesTheProgramsConversionsAndBadFormats) {
    const struct {
        CString got, want;
    } cases[] = {
        {Formatted(u"%d|%i|%d", -42, 7, INT_MIN), u"-42|7|-2147483648"},
        {Formatted(u"%u|%u|%x", 3000000000u, -1, 0xBEEFu), u"3000000000|4294967295|beef"},
        {Formatted(u"[%5d][%-5d][%+d][% d][%05d][%.3d]", 42, 42, 42, 42, -42, 7),
         u"[   42][42   ][+42][ 42][-0042][007]"},
        {Formatted(u"%s|%ls|%S|%hs", u"\uC7AC\uC0DD", u"\u00e9", "\xea\xb3\xa1", "ok"),
         u"\uC7AC\uC0DD|\u00e9|\uACE1|ok"},
        {Formatted(u"%s|%S", static_cast<const char16_t*>(nullptr),
                   static_cast<const char*>(nullptr)),
         u"(null)|(null)"},
        {Formatted(u"100%% %d%%", 5), u"100% 5%"},
        {Formatted(u"%0300d", 1), CString(u'0', 299) + u"1"},  // longer than any fixed buffer
        {Formatted(u"%q|%d", 3), u"q|3"},  // an unknown conversion takes no argument
        {Formatted(u"end %"), u"end "},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(cases[i].got, cases[i].want) << i << ": " << cases[i].got.ToUtf8();
}

// One rule decides case everywhere; its properties hold for every unit of the BMP.
// (Lower-casing and ordering without case are used by nothing in the program.)
TEST(CaseFold, FoldsEveryCasedScriptAndAgreesWithUpperCase) {
    for (unsigned u = 0; u < 0x10000; ++u) {
        const auto c = static_cast<char16_t>(u);
        const char16_t f = wq::FoldCase(c);
        ASSERT_EQ(wq::FoldCase(f), f) << std::hex << u << ": folding twice changes it";
        ASSERT_EQ(wq::FoldCase(wq::ToUpperCase(c)), f) << std::hex << u;
    }
    const std::pair<std::u16string, std::u16string> same[] = {
        {u"NAND Flash", u"nand flash"},
        {u"\u00c9T\u00c9 \u00de", u"\u00e9t\u00e9 \u00fe"},                      // Latin-1
        {u"\u0152\u0141\u01c4\u0187", u"\u0153\u0142\u01c6\u0188"},              // Latin Extended
        {u"\u03a3\u039f\u03a6\u039f\u03a3", u"\u03c3\u03bf\u03c6\u03bf\u03c2"},  // final sigma
        {u"\u0401\u0416\u0490", u"\u0451\u0436\u0491"},                          // Cyrillic
        {u"\uff21\uff3a", u"\uff41\uff5a"},                                      // full width
        {u"\u212a\u2126", u"k\u03c9"},       // Kelvin and ohm signs
        {u"\u0531\u10a0", u"\u0561\u2d00"},  // Armenian, Georgian
    };
    for (const auto& [a, b] : same) EXPECT_TRUE(wq::EqualsNoCase(a, b)) << wq::Utf16ToUtf8(a);
    const std::pair<std::u16string, std::u16string> different[] = {
        {u"\u00d7", u"\u00f7"},                                  // signs have no case
        {u"\ud55c", u"\ud55d"},                                  // nor has Hangul
        {std::u16string(1, 0xDC80), std::u16string(1, 0xDCA0)},  // escaped bytes: exact
        {u"\U00010400", u"\U00010428"},                          // beyond the BMP: compared exactly
        {u"skin", u"skins"},
        {u"\u0141\u00df", u"\u0142SS"},  // one unit folds to one unit: sharp s stays
    };
    for (const auto& [a, b] : different) EXPECT_FALSE(wq::EqualsNoCase(a, b)) << wq::Utf16ToUtf8(a);

    CString mixed(u"Song \u00e9\u03c3\u0436 \ud55c.mp3");
    EXPECT_EQ(mixed.MakeUpper(), CString(u"SONG \u00c9\u03a3\u0416 \ud55c.MP3"));
}
