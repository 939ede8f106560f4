#include "tests/visual/pictures.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/fs/root.h"

namespace visualtest {

void WriteBmp(const std::filesystem::path& path, int w, int h, const std::function<std::uint32_t(int, int)>& pixel) {
    const int rowBytes = (w * 3 + 3) & ~3;
    std::vector<unsigned char> f(54 + static_cast<size_t>(rowBytes * h), 0);
    auto put32 = [&](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[at + static_cast<size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
    };
    f[0] = 'B', f[1] = 'M', f[26] = 1, f[28] = 24;
    put32(2, static_cast<std::uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                f[54 + static_cast<size_t>((h - 1 - y) * rowBytes + x * 3 + c)] =
                    static_cast<unsigned char>(pixel(x, y) >> (8 * c));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
}

DeviceRoot::DeviceRoot() {
    char tmpl[] = "/tmp/wq-visual-XXXXXX";
    m_dir = mkdtemp(tmpl);
    std::filesystem::create_directories(Img());
    WriteBmp(Img() / "EQ_bar.bmp", 8, 64, [](int x, int y) { return x == 7 ? kMagenta : BarRow(y); });
    WriteBmp(Img() / "EQ_Peak.bmp", 8, 4, [](int x, int) { return x == 7 ? kMagenta : kPeak; });
    std::string error;
    EXPECT_TRUE(wq::fs::SetRoot(m_dir.string(), &error)) << error;
}

}  // namespace visualtest
