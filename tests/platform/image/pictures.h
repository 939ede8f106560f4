// Test helpers: BMP files written byte by byte, pictures made by ffmpeg, and
// a temporary device root to load them from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/surface.h"

namespace wq::image::test {

enum class BmpLayout { BottomUp, TopDown, CoreHeader, Rle8 };

// A BMP of the given pixels (0x00RRGGBB) at bit depth 1, 4, 8, 16 (5-5-5),
// 24 or 32. Palettes are built from the distinct colours.
std::vector<std::uint8_t> MakeBmp(const gdi::Surface& picture, int bpp, BmpLayout layout = BmpLayout::BottomUp);
// Width x height picture whose pixel (x, y) is colours[(x + 2y) % n].
gdi::Surface Pattern(int w, int h, const std::vector<std::uint32_t>& colours);

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadHostFile(const std::string& path);
// Runs ffmpeg quietly; false when it is missing or fails.
bool Ffmpeg(const std::string& args);
bool HaveFfmpeg();

// A fresh device root under the temporary folder, made current for the file
// calls; removed at destruction.
class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    std::string Host(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

}  // namespace wq::image::test
