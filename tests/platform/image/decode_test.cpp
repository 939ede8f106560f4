// Decoders on good pictures: every BMP depth and layout byte-exact, files made
// by ffmpeg against ffmpeg's own reading of them, and JPEG colour order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/gdi/png.h"
#include "tests/platform/image/pictures.h"
#include "tests/support/temp_root.h"

namespace wq::image::test {
namespace {

using wq::test::Shell;
constexpr std::uint32_t kBlack = 0, kWhite = 0xFFFFFF, kRed = 0xFF0000, kMagenta = 0xFF00FF,
                        kGreen = 0x00FF00;
// Two-colour pictures repeat every third pixel, so a flipped one differs.
const std::vector<std::uint32_t> kTwo = {kBlack, kWhite, kWhite},
                                 kPure = {kBlack, kWhite, kRed, kMagenta, kGreen},
                                 kMany = {kBlack, kWhite, kRed, kMagenta, 0x3366CC, 0x808080};

bool Ffmpeg(const std::string& args) {
    return Shell("ffmpeg -nostdin -loglevel error -y " + args);
}

gdi::Surface DecodeFile(const std::string& path) {
    gdi::Surface out;
    std::string error;
    EXPECT_TRUE(DecodeBytes(wq::test::ReadFile(path), &out, &error)) << path << ": " << error;
    return out;
}

int Distance(std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int shift : {0, 8, 16})
        d = std::max(d, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return d;
}

TEST(ImageBmp, EveryBitDepthAndLayoutDecodesExactPixels) {
    const std::pair<int, BmpLayout> cases[] = {
        {1, BmpLayout::BottomUp},  {4, BmpLayout::BottomUp},   {8, BmpLayout::BottomUp},
        {16, BmpLayout::BottomUp}, {24, BmpLayout::BottomUp},  {32, BmpLayout::BottomUp},
        {24, BmpLayout::TopDown},  {8, BmpLayout::CoreHeader}, {24, BmpLayout::CoreHeader},
        {8, BmpLayout::Rle8},
    };
    for (auto [bpp, layout] : cases) {
        // Odd width exercises row padding; these colours survive 5-bit samples.
        gdi::Surface pic = Pattern(5, 3, bpp == 1 ? kTwo : kPure);
        gdi::Surface out;
        std::string error;
        SCOPED_TRACE(testing::Message() << bpp << "-bit, layout " << static_cast<int>(layout));
        ASSERT_TRUE(DecodeBytes(MakeBmp(pic, bpp, layout), &out, &error)) << error;
        EXPECT_EQ(out.width, 5);
        EXPECT_EQ(out.height, 3);
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
        {"bmp", "bgra", false, 0}, {"bmp", "rgb555", false, 2}, {"bmp", "rgb565", false, 2},
        {"bmp", "pal8", false, 0}, {"bmp", "bgr8", false, 0},   {"bmp", "rgb4_byte", false, 0},
        {"bmp", "monob", true, 0}, {"bmp", "gray", true, 0},    {"png", "rgb24", false, 0},
        {"png", "rgba", false, 0}, {"png", "pal8", false, 0},   {"png", "gray", false, 0},
        {"png", "ya8", false, 0},  {"png", "monob", false, 0}};
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
        ASSERT_EQ(out.width, 9);
        ASSERT_EQ(out.height, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_LE(Distance(out.At(x, y), expected.At(x, y)), c.tolerance) << x << "," << y;
    }
}

TEST(ImageFfmpeg, JpegKeepsColourOrderAndOrientation) {
    wq::test::TempRoot dir;
    // Left half red, right half blue, a green bottom band: a swapped channel
    // order or a flipped picture lands far from the source.
    gdi::Surface pic;
    pic.Resize(32, 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            pic.pixels[size_t(y * 32 + x)] = y >= 16 ? kGreen : (x < 16 ? kRed : 0x0000FF);
    std::string src = dir.Host("src.png");
    ASSERT_TRUE(gdi::SavePng(pic, src));
    for (const char* fmt : {"yuvj420p", "yuvj444p"}) {
        std::string jpg = dir.Host(std::string("out_") + fmt + ".jpg");
        ASSERT_TRUE(Ffmpeg("-i " + src + " -pix_fmt " + fmt + " -q:v 2 " + jpg)) << fmt;
        gdi::Surface out = DecodeFile(jpg);
        ASSERT_EQ(out.width, 32);
        ASSERT_EQ(out.height, 24);
        for (auto [x, y] : {std::pair{4, 4}, {27, 4}, {4, 21}, {27, 21}})
            EXPECT_LE(Distance(out.At(x, y), pic.At(x, y)), 40) << fmt << " at " << x << "," << y;
    }
    // A grey JPEG comes out grey.
    std::string grey = dir.Host("grey.jpg");
    ASSERT_TRUE(Ffmpeg("-f lavfi -i color=c=0x808080:s=16x8 -frames:v 1 -pix_fmt gray " + grey));
    std::uint32_t p = DecodeFile(grey).At(8, 4);
    EXPECT_EQ(p, (p & 0xFF) * 0x010101u);
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x80, 6);
}

}  // namespace
}  // namespace wq::image::test
