// Natural order, case folding and wildcard matching of device file names.
#include <gtest/gtest.h>

#include <string>

#include "platform/fs/names.h"

namespace {

std::string Show(const std::u16string& s) { return std::string(s.begin(), s.end()); }

TEST(NaturalOrder, OrdersByNumberValueAndIgnoresCase) {
    // Each pair must compare a < b (and therefore b > a).
    const std::pair<std::u16string, std::u16string> lessThan[] = {
        {u"A2.mp3", u"A10.mp3"},    // numbers by value, not by text
        {u"a.mp3", u"A2.mp3"},      // "." sorts before digits
        {u"a.mp3", u"B.mp3"},       // case-insensitive letters
        {u"Track 9", u"track 10"},  // and both together
        {u"x1", u"x01"},            // same value: fewer leading zeros first
        {u"x01", u"x2"},            // leading zeros never outweigh the value
        {u"10", u"a"},              // digits before letters
        {u"file", u"file1"},        // a prefix sorts first
        {u"99999999999999999999", u"100000000000000000000"},  // beyond 64 bits
        {u"Zebra", u"\u00c9cole"},  // non-ASCII after ASCII letters
        {u"B", u"b"},               // exact tie broken by code units, never 0
    };
    for (const auto& [a, b] : lessThan) {
        EXPECT_LT(wq::fs::NaturalCompare(a, b), 0) << Show(a);
        EXPECT_GT(wq::fs::NaturalCompare(b, a), 0) << Show(a);
    }
    EXPECT_EQ(wq::fs::NaturalCompare(u"same", u"same"), 0);
}

TEST(CaseFolding, FoldsLatinGreekCyrillicAndLeavesHangul) {
    EXPECT_TRUE(wq::fs::EqualsNoCase(u"NAND Flash", u"nand flash"));
    EXPECT_TRUE(wq::fs::EqualsNoCase(u"\u00c9T\u00c9", u"\u00e9t\u00e9"));
    EXPECT_TRUE(wq::fs::EqualsNoCase(u"\u041c\u0423\u0417", u"\u043c\u0443\u0437"));
    EXPECT_TRUE(wq::fs::EqualsNoCase(u"\u0391\u03a3", u"\u03b1\u03c3"));
    EXPECT_TRUE(wq::fs::EqualsNoCase(u"이동식디스크", u"이동식디스크"));
    EXPECT_FALSE(wq::fs::EqualsNoCase(u"skin", u"skins"));
    EXPECT_FALSE(wq::fs::EqualsNoCase(u"\u00d7", u"\u00f7"));  // signs, not letters
}

TEST(Wildcards, MatchCaseInsensitivelyWithStarAndQuestionMark) {
    struct Case {
        std::u16string mask, name;
        bool match;
    };
    const Case cases[] = {
        {u"*.*", u"README", true},  // "*.*" also matches names without a dot
        {u"*", u"", true},
        {u"*.mp3", u"SONG.MP3", true},
        {u"*.mp3", u"song.mp3.wma", false},
        {u"a?c", u"abc", true},
        {u"a?c", u"ac", false},
        {u"a*b*c", u"aXXbYYc", true},
        {u"*a", std::u16string(50, u'b'), false},
        {u"skin", u"skins", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wq::fs::MatchesWildcard(c.mask, c.name), c.match) << Show(c.mask) << " vs " << Show(c.name);
}

}  // namespace
