// PNG save and load round trip, partial saves and inputs that must fail.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/gdi/png.h"
#include "tests/platform/gdi/canvas.h"

namespace wq::gdi::test {
namespace {

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / ("wq_gdi_" + std::to_string(getpid()) + name)).string();
}

TEST(GdiPng, SavesAndLoadsExactPixelsAndParts) {
    Surface s, back;
    s.Resize(3, 2);
    s.pixels = {0x123456, 0xFF00FF, 0x000000, 0xFFFFFF, 0x0A0B0C, 0x808080};
    std::string path = TempPath("round.png"), error;
    ASSERT_TRUE(SavePng(s, path, &error)) << error;
    ASSERT_TRUE(LoadPng(path, &back, &error)) << error;
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.pixels, s.pixels);
    RECT part{1, 1, 3, 2};
    ASSERT_TRUE(SavePng(s, path, &error, &part)) << error;
    ASSERT_TRUE(LoadPng(path, &back, &error));
    EXPECT_EQ(back.pixels, (std::vector<std::uint32_t>{0x0A0B0C, 0x808080}));
    std::filesystem::remove(path);
}

TEST(GdiPng, FailuresAreReportedNotFatal) {
    Surface s, empty, out;
    s.Resize(2, 2);
    std::string error, path = TempPath("bad.png");
    EXPECT_FALSE(SavePng(s, "/nonexistent-folder/x.png", &error));
    EXPECT_NE(error.find("/nonexistent-folder/x.png"), std::string::npos);
    EXPECT_FALSE(SavePng(empty, path, &error));
    EXPECT_FALSE(LoadPng("/nonexistent-folder/x.png", &out, &error));
    ASSERT_TRUE(SavePng(s, path));
    std::filesystem::resize_file(path, 40);  // cut off after the header
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
