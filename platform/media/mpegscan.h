// The true length of an MPEG audio file (MP3, MP2, MP1; MPEG-1, 2 and 2.5),
// found by walking its frame headers. GStreamer knows nothing at preroll for a
// VBR file without a Xing/Info header or a CBR file without an Info tag, and
// later only guesses from the bit rate; the player needs the exact length from
// the start because it ends a track when the elapsed time reaches it.
//
// Cost: one read when the file carries a frame count; otherwise the file is
// read in 1 MiB windows (never mapped: a file that shrinks or fails while
// mapped would kill the process) and only frame headers are parsed; the read
// dominates, 20-50 ms for 24 MB on this machine. Thread: any.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace wq::media {

struct MpegLength {
    std::int64_t frames = 0;    // audio frames (a Xing/Info/VBRI frame is not audio)
    std::int64_t samples = 0;   // samples per channel in those frames
    int sampleRate = 0;         // Hz, of the first frame
    int encoderDelay = 0;       // from a LAME tag, else 0
    int encoderPadding = 0;     // from a LAME tag, else 0
    bool hasVbrHeader = false;  // a Xing, Info or VBRI frame leads the stream
    // Samples per channel the decoder delivers: the frames' samples less the
    // encoder delay and padding of a LAME tag.
    std::int64_t PlayedSamples() const;
    std::int64_t DurationNs() const;  // PlayedSamples / sampleRate in nanoseconds
};

// Finds the first frame (skipping leading ID3v2 tags; two consecutive matching
// headers accept a start). When it is a Xing/Info/VBRI frame with a frame
// count, that count is the answer (the encoder wrote it; reading 24 MB to
// confirm it would cost more than the whole budget). Otherwise walks every
// frame, resynchronising over garbage the same way, and ignores a trailing
// ID3v1/APE tag and a truncated last frame.
// nullopt when no MPEG audio stream is found or the stream uses free format.
std::optional<MpegLength> ScanMpegFrames(const std::uint8_t* data, std::size_t size);

// The same for a host file (read, never mapped). nullopt for anything that is
// not a readable regular file holding MPEG audio.
std::optional<MpegLength> ScanMpegFile(const std::string& hostPath);

}  // namespace wq::media
