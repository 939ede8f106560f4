// CMP3Info's in-memory steps (frame sync, header, ID3v1 tag) against a plain
// reading of the same bytes. The replay build (WQ_FUZZ_REPLAY) also opens the
// bytes as a file and wants the same record; campaigns skip that file I/O.
#include <cstdint>
#include <cstring>
#include <tuple>

#include "tests/fuzz/fuzz_check.h"
#include "trackinfo/mp3info.h"
#ifdef WQ_FUZZ_REPLAY
#include "platform/fs/root.h"
#include "tests/fuzz/scratch.h"
#endif

namespace {

// Offset of the first 4-byte window with the top 11 bits set, or -1.
int FirstSync(const std::uint8_t* data, std::size_t size) {
    for (std::size_t at = 0; at + 4 <= size && at <= CMP3Info::kMaxProbes; ++at) {
        if (data[at] == 0xFF && (data[at + 1] & 0xE0) == 0xE0) return static_cast<int>(at);
    }
    return -1;
}

DWORD BigEndian(const std::uint8_t* p) {
    return DWORD{p[0]} << 24 | DWORD{p[1]} << 16 | DWORD{p[2]} << 8 | p[3];
}

#ifdef WQ_FUZZ_REPLAY
// Every field of the record.
auto Record(const CMP3Info& i) {
    return std::tie(i.m_dwFlags, i.m_strTitle, i.m_strArtist, i.m_strAlbum, i.m_strComment,
                    i.m_strYear, i.m_nTrack, i.m_nGenre, i.m_nVersion, i.m_nLayer, i.m_nProtection,
                    i.m_nBitRate, i.m_nSampleRate, i.m_nChannelMode, i.m_nEmphasis, i.m_nCopyright,
                    i.m_nOriginal);
}
#endif

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const DWORD length = static_cast<DWORD>(size);
    CMP3Info info;
    info.m_bBusy = true;
    DWORD header = 0;
    const int at = info.FindFrameSyncIn(data, length, &header);
    WQ_FUZZ_CHECK(at == FirstSync(data, size));
    if (at >= 0) {
        WQ_FUZZ_CHECK(header == BigEndian(data + at));
        info.DecodeHeader(header);
    }
    if (size >= CMP3Info::kID3v1Size)
        info.ReadID3v1Block(std::span<const BYTE, CMP3Info::kID3v1Size>(
            data + size - CMP3Info::kID3v1Size, CMP3Info::kID3v1Size));
    info.m_bBusy = false;

    WQ_FUZZ_CHECK(((info.m_dwFlags & CMP3Info::kFlagHeader) != 0) == (info.m_nSampleRate > 0));
    WQ_FUZZ_CHECK(info.m_nBitRate >= 0 && info.m_nBitRate <= 448);
    WQ_FUZZ_CHECK(info.m_nVersion >= 0 && info.m_nVersion <= 3);
    WQ_FUZZ_CHECK(info.m_nLayer >= 0 && info.m_nLayer <= 3);

    // The tag: present exactly when the last 128 bytes start with "TAG"; no
    // text field decodes to more characters than it has bytes.
    const std::uint8_t* tag = size >= 128 ? data + size - 128 : nullptr;
    const bool tagged = tag && std::memcmp(tag, "TAG", 3) == 0;
    WQ_FUZZ_CHECK(((info.m_dwFlags & CMP3Info::kFlagTag) != 0) == tagged);
    if (tagged) {
        WQ_FUZZ_CHECK(info.m_nGenre == tag[127]);
        WQ_FUZZ_CHECK(info.m_nTrack == (tag[125] == 0 ? tag[126] : 0));
        WQ_FUZZ_CHECK(info.m_strTitle.GetLength() <= 30 && info.m_strArtist.GetLength() <= 30);
        WQ_FUZZ_CHECK(info.m_strAlbum.GetLength() <= 30 && info.m_strComment.GetLength() <= 30);
        WQ_FUZZ_CHECK(info.m_strYear.GetLength() <= 4);
    } else {
        WQ_FUZZ_CHECK(info.m_nGenre == 255 && info.m_nTrack == 0);
        WQ_FUZZ_CHECK(info.m_strTitle.IsEmpty() && info.m_strArtist.IsEmpty());
    }

#ifdef WQ_FUZZ_REPLAY
    [[maybe_unused]] static const bool hostPaths = [] {
        wq::fs::SetPathMode(wq::fs::PathMode::Host);
        wq::trackinfo::SetOpenDelay(0);
        return true;
    }();
    CMP3Info opened;
    WQ_FUZZ_CHECK(opened.Open(CString::FromUtf8(wq::fuzz::WriteScratch("in.mp3", data, size))) ==
                  1);
    WQ_FUZZ_CHECK(Record(info) == Record(opened));
#endif
    return 0;
}
