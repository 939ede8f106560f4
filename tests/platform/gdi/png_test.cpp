// PNG save and load round trip, partial saves and inputs that must fail.
#include "platform/gdi/png.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/platform/gdi/canvas.h"
#include "tests/support/temp_root.h"

namespace wq::gdi::test {
namespace {

TEST(GdiPng, SavesAndLoadsExactPixelsAndParts) {
    wq::test::TempRoot dir;
    Surface s, back;
    s.Resize(3, 2);
    s.pixels = {0x123456, 0xFF00FF, 0x000000, 0xFFFFFF, 0x0A0B0C, 0x808080};
    std::string path = dir.Host("round.png"), error;
    ASSERT_TRUE(SavePng(s, path, &error)) << error;
    ASSERT_TRUE(LoadPng(path, &back, &error)) << error;
    EXPECT_EQ(back.width, 3);
    EXPECT_EQ(back.pixels, s.pixels);
    RECT part{1, 1, 3, 2};
    ASSERT_TRUE(SavePng(s, path, &error, &part)) << error;
    ASSERT_TRUE(LoadPng(path, &back, &error));
    EXPECT_EQ(back.pixels, (std::vector<std::uint32_t>{0x0A0B0C, 0x808080}));
}

TEST(GdiPng, FailuresAreReportedNotFatal) {
    wq::test::TempRoot dir;
    Surface s, empty, out;
    s.Resize(40, 2);
    std::string error, path = dir.Host("bad.png");
    EXPECT_FALSE(SavePng(s, "/nonexistent-folder/x.png", &error));
    EXPECT_NE(error.find("/nonexistent-folder/x.png"), std::string::npos);
    EXPECT_FALSE(SavePng(empty, path, &error));
    EXPECT_FALSE(LoadPng("/nonexistent-folder/x.png", &out, &error));
    // Refused by its size before decoding.
    ASSERT_TRUE(SavePng(s, path));
    const std::string bytes = wq::test::ReadFile(path);
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    EXPECT_FALSE(DecodePng(data, bytes.size(), &out, 32, &error));
    EXPECT_TRUE(DecodePng(data, bytes.size(), &out, 64, &error));
    std::filesystem::resize_file(path, 40);  // cut off after the header
    EXPECT_FALSE(LoadPng(path, &out, &error));
}

}  // namespace
}  // namespace wq::gdi::test
