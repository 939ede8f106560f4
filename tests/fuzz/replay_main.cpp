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

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::size_t count = 0;
    for (int i = 1; i < argc; ++i) {
        std::vector<fs::path> files;
        if (fs::is_regular_file(argv[i])) files.push_back(argv[i]);
        if (fs::is_directory(argv[i])) {
            for (const auto& entry : fs::recursive_directory_iterator(argv[i]))
                if (entry.is_regular_file() &&
                    entry.path().filename().string().rfind("README", 0) != 0)
                    files.push_back(entry.path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& path : files) {
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
