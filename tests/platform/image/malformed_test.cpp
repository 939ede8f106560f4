// Bad input: every file in inputs/malformed, files that are not pictures and
// paths that leave the root fail cleanly and at once; run-length data that
// overruns stays in bounds; oversized headers are refused before allocating.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>

#include "platform/base/utf.h"
#include "platform/image/ravimage.h"
#include "tests/platform/image/pictures.h"
#include "tests/support/temp_root.h"

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (GCC ships no header declaring it).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*malloc_hook)(const volatile void*,
                                                                             size_t),
                                                         void (*free_hook)(const volatile void*));
#define WQ_HAVE_MALLOC_HOOKS 1
#endif

namespace wq::image::test {
namespace {

const std::string kMalformed = WQ_SOURCE_DIR "/tests/platform/image/inputs/malformed/";

TEST(ImageBadInput, EveryBadFileIsRefusedWithoutBlocking) {
    wq::test::TempRoot root;
    std::vector<std::u16string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(kMalformed)) {
        std::string name = entry.path().filename().string(), error;
        if (name == "README.md") continue;
        const std::string bytes = wq::test::ReadFile(entry.path().string());
        gdi::Surface out;
        EXPECT_FALSE(DecodeBytes(bytes, &out, &error)) << name << " decoded";
        EXPECT_FALSE(error.empty()) << name << ": no reason given";
        root.MakeFile(name, bytes);
        paths.push_back(Utf8ToUtf16("\\" + name));
    }
    EXPECT_GE(paths.size(), 15u) << "inputs missing from " << kMalformed;
    root.MakeDir("folder.bmp");
    ASSERT_EQ(mkfifo(root.Host("pipe.jpg").c_str(), 0600), 0);
    for (const char16_t* p :
         {u"\\missing.bmp", u"\\folder.bmp", u"\\pipe.jpg", u"..\\etc\\passwd", u""})
        paths.push_back(p);
    for (const std::u16string& path : paths) {
        // A FIFO must not block: every load finishes well within the watchdog.
        auto load =
            std::async(std::launch::async, [&] { return ravimage_LoadImage(path.c_str(), 0); });
        ASSERT_EQ(load.wait_for(std::chrono::seconds(10)), std::future_status::ready)
            << "loading blocked: " << Utf16ToUtf8(path);
        EXPECT_EQ(load.get(), 0u) << Utf16ToUtf8(path);
    }
    EXPECT_EQ(ravimage_LoadImage(nullptr, 0), 0u);
}

// RLE data that runs past its row, jumps outside the picture or never ends is
// clipped: what lies inside the picture is drawn, nothing is written outside
// it (the sanitizer build turns a stray write into a failure).
TEST(ImageBadInput, RunLengthDataThatOverrunsThePictureStaysInBounds) {
    const std::vector<std::vector<std::uint8_t>> streams = {
        {255, 0, 255, 1, 0, 1},          // runs far longer than a row
        {0, 2, 200, 200, 5, 1, 0, 1},    // delta jump past the bottom right
        {0, 4, 1, 0, 0, 1},              // absolute run whose bytes are missing
        {3, 1},                          // no end-of-bitmap marker
        {0, 2, 3, 0, 0, 0, 0, 0, 0, 0},  // delta past the right edge, then end of line
    };
    const std::string header = MakeBmp(Pattern(4, 2, {0xFF0000, 0xFFFFFF}), 8, BmpLayout::Rle8);
    std::uint32_t offset;
    std::memcpy(&offset, &header[10], 4);
    for (const auto& stream : streams) {
        const std::string bytes =
            header.substr(0, offset) + std::string(stream.begin(), stream.end());
        gdi::Surface out;
        EXPECT_TRUE(DecodeBytes(bytes, &out));
        EXPECT_EQ(out.width * out.height, 8);
    }
}

std::atomic<bool> g_recording{false};
std::atomic<size_t> g_largest{0};
#ifdef WQ_HAVE_MALLOC_HOOKS
void OnMalloc(const volatile void*, size_t size) {
    if (g_recording && size > g_largest) g_largest = size;  // one decoding thread
}
void OnFree(const volatile void*) {}
const bool g_hooked = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree) != 0;
#endif

// Decoding `bytes` (named `what`) is refused without a single allocation of
// 1 MiB or more first (allocations are only seen with the hooks).
void ExpectRefusedBeforeAllocating(const std::string& bytes, const std::string& what) {
    g_largest = 0;
    g_recording = true;
    gdi::Surface out;
    const bool decoded = DecodeBytes(bytes, &out);
    g_recording = false;
    EXPECT_FALSE(decoded) << what;
    EXPECT_LT(g_largest, 1u << 20) << what << ": allocated before refusing";
}

TEST(ImageBadInput, OversizedHeadersAreRefusedBeforeAllocating) {
    // Header-only files whose pixel data would need hundreds of megabytes.
    const std::string header = MakeBmp(Pattern(1, 1, {0xFF0000}), 24);
    for (auto [w, h] : {std::pair{20000, 20000}, {8192, 8192}, {8193, 1}, {1, -20000}}) {
        std::string bytes = header;
        std::memcpy(&bytes[18], &w, 4);
        std::memcpy(&bytes[22], &h, 4);
        ExpectRefusedBeforeAllocating(bytes, std::to_string(w) + "x" + std::to_string(h));
    }
    // Tiny JPEGs whose header claims 8192x8192 (baseline, progressive and
    // arithmetic-coded): refused from the data they cannot hold, not decoded
    // as grey after allocating the whole picture.
    for (const char* name :
         {"jpeg_8192x8192_in_362_bytes.jpg", "jpeg_progressive_8192x8192_in_581_bytes.jpg",
          "jpeg_arithmetic_8192x8192_in_427_bytes.jpg"})
        ExpectRefusedBeforeAllocating(wq::test::ReadFile(kMalformed + name), name);
    // The largest accepted side still decodes when the file really holds it.
    gdi::Surface out;
    EXPECT_TRUE(DecodeBytes(MakeBmp(Pattern(8192, 1, {0xFF0000, 0xFFFFFF}), 24), &out));
#ifdef WQ_HAVE_MALLOC_HOOKS
    EXPECT_TRUE(g_hooked);
#else
    GTEST_SKIP() << "allocation sizes are only observed in the sanitizer build";
#endif
}

}  // namespace
}  // namespace wq::image::test
