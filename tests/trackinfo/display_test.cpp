// Pixel tests of the time and track-info overlays: a painted parent window, the
// controls placed over it, every pixel of the result compared with the
// background plus the expected glyphs. Skin pictures are made by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/gdi/gdi.h"
#include "platform/gdi/png.h"
#include "platform/image/ravimage.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"
#include "tests/support/temp_root.h"
#include "trackinfo/playtimewnd.h"
#include "trackinfo/trackinfownd.h"

namespace wq::trackinfo::test {
namespace {

constexpr std::uint32_t kMagenta = 0xFF00FF;
constexpr int kParentW = 160, kParentH = 40;
const CRect kTimeRect(7, 4, 67, 14);
const CRect kInfoRect(10, 20, 150, 34);
const std::string kImg = "NAND Flash/skin/WQAudio/img/";

std::uint32_t Background(int x, int y) {
    return ((x * 7) & 0xFF) << 16 | ((y * 13) & 0xFF) << 8 | 0x40;
}

// Pixel (x, y) of a skin glyph picture: a colour of its own for every position,
// magenta (transparent) where x + y is a multiple of 3. The digit strip spans
// x 0..49; the colon and slash pictures stand for x from 60 and 70.
std::uint32_t Glyph(int x, int y) {
    return (x + y) % 3 == 0 ? kMagenta : 0x103050u + std::uint32_t(x << 10 | y << 2);
}

template <class Pixel>
gdi::Surface Paint(int w, int h, Pixel pixel) {
    gdi::Surface s;
    s.Resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) s.pixels[size_t(y * w + x)] = pixel(x, y);
    return s;
}

class DisplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The content, not the name, tells the image library a picture's format.
        root.MakeDir(kImg);
        for (auto [name, w, first] :
             {std::tuple{"EQ_num.bmp", 50, 0}, {"EQ_colon.bmp", 2, 60}, {"EQ_slash.bmp", 5, 70}}) {
            auto glyph = [first = first](int x, int y) { return Glyph(first + x, y); };
            ASSERT_TRUE(gdi::SavePng(Paint(w, 6, glyph), root.Host(kImg + name)));
        }
        ravimage_InitialImageLibrary();
        ASSERT_TRUE(parent.CreateEx(0, nullptr, u"Player", WS_POPUP | WS_VISIBLE,
                                    CRect(0, 0, kParentW, kParentH), nullptr, 0));
        HDC dc = parent.GetDC();
        for (int y = 0; y < kParentH; ++y)
            for (int x = 0; x < kParentW; ++x)
                SetPixel(dc, x, y, gdi::ColorrefFromPixel(Background(x, y)));
        parent.ReleaseDC(dc);
    }
    void TearDown() override {
        parent.DestroyWindow();
        ravimage_UnInitializeImageLibrary();
    }

    // Captures, composes, places and paints a control the way the player does.
    template <class Control>
    void Place(Control& control, const CRect& rc) {
        HDC dc = parent.GetDC();
        ASSERT_TRUE(control.CaptureBackground(dc, rc));
        parent.ReleaseDC(dc);
        control.MoveWindow(&rc);
        Recompose(control);
    }
    template <class Control>
    static void Recompose(Control& control) {
        control.Compose();
        control.Invalidate();
        win::PumpPending();
    }
    const gdi::Surface& Screen() { return *win::GetWindowSurface(parent.m_hWnd); }

    // The parent's pixels as they should be with `text` ("mm:ss/mm:ss")
    // drawn at the time control's place.
    static gdi::Surface ExpectedTime(const std::string& text) {
        static const int kX[11] = {0, 5, 12, 15, 20, 23, 30, 35, 42, 46, 51};
        gdi::Surface s = Paint(kParentW, kParentH, Background);
        for (size_t i = 0; i < 11; ++i) {
            const char c = text[i];
            const int first = c == ':' ? 60 : c == '/' ? 70 : 5 * (c - '0');
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < (c == ':' ? 2 : 5); ++x)
                    if (Glyph(first + x, y) != kMagenta)
                        s.pixels[size_t((kTimeRect.top + 2 + y) * kParentW + kTimeRect.left +
                                        kX[i] + x)] = Glyph(first + x, y);
        }
        return s;
    }
    // Every pixel of the parent compared.
    ::testing::AssertionResult ScreenIs(const gdi::Surface& want) {
        const auto& got = Screen().pixels;
        const auto at =
            std::mismatch(got.begin(), got.end(), want.pixels.begin()).first - got.begin();
        if (at == long(got.size())) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "(" << at % kParentW << "," << at / kParentW << ") is " << got[size_t(at)]
               << ", want " << want.pixels[size_t(at)];
    }

    wq::test::TempRoot root;
    win::TestSession session;
    CWnd parent;
};

TEST_F(DisplayTest, TimeShowsElapsedAndTotalWithSkinGlyphs) {
    CPlayTimeWnd time;
    ASSERT_TRUE(time.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, CRect(0, 0, 1, 1), &parent, 2100));
    Place(time, kTimeRect);
    EXPECT_TRUE(ScreenIs(ExpectedTime("00:00/00:00")));

    time.SetElapsed(125);
    time.SetTotal(3725);  // hours are dropped
    Recompose(time);
    EXPECT_TRUE(ScreenIs(ExpectedTime("02:05/02:05")));

    // A repaint of the parent over the control is repaired from the buffer.
    parent.Invalidate();
    win::PumpPending();
    EXPECT_TRUE(ScreenIs(ExpectedTime("02:05/02:05")));
}

TEST_F(DisplayTest, TrackInfoTextAndItsPixels) {
    CTrackInfoWnd info;
    info.SetBitRate(64);
    info.SetSampleRate(22050);
    EXPECT_EQ(CString(u"064 Kbps / 22 Khz"), info.GetText());

    ASSERT_TRUE(info.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, kInfoRect, &parent, 2101));
    Place(info, kInfoRect);
    const gdi::Surface at22 = Screen();
    // Drawn: white text on a transparent background, inside the control only:
    // every pixel at least as light as the background it covers.
    int white = 0;
    for (int y = 0; y < kParentH; ++y)
        for (int x = 0; x < kParentW; ++x) {
            const std::uint32_t p = at22.At(x, y), b = Background(x, y);
            ASSERT_TRUE(p == b || kInfoRect.PtInRect(CPoint(x, y))) << x << "," << y;
            for (int shift : {0, 8, 16})
                ASSERT_GE((p >> shift) & 0xFF, (b >> shift) & 0xFF) << x << "," << y;
            white += (p & 0xC0C0C0) == 0xC0C0C0;
        }
    EXPECT_GT(white, 40);
    EXPECT_LT(white, kInfoRect.Width() * kInfoRect.Height() / 2) << "no opaque text box";

    info.SetSampleRate(8000);
    EXPECT_EQ(CString(u"064 Kbps / 08 Khz"), info.GetText());
    Recompose(info);
    EXPECT_NE(at22.pixels, Screen().pixels);
    // Each compose starts from the background: back to 22 kHz gives the same pixels.
    info.SetSampleRate(22050);
    Recompose(info);
    EXPECT_TRUE(ScreenIs(at22));
}

}  // namespace
}  // namespace wq::trackinfo::test
