// Where the graph's sound goes. Chosen once per process (the program maps
// --audio-sink and WQ_AUDIO_SINK to SetAudioSink); every graph built later
// uses it.
//   "auto"      the user's sound output (autoaudiosink)
//   "null"      silent, in real time (a clock-synced fakesink)
//   "fast"      silent, as fast as the decoder can go (benchmarks, tests)
//   "wav:FILE"  a virtual sound card: real time, and every track played in
//               this process is appended to ONE WAV file (S16LE stereo 44.1 kHz),
//               whose header is correct after every track and at exit.
// Thread: SetAudioSink and FinishAudioSink on the GUI thread while no graph
// plays; the WAV writing runs on the sink's streaming thread.
#pragma once

#include <string>
#include <string_view>

typedef struct _GstElement GstElement;

namespace wq::media {

enum class SinkKind { Auto, Null, Fast, Wav };

// False (and no change) for a value not in the list above or a WAV file that
// cannot be created. Without any call the environment variable WQ_AUDIO_SINK
// decides, else "auto".
bool SetAudioSink(const std::string& choice);
// Whether `choice` is written as one of the list above ("wav:" needs a file
// name); opens and changes nothing, so a command line can be checked first.
bool IsAudioSinkChoice(std::string_view choice);
SinkKind GetAudioSinkKind();

// Writes the WAV header for what has been captured and closes the file; a
// graph still playing writes nothing more (SetAudioSink("wav:...") starts a
// new capture). Also run at exit.
void FinishAudioSink();

// Number of audio frames (one sample per channel) captured into the WAV file
// by the current capture; 0 for other sinks.
long long CapturedFrames();

namespace detail {
// The tail of a graph from the effects chain on: format conversion and the
// chosen sink, as one bin with a "sink" ghost pad. New reference, or null
// when an element is missing.
GstElement* MakeSinkBin();
// Brings the WAV header up to date with what has been written (end of a track).
void FlushWav();
}  // namespace detail

}  // namespace wq::media
