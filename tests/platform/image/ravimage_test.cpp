// The image library calls through the device file system: loading by device
// path, scaled drawing, handle life and files that are not pictures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <future>

#include "platform/base/utf.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/png.h"
#include "platform/image/ravimage.h"
#include "tests/platform/image/pictures.h"

namespace wq::image::test {
namespace {

constexpr std::uint32_t A = 0x102030, B = 0x405060, kPaper = 0x0000FF;

struct Target {
    Target(int w, int h) {
        surface.Resize(w, h);
        std::fill(surface.pixels.begin(), surface.pixels.end(), kPaper);
        dc = gdi::CreateSurfaceDC(&surface, POINT{}, RECT{0, 0, w, h});
    }
    ~Target() { gdi::DeleteSurfaceDC(dc); }
    gdi::Surface surface;
    HDC dc;
};

class RavImage : public ::testing::Test {
protected:
    void SetUp() override {
        ravimage_InitialImageLibrary();
        std::filesystem::create_directories(root.Host("NAND Flash/skin/img"));
    }
    void TearDown() override { ravimage_UnInitializeImageLibrary(); }
    std::string Skin(const std::string& name) { return root.Host("NAND Flash/skin/img/" + name); }
    static std::u16string Device(const std::string& name) { return u"\\NAND Flash\\skin\\img\\" + Utf8ToUtf16(name); }
    TempRoot root;
};

TEST_F(RavImage, LoadsByDevicePathAndDrawsScaledIntoTheRectangle) {
    WriteFile(Skin("pic.bmp"), MakeBmp(Pattern(2, 1, {A, B}), 24));
    // Device paths resolve case-insensitively, as the skins spell folders both ways.
    HRAVIMAGE h = ravimage_LoadImage(u"\\NAND Flash\\SKIN\\IMG\\Pic.bmp", 0);
    ASSERT_NE(h, 0u);
    int w = 0, ht = 0;
    EXPECT_TRUE(ravimage_GetImageSize(h, &w, &ht));
    EXPECT_EQ(w * 10 + ht, 21);
    Target t(6, 3);
    EXPECT_TRUE(ravimage_DrawImage(h, t.dc, RECT{1, 0, 5, 2}));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(t.surface.At(x, y), (y < 2 && x >= 1 && x < 5) ? (x < 3 ? A : B) : kPaper) << x << "," << y;
    EXPECT_TRUE(ravimage_ReleaseImage(h));
}

TEST_F(RavImage, TheContentNotTheNameDecidesTheFormat) {
    gdi::Surface pic = Pattern(3, 2, {A, B});
    ASSERT_TRUE(gdi::SavePng(pic, Skin("really_png.jpg")));
    WriteFile(Skin("really_bmp.png"), MakeBmp(pic, 24));
    for (const char* name : {"really_png.jpg", "really_bmp.png"}) {
        HRAVIMAGE h = ravimage_LoadImage(Device(name).c_str(), 0);
        ASSERT_NE(h, 0u) << name;
        Target t(3, 2);
        ravimage_DrawImage(h, t.dc, RECT{0, 0, 3, 2});
        EXPECT_EQ(t.surface.pixels, pic.pixels) << name;
    }
}

TEST_F(RavImage, ReleasedAndMadeUpHandlesAreRefused) {
    WriteFile(Skin("a.bmp"), MakeBmp(Pattern(2, 2, {A}), 24));
    HRAVIMAGE h = ravimage_LoadImage(Device("a.bmp").c_str(), 0), other = ravimage_LoadImage(Device("a.bmp").c_str(), 0);
    ASSERT_NE(h, 0u);
    ASSERT_NE(other, h);
    EXPECT_TRUE(ravimage_ReleaseImage(h));
    EXPECT_FALSE(ravimage_ReleaseImage(h));
    int w = -7, ht = -7;
    EXPECT_FALSE(ravimage_GetImageSize(h, &w, &ht));
    EXPECT_EQ(w, -7);
    Target t(2, 2);
    EXPECT_FALSE(ravimage_DrawImage(h, t.dc, RECT{0, 0, 2, 2}));
    EXPECT_FALSE(ravimage_DrawImage(12345, t.dc, RECT{0, 0, 2, 2}));
    EXPECT_FALSE(ravimage_DrawImage(other, nullptr, RECT{0, 0, 2, 2}));
    EXPECT_EQ(t.surface.pixels, std::vector<std::uint32_t>(4, kPaper));
    // The other picture is independent; UnInitialize releases it too.
    EXPECT_TRUE(ravimage_GetImageSize(other, &w, &ht));
    ravimage_UnInitializeImageLibrary();
    EXPECT_FALSE(ravimage_GetImageSize(other, &w, &ht));
    EXPECT_EQ(ravimage_LoadImage(nullptr, 0), 0u);
}

TEST_F(RavImage, FilesThatAreNotPicturesFailAtOnce) {
    std::filesystem::create_directories(Skin("folder.bmp"));
    ASSERT_EQ(mkfifo(Skin("pipe.jpg").c_str(), 0600), 0);
    WriteFile(Skin("empty.bmp"), {});
    auto bmp = MakeBmp(Pattern(40, 40, {A, B}), 24);
    bmp.resize(bmp.size() / 2);
    WriteFile(Skin("truncated.bmp"), bmp);
    for (std::u16string path : {Device("missing.bmp"), Device("folder.bmp"), Device("pipe.jpg"), Device("empty.bmp"),
                                Device("truncated.bmp"), std::u16string(u"\\NAND Flash\\skin\\..\\..\\etc\\passwd"),
                                std::u16string()}) {
        // A FIFO must not block: every load finishes well within the watchdog.
        auto load = std::async(std::launch::async, [path] { return ravimage_LoadImage(path.c_str(), 0); });
        ASSERT_EQ(load.wait_for(std::chrono::seconds(10)), std::future_status::ready)
            << "loading blocked: " << Utf16ToUtf8(path);
        EXPECT_EQ(load.get(), 0u) << Utf16ToUtf8(path);
    }
}

}  // namespace
}  // namespace wq::image::test
