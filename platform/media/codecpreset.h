// The codec's eleven equalizer presets as stored in the settings (section
// "WQEQUALIZER", type 4 values, key base + preset number: "HZ BAND1" + 0 is
// "HZ BAND10"), and the backend that makes CCommon::Set3DControl(0, preset)
// apply a preset to the live audio.
// Thread: GUI thread (settings reads may block briefly on the database).
#pragma once

#include <string>

#include "platform/media/codec.h"

namespace wq::media {

constexpr int kPresetCount = 11;  // NORMAL ROCK POP JAZZ CLASSIC DANCE HEAVY DISCO SOFT LIVE HALL

// Step ranges: frequency choice 0..3, gain 0..24 (12 = 0 dB, stored as 24 -
// step), 3D 0..15.
constexpr int kFrequencySteps = 4;
constexpr int kGainSteps = 25;
constexpr int k3DSteps = 16;

// The fourteen stored items of a preset, by bit position: item i is selected
// by the bit 1 << i and stored under kPresetKeyBases[i] followed by the preset
// number. Items 0-4 are the frequency choices of bands 1-5, 5-9 the gains,
// 10-12 the wide flags of bands 2-4, 13 the 3D step.
constexpr int kPresetItems = 14;
constexpr const char16_t* kPresetKeyBases[kPresetItems] = {
    u"HZ BAND1",       u"HZ BAND2",       u"HZ BAND3",       u"HZ BAND4", u"HZ BAND5",
    u"DB BAND1",       u"DB BAND2",       u"DB BAND3",       u"DB BAND4", u"DB BAND5",
    u"USE WIDE BAND2", u"USE WIDE BAND3", u"USE WIDE BAND4", u"3D BAND",
};
// The settings key of item 0..13 for `preset`: "HZ BAND1" and 10 give
// "HZ BAND110". Empty for an item outside the table.
std::u16string PresetKey(int item, int preset);

// Centre frequency in Hz of band 0..4 at choice 0..3; -1 outside the table.
int BandFrequencyHz(int band, int step);
// The 3D level of step 0..15 in hundredths of a percent (0, 667, 1330, ...,
// 10000); -1 outside the table.
int Level3DHundredths(int step);

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
