// The image library through the device file system: loading by device path,
// the format taken from the content, scaled drawing and handle life.
#include "platform/image/ravimage.h"

#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/gdi/png.h"
#include "tests/platform/image/pictures.h"
#include "tests/support/temp_root.h"

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

TEST(RavImage, LoadsByDevicePathDrawsScaledAndRefusesReleasedHandles) {
    wq::test::TempRoot root;
    ravimage_InitialImageLibrary();
    const gdi::Surface pic = Pattern(2, 1, {A, B});
    root.MakeFile("NAND Flash/skin/img/pic.bmp", MakeBmp(pic, 24));
    root.MakeFile("NAND Flash/skin/img/really_bmp.png", MakeBmp(pic, 24));
    ASSERT_TRUE(gdi::SavePng(pic, root.Host("NAND Flash/skin/img/really_png.jpg")));
    // Device paths resolve case-insensitively, as the skins spell folders both
    // ways, and the content, not the name, decides the format.
    for (const char16_t* path :
         {u"\\NAND Flash\\SKIN\\IMG\\Pic.bmp", u"\\NAND Flash\\skin\\img\\really_bmp.png",
          u"\\NAND Flash\\skin\\img\\really_png.jpg"}) {
        HRAVIMAGE h = ravimage_LoadImage(path, 0);
        ASSERT_NE(h, 0u);
        int w = 0, ht = 0;
        EXPECT_TRUE(ravimage_GetImageSize(h, &w, &ht));
        EXPECT_EQ(w * 10 + ht, 21);
        Target t(6, 3);
        EXPECT_TRUE(ravimage_DrawImage(h, t.dc, RECT{1, 0, 5, 2}));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(t.surface.At(x, y), (y < 2 && x >= 1 && x < 5) ? (x < 3 ? A : B) : kPaper)
                    << x << "," << y;
        EXPECT_TRUE(ravimage_ReleaseImage(h));
        // A released handle is refused everywhere and draws nothing.
        EXPECT_FALSE(ravimage_ReleaseImage(h));
        EXPECT_FALSE(ravimage_GetImageSize(h, &w, &ht));
        Target blank(6, 3);
        EXPECT_FALSE(ravimage_DrawImage(h, blank.dc, RECT{1, 0, 5, 2}));
        EXPECT_EQ(blank.surface.pixels, std::vector<std::uint32_t>(18, kPaper));
    }
    HRAVIMAGE kept = ravimage_LoadImage(u"\\NAND Flash\\skin\\img\\pic.bmp", 0);
    Target t(2, 2);
    EXPECT_FALSE(ravimage_DrawImage(12345, t.dc, RECT{0, 0, 2, 2}));
    EXPECT_FALSE(ravimage_DrawImage(kept, nullptr, RECT{0, 0, 2, 2}));
    // UnInitialize releases what is still loaded.
    int w = 0, h = 0;
    EXPECT_TRUE(ravimage_GetImageSize(kept, &w, &h));
    ravimage_UnInitializeImageLibrary();
    EXPECT_FALSE(ravimage_GetImageSize(kept, &w, &h));
}

}  // namespace
}  // namespace wq::image::test
