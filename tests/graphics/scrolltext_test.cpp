// CScrollTextWnd in a real window: composition, the centred fit, 5 pixels
// per paint, re-entry from the right edge and SetText restarting the scroll.
#include "graphics/scrolltext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"
#include "platform/win/wnd.h"

namespace {

constexpr std::uint32_t kParentBg = 0x204060;  // surface pixel 0x00RRGGBB
const CRect kArea(50, 20, 250, 40);            // the control: 200 x 20

// A parent that paints a plain face, like a skinned window.
class Parent : public CWnd {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_PAINT) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(&ps);
            HBRUSH b = CreateSolidBrush(wq::gdi::ColorrefFromPixel(kParentBg));
            RECT all{0, 0, 300, 60};
            FillRect(dc, &all, b);
            DeleteObject(reinterpret_cast<HGDIOBJ>(b));
            EndPaint(&ps);
            return 0;
        }
        return msg == WM_ERASEBKGND ? 1 : CWnd::WindowProc(msg, wParam, lParam);
    }
};

// The width the control measures for `s` (its font: bold 굴림, height 15).
int Measure(const std::u16string& s) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT f = CreateFontW(15, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0x20, u"굴림");
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(f));
    SIZE sz{};
    GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &sz);
    SelectObject(dc, old);
    DeleteObject(reinterpret_cast<HGDIOBJ>(f));
    DeleteDC(dc);
    return sz.cx;
}

// A text wider than the control whose width is a multiple of 5, so the scroll
// offset meets the width exactly once ("greater than" matters).
const std::u16string& WideText() {
    static const std::u16string text = [] {
        std::u16string s;
        while (Measure(s) < 300) s += u"Wave 노래 ";
        for (const char16_t* tail :
             {u"", u"i", u".", u"l", u"ii", u"i.", u"..", u"il", u"iii", u"Wi", u"W."})
            if (Measure(s + tail) % 5 == 0) return s + tail;
        return s;
    }();
    return text;
}

class ScrollTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(parent.Create(u"Parent", u"Parent", WS_POPUP | WS_VISIBLE, RECT{0, 0, 300, 60},
                                  nullptr, 0));
        wq::win::PumpPending();
        ASSERT_TRUE(text.Create(nullptr, nullptr, WS_VISIBLE, CRect(0, 0, 0, 0), &parent, 2102));
        HDC dc = parent.GetDC();
        ASSERT_TRUE(text.CaptureBackground(dc, kArea));
        parent.ReleaseDC(dc);
        text.MoveWindow(&kArea, TRUE);
        wq::win::PumpPending();
    }
    std::uint32_t Pixel(int x, int y) const {
        return wq::win::GetWindowSurface(parent.m_hWnd)->At(kArea.left + x, kArea.top + y);
    }
    // First and last columns of the control (0..199) that hold a pixel other than the background.
    std::pair<int, int> InkColumns() const {
        int first = 1000, last = -1;
        for (int y = 0; y < kArea.Height(); ++y)
            for (int x = 0; x < kArea.Width(); ++x)
                if (Pixel(x, y) != kParentBg) first = std::min(first, x), last = std::max(last, x);
        return {first, last};
    }

    wq::win::TestSession session;
    Parent parent;
    CScrollTextWnd text;
};

TEST_F(ScrollTextTest, ShortTextIsComposedCentredAndNeverScrolls) {
    const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[] = {
        {u"Artist", u"Song", u"Artist - Song"},
        {u"", u"Song", u"Song"},
        {u"Artist", u"", u"Artist"},
        {u"", u"", u""}};
    for (const auto& [prefix, song, shown] : cases) {
        text.SetPrefix(prefix);
        text.SetText(song);
        EXPECT_EQ(text.GetShownText(), CString(shown));
    }
    wq::win::PumpPending();
    EXPECT_EQ(InkColumns().second, -1) << "only the captured background";

    text.SetTextColor(0x00FFFF);
    text.SetText(u"Song");
    wq::win::PumpPending();
    const auto [first, last] = InkColumns();
    const int w = Measure(u"Song");
    EXPECT_NEAR(first, (200 - w) / 2, 2);
    EXPECT_NEAR(199 - last, 200 - (200 - w) / 2 - w, 3);
    bool yellow = false;
    for (int x = first; x <= last; ++x)
        for (int y = 0; y < 20; ++y) yellow = yellow || Pixel(x, y) == 0xFFFF00;
    EXPECT_TRUE(yellow) << "drawn in the text colour";
    ASSERT_TRUE(wq::win::RunFor(2000).ok);
    EXPECT_EQ(InkColumns(), std::make_pair(first, last)) << "it never scrolls";
}

TEST_F(ScrollTextTest, WideTextScrollsReentersAndRestartsWithSetText) {
    const int w = Measure(WideText());
    ASSERT_EQ(w % 5, 0) << "no text of a width divisible by 5 was found";
    text.SetText(WideText().c_str());
    wq::win::PumpPending();
    EXPECT_EQ(text.GetScrollOffset(), 5) << "the first paint moves it 5 pixels";
    // The timer drives the following paints, one step about every 200 ms.
    for (int expected = 10; expected <= w + 5; expected += 5) {
        ASSERT_TRUE(wq::win::RunFor(200).ok);
        ASSERT_EQ(text.GetScrollOffset(), expected);
    }
    // The offset has passed the text's width: the next paint restarts it at
    // the right edge, so nothing of it is visible yet.
    ASSERT_TRUE(wq::win::RunFor(200).ok);
    EXPECT_EQ(text.GetScrollOffset(), -200);
    EXPECT_EQ(InkColumns().second, -1);
    ASSERT_TRUE(wq::win::RunFor(200).ok);
    EXPECT_EQ(text.GetScrollOffset(), -195);
    EXPECT_GE(InkColumns().first, 195);

    // SetText with the same text restarts the scroll at 0.
    text.SetText(WideText().c_str());
    EXPECT_EQ(text.GetScrollOffset(), 0);
    wq::win::PumpPending();
    EXPECT_EQ(text.GetScrollOffset(), 5);
}

}  // namespace
