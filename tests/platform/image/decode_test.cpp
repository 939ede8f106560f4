// Good pictures: every BMP layout byte-exact, every depth and PNG colour type
// as made by ffmpeg against ffmpeg's own reading, grey JPEG, and the
// image library loading by device path, drawing scaled and releasing handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/gdi/gdi.h"
#include "platform/gdi/png.h"
#include "platform/image/ravimage.h"
#include "tests/platform/image/pictures.h"
#include "tests/support/temp_root.h"

namespace wq::image::test {
namespace {

using wq::test::Shell;
constexpr std::uint32_t kBlack = 0, kWhite = 0xFFFFFF, kRed = 0xFF0000, kMagenta = 0xFF00FF;
// Two-colour pictures repeat every third pixel, so a flipped one differs.
const std::vector<std::uint32_t> kTwo = {kBlack, kWhite, kWhite},
                                 kMany = {kBlack, kWhite, kRed, kMagenta, 0x3366CC, 0x808080};

bool Ffmpeg(const std::string& args) {
    return Shell("ffmpeg -nostdin -loglevel error -y " + args);
}

// The decoded picture of bytes or of a file; a refusal fails the test with its reason.
gdi::Surface Decoded(const std::string& bytes) {
    gdi::Surface out;
    std::string error;
    EXPECT_TRUE(DecodeBytes(bytes, &out, &error)) << error;
    return out;
}
gdi::Surface DecodeFile(const std::string& path) {
    return Decoded(wq::test::ReadFile(path));
}

int Distance(std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int shift : {0, 8, 16})
        d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

TEST(ImageBmp, EveryLayoutDecodesExactPixels) {
    // Bit depths 1 to 32 come from ffmpeg below; these are the layouts.
    const std::pair<int, BmpLayout> cases[] = {
        {8, BmpLayout::BottomUp},   {24, BmpLayout::BottomUp},   {24, BmpLayout::TopDown},
        {8, BmpLayout::CoreHeader}, {24, BmpLayout::CoreHeader}, {8, BmpLayout::Rle8},
    };
    const gdi::Surface pic = Pattern(5, 3, kMany);  // odd width: rows are padded
    for (auto [bpp, layout] : cases) {
        SCOPED_TRACE(testing::Message() << bpp << "-bit, layout " << static_cast<int>(layout));
        const gdi::Surface out = Decoded(MakeBmp(pic, bpp, layout));
        EXPECT_EQ(out.width * 10 + out.height, 53);
        EXPECT_EQ(out.pixels, pic.pixels);
    }
}

// A 4x2 RLE4 picture over a 16-colour palette where colour i is i * 0x111111:
// runs alternate two indices, literals are padded to whole words, a jump
// leaves the skipped pixels at the first colour.
TEST(ImageBmp, Rle4RunsLiteralsAndJumpsDecodeExactly) {
    auto rle4 = [](const std::vector<std::uint8_t>& data) {
        std::string palette;
        for (std::uint32_t i = 0; i < 16; ++i) Put(palette, i * 0x111111u, 4);
        return BmpFile(4, 2, 4, 2, 16, palette, std::string(data.begin(), data.end()));
    };
    const struct {
        std::vector<std::uint8_t> data;
        std::vector<std::uint32_t> indices;  // top row first
    } cases[] = {
        {{4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 1, 0x60, 0, 1}, {3, 4, 5, 6, 1, 2, 1, 2}},
        {{0, 2, 2, 1, 1, 0x70, 0, 1}, {0, 0, 7, 0, 0, 0, 0, 0}},
        {{0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 2, 0x77, 0, 1}, {7, 7, 0, 0, 1, 2, 3, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.data));
        const gdi::Surface out = Decoded(rle4(c.data));
        ASSERT_EQ(out.width * out.height, 8);
        for (std::size_t i = 0; i < 8; ++i)
            EXPECT_EQ(out.pixels[i], c.indices[i] * 0x111111u) << "pixel " << i;
    }
}

// 32-bit pixels with their own masks (here red in the low byte), as some
// editors write them; bit fields on an 8-bit picture are refused.
TEST(ImageBmp, ThirtyTwoBitFieldsFollowTheirMasks) {
    auto bitfields = [](int bpp, std::uint32_t pixel) {
        std::string masks, data;
        for (std::uint32_t mask : {0x000000FFu, 0x0000FF00u, 0x00FF0000u}) Put(masks, mask, 4);
        Put(data, pixel, 4);
        return BmpFile(1, 1, bpp, 3, 0, masks, data);
    };
    EXPECT_EQ(Decoded(bitfields(32, 0x00336699)).pixels, std::vector<std::uint32_t>{0x996633u});
    gdi::Surface out;
    EXPECT_FALSE(DecodeBytes(bitfields(8, 0), &out));
}

// ffmpeg converts (and for some formats dithers) the source; its own decoder
// reading the result back is the reference for ours. 16-bit samples widen to
// 8 bits by slightly different roundings in the two decoders.
TEST(ImageFfmpeg, BmpAndPngFilesDecodeAsFfmpegReadsThem) {
    wq::test::TempRoot dir;
    const struct {
        const char* ext;
        const char* pixFmt;
        bool twoColours;
        int tolerance;
    } cases[] = {
        {"bmp", "bgr24", false, 0},     {"bmp", "bgra", false, 0}, {"bmp", "rgb555", false, 2},
        {"bmp", "rgb565", false, 2},    {"bmp", "pal8", false, 0}, {"bmp", "bgr8", false, 0},
        {"bmp", "rgb4_byte", false, 0}, {"bmp", "monob", true, 0}, {"bmp", "gray", true, 0},
        {"png", "rgb24", false, 0},     {"png", "rgba", false, 0}, {"png", "pal8", false, 0},
        {"png", "gray", false, 0},      {"png", "ya8", false, 0},  {"png", "monob", false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ext) + " " + c.pixFmt);
        gdi::Surface pic = Pattern(9, 4, c.twoColours ? kTwo : kMany);
        std::string src = dir.Host("src.png"), ref = dir.Host("ref.png"),
                    file = dir.Host(std::string("out_") + c.pixFmt + "." + c.ext);
        ASSERT_TRUE(gdi::SavePng(pic, src));
        ASSERT_TRUE(Ffmpeg("-i " + src + " -pix_fmt " + c.pixFmt + " " + file));
        ASSERT_TRUE(Ffmpeg("-i " + file + " -pix_fmt rgb24 " + ref));
        gdi::Surface expected, out = DecodeFile(file);
        ASSERT_TRUE(gdi::LoadPng(ref, &expected));
        ASSERT_EQ(out.width * 10 + out.height, 94);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_LE(Distance(out.At(x, y), expected.At(x, y)), c.tolerance) << x << "," << y;
    }
}

// Colour JPEGs, their channel order and orientation, are checked by the
// default skin's backgrounds against its committed screenshots (tests/skin).
TEST(ImageFfmpeg, AGreyJpegComesOutGrey) {
    wq::test::TempRoot dir;
    std::string grey = dir.Host("grey.jpg");
    ASSERT_TRUE(Ffmpeg("-f lavfi -i color=c=0x808080:s=16x8 -frames:v 1 -pix_fmt gray " + grey));
    std::uint32_t p = DecodeFile(grey).At(8, 4);
    EXPECT_EQ(p, (p & 0xFF) * 0x010101u);
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x80, 6);
}

