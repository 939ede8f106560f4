// Frame-header reading of CMP3Info on bytes written by the tests: the ISO
// tables, the decoding, and the sync search against the probe-by-probe loop.
#include <gtest/gtest.h>

#include <random>

#include "platform/fs/fileapi.h"
#include "tests/trackinfo/test_files.h"
#include "trackinfo/mpeg_tables.h"

namespace wq::trackinfo::test {
namespace {

class HeaderTest : public HostFiles {
protected:
    HANDLE OpenRead(const std::string& path) {
        return CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    }
};

TEST(MpegTables, RowsAreTheIsoTables) {
    // Every row: 0 for free format, -1 for the forbidden index, rising between;
    // the top entries tell the five rows apart.
    const int versions[3] = {kMpeg1, kMpeg2, kMpeg25}, top[3][3] = {{448, 384, 320}, {256, 160, 160}, {256, 160, 160}};
    const int rates[3][4] = {{44100, 48000, 32000, 0}, {22050, 24000, 16000, 0}, {11025, 12000, 8000, 0}};
    for (int v = 0; v < 3; ++v) {
        for (int layer = 1; layer <= 3; ++layer) {
            EXPECT_EQ(0, BitRateKbps(versions[v], layer, 0));
            EXPECT_EQ(-1, BitRateKbps(versions[v], layer, 15));
            EXPECT_EQ(top[v][layer - 1], BitRateKbps(versions[v], layer, 14));
            for (unsigned i = 2; i <= 14; ++i) EXPECT_GT(BitRateKbps(versions[v], layer, i), BitRateKbps(versions[v], layer, i - 1));
        }
        for (unsigned i = 0; i < 4; ++i) EXPECT_EQ(rates[v][i], SampleRateHz(versions[v], i));
    }
    EXPECT_EQ(0, SampleRateHz(0, 0));
}

TEST_F(HeaderTest, DecodesHeaderBytes) {
    // version, layer, protection, bit rate, sample rate, channel mode, copyright, original, emphasis, flags
    const std::pair<Bytes, std::vector<int>> cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, {3, 3, 1, 128, 44100, 1, 0, 1, 0, 2}},
        {{0xFF, 0xF3, 0x50, 0xC4}, {2, 3, 1, 40, 22050, 3, 0, 1, 0, 2}},
        {{0xFF, 0xFB, 0xF0, 0x00}, {3, 3, 1, 0, 44100, 0, 0, 0, 0, 2}},  // bit-rate index 15
        {{0xFF, 0xE3, 0x18, 0x4B}, {1, 3, 1, 8, 8000, 1, 1, 0, 3, 2}},   // MPEG-2.5, emphasis 3
        {{0xFF, 0xFC, 0x04, 0x08}, {3, 2, 0, 0, 48000, 0, 1, 0, 0, 2}},  // layer 2, free format
        {{0xFF, 0xF9, 0x90, 0xFF}, {3, 0, 1, 0, 44100, 3, 1, 1, 3, 2}},  // reserved layer: no bit rate
        {{0xFF, 0xEB, 0x93, 0xFF}, {0, 3, 1, 0, 0, 0, 0, 0, 0, 0}},      // reserved version
        {{0xFF, 0xFA, 0x9C, 0xFF}, {3, 3, 0, 0, 0, 0, 0, 0, 0, 0}},      // sample-rate index 3
    };
    for (const auto& [header, want] : cases) {
        CMP3Info info;
        Bytes file = header;
        file.resize(400, 0);
        ASSERT_EQ(1, OpenBytes(file, &info));
        EXPECT_EQ(want, (std::vector<int>{info.m_nVersion, info.m_nLayer, info.m_nProtection, info.GetBitRate(),
                                          info.GetSampleRate(), info.m_nChannelMode, info.m_nCopyright,
                                          info.m_nOriginal, info.m_nEmphasis, int(info.m_dwFlags)}))
            << std::hex << BigEndianAt(header, 0);
    }
}

