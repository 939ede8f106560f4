// Frame-header reading: the ISO tables, the header decoding and the sync
// search of CMP3Info, on bytes written by the tests.
#include <gtest/gtest.h>

#include <random>

#include "platform/fs/fileapi.h"
#include "platform/fs/root.h"
#include "tests/trackinfo/test_files.h"
#include "trackinfo/mp3info.h"
#include "trackinfo/mpeg_tables.h"

namespace wq::trackinfo::test {
namespace {

class HeaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::SetPathMode(fs::PathMode::Host);
        SetOpenDelay(0);
    }
    void TearDown() override { SetOpenDelay(kDefaultOpenDelayMs); }

    // Opens a file made of `bytes` with a fresh CMP3Info.
    void OpenBytes(const Bytes& bytes, CMP3Info* info) {
        std::string path = dir.File("f.mp3");
        WriteBytes(path, bytes);
        ASSERT_EQ(1, info->Open(Wide(path)));
    }
    Bytes Zeros(size_t n) { return Bytes(n, 0); }

    TempDir dir;
};

TEST(MpegTables, RowsAreTheIsoTables) {
    // Every row: index 0 free format, index 15 forbidden, 1..14 rising.
    for (int version : {kMpeg1, kMpeg2, kMpeg25}) {
        for (int layer = 1; layer <= 3; ++layer) {
            EXPECT_EQ(0, BitRateKbps(version, layer, 0));
            EXPECT_EQ(-1, BitRateKbps(version, layer, 15));
            for (unsigned i = 2; i <= 14; ++i) EXPECT_GT(BitRateKbps(version, layer, i), BitRateKbps(version, layer, i - 1));
        }
    }
    // The last entry of each row tells the rows apart.
    EXPECT_EQ(448, BitRateKbps(kMpeg1, 1, 14));
    EXPECT_EQ(384, BitRateKbps(kMpeg1, 2, 14));
    EXPECT_EQ(320, BitRateKbps(kMpeg1, 3, 14));
    EXPECT_EQ(256, BitRateKbps(kMpeg2, 1, 14));
    EXPECT_EQ(160, BitRateKbps(kMpeg2, 2, 14));
    EXPECT_EQ(160, BitRateKbps(kMpeg25, 3, 14));
    EXPECT_EQ(8, BitRateKbps(kMpeg25, 3, 1));
    EXPECT_EQ(40, BitRateKbps(kMpeg1, 3, 2));
    EXPECT_EQ(0, BitRateKbps(kMpeg1, 0, 9));

    const int rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    const int versions[3] = {kMpeg1, kMpeg2, kMpeg25};
    for (int v = 0; v < 3; ++v) {
        for (unsigned i = 0; i < 3; ++i) EXPECT_EQ(rates[v][i], SampleRateHz(versions[v], i));
        EXPECT_EQ(0, SampleRateHz(versions[v], 3));
    }
    EXPECT_EQ(0, SampleRateHz(0, 0));
}

TEST_F(HeaderTest, DecodesTheHeaderExamples) {
    struct Case {
        Bytes bytes;
        int version, layer, protection, bitRate, sampleRate, channelMode, copyright, original, emphasis;
    };
    const Case cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, 3, 3, 1, 128, 44100, 1, 0, 1, 0},
        {{0xFF, 0xF3, 0x50, 0xC4}, 2, 3, 1, 40, 22050, 3, 0, 1, 0},
        {{0xFF, 0xFB, 0xF0, 0x00}, 3, 3, 1, 0, 44100, 0, 0, 0, 0},   // bit-rate index 15
        {{0xFF, 0xE3, 0x18, 0x4B}, 1, 3, 1, 8, 8000, 1, 1, 0, 3},    // MPEG-2.5, emphasis 3
        {{0xFF, 0xFC, 0x04, 0x08}, 3, 2, 0, 0, 48000, 0, 1, 0, 0},   // layer 2, free format
    };
    for (const Case& c : cases) {
        CMP3Info info;
        Bytes file = c.bytes;
        file.resize(400, 0);
        OpenBytes(file, &info);
        SCOPED_TRACE(testing::Message() << std::hex << int(c.bytes[1]) << " " << int(c.bytes[2]) << " " << int(c.bytes[3]));
        EXPECT_EQ(c.version, info.m_nVersion);
        EXPECT_EQ(c.layer, info.m_nLayer);
        EXPECT_EQ(c.protection, info.m_nProtection);
        EXPECT_EQ(c.bitRate, info.GetBitRate());
        EXPECT_EQ(c.sampleRate, info.GetSampleRate());
        EXPECT_EQ(c.channelMode, info.m_nChannelMode);
        EXPECT_EQ(c.copyright, info.m_nCopyright);
        EXPECT_EQ(c.original, info.m_nOriginal);
        EXPECT_EQ(c.emphasis, info.m_nEmphasis);
        EXPECT_EQ(CMP3Info::kFlagHeader, info.m_dwFlags);
    }
}

