// Shared by every test folder: a device root in a fresh temporary folder,
// made current for the test and removed afterwards (permissions restored
// first so removal cannot fail), and small file and shell helpers.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "platform/fs/root.h"

namespace wq::test {

class TempRoot {
public:
    TempRoot() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "wqroot-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        m_path = tmpl;
        wq::fs::SetPathMode(wq::fs::PathMode::Device);
        if (!wq::fs::SetRoot(m_path)) std::abort();
    }
    ~TempRoot() {
        namespace sfs = std::filesystem;
        std::error_code ec;
        for (auto it = sfs::recursive_directory_iterator(
                 m_path, sfs::directory_options::skip_permission_denied, ec);
             it != sfs::recursive_directory_iterator(); it.increment(ec))
            if (!it->is_symlink(ec)) chmod(it->path().c_str(), 0755);
        chmod(m_path.c_str(), 0755);
        sfs::remove_all(m_path, ec);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Host(const std::string& relative) const { return m_path + "/" + relative; }
    // Both create the folders on the way.
    std::string MakeFile(const std::string& relative, const std::string& content = "") const {
        const std::string full = Host(relative);
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << content;
        return full;
    }
    std::string MakeDir(const std::string& relative) const {
        std::filesystem::create_directories(Host(relative));
        return Host(relative);
    }

private:
    std::string m_path;
};

// The whole content of a host file ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell command; true on exit status 0.
inline bool Shell(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

// One second (or `seconds`) of a 440 Hz sine as WAV at `rate` Hz, made by ffmpeg.
inline bool MakeToneWav(const std::string& path, int rate = 44100, int channels = 2,
                        double seconds = 1) {
    return Shell("ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:duration=" +
                 std::to_string(seconds) + ":sample_rate=" + std::to_string(rate) + " -ac " +
                 std::to_string(channels) + " '" + path + "'");
}

// A 24-bit bottom-up BMP of w x h pixels, each given as 0x00RRGGBB.
inline std::string Bmp(int w, int h, const std::function<std::uint32_t(int x, int y)>& pixel) {
    const size_t stride = (size_t(w) * 3 + 3) & ~size_t(3);
    std::string b(54 + stride * size_t(h), '\0');
    auto put = [&b](size_t at, std::uint32_t v, size_t bytes) {
        for (size_t i = 0; i < bytes; ++i) b[at + i] = char(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, std::uint32_t(b.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, std::uint32_t(w), 4);
    put(22, std::uint32_t(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            put(54 + size_t(h - 1 - y) * stride + size_t(x) * 3, pixel(x, y), 3);
    return b;
}

}  // namespace wq::test
