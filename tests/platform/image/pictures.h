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

// A BMP file: the file header, the info header (BITMAPINFOHEADER, or the
// 12-byte core header), then `table` (palette or bit masks) and `data`.
inline std::string BmpFile(int w, int h, int bpp, std::uint32_t compression, std::uint32_t colours,
                           const std::string& table, const std::string& data, bool core = false) {
    const std::uint32_t infoSize = core ? 12 : 40, size = static_cast<std::uint32_t>(data.size());
    const std::uint32_t offset = 14 + infoSize + static_cast<std::uint32_t>(table.size());
    std::string out = "BM";
    for (std::uint32_t v : {offset + size, 0u, offset, infoSize}) Put(out, v, 4);
    for (int side : {w, h}) Put(out, static_cast<std::uint32_t>(side), core ? 2 : 4);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(bpp), 2);
    if (!core)
        for (std::uint32_t v : {compression, size, 2835u, 2835u, colours, 0u}) Put(out, v, 4);
    return out + table + data;
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
    std::string table;
    for (std::uint32_t p : palette) Put(table, p, core ? 3 : 4);
    return BmpFile(pic.width, layout == BmpLayout::TopDown ? -pic.height : pic.height, bpp,
                   rle ? 1 : 0, static_cast<std::uint32_t>(palette.size()), table, pixels, core);
}

inline bool DecodeBytes(const std::string& bytes, gdi::Surface* out, std::string* error = nullptr) {
    return Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), out, error);
}

}  // namespace wq::image::test
