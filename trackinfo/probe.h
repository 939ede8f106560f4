// The probe: "wqaudio --probe [--codepage NAME] FILE..." runs the player's own
// CMP3Info on plain host files and prints, per file, one JSON object on one
// line with the keys path, open, flags, title, artist, album, year, comment,
// track, genre, version, layer, protection, bitrate, samplerate,
// channel_mode, emphasis, copyright, original. Text is UTF-8; bytes that are
// neither valid UTF-8 (paths) nor valid in the code page (tag text) appear as
// the escapes \udc80..\udcff, which Python's "surrogateescape" turns back into
// the original bytes.
#pragma once

#include <string>
#include <string_view>

namespace wq::trackinfo {

// argv is the program's whole argument vector; the probe's own options and
// files are what follows "--probe" (or argv[1] on when there is none, as in
// the stand-alone wqprobe tool); "--" ends the options. Files are opened
// without the player's 100 ms open delay. Returns 0 when every file could be
// opened, 1 when one or more could not, 2 for a usage error (no file, an
// unknown option or an unknown code page). Thread: the main thread, before
// the player starts (it switches the file calls to host paths).
int RunProbe(int argc, char** argv);

// The JSON string literal (with its quotes) for UTF-16 text: quote,
// backslash and every control character escaped, other characters as UTF-8,
// unpaired surrogates as \uXXXX escapes.
std::string JsonQuote(std::u16string_view text);

}  // namespace wq::trackinfo
