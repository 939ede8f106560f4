// Helpers for the track-information tests: a private temporary folder, files
// written from bytes, and media made by the real encoders at test time.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/base/cstring.h"
#include "platform/base/utf.h"
#include "platform/fs/root.h"
#include "trackinfo/ansi_text.h"
#include "trackinfo/mp3info.h"

namespace wq::trackinfo::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder below the system temp dir, removed with its contents.
class TempDir {
public:
    TempDir() {
        m_path = (std::filesystem::temp_directory_path() / "wq-trackinfo-XXXXXX").string();
        EXPECT_NE(mkdtemp(m_path.data()), nullptr);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    const std::string& path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}
inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline CString Wide(const std::string& utf8) { return CString(Utf8ToUtf16(utf8)); }
inline DWORD BigEndianAt(const Bytes& b, size_t at) {
    return DWORD(b[at]) << 24 | DWORD(b[at + 1]) << 16 | DWORD(b[at + 2]) << 8 | b[at + 3];
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
    // Writes `bytes` to a file named `name` and opens it.
    int OpenBytes(const Bytes& bytes, CMP3Info* info, const std::string& name = "f.mp3") {
        WriteBytes(dir.File(name), bytes);
        return info->Open(Wide(dir.File(name)));
    }
    TempDir dir;
};

// A 128-byte ID3v1 block from raw field bytes (cut or zero-padded to their
// widths); a track > 0 makes it v1.1 (28-byte comment, zero, track byte).
inline Bytes Id3v1Tag(const std::string& title, const std::string& artist, const std::string& album = "",
                      const std::string& year = "", const std::string& comment = "", int track = 0, int genre = 255) {
    Bytes tag(128, 0);
    auto put = [&tag](size_t at, size_t width, const std::string& s) {
        for (size_t i = 0; i < width && i < s.size(); ++i) tag[at + i] = static_cast<std::uint8_t>(s[i]);
    };
    put(0, 3, "TAG");
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, year);
    put(97, track > 0 ? 28 : 30, comment);
    tag[126] = static_cast<std::uint8_t>(track > 0 ? track : tag[126]);
    tag[127] = static_cast<std::uint8_t>(genre);
    return tag;
}

inline bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// lame encodes one second of a 440 Hz sine made by ffmpeg at `rate` Hz.
inline bool MakeMp3WithLame(const std::string& path, const std::string& lameArgs, int rate, int channels) {
    std::string wav = path + ".in.wav";
    bool ok = Run("ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=1:sample_rate=" + std::to_string(rate) +
                  " -ac " + std::to_string(channels) + " '" + wav + "'") &&
              Run("lame --quiet " + lameArgs + " '" + wav + "' '" + path + "'");
    std::filesystem::remove(wav);
    return ok;
}

// The first offset (0..10000) of a 4-byte window starting with 11 one-bits; -1 if none.
inline long FirstSyncOffset(const Bytes& b) {
    for (size_t i = 0; i + 4 <= b.size() && i <= 10000; ++i)
        if (b[i] == 0xFF && (b[i + 1] & 0xE0) == 0xE0) return static_cast<long>(i);
    return -1;
}

}  // namespace wq::trackinfo::test
