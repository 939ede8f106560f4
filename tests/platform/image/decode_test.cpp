// Decoders: every BMP depth and layout byte-exact, files made by ffmpeg
// against ffmpeg's own reading of them, JPEG colour order, and the size
// checks that run before anything is allocated.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/png.h"
#include "platform/image/decode.h"
#include "tests/platform/image/pictures.h"

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (GCC ships no header declaring it).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*, size_t),
                                                         void (*free_hook)(const volatile void*));
#define WQ_HAVE_MALLOC_HOOKS 1
#endif

namespace wq::image::test {
namespace {

constexpr std::uint32_t kBlack = 0, kWhite = 0xFFFFFF, kRed = 0xFF0000, kMagenta = 0xFF00FF, kGreen = 0x00FF00;
#define SKIP_WITHOUT_FFMPEG() \
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed: scripts/install-deps.sh installs it"

gdi::Surface DecodeFile(const std::string& path) {
    auto bytes = ReadHostFile(path);
    gdi::Surface out;
    std::string error;
    EXPECT_TRUE(Decode(bytes.data(), bytes.size(), &out, &error)) << path << ": " << error;
    return out;
}

int Distance(std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int shift : {0, 8, 16})
        d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
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
        // Odd width exercises row padding; 1-bit pictures hold two colours only.
        gdi::Surface pic = Pattern(5, 3, bpp == 1 ? std::vector<std::uint32_t>{kBlack, kWhite, kWhite}
                                                  : std::vector<std::uint32_t>{kBlack, kWhite, kRed, kMagenta, kGreen});
        auto bytes = MakeBmp(pic, bpp, layout);
        gdi::Surface out;
        std::string error;
        SCOPED_TRACE(testing::Message() << bpp << "-bit, layout " << static_cast<int>(layout));
        ASSERT_TRUE(Decode(bytes.data(), bytes.size(), &out, &error)) << error;
        EXPECT_EQ(out.width, 5);
        EXPECT_EQ(out.height, 3);
        EXPECT_EQ(out.pixels, pic.pixels);
    }
}

// ffmpeg converts (and for some formats dithers) the source; its own decoder
// reading the result back is the reference for ours. 16-bit samples widen to
// 8 bits by slightly different roundings in the two decoders.
TEST(ImageFfmpeg, BmpAndPngFilesDecodeAsFfmpegReadsThem) {
    SKIP_WITHOUT_FFMPEG();
    TempRoot dir;
    const struct {
        const char* ext;
        const char* pixFmt;
        bool twoColours;
        int tolerance;
    } cases[] = {{"bmp", "bgr24", false, 0}, {"bmp", "bgra", false, 0},   {"bmp", "rgb555", false, 2},
                 {"bmp", "rgb565", false, 2}, {"bmp", "pal8", false, 0},   {"bmp", "bgr8", false, 0},
                 {"bmp", "rgb4_byte", false, 0}, {"bmp", "monob", true, 0}, {"bmp", "gray", true, 0},
                 {"png", "rgb24", false, 0}, {"png", "rgba", false, 0},   {"png", "pal8", false, 0},
                 {"png", "gray", false, 0},  {"png", "ya8", false, 0},    {"png", "monob", false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ext) + " " + c.pixFmt);
        gdi::Surface pic = c.twoColours ? Pattern(9, 4, {kBlack, kWhite, kWhite})
                                        : Pattern(9, 4, {kBlack, kWhite, kRed, kMagenta, 0x3366CC, 0x808080});
        std::string src = dir.Host("src.png"), file = dir.Host(std::string("out_") + c.pixFmt + "." + c.ext),
                    ref = dir.Host("ref.png");
        ASSERT_TRUE(gdi::SavePng(pic, src));
        ASSERT_TRUE(Ffmpeg("-i " + src + " -pix_fmt " + c.pixFmt + " " + file));
        ASSERT_TRUE(Ffmpeg("-i " + file + " -pix_fmt rgb24 " + ref));
        gdi::Surface expected, out = DecodeFile(file);
        ASSERT_TRUE(gdi::LoadPng(ref, &expected));
        ASSERT_EQ(out.width, 9);
        ASSERT_EQ(out.height, 4);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x) ASSERT_LE(Distance(out.At(x, y), expected.At(x, y)), c.tolerance) << x << "," << y;
    }
}

