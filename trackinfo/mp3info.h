// CMP3Info: what the player shows about a file before it plays it, read from
// the first MPEG audio frame header and the ID3v1 tag at the file's end.
// One object lives for one load; Open may be called again and starts from the
// cleared state each time. The record fields are public, in their fixed
// order, as the loader copies them out directly.
// Thread: Open runs on the caller's thread; another thread may end a running
// search early by clearing m_bBusy (the player never does).
#pragma once

#include <atomic>
#include <span>

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"

class CMP3Info {
public:
    // Flag bits of m_dwFlags.
    static constexpr DWORD kFlagTag = 1;     // an ID3v1 tag was read
    static constexpr DWORD kFlagHeader = 2;  // a frame header with a valid sample rate was decoded

    // The sync search examines the 4-byte windows at offsets 0..kMaxProbes
    // from where it starts (at most kMaxProbes + 1 probes).
    static constexpr int kMaxProbes = 10000;

    // Clears the record; opens strPath when it is not empty. m_bBusy is
    // false afterwards.
    explicit CMP3Info(const CString& strPath = CString());
    virtual ~CMP3Info();
    CMP3Info(const CMP3Info&) = delete;
    CMP3Info& operator=(const CMP3Info&) = delete;

    // 1 when the file could be opened for reading, whatever was found in it;
    // 0 when not (the record then stays cleared and the path is not stored).
    // Waits the open delay (100 ms in the player, see SetOpenDelay) before
    // touching the file.
    int Open(const CString& strPath);

    // Looks for the first 4-byte window whose top 11 bits are all ones,
    // starting nSkip bytes after the current position of hFile and examining
    // kMaxProbes + 1 consecutive offsets; only complete windows count. On
    // success *pdwHeader holds the window read big-endian and the file
    // pointer stands just after it. Stops at once when m_bBusy is false.
    bool FindFrameSync(HANDLE hFile, DWORD* pdwHeader, int nSkip);

    // The search of FindFrameSync over bytes already in memory (FindFrameSync
    // reads the file and calls it): examines the complete 4-byte windows at
    // offsets 0..kMaxProbes of data and returns the offset of the first whose
    // top 11 bits are all ones, or -1. *pdwHeader gets that window read
    // big-endian, or the last window examined when none matched (0 when none
    // was). Stops at once when m_bBusy is false.
    int FindFrameSyncIn(const BYTE* data, DWORD size, DWORD* pdwHeader);

    // Reverses the order of nLen bytes in place; stops after the swap during
    // which m_bBusy is found false. A null buffer or nLen <= 1 does nothing.
    void ReverseBytes(BYTE* pBuffer, int nLen);

    // Fills the record's header fields from a 32-bit header (bit 31 = first
    // bit of the frame); sets kFlagHeader only when the sample rate is valid.
    void DecodeHeader(DWORD dwHeader);

    // Reads the 128-byte ID3v1 (v1.1) tag at the end of hFile into the text,
    // track and genre fields and sets kFlagTag. Any failed move or read
    // means "no tag" and leaves the record unchanged.
    void ReadID3v1(HANDLE hFile);

    // The reading of ReadID3v1 over a file's last kID3v1Size bytes in memory:
    // when they start with "TAG", fills the text, track and genre fields and
    // sets kFlagTag; otherwise leaves the record unchanged.
    static constexpr DWORD kID3v1Size = 128;
    void ReadID3v1Block(std::span<const BYTE, kID3v1Size> block);

    CString GetArtist() const { return m_strArtist; }
    CString GetTitle() const { return m_strTitle; }
    int GetBitRate() const { return m_nBitRate; }
    int GetSampleRate() const { return m_nSampleRate; }

    // Restores the cleared state (construction and the start of every Open).
    void Clear();

    std::atomic<bool> m_bBusy{false};
    CString m_strPath;
    DWORD m_dwFlags = 0;
    CString m_strArtist;
    CString m_strTitle;
    CString m_strAlbum;
    CString m_strComment;
    CString m_strYear;
    int m_nTrack = 0;
    int m_nGenre = 255;
    int m_nVersion = 0;
    int m_nLayer = 0;
    int m_nProtection = 0;
    int m_nBitRate = 0;
    int m_nSampleRate = 0;
    int m_nChannelMode = 0;
    int m_nEmphasis = 0;
    int m_nCopyright = 0;
    int m_nOriginal = 0;
};

namespace wq::trackinfo {

// The wait in milliseconds at the start of every CMP3Info::Open, process-wide.
// The player keeps the default 100 ms; host tools that inspect many files
// (the probe) set 0, which skips the wait entirely.
inline constexpr DWORD kDefaultOpenDelayMs = 100;
void SetOpenDelay(DWORD ms);
DWORD GetOpenDelay();

}  // namespace wq::trackinfo
