// The template parser: a text golden of a full template and the documentation
// (mangled input is the fuzz target's; bad lines are tested through
// CSkinManager::Load in skin_test.cpp).
#include "platform/skin/template.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/temp_root.h"

namespace {

using wq::skin::Describe;
using wq::skin::ParseTemplate;

const std::string kInputs = std::string(WQ_SOURCE_DIR) + "/tests/platform/skin/inputs/";

// The golden, and the same skin from the CR LF line ends and UTF-8 byte-order
// mark editors save (UTF-16 is checked on every input by the fuzz target).
TEST(SkinTemplate, FullTemplateMatchesGoldenWhateverTheLineEnds) {
    const std::string plain = wq::test::ReadFile(kInputs + "full.tpl");
    const std::string actual = Describe(ParseTemplate(plain));
    const std::string golden = kInputs + "full.expected";
    if (std::getenv("WQ_REGEN")) std::ofstream(golden, std::ios::binary) << actual;
    EXPECT_EQ(actual, wq::test::ReadFile(golden))
        << "To rebase after an intended change: WQ_REGEN=1 ./skin_template_tests, then review "
        << golden;
    std::string crlf;
    for (char c : plain) crlf += c == '\n' ? "\r\n" : std::string(1, c);
    EXPECT_EQ(Describe(ParseTemplate(crlf)), actual) << "CR LF line ends";
    EXPECT_EQ(Describe(ParseTemplate("\xEF\xBB\xBF" + plain)), actual) << "UTF-8 byte-order mark";
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

}  // namespace
