#include "visual/bands.h"

#include <cstdint>
#include <cstring>

const int g_nBandFrequency[SPECTRUM_BANDS] = {120,  500,  1000,  2000,  3000,  4000,
                                              6000, 8000, 10000, 11000, 13000, 15000};

bool DecimateBlock(const short* samples, int byteCount, short out[DECIMATED_COUNT]) {
    if (samples == nullptr || byteCount < 2) {
        return false;
    }
    // The largest index read is 127 * stride, and 127 * stride * 2 < byteCount.
    const int stride = (byteCount / DECIMATED_COUNT) / 2;
    for (int k = 0; k < DECIMATED_COUNT; ++k) {
        out[k] = samples[k * stride];
    }
    return true;
}

int ReadSampleRate(const void* format) {
    if (format == nullptr) {
        return 0;
    }
    unsigned char b[4];
    std::memcpy(b, static_cast<const unsigned char*>(format) + 4, sizeof b);
    const std::uint32_t rate =
        static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
        (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    return static_cast<int>(rate);
}

void ComputeBandLevels(CFft& fft, const short decimated[DECIMATED_COUNT], int sampleRate,
                       int levels[SPECTRUM_BANDS]) {
    fft.SetSampleRate(sampleRate);
    fft.CopyIn(decimated, DECIMATED_COPY_IN);
    fft.Transform();
    for (int b = 0; b < SPECTRUM_BANDS; ++b) {
        const double intensity = fft.GetIntensity(fft.HzToPoint(g_nBandFrequency[b]));
        levels[b] = static_cast<int>(intensity / 256.0);
    }
}
