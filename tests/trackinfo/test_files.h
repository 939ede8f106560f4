// Helpers of the track-information tests: files written from bytes on host
// paths, ID3v1 blocks, and MP3s encoded by lame at test time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/base/cstring.h"
#include "platform/base/utf.h"
#include "platform/fs/fileapi.h"
#include "platform/fs/root.h"
#include "tests/support/temp_root.h"
#include "trackinfo/ansi_text.h"
#include "trackinfo/mp3info.h"

namespace wq::trackinfo::test {

using wq::test::Shell;
using namespace std::string_literals;

inline CString Wide(const std::string& utf8) {
    return CString(Utf8ToUtf16(utf8));
}

// Host paths and no open delay; settings restored afterwards.
class HostFiles : public ::testing::Test {
protected:
    void SetUp() override {
        fs::SetPathMode(fs::PathMode::Host);
        SetOpenDelay(0);
    }
    void TearDown() override {
        SetOpenDelay(kDefaultOpenDelayMs);
        SetAnsiCodePage(kDefaultAnsiCodePage);
    }
    int OpenBytes(const std::string& bytes, CMP3Info* info, const std::string& name = "f.mp3") {
        return info->Open(Wide(dir.MakeFile(name, bytes)));
    }
    wq::test::TempRoot dir;
};

// A 128-byte ID3v1 block from raw field bytes (cut or zero-padded to their
// widths); a track > 0 makes it v1.1 (28-byte comment, zero, track byte).
inline std::string Id3v1Tag(const std::string& title, const std::string& artist,
                            const std::string& album = "", const std::string& year = "",
                            const std::string& comment = "", int track = 0, int genre = 255) {
    std::string tag(128, '\0');
    auto put = [&tag](size_t at, size_t width, const std::string& s) {
        tag.replace(at, std::min(width, s.size()), s, 0, width);
    };
    put(0, 3, "TAG");
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, year);
    put(97, track > 0 ? 28 : 30, comment);
    if (track > 0) tag[126] = static_cast<char>(track);
    tag[127] = static_cast<char>(genre);
    return tag;
}

// One second of a 440 Hz stereo sine at 44.1 kHz, encoded by lame.
inline bool MakeMp3(const std::string& path, const std::string& lameArgs) {
    return wq::test::MakeToneWav(path + ".wav") &&
           Shell("lame --quiet " + lameArgs + " '" + path + ".wav' '" + path + "'");
}

}  // namespace wq::trackinfo::test
