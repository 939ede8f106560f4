// Fonts and text: the framework's height rules, Korean faces that really draw
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
RECT InkBox(const Surface& s, std::uint32_t paper) {
    RECT box{s.width, s.height, 0, 0};
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x)
            if (s.At(x, y) != paper) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

// White text on black in TRANSPARENT mode, as the overlay controls draw.
struct TextCanvas {
    TextCanvas(int w, int h, HFONT f) : canvas(w, h, kBlack), font(f) {
        SetBkMode(canvas.dc(), TRANSPARENT);
        SetTextColor(canvas.dc(), RGB(255, 255, 255));
        old = SelectObject(canvas.dc(), font);
    }
    ~TextCanvas() { SelectObject(canvas.dc(), old); }
    SIZE Extent(const std::u16string& s) {
        SIZE sz{};
        EXPECT_TRUE(GetTextExtentPoint32(canvas.dc(), s.c_str(), static_cast<int>(s.size()), &sz));
        return sz;
    }
    Canvas canvas;
    HFONT font;
    HGDIOBJ old;
};

TEST(GdiFont, HeightRulesOfTheFramework) {
    for (const char16_t* face : {u"굴림", u"돋움체", u"Tahoma", u""}) {
        HFONT cell = Font(14, face), em = Font(-14, face), def = Font(0, face);
        ASSERT_TRUE(cell && em && def);
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
        DeleteObject(cell);
        DeleteObject(em);
        DeleteObject(def);
    }
    // LOGFONT and the 14-argument form describe the same font.
    LOGFONT lf;
    lf.lfHeight = 8;
    lf.lfWeight = FW_BOLD;
    lf.lfPitchAndFamily = 0x20;
    std::u16string face = u"굴림";
    face.copy(lf.lfFaceName, face.size());
    HFONT indirect = CreateFontIndirect(&lf);
    HFONT direct = Font(8, u"굴림", FW_BOLD);
    TEXTMETRIC a = Metrics(indirect), b = Metrics(direct);
    EXPECT_EQ(a.tmHeight, b.tmHeight);
    EXPECT_EQ(a.tmWeight, FW_BOLD);
    LOGFONT back;
    EXPECT_EQ(GetObject(indirect, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(std::u16string(back.lfFaceName), u"굴림");
    DeleteObject(indirect);
    DeleteObject(direct);
}

TEST(GdiText, KoreanFacesMeasureAndDrawRealHangul) {
    for (const char16_t* face : {u"굴림", u"돋움체"}) {
        HFONT font = Font(14, face);
        std::string name = wq::Utf16ToUtf8(face);
        // Two different syllables must not both come out as the same missing-glyph box.
        Surface glyphs[2];
        const std::u16string syllables[2] = {u"가", u"힣"};
        for (int i = 0; i < 2; ++i) {
            TextCanvas t(20, 20, font);
            SIZE sz = t.Extent(syllables[i]);
            EXPECT_GT(sz.cx, 0) << name;
            EXPECT_TRUE(TextOut(t.canvas.dc(), 2, 2, syllables[i].c_str(), 1));
            EXPECT_GT(t.canvas.CountNot(kBlack), 15) << name;
            // Ink stays inside the character cell.
            RECT ink = InkBox(t.canvas.surface(), kBlack);
            EXPECT_GE(ink.left, 2) << name;
            EXPECT_LE(ink.right, 2 + sz.cx + 1) << name;
            EXPECT_GE(ink.top, 2) << name;
            EXPECT_LE(ink.bottom, 2 + sz.cy) << name;
            glyphs[i] = t.canvas.surface();
        }
        EXPECT_NE(glyphs[0].pixels, glyphs[1].pixels) << name << ": Hangul drawn as missing-glyph boxes";
        DeleteObject(font);
    }
}

TEST(GdiText, LatinFaceFallsBackPerCharacterForHangul) {
    HFONT font = Font(14, u"DejaVu Sans");
    Surface drawn[2];
    const std::u16string texts[2] = {u"A가", u"A힣"};
    for (int i = 0; i < 2; ++i) {
        TextCanvas t(40, 20, font);
        TextOut(t.canvas.dc(), 0, 0, texts[i].c_str(), 2);
        drawn[i] = t.canvas.surface();
    }
    EXPECT_NE(drawn[0].pixels, drawn[1].pixels);
    DeleteObject(font);
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
        if (inside) return s.At(x, y) == kWhite ? (++white, kWhite) : s.At(x, y);  // ink or white
        return kBlack;
    }));
    EXPECT_GT(white, sz.cx * sz.cy / 2);
    // Text ink is black over the white box.
    EXPECT_NE(InkBox(s, kWhite).left, InkBox(s, kBlack).left);

    // SetBkColor changes the box; TRANSPARENT leaves the background alone.
    SetBkColor(c.dc(), RGB(0, 0, 255));
    TextOut(c.dc(), 3, 4, u"Hi", 2);
    EXPECT_EQ(s.At(3, 4), kBlue);
    std::fill(c.surface().pixels.begin(), c.surface().pixels.end(), kGreen);
    SetBkMode(c.dc(), TRANSPARENT);
    TextOut(c.dc(), 3, 4, u"Hi", 2);
    EXPECT_EQ(s.At(3, 4), kGreen);
    int neither = 0;
    for (std::uint32_t p : s.pixels) neither += p != kGreen;
    EXPECT_GT(neither, 0);
}