TEST_F(HeaderTest, ReservedFieldsKeepOnlyVersionLayerAndProtection) {
    // Reserved version (bits 20-19 = 01) and sample-rate index 3.
    for (Bytes header : {Bytes{0xFF, 0xEB, 0x93, 0xFF}, Bytes{0xFF, 0xFA, 0x9C, 0xFF}}) {
        CMP3Info info;
        DWORD value = (DWORD(header[0]) << 24) | (header[1] << 16) | (header[2] << 8) | header[3];
        info.DecodeHeader(value);
        EXPECT_EQ(header[1] == 0xEB ? 0 : 3, info.m_nVersion);
        EXPECT_EQ(3, info.m_nLayer);
        EXPECT_EQ(int(header[1] & 1), info.m_nProtection);
        EXPECT_EQ(0, info.GetSampleRate());
        EXPECT_EQ(0, info.GetBitRate());
        EXPECT_EQ(0, info.m_nChannelMode + info.m_nCopyright + info.m_nOriginal + info.m_nEmphasis);
        EXPECT_EQ(0u, info.m_dwFlags);
    }
    // Reserved layer: no bit rate, but the sample rate still counts.
    CMP3Info info;
    info.DecodeHeader(0xFFF99000);
    EXPECT_EQ(0, info.m_nLayer);
    EXPECT_EQ(0, info.GetBitRate());
    EXPECT_EQ(44100, info.GetSampleRate());
    EXPECT_EQ(CMP3Info::kFlagHeader, info.m_dwFlags);
}

TEST_F(HeaderTest, SearchExaminesOffsetsZeroTo10000) {
    for (size_t at : {size_t(0), size_t(1), size_t(9999), size_t(10000), size_t(10001)}) {
        Bytes file = Zeros(20000);
        file[at] = 0xFF;
        file[at + 1] = 0xF3;
        file[at + 2] = 0x50;
        file[at + 3] = 0xC4;
        CMP3Info info;
        OpenBytes(file, &info);
        EXPECT_EQ(at <= 10000 ? 22050 : 0, info.GetSampleRate()) << "sync at " << at;
    }
    // A pattern in the last complete window is found; one cut by the end is not.
    for (size_t size : {size_t(8), size_t(7)}) {
        Bytes file = Zeros(size);
        file[4] = 0xFF;
        file[5] = 0xFB;
        if (size == 8) file[6] = 0x90;
        CMP3Info info;
        OpenBytes(file, &info);
        EXPECT_EQ(size == 8 ? 3 : 0, info.m_nVersion) << size << "-byte file";
    }
    CMP3Info shortFile;
    OpenBytes({0xFF, 0xFB, 0x90}, &shortFile);
    EXPECT_EQ(0u, shortFile.m_dwFlags);
    EXPECT_EQ(0, shortFile.m_nVersion + shortFile.m_nLayer + shortFile.GetBitRate());
}

