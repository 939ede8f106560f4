// A scratch folder for fuzz targets whose product entry point reads a file:
// made once per process in /dev/shm (memory, so a campaign does not wear the
// disk) or the temporary folder, emptied and removed at exit.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace wq::fuzz {

inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        namespace fs = std::filesystem;
        const fs::path base = fs::is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0
                                  ? fs::path("/dev/shm")
                                  : fs::temp_directory_path();
        std::string tmpl = (base / "wqfuzz-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        static std::string removeAtExit = tmpl;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(removeAtExit, ec);
        });
        return tmpl;
    }();
    return folder;
}

// Writes the bytes to `name` inside the scratch folder and returns its path.
inline std::string WriteScratch(const std::string& name, const std::uint8_t* data,
                                std::size_t size) {
    const std::string path = ScratchFolder() + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) std::abort();
    return path;
}

}  // namespace wq::fuzz
