// The media-graph interfaces the player drives, with the published identifiers
// of the framework and its slot order within each interface. The filter graph
// (CLSID_FilterGraph) implements IGraphBuilder, IMediaControl, IMediaSeeking,
// IBasicAudio and IMediaEvent over a GStreamer pipeline; see graph.h for what
// each call guarantees.
//
// Units: media times are 64-bit counts of 100 ns; volumes and balance are in
// hundredths of a decibel (0 full level, -10000 silence).
#pragma once

#include "platform/media/com.h"

using REFERENCE_TIME = LONGLONG;
using OAFilterState = LONG;
using OAEVENT = LONG_PTR;

// {E436EBB3-524F-11CE-9F53-0020AF0BA770}
inline constexpr CLSID CLSID_FilterGraph = {
    0xE436EBB3, 0x524F, 0x11CE, {0x9F, 0x53, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A868A9-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IGraphBuilder = {
    0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A8689F-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IFilterGraph = {
    0x56A8689F, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A868B1-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IMediaControl = {
    0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {36B73880-C2C8-11CF-8B46-00805F6CEF60}
inline constexpr IID IID_IMediaSeeking = {
    0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
// {56A868B3-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IBasicAudio = {
    0x56A868B3, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A868B6-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IMediaEvent = {
    0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
// {56A86895-0AD4-11CE-B03A-0020AF0BA770}
inline constexpr IID IID_IBaseFilter = {
    0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// SetPositions flags.
constexpr DWORD AM_SEEKING_NoPositioning = 0;
constexpr DWORD AM_SEEKING_AbsolutePositioning = 1;
constexpr DWORD AM_SEEKING_RelativePositioning = 2;
constexpr DWORD AM_SEEKING_IncrementalPositioning = 3;
constexpr DWORD AM_SEEKING_PositioningBitsMask = 3;

// Graph states answered by IMediaControl::GetState.
constexpr OAFilterState State_Stopped = 0;
constexpr OAFilterState State_Paused = 1;
constexpr OAFilterState State_Running = 2;

// Event codes of IMediaEvent::GetEvent.
constexpr LONG EC_COMPLETE = 0x01;    // the stream has ended (also after a read error mid-way)
constexpr LONG EC_ERRORABORT = 0x03;  // playback stopped on an error; param1 is the HRESULT
constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
constexpr HRESULT VFW_E_NOT_FOUND = static_cast<HRESULT>(0x80040216);
constexpr HRESULT VFW_E_CANNOT_RENDER = static_cast<HRESULT>(0x80040218);
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = static_cast<HRESULT>(0x80040265);
constexpr HRESULT VFW_E_WRONG_STATE = static_cast<HRESULT>(0x80040227);
constexpr HRESULT VFW_E_TIMEOUT = static_cast<HRESULT>(0x8004022E);

// A filter that can be added to a graph. GetClassID is the IPersist slot.
struct IBaseFilter : IUnknown {
    virtual HRESULT GetClassID(CLSID* pClassID) = 0;

protected:
    ~IBaseFilter() = default;
};

struct IFilterGraph : IUnknown {
    // Holds a reference to the filter until the graph is released or the
    // filter removed. A filter the graph knows (the sound filter) takes part in
    // the next RenderFile; others are kept and ignored.
    virtual HRESULT AddFilter(IBaseFilter* pFilter, LPCWSTR pName) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* pFilter) = 0;

protected:
    ~IFilterGraph() = default;
};

struct IGraphBuilder : IFilterGraph {
    // Builds the pipeline for the device path and prerolls it synchronously.
    // S_OK only when the file can really play; lpwstrPlayList must be null.
    virtual HRESULT RenderFile(LPCWSTR lpwstrFile, LPCWSTR lpwstrPlayList) = 0;

protected:
    ~IGraphBuilder() = default;
};

struct IMediaControl : IUnknown {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG msTimeout, OAFilterState* pfs) = 0;

protected:
    ~IMediaControl() = default;
};

struct IMediaSeeking : IUnknown {
    virtual HRESULT GetDuration(LONGLONG* pDuration) = 0;
    virtual HRESULT GetCurrentPosition(LONGLONG* pCurrent) = 0;
    virtual HRESULT GetStopPosition(LONGLONG* pStop) = 0;
    virtual HRESULT SetPositions(LONGLONG* pCurrent, DWORD dwCurrentFlags, LONGLONG* pStop,
                                 DWORD dwStopFlags) = 0;
    virtual HRESULT SetRate(double dRate) = 0;
    virtual HRESULT GetRate(double* pdRate) = 0;

protected:
    ~IMediaSeeking() = default;
};

struct IBasicAudio : IUnknown {
    virtual HRESULT put_Volume(LONG lVolume) = 0;
    virtual HRESULT get_Volume(LONG* plVolume) = 0;
    virtual HRESULT put_Balance(LONG lBalance) = 0;
    virtual HRESULT get_Balance(LONG* plBalance) = 0;

protected:
    ~IBasicAudio() = default;
};

struct IMediaEvent : IUnknown {
    // Takes the next event, waiting up to msTimeout (0 polls). E_ABORT when
    // none came in time.
    virtual HRESULT GetEvent(LONG* lEventCode, LONG_PTR* lParam1, LONG_PTR* lParam2,
                             LONG msTimeout) = 0;
    virtual HRESULT FreeEventParams(LONG lEventCode, LONG_PTR lParam1, LONG_PTR lParam2) = 0;

protected:
    ~IMediaEvent() = default;
};
