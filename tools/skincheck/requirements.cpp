// The controls each window finds in its template by id, with their kinds.
#include "tools/skincheck/requirements.h"

namespace skincheck {

namespace {
using wq::skin::ElementKind;

constexpr Need kPlayer[] = {
    {ElementKind::Button, 2016, 2016},
    {ElementKind::Button, 2001, 2006},
    {ElementKind::Button, 2009, 2011},
    {ElementKind::Button, 2014, 2015},
    {ElementKind::Button, 2042, 2042},
    {ElementKind::Slider, 2007, 2007},
    {ElementKind::Slider, 2013, 2013},
    {ElementKind::List, 2008, 2008},
    {ElementKind::Custom, 2100, 2102},
    {ElementKind::Custom, 2104, 2104},
    {ElementKind::Custom, 3111, 3111},
    // The spectrum: twelve bands 14 (WAVE: 15) pixels apart, WAVE's columns
    // reaching down to row 99.
    {ElementKind::Custom, 2103, 2103, {179, 100}},
};
constexpr Need kEqualizer[] = {
    {ElementKind::Button, 2009, 2009}, {ElementKind::Button, 2018, 2027},
    {ElementKind::Slider, 2028, 2032}, {ElementKind::Button, 2034, 2036},
    {ElementKind::Button, 2038, 2040}, {ElementKind::Button, 2044, 2044},
    {ElementKind::Button, 2049, 2049}, {ElementKind::Button, 2055, 2064},
    {ElementKind::Custom, 2201, 2211},
};
constexpr Need kPattern[] = {
    {ElementKind::Button, 2047, 2048},
    {ElementKind::Button, 2050, 2054},
};

constexpr WindowNeeds kWindows[] = {
    {Window::Player, "player", u"wqaudio.tpl", {480, 234}, kPlayer, std::size(kPlayer)},
    {Window::Equalizer,
     "equalizer",
     u"wqequalizer.tpl",
     {480, 234},
     kEqualizer,
     std::size(kEqualizer)},
    {Window::Pattern, "pattern", u"wqpattern.tpl", {480, 234}, kPattern, std::size(kPattern)},
    {Window::Taskbar, "taskbar", u"taskbar.tpl", {65, 18}, nullptr, 0},
};
}  // namespace

const WindowNeeds* NeedsOf(Window w) {
    for (const WindowNeeds& n : kWindows) {
        if (n.window == w) return &n;
    }
    return nullptr;
}

const WindowNeeds* AllWindows(size_t* count) {
    *count = std::size(kWindows);
    return kWindows;
}

}  // namespace skincheck
