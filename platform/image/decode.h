// Picture decoding behind the image library, usable on its own (the skin
// library loads its bitmaps through it too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/surface.h"

namespace wq::image {

// Largest width or height accepted, in pixels.
constexpr int kMaxSide = 8192;
// Largest file read, in bytes (a 8192x8192 24-bit BMP is 192 MiB).
constexpr std::size_t kMaxFileBytes = 256u << 20;

enum class Format { Unknown, Bmp, Jpeg, Png };
// The format from the first bytes of a file.
Format Sniff(const std::uint8_t* data, std::size_t size);

// Each decoder checks the header against kMaxSide and the data size before
// allocating, and reports a one-line reason in *error on failure.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, gdi::Surface* out, std::string* error);
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, gdi::Surface* out, std::string* error);
bool Decode(const std::uint8_t* data, std::size_t size, gdi::Surface* out, std::string* error);

// Reads a whole regular file named by a device path (through the device file
// system). nullopt when it cannot be opened, is not a regular file or exceeds
// kMaxFileBytes.
std::optional<std::vector<std::uint8_t>> ReadDeviceFile(std::u16string_view devicePath,
                                                        std::string* error);

// Reads and decodes the picture at a device path.
bool LoadFile(std::u16string_view devicePath, gdi::Surface* out, std::string* error = nullptr);

}  // namespace wq::image
