// UTF-8/UTF-16 conversion and the CString operations paths and debug lines rely on.
#include <gtest/gtest.h>

#include "platform/base/cstring.h"
#include "platform/base/utf.h"

TEST(Utf, InvalidUtf8RoundTripsThroughUtf16) {
    const std::string names[] = {"plain.mp3",       "\xed\x95\x9c\xea\xb8\x80.mp3",
                                 "bad\xff\xfe.mp3", "\xc0\xaf overlong",
                                 "cut\xe2\x82",     "\xf0\x9f\x8e\xb5 note"};
    for (const auto& n : names) EXPECT_EQ(wq::Utf16ToUtf8(wq::Utf8ToUtf16(n)), n) << n;
    EXPECT_EQ(wq::Utf8ToUtf16("\xed\x95\x9c"), u"\uD55C");
}

TEST(CString, SlicingAndSearchStayInBoundsAndFormatMixesNumbersAndWideText) {
    CString s(u"SDMMC Card\\AUDIO\\x.mp3");
    EXPECT_EQ(s.Right(4), CString(u".mp3"));
    EXPECT_EQ(s.Left(100), s);
    EXPECT_EQ(s.Mid(50), CString());
    EXPECT_EQ(s.ReverseFind(u'\\'), 16);
    EXPECT_EQ(s.Find(u"Card"), 6);
    s.Format(u"OnBtnPlay -------- %d %s %03d/%x %S", 4, u"\uC7AC\uC0DD", 7, 255, "ok");
    EXPECT_EQ(s, CString(u"OnBtnPlay -------- 4 \uC7AC\uC0DD 007/ff ok"));
    EXPECT_EQ(s.MakeUpper(),
              CString(u"ONBTNPLAY -------- 4 \uC7AC\uC0DD 007/FF OK"));  // Hangul: no case
}
