// Every input in inputs/malformed fails cleanly, both from memory and as a
// file loaded through the image library.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/utf.h"
#include "platform/image/decode.h"
#include "platform/image/ravimage.h"
#include "tests/platform/image/pictures.h"

namespace wq::image::test {
namespace {

TEST(ImageMalformed, EveryCollectedInputFailsCleanly) {
    std::filesystem::path folder = std::filesystem::path(WQ_SOURCE_DIR) / "tests/platform/image/inputs/malformed";
    TempRoot root;
    int walked = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::string name = entry.path().filename().string(), error;
        if (name == "README.md") continue;
        ++walked;
        auto bytes = ReadHostFile(entry.path().string());
        gdi::Surface out;
        EXPECT_FALSE(Decode(bytes.data(), bytes.size(), &out, &error)) << name << " decoded";
        EXPECT_FALSE(error.empty()) << name << ": no reason given";
        std::filesystem::copy_file(entry.path(), root.Host(name));
        EXPECT_EQ(ravimage_LoadImage(Utf8ToUtf16("\\" + name).c_str(), 0), 0u) << name;
    }
    EXPECT_GE(walked, 15) << "inputs missing from " << folder;
}

}  // namespace
}  // namespace wq::image::test
