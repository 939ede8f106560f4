// The automation interface: what `wqctl tap|drag|screenshot|state` reach in a
// program started with --automation. Bus::EnableAutomation exports it; nothing
// is exported otherwise, so an ordinary run offers no way to inject input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/wintypes.h"

namespace wq::ipc {

// Implemented by the program's window side. Every call runs on the GUI thread.
// `window` names a top-level window of this program ("WQAudio"); an empty name
// means the program's main window.
class AutomationHost {
public:
    virtual ~AutomationHost() = default;

    // A finger tap at window coordinates: pen down and pen up at (x, y), each
    // delivered and handled as real input would be. False when there is no
    // such window.
    virtual bool Tap(std::u16string_view window, POINT at) = 0;

    // Pen down at `from`, pen moves along the straight line, pen up at `to`.
    virtual bool Drag(std::u16string_view window, POINT from, POINT to) = 0;

    // The window's current pixels as a PNG file image; empty when there is no
    // such window.
    virtual std::vector<std::uint8_t> Screenshot(std::u16string_view window) = 0;

    // The window and its children as JSON (see docs/ipc.md for the fields);
    // empty when there is no such window.
    virtual std::string State(std::u16string_view window) = 0;
};

}  // namespace wq::ipc