constexpr std::uint32_t A = 0x102030, B = 0x405060, kPaper = 0x0000FF;

TEST(RavImage, LoadsByDevicePathDrawsScaledAndRefusesReleasedHandles) {
    wq::test::TempRoot root;
    ravimage_InitialImageLibrary();
    const gdi::Surface pic = Pattern(2, 1, {A, B});
    root.MakeFile("NAND Flash/skin/img/pic.bmp", MakeBmp(pic, 24));
    root.MakeFile("NAND Flash/skin/img/really_bmp.png", MakeBmp(pic, 24));
    ASSERT_TRUE(gdi::SavePng(pic, root.Host("NAND Flash/skin/img/really_png.jpg")));
    // Device paths resolve case-insensitively, as the skins spell folders both
    // ways, and the content, not the name, decides the format.
    HRAVIMAGE h = 0;
    for (const char16_t* path :
         {u"\\NAND Flash\\skin\\img\\really_bmp.png", u"\\NAND Flash\\skin\\img\\really_png.jpg",
          u"\\NAND Flash\\SKIN\\IMG\\Pic.bmp"}) {
        h = ravimage_LoadImage(path, 0);
        ASSERT_NE(h, 0u);
        int w = 0, ht = 0;
        EXPECT_TRUE(ravimage_GetImageSize(h, &w, &ht));
        EXPECT_EQ(w * 10 + ht, 21);
    }
    gdi::Surface t;
    t.Resize(6, 3);
    std::fill(t.pixels.begin(), t.pixels.end(), kPaper);
    HDC dc = gdi::CreateSurfaceDC(&t, POINT{}, RECT{0, 0, 6, 3});
    EXPECT_FALSE(ravimage_DrawImage(h, nullptr, RECT{0, 0, 2, 2})) << "a DC is needed";
    EXPECT_TRUE(ravimage_DrawImage(h, dc, RECT{1, 0, 5, 2}));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(t.At(x, y), (y < 2 && x >= 1 && x < 5) ? (x < 3 ? A : B) : kPaper)
                << x << "," << y;
    // Released and made-up handles are refused everywhere and draw nothing.
    EXPECT_TRUE(ravimage_ReleaseImage(h));
    EXPECT_FALSE(ravimage_ReleaseImage(h));
    std::fill(t.pixels.begin(), t.pixels.end(), kPaper);
    for (HRAVIMAGE dead : {h, HRAVIMAGE{12345}})
        EXPECT_FALSE(ravimage_DrawImage(dead, dc, RECT{0, 0, 6, 3}));
    EXPECT_EQ(t.At(0, 0), kPaper);
    gdi::DeleteSurfaceDC(dc);
    // UnInitialize releases what is still loaded.
    HRAVIMAGE kept = ravimage_LoadImage(u"\\NAND Flash\\skin\\img\\pic.bmp", 0);
    EXPECT_TRUE(ravimage_GetImageSize(kept, nullptr, nullptr));
    ravimage_UnInitializeImageLibrary();
    EXPECT_FALSE(ravimage_GetImageSize(kept, nullptr, nullptr));
}

}  // namespace
}  // namespace wq::image::test
