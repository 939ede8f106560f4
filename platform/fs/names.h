// Name comparison of the device's file system: natural order and "*"/"?"
// wildcards on UTF-16 names. Both ignore case by the program's one rule
// (platform/base/casefold.h), which also decides whether two path components
// name the same entry. Pure functions; any thread.
#pragma once

#include <string_view>

namespace wq::fs {

// Natural order: case-insensitive, runs of digits compared by value, so "A2"
// sorts before "A10". Names equal under that rule are ordered by fewer leading
// zeros first, then by their raw code units, so the order is total and the
// same on every run. Negative, zero or positive like strcmp.
int NaturalCompare(std::u16string_view a, std::u16string_view b);

// "*" matches any run (also empty), "?" exactly one character, the rest
// case-insensitively. "*.*" matches every name, also one without a dot.
bool MatchesWildcard(std::u16string_view mask, std::u16string_view name);

bool HasWildcard(std::u16string_view mask);

}  // namespace wq::fs