// The reading loop as first written: 4 bytes, then 3 back, one probe per
// offset. The buffered search must answer the same, header and file pointer.
struct ProbeAnswer {
    bool found;
    DWORD header;
    DWORD pointer;
};
ProbeAnswer ProbeLoop(HANDLE h, int skip) {
    DWORD header = 0;
    if (skip > 0) SetFilePointer(h, skip, nullptr, FILE_CURRENT);
    for (int probes = 0;;) {
        BYTE b[4];
        DWORD got = 0;
        if (!ReadFile(h, b, 4, &got, nullptr) || got < 4) break;
        header = (DWORD(b[0]) << 24) | (b[1] << 16) | (b[2] << 8) | b[3];
        if ((header >> 21) == 0x7FF) break;
        if (++probes > 10000) break;
        SetFilePointer(h, -3, nullptr, FILE_CURRENT);
    }
    return {(header >> 21) == 0x7FF, header, SetFilePointer(h, 0, nullptr, FILE_CURRENT)};
}

TEST_F(HeaderTest, SearchAnswersLikeTheProbeLoop) {
    std::mt19937 rng(5);
    for (int round = 0; round < 60; ++round) {
        Bytes file(rng() % 10040, 0);
        // Dense, sparse and no 0xFF bytes, so that all ways out of the loop occur.
        unsigned density = round < 20 ? 7 : round < 40 ? 3000 : 0;
        for (auto& b : file) b = static_cast<std::uint8_t>(density && rng() % density == 0 ? 0xFF : rng() % 0xE0);
        // Now and then a real pattern at a chosen place, also past the window.
        if (!file.empty() && round % 3 == 0) file[rng() % file.size()] = 0xFF;
        if (file.size() > 2 && round % 2 == 0) {
            size_t at = rng() % (file.size() - 1);
            file[at] = 0xFF;
            file[at + 1] = static_cast<std::uint8_t>(0xE0 | (rng() & 0x1F));
        }
        int skip = round % 4 == 0 ? static_cast<int>(rng() % 50) : 0;
        std::string path = dir.File("r.bin");
        WriteBytes(path, file);
        HANDLE a = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE b = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, a);
        ASSERT_NE(INVALID_HANDLE_VALUE, b);
        CMP3Info info;
        info.m_bBusy = true;
        DWORD header = 0;
        bool found = info.FindFrameSync(a, &header, skip);
        ProbeAnswer want = ProbeLoop(b, skip);
        EXPECT_EQ(want.found, found) << "round " << round << ", " << file.size() << " bytes";
        if (want.found) {
            EXPECT_EQ(want.header, header) << "round " << round;
        }
        EXPECT_EQ(want.pointer, SetFilePointer(a, 0, nullptr, FILE_CURRENT)) << "round " << round;
        CloseHandle(a);
        CloseHandle(b);
    }
}

TEST_F(HeaderTest, ClearedBusyStopsSearchAndReversal) {
    std::string path = dir.File("s.mp3");
    WriteBytes(path, {0xFF, 0xFB, 0x90, 0x64});
    HANDLE h = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    CMP3Info info;  // busy is false outside Open
    DWORD header = 1;
    EXPECT_FALSE(info.FindFrameSync(h, &header, 0));
    EXPECT_EQ(0u, header);
    info.m_bBusy = true;
    EXPECT_TRUE(info.FindFrameSync(h, &header, 0));
    EXPECT_EQ(0xFFFB9064u, header);
    BYTE next = 0;
    DWORD got = 9;
    EXPECT_TRUE(ReadFile(h, &next, 1, &got, nullptr));
    EXPECT_EQ(0u, got) << "the file pointer stands just after the header";
    CloseHandle(h);

    BYTE even[6] = {1, 2, 3, 4, 5, 6};
    info.ReverseBytes(even, 6);
    EXPECT_EQ((Bytes{6, 5, 4, 3, 2, 1}), Bytes(even, even + 6));
    BYTE odd[5] = {1, 2, 3, 4, 5};
    info.ReverseBytes(odd, 5);
    EXPECT_EQ((Bytes{5, 4, 3, 2, 1}), Bytes(odd, odd + 5));
    info.ReverseBytes(nullptr, 4);
    info.ReverseBytes(odd, 0);
    info.m_bBusy = false;
    info.ReverseBytes(even, 6);
    EXPECT_EQ((Bytes{1, 5, 4, 3, 2, 6}), Bytes(even, even + 6)) << "stops after the first swap";
}

}  // namespace
}  // namespace wq::trackinfo::test
