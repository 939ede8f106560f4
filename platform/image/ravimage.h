// The image library the player's skins draw through: load a BMP, JPEG or PNG
// picture from a device path, report its size, draw it scaled into a device
// context and release it.
//
// Guarantees:
// - A picture is checked before it is decoded: a header claiming more than
//   8192 pixels on a side, or more pixel bytes than the file holds, is refused
//   before any pixel memory is allocated. Truncated or corrupt files fail
//   cleanly (handle 0), never crash.
// - Only regular files are opened (a FIFO or folder named like a picture fails
//   at once, without blocking).
// - Handles are numbers looked up in a table: a released or made-up handle is
//   refused, never dereferenced.
// Thread: any thread; the handle table is locked. Drawing follows the rules of
// the target DC (GUI thread).
#pragma once

#include <cstdint>

#include "platform/base/wintypes.h"

// A decoded picture; 0 means none.
using HRAVIMAGE = std::uintptr_t;

// Bracket the library's use; both may be called more than once. Pictures still
// held at UnInitialize are released.
BOOL ravimage_InitialImageLibrary();
BOOL ravimage_UnInitializeImageLibrary();
// Decodes the file at a device path. Flags are accepted and ignored (0 in the
// player). Returns a non-zero handle, or 0 when the file is missing, not a
// regular file, of an unknown format, too large or malformed.
HRAVIMAGE ravimage_LoadImage(LPCWSTR path, DWORD flags);
// FALSE (and both outputs left alone) for an unknown handle.
BOOL ravimage_GetImageSize(HRAVIMAGE image, int* width, int* height);
// Draws the whole picture scaled (nearest neighbour) onto dest in hdc's logical
// coordinates. FALSE for an unknown handle or DC.
BOOL ravimage_DrawImage(HRAVIMAGE image, HDC hdc, RECT dest);
// Frees the picture; FALSE for an unknown handle.
BOOL ravimage_ReleaseImage(HRAVIMAGE image);
