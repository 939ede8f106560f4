// The dialog resources of the player's windows, kept as data: size in dialog
// units, styles, caption, font and the controls with their ids. CDialog creates
// its window and (hidden) controls from these; the skin draws what the user sees.
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

// The resource with this id, or nullptr.
const DialogResource* FindDialogResource(UINT id);
std::span<const DialogResource> DialogResources();

// Resource ids.
constexpr UINT IDD_WQAUDIO_DIALOG = 202;
constexpr UINT IDD_WQEQUALIZER_DIALOG = 230;
constexpr UINT IDD_WQPATTERN_DIALOG = 233;
constexpr UINT IDD_WQMESSAGE_DIALOG = 101;

}  // namespace wq::win
