// What the automation state knows of the skin controls drawn inside a window.
// Buttons and sliders are not windows of their own, so the window system
// cannot list them; the layer that owns a window's skin installs a lister.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/wintypes.h"

namespace wq::ipc {

struct ControlState {
    UINT id = 0;
    std::string kind;        // "button", "slider" or "custom"
    RECT rect{};             // in the window's client coordinates
    std::optional<int> pos;  // sliders
    std::u16string picture;  // buttons: the picture of the normal face
};

// The skin controls of `window` (a top-level window or a child), in drawing
// order; empty when it has none. GUI thread.
using ControlLister = std::function<std::vector<ControlState>(HWND window)>;
void SetControlLister(ControlLister lister);

}  // namespace wq::ipc
