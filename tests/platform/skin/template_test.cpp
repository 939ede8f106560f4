// The template parser: a text golden of a full template, malformed files,
// bad lines that are skipped while the rest counts, encodings, and the
// keyword table against the designers' documentation.
#include "platform/skin/template.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

using wq::skin::Describe;
using wq::skin::ParseTemplate;

std::string ReadText(const std::string& path) {
    std::stringstream ss;
    ss << std::ifstream(path, std::ios::binary).rdbuf();
    return ss.str();
}
const std::string kInputs = std::string(WQ_SOURCE_DIR) + "/tests/platform/skin/inputs/";
constexpr const char* kHeader = "wqskin 1\nbackground bg.bmp\n";

TEST(SkinTemplate, FullTemplateMatchesGolden) {
    const std::string actual = Describe(ParseTemplate(ReadText(kInputs + "full.tpl")));
    const std::string golden = kInputs + "full.expected";
    if (std::getenv("WQ_REGEN")) std::ofstream(golden, std::ios::binary) << actual;
    EXPECT_EQ(actual, ReadText(golden))
        << "To rebase after an intended change: WQ_REGEN=1 ./skin_template_tests, then review " << golden;
}

TEST(SkinTemplate, NotASkinFileIsRefused) {
    const std::pair<std::string, const char*> cases[] = {
        {"", "empty"},
        {"# nothing\n\n   \n", "empty"},
        {"background bg.bmp\nbutton 1 0 0 10 10\n", "first line"},
        {"wqskin 2\nbackground bg.bmp\n", "first line"},
        {std::string("wqskin 1\nbackground a\0b.bmp\n", 26), "binary"},
        {std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10), "binary"},
        {"wqskin 1\nbutton 1 0 0 10 10\n", "no background"},
        {"wqskin 1\nbackground\n", "no background"},
    };
    for (const auto& [text, expect] : cases) {
        const wq::skin::Parsed p = ParseTemplate(text);
        EXPECT_FALSE(p.ok) << expect;
        ASSERT_FALSE(p.problems.empty()) << expect;
        EXPECT_NE(p.problems.back().message.find(expect), std::string::npos) << p.problems.back().message;
    }
}

TEST(SkinTemplate, BadLinesAreReportedAndSkippedWhileTheRestCounts) {
    struct Case {
        const char* line;
        const char* expect;  // part of the problem sentence
        bool kept;           // the element itself still exists
    };
    const Case cases[] = {
        {"button 10 -5 0 10 10", "negative", false},
        {"button 10 0 0 0 10", "empty", false},
        {"button 10 0 0 20000 20000", "beyond", false},
        {"button 10 4000 0 200 10", "beyond", false},
        {"button 10 0 0 99999999999999999999 10", "whole number", false},
        {"button 10 0 0 1O 10", "whole number", false},
        {"button 10 0 0 10", "needs an id", false},
        {"button 0 0 0 10 10", "1 to 65535", false},
        {"button 70000 0 0 10 10", "1 to 65535", false},
        {"knob 10 0 0 10 10", "unknown keyword", false},
        {"slider 10 diagonal 0 0 10 10", "horizontal or vertical", false},
        {"button 10 0 0 10 10 \"normal=a.bmp", "not closed", false},
        {"button 10 0 0 10 10 thumb=a.bmp", "no attribute 'thumb'", true},
        {"button 10 0 0 10 10 normal", "not a key=value", true},
        {"button 10 0 0 10 10 repeat=maybe", "bad value", true},
        {"list 10 0 0 10 10 rowheight=2", "bad value", true},
        {"face 480", "face needs", false},
    };
    for (const Case& c : cases) {
        const wq::skin::Parsed p =
            ParseTemplate(std::string(kHeader) + "custom 1 0 0 5 5\n" + c.line + "\ncustom 2 0 0 5 5\n");
        ASSERT_TRUE(p.ok) << c.line;
        ASSERT_EQ(p.problems.size(), 1u) << c.line << "\n" << Describe(p);
        EXPECT_EQ(p.problems[0].line, 4) << c.line;
        EXPECT_NE(p.problems[0].message.find(c.expect), std::string::npos) << c.line << ": " << p.problems[0].message;
        // The lines around the bad one always count.
        EXPECT_TRUE(p.skin.Find(1) && p.skin.Find(2)) << c.line;
        EXPECT_EQ(p.skin.Find(10) != nullptr, c.kept) << c.line;
    }
}

TEST(SkinTemplate, DuplicateIdsKeepTheFirstAcrossKinds) {
    const wq::skin::Parsed p = ParseTemplate(std::string(kHeader) +
                                             "button 2002 0 0 10 10\ncustom 2002 50 50 5 5\n"
                                             "slider 2002 horizontal 0 0 9 9\nbackground other.bmp\n");
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.skin.elements.size(), 1u);
    EXPECT_EQ(p.skin.elements[0].kind, wq::skin::ElementKind::Button);
    EXPECT_EQ(p.skin.background, u"bg.bmp");
    ASSERT_EQ(p.problems.size(), 3u);
    EXPECT_EQ(p.problems[0].line, 4);
    EXPECT_EQ(p.problems[1].line, 5);
    EXPECT_NE(p.problems[2].message.find("second background"), std::string::npos);
}

