// Cost of one sound block through the spectrum: the hand-off from the media
// thread, the 128-point transform with the twelve band levels, and one frame of
// each pattern, beside two references measured in the same run: a plain
// O(N^2) DFT of the same 128 values and a memcpy of the block's bytes.
// Heap allocations per block are counted and reported as a counter.
//
//   cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DWQ_BUILD_BENCH=ON
//   cmake --build build/bench -j2 --target spectrum_bench
//   build/bench/visual/spectrum_bench
#include <benchmark/benchmark.h>

#include <cmath>
#include <complex>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <vector>

#include "platform/fs/root.h"
#include "platform/gdi/gdi.h"
#include "tests/support/alloc_count.h"
#include "visual/soundfeed.h"
#include "visual/spectrum.h"

namespace {

namespace fs = std::filesystem;

// One MPEG-1 stereo frame of decoded audio: 4608 bytes of noise and a tone.
std::vector<short> Block() {
    std::vector<short> block(2304);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> noise(-15000, 15000);
    for (size_t i = 0; i < block.size(); ++i) {
        block[i] =
            static_cast<short>(10000.0 * std::sin(0.05 * static_cast<double>(i)) + noise(rng));
    }
    return block;
}

const unsigned char kFormat[18] = {1, 0, 2, 0, 0x44, 0xAC, 0, 0};  // 44100 Hz stereo

class Host : public CSpectrumHost {
public:
    int pattern = PATTERN_BASIC;
    HDC dc = nullptr;
    BOOL SpectrumIsPlaying() const override { return TRUE; }
    int SpectrumPattern() const override { return pattern; }
    BOOL SpectrumVisualReady() const override { return TRUE; }
    BOOL SpectrumIsActive() const override { return TRUE; }
    RECT SpectrumRect() const override { return RECT{0, 0, 180, 105}; }
    HWND SpectrumWindow() const override { return nullptr; }
    HDC SpectrumGetDC() override { return dc; }
    void SpectrumReleaseDC(HDC) override {}
};

class ImmediateWaker : public CSpectrumWaker {
public:
    void Wake(CSpectrumFeed&) override {}
    bool WakeAfter(CSpectrumFeed&, unsigned) override { return false; }
};

void WriteBmp(const fs::path& path, int w, int h, std::uint32_t rgb) {
    const int rowBytes = (w * 3 + 3) & ~3;
    std::vector<unsigned char> f(54 + static_cast<size_t>(rowBytes * h), 0);
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
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned char* p = &f[54 + static_cast<size_t>(y * rowBytes + x * 3)];
            p[0] = static_cast<unsigned char>(rgb);
            p[1] = static_cast<unsigned char>(rgb >> 8);
            p[2] = static_cast<unsigned char>(rgb >> 16);
        }
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
}

// A device root with the two pictures, made once per run.
void MakeRoot() {
    static bool done = false;
    if (done) return;
    done = true;
    const fs::path root = fs::temp_directory_path() / "wq-spectrum-bench";
    const fs::path img = root / "NAND Flash" / "skin" / "WQAudio" / "img";
    fs::create_directories(img);
    WriteBmp(img / "EQ_bar.bmp", 7, 64, 0x20C040);
    WriteBmp(img / "EQ_Peak.bmp", 7, 4, 0xF0F020);
    wq::fs::SetRoot(root.string());
}

void BM_MemcpyBlock(benchmark::State& state) {
    const std::vector<short> block = Block();
    std::vector<short> copy(block.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), block.data(), block.size() * sizeof(short));
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyBlock);

// The reference: a direct DFT of the same 128 decimated values, all points.
void BM_PlainDft128(benchmark::State& state) {
    const std::vector<short> block = Block();
    short decimated[DECIMATED_COUNT];
    DecimateBlock(block.data(), 4608, decimated);
    std::vector<std::complex<double>> twiddle(128);
    for (int i = 0; i < 128; ++i)
        twiddle[static_cast<size_t>(i)] = std::polar(1.0, -2.0 * M_PI * i / 128.0);
    std::vector<double> out(128);
    for (auto _ : state) {
        for (int p = 0; p < 128; ++p) {
            std::complex<double> sum;
            for (int k = 0; k < 128; ++k)
                sum +=
                    static_cast<double>(decimated[k]) * twiddle[static_cast<size_t>((p * k) & 127)];
            out[static_cast<size_t>(p)] = std::abs(sum);
        }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_PlainDft128);

// Thinning, tape, transform and twelve band levels of one block.
void BM_TransformAndLevels(benchmark::State& state) {
    const std::vector<short> block = Block();
    CFft fft(128, 0);
    short decimated[DECIMATED_COUNT];
    int levels[SPECTRUM_BANDS];
    for (auto _ : state) {
        DecimateBlock(block.data(), 4608, decimated);
        ComputeBandLevels(fft, decimated, ReadSampleRate(kFormat), levels);
        benchmark::DoNotOptimize(levels);
    }
}
BENCHMARK(BM_TransformAndLevels);

// The whole path of one block without the frame: media-thread hand-off into
// the ring, then the GUI side's transform and levels.
void BM_FeedBlock(benchmark::State& state) {
    MakeRoot();
    const std::vector<short> block = Block();
    Host host;  // no DC: no frame
    CSpectrumAnalyzer analyzer(&host);
    ImmediateWaker waker;
    CFft fft(128, 0);
    CSpectrumFeed feed(&host, &analyzer, &waker, nullptr, &fft);
    alloc_count::Start();
    for (auto _ : state) {
        feed.OnSoundSamples(block.data(), 4608, kFormat);
        feed.Pump();
    }
    state.counters["allocs_per_block"] = benchmark::Counter(
        static_cast<double>(alloc_count::Stop()) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_FeedBlock);

// One block through everything, drawing one frame of the pattern.
void BM_BlockWithFrame(benchmark::State& state) {
    MakeRoot();
    const std::vector<short> block = Block();
    wq::gdi::Surface screen;
    screen.Resize(480, 234);
    Host host;
    host.pattern = static_cast<int>(state.range(0));
    host.dc = wq::gdi::CreateSurfaceDC(&screen, POINT{0, 0}, RECT{0, 0, 480, 234});
    CSpectrumAnalyzer analyzer(&host);
    analyzer.CaptureBackground(host.dc, host.SpectrumRect());
    ImmediateWaker waker;
    CFft fft(128, 0);
    CSpectrumFeed feed(&host, &analyzer, &waker, nullptr, &fft);
    // The first frame makes the frame buffer and renders the pictures once.
    feed.OnSoundSamples(block.data(), 4608, kFormat);
    feed.Pump();
    alloc_count::Start();
    for (auto _ : state) {
        feed.OnSoundSamples(block.data(), 4608, kFormat);
        feed.Pump();
    }
    state.counters["allocs_per_block"] = benchmark::Counter(
        static_cast<double>(alloc_count::Stop()) / static_cast<double>(state.iterations()));
    wq::gdi::DeleteSurfaceDC(host.dc);
}
BENCHMARK(BM_BlockWithFrame)->Arg(PATTERN_BASIC)->Arg(PATTERN_SYMMETRIC)->Arg(PATTERN_WAVE);

}  // namespace

BENCHMARK_MAIN();
