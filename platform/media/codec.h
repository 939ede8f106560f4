// The sound of the codec: a five-band equalizer and a 3D (stereo widening)
// effect applied to the audio of every graph, the live ones and every one
// built later. Bands 1 and 5 are shelving filters (below and above their
// frequency); bands 2-4 are peaks, one octave wide, or two octaves with the
// wide-band flag. The 3D effect scales the side signal (L-R)/2 by 1 + level.
// Headroom: the graph's level is lowered by the largest boost the settings can
// give (equalizer response estimate and widening), so boosted bands never clip.
// Thread: any; settings are copied under a lock and pushed to live graphs.
#pragma once

#include <functional>

namespace wq::media {

struct CodecBand {
    int freqHz = 1000;
    double gainDb = 0.0;  // -12..+12
    bool wide = false;    // bands 2-4 only
};

struct CodecSettings {
    CodecBand bands[5] = {
        {105, 0, false}, {300, 0, false}, {850, 0, false}, {2400, 0, false}, {6900, 0, false}};
    double widen = 0.0;  // 3D level, 0..1 (1 = side doubled)

    bool IsFlat() const;
};

// Makes `s` the sound of every graph (clamped to the ranges above).
void SetCodecSettings(const CodecSettings& s);
CodecSettings GetCodecSettings();

// Linear gain (<= 1) that keeps the boosts of `s` from clipping a full-scale
// signal.
double HeadroomGain(const CodecSettings& s);

// Estimated equalizer response of `s` in dB at `freqHz` (the basis of the
// headroom).
double EstimatedResponseDb(const CodecSettings& s, double freqHz);

// The widening level every graph's effect reads on its streaming thread.
float CurrentWidening();

namespace detail {
// Live graphs subscribe to settings changes; the listener runs on the caller
// of SetCodecSettings. Returns an id for Unsubscribe.
int SubscribeCodec(std::function<void(const CodecSettings&)> listener);
void UnsubscribeCodec(int id);
}  // namespace detail

}  // namespace wq::media
