// Where CPlayTimeWnd draws: "mm:ss/mm:ss" from skin glyphs, all at y = 2.
// Pure data and arithmetic, shared by the window and its tests.
#pragma once

#include <array>

#include "trackinfo/timespan.h"

namespace wq::trackinfo {

inline constexpr int kTimeGlyphY = 2;
inline constexpr int kDigitWidth = 5;  // glyph d of the strip starts at x = 5 * d
inline constexpr int kDigitHeight = 6;

enum class TimeGlyph { Digit, Colon, Slash };

struct PlacedGlyph {
    int x;
    TimeGlyph glyph;
    int digit;  // 0..9 for TimeGlyph::Digit, else 0
};

// The eleven glyphs of elapsed/total. Minutes are the whole minutes less the
// whole hours (hours are not shown: 3725 s reads 02:05); every division is
// unsigned on the 32-bit second count.
std::array<PlacedGlyph, 11> LayOutTimes(CTimeSpan elapsed, CTimeSpan total);

}  // namespace wq::trackinfo