TEST(GdiText, TextColourAndWeight) {
    HFONT normal = Font(18, u"굴림"), bold = Font(18, u"굴림", FW_BOLD);
    int ink[2] = {};
    for (int i = 0; i < 2; ++i) {
        TextCanvas t(80, 24, i ? bold : normal);
        SetTextColor(t.canvas.dc(), RGB(255, 0, 0));
        TextOut(t.canvas.dc(), 0, 0, u"Weight", 6);
        for (std::uint32_t p : t.canvas.surface().pixels) {
            EXPECT_EQ(p & 0x00FFFF, 0u) << "only the red channel may change";
            ink[i] += static_cast<int>(p >> 16);
        }
    }
    EXPECT_GT(ink[1], ink[0] * 11 / 10) << "bold should carry more ink";
    DeleteObject(normal);
    DeleteObject(bold);
}

TEST(GdiText, ExtentExPointGivesPartialExtentsAndFit) {
    HFONT small = Font(12, u"굴림"), large = Font(24, u"굴림");
    MemoryCanvas c(1, 1);
    const std::u16string s = u"Play 재생";
    const int n = static_cast<int>(s.size());
    SIZE sizes[2];
    for (int f = 0; f < 2; ++f) {
        SelectObject(c.dc(), f ? large : small);
        std::vector<int> dx(static_cast<size_t>(n), -1);
        int fit = -1;
        SIZE sz{};
        ASSERT_TRUE(GetTextExtentExPoint(c.dc(), s.c_str(), n, 1000, &fit, dx.data(), &sz));
        EXPECT_EQ(sz.cx, dx.back());
        EXPECT_EQ(fit, n);
        for (int i = 1; i < n; ++i) EXPECT_GE(dx[static_cast<size_t>(i)], dx[static_cast<size_t>(i - 1)]);
        TEXTMETRIC tm;
        GetTextMetrics(c.dc(), &tm);
        EXPECT_EQ(sz.cy, tm.tmHeight);
        // The fit count stops at the first unit whose partial extent passes the limit.
        int limit = dx[3];
        ASSERT_TRUE(GetTextExtentExPoint(c.dc(), s.c_str(), n, limit, &fit, nullptr, &sz));
        EXPECT_EQ(fit, 4);
        sizes[f] = sz;
    }
    EXPECT_GT(sizes[1].cx, sizes[0].cx);
    SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(small);
    DeleteObject(large);
}

