// The pure steps of turning one decoded sound block into twelve band levels:
// thinning the block to 128 values, reading the stream's sample rate, and the
// transform's band read-out. No state of their own, no allocation.
#pragma once

#include "visual/fft.h"

constexpr int SPECTRUM_BANDS = 12;
constexpr int DECIMATED_COUNT = 128;
// Each block advances the transform's window by this many decimated values.
constexpr int DECIMATED_COPY_IN = 64;

// Band centre frequencies in Hz, lowest first.
extern const int g_nBandFrequency[SPECTRUM_BANDS];

// Thins a block of 16-bit PCM (interleaved as delivered) to 128 values:
// stride = (byteCount / 128) / 2 and out[k] = value number k * stride, so a block
// under 256 bytes repeats its first value 128 times. Every read lies inside the
// block. Returns false (out untouched) when the block holds no whole value
// (byteCount < 2 or samples null).
bool DecimateBlock(const short* samples, int byteCount, short out[DECIMATED_COUNT]);

// Samples per second from a WAVEFORMATEX record: its bytes 4-7, little-endian.
// 0 for a null record.
int ReadSampleRate(const void* format);

// One block's band levels: the first 64 decimated values are slid onto the
// transform's tape, the transform runs at `sampleRate`, and level[b] is the
// intensity at the point of band b divided by 256, truncated toward zero. A band
// whose point falls outside the transform (low rates) or a rate of 0 gives 0.
void ComputeBandLevels(CFft& fft, const short decimated[DECIMATED_COUNT], int sampleRate,
                       int levels[SPECTRUM_BANDS]);
