// One-time GStreamer initialisation for the media graph.
// Thread: any thread; the first call does the work, the others wait for it.
#pragma once

#include <string>

namespace wq::media {

// Initialises GStreamer once per process and ranks mpg123audiodec above
// avdec_mp3 (about a third less CPU and memory for MP3, float output directly).
// Never deinitialises: GStreamer must outlive every pipeline, and one-time
// registry allocations are released by process exit.
void EnsureGstreamer();

// The same initialisation, for the program's start: false with the reason in
// `error` when GStreamer cannot start (its registry cannot be read or made,
// no memory), so the program can end with that line instead of failing at
// the first track.
bool StartGstreamer(std::string* error);

// Starts, on a worker thread, the initialisation and the loading of the
// plugins the first graph needs (type finding, decodebin, the MPEG parser and
// decoder, the effects and the chosen sink), and returns at once. A graph
// built meanwhile waits only for what is still left of that work. Call once,
// after the sink is chosen, from the thread that blocks the termination
// signals (the worker inherits its signal mask). The worker is joined at exit.
void PrepareGstreamer();

// Writes one debug line, the first time only, saying how long the process took
// from its start to the first decoded block reaching the sound filter. Called
// by the sound filter's tap on a streaming thread.
void NoteFirstBlock();

}  // namespace wq::media
