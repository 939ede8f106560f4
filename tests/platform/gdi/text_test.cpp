// Hangul, background modes, alignment of DrawText, clipping of ExtTextOut and
// the measurements the scrolling controls rely on.
#include <gtest/gtest.h>

#include <string>

#include "platform/base/utf.h"
#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

HFONT Font(int height, const char16_t* face, int weight = FW_NORMAL, bool underline = false) {
    return CreateFont(height, 0, 0, 0, weight, 0, underline, 0, 0, 0, 0, 0, 0x20, face);
}

TEXTMETRIC Metrics(HFONT font) {
    MemoryCanvas c(1, 1);
    HGDIOBJ old = SelectObject(c.dc(), font);
    TEXTMETRIC tm;
    EXPECT_TRUE(GetTextMetrics(c.dc(), &tm));
    SelectObject(c.dc(), old);
    return tm;
}

// Bounding box of pixels differing from `paper`; empty when none.
RECT InkBox(const Surface& s, std::uint32_t paper = kBlack) {
    RECT box{s.width, s.height, 0, 0};
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (s.At(x, y) != paper)
                box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                       std::max<LONG>(box.bottom, y + 1)};
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
    void Out(int x, int y, const std::u16string& s) { TextOut(dc(), x, y, s.c_str(), static_cast<int>(s.size())); }
    HGDIOBJ old;
};

