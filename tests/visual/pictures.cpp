#include "tests/visual/pictures.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/fs/root.h"

namespace fs = std::filesystem;

namespace visualtest {

std::uint32_t BarRow(int r) {
    return 0x000080u | (static_cast<std::uint32_t>(r * 4) << 8);
}

bool IsBarColour(std::uint32_t pixel) {
    return (pixel & 0xFF00FFu) == 0x80u;
}

void WriteBmp(const fs::path& path, int w, int h,
              const std::function<std::uint32_t(int, int)>& pixel) {
    const int rowBytes = (w * 3 + 3) & ~3;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(rowBytes * h);
    std::vector<unsigned char> f(54 + dataSize, 0);
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            f[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    f[26] = 1;
    f[28] = 24;
    put32(34, dataSize);
    for (int y = 0; y < h; ++y) {
        unsigned char* row = &f[54 + static_cast<size_t>((h - 1 - y) * rowBytes)];
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixel(x, y);
            row[x * 3 + 0] = static_cast<unsigned char>(p);
            row[x * 3 + 1] = static_cast<unsigned char>(p >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(p >> 16);
        }
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
}

DeviceRoot::DeviceRoot(bool withBar) {
    char tmpl[] = "/tmp/wq-visual-XXXXXX";
    m_dir = mkdtemp(tmpl);
    const fs::path img = m_dir / "NAND Flash" / "skin" / "WQAudio" / "img";
    fs::create_directories(img);
    if (withBar) {
        WriteBmp(img / "EQ_bar.bmp", 8, 64,
                 [](int x, int y) { return x == 7 ? kMagenta : BarRow(y); });
    }
    WriteBmp(img / "EQ_Peak.bmp", 8, 4, [](int x, int) { return x == 7 ? kMagenta : kPeak; });
    std::string error;
    EXPECT_TRUE(wq::fs::SetRoot(m_dir.string(), &error)) << error;
}

DeviceRoot::~DeviceRoot() {
    std::error_code ec;
    fs::remove_all(m_dir, ec);
}

}  // namespace visualtest