TEST(GdiDrawText, AlignsAsTheFrameworkAndDrawsAmpersandLiterally) {
    HFONT font = Font(14, u"굴림");
    const std::u16string text = u"A & B";
    struct Case {
        const char* name;
        UINT format;
        int (*x)(const RECT&, int w);
        int (*y)(const RECT&, int h);
    };
    const Case cases[] = {
        {"center single line", DT_CENTER | DT_SINGLELINE, [](const RECT& r, int w) { return static_cast<int>((r.left + r.right - w) / 2); },
         [](const RECT& r, int) { return static_cast<int>(r.top); }},
        {"no prefix", DT_CENTER | DT_SINGLELINE | DT_NOPREFIX, [](const RECT& r, int w) { return static_cast<int>((r.left + r.right - w) / 2); },
         [](const RECT& r, int) { return static_cast<int>(r.top); }},
        {"left", DT_LEFT | DT_SINGLELINE, [](const RECT& r, int) { return static_cast<int>(r.left); },
         [](const RECT& r, int) { return static_cast<int>(r.top); }},
        {"right", DT_RIGHT | DT_SINGLELINE, [](const RECT& r, int w) { return static_cast<int>(r.right - w); },
         [](const RECT& r, int) { return static_cast<int>(r.top); }},
        {"vertical centre", DT_CENTER | DT_VCENTER | DT_SINGLELINE,
         [](const RECT& r, int w) { return static_cast<int>((r.left + r.right - w) / 2); },
         [](const RECT& r, int h) { return static_cast<int>((r.top + r.bottom - h) / 2); }},
    };
    RECT rc{5, 3, 95, 33};
    for (const Case& c : cases) {
        TextCanvas viaDraw(100, 40, font), viaOut(100, 40, font);
        SIZE sz = viaOut.Extent(text);
        DrawText(viaDraw.canvas.dc(), text.c_str(), -1, &rc, c.format);
        TextOut(viaOut.canvas.dc(), c.x(rc, sz.cx), c.y(rc, sz.cy), text.c_str(), static_cast<int>(text.size()));
        EXPECT_GT(viaDraw.canvas.CountNot(kBlack), 0) << c.name;
        EXPECT_EQ(viaDraw.canvas.surface().pixels, viaOut.canvas.surface().pixels) << c.name;
    }
    DeleteObject(font);
}

TEST(GdiDrawText, LinesClippingAndMeasuring) {
    HFONT font = Font(14, u"굴림");
    TEXTMETRIC tm = Metrics(font);
    {
        // Single line: the line feed does not start a second line.
        TextCanvas t(100, 60, font);
        RECT rc{0, 0, 100, 60};
        DrawText(t.canvas.dc(), u"AB\nCD", -1, &rc, DT_SINGLELINE);
        EXPECT_LE(InkBox(t.canvas.surface(), kBlack).bottom, tm.tmHeight);
        // Without it, two lines.
        TextCanvas m(100, 60, font);
        EXPECT_EQ(DrawText(m.canvas.dc(), u"AB\r\nCD", -1, &rc, DT_LEFT), 2 * tm.tmHeight);
        EXPECT_GT(InkBox(m.canvas.surface(), kBlack).bottom, tm.tmHeight);
        RECT calc{0, 0, 0, 0};
        EXPECT_EQ(DrawText(m.canvas.dc(), u"AB\nCD", -1, &calc, DT_CALCRECT), 2 * tm.tmHeight);
        EXPECT_EQ(calc.bottom, 2 * tm.tmHeight);
        EXPECT_GT(calc.right, 0);
    }
    {
        // Clipped to the rectangle unless DT_NOCLIP.
        TextCanvas t(200, 20, font), n(200, 20, font);
        RECT rc{10, 0, 30, 20};
        DrawText(t.canvas.dc(), u"A long title that does not fit", -1, &rc, DT_LEFT | DT_SINGLELINE);
        RECT ink = InkBox(t.canvas.surface(), kBlack);
        EXPECT_GE(ink.left, 10);
        EXPECT_LE(ink.right, 30);
        DrawText(n.canvas.dc(), u"A long title that does not fit", -1, &rc, DT_LEFT | DT_SINGLELINE | DT_NOCLIP);
        EXPECT_GT(InkBox(n.canvas.surface(), kBlack).right, 30);
    }
    DeleteObject(font);
}

