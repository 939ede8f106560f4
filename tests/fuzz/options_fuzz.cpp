// The wqaudio command line over any arguments (the input split at zero bytes):
// one-line errors, and whatever is kept is an argument as given or a checked value.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "app/options.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args{"wqaudio"};
    const std::string input(reinterpret_cast<const char*>(data), size);
    for (std::size_t at = 0; at <= input.size() && args.size() <= 64;) {
        const std::size_t end = std::min(input.find('\0', at), input.size());
        args.push_back(input.substr(at, end - at));
        at = end + 1;
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    const auto opt = wq::app::ParseOptions(static_cast<int>(args.size()), argv.data());
    auto given = [&](const std::string& s) {
        return std::find(args.begin() + 1, args.end(), s) != args.end();
    };
    for (const char c : opt.error)
        WQ_FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
    WQ_FUZZ_CHECK(opt.probe || opt.probeArgs.empty());
    for (const auto& f : opt.probeArgs) WQ_FUZZ_CHECK(given(f));
    if (!opt.error.empty()) return 0;
    WQ_FUZZ_CHECK(opt.scale >= wq::display::kMinScale && opt.scale <= wq::display::kMaxScale);
    if (!opt.file.empty()) {
        WQ_FUZZ_CHECK(given(opt.file));
        WQ_FUZZ_CHECK(opt.file == "-" || opt.file[0] != '-' || given("--"));
    }
    return 0;
}
