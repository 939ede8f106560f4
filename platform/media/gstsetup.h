// One-time GStreamer initialisation for the media graph.
// Thread: any thread; the first call does the work, the others wait for it.
#pragma once

namespace wq::media {

// Initialises GStreamer once per process and ranks mpg123audiodec above
// avdec_mp3 (about a third less CPU and memory for MP3, S16 output directly).
// Never deinitialises: GStreamer must outlive every pipeline, and one-time
// registry allocations are released by process exit.
void EnsureGstreamer();

}  // namespace wq::media
