// Shared by every test folder: a device root in a fresh temporary folder,
// made current for the test and removed afterwards (permissions restored
// first so removal cannot fail), and small file and shell helpers.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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
        for (auto it = sfs::recursive_directory_iterator(m_path, sfs::directory_options::skip_permission_denied, ec);
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
inline bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// One second (or `seconds`) of a 440 Hz sine as WAV at `rate` Hz, made by ffmpeg.
inline bool MakeToneWav(const std::string& path, int rate = 44100, int channels = 2, double seconds = 1) {
    return Shell("ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:duration=" + std::to_string(seconds) +
                 ":sample_rate=" + std::to_string(rate) + " -ac " + std::to_string(channels) + " '" + path + "'");
}

}  // namespace wq::test
