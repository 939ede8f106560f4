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

constexpr std::uint32_t kMagenta = 0xFF00FF, kPaper = 0x000080;

// A 24-bit bottom-up BMP of the given pixels (0x00RRGGBB), padded to `minBytes`
// with trailing bytes so the file size in KiB can be chosen.
std::vector<std::uint8_t> Bmp(int w, int h, const std::function<std::uint32_t(int, int)>& px, size_t minBytes = 0) {
    size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
    size_t size = 54 + stride * static_cast<size_t>(h);
    std::vector<std::uint8_t> b(std::max(size, minBytes), 0);
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    b[26] = 1;
    b[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t p = px(x, y);
            size_t at = 54 + static_cast<size_t>(h - 1 - y) * stride + static_cast<size_t>(x) * 3;
            b[at] = static_cast<std::uint8_t>(p);
            b[at + 1] = static_cast<std::uint8_t>(p >> 8);
            b[at + 2] = static_cast<std::uint8_t>(p >> 16);
        }
    return b;
}

class ImageObject : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = (std::filesystem::temp_directory_path() / ("wq_imageobj_" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(m_root + "/NAND Flash/skin/WQAudio/img");
        ASSERT_TRUE(wq::fs::SetRoot(m_root));
        ravimage_InitialImageLibrary();
        m_surface.Resize(12, 8);
        std::fill(m_surface.pixels.begin(), m_surface.pixels.end(), kPaper);
        m_dc = wq::gdi::CreateSurfaceDC(&m_surface, POINT{}, RECT{0, 0, 12, 8});
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
    void Put(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream f(m_root + "/NAND Flash/skin/WQAudio/img/" + name, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    // Every target pixel: `inside` where drawn, paper elsewhere.
    ::testing::AssertionResult Target(const std::function<std::uint32_t(int, int)>& expected) {
        for (int y = 0; y < m_surface.height; ++y)
            for (int x = 0; x < m_surface.width; ++x)
                if (m_surface.At(x, y) != expected(x, y))
                    return ::testing::AssertionFailure()
                           << "pixel " << x << "," << y << " is " << std::hex << m_surface.At(x, y) << ", expected "
                           << expected(x, y);
        return ::testing::AssertionSuccess();
    }

    std::string m_root;
    wq::gdi::Surface m_surface;
    HDC m_dc = nullptr;
    int m_objects = 0, m_dcs = 0;
};

// A 3x2 picture: magenta left column, then colours that name their position.
std::uint32_t Sample(int x, int y) { return x == 0 ? kMagenta : static_cast<std::uint32_t>(0x100000 * (x + 1) + 0x10 * (y + 1)); }

TEST_F(ImageObject, LoadStoresSizesAndFileSizeAndFailuresChangeNothing) {
    Put("sample.bmp", Bmp(3, 2, Sample, 5000));
    CImageObject img;
    EXPECT_FALSE(img.IsLoaded());
    EXPECT_TRUE(img.Load(u"\\NAND Flash\\skin\\WQAudio\\img\\sample.bmp"));
    EXPECT_TRUE(img.IsLoaded());
    EXPECT_EQ(img.GetWidth(), 3);
    EXPECT_EQ(img.GetHeight(), 2);
    EXPECT_EQ(img.GetFileSizeKB(), 5000 >> 10);

    // A file that cannot be opened: 0, and the file size of the last load stays.
    EXPECT_FALSE(img.Load(u"\\NAND Flash\\skin\\WQAudio\\img\\missing.bmp"));
    EXPECT_EQ(img.GetFileSizeKB(), 4);

    // A file that opens but does not decode: its size is stored, no picture is left.
    Put("broken.jpg", std::vector<std::uint8_t>(2048, 0x20));
    EXPECT_FALSE(img.Load(u"\\NAND Flash\\skin\\WQAudio\\img\\broken.jpg"));
    EXPECT_EQ(img.GetFileSizeKB(), 2);
    EXPECT_FALSE(img.IsLoaded());
    img.Draw(m_dc, 0, 0);
    img.DrawTransparent(m_dc, 0, 0);
    img.DrawTransparentPart(m_dc, 0, 0, 4, 4, 0, 0, 2, 2);
    EXPECT_TRUE(Target([](int, int) { return kPaper; }));
}

TEST_F(ImageObject, LoadingAgainReleasesThePreviousPicture) {
    Put("a.bmp", Bmp(3, 2, Sample));
    Put("b.bmp", Bmp(1, 1, [](int, int) { return 0x123456u; }));
    CImageWnd body;
    ASSERT_TRUE(body.Load(u"\\NAND Flash\\skin\\WQAudio\\img\\a.bmp"));
    HRAVIMAGE first = body.m_hImage;
    ASSERT_TRUE(body.Load(u"\\NAND Flash\\skin\\WQAudio\\img\\b.bmp"));
    EXPECT_FALSE(ravimage_GetImageSize(first, nullptr, nullptr)) << "first picture still held";
    EXPECT_EQ(body.m_size.cx, 1);
    EXPECT_EQ(body.m_firstSize.cy, 1);
    EXPECT_EQ(body.m_strPath, CString(u"\\NAND Flash\\skin\\WQAudio\\img\\b.bmp"));
    // Release clears the flag and frees the picture; the body loads again afterwards.
    HRAVIMAGE second = body.m_hImage;
    body.Release();
    EXPECT_FALSE(body.IsLoaded());
    EXPECT_FALSE(ravimage_GetImageSize(second, nullptr, nullptr));
    body.Draw(m_dc, 0, 0);
    EXPECT_TRUE(Target([](int, int) { return kPaper; }));
    EXPECT_TRUE(body.Load(u"\\NAND Flash\\skin\\WQAudio\\img\\a.bmp"));
}

TEST_F(ImageObject, DrawIsOpaqueAndDrawTransparentSkipsMagenta) {
    Put("sample.bmp", Bmp(3, 2, Sample));
    CImageObject img;
    ASSERT_TRUE(img.Load(u"\\NAND Flash\\skin\\WQAudio\\img\\sample.bmp"));
    img.Draw(m_dc, 2, 1);
    EXPECT_TRUE(Target([](int x, int y) {
        return x >= 2 && x < 5 && y >= 1 && y < 3 ? Sample(x - 2, y - 1) : kPaper;
    }));
    std::fill(m_surface.pixels.begin(), m_surface.pixels.end(), kPaper);
    img.DrawTransparent(m_dc, -1, 6);  // partly outside the target: clipped
    EXPECT_TRUE(Target([](int x, int y) {
        int sx = x + 1, sy = y - 6;
        bool inside = sx >= 0 && sx < 3 && sy >= 0 && sy < 2;
        return inside && Sample(sx, sy) != kMagenta ? Sample(sx, sy) : kPaper;
    }));
}

TEST_F(ImageObject, AnAllMagentaPictureLeavesTheTargetUntouched) {
    Put("key.bmp", Bmp(4, 4, [](int, int) { return kMagenta; }));
    CImageObject img;
    ASSERT_TRUE(img.Load(u"\\NAND Flash\\skin\\WQAudio\\img\\key.bmp"));
    img.DrawTransparent(m_dc, 0, 0);
    img.DrawTransparentPart(m_dc, 0, 0, 12, 8, 0, 0, 4, 4);
    EXPECT_TRUE(Target([](int, int) { return kPaper; }));
}

TEST_F(ImageObject, DrawTransparentPartCutsAGlyphFromADigitStrip) {
    // Digits 0..9 side by side, 5x6 each; glyph d fills its cell with colour d+1
    // except a magenta border column on its right.
    auto strip = [](int x, int) -> std::uint32_t { return x % 5 == 4 ? kMagenta : static_cast<std::uint32_t>(x / 5 + 1) * 0x111111; };
    Put("digits.bmp", Bmp(50, 6, strip));
    CImageObject img;
    ASSERT_TRUE(img.Load(u"\\NAND Flash\\skin\\WQAudio\\img\\digits.bmp"));
    img.DrawTransparentPart(m_dc, 1, 1, 5, 6, 5 * 7, 0, 5, 6);  // glyph 7, same size
    EXPECT_TRUE(Target([](int x, int y) {
        return x >= 1 && x < 5 && y >= 1 && y < 7 ? 8u * 0x111111 : kPaper;
    }));
    // Scaled: glyph 3 cut to 5x6 and drawn at 10x3 (double width, half height).
    std::fill(m_surface.pixels.begin(), m_surface.pixels.end(), kPaper);
    img.DrawTransparentPart(m_dc, 0, 0, 10, 3, 15, 0, 5, 6);
    EXPECT_TRUE(Target([](int x, int y) { return x < 8 && y < 3 ? 4u * 0x111111 : kPaper; }));
}

}  // namespace