TEST(GdiFont, HeightRulesOfTheFramework) {
    for (const char16_t* face : {u"굴림", u"돋움체", u"Tahoma", u""}) {
        HFONT cell = Font(14, face), em = Font(-14, face), def = Font(0, face);
        TEXTMETRIC c = Metrics(cell), e = Metrics(em), d = Metrics(def);
        std::string name = wq::Utf16ToUtf8(face);
        EXPECT_NEAR(c.tmHeight, 14, 1) << name;
        EXPECT_EQ(c.tmHeight, c.tmAscent + c.tmDescent) << name;
        // An em height is larger than the same cell height, except for a face whose
        // cell is exactly its em (NanumGothicCoding, behind "돋움체").
        if (std::u16string(face) == u"돋움체")
            EXPECT_EQ(e.tmHeight, c.tmHeight) << name;
        else
            EXPECT_GT(e.tmHeight, c.tmHeight) << name;
        EXPECT_GT(d.tmHeight, 0) << name;
        EXPECT_GT(c.tmAveCharWidth, 0) << name;
        for (HFONT f : {cell, em, def}) DeleteObject(f);
    }
    // LOGFONT and the 14-argument form describe the same font.
    LOGFONT lf;
    lf.lfHeight = 8;
    lf.lfWeight = FW_BOLD;
    lf.lfPitchAndFamily = 0x20;
    std::u16string(u"굴림").copy(lf.lfFaceName, 2);
    HFONT indirect = CreateFontIndirect(&lf), direct = Font(8, u"굴림", FW_BOLD);
    EXPECT_EQ(Metrics(indirect).tmHeight, Metrics(direct).tmHeight);
    EXPECT_EQ(Metrics(indirect).tmWeight, FW_BOLD);
    LOGFONT back;
    EXPECT_EQ(GetObject(indirect, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(std::u16string(back.lfFaceName), u"굴림");
    DeleteObject(indirect);
    DeleteObject(direct);
}

// Two different syllables must not both come out as the same missing-glyph box;
// a Latin face falls back per character.
TEST(GdiText, HangulMeasuresAndDrawsInKoreanAndLatinFaces) {
    for (const char16_t* face : {u"굴림", u"돋움체", u"DejaVu Sans"}) {
        HFONT font = Font(14, face);
        std::string name = wq::Utf16ToUtf8(face);
        Surface glyphs[2];
        const std::u16string syllables[2] = {u"가", u"힣"};
        for (int i = 0; i < 2; ++i) {
            TextCanvas t(20, 20, font);
            SIZE sz = t.Extent(syllables[i]);
            EXPECT_GT(sz.cx, 0) << name;
            t.Out(2, 2, syllables[i]);
            EXPECT_GT(t.CountNot(kBlack), 15) << name;
            RECT ink = InkBox(t.surface());  // inside the character cell
            EXPECT_TRUE(ink.left >= 2 && ink.right <= 3 + sz.cx && ink.top >= 2 && ink.bottom <= 2 + sz.cy) << name;
            glyphs[i] = t.surface();
        }
        EXPECT_NE(glyphs[0].pixels, glyphs[1].pixels) << name << ": Hangul drawn as missing-glyph boxes";
        DeleteObject(font);
    }
}

TEST(GdiText, OpaqueModeFillsTheTextBoxWithTheBackgroundColour) {
    // A fresh memory DC is OPAQUE with a white background: the box behind the text turns white.
    MemoryCanvas c(60, 30, kBlack);
    SIZE sz{};
    GetTextExtentPoint32(c.dc(), u"Hi", 2, &sz);
    ASSERT_GT(sz.cx, 0);
    EXPECT_TRUE(TextOut(c.dc(), 3, 4, u"Hi", 2));
    const Surface& s = c.surface();
    int white = 0;
    EXPECT_TRUE(PixelsAre(s, [&](int x, int y) {
        bool inside = x >= 3 && x < 3 + sz.cx && y >= 4 && y < 4 + sz.cy;
        return inside ? (white += s.At(x, y) == kWhite, s.At(x, y)) : kBlack;
    }));
    EXPECT_GT(white, sz.cx * sz.cy / 2);
    EXPECT_LT(white, sz.cx * sz.cy) << "black ink over the white box";
    // SetBkColor changes the box (TRANSPARENT mode is what every TextCanvas draws in).
    SetBkColor(c.dc(), RGB(0, 0, 255));
    TextOut(c.dc(), 3, 4, u"Hi", 2);
    EXPECT_EQ(s.At(3, 4), kBlue);
}

TEST(GdiText, TextColourWeightAndUnderline) {
    HFONT normal = Font(18, u"굴림"), bold = Font(18, u"굴림", FW_BOLD), under = Font(18, u"굴림", FW_NORMAL, true);
    int ink[2] = {};
    for (int i = 0; i < 2; ++i) {
        TextCanvas t(80, 24, i ? bold : normal);
        SetTextColor(t.dc(), RGB(255, 0, 0));
        t.Out(0, 0, u"Weight");
        for (std::uint32_t p : t.surface().pixels) {
            EXPECT_EQ(p & 0x00FFFF, 0u) << "only the red channel may change";
            ink[i] += static_cast<int>(p >> 16);
        }
    }
    EXPECT_GT(ink[1], ink[0] * 11 / 10) << "bold should carry more ink";
    // Underline: a full white row under the text where the plain text has none.
    TextCanvas a(60, 24, normal), b(60, 24, under);
    SIZE sz = a.Extent(u"ab");
    a.Out(0, 0, u"ab");
    b.Out(0, 0, u"ab");
    bool rule = false;
    for (int y = 0; y < 24 && !rule; ++y) {
        rule = true;
        for (int x = 0; x < sz.cx; ++x) rule = rule && b.at(x, y) == kWhite && a.at(x, y) != kWhite;
    }
    EXPECT_TRUE(rule);
    for (HFONT f : {normal, bold, under}) DeleteObject(f);
}

TEST(GdiText, ExtentExPointGivesPartialExtentsAndFit) {
    HFONT small = Font(12, u"굴림"), large = Font(24, u"굴림");
    MemoryCanvas c(1, 1);
    const std::u16string s = u"Play 재생";
    const int n = static_cast<int>(s.size());
    LONG widths[2];
    for (int f = 0; f < 2; ++f) {
        SelectObject(c.dc(), f ? large : small);
        std::vector<int> dx(static_cast<size_t>(n), -1);
        int fit = -1;
        SIZE sz{};
        ASSERT_TRUE(GetTextExtentExPoint(c.dc(), s.c_str(), n, 1000, &fit, dx.data(), &sz));
        EXPECT_EQ(sz.cx, dx.back());
        EXPECT_EQ(fit, n);
        EXPECT_TRUE(std::is_sorted(dx.begin(), dx.end()));
        TEXTMETRIC tm;
        GetTextMetrics(c.dc(), &tm);
        EXPECT_EQ(sz.cy, tm.tmHeight);
        // The fit count stops at the first unit whose partial extent passes the limit.
        ASSERT_TRUE(GetTextExtentExPoint(c.dc(), s.c_str(), n, dx[3], &fit, nullptr, &sz));
        EXPECT_EQ(fit, 4);
        widths[f] = sz.cx;
    }
    EXPECT_GT(widths[1], widths[0]);
    SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(small);
    DeleteObject(large);
}

TEST(GdiDrawText, AlignsAsTheFrameworkAndDrawsAmpersandLiterally) {
    HFONT font = Font(14, u"굴림");
    const std::u16string text = u"A & B";
    // h: 0 left, 1 centre, 2 right.
    const struct {
        UINT format;
        int h;
        bool vcentre;
    } cases[] = {
        {DT_CENTER | DT_SINGLELINE, 1, false}, {DT_CENTER | DT_SINGLELINE | DT_NOPREFIX, 1, false},
        {DT_LEFT | DT_SINGLELINE, 0, false},   {DT_RIGHT | DT_SINGLELINE, 2, false},
        {DT_CENTER | DT_VCENTER | DT_SINGLELINE, 1, true},
    };
    RECT rc{5, 3, 95, 33};
    for (const auto& c : cases) {
        TextCanvas viaDraw(100, 40, font), viaOut(100, 40, font);
        SIZE sz = viaOut.Extent(text);
        DrawText(viaDraw.dc(), text.c_str(), -1, &rc, c.format);
        int x = c.h == 0 ? rc.left : c.h == 2 ? rc.right - sz.cx : (rc.left + rc.right - sz.cx) / 2;
        viaOut.Out(x, c.vcentre ? (rc.top + rc.bottom - sz.cy) / 2 : rc.top, text);
        EXPECT_GT(viaDraw.CountNot(kBlack), 0) << c.format;
        EXPECT_EQ(viaDraw.surface().pixels, viaOut.surface().pixels) << c.format;
    }
    DeleteObject(font);
}

TEST(GdiDrawText, LinesClippingAndMeasuring) {
    HFONT font = Font(14, u"굴림");
    const LONG line = Metrics(font).tmHeight;
    RECT rc{0, 0, 100, 60};
    TextCanvas single(100, 60, font), multi(100, 60, font);
    DrawText(single.dc(), u"AB\nCD", -1, &rc, DT_SINGLELINE);
    EXPECT_LE(InkBox(single.surface()).bottom, line);
    EXPECT_EQ(DrawText(multi.dc(), u"AB\r\nCD", -1, &rc, DT_LEFT), 2 * line);
    EXPECT_GT(InkBox(multi.surface()).bottom, line);
    RECT calc{0, 0, 0, 0};
    EXPECT_EQ(DrawText(multi.dc(), u"AB\nCD", -1, &calc, DT_CALCRECT), 2 * line);
    EXPECT_EQ(calc.bottom, 2 * line);
    EXPECT_GT(calc.right, 0);
    // Clipped to the rectangle unless DT_NOCLIP.
    TextCanvas t(200, 20, font), n(200, 20, font);
    RECT narrow{10, 0, 30, 20};
    DrawText(t.dc(), u"A long title that does not fit", -1, &narrow, DT_LEFT | DT_SINGLELINE);
    RECT ink = InkBox(t.surface());
    EXPECT_TRUE(ink.left >= 10 && ink.right <= 30);
    DrawText(n.dc(), u"A long title that does not fit", -1, &narrow, DT_LEFT | DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(InkBox(n.surface()).right, 30);
    DeleteObject(font);
}

TEST(GdiExtTextOut, RectangleOnlyMattersWithClippedOrOpaque) {
    HFONT font = Font(14, u"굴림");
    const std::u16string text = u"WWWWWWWW";
    const UINT len = static_cast<UINT>(text.size());
    RECT rc{0, 0, 10, 10};
    TextCanvas loose(50, 20, font), clipped(50, 20, font), opaque(50, 20, font);
    EXPECT_TRUE(ExtTextOut(loose.dc(), -5, 0, ETO_IGNORELANGUAGE, &rc, text.c_str(), len, nullptr));
    EXPECT_GT(InkBox(loose.surface()).right, 10);
    ExtTextOut(clipped.dc(), -5, 0, ETO_CLIPPED, &rc, text.c_str(), len, nullptr);
    RECT ink = InkBox(clipped.surface());
    EXPECT_TRUE(ink.right > 0 && ink.right <= 10 && ink.bottom <= 10);
    // ETO_OPAQUE fills the rectangle with the background colour even in TRANSPARENT mode.
    SetBkColor(opaque.dc(), RGB(0, 0, 255));
    RECT box{20, 5, 30, 15};
    ExtTextOut(opaque.dc(), 0, 0, ETO_OPAQUE, &box, u"", 0, nullptr);
    EXPECT_TRUE(PixelsAre(opaque.surface(),
                          [](int x, int y) { return x >= 20 && x < 30 && y >= 5 && y < 15 ? kBlue : kBlack; }));
    // Explicit advances place each character.
    TextCanvas a(80, 20, font), b(80, 20, font);
    const int dx[] = {20, 20};
    ExtTextOut(a.dc(), 0, 0, 0, nullptr, u"ii", 2, dx);
    b.Out(0, 0, u"i");
    b.Out(20, 0, u"i");
    EXPECT_EQ(a.surface().pixels, b.surface().pixels);
    DeleteObject(font);
}

TEST(GdiText, WindowDcOriginAndClipApplyToText) {
    // A child window's DC: logical (0,0) at surface (7,4), drawing limited to its area.
    HFONT font = Font(14, u"굴림");
    TextCanvas child(60, 30, font, POINT{7, 4}, RECT{7, 4, 27, 24}), plain(60, 30, font);
    RECT rc{0, 0, 200, 30};
    DrawText(child.dc(), u"가나다라마바사", -1, &rc, DT_LEFT | DT_SINGLELINE);
    plain.Out(7, 4, u"가나다라마바사");
    EXPECT_TRUE(PixelsAre(child.surface(), [&](int x, int y) {
        return x >= 7 && x < 27 && y >= 4 && y < 24 ? plain.at(x, y) : kBlack;
    }));
    EXPECT_GT(child.CountNot(kBlack), 20);
    DeleteObject(font);
}

}  // namespace
}  // namespace wq::gdi::test
