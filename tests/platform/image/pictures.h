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

// A BMP of the given pixels (0x00RRGGBB) at bit depth 1, 4, 8, 16 (5-5-5),
// 24 or 32. Palettes are built from the distinct colours.
inline std::string MakeBmp(const gdi::Surface& pic, int bpp,
                           BmpLayout layout = BmpLayout::BottomUp) {
    std::vector<std::uint32_t> palette;
    if (bpp <= 8) {
        for (std::uint32_t p : pic.pixels)
            if (std::find(palette.begin(), palette.end(), p) == palette.end()) palette.push_back(p);
        palette.resize(static_cast<size_t>(1) << bpp, 0);
    }
    auto index = [&](std::uint32_t p) {
        return static_cast<unsigned>(std::find(palette.begin(), palette.end(), p) -
                                     palette.begin());
    };
    const bool core = layout == BmpLayout::CoreHeader, rle = layout == BmpLayout::Rle8;
    std::string pixels;
    for (int row = 0; row < pic.height; ++row) {
        int y = layout == BmpLayout::TopDown ? row : pic.height - 1 - row;
        if (rle) {  // one encoded run per pixel, end of line after each row
            for (int x = 0; x < pic.width; ++x) Put(pixels, 1 | index(pic.At(x, y)) << 8, 2);
            Put(pixels, 0, 2);
            continue;
        }
        std::string line;
        unsigned bits = 0, acc = 0;
        for (int x = 0; x < pic.width; ++x) {
            std::uint32_t p = pic.At(x, y), r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (bpp <= 8) {
                acc = (acc << bpp) | index(p);
                bits += static_cast<unsigned>(bpp);
                if (bits == 8) {
                    line.push_back(static_cast<char>(acc));
                    acc = bits = 0;
                }
            } else if (bpp == 16) {
                Put(line, ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3), 2);
            } else {
                Put(line, p, bpp / 8);
            }
        }
        if (bits) line.push_back(static_cast<char>(acc << (8 - bits)));
        while (line.size() % 4) line.push_back(0);
        pixels += line;
    }
    if (rle) Put(pixels, 0x100, 2);
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
