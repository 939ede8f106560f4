// What the program needs from the process limits before it starts anything.
// Thread: the main thread, at start, before GLib or GStreamer is touched.
#pragma once

#include <string>

namespace wq::app {

// Raises the soft limits of open files and address space towards their hard
// limits where they are below what the player needs, then checks that enough
// is left: at least kSpareFiles descriptors beyond those already open, and an
// address space of at least kAddressSpaceBytes. Returns false with one line in
// `error` when not, so the program can end with a clear word instead of
// failing later inside a library that aborts when a file or a mapping cannot
// be had.
bool CheckProcessLimits(std::string* error);

// Descriptors the player may need beyond those open at start: the desktop
// bus, the settings stores, the media graph's pipes and file, the display,
// with room to spare. (A release build playing on the bus holds 13 to 16.)
inline constexpr unsigned long kSpareFiles = 64;

// The address space the player needs: the GStreamer graph's threads with
// their stacks and memory arenas, the decoders and the skin pictures. (A
// release build playing a track fails to map memory inside GLib under a
// 400 MB cap and plays under 500 MB; unlimited, it reserves up to 950 MB.)
inline constexpr unsigned long long kAddressSpaceBytes = 600ull << 20;

}  // namespace wq::app
