// Helpers for the track-information tests: a private temporary folder, files
// written from bytes, and media made by the real encoders at test time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/cstring.h"

namespace wq::trackinfo::test {

using Bytes = std::vector<std::uint8_t>;

// A fresh folder below the system temp dir, removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

void WriteBytes(const std::string& path, const Bytes& bytes);
Bytes ReadBytes(const std::string& path);
CString Wide(const std::string& utf8);

// A 128-byte ID3v1 block: "TAG" + fields, each given as raw bytes (cut or
// zero-padded to its width), the v1.1 track byte when track > 0, the genre.
Bytes Id3v1Tag(const std::string& title, const std::string& artist, const std::string& album = "",
               const std::string& year = "", const std::string& comment = "", int track = 0, int genre = 255);

// Writes an uncompressed 24-bit BMP; pixels are 0x00RRGGBB, top row first.
void WriteBmp(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels);

// Runs a shell command; true when it exited with status 0.
bool Run(const std::string& command);

// Makes `path` with lame from a generated sine wave: `lameArgs` choose the
// mode (for example "-b 128 --resample 44.1"). The input WAV is made by
// ffmpeg at `inputRate` Hz with `channels` channels.
bool MakeMp3WithLame(const std::string& path, const std::string& lameArgs, int inputRate, int channels);

// The offset of the first 4-byte window whose top 11 bits are set, within the
// first 10004 bytes; -1 when none.
long FirstSyncOffset(const Bytes& bytes);

}  // namespace wq::trackinfo::test
