// The automation interface over the window system (see automation.h): taps
// and drags become queued pen input handled at once, screenshots come from
// the window's surface, state walks the window tree. GUI thread.
#pragma once

#include "platform/ipc/automation.h"

namespace wq::ipc {

class WinAutomation : public AutomationHost {
public:
    bool Tap(std::u16string_view window, POINT at) override;
    bool Drag(std::u16string_view window, POINT from, POINT to) override;
    std::vector<std::uint8_t> Screenshot(std::u16string_view window) override;
    std::string State(std::u16string_view window) override;
};

// A top-level window of this program by name (case-insensitive, whole name;
// empty: the topmost one), or NULL.
HWND LocalTopLevel(std::u16string_view name);

}  // namespace wq::ipc
