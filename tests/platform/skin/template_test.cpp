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

using wq::skin::ElementKind;
using wq::skin::ParseTemplate;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string Inputs() {
    return std::string(WQ_SOURCE_DIR) + "/tests/platform/skin/inputs/";
}

constexpr const char* kHeader = "wqskin 1\nbackground bg.bmp\n";

TEST(SkinTemplate, FullTemplateMatchesGolden) {
    const std::string actual = wq::skin::Describe(ParseTemplate(ReadText(Inputs() + "full.tpl")));
    const std::string goldenPath = Inputs() + "full.expected";
    if (std::getenv("WQ_REGEN")) {
        std::ofstream(goldenPath, std::ios::binary) << actual;
    }
    EXPECT_EQ(actual, ReadText(goldenPath))
        << "To rebase after an intended change: WQ_REGEN=1 ./skin_template_tests, then review "
        << goldenPath;
}

TEST(SkinTemplate, NotASkinFileIsRefused) {
    struct Case {
        const char* name;
        std::string text;
        const char* expect;
    };
    const Case cases[] = {
        {"empty", "", "empty"},
        {"only comments", "# nothing\n\n   \n", "empty"},
        {"no header", "background bg.bmp\nbutton 1 0 0 10 10\n", "first line"},
        {"other version", "wqskin 2\nbackground bg.bmp\n", "first line"},
        {"binary", std::string("wqskin 1\nbackground a\0b.bmp\n", 26), "binary"},
        {"jpeg bytes", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10), "binary"},
        {"no background", "wqskin 1\nbutton 1 0 0 10 10\n", "no background"},
        {"background without picture", "wqskin 1\nbackground\n", "no background"},
    };
    for (const Case& c : cases) {
        const wq::skin::Parsed p = ParseTemplate(c.text);
        EXPECT_FALSE(p.ok) << c.name;
        ASSERT_FALSE(p.problems.empty()) << c.name;
        EXPECT_NE(p.problems.back().message.find(c.expect), std::string::npos)
            << c.name << ": " << p.problems.back().message;
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
        {"button 10 0 0 -10 10", "negative", false},
        {"button 10 0 0 0 10", "empty", false},
        {"button 10 0 0 20000 20000", "beyond", false},
        {"button 10 4000 0 200 10", "beyond", false},
        {"button 10 0 0 99999999999999999999 10", "whole number", false},
        {"button 10 0 0 1O 10", "whole number", false},
        {"button 10 0 0 10", "needs an id", false},
        {"button 0 0 0 10 10", "1 to 65535", false},
        {"button 70000 0 0 10 10", "1 to 65535", false},
        {"button abc 0 0 10 10", "1 to 65535", false},
        {"knob 10 0 0 10 10", "unknown keyword", false},
        {"slider 10 0 0 10 10", "horizontal or vertical", false},
        {"slider 10 diagonal 0 0 10 10", "horizontal or vertical", false},
        {"button 10 0 0 10 10 \"normal=a.bmp", "not closed", false},
        {"button 10 0 0 10 10 thumb=a.bmp", "no attribute 'thumb'", true},
        {"button 10 0 0 10 10 normal", "not a key=value", true},
        {"button 10 0 0 10 10 repeat=maybe", "bad value", true},
        {"list 10 0 0 10 10 rowheight=2", "bad value", true},
        {"list 10 0 0 10 10 selcolor=red", "bad value", true},
        {"face 0 234", "face needs", false},
        {"face 480", "face needs", false},
    };
    for (const Case& c : cases) {
        const std::string text =
            std::string(kHeader) + "custom 1 0 0 5 5\n" + c.line + "\ncustom 2 0 0 5 5\n";
        const wq::skin::Parsed p = ParseTemplate(text);
        ASSERT_TRUE(p.ok) << c.line;
        ASSERT_EQ(p.problems.size(), 1u) << c.line << "\n" << wq::skin::Describe(p);
        EXPECT_EQ(p.problems[0].line, 4) << c.line;
        EXPECT_NE(p.problems[0].message.find(c.expect), std::string::npos)
            << c.line << ": " << p.problems[0].message;
        // The lines around the bad one always count.
        EXPECT_NE(p.skin.Find(1), nullptr) << c.line;
        EXPECT_NE(p.skin.Find(2), nullptr) << c.line;
        EXPECT_EQ(p.skin.Find(10) != nullptr, c.kept) << c.line;
    }
}

TEST(SkinTemplate, DuplicateIdsKeepTheFirstAcrossKinds) {
    const wq::skin::Parsed p = ParseTemplate(std::string(kHeader) +
                                             "button 2002 0 0 10 10\n"
                                             "custom 2002 50 50 5 5\n"
                                             "slider 2002 horizontal 0 0 9 9\n"
                                             "background other.bmp\n");
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.skin.elements.size(), 1u);
    EXPECT_EQ(p.skin.elements[0].kind, ElementKind::Button);
    EXPECT_EQ(p.skin.background, u"bg.bmp");
    ASSERT_EQ(p.problems.size(), 3u);
    EXPECT_EQ(p.problems[0].line, 4);
    EXPECT_EQ(p.problems[1].line, 5);
    EXPECT_NE(p.problems[2].message.find("second background"), std::string::npos);
}

