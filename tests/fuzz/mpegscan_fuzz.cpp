// The exact-length frame walk over any bytes answers a length a file of this
// size can have; the replay build (WQ_FUZZ_REPLAY) also scans them as a file.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <tuple>

#include "platform/media/mpegscan.h"
#include "tests/fuzz/fuzz_check.h"
#ifdef WQ_FUZZ_REPLAY
#include "tests/fuzz/scratch.h"
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto length = wq::media::ScanMpegFrames(data, size);
    if (length) {
        WQ_FUZZ_CHECK(length->frames > 0 && static_cast<std::size_t>(length->frames) <= size);
        constexpr int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
        WQ_FUZZ_CHECK(std::count(std::begin(kRates), std::end(kRates), length->sampleRate) == 1);
        // 384, 576 or 1152 samples a frame, all frames of one stream.
        WQ_FUZZ_CHECK(length->samples % length->frames == 0);
        const auto perFrame = length->samples / length->frames;
        WQ_FUZZ_CHECK(perFrame == 384 || perFrame == 576 || perFrame == 1152);
        WQ_FUZZ_CHECK(length->encoderDelay >= 0 && length->encoderDelay < 4096);
        WQ_FUZZ_CHECK(length->encoderPadding >= 0 && length->encoderPadding < 4096);
        WQ_FUZZ_CHECK(length->PlayedSamples() > 0 && length->PlayedSamples() <= length->samples);
        WQ_FUZZ_CHECK(length->DurationNs() >= 0);
    }
#ifdef WQ_FUZZ_REPLAY
    const auto fromFile = wq::media::ScanMpegFile(wq::fuzz::WriteScratch("in.mp3", data, size));
    auto answer = [](const auto& l) {
        return std::tie(l->frames, l->samples, l->sampleRate, l->encoderDelay, l->encoderPadding,
                        l->hasVbrHeader);
    };
    WQ_FUZZ_CHECK(fromFile.has_value() == length.has_value());
    if (length) WQ_FUZZ_CHECK(answer(fromFile) == answer(length));
#endif
    return 0;
}
