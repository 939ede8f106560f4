// The codec's eleven equalizer presets as stored in the settings (section
// "WQEQUALIZER", type 4 values, key base + preset number: "HZ BAND1" + 0 is
// "HZ BAND10"), and the backend that makes CCommon::Set3DControl(0, preset)
// apply a preset to the live audio.
// Thread: GUI thread (settings reads may block briefly on the database).
#pragma once

#include "platform/media/codec.h"

namespace wq::media {

constexpr int kPresetCount = 11;  // NORMAL ROCK POP JAZZ CLASSIC DANCE HEAVY DISCO SOFT LIVE HALL

// Steps of one preset: frequency choice 0..3 and gain step 0..24 (12 = 0 dB)
// per band, wide flags for bands 2-4 (index 1..3), 3D step 0..15.
struct PresetSteps {
    int freq[5];
    int gain[5];
    int wide[5];
    int level3d;
};

// The factory defaults of a preset (0..10); preset 0 for a number outside.
PresetSteps DefaultPresetSteps(int preset);

// The steps stored for `preset`, each item falling back to its default when
// it was never stored or is out of range.
PresetSteps LoadPresetSteps(int preset);

// Physical settings of a set of steps (frequency tables, gain step - 12 dB,
// 3D table in hundredths of a percent).
CodecSettings ToCodecSettings(const PresetSteps& steps);

// Installs the codec backend of the device services, unless one is already
// installed. Called by CoInitializeEx, so a program that initialises COM has a
// real codec; callable again without harm.
void InstallCodecBackend();

}  // namespace wq::media