TEST(SkinTemplate, EncodingsAndLineEndsGiveTheSameSkin) {
    const std::string plain = ReadText(kInputs + "full.tpl");
    const std::string expected = Describe(ParseTemplate(plain));
    std::string crlf, utf16("\xFF\xFE", 2);  // UTF-16LE as Windows editors save Korean text
    for (char c : plain) crlf += c == '\n' ? "\r\n" : std::string(1, c);
    for (size_t i = 0; i < plain.size();) {
        const unsigned char c = static_cast<unsigned char>(plain[i]);
        char16_t u = c;
        if (c >= 0xE0) {
            u = char16_t(((c & 0x0F) << 12) | ((plain[i + 1] & 0x3F) << 6) | (plain[i + 2] & 0x3F));
            i += 3;
        } else if (c >= 0xC0) {
            u = char16_t(((c & 0x1F) << 6) | (plain[i + 1] & 0x3F));
            i += 2;
        } else {
            ++i;
        }
        utf16 += {char(u & 0xFF), char(u >> 8)};
    }
    EXPECT_EQ(Describe(ParseTemplate(crlf)), expected) << "CR LF line ends";
    EXPECT_EQ(Describe(ParseTemplate("\xEF\xBB\xBF" + plain)), expected) << "UTF-8 byte-order mark";
    EXPECT_EQ(Describe(ParseTemplate(utf16)), expected) << "UTF-16LE";
}

TEST(SkinTemplate, EveryKeywordAndAttributeIsDocumentedForDesigners) {
    const std::string doc = ReadText(std::string(WQ_SOURCE_DIR) + "/docs/skin-format.md");
    ASSERT_FALSE(doc.empty()) << "docs/skin-format.md is missing";
    for (std::string_view k : wq::skin::TemplateKeywords())
        EXPECT_NE(doc.find("`" + std::string(k)), std::string::npos) << "keyword " << k << " is not documented";
    // Every attribute the golden template uses (and so the parser accepts).
    for (const char* key : {"normal=", "pressed=", "repeat=", "thumb=", "track=", "fill=", "rowheight=", "selection=",
                            "selcolor=", "textcolor="})
        EXPECT_NE(doc.find(key), std::string::npos) << "attribute " << key << " is not documented";
    // The example in the documentation is itself a valid skin without problems.
    const size_t start = doc.find("```\nwqskin 1");
    ASSERT_NE(start, std::string::npos) << "the documentation has no example starting with wqskin 1";
    const wq::skin::Parsed p = ParseTemplate(doc.substr(start + 4, doc.find("```", start + 4) - start - 4));
    EXPECT_TRUE(p.ok && p.problems.empty()) << Describe(p);
    EXPECT_GE(p.skin.elements.size(), 4u);
}

TEST(SkinTemplate, MangledTemplatesNeverBreakTheParser) {
    // Seeded byte mutations of a real template: the parser must finish, and
    // every problem must point at a line of the text (or at the whole file).
    const std::string base = ReadText(kInputs + "full.tpl");
    ASSERT_FALSE(base.empty());
    std::mt19937 rng(20261206);
    const char alphabet[] = "0123456789 -=#\"\\\n\r\txyzwqskin\xFF\xFE\xEF\xBB\xBF\x80\0";
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        for (int e = 0, edits = 1 + int(rng() % 8); e < edits && !text.empty(); ++e) {
            const size_t at = rng() % text.size();
            const char c = alphabet[rng() % (sizeof alphabet - 1)];
            const unsigned op = rng() % 3;
            if (op == 0) text[at] = c;
            else if (op == 1) text.insert(text.begin() + long(at), c);
            else text.erase(at, 1 + rng() % 12);
        }
        const wq::skin::Parsed p = ParseTemplate(text);
        const int lines = int(std::count(text.begin(), text.end(), '\n')) + 1;
        for (const wq::skin::Problem& problem : p.problems) {
            ASSERT_TRUE(problem.line >= 0 && problem.line <= lines) << "round " << round;
            ASSERT_FALSE(problem.message.empty());
        }
        for (const wq::skin::ElementSpec& e : p.skin.elements) {
            ASSERT_TRUE(e.rect.left >= 0 && e.rect.right <= wq::skin::kMaxCoord && e.rect.top < e.rect.bottom)
                << "round " << round;
        }
    }
}

TEST(SkinTemplate, FolderOfDevicePaths) {
    EXPECT_EQ(wq::skin::FolderOf(u"\\NAND Flash\\skin\\WQAudio\\WQAudio.TPL"), u"\\NAND Flash\\skin\\WQAudio");
    EXPECT_EQ(wq::skin::FolderOf(u"\\x.TPL"), u"");
    EXPECT_EQ(wq::skin::FolderOf(u"x.TPL"), u"");
}

}  // namespace
