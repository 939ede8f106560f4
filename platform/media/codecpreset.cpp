#include "platform/media/codecpreset.h"

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

bool ReadStep(const std::u16string& base, int preset, DWORD* value) {
    const std::u16string key = base + [&] {
        std::u16string n;
        for (char c : std::to_string(preset)) n += static_cast<char16_t>(c);
        return n;
    }();
    DWORD v = 0;
    if (!CCommon::ReadINIFile(u"WQEQUALIZER", key.c_str(), REG_DWORD, &v)) return false;
    *value = v;
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

PresetSteps LoadPresetSteps(int preset) {
    PresetSteps s = DefaultPresetSteps(preset);
    for (int b = 0; b < 5; ++b) {
        const std::u16string n(1, static_cast<char16_t>(u'1' + b));
        DWORD v = 0;
        // Stored values are signed 32-bit; anything outside its range keeps the default.
        if (ReadStep(u"HZ BAND" + n, preset, &v) && static_cast<int>(v) >= 0 &&
            static_cast<int>(v) < 4)
            s.freq[b] = static_cast<int>(v);
        if (ReadStep(u"DB BAND" + n, preset, &v) && static_cast<int>(v) >= 0 &&
            static_cast<int>(v) <= 24)
            s.gain[b] = 24 - static_cast<int>(v);
        if (b >= 1 && b <= 3 && ReadStep(u"USE WIDE BAND" + n, preset, &v)) s.wide[b] = v != 0;
    }
    DWORD v = 0;
    if (ReadStep(u"3D BAND", preset, &v) && static_cast<int>(v) >= 0 && static_cast<int>(v) < 16)
        s.level3d = static_cast<int>(v);
    return s;
}

CodecSettings ToCodecSettings(const PresetSteps& steps) {
    CodecSettings c;
    for (int b = 0; b < 5; ++b) {
        const int f = steps.freq[b] >= 0 && steps.freq[b] < 4 ? steps.freq[b] : 1;
        c.bands[b].freqHz = kFreqHz[b][f];
        c.bands[b].gainDb = steps.gain[b] - 12;
        c.bands[b].wide = b >= 1 && b <= 3 && steps.wide[b] != 0;
    }
    const int l = steps.level3d >= 0 && steps.level3d < 16 ? steps.level3d : 0;
    c.widen = k3D[l] / 10000.0;
    return c;
}

void InstallCodecBackend() {
    auto previous = wq::device::SetCodecBackend(std::make_shared<Codec>());
    if (previous)
        wq::device::SetCodecBackend(previous);  // keep one installed by the program or a test
}

}  // namespace wq::media
