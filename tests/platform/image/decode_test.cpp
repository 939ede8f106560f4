// Decoders: every BMP depth and layout byte-exact, files made by ffmpeg
// against their source, JPEG colour order, and the size checks that run
// before anything is allocated.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

TEST(ImageBmp, EveryBitDepthAndLayoutDecodesExactPixels) {
    struct Case {
        int bpp;
        BmpLayout layout;
        const char* name;
    };
    const Case cases[] = {
        {1, BmpLayout::BottomUp, "1-bit"},       {4, BmpLayout::BottomUp, "4-bit"},
        {8, BmpLayout::BottomUp, "8-bit"},       {16, BmpLayout::BottomUp, "16-bit 5-5-5"},
        {24, BmpLayout::BottomUp, "24-bit"},     {32, BmpLayout::BottomUp, "32-bit"},
        {24, BmpLayout::TopDown, "24-bit top-down"}, {8, BmpLayout::CoreHeader, "8-bit core header"},
        {24, BmpLayout::CoreHeader, "24-bit core header"}, {8, BmpLayout::Rle8, "8-bit RLE"},
    };
    for (const Case& c : cases) {
        // Odd width exercises row padding; 1-bit pictures hold two colours only.
        gdi::Surface pic = c.bpp == 1 ? Pattern(5, 3, {kBlack, kWhite, kWhite})
                                      : Pattern(5, 3, {kBlack, kWhite, kRed, kMagenta, kGreen});
        auto bytes = MakeBmp(pic, c.bpp, c.layout);
        gdi::Surface out;
        std::string error;
        ASSERT_TRUE(Decode(bytes.data(), bytes.size(), &out, &error)) << c.name << ": " << error;
        EXPECT_EQ(out.width, 5) << c.name;
        EXPECT_EQ(out.height, 3) << c.name;
        EXPECT_EQ(out.pixels, pic.pixels) << c.name;
    }
}

int Distance(std::uint32_t a, std::uint32_t b) {
    int d = 0;
    for (int shift : {0, 8, 16}) d = std::max(d, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    return d;
}

// ffmpeg converts (and for some formats dithers) the source into the BMP; its
// own decoder reading that BMP back is the reference for ours.
TEST(ImageBmp, FilesWrittenByFfmpegDecodeAsFfmpegReadsThem) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed: scripts/install-deps.sh installs it";
    TempRoot dir;
    // tolerance: 16-bit samples widen to 8 bits by slightly different roundings
    // in the two decoders (a 5-bit 30 becomes 246 or 247). The hand-written
    // 16-bit file above shows that a 5-bit 31 gives exactly 255.
    struct Case {
        const char* pixFmt;
        bool twoColours;
        int tolerance;
    };
    const Case cases[] = {{"bgr24", false, 0}, {"bgra", false, 0}, {"rgb555", false, 2}, {"rgb565", false, 2},
                          {"pal8", false, 0},  {"bgr8", false, 0}, {"rgb4_byte", false, 0},
                          {"monob", true, 0},  {"gray", true, 0}};
    for (const Case& c : cases) {
        gdi::Surface pic = c.twoColours ? Pattern(9, 4, {kBlack, kWhite, kWhite})
                                        : Pattern(9, 4, {kBlack, kWhite, kRed, kMagenta, 0x3366CC, 0x808080});
        std::string src = dir.Host("src.png"), bmp = dir.Host(std::string("out_") + c.pixFmt + ".bmp"),
                    ref = dir.Host(std::string("ref_") + c.pixFmt + ".png");
        ASSERT_TRUE(gdi::SavePng(pic, src));
        ASSERT_TRUE(Ffmpeg("-i " + src + " -pix_fmt " + c.pixFmt + " " + bmp)) << c.pixFmt;
        ASSERT_TRUE(Ffmpeg("-i " + bmp + " -pix_fmt rgb24 " + ref)) << c.pixFmt;
        gdi::Surface expected;
        ASSERT_TRUE(gdi::LoadPng(ref, &expected));
        auto bytes = ReadHostFile(bmp);
        gdi::Surface out;
        std::string error;
        ASSERT_TRUE(Decode(bytes.data(), bytes.size(), &out, &error)) << c.pixFmt << ": " << error;
        ASSERT_EQ(out.width, 9) << c.pixFmt;
        ASSERT_EQ(out.height, 4) << c.pixFmt;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x)
                ASSERT_LE(Distance(out.At(x, y), expected.At(x, y)), c.tolerance) << c.pixFmt << " at " << x << "," << y;
    }
}