TEST(SkinTemplate, EncodingsAndLineEndsGiveTheSameSkin) {
    const std::string plain = ReadText(Inputs() + "full.tpl");
    const std::string expected = wq::skin::Describe(ParseTemplate(plain));

    std::string crlf;
    for (char c : plain) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    EXPECT_EQ(wq::skin::Describe(ParseTemplate(crlf)), expected) << "CR LF line ends";
    EXPECT_EQ(wq::skin::Describe(ParseTemplate("\xEF\xBB\xBF" + plain)), expected)
        << "UTF-8 byte-order mark";

    // UTF-16LE with its byte-order mark, as Windows editors save Korean text.
    std::u16string wide;
    for (size_t i = 0; i < plain.size();) {
        const unsigned char c = static_cast<unsigned char>(plain[i]);
        char32_t cp = c;
        int n = 1;
        if (c >= 0xE0) {
            cp = ((c & 0x0F) << 12) | ((plain[i + 1] & 0x3F) << 6) | (plain[i + 2] & 0x3F);
            n = 3;
        } else if (c >= 0xC0) {
            cp = ((c & 0x1F) << 6) | (plain[i + 1] & 0x3F);
            n = 2;
        }
        wide.push_back(static_cast<char16_t>(cp));
        i += static_cast<size_t>(n);
    }
    std::string utf16("\xFF\xFE", 2);
    for (char16_t u : wide) {
        utf16.push_back(static_cast<char>(u & 0xFF));
        utf16.push_back(static_cast<char>(u >> 8));
    }
    EXPECT_EQ(wq::skin::Describe(ParseTemplate(utf16)), expected) << "UTF-16LE";
}

TEST(SkinTemplate, EveryKeywordAndAttributeIsDocumentedForDesigners) {
    const std::string doc = ReadText(std::string(WQ_SOURCE_DIR) + "/docs/skin-format.md");
    ASSERT_FALSE(doc.empty()) << "docs/skin-format.md is missing";
    for (std::string_view k : wq::skin::TemplateKeywords()) {
        EXPECT_NE(doc.find("`" + std::string(k)), std::string::npos)
            << "keyword " << k << " is not documented";
    }
    struct Attr {
        const char* text;  // as a designer writes it
        const char* element;
    };
    const Attr attrs[] = {
        {"normal=a.bmp", "button 1 0 0 9 9"},
        {"pressed=a.bmp", "button 1 0 0 9 9"},
        {"repeat=yes", "button 1 0 0 9 9"},
        {"thumb=a.bmp", "slider 1 vertical 0 0 9 9"},
        {"track=a.bmp", "slider 1 horizontal 0 0 9 9"},
        {"fill=a.bmp", "slider 1 horizontal 0 0 9 9"},
        {"rowheight=18", "list 1 0 0 9 9"},
        {"selection=a.bmp", "list 1 0 0 9 9"},
        {"selcolor=#102030", "list 1 0 0 9 9"},
        {"textcolor=#FFFF00", "list 1 0 0 9 9"},
    };
    for (const Attr& a : attrs) {
        const std::string key = std::string(a.text).substr(0, std::string(a.text).find('=') + 1);
        EXPECT_NE(doc.find(key), std::string::npos) << "attribute " << key << " is not documented";
        const wq::skin::Parsed p =
            ParseTemplate(std::string(kHeader) + a.element + " " + a.text + "\n");
        EXPECT_TRUE(p.ok && p.problems.empty()) << a.text << "\n" << wq::skin::Describe(p);
    }
    // The example in the documentation is itself a valid skin without problems.
    const size_t start = doc.find("```\nwqskin 1");
    ASSERT_NE(start, std::string::npos)
        << "the documentation has no example starting with wqskin 1";
    const size_t end = doc.find("```", start + 4);
    const wq::skin::Parsed p = ParseTemplate(doc.substr(start + 4, end - start - 4));
    EXPECT_TRUE(p.ok);
    EXPECT_TRUE(p.problems.empty()) << wq::skin::Describe(p);
    EXPECT_GE(p.skin.elements.size(), 4u);
}

TEST(SkinTemplate, MangledTemplatesNeverBreakTheParser) {
    // Seeded byte mutations of a real template: the parser must finish, and
    // every problem must point at a line of the text (or at the whole file).
    const std::string base = ReadText(Inputs() + "full.tpl");
    ASSERT_FALSE(base.empty());
    std::mt19937 rng(20261206);
    const char alphabet[] = "0123456789 -=#\"\\\n\r\txyzwqskin\xFF\xFE\xEF\xBB\xBF\x80\0";
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        const int edits = 1 + static_cast<int>(rng() % 8);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const size_t at = rng() % text.size();
            const char c = alphabet[rng() % (sizeof alphabet - 1)];
            switch (rng() % 3) {
                case 0:
                    text[at] = c;
                    break;
                case 1:
                    text.insert(text.begin() + static_cast<long>(at), c);
                    break;
                default:
                    text.erase(at, 1 + rng() % 12);
                    break;
            }
        }
        const wq::skin::Parsed p = ParseTemplate(text);
        const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
        for (const wq::skin::Problem& problem : p.problems) {
            ASSERT_GE(problem.line, 0) << "round " << round;
            ASSERT_LE(problem.line, lines) << "round " << round;
            ASSERT_FALSE(problem.message.empty());
        }
        for (const wq::skin::ElementSpec& e : p.skin.elements) {
            ASSERT_GE(e.rect.left, 0);
            ASSERT_LE(e.rect.right, wq::skin::kMaxCoord);
            ASSERT_LT(e.rect.top, e.rect.bottom);
        }
    }
}

TEST(SkinTemplate, FolderOfDevicePaths) {
    EXPECT_EQ(wq::skin::FolderOf(u"\\NAND Flash\\skin\\WQAudio\\WQAudio.TPL"),
              u"\\NAND Flash\\skin\\WQAudio");
    EXPECT_EQ(wq::skin::FolderOf(u"\\x.TPL"), u"");
    EXPECT_EQ(wq::skin::FolderOf(u"x.TPL"), u"");
}

}  // namespace