TEST(ImageFfmpeg, JpegKeepsColourOrderAndOrientation) {
    SKIP_WITHOUT_FFMPEG();
    TempRoot dir;
    // Left half red, right half blue, a green bottom band: a swapped channel
    // order or a flipped picture lands far from the source.
    gdi::Surface pic;
    pic.Resize(32, 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x) pic.pixels[static_cast<size_t>(y * 32 + x)] = y >= 16 ? kGreen : (x < 16 ? kRed : 0x0000FF);
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

// RLE data that runs past its row, jumps outside the picture or never ends:
// the decoder may refuse it or clip it, but must stay inside its buffer (the
// sanitizer build turns any stray write into a failure).
TEST(ImageBmp, RunLengthDataThatOverrunsThePictureStaysInBounds) {
    const std::vector<std::vector<std::uint8_t>> streams = {
        {255, 0, 255, 1, 0, 1},          // runs far longer than a row
        {0, 2, 200, 200, 5, 1, 0, 1},    // delta jump past the bottom right
        {0, 4, 1, 0, 0, 1},              // absolute run whose bytes are missing
        {3, 1},                          // no end-of-bitmap marker
        {0, 2, 3, 0, 0, 0, 0, 0, 0, 0},  // delta past the right edge, then end of line
    };
    const auto header = MakeBmp(Pattern(4, 2, {kRed, kWhite}), 8, BmpLayout::Rle8);
    for (const auto& stream : streams) {
        std::vector<std::uint8_t> bytes(header.begin(), header.begin() + (header[10] | header[11] << 8));
        bytes.insert(bytes.end(), stream.begin(), stream.end());
        gdi::Surface out;
        if (Decode(bytes.data(), bytes.size(), &out, nullptr)) {
            EXPECT_EQ(out.width * out.height, 8);
        }
    }
}

#ifdef WQ_HAVE_MALLOC_HOOKS
std::atomic<bool> g_recording{false};
std::atomic<size_t> g_largest{0};
void OnMalloc(const volatile void*, size_t size) {
    if (!g_recording) return;
    size_t seen = g_largest.load();
    while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
    }
}
void OnFree(const volatile void*) {}
#endif

// Largest single allocation made while decoding `bytes`.
size_t LargestAllocationDecoding(const std::vector<std::uint8_t>& bytes, bool* decoded) {
#ifdef WQ_HAVE_MALLOC_HOOKS
    static bool installed = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
    EXPECT_TRUE(installed);
    g_largest = 0;
    g_recording = true;
#endif
    gdi::Surface out;
    *decoded = Decode(bytes.data(), bytes.size(), &out, nullptr);
#ifdef WQ_HAVE_MALLOC_HOOKS
    g_recording = false;
    return g_largest;
#else
    return 0;
#endif
}

TEST(ImageLimits, OversizedHeadersAreRefusedBeforeAllocating) {
    // Header-only files whose pixel data would need hundreds of megabytes.
    const auto header = MakeBmp(Pattern(1, 1, {kRed}), 24);
    for (auto [w, h] : {std::pair{20000, 20000}, {8192, 8192}, {8193, 1}, {1, -20000}}) {
        auto bytes = header;
        std::memcpy(&bytes[18], &w, 4);
        std::memcpy(&bytes[22], &h, 4);
        bool decoded = true;
        EXPECT_LT(LargestAllocationDecoding(bytes, &decoded), 1u << 20) << w << "x" << h << ": allocated before refusing";
        EXPECT_FALSE(decoded) << w << "x" << h;
    }
    // The largest accepted side still decodes when the file really holds it.
    bool decoded = false;
    LargestAllocationDecoding(MakeBmp(Pattern(8192, 1, {kRed, kWhite}), 24), &decoded);
    EXPECT_TRUE(decoded);
#ifndef WQ_HAVE_MALLOC_HOOKS
    GTEST_SKIP() << "allocation sizes are only observed in the sanitizer build";
#endif
}

}  // namespace
}  // namespace wq::image::test
