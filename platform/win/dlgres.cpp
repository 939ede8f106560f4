// The dialog resources of the player (202), equalizer (230) and pattern (233)
// windows. None of their controls is visible: the skins draw what the user sees
// and send the same ids. Rectangles are in dialog units.
#include "platform/win/dlgres.h"

#include <array>

namespace wq::win {
namespace {

constexpr DWORD kButton = 0x40010000;  // WS_CHILD | WS_TABSTOP
constexpr DWORD kButtonNoTab = 0x40000000;
constexpr const char16_t* kBtn = u"button";
constexpr const char16_t* kTrack = u"msctls_trackbar32";
constexpr const char16_t* kList = u"listbox";

constexpr DialogControl kPlayerControls[] = {
    {2016, kBtn, u"Prev", 14, 86, 29, 14, kButton},
    {2001, kBtn, u"Stop", 50, 86, 29, 14, kButton},
    {2002, kBtn, u"Play/Pause", 86, 86, 29, 14, kButton},
    {2003, kBtn, u"Next", 122, 86, 29, 14, kButton},
    {2004, kBtn, u"Random/Sequence", 158, 86, 29, 14, kButton},
    {2005, kBtn, u"Repeat/Once", 194, 86, 29, 14, kButton},
    {2006, kBtn, u"Equalizer", 230, 86, 29, 14, kButton},
    {2007, kTrack, u"Slider1", 0, 113, 259, 8, 0x40010018},
    {2008, kList, u"", 35, 141, 118, 38, 0x40A10101},
    {2009, kBtn, u"Close", 249, 0, 21, 14, kButton},
    {2012, kList, u"", 157, 141, 27, 38, 0x40A10101},
    {2013, kTrack, u"Slider1", 206, 136, 11, 38, 0x4001001A},
    {2014, kBtn, u"Down", 205, 187, 24, 11, kButton},
    {2015, kBtn, u"Up", 204, 120, 24, 11, kButton},
    {2010, kBtn, u"Set EQ", 87, 50, 33, 16, kButtonNoTab},
    {2011, kBtn, u"NAVI", 127, 50, 33, 16, kButtonNoTab},
    {2042, kBtn, u"MODE", 5, 3, 28, 14, kButton},
};

// The equalizer's buttons, sliders and their ids; the skin places and draws them.
constexpr DialogControl kEqualizerControls[] = {
    {2009, kBtn, u"PWR", 0, 0, 20, 12, kButton},
    {2018, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {2019, kBtn, u">>", 0, 0, 12, 12, kButton},
    {2020, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {2021, kBtn, u">>", 0, 0, 12, 12, kButton},
    {2022, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {2023, kBtn, u">>", 0, 0, 12, 12, kButton},
    {2024, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {2025, kBtn, u">>", 0, 0, 12, 12, kButton},
    {2026, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {2027, kBtn, u">>", 0, 0, 12, 12, kButton},
    {2028, kTrack, u"Slider1", 0, 0, 11, 60, 0x4001001A},
    {2029, kTrack, u"Slider1", 0, 0, 11, 60, 0x4001001A},
    {2030, kTrack, u"Slider1", 0, 0, 11, 60, 0x4001001A},
    {2031, kTrack, u"Slider1", 0, 0, 11, 60, 0x4001001A},
    {2032, kTrack, u"Slider1", 0, 0, 11, 60, 0x4001001A},
    {2034, kBtn, u"V", 0, 0, 12, 12, kButton},
    {2035, kBtn, u"V", 0, 0, 12, 12, kButton},
    {2036, kBtn, u"V", 0, 0, 12, 12, kButton},
    {2038, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {2039, kBtn, u">>", 0, 0, 12, 12, kButton},
    {2040, kBtn, u"RESET", 0, 0, 28, 12, kButton},
    {2044, kBtn, u"MODE", 0, 0, 28, 12, kButton},
    {2049, kBtn, u"PATTERN", 0, 0, 28, 12, kButton},
    {2055, kBtn, u"+", 0, 0, 12, 12, kButton},
    {2056, kBtn, u"-", 0, 0, 12, 12, kButton},
    {2057, kBtn, u"+", 0, 0, 12, 12, kButton},
    {2058, kBtn, u"-", 0, 0, 12, 12, kButton},
    {2059, kBtn, u"+", 0, 0, 12, 12, kButton},
    {2060, kBtn, u"-", 0, 0, 12, 12, kButton},
    {2061, kBtn, u"+", 0, 0, 12, 12, kButton},
    {2062, kBtn, u"-", 0, 0, 12, 12, kButton},
    {2063, kBtn, u"+", 0, 0, 12, 12, kButton},
    {2064, kBtn, u"-", 0, 0, 12, 12, kButton},
};

constexpr DialogControl kPatternControls[] = {
    {2051, kBtn, u"BASIC", 0, 0, 40, 14, kButton},
    {2052, kBtn, u"SYMMETRIC", 0, 0, 40, 14, kButton},
    {2053, kBtn, u"WAVE", 0, 0, 40, 14, kButton},
    {2047, kBtn, u"DEFAULT", 0, 0, 40, 14, kButton},
    {2048, kBtn, u"EQ", 0, 0, 40, 14, kButton},
    {2050, kBtn, u"EXIT", 0, 0, 40, 14, kButton},
    {2054, kBtn, u"mode", 0, 0, 40, 14, kButton},
};

// Pop-up, visible, font "System" 8. The player and the equalizer move
// themselves to 480 x 234 pixels in OnInitDialog; the pattern window keeps its
// resource size, 320 x 144 dialog units (480 x 234 pixels at 6 x 13 base units).
constexpr DWORD kPopupVisible = 0x90000040;  // WS_POPUP | WS_VISIBLE | DS_SETFONT
constexpr DWORD kExStyle = 0x80040000;

constexpr std::array<DialogResource, 4> kResources = {{
    {IDD_WQAUDIO_DIALOG, 278, 198, kPopupVisible, kExStyle, u"", u"System", 8, kPlayerControls},
    {IDD_WQEQUALIZER_DIALOG, 320, 144, kPopupVisible, kExStyle, u"", u"System", 8,
     kEqualizerControls},
    {IDD_WQPATTERN_DIALOG, 320, 144, kPopupVisible, kExStyle, u"", u"System", 8, kPatternControls},
    // The device's message box: a caption-less pop-up that sizes itself.
    {IDD_WQMESSAGE_DIALOG, 200, 72, kPopupVisible, kExStyle, u"WQMessage", u"System", 8, {}},
}};

}  // namespace

const DialogResource* FindDialogResource(UINT id) {
    for (const DialogResource& r : kResources) {
        if (r.id == id) return &r;
    }
    return nullptr;
}

std::span<const DialogResource> DialogResources() {
    return kResources;
}

}  // namespace wq::win
