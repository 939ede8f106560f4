// Conversions between UTF-8 (the host's file names and terminals) and UTF-16
// (the program's strings). Bytes that are not valid UTF-8 map to the lone
// surrogates U+DC80..U+DCFF and back, so any host file name round-trips.
#pragma once

#include <string>
#include <string_view>

namespace wq {
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);
}  // namespace wq
