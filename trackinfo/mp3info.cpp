#include "trackinfo/mp3info.h"

#include <algorithm>
#include <array>

#include "platform/clock/clock.h"
#include "platform/fs/fileapi.h"
#include "platform/media/mpeg_tables.h"

namespace wq::trackinfo {
namespace {

std::atomic<DWORD> g_openDelayMs{kDefaultOpenDelayMs};

}  // namespace

void SetOpenDelay(DWORD ms) {
    g_openDelayMs = ms;
}
DWORD GetOpenDelay() {
    return g_openDelayMs;
}

}  // namespace wq::trackinfo

namespace {

constexpr DWORD kSyncBits = 0x7FF;  // the top 11 bits of a frame header
constexpr int kWindow = 4;

DWORD BigEndian32(const BYTE* p) {
    return (static_cast<DWORD>(p[0]) << 24) | (static_cast<DWORD>(p[1]) << 16) |
           (static_cast<DWORD>(p[2]) << 8) | static_cast<DWORD>(p[3]);
}

DWORD Bits(DWORD value, int high, int low) {
    return (value >> low) & ((1u << (high - low + 1)) - 1u);
}

}  // namespace

static_assert(sizeof(std::atomic<bool>) == 1, "the busy flag is an 8-bit boolean");

CMP3Info::CMP3Info(const CString& strPath) {
    Clear();
    if (!strPath.IsEmpty()) Open(strPath);
    m_bBusy = false;
}

CMP3Info::~CMP3Info() {
    m_bBusy = false;
}

void CMP3Info::Clear() {
    m_strPath.Empty();
    m_dwFlags = 0;
    m_strArtist.Empty();
    m_strTitle.Empty();
    m_strAlbum.Empty();
    m_strComment.Empty();
    m_strYear.Empty();
    m_nTrack = 0;
    m_nGenre = 255;
    m_nVersion = 0;
    m_nLayer = 0;
    m_nProtection = 0;
    m_nBitRate = 0;
    m_nSampleRate = 0;
    m_nChannelMode = 0;
    m_nEmphasis = 0;
    m_nCopyright = 0;
    m_nOriginal = 0;
}

int CMP3Info::Open(const CString& strPath) {
    Clear();
    m_bBusy = true;
    if (DWORD delay = wq::trackinfo::GetOpenDelay(); delay > 0) Sleep(delay);

    HANDLE hFile =
        CreateFileW(strPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE || hFile == nullptr) {
        m_bBusy = false;
        return 0;
    }
    DWORD dwHeader = 0;
    if (FindFrameSync(hFile, &dwHeader, 0) && m_bBusy) DecodeHeader(dwHeader);
    ReadID3v1(hFile);
    m_strPath = strPath;
    CloseHandle(hFile);
    m_bBusy = false;
    return 1;
}

// Gives the answer of probing 4 bytes at a time with a 3-byte seek back after
// each probe, but reads the at most kMaxProbes + 4 bytes it can examine in
// one pass. The file pointer ends where that loop leaves it: just after the
// header when found, else after the last byte read.
bool CMP3Info::FindFrameSync(HANDLE hFile, DWORD* pdwHeader, int nSkip) {
    if (pdwHeader) *pdwHeader = 0;
    if (nSkip > 0) {
        LONG high = 0;
        SetFilePointer(hFile, nSkip, &high, FILE_CURRENT);
    }
    if (!m_bBusy) return false;

    std::array<BYTE, CMP3Info::kMaxProbes + kWindow> buffer;
    DWORD got = 0;
    while (got < buffer.size()) {
        DWORD n = 0;
        if (!ReadFile(hFile, buffer.data() + got, static_cast<DWORD>(buffer.size()) - got, &n,
                      nullptr) ||
            n == 0)
            break;
        got += n;
    }

    DWORD dwHeader = 0;
    const int offset = FindFrameSyncIn(buffer.data(), got, &dwHeader);
    if (pdwHeader) *pdwHeader = dwHeader;
    if (offset >= 0) {
        DWORD back = got - (static_cast<DWORD>(offset) + kWindow);
        if (back > 0) {
            LONG high = -1;
            SetFilePointer(hFile, -static_cast<LONG>(back), &high, FILE_CURRENT);
        }
    }
    return offset >= 0;
}

int CMP3Info::FindFrameSyncIn(const BYTE* data, DWORD size, DWORD* pdwHeader) {
    DWORD dwHeader = 0;
    int found = -1;
    const DWORD examined = std::min<DWORD>(size, CMP3Info::kMaxProbes + kWindow);
    for (DWORD offset = 0; offset + kWindow <= examined; ++offset) {
        if (!m_bBusy) break;
        dwHeader = BigEndian32(data + offset);
        if ((dwHeader >> 21) == kSyncBits) {
            found = static_cast<int>(offset);
            break;
        }
    }
    if (pdwHeader) *pdwHeader = dwHeader;
    return found;
}

void CMP3Info::ReverseBytes(BYTE* pBuffer, int nLen) {
    if (pBuffer == nullptr) return;
    for (int i = 0; i < nLen / 2; ++i) {
        BYTE t = pBuffer[i];
        pBuffer[i] = pBuffer[nLen - 1 - i];
        pBuffer[nLen - 1 - i] = t;
        if (!m_bBusy) break;
    }
}

void CMP3Info::DecodeHeader(DWORD dwHeader) {
    using namespace wq::media;
    m_nVersion = VersionFromBits(Bits(dwHeader, 20, 19));
    m_nLayer = LayerFromBits(Bits(dwHeader, 18, 17));
    m_nProtection = static_cast<int>(Bits(dwHeader, 16, 16));

    int bitRate = 0;
    if (m_nLayer > 0) {
        bitRate = BitRateKbps(m_nVersion, m_nLayer, Bits(dwHeader, 15, 12));
        if (bitRate <= 0) bitRate = 0;
    }
    m_nSampleRate = SampleRateHz(m_nVersion, Bits(dwHeader, 11, 10));
    if (m_nSampleRate == 0) return;

    m_nChannelMode = static_cast<int>(Bits(dwHeader, 7, 6));
    m_nCopyright = static_cast<int>(Bits(dwHeader, 3, 3));
    m_nOriginal = static_cast<int>(Bits(dwHeader, 2, 2));
    m_nEmphasis = static_cast<int>(Bits(dwHeader, 1, 0));
    m_nBitRate = bitRate;
    m_dwFlags |= kFlagHeader;
}
