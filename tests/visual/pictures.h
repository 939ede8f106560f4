// Skin pictures made at test time in a temporary device root.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

namespace visualtest {

constexpr std::uint32_t kPeak = 0xFFFF00;
constexpr std::uint32_t kMagenta = 0xFF00FF;
// Row r of the bar picture has its own colour, so a test can tell which source
// rows landed where; every bar colour has red 0 and blue 0x80.
inline std::uint32_t BarRow(int r) { return 0x000080u | (static_cast<std::uint32_t>(r * 4) << 8); }
inline bool IsBarColour(std::uint32_t pixel) { return (pixel & 0xFF00FFu) == 0x80u; }

// A 24-bit bottom-up BMP, as skin pictures are stored.
void WriteBmp(const std::filesystem::path& path, int w, int h, const std::function<std::uint32_t(int, int)>& pixel);

// A temporary device root, made the current root, holding the spectrum's
// pictures: EQ_bar.bmp 8 x 64 and EQ_Peak.bmp 8 x 4, each with a last column
// of magenta that must never be drawn. Removed at destruction.
class DeviceRoot {
public:
    DeviceRoot();
    ~DeviceRoot() { std::error_code ec; std::filesystem::remove_all(m_dir, ec); }
    const std::filesystem::path& Dir() const { return m_dir; }
    std::filesystem::path Img() const { return m_dir / "NAND Flash" / "skin" / "WQAudio" / "img"; }

private:
    std::filesystem::path m_dir;
};

}  // namespace visualtest
