// Fonts and text: the Korean faces, Hangul, DrawText alignment and
// ExtTextOut clipping. (Transparent text over a background: the track
// information's pixel test, tests/trackinfo.)
#include <gtest/gtest.h>

#include <string>

#include "platform/base/utf.h"
#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

HFONT Font(int height, const char16_t* face) {
    return CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0x20, face);
}

// Bounding box of pixels differing from black; empty when none.
RECT InkBox(const Surface& s) {
    RECT box{s.width, s.height, 0, 0};
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (s.At(x, y) != kBlack)
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                       std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
    return box;
}

// White text on black in TRANSPARENT mode, as the overlay controls draw.
struct TextCanvas : Canvas {
    TextCanvas(int w, int h, HFONT font, POINT origin = {}, RECT clip = {0, 0, 1 << 20, 1 << 20})
        : Canvas(w, h, kBlack, origin, clip) {
        SetBkMode(dc(), TRANSPARENT);
        SetTextColor(dc(), RGB(255, 255, 255));
        old = SelectObject(dc(), font);
    }
    ~TextCanvas() { SelectObject(dc(), old); }
    SIZE Extent(const std::u16string& s) {
        SIZE sz{};
        EXPECT_TRUE(GetTextExtentPoint32(dc(), s.c_str(), static_cast<int>(s.size()), &sz));
        return sz;
    }
    void Out(int x, int y, const std::u16string& s) {
        TextOut(dc(), x, y, s.c_str(), static_cast<int>(s.size()));
    }
    HGDIOBJ old;
};

TEXTMETRIC Metrics(HFONT font) {
    TextCanvas c(1, 1, font);
    TEXTMETRIC tm;
    EXPECT_TRUE(GetTextMetrics(c.dc(), &tm));
    return tm;
}

// Hangul measures and draws in the Korean faces, which draw exactly as the
// Nanum fonts behind them, and in a Latin face through per-character fallback.
// Two syllables must not come out as one missing-glyph box.
TEST(GdiFont, HangulDrawsAndTheKoreanFacesAreTheNanumFonts) {
    const std::pair<const char16_t*, const char16_t*> faces[] = {
        {u"굴림", u"NanumGothic"}, {u"돋움체", u"NanumGothicCoding"}, {u"DejaVu Sans", nullptr}};
    for (auto [face, nanum] : faces) {
        HFONT font = Font(14, face), other = Font(14, nanum ? nanum : u"NanumGothic");
        const std::string name = Utf16ToUtf8(face);
        Surface glyphs[2];
        const std::u16string syllables[2] = {u"가", u"힣"};
        for (int i = 0; i < 2; ++i) {
            TextCanvas t(20, 20, font);
            SIZE sz = t.Extent(syllables[i]);
            EXPECT_GT(sz.cx, 0) << name;
            t.Out(2, 2, syllables[i]);
            EXPECT_GT(t.CountNot(kBlack), 15) << name;
            glyphs[i] = t.surface();
        }
        EXPECT_NE(glyphs[0].pixels, glyphs[1].pixels) << name;
        // The Latin face draws the same text differently, so this comparison can fail.
        TextCanvas a(40, 20, font), b(40, 20, other);
        a.Out(1, 1, u"가A1");
        b.Out(1, 1, u"가A1");
        EXPECT_EQ(a.surface().pixels == b.surface().pixels, nanum != nullptr) << name;
        // A positive height is the cell height (the program asks for no other).
        EXPECT_NEAR(Metrics(font).tmHeight, 14, 1) << name;
        DeleteObject(font);
        DeleteObject(other);
    }
}

// Each alignment draws the same pixels as TextOut at the position the
// framework computes from the measured extent.
TEST(GdiDrawText, AlignsAsTheFrameworkAndDrawsAmpersandLiterally) {
    HFONT font = Font(14, u"굴림");
    const std::u16string text = u"A & B";
    // The program's formats (none aligns right).
    const UINT formats[] = {DT_CENTER | DT_SINGLELINE, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX,
                            DT_LEFT | DT_SINGLELINE, DT_CENTER | DT_VCENTER | DT_SINGLELINE};
    RECT rc{5, 3, 95, 33};
    for (const UINT format : formats) {
        TextCanvas viaDraw(100, 40, font), viaOut(100, 40, font);
        SIZE sz = viaOut.Extent(text);
        DrawText(viaDraw.dc(), text.c_str(), -1, &rc, format);
        const int x = format & DT_CENTER ? (rc.left + rc.right - sz.cx) / 2 : rc.left;
        viaOut.Out(x, format & DT_VCENTER ? (rc.top + rc.bottom - sz.cy) / 2 : rc.top, text);
        EXPECT_GT(viaDraw.CountNot(kBlack), 0) << format;
        EXPECT_EQ(viaDraw.surface().pixels, viaOut.surface().pixels) << format;
    }
    DeleteObject(font);
}

TEST(GdiDrawText, SingleLineIgnoresBreaksAndClipsWhereExtTextOutClipsOnlyWithEtoClipped) {
    HFONT font = Font(14, u"굴림");
    const LONG line = Metrics(font).tmHeight;
    RECT rc{0, 0, 100, 60};
    TextCanvas single(100, 60, font);
    EXPECT_EQ(DrawText(single.dc(), u"AB\r\nCD", -1, &rc, DT_SINGLELINE), line);
    EXPECT_LE(InkBox(single.surface()).bottom, line);
    EXPECT_GT(InkBox(single.surface()).right, single.Extent(u"AB").cx) << "CD follows on the line";
    // A child window's DC: logical (0,0) at surface (7,4), drawing limited to
    // its area (x < 27) and to the rectangle (x < 7 + 15).
    TextCanvas child(60, 30, font, POINT{7, 4}, RECT{7, 4, 27, 24}), plain(60, 30, font);
    RECT narrow{0, 0, 15, 30};
    DrawText(child.dc(), u"가나다라마바사", -1, &narrow, DT_LEFT | DT_SINGLELINE);
    plain.Out(7, 4, u"가나다라마바사");
    EXPECT_TRUE(PixelsAre(child.surface(), [&](int x, int y) {
        return x >= 7 && x < 22 && y >= 4 && y < 24 ? plain.at(x, y) : kBlack;
    }));
    EXPECT_GT(child.CountNot(kBlack), 20);
    // Without ETO_CLIPPED, ExtTextOut's rectangle is ignored.
    const std::u16string text = u"WWWWWWWW";
    const UINT len = static_cast<UINT>(text.size());
    rc = {0, 0, 10, 10};
    TextCanvas loose(50, 20, font), clipped(50, 20, font);
    EXPECT_TRUE(ExtTextOut(loose.dc(), -5, 0, ETO_IGNORELANGUAGE, &rc, text.c_str(), len, nullptr));
    EXPECT_GT(InkBox(loose.surface()).right, 10);
    ExtTextOut(clipped.dc(), -5, 0, ETO_CLIPPED, &rc, text.c_str(), len, nullptr);
    RECT ink = InkBox(clipped.surface());
    EXPECT_TRUE(ink.right > 0 && ink.right <= 10 && ink.bottom <= 10);
    DeleteObject(font);
}

}  // namespace
}  // namespace wq::gdi::test
