// The frame-sync search and a whole CMP3Info::Open, against the reference
// 4-byte probe-and-seek-back loop through the same file calls.
// Run: build/<dir>/trackinfo/trackinfo_bench (configure with -DWQ_BUILD_BENCH=ON)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/utf.h"
#include "platform/fs/fileapi.h"
#include "platform/fs/root.h"
#include "trackinfo/mp3info.h"

namespace {

// A file of `size` bytes with no sync pattern in it (worst case: all 10001
// offsets examined), written once per process.
const std::string& NoSyncFile() {
    static const std::string path = [] {
        std::string p = "/tmp/wq-trackinfo-bench-nosync.bin";
        std::vector<unsigned char> bytes(64 * 1024);
        for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i % 0xE0);
        FILE* f = std::fopen(p.c_str(), "wb");
        if (f) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return p;
    }();
    return path;
}

HANDLE OpenRead(const std::string& path) {
    return CreateFileW(wq::Utf8ToUtf16(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                       OPEN_EXISTING, 0, nullptr);
}

// The reference: one 4-byte read and one 3-byte seek back per offset.
bool ProbeLoop(HANDLE h) {
    DWORD header = 0;
    for (int probes = 0;;) {
        unsigned char b[4];
        DWORD got = 0;
        if (!ReadFile(h, b, 4, &got, nullptr) || got < 4) break;
        header = (DWORD(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
        if ((header >> 21) == 0x7FF || ++probes > 10000) break;
        SetFilePointer(h, -3, nullptr, FILE_CURRENT);
    }
    return (header >> 21) == 0x7FF;
}

void BM_ReferenceProbeLoop(benchmark::State& state) {
    wq::fs::SetPathMode(wq::fs::PathMode::Host);
    HANDLE h = OpenRead(NoSyncFile());
    for (auto _ : state) {
        SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        benchmark::DoNotOptimize(ProbeLoop(h));
    }
    CloseHandle(h);
}
BENCHMARK(BM_ReferenceProbeLoop)->Unit(benchmark::kMicrosecond);

void BM_FindFrameSync(benchmark::State& state) {
    wq::fs::SetPathMode(wq::fs::PathMode::Host);
    HANDLE h = OpenRead(NoSyncFile());
    CMP3Info info;
    info.m_bBusy = true;
    for (auto _ : state) {
        SetFilePointer(h, 0, nullptr, FILE_BEGIN);
        DWORD header = 0;
        benchmark::DoNotOptimize(info.FindFrameSync(h, &header, 0));
    }
    CloseHandle(h);
}
BENCHMARK(BM_FindFrameSync)->Unit(benchmark::kMicrosecond);

// Open without the player's 100 ms wait: search, tag read, open and close.
void BM_OpenNoDelay(benchmark::State& state) {
    wq::fs::SetPathMode(wq::fs::PathMode::Host);
    wq::trackinfo::SetOpenDelay(0);
    CString path(wq::Utf8ToUtf16(NoSyncFile()));
    CMP3Info info;
    for (auto _ : state) benchmark::DoNotOptimize(info.Open(path));
}
BENCHMARK(BM_OpenNoDelay)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
