// Runs a fuzz target's LLVMFuzzerTestOneInput over files and folders of
// inputs without libFuzzer, so the normal sanitizer build replays every
// committed corpus in the test run. Folders are walked recursively in name
// order; README files are skipped. Fails when no input was found, so a
// missing corpus cannot pass silently.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::vector<std::filesystem::path> Inputs(const std::filesystem::path& arg) {
    namespace fs = std::filesystem;
    std::vector<fs::path> files;
    if (fs::is_directory(arg)) {
        for (const auto& entry : fs::recursive_directory_iterator(arg)) {
            if (entry.is_regular_file() && entry.path().filename().string().rfind("README", 0) != 0)
                files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
    } else if (fs::is_regular_file(arg)) {
        files.push_back(arg);
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        for (const auto& path : Inputs(argv[i])) {
            std::ifstream in(path, std::ios::binary);
            const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
            // An empty vector's data() may be null; libFuzzer never passes null.
            static const std::uint8_t kNothing = 0;
            const auto* data =
                bytes.empty() ? &kNothing : reinterpret_cast<const std::uint8_t*>(bytes.data());
            LLVMFuzzerTestOneInput(data, bytes.size());
            ++count;
        }
    }
    if (count == 0) {
        std::fprintf(stderr, "no inputs found in the arguments\n");
        return 1;
    }
    std::printf("%zu inputs replayed\n", count);
    return 0;
}
