// Image objects: loading by device path with the file size in KiB, failed
// loads that leave nothing to draw, replacing a picture, and the three ways
// of drawing (plain, keyed, keyed part) checked pixel by pixel.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "graphics/imageobj.h"
#include "platform/fs/root.h"
#include "platform/gdi/gdi.h"

namespace {

using Pixels = std::function<std::uint32_t(int, int)>;
constexpr std::uint32_t kMagenta = 0xFF00FF, kPaper = 0x000080;
const char16_t* const kImg = u"\\NAND Flash\\skin\\WQAudio\\img\\";

// A 24-bit bottom-up BMP (pixels 0x00RRGGBB), padded to `minBytes` to choose the size in KiB.
std::string Bmp(int w, int h, const Pixels& px, size_t minBytes = 0) {
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    std::string b(std::max(54 + stride * size_t(h), minBytes), '\0');
    auto put = [&](size_t at, std::uint32_t v, size_t bytes = 4) {
        for (size_t i = 0; i < bytes; ++i) b[at + i] = char(v >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M', b[26] = 1, b[28] = 24;
    put(2, std::uint32_t(b.size()));
    put(10, 54);
    put(14, 40);
    put(18, std::uint32_t(w));
    put(22, std::uint32_t(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) put(54 + size_t(h - 1 - y) * stride + size_t(x) * 3, px(x, y), 3);
    return b;
}

// A 3x2 picture: magenta left column, then colours that name their position.
std::uint32_t Sample(int x, int y) { return x == 0 ? kMagenta : std::uint32_t(0x100000 * (x + 1) + 0x10 * (y + 1)); }

class ImageObject : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = (std::filesystem::temp_directory_path() / ("wq_imageobj_" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(m_root + "/NAND Flash/skin/WQAudio/img");
        ASSERT_TRUE(wq::fs::SetRoot(m_root));
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
        std::filesystem::remove_all(m_root);
    }
    // Writes the picture and returns its device path.
    std::u16string Put(const std::string& name, const std::string& bytes) {
        std::ofstream(m_root + "/NAND Flash/skin/WQAudio/img/" + name, std::ios::binary) << bytes;
        return kImg + std::u16string(name.begin(), name.end());
    }
    void Clear() { std::fill(m_surface.pixels.begin(), m_surface.pixels.end(), kPaper); }
    // Every target pixel as expected (paper where nothing was drawn).
    ::testing::AssertionResult Target(const Pixels& expected) {
        for (int y = 0; y < m_surface.height; ++y)
            for (int x = 0; x < m_surface.width; ++x)
                if (m_surface.At(x, y) != expected(x, y))
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << std::hex
                                                         << m_surface.At(x, y) << ", expected " << expected(x, y);
        return ::testing::AssertionSuccess();
    }
    static std::uint32_t Paper(int, int) { return kPaper; }

    std::string m_root;
    wq::gdi::Surface m_surface;
    HDC m_dc = nullptr;
    int m_objects = 0, m_dcs = 0;
};

TEST_F(ImageObject, LoadStoresSizesAndFileSizeAndFailuresChangeNothing) {
    CImageObject img;
    EXPECT_FALSE(img.IsLoaded());
    EXPECT_TRUE(img.Load(Put("sample.bmp", Bmp(3, 2, Sample, 5000)).c_str()));
    EXPECT_TRUE(img.IsLoaded());
    EXPECT_EQ(img.GetWidth(), 3);
    EXPECT_EQ(img.GetHeight(), 2);
    EXPECT_EQ(img.GetFileSizeKB(), 5000 >> 10);
    // A file that cannot be opened: 0, and the file size of the last load stays.
    EXPECT_FALSE(img.Load((kImg + std::u16string(u"missing.bmp")).c_str()));
    EXPECT_EQ(img.GetFileSizeKB(), 4);
    // A file that opens but does not decode: its size is stored, no picture is left.
    EXPECT_FALSE(img.Load(Put("broken.jpg", std::string(2048, ' ')).c_str()));
    EXPECT_EQ(img.GetFileSizeKB(), 2);
    EXPECT_FALSE(img.IsLoaded());
    img.Draw(m_dc, 0, 0);
    img.DrawTransparent(m_dc, 0, 0);
    img.DrawTransparentPart(m_dc, 0, 0, 4, 4, 0, 0, 2, 2);
    EXPECT_TRUE(Target(Paper));
}

TEST_F(ImageObject, LoadingAgainReleasesThePreviousPicture) {
    const std::u16string a = Put("a.bmp", Bmp(3, 2, Sample)), b = Put("b.bmp", Bmp(1, 1, Paper));
    CImageWnd body;
    ASSERT_TRUE(body.Load(a.c_str()));
    HRAVIMAGE first = body.m_hImage;
    ASSERT_TRUE(body.Load(b.c_str()));
    EXPECT_FALSE(ravimage_GetImageSize(first, nullptr, nullptr)) << "first picture still held";
    EXPECT_EQ(body.m_size.cx, 1);
    EXPECT_EQ(body.m_firstSize.cy, 1);
    EXPECT_EQ(body.m_strPath, CString(b.c_str()));
    // Release clears the flag and frees the picture; the body loads again afterwards.
    HRAVIMAGE second = body.m_hImage;
    body.Release();
    EXPECT_FALSE(body.IsLoaded());
    EXPECT_FALSE(ravimage_GetImageSize(second, nullptr, nullptr));
    body.Draw(m_dc, 0, 0);
    EXPECT_TRUE(Target(Paper));
    EXPECT_TRUE(body.Load(a.c_str()));
}

TEST_F(ImageObject, DrawIsOpaqueAndDrawTransparentSkipsMagenta) {
    CImageObject img;
    ASSERT_TRUE(img.Load(Put("sample.bmp", Bmp(3, 2, Sample)).c_str()));
    img.Draw(m_dc, 2, 1);
    EXPECT_TRUE(Target([](int x, int y) { return x >= 2 && x < 5 && y >= 1 && y < 3 ? Sample(x - 2, y - 1) : kPaper; }));
    Clear();
    img.DrawTransparent(m_dc, -1, 6);  // partly outside the target: clipped
    EXPECT_TRUE(Target([](int x, int y) {
        const bool inside = x + 1 < 3 && y >= 6;
        return inside && Sample(x + 1, y - 6) != kMagenta ? Sample(x + 1, y - 6) : kPaper;
    }));
    // An all-magenta picture leaves the target untouched.
    Clear();
    ASSERT_TRUE(img.Load(Put("key.bmp", Bmp(4, 4, [](int, int) { return kMagenta; })).c_str()));
    img.DrawTransparent(m_dc, 0, 0);
    img.DrawTransparentPart(m_dc, 0, 0, 12, 8, 0, 0, 4, 4);
    EXPECT_TRUE(Target(Paper));
}

TEST_F(ImageObject, DrawTransparentPartCutsAGlyphFromADigitStrip) {
    // Digits 0..9 side by side, 5x6 each; glyph d fills its cell with colour d+1
    // except a magenta border column on its right.
    CImageObject img;
    ASSERT_TRUE(img.Load(Put("digits.bmp", Bmp(50, 6, [](int x, int) {
                                 return x % 5 == 4 ? kMagenta : std::uint32_t(x / 5 + 1) * 0x111111;
                             })).c_str()));
    img.DrawTransparentPart(m_dc, 1, 1, 5, 6, 5 * 7, 0, 5, 6);  // glyph 7, same size
    EXPECT_TRUE(Target([](int x, int y) { return x >= 1 && x < 5 && y >= 1 && y < 7 ? 8u * 0x111111 : kPaper; }));
    // Scaled: glyph 3 cut to 5x6 and drawn at 10x3 (double width, half height).
    Clear();
    img.DrawTransparentPart(m_dc, 0, 0, 10, 3, 15, 0, 5, 6);
    EXPECT_TRUE(Target([](int x, int y) { return x < 8 && y < 3 ? 4u * 0x111111 : kPaper; }));
}

}  // namespace
