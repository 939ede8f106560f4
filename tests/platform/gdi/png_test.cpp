// PNG save and load round trip, partial saves and unwritable paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/gdi/png.h"
#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("wq_gdi_") + std::to_string(getpid()) + name)).string();
}

TEST(GdiPng, SavesAndLoadsExactPixelsAndParts) {
    Surface s;
    s.Resize(3, 2);
    s.pixels = {0x123456, 0xFF00FF, 0x000000, 0xFFFFFF, 0x0A0B0C, 0x808080};
    std::string path = TempPath("round.png");
    std::string error;
    ASSERT_TRUE(SavePng(s, path, &error)) << error;
    Surface back;
    ASSERT_TRUE(LoadPng(path, &back, &error)) << error;
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.height, 2);
    EXPECT_EQ(back.pixels, s.pixels);

    RECT part{1, 1, 3, 2};
    ASSERT_TRUE(SavePng(s, path, &error, &part)) << error;
    ASSERT_TRUE(LoadPng(path, &back, &error));
    EXPECT_EQ(back.pixels, (std::vector<std::uint32_t>{0x0A0B0C, 0x808080}));
    std::filesystem::remove(path);
}

TEST(GdiPng, FailuresAreReportedNotFatal) {
    Surface s;
    s.Resize(2, 2);
    std::string error;
    EXPECT_FALSE(SavePng(s, "/nonexistent-folder/x.png", &error));
    EXPECT_NE(error.find("/nonexistent-folder/x.png"), std::string::npos);
    Surface empty;
    EXPECT_FALSE(SavePng(empty, TempPath("empty.png"), &error));

    Surface out;
    EXPECT_FALSE(LoadPng("/nonexistent-folder/x.png", &out, &error));
    std::string path = TempPath("bad.png");
    // A PNG cut off after its header, and random bytes behind a PNG signature.
    ASSERT_TRUE(SavePng(s, path));
    std::filesystem::resize_file(path, 40);
    EXPECT_FALSE(LoadPng(path, &out, &error));
    {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f << "\x89PNG\r\n\x1a\n" << std::string(100, '\x55');
    }
    EXPECT_FALSE(LoadPng(path, &out, &error));
    // Refused by its size before decoding.
    s.Resize(40, 2);
    ASSERT_TRUE(SavePng(s, path));
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_FALSE(DecodePng(bytes.data(), bytes.size(), &out, 32, &error));
    EXPECT_TRUE(DecodePng(bytes.data(), bytes.size(), &out, 64, &error));
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace wq::gdi::test
