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

void WriteBmp(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels) {
    const int stride = (width * 3 + 3) & ~3;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(stride * height);
    Bytes out(54 + dataSize, 0);
    auto put32 = [&out](size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, static_cast<std::uint32_t>(out.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
    out[26] = 1;
    out[28] = 24;
    put32(34, dataSize);
    for (int y = 0; y < height; ++y) {
        size_t row = 54 + static_cast<size_t>(stride) * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = pixels[static_cast<size_t>(y * width + x)];
            out[row + 3 * x] = static_cast<std::uint8_t>(p);
            out[row + 3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
            out[row + 3 * x + 2] = static_cast<std::uint8_t>(p >> 16);
        }
    }
    WriteBytes(path, out);
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
