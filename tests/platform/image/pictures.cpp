#include "tests/platform/image/pictures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/fs/root.h"

namespace wq::image::test {
namespace {

// `bytes` bytes of v, little-endian.
void Put(std::vector<std::uint8_t>& b, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

gdi::Surface Pattern(int w, int h, const std::vector<std::uint32_t>& colours) {
    gdi::Surface s;
    s.Resize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.pixels[static_cast<size_t>(y * w + x)] = colours[static_cast<size_t>(x + 2 * y) % colours.size()];
    return s;
}

std::vector<std::uint8_t> MakeBmp(const gdi::Surface& pic, int bpp, BmpLayout layout) {
    std::vector<std::uint32_t> palette;
    if (bpp <= 8) {
        for (std::uint32_t p : pic.pixels)
            if (std::find(palette.begin(), palette.end(), p) == palette.end()) palette.push_back(p);
        palette.resize(static_cast<size_t>(1) << bpp, 0);
    }
    auto index = [&](std::uint32_t p) {
        return static_cast<unsigned>(std::find(palette.begin(), palette.end(), p) - palette.begin());
    };
    const bool core = layout == BmpLayout::CoreHeader, rle = layout == BmpLayout::Rle8;
    std::vector<std::uint8_t> pixels;
    for (int row = 0; row < pic.height; ++row) {
        int y = layout == BmpLayout::TopDown ? row : pic.height - 1 - row;
        if (rle) {  // one encoded run per pixel, end of line after each row
            for (int x = 0; x < pic.width; ++x) Put(pixels, 1 | index(pic.At(x, y)) << 8, 2);
            Put(pixels, 0, 2);
            continue;
        }
        std::vector<std::uint8_t> line;
        unsigned bits = 0, acc = 0;
        for (int x = 0; x < pic.width; ++x) {
            std::uint32_t p = pic.At(x, y), r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (bpp <= 8) {
                acc = (acc << bpp) | index(p);
                if ((bits += static_cast<unsigned>(bpp)) == 8) line.push_back(static_cast<std::uint8_t>(acc)), acc = bits = 0;
            } else if (bpp == 16) {
                Put(line, ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3), 2);
            } else {
                Put(line, p, bpp / 8);
            }
        }
        if (bits) line.push_back(static_cast<std::uint8_t>(acc << (8 - bits)));
        while (line.size() % 4) line.push_back(0);
        pixels.insert(pixels.end(), line.begin(), line.end());
    }
    if (rle) Put(pixels, 0x100, 2);
    const std::uint32_t infoSize = core ? 12 : 40, size = static_cast<std::uint32_t>(pixels.size());
    const std::uint32_t offset = 14 + infoSize + static_cast<std::uint32_t>(palette.size()) * (core ? 3 : 4);
    const auto w = static_cast<std::uint32_t>(pic.width);
    const auto h = static_cast<std::uint32_t>(layout == BmpLayout::TopDown ? -pic.height : pic.height);
    std::vector<std::uint8_t> out{'B', 'M'};
    for (std::uint32_t v : {offset + size, 0u, offset, infoSize}) Put(out, v, 4);
    Put(out, w, core ? 2 : 4);
    Put(out, h, core ? 2 : 4);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(bpp), 2);
    if (!core)
        for (std::uint32_t v : {rle ? 1u : 0u, size, 2835u, 2835u, static_cast<std::uint32_t>(palette.size()), 0u})
            Put(out, v, 4);
    for (std::uint32_t p : palette) Put(out, p, core ? 3 : 4);
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(f.good()) << "cannot write " << path;
}

std::vector<std::uint8_t> ReadHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool HaveFfmpeg() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

bool Ffmpeg(const std::string& args) {
    return std::system(("ffmpeg -nostdin -loglevel error -y " + args).c_str()) == 0;
}

TempRoot::TempRoot() {
    static int counter = 0;
    m_path = (std::filesystem::temp_directory_path() /
              ("wq_image_root_" + std::to_string(getpid()) + "_" + std::to_string(counter++)))
                 .string();
    std::filesystem::create_directories(m_path);
    std::string error;
    EXPECT_TRUE(wq::fs::SetRoot(m_path, &error)) << error;
}

TempRoot::~TempRoot() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

}  // namespace wq::image::test
