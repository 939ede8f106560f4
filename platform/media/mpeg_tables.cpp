#include "platform/media/mpeg_tables.h"

#include <array>
#include <cstddef>

namespace wq::media {
namespace {

using BitRateRow = std::array<int, 16>;

// Rows indexed by bit-rate index 0..15.
constexpr BitRateRow kMpeg1Layer1 = {0,   32,  64,  96,  128, 160, 192, 224,
                                     256, 288, 320, 352, 384, 416, 448, -1};
constexpr BitRateRow kMpeg1Layer2 = {0,   32,  48,  56,  64,  80,  96,  112,
                                     128, 160, 192, 224, 256, 320, 384, -1};
constexpr BitRateRow kMpeg1Layer3 = {0,   32,  40,  48,  56,  64,  80,  96,
                                     112, 128, 160, 192, 224, 256, 320, -1};
constexpr BitRateRow kMpeg2Layer1 = {0,   32,  48,  56,  64,  80,  96,  112,
                                     128, 144, 160, 176, 192, 224, 256, -1};
constexpr BitRateRow kMpeg2Layer23 = {0,  8,  16, 24,  32,  40,  48,  56,
                                      64, 80, 96, 112, 128, 144, 160, -1};

// [mpeg1 ? 0 : 1][layer - 1]
constexpr std::array<std::array<const BitRateRow*, 3>, 2> kBitRateRows = {{
    {&kMpeg1Layer1, &kMpeg1Layer2, &kMpeg1Layer3},
    {&kMpeg2Layer1, &kMpeg2Layer23, &kMpeg2Layer23},
}};

// Indexed by the stored version code 0..3; row 0 (reserved) is all zeros.
constexpr std::array<std::array<int, 4>, 4> kSampleRates = {{
    {0, 0, 0, 0},
    {11025, 12000, 8000, 0},
    {22050, 24000, 16000, 0},
    {44100, 48000, 32000, 0},
}};

constexpr std::array<int, 4> kVersionCodes = {kMpeg25, 0, kMpeg2, kMpeg1};
constexpr std::array<int, 4> kLayerCodes = {0, 3, 2, 1};

}  // namespace

int VersionFromBits(unsigned bits) {
    return kVersionCodes[bits & 3u];
}
int LayerFromBits(unsigned bits) {
    return kLayerCodes[bits & 3u];
}

int BitRateKbps(int version, int layer, unsigned index) {
    if (layer < 1 || layer > 3 || index > 15) return 0;
    const auto& row = *kBitRateRows[version == kMpeg1 ? 0 : 1][static_cast<size_t>(layer - 1)];
    return row[index];
}

int SampleRateHz(int version, unsigned index) {
    if (version < 0 || version > 3 || index > 3) return 0;
    return kSampleRates[static_cast<size_t>(version)][index];
}

}  // namespace wq::media
