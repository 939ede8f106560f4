// Image objects: loading by device path, failed loads that leave nothing to
// draw, and drawing (plain, keyed part) checked pixel by pixel.
#include "graphics/imageobj.h"

#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "tests/support/temp_root.h"

namespace {

using Pixels = std::function<std::uint32_t(int, int)>;
constexpr std::uint32_t kMagenta = 0xFF00FF, kPaper = 0x000080;

// A 3x2 picture: magenta left column, then colours that name their position.
std::uint32_t Sample(int x, int y) {
    return x == 0 ? kMagenta : std::uint32_t(0x100000 * (x + 1) + 0x10 * (y + 1));
}

// A strip of digits 0..9 side by side, 5x6 each: glyph d fills its cell with
// colour d+1 except a magenta border column on its right.
std::uint32_t Digit(int x, int) {
    return x % 5 == 4 ? kMagenta : std::uint32_t(x / 5 + 1) * 0x111111;
}

class ImageObject : public ::testing::Test {
protected:
    void SetUp() override {
        ravimage_InitialImageLibrary();
        m_surface.Resize(12, 8);
        m_dc = wq::gdi::CreateSurfaceDC(&m_surface, POINT{}, RECT{0, 0, 12, 8});
        Clear();
        m_objects = wq::gdi::LiveObjectCount();
        m_dcs = wq::gdi::LiveDCCount();
    }
    void TearDown() override {
        // Every draw deletes its memory DC and bitmap before returning.
        EXPECT_EQ(wq::gdi::LiveObjectCount(), m_objects);
        EXPECT_EQ(wq::gdi::LiveDCCount(), m_dcs);
        wq::gdi::DeleteSurfaceDC(m_dc);
        ravimage_UnInitializeImageLibrary();
    }
    // Writes the picture and returns its device path.
    std::u16string Put(const std::string& name, const std::string& bytes) {
        m_root.MakeFile(name, bytes);
        return u"\\" + std::u16string(name.begin(), name.end());
    }
    void Clear() { std::fill(m_surface.pixels.begin(), m_surface.pixels.end(), kPaper); }
    // Every target pixel as expected (paper where nothing was drawn).
    ::testing::AssertionResult Target(const Pixels& expected) {
        for (int y = 0; y < m_surface.height; ++y)
            for (int x = 0; x < m_surface.width; ++x)
                if (m_surface.At(x, y) != expected(x, y))
                    return ::testing::AssertionFailure()
                           << "pixel " << x << "," << y << " is " << std::hex << m_surface.At(x, y)
                           << ", expected " << expected(x, y);
        return ::testing::AssertionSuccess();
    }
    static std::uint32_t Paper(int, int) { return kPaper; }

    wq::test::TempRoot m_root;
    wq::gdi::Surface m_surface;
    HDC m_dc = nullptr;
    int m_objects = 0, m_dcs = 0;
};

TEST_F(ImageObject, LoadStoresSizesAndFailuresLeaveNothingToDraw) {
    CImageObject img;
    EXPECT_TRUE(img.Load(Put("sample.bmp", wq::test::Bmp(3, 2, Sample)).c_str()));
    EXPECT_EQ(img.GetWidth(), 3);
    EXPECT_EQ(img.GetHeight(), 2);
    EXPECT_FALSE(img.Load(u"\\missing.bmp"));
    // A file that opens but does not decode replaces the picture with none.
    EXPECT_FALSE(img.Load(Put("broken.jpg", std::string(2048, ' ')).c_str()));
    EXPECT_FALSE(img.IsLoaded());
    img.Draw(m_dc, 0, 0);
    img.DrawTransparent(m_dc, 0, 0);
    img.DrawTransparentPart(m_dc, 0, 0, 4, 4, 0, 0, 2, 2);
    EXPECT_TRUE(Target(Paper));
}

// The keyed draw and the glyph of a digit strip, drawn unscaled, are checked
// by the status strip's and the time display's pixel tests; here the scaled
// part, which they never draw, tells the source size from the target size.
TEST_F(ImageObject, DrawIsOpaqueAndAKeyedPartScales) {
    CImageObject img;
    ASSERT_TRUE(img.Load(Put("sample.bmp", wq::test::Bmp(3, 2, Sample)).c_str()));
    img.Draw(m_dc, 2, 1);
    EXPECT_TRUE(Target([](int x, int y) {
        return x >= 2 && x < 5 && y >= 1 && y < 3 ? Sample(x - 2, y - 1) : kPaper;
    }));
    // Glyph 3 of a digit strip cut to 5x6 and drawn at 10x3 (double width, half height).
    ASSERT_TRUE(img.Load(Put("digits.bmp", wq::test::Bmp(50, 6, Digit)).c_str()));
    Clear();
    img.DrawTransparentPart(m_dc, 0, 0, 10, 3, 15, 0, 5, 6);
    EXPECT_TRUE(Target([](int x, int y) { return x < 8 && y < 3 ? 4u * 0x111111 : kPaper; }));
}

}  // namespace
