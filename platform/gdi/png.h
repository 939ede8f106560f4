// PNG decoding from memory, shared by LoadPng and the image library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/gdi/surface.h"

namespace wq::gdi {

// Decodes a PNG held in memory into 0x00RRGGBB pixels (alpha is dropped,
// palettes, grey and 16-bit samples are expanded). A picture wider or higher
// than maxSide is refused from its header, before any pixel memory is
// allocated. False with a one-line reason in *error for anything malformed.
bool DecodePng(const std::uint8_t* data, std::size_t size, Surface* out, int maxSide,
               std::string* error);

}  // namespace wq::gdi
