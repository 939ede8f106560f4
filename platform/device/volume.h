// The device's volume levels: twelve steps, 0 (silent) to 11 (full), shared by
// the status strip, the volume pop-up and the settings ("WQSETUP" "Volume"),
// and the output attenuation the device-services calls take for each level:
// CCommon::SetOutVolume drives the loudspeaker, CCommon::SetEarOutVolume the
// headphone. Smaller values are louder; 0 is full volume.
//
// On the desktop both tables mean the same thing: the level of the table
// index, applied to the sound server's default output as level / 11 of its
// full volume (platform/device/soundserver.h).
#pragma once

#include <cmath>
#include <cstdint>

#include "platform/base/wintypes.h"

namespace wq::device {

constexpr int kVolumeLevels = 12;
constexpr int kMaxVolumeLevel = kVolumeLevels - 1;

inline constexpr DWORD kOutVolume[kVolumeLevels] = {7967, 7196, 6425, 5397, 4369, 3598,
                                                    2570, 2056, 1542, 1028, 514,  0};
inline constexpr DWORD kEarOutVolume[kVolumeLevels] = {7967, 7196, 6425, 5911, 5140, 4369,
                                                       3855, 3084, 2313, 1799, 1028, 514};

// A stored level, read as the signed 32-bit number it is stored as, limited
// to 0..11: -1 (and 0xFFFFFFFF, which is -1) gives 0, 12 and more give 11.
constexpr int ClampLevel(std::int64_t level) {
    return level < 0 ? 0 : level > kMaxVolumeLevel ? kMaxVolumeLevel : static_cast<int>(level);
}
constexpr int ClampStoredLevel(DWORD stored) {
    return ClampLevel(static_cast<std::int32_t>(stored));
}

// The level whose entry in `table` is nearest to `value`; the lower level
// wins a tie (level 0 for 7967, which both tables start with).
constexpr int NearestLevel(const DWORD (&table)[kVolumeLevels], DWORD value) {
    int best = 0;
    for (int level = 1; level < kVolumeLevels; ++level) {
        const auto distance = [&](int l) {
            return table[l] > value ? table[l] - value : value - table[l];
        };
        if (distance(level) < distance(best)) best = level;
    }
    return best;
}

// Full volume = 1.0. The nearest level, round(fraction x 11), limited to 0..11.
inline int LevelOfFraction(double fraction) {
    if (!(fraction > 0)) return 0;  // also NaN
    return ClampLevel(std::llround(std::fmin(fraction, 2.0) * kMaxVolumeLevel));
}
constexpr double FractionOfLevel(int level) {
    return static_cast<double>(ClampLevel(level)) / kMaxVolumeLevel;
}

}  // namespace wq::device
