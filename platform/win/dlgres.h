// Dialog resources kept as data: size in dialog units, styles, caption, font
// and the controls with their ids. CDialog creates its window and (hidden)
// controls from the resource of its id; a skin draws what the user sees.
//
// The window code that owns a resource keeps its table and registers it before
// a dialog is made from it (its constructor does), so each window's control ids
// are written once, beside the handlers that use them.
#pragma once

#include <span>

#include "platform/base/wintypes.h"

namespace wq::win {

struct DialogControl {
    UINT id;
    const char16_t* className;  // "button", "msctls_trackbar32", "listbox"
    const char16_t* caption;
    short x, y, cx, cy;  // dialog units
    DWORD style;
};

struct DialogResource {
    UINT id;
    short cx, cy;  // dialog units
    DWORD style;
    DWORD exStyle;
    const char16_t* caption;
    const char16_t* fontFace;
    int fontPoints;
    std::span<const DialogControl> controls;
};

// Makes `resource` the resource of its id for the rest of the process; the
// table must outlive every dialog made from it (a static table does).
// Registering the same table again changes nothing; another table under an id
// that is taken is refused (false). GUI thread.
bool RegisterDialogResource(const DialogResource& resource);
// The resource registered under this id, or nullptr. GUI thread.
const DialogResource* FindDialogResource(UINT id);

}  // namespace wq::win
