// CFft: the radix-2 transform behind the spectrum display. It keeps a tape of
// the most recent N input samples (oldest first); CopyIn slides new samples onto
// the tape and lays it out in bit-reversed order, Transform turns that into the
// spectrum, GetIntensity reads one point of it.
//
// All tables (bit reversal, per-pass twiddle factors) are computed once in the
// constructor; CopyIn, Transform, HzToPoint and GetIntensity never allocate.
// Thread: not synchronised. The process-wide instance g_fft is used only on the
// GUI thread (see visual/soundfeed.h).
#pragma once

#include <cstddef>
#include <vector>

#include "visual/complex.h"

class CFft {
public:
    // `points` must be a power of two (this system uses 128); values below 1
    // count as 1. `sampleRate` in Hz, 0 when not yet known.
    CFft(int points, int sampleRate);

    CFft(const CFft&) = delete;
    CFft& operator=(const CFft&) = delete;

    void SetSampleRate(int rate) { m_sampleRate = rate; }

    // Slides `count` signed 16-bit samples onto the end of the tape and lays the
    // tape into the output array in bit-reversed order. A count above N, or
    // below 0, changes nothing.
    void CopyIn(const short* samples, int count);

    // Iterative decimation-in-time transform of the output array, in place.
    void Transform();

    // (points x frequency) / sample rate, truncated toward zero. May lie outside
    // 0..N-1 (high bands at low rates); -1 while the sample rate is 0.
    int HzToPoint(int frequency) const;

    // |output[point]| / sqrt(N). A point outside 0..N-1 has intensity 0, so a band
    // that falls outside the transform reads as silence.
    double GetIntensity(int point) const;

    int Points() const { return m_points; }
    int SampleRate() const { return m_sampleRate; }
    int LogPoints() const { return m_logPoints; }
    double SqrtPoints() const { return m_sqrtPoints; }
    int BitReverse(int i) const { return m_bitReverse[static_cast<std::size_t>(i)]; }
    const CComplex& Output(int i) const { return m_output[static_cast<std::size_t>(i)]; }
    double Tape(int i) const { return m_tape[static_cast<std::size_t>(i)]; }

private:
    int m_points;
    int m_sampleRate;
    int m_logPoints = 0;
    double m_sqrtPoints = 0.0;
    std::vector<int> m_bitReverse;
    std::vector<CComplex> m_output;
    // m_twiddle[l] for pass l = 1..log points (entry 0 unused): N factors each.
    std::vector<std::vector<CComplex>> m_twiddle;
    std::vector<double> m_tape;
};

// The one transform of the process: 128 points, sample rate 0 until the first
// block sets it. Built during static initialisation, before the application
// object starts; its tape is never cleared afterwards.
extern CFft g_fft;
