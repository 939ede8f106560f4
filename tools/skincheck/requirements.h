// The ids each of the four windows looks up in its template (the checker's
// table; the tests walk it).
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/skin/template.h"
#include "tools/skincheck/check.h"

namespace skincheck {

// Ids first..last (inclusive) must exist with this kind, each at least `least`
// in size when the window draws that much into it.
struct Need {
    wq::skin::ElementKind kind;
    UINT first;
    UINT last;
    SIZE least{0, 0};
};

struct WindowNeeds {
    Window window;
    std::string_view name;     // as given to --window
    std::u16string_view file;  // template file name, lower case
    SIZE face;                 // the window's size in pixels
    const Need* needs;
    size_t count;
};

const WindowNeeds* NeedsOf(Window w);
const WindowNeeds* AllWindows(size_t* count);

}  // namespace skincheck
