// The spectrum's skin pictures, made at test time in a temporary device root.
#pragma once

#include <cstdint>
#include <string>

#include "platform/gdi/surface.h"
#include "tests/support/temp_root.h"

namespace visualtest {

constexpr std::uint32_t kPeak = 0xFFFF00;
constexpr std::uint32_t kMagenta = 0xFF00FF;
// Row r of the bar picture has its own colour, so a test can tell which source
// rows landed where; every bar colour has red 0 and blue 0x80.
inline std::uint32_t BarRow(int r) {
    return 0x000080u | static_cast<std::uint32_t>(r * 4) << 8;
}
inline bool IsBarColour(std::uint32_t pixel) {
    return (pixel & 0xFF00FFu) == 0x80u;
}

// A device root made current, holding EQ_bar.bmp (8 x 64 unless told) and
// EQ_Peak.bmp (8 x 4), each with an eighth column of magenta that must never be
// drawn. The image library goes by content, so the pictures are PNG inside.
struct SkinRoot : wq::test::TempRoot {
    explicit SkinRoot(int barW = 8, int barH = 64, int peakW = 8, int peakH = 4) {
        Picture("EQ_bar.bmp", barW, barH,
                [](int x, int y) { return x == 7 ? kMagenta : BarRow(y); });
        Picture("EQ_Peak.bmp", peakW, peakH, [](int x, int) { return x == 7 ? kMagenta : kPeak; });
    }
    template <class Pixel>
    void Picture(const std::string& name, int w, int h, Pixel pixel) {
        wq::gdi::Surface s;
        s.Resize(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) s.pixels[static_cast<size_t>(y * w + x)] = pixel(x, y);
        wq::gdi::SavePng(s, MakeDir("NAND Flash/skin/WQAudio/img") + "/" + name);
    }
};

}  // namespace visualtest
