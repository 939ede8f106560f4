#include "tests/trackinfo/test_files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/base/utf.h"

namespace wq::trackinfo::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "wq-trackinfo-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    m_path = made ? made : "";
}

TempDir::~TempDir() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CString Wide(const std::string& utf8) { return CString(Utf8ToUtf16(utf8)); }

Bytes Id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
               const std::string& year, const std::string& comment, int track, int genre) {
    Bytes tag(128, 0);
    tag[0] = 'T';
    tag[1] = 'A';
    tag[2] = 'G';
    auto put = [&tag](size_t offset, size_t width, const std::string& s) {
        for (size_t i = 0; i < width && i < s.size(); ++i) tag[offset + i] = static_cast<std::uint8_t>(s[i]);
    };
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, year);
    put(97, track > 0 ? 28 : 30, comment);
    if (track > 0) tag[126] = static_cast<std::uint8_t>(track);
    tag[127] = static_cast<std::uint8_t>(genre);
    return tag;
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

bool MakeMp3WithLame(const std::string& path, const std::string& lameArgs, int inputRate, int channels) {
    std::string wav = path + ".in.wav";
    bool ok = Run("ffmpeg -v error -y -f lavfi -i 'sine=frequency=440:duration=1:sample_rate=" +
                  std::to_string(inputRate) + "' -ac " + std::to_string(channels) + " '" + wav + "'") &&
              Run("lame --quiet " + lameArgs + " '" + wav + "' '" + path + "'");
    std::error_code ec;
    std::filesystem::remove(wav, ec);
    return ok;
}

long FirstSyncOffset(const Bytes& bytes) {
    for (size_t i = 0; i + 4 <= bytes.size() && i <= 10000; ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] & 0xE0) == 0xE0) return static_cast<long>(i);
    }
    return -1;
}

}  // namespace wq::trackinfo::test
