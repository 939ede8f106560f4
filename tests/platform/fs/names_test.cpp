// Natural order, case folding and wildcard matching of device file names.
#include "platform/fs/names.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(NaturalOrder, OrdersByNumberValueAndIgnoresCase) {
    // Each pair must compare a < b (and therefore b > a).
    const std::pair<std::u16string, std::u16string> lessThan[] = {
        {u"A2.mp3", u"A10.mp3"},                              // numbers by value, not by text
        {u"a.mp3", u"A2.mp3"},                                // "." sorts before digits
        {u"a.mp3", u"B.mp3"},                                 // case-insensitive letters
        {u"x1", u"x01"},                                      // same value: fewer zeros first
        {u"x01", u"x2"},                                      // zeros never outweigh the value
        {u"10", u"a"},                                        // digits before letters
        {u"file", u"file1"},                                  // a prefix sorts first
        {u"99999999999999999999", u"100000000000000000000"},  // beyond 64 bits
        {u"Zebra", u"\u00c9cole"},                            // non-ASCII after ASCII letters
        {u"B", u"b"},  // exact tie broken by code units, never 0
    };
    for (size_t i = 0; i < std::size(lessThan); ++i) {
        EXPECT_LT(wq::fs::NaturalCompare(lessThan[i].first, lessThan[i].second), 0) << i;
        EXPECT_GT(wq::fs::NaturalCompare(lessThan[i].second, lessThan[i].first), 0) << i;
    }
    EXPECT_EQ(wq::fs::NaturalCompare(u"same", u"same"), 0);
}

// Masks fold case by the program's one rule (its scripts: the base tests). The
// program lists with "*.*" and probes plain names, so other masks are not tested.
TEST(NameMatching, FoldsCaseAndMatchesEverythingWithStarDotStar) {
    const struct {
        std::u16string mask, name;
        bool match;
    } cases[] = {
        {u"NAND Flash", u"nand flash", true},
        {u"\u00c9T\u00c9", u"\u00e9t\u00e9", true},
        {u"이동식디스크", u"이동식디스크", true},
        {u"skin", u"skins", false},
        {u"*.*", u"README", true},  // also a name without a dot: the only mask the program uses
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(wq::fs::MatchesWildcard(cases[i].mask, cases[i].name), cases[i].match) << i;
}

}  // namespace
