// Name comparison of the device's file system: case-insensitive matching,
// natural order and "*"/"?" wildcards, all on UTF-16 names.
// Pure functions; any thread.
#pragma once

#include <string_view>

namespace wq::fs {

// Simple case folding for ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic; other characters (Hangul has no case) fold to themselves.
char16_t FoldCase(char16_t c);

bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

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
