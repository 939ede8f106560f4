// The device's sound filter component, "WQASoundFilter": its identifiers, its
// private interface and the record through which the player registers the
// callback that receives every decoded block of audio.
//
// Contract of the callback: it is called on a GStreamer streaming thread, never
// on the GUI thread, once for every decoded block, in play order, each sample of
// the file exactly once (a seek or Stop starts again at the new position). The
// samples are interleaved signed 16-bit PCM in host order; `bytes` is the
// block's length; `fmt` describes the stream (nSamplesPerSec at bytes 4-7). The
// pointers are valid only during the call. A callback must return quickly and
// must never touch windows, change the graph's state or seek: it hands the
// data to the GUI thread (wq::win::PostTask) instead. The block's play time is
// available during the call from wq::media::CurrentBlockTiming (soundtap.h).
#pragma once

#include <cstddef>

#include "platform/media/dshow.h"

#pragma pack(push, 1)
struct WAVEFORMATEX {
    WORD wFormatTag;  // 1: PCM
    WORD nChannels;
    DWORD nSamplesPerSec;  // bytes 4-7
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18 && offsetof(WAVEFORMATEX, nSamplesPerSec) == 4,
              "WAVEFORMATEX keeps the framework's packed layout");
constexpr WORD WAVE_FORMAT_PCM = 1;

// Two machine words in this order; the filter copies both, the record itself
// may live on the caller's stack.
struct SoundCallbackInfo {
    void* context;
    void (*callback)(void* context, short* samples, int bytes, WAVEFORMATEX* fmt);
};

// {6274E85B-968A-4B30-A2B3-50977AA619D2}
inline constexpr CLSID CLSID_WQASoundFilter = {
    0x6274E85B, 0x968A, 0x4B30, {0xA2, 0xB3, 0x50, 0x97, 0x7A, 0xA6, 0x19, 0xD2}};
// {A4C2A0C9-3BBB-4786-AF80-4874C921326B}
inline constexpr IID IID_IWQASoundFilter = {
    0xA4C2A0C9, 0x3BBB, 0x4786, {0xAF, 0x80, 0x48, 0x74, 0xC9, 0x21, 0x32, 0x6B}};

// V-table: the three IUnknown slots, GetSampleCallback, GetStreamFormat, then
// SetSampleCallback in the sixth slot.
struct IWQASoundFilter : IUnknown {
    // Copies the registered record into *pInfo (zeros when none).
    virtual HRESULT GetSampleCallback(SoundCallbackInfo* pInfo) = 0;
    // The format of the stream last delivered; S_FALSE and zeros before the first block.
    virtual HRESULT GetStreamFormat(WAVEFORMATEX* pFormat) = 0;
    // Copies the two words of *pInfo; a null pointer or a null callback removes
    // the registration. Takes effect for the next block (blocks already in a
    // call finish with the previous callback).
    virtual HRESULT SetSampleCallback(SoundCallbackInfo* pInfo) = 0;

protected:
    ~IWQASoundFilter() = default;
};