TEST(ImageJpeg, ColourJpegKeepsColourOrderAndOrientation) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed: scripts/install-deps.sh installs it";
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
        auto bytes = ReadHostFile(jpg);
        gdi::Surface out;
        std::string error;
        ASSERT_TRUE(Decode(bytes.data(), bytes.size(), &out, &error)) << fmt << ": " << error;
        ASSERT_EQ(out.width, 32);
        ASSERT_EQ(out.height, 24);
        for (auto [x, y] : {std::pair{4, 4}, {27, 4}, {4, 21}, {27, 21}})
            EXPECT_LE(Distance(out.At(x, y), pic.At(x, y)), 40) << fmt << " at " << x << "," << y;
    }
    // A grey JPEG comes out grey.
    std::string grey = dir.Host("grey.jpg");
    ASSERT_TRUE(Ffmpeg("-f lavfi -i color=c=0x808080:s=16x8 -frames:v 1 -pix_fmt gray " + grey));
    auto bytes = ReadHostFile(grey);
    gdi::Surface out;
    ASSERT_TRUE(Decode(bytes.data(), bytes.size(), &out, nullptr));
    std::uint32_t p = out.At(8, 4);
    EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF);
    EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF);
    EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x80, 6);
}

TEST(ImagePng, FilesWrittenByFfmpegMatchTheirSource) {
    if (!HaveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed: scripts/install-deps.sh installs it";
    TempRoot dir;
    gdi::Surface pic = Pattern(7, 5, {kBlack, kWhite, kRed, kMagenta, 0x3366CC});
    std::string src = dir.Host("src.png");
    ASSERT_TRUE(gdi::SavePng(pic, src));
    // ffmpeg's reading of its own file is the reference (its palette conversion
    // is not exact).
    for (const char* fmt : {"rgb24", "rgba", "pal8", "gray", "ya8", "monob"}) {
        std::string png = dir.Host(std::string("out_") + fmt + ".png"), ref = dir.Host(std::string("ref_") + fmt + ".png");
        ASSERT_TRUE(Ffmpeg("-i " + src + " -pix_fmt " + fmt + " " + png)) << fmt;
        ASSERT_TRUE(Ffmpeg("-i " + png + " -pix_fmt rgb24 " + ref)) << fmt;
        gdi::Surface expected;
        ASSERT_TRUE(gdi::LoadPng(ref, &expected));
        auto bytes = ReadHostFile(png);
        gdi::Surface out;
        std::string error;
        ASSERT_TRUE(Decode(bytes.data(), bytes.size(), &out, &error)) << fmt << ": " << error;
        EXPECT_EQ(out.pixels, expected.pixels) << fmt;
    }
}

// RLE data that runs past its row, jumps (delta) outside the picture or never
// ends: the decoder may refuse it or clip it, but must stay inside its buffer
// (the sanitizer build turns any stray write into a failure).
TEST(ImageBmp, RunLengthDataThatOverrunsThePictureStaysInBounds) {
    gdi::Surface pic = Pattern(4, 2, {kRed, kWhite});
    const std::vector<std::vector<std::uint8_t>> streams = {
        {255, 0, 255, 1, 0, 1},          // runs far longer than a row
        {0, 2, 200, 200, 5, 1, 0, 1},    // delta jump past the bottom right
        {0, 4, 1, 0, 0, 1},              // absolute run whose bytes are missing
        {3, 1},                          // no end-of-bitmap marker
        {0, 2, 3, 0, 0, 0, 0, 0, 0, 0},  // delta past the right edge, then end of line
    };
    for (size_t i = 0; i < streams.size(); ++i) {
        auto bytes = MakeBmp(pic, 8, BmpLayout::Rle8);
        std::uint32_t offset = bytes[10] | (bytes[11] << 8);
        bytes.resize(offset);
        bytes.insert(bytes.end(), streams[i].begin(), streams[i].end());
        gdi::Surface out;
        if (Decode(bytes.data(), bytes.size(), &out, nullptr)) {
            EXPECT_EQ(out.width, 4) << "stream " << i;
            EXPECT_EQ(out.height, 2) << "stream " << i;
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
    gdi::Surface tiny = Pattern(1, 1, {kRed});
    auto header = MakeBmp(tiny, 24);
    auto claim = [&](std::int32_t w, std::int32_t h) {
        auto b = header;
        std::memcpy(&b[18], &w, 4);
        std::memcpy(&b[22], &h, 4);
        return b;
    };
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"20000x20000", claim(20000, 20000)},
        {"8192x8192 in a 58-byte file", claim(8192, 8192)},
        {"8193 wide", claim(8193, 1)},
        {"top-down 20000 high", claim(1, -20000)},
    };
    for (const Case& c : cases) {
        bool decoded = true;
        size_t largest = LargestAllocationDecoding(c.bytes, &decoded);
        EXPECT_FALSE(decoded) << c.name;
        EXPECT_LT(largest, 1u << 20) << c.name << ": allocated before refusing";
    }
    // The largest accepted side still decodes when the file really holds it.
    gdi::Surface wide = Pattern(8192, 1, {kRed, kWhite});
    auto ok = MakeBmp(wide, 24);
    bool decoded = false;
    LargestAllocationDecoding(ok, &decoded);
    EXPECT_TRUE(decoded);
#ifndef WQ_HAVE_MALLOC_HOOKS
    GTEST_SKIP() << "allocation sizes are only observed in the sanitizer build";
#endif
}

}  // namespace
}  // namespace wq::image::test
