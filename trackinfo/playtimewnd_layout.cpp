#include "trackinfo/playtimewnd_layout.h"

namespace wq::trackinfo {
namespace {

// Which number a glyph shows.
enum class Field { ElapsedMinutes, ElapsedSeconds, TotalMinutes, TotalSeconds, None };
enum class Place { Tens, Units, None };

struct Slot {
    int x;
    TimeGlyph glyph;
    Field field;
    Place place;
};

constexpr std::array<Slot, 11> kSlots = {{
    {0, TimeGlyph::Digit, Field::ElapsedMinutes, Place::Tens},
    {5, TimeGlyph::Digit, Field::ElapsedMinutes, Place::Units},
    {12, TimeGlyph::Colon, Field::None, Place::None},
    {15, TimeGlyph::Digit, Field::ElapsedSeconds, Place::Tens},
    {20, TimeGlyph::Digit, Field::ElapsedSeconds, Place::Units},
    {23, TimeGlyph::Slash, Field::None, Place::None},
    {30, TimeGlyph::Digit, Field::TotalMinutes, Place::Tens},
    {35, TimeGlyph::Digit, Field::TotalMinutes, Place::Units},
    {42, TimeGlyph::Colon, Field::None, Place::None},
    {46, TimeGlyph::Digit, Field::TotalSeconds, Place::Tens},
    {51, TimeGlyph::Digit, Field::TotalSeconds, Place::Units},
}};

DWORD ShownMinutes(CTimeSpan t) {
    DWORD s = static_cast<DWORD>(t.GetTotalSeconds());
    return s / 60 - 60 * (s / 3600);
}
DWORD ShownSeconds(CTimeSpan t) {
    DWORD s = static_cast<DWORD>(t.GetTotalSeconds());
    return s - 60 * (s / 60);
}

}  // namespace

std::array<PlacedGlyph, 11> LayOutTimes(CTimeSpan elapsed, CTimeSpan total) {
    const DWORD values[] = {ShownMinutes(elapsed), ShownSeconds(elapsed), ShownMinutes(total),
                            ShownSeconds(total), 0};
    std::array<PlacedGlyph, 11> out{};
    for (size_t i = 0; i < kSlots.size(); ++i) {
        const Slot& s = kSlots[i];
        DWORD v = values[static_cast<int>(s.field)];
        int digit = s.place == Place::Tens    ? static_cast<int>((v / 10) % 10)
                    : s.place == Place::Units ? static_cast<int>(v % 10)
                                              : 0;
        out[i] = {s.x, s.glyph, digit};
    }
    return out;
}

}  // namespace wq::trackinfo
