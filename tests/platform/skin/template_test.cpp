// The template parser: a text golden of a full template, the encodings and
// line ends editors save, the documentation, and mangled input (bad templates
// and bad lines are tested through CSkinManager::Load in skin_test.cpp).
#include "platform/skin/template.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "platform/base/utf.h"
#include "tests/support/temp_root.h"

namespace {

using wq::skin::Describe;
using wq::skin::ParseTemplate;

const std::string kInputs = std::string(WQ_SOURCE_DIR) + "/tests/platform/skin/inputs/";

TEST(SkinTemplate, FullTemplateMatchesGolden) {
    const std::string actual = Describe(ParseTemplate(wq::test::ReadFile(kInputs + "full.tpl")));
    const std::string golden = kInputs + "full.expected";
    if (std::getenv("WQ_REGEN")) std::ofstream(golden, std::ios::binary) << actual;
    EXPECT_EQ(actual, wq::test::ReadFile(golden))
        << "To rebase after an intended change: WQ_REGEN=1 ./skin_template_tests, then review "
        << golden;
}

TEST(SkinTemplate, EncodingsAndLineEndsGiveTheSameSkin) {
    const std::string plain = wq::test::ReadFile(kInputs + "full.tpl");
    const std::string expected = Describe(ParseTemplate(plain));
    std::string crlf, utf16("\xFF\xFE", 2);  // UTF-16LE as Windows editors save Korean text
    for (char c : plain) crlf += c == '\n' ? "\r\n" : std::string(1, c);
    for (char16_t u : wq::Utf8ToUtf16(plain)) utf16 += {char(u & 0xFF), char(u >> 8)};
    EXPECT_EQ(Describe(ParseTemplate(crlf)), expected) << "CR LF line ends";
    EXPECT_EQ(Describe(ParseTemplate("\xEF\xBB\xBF" + plain)), expected) << "UTF-8 byte-order mark";
    EXPECT_EQ(Describe(ParseTemplate(utf16)), expected) << "UTF-16LE";
}

TEST(SkinTemplate, EveryKeywordIsDocumentedAndTheDocumentedExampleLoads) {
    const std::string doc = wq::test::ReadFile(std::string(WQ_SOURCE_DIR) + "/docs/skin-format.md");
    for (std::string_view k : wq::skin::TemplateKeywords()) {
        std::string quoted(1, '`');
        quoted.append(k);
        EXPECT_NE(doc.find(quoted), std::string::npos) << "undocumented: " << k;
    }
    const size_t start = doc.find("```\nwqskin 1");
    ASSERT_NE(start, std::string::npos)
        << "the documentation has no example starting with wqskin 1";
    const wq::skin::Parsed p =
        ParseTemplate(doc.substr(start + 4, doc.find("```", start + 4) - start - 4));
    EXPECT_TRUE(p.ok && p.problems.empty()) << Describe(p);
}

TEST(SkinTemplate, MangledTemplatesNeverBreakTheParser) {
    // Seeded byte mutations of a real template: the parser must finish, and
    // every problem must point at a line of the text (or at the whole file).
    const std::string base = wq::test::ReadFile(kInputs + "full.tpl");
    ASSERT_FALSE(base.empty());
    std::mt19937 rng(20261206);
    const char alphabet[] = "0123456789 -=#\"\\\n\r\txyzwqskin\xFF\xFE\xEF\xBB\xBF\x80\0";
    for (int round = 0; round < 3000; ++round) {
        std::string text = base;
        for (int e = 0, edits = 1 + int(rng() % 8); e < edits && !text.empty(); ++e) {
            const size_t at = rng() % text.size();
            const char c = alphabet[rng() % (sizeof alphabet - 1)];
            const unsigned op = rng() % 3;
            if (op == 0)
                text[at] = c;
            else if (op == 1)
                text.insert(text.begin() + long(at), c);
            else
                text.erase(at, 1 + rng() % 12);
        }
        const wq::skin::Parsed p = ParseTemplate(text);
        const int lines = int(std::count(text.begin(), text.end(), '\n')) + 1;
        for (const wq::skin::Problem& problem : p.problems) {
            ASSERT_TRUE(problem.line >= 0 && problem.line <= lines) << "round " << round;
            ASSERT_FALSE(problem.message.empty());
        }
        for (const wq::skin::ElementSpec& e : p.skin.elements) {
            ASSERT_TRUE(e.rect.left >= 0 && e.rect.right <= wq::skin::kMaxCoord &&
                        e.rect.top < e.rect.bottom)
                << "round " << round;
        }
    }
}

}  // namespace
