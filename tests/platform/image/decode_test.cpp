// Good pictures: every BMP layout byte-exact, each way of storing a depth and
// each PNG colour type as made by ffmpeg against ffmpeg's own reading, and the
// image library loading by device path, drawing and releasing handles.
// (JPEG: the default skin's backgrounds against its committed screenshots.)
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
        {"bmp", "bgra", false, 0},  {"bmp", "rgb555", false, 2},    {"bmp", "rgb565", false, 2},
        {"bmp", "pal8", false, 0},  {"bmp", "rgb4_byte", false, 0}, {"bmp", "monob", true, 0},
        {"png", "rgb24", false, 0}, {"png", "rgba", false, 0},      {"png", "pal8", false, 0},
        {"png", "gray", false, 0},  {"png", "ya8", false, 0},       {"png", "monob", false, 0}};
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

constexpr std::uint32_t A = 0x102030, B = 0x405060, kPaper = 0x0000FF;

// The program draws pictures at their own size only.
TEST(RavImage, LoadsByDevicePathDrawsAndRefusesReleasedHandles) {
    wq::test::TempRoot root;
    ravimage_InitialImageLibrary();
    root.MakeFile("NAND Flash/skin/img/pic.bmp", MakeBmp(Pattern(2, 1, {A, B}), 24));
    // Device paths resolve case-insensitively, as the skins spell folders both ways.
    const HRAVIMAGE h = ravimage_LoadImage(u"\\NAND Flash\\SKIN\\IMG\\Pic.bmp", 0);
    ASSERT_NE(h, 0u);
    int w = 0, ht = 0;
    EXPECT_TRUE(ravimage_GetImageSize(h, &w, &ht));
    EXPECT_EQ(w * 10 + ht, 21);
    gdi::Surface t;
    t.Resize(4, 1);
    std::fill(t.pixels.begin(), t.pixels.end(), kPaper);
    HDC dc = gdi::CreateSurfaceDC(&t, POINT{}, RECT{0, 0, 4, 1});
    EXPECT_FALSE(ravimage_DrawImage(h, nullptr, RECT{0, 0, 2, 1})) << "a DC is needed";
    EXPECT_TRUE(ravimage_DrawImage(h, dc, RECT{1, 0, 3, 1}));
    EXPECT_EQ(t.pixels, (std::vector<std::uint32_t>{kPaper, A, B, kPaper}));
    // Released and made-up handles are refused everywhere and draw nothing.
    EXPECT_TRUE(ravimage_ReleaseImage(h));
    EXPECT_FALSE(ravimage_ReleaseImage(h));
    std::fill(t.pixels.begin(), t.pixels.end(), kPaper);
    for (HRAVIMAGE dead : {h, HRAVIMAGE{12345}})
        EXPECT_FALSE(ravimage_DrawImage(dead, dc, RECT{0, 0, 2, 1}));
    EXPECT_EQ(t.At(0, 0), kPaper);
    gdi::DeleteSurfaceDC(dc);
    ravimage_UnInitializeImageLibrary();
}

}  // namespace
}  // namespace wq::image::test
