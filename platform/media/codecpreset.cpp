#include "platform/media/codecpreset.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/device/common.h"
#include "platform/device/hooks.h"

namespace wq::media {
namespace {

constexpr int kFreqHz[5][4] = {
    {80, 105, 135, 175},      {230, 300, 385, 500},      {650, 850, 1100, 1400},
    {1800, 2400, 3200, 4100}, {5300, 6900, 9000, 11700},
};
// 3D level by step, hundredths of a percent.
constexpr int k3D[16] = {0,    667,  1330, 2000, 2670, 3330, 4000, 4660,
                         5330, 6000, 6670, 7330, 8000, 8670, 9330, 10000};

constexpr PresetSteps kDefaults[kPresetCount] = {
    {{1, 1, 1, 1, 1}, {12, 12, 12, 12, 12}, {0, 0, 0, 0, 0}, 0},  // NORMAL
    {{1, 1, 1, 1, 1}, {9, 15, 12, 7, 6}, {0, 0, 0, 0, 0}, 3},     // ROCK
    {{1, 1, 1, 1, 1}, {8, 6, 12, 12, 12}, {0, 1, 1, 0, 0}, 5},    // POP
    {{1, 1, 1, 1, 1}, {6, 14, 10, 1, 9}, {0, 1, 0, 1, 0}, 2},     // JAZZ
    {{1, 1, 1, 1, 1}, {12, 12, 12, 15, 18}, {0, 0, 1, 1, 0}, 3},  // CLASSIC
    {{1, 1, 1, 1, 1}, {6, 8, 13, 18, 12}, {0, 1, 0, 0, 0}, 6},    // DANCE
    {{1, 1, 1, 1, 1}, {6, 12, 8, 5, 4}, {0, 0, 1, 1, 0}, 0},      // HEAVY
    {{1, 1, 1, 1, 1}, {11, 8, 6, 10, 12}, {0, 1, 0, 1, 0}, 0},    // DISCO
    {{1, 1, 1, 1, 1}, {9, 13, 8, 3, 1}, {0, 1, 0, 0, 0}, 0},      // SOFT
    {{1, 1, 1, 1, 1}, {11, 9, 7, 7, 12}, {0, 0, 0, 0, 0}, 4},     // LIVE
    {{2, 1, 1, 2, 2}, {2, 8, 12, 8, 4}, {0, 1, 0, 1, 0}, 12},     // HALL
};

// The stored value of item 0..13 of `preset` when it lies in [low, high].
bool ReadStep(int item, int preset, int low, int high, int* value) {
    DWORD v = 0;
    if (!CCommon::ReadINIFile(u"WQEQUALIZER", PresetKey(item, preset).c_str(), REG_DWORD, &v))
        return false;
    // Stored values are signed 32-bit.
    const int n = static_cast<int>(v);
    if (n < low || n > high) return false;
    *value = n;
    return true;
}

class Codec final : public wq::device::CodecBackend {
public:
    bool Apply3DControl(int control, int preset) override {
        if (control != 0 || preset < 0 || preset >= kPresetCount) return false;
        SetCodecSettings(ToCodecSettings(LoadPresetSteps(preset)));
        return true;
    }
};

}  // namespace

PresetSteps DefaultPresetSteps(int preset) {
    return kDefaults[(preset >= 0 && preset < kPresetCount) ? preset : 0];
}

std::u16string PresetKey(int item, int preset) {
    if (item < 0 || item >= kPresetItems) return {};
    std::u16string key = kPresetKeyBases[item];
    for (char c : std::to_string(preset)) key += static_cast<char16_t>(c);
    return key;
}

int BandFrequencyHz(int band, int step) {
    if (band < 0 || band >= 5 || step < 0 || step >= kFrequencySteps) return -1;
    return kFreqHz[band][step];
}

int Level3DHundredths(int step) {
    return step >= 0 && step < k3DSteps ? k3D[step] : -1;
}

PresetSteps LoadPresetSteps(int preset) {
    PresetSteps s = DefaultPresetSteps(preset);
    // Anything stored outside its range keeps the default.
    int v = 0;
    for (int b = 0; b < 5; ++b) {
        if (ReadStep(b, preset, 0, kFrequencySteps - 1, &v)) s.freq[b] = v;
        if (ReadStep(5 + b, preset, 0, kGainSteps - 1, &v)) s.gain[b] = kGainSteps - 1 - v;
        if (b >= 1 && b <= 3 && ReadStep(9 + b, preset, INT32_MIN, INT32_MAX, &v))
            s.wide[b] = v != 0;
    }
    if (ReadStep(13, preset, 0, k3DSteps - 1, &v)) s.level3d = v;
    return s;
}

CodecSettings ToCodecSettings(const PresetSteps& steps) {
    CodecSettings c;
    for (int b = 0; b < 5; ++b) {
        const int hz = BandFrequencyHz(b, steps.freq[b]);
        c.bands[b].freqHz = hz > 0 ? hz : kFreqHz[b][1];
        c.bands[b].gainDb = steps.gain[b] - 12;
        c.bands[b].wide = b >= 1 && b <= 3 && steps.wide[b] != 0;
    }
    c.widen = std::max(Level3DHundredths(steps.level3d), 0) / 10000.0;
    return c;
}

void InstallCodecBackend() {
    auto previous = wq::device::SetCodecBackend(std::make_shared<Codec>());
    if (previous)
        wq::device::SetCodecBackend(previous);  // keep one installed by the program or a test
}

}  // namespace wq::media