TEST_F(HeaderTest, SearchExaminesOffsetsZeroTo10000) {
    for (size_t at : {0, 1, 9999, 10000, 10001}) {
        Bytes file(20000, 0);
        std::copy_n(Bytes{0xFF, 0xF3, 0x50, 0xC4}.begin(), 4, file.begin() + long(at));
        CMP3Info info;
        OpenBytes(file, &info);
        EXPECT_EQ(at <= 10000 ? 22050 : 0, info.GetSampleRate()) << "sync at " << at;
    }
    // The last complete window counts; a pattern cut by the end does not.
    for (Bytes file : {Bytes{0, 0, 0, 0, 0xFF, 0xFB, 0x90, 0}, Bytes{0, 0, 0, 0, 0xFF, 0xFB, 0x90}, Bytes{0xFF, 0xFB, 0x90}}) {
        CMP3Info info;
        OpenBytes(file, &info);
        EXPECT_EQ(file.size() == 8 ? 3 : 0, info.m_nVersion) << file.size() << "-byte file";
        EXPECT_EQ(file.size() == 8 ? 2u : 0u, info.m_dwFlags);
    }
}

// The loop as first written: read 4 bytes, seek 3 back, one probe per offset.
// Returns whether a sync was found; *header and the file pointer as it leaves them.
bool ProbeLoop(HANDLE h, int skip, DWORD* header) {
    if (skip > 0) SetFilePointer(h, skip, nullptr, FILE_CURRENT);
    for (int probes = 0;;) {
        Bytes b(4);
        DWORD got = 0;
        if (!ReadFile(h, b.data(), 4, &got, nullptr) || got < 4) break;
        *header = BigEndianAt(b, 0);
        if ((*header >> 21) == 0x7FF || ++probes > 10000) break;
        SetFilePointer(h, -3, nullptr, FILE_CURRENT);
    }
    return (*header >> 21) == 0x7FF;
}

TEST_F(HeaderTest, SearchAnswersLikeTheProbeLoop) {
    std::mt19937 rng(5);
    for (int round = 0; round < 60; ++round) {
        // Dense, sparse and no 0xFF bytes, so that every way out of the loop occurs.
        Bytes file(rng() % 10040, 0);
        unsigned density = round < 20 ? 7 : round < 40 ? 3000 : 0;
        for (auto& b : file) b = static_cast<std::uint8_t>(density && rng() % density == 0 ? 0xFF : rng() % 0xE0);
        if (file.size() > 2 && round % 2 == 0) {
            size_t at = rng() % (file.size() - 1);
            file[at] = 0xFF;
            file[at + 1] = static_cast<std::uint8_t>(0xE0 | (rng() & 0x1F));
        }
        int skip = round % 4 == 0 ? static_cast<int>(rng() % 50) : 0;
        WriteBytes(dir.File("r.bin"), file);
        HANDLE a = OpenRead(dir.File("r.bin")), b = OpenRead(dir.File("r.bin"));
        CMP3Info info;
        info.m_bBusy = true;
        DWORD header = 0, wantHeader = 0;
        bool found = info.FindFrameSync(a, &header, skip), want = ProbeLoop(b, skip, &wantHeader);
        SCOPED_TRACE(testing::Message() << "round " << round << ", " << file.size() << " bytes");
        EXPECT_EQ(want, found);
        EXPECT_EQ(want ? wantHeader : 0, found ? header : 0);
        EXPECT_EQ(SetFilePointer(b, 0, nullptr, FILE_CURRENT), SetFilePointer(a, 0, nullptr, FILE_CURRENT));
        CloseHandle(a);
        CloseHandle(b);
    }
}

TEST_F(HeaderTest, ClearedBusyStopsSearchAndReversal) {
    WriteBytes(dir.File("s.mp3"), {0xFF, 0xFB, 0x90, 0x64});
    HANDLE h = OpenRead(dir.File("s.mp3"));
    CMP3Info info;  // busy is false outside Open
    DWORD header = 1;
    EXPECT_FALSE(info.FindFrameSync(h, &header, 0));
    EXPECT_EQ(0u, header);
    info.m_bBusy = true;
    EXPECT_TRUE(info.FindFrameSync(h, &header, 0));
    EXPECT_EQ(0xFFFB9064u, header);
    CloseHandle(h);

    Bytes even = {1, 2, 3, 4, 5, 6}, odd = {1, 2, 3, 4, 5};
    info.ReverseBytes(even.data(), 6);
    info.ReverseBytes(odd.data(), 5);
    info.ReverseBytes(nullptr, 4);
    EXPECT_EQ((Bytes{6, 5, 4, 3, 2, 1}), even);
    EXPECT_EQ((Bytes{5, 4, 3, 2, 1}), odd);
    info.m_bBusy = false;
    info.ReverseBytes(odd.data(), 5);
    EXPECT_EQ((Bytes{1, 4, 3, 2, 5}), odd) << "stops after the first swap";
}

}  // namespace
}  // namespace wq::trackinfo::test
