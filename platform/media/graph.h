// The filter graph (CLSID_FilterGraph): IGraphBuilder, IMediaControl,
// IMediaSeeking, IBasicAudio and IMediaEvent of one object over a Pipeline.
//
// Guarantees:
// - RenderFile maps the device path below the device root, accepts regular
//   files only and prerolls synchronously: S_OK only when the file can really
//   play, a failure within the preroll limit (pipeline.h) otherwise. The sound
//   filter added with AddFilter before RenderFile taps the decoded audio.
// - Volume, balance and rate set before RenderFile are applied while the
//   pipeline is built; set later they apply live.
// - A graph with nothing rendered answers every call without harm: controls
//   succeed and do nothing, queries answer 0.
// - The player detects a track's end by position >= duration; at the end of
//   the stream both are equal. IMediaEvent also delivers EC_COMPLETE.
// Thread: calls come from the GUI thread; the object itself is free-threaded
// only as far as reference counting goes.
#pragma once

#include "platform/media/dshow.h"

namespace wq::media {

// Factory of the real filter graph class.
HRESULT CreateFilterGraph(REFIID riid, void** ppv);

}  // namespace wq::media