TEST(GdiExtTextOut, RectangleOnlyMattersWithClippedOrOpaque) {
    HFONT font = Font(14, u"굴림");
    const std::u16string text = u"WWWWWWWW";
    RECT rc{0, 0, 10, 10};
    {
        // Language flag only: text starts left of the surface and runs past the rectangle.
        TextCanvas t(50, 20, font);
        EXPECT_TRUE(ExtTextOut(t.canvas.dc(), -5, 0, ETO_IGNORELANGUAGE, &rc, text.c_str(),
                               static_cast<UINT>(text.size()), nullptr));
        EXPECT_GT(InkBox(t.canvas.surface(), kBlack).right, 10);
    }
    {
        TextCanvas t(50, 20, font);
        ExtTextOut(t.canvas.dc(), -5, 0, ETO_CLIPPED, &rc, text.c_str(), static_cast<UINT>(text.size()), nullptr);
        RECT ink = InkBox(t.canvas.surface(), kBlack);
        EXPECT_GT(ink.right, 0);
        EXPECT_LE(ink.right, 10);
        EXPECT_LE(ink.bottom, 10);
    }
    {
        // ETO_OPAQUE fills the rectangle with the background colour even in TRANSPARENT mode.
        TextCanvas t(50, 20, font);
        SetBkColor(t.canvas.dc(), RGB(0, 0, 255));
        RECT box{20, 5, 30, 15};
        ExtTextOut(t.canvas.dc(), 0, 0, ETO_OPAQUE, &box, u"", 0, nullptr);
        EXPECT_TRUE(PixelsAre(t.canvas.surface(), [](int x, int y) {
            return x >= 20 && x < 30 && y >= 5 && y < 15 ? kBlue : kBlack;
        }));
    }
    {
        // Explicit advances place each character.
        TextCanvas a(80, 20, font), b(80, 20, font);
        const int dx[] = {20, 20};
        ExtTextOut(a.canvas.dc(), 0, 0, 0, nullptr, u"ii", 2, dx);
        TextOut(b.canvas.dc(), 0, 0, u"i", 1);
        TextOut(b.canvas.dc(), 20, 0, u"i", 1);
        EXPECT_EQ(a.canvas.surface().pixels, b.canvas.surface().pixels);
    }
    DeleteObject(font);
}

TEST(GdiText, WindowDcOriginAndClipApplyToText) {
    // A child window's DC: logical (0,0) at surface (7,4), drawing limited to its area.
    HFONT font = Font(14, u"굴림");
    Canvas child(60, 30, kBlack, POINT{7, 4}, RECT{7, 4, 27, 24});
    Canvas plain(60, 30, kBlack);
    for (Canvas* c : {&child, &plain}) {
        SetBkMode(c->dc(), TRANSPARENT);
        SetTextColor(c->dc(), RGB(255, 255, 255));
        SelectObject(c->dc(), font);
    }
    RECT rc{0, 0, 200, 30};
    DrawText(child.dc(), u"가나다라마바사", -1, &rc, DT_LEFT | DT_SINGLELINE);
    ExtTextOut(plain.dc(), 7, 4, 0, nullptr, u"가나다라마바사", 7, nullptr);
    EXPECT_TRUE(PixelsAre(child.surface(), [&](int x, int y) {
        bool inside = x >= 7 && x < 27 && y >= 4 && y < 24;
        return inside ? plain.at(x, y) : kBlack;
    }));
    EXPECT_GT(child.CountNot(kBlack), 20);
    for (Canvas* c : {&child, &plain}) SelectObject(c->dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

TEST(GdiText, UnderlineDrawsARuleUnderTheText) {
    HFONT plain = Font(16, u"굴림"), under = Font(16, u"굴림", FW_NORMAL, true);
    {
        TextCanvas a(60, 20, plain), b(60, 20, under);
        SIZE sz = a.Extent(u"ab");
        TextOut(a.canvas.dc(), 0, 0, u"ab", 2);
        TextOut(b.canvas.dc(), 0, 0, u"ab", 2);
        bool rule = false;
        for (int y = 0; y < 20 && !rule; ++y) {
            bool full = true;
            for (int x = 0; x < sz.cx; ++x) full = full && b.canvas.at(x, y) == kWhite && a.canvas.at(x, y) != kWhite;
            rule = full;
        }
        EXPECT_TRUE(rule);
    }
    DeleteObject(plain);
    DeleteObject(under);
}

}  // namespace
}  // namespace wq::gdi::test
