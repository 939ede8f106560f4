// The skin template parser over any text: what it accepts is a skin the skin
// library can build, and the text saved as UTF-16 with its byte-order mark
// parses the same.
#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "platform/base/utf.h"
#include "platform/skin/template.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

using wq::skin::kMaxCoord;

void CheckParsed(const wq::skin::Parsed& parsed, std::string_view text) {
    const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
    for (const auto& problem : parsed.problems) {
        WQ_FUZZ_CHECK(problem.line >= 0 && problem.line <= lines);
        WQ_FUZZ_CHECK(!problem.message.empty());
    }
    if (!parsed.ok) return;
    const auto& skin = parsed.skin;
    WQ_FUZZ_CHECK(!skin.background.empty());
    WQ_FUZZ_CHECK(!skin.hasFace || (skin.face.cx >= 1 && skin.face.cx <= kMaxCoord &&
                                    skin.face.cy >= 1 && skin.face.cy <= kMaxCoord));
    std::set<UINT> ids;
    int lastLine = 0;
    for (const auto& e : skin.elements) {
        WQ_FUZZ_CHECK(e.id >= 1 && e.id <= 0xFFFF && ids.insert(e.id).second);
        WQ_FUZZ_CHECK(e.rect.left >= 0 && e.rect.top >= 0);
        WQ_FUZZ_CHECK(e.rect.right > e.rect.left && e.rect.bottom > e.rect.top);
        WQ_FUZZ_CHECK(e.rect.right <= kMaxCoord && e.rect.bottom <= kMaxCoord);
        WQ_FUZZ_CHECK(e.rowHeight >= 4 && e.rowHeight <= 256);
        WQ_FUZZ_CHECK(e.line > lastLine && e.line <= lines);
        lastLine = e.line;
        WQ_FUZZ_CHECK(skin.Find(e.id) == &e);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = wq::skin::ParseTemplate(text);
    CheckParsed(parsed, text);
    const std::string described = wq::skin::Describe(parsed);
    WQ_FUZZ_CHECK(!described.empty());

    // Text without a byte-order mark of its own, saved as UTF-16LE with one.
    const bool marked = text.starts_with("\xFF\xFE") || text.starts_with("\xEF\xBB\xBF");
    if (!marked) {
        std::string wide = "\xFF\xFE";
        for (char16_t unit : wq::Utf8ToUtf16(text)) {
            wide.push_back(static_cast<char>(unit & 0xFF));
            wide.push_back(static_cast<char>(unit >> 8));
        }
        WQ_FUZZ_CHECK(wq::skin::Describe(wq::skin::ParseTemplate(wide)) == described);
    }
    return 0;
}
