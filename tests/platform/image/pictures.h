// Test helpers: pictures as pixel patterns and BMP files written byte by byte.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/image/decode.h"

namespace wq::image::test {

enum class BmpLayout { BottomUp, TopDown, CoreHeader, Rle8 };

// Width x height picture whose pixel (x, y) is colours[(x + 2y) % n].
inline gdi::Surface Pattern(int w, int h, const std::vector<std::uint32_t>& colours) {
    gdi::Surface s;
    s.Resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.pixels[static_cast<size_t>(y * w + x)] = colours[size_t(x + 2 * y) % colours.size()];
    return s;
}

// `bytes` bytes of v, little-endian.
inline void Put(std::string& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
}

// A BMP of the given pixels (0x00RRGGBB) at 8 bits (a palette of the
// distinct colours) or 24 bits; RLE8 writes one run per pixel.
inline std::string MakeBmp(const gdi::Surface& pic, int bpp,
                           BmpLayout layout = BmpLayout::BottomUp) {
    std::vector<std::uint32_t> palette;
    for (std::uint32_t p : pic.pixels)
        if (bpp == 8 && std::find(palette.begin(), palette.end(), p) == palette.end())
            palette.push_back(p);
    if (bpp == 8) palette.resize(256, 0);
    auto index = [&](std::uint32_t p) {
        return static_cast<unsigned>(std::find(palette.begin(), palette.end(), p) -
                                     palette.begin());
    };
    const bool core = layout == BmpLayout::CoreHeader, rle = layout == BmpLayout::Rle8;
    std::string pixels;
    for (int row = 0; row < pic.height; ++row) {
        const int y = layout == BmpLayout::TopDown ? row : pic.height - 1 - row;
        std::string line;
        for (int x = 0; x < pic.width; ++x) {
            const std::uint32_t p = pic.At(x, y);
            Put(line, rle ? 1 | index(p) << 8 : bpp == 8 ? index(p) : p, rle ? 2 : bpp / 8);
        }
        while (!rle && line.size() % 4) line.push_back(0);
        pixels += rle ? line + std::string(2, '\0') : line;  // RLE: end of line
    }
    if (rle) Put(pixels, 0x100, 2);  // end of picture
    const std::uint32_t infoSize = core ? 12 : 40, size = static_cast<std::uint32_t>(pixels.size());
    const std::uint32_t offset = 14 + infoSize + std::uint32_t(palette.size()) * (core ? 3 : 4);
    const auto w = static_cast<std::uint32_t>(pic.width);
    const auto h =
        static_cast<std::uint32_t>(layout == BmpLayout::TopDown ? -pic.height : pic.height);
    std::string out = "BM";
    for (std::uint32_t v : {offset + size, 0u, offset, infoSize}) Put(out, v, 4);
    Put(out, w, core ? 2 : 4);
    Put(out, h, core ? 2 : 4);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(bpp), 2);
    if (!core)
        for (std::uint32_t v :
             {rle ? 1u : 0u, size, 2835u, 2835u, std::uint32_t(palette.size()), 0u})
            Put(out, v, 4);
    for (std::uint32_t p : palette) Put(out, p, core ? 3 : 4);
    return out + pixels;
}

inline bool DecodeBytes(const std::string& bytes, gdi::Surface* out, std::string* error = nullptr) {
    return Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out, error);
}

}  // namespace wq::image::test
