// A separate program that uses the settings store (section WQAUDIO), so tests
// can check what one process writes against what another reads, and kill a
// writer mid-loop.
//   settings_helper DB read KEY          prints "number N", "string S" or "absent"
//   settings_helper DB write KEY N       exit 0 when stored
//   settings_helper DB burst PREFIX N    writes PREFIX0..PREFIX<N-1> = index
//   settings_helper DB count KEY         writes 1, 2, 3... forever, printing each
//                                        value once it is stored
//   settings_helper DB keep KEY N        writes N; prints "stored N" or, when the
//                                        file cannot take it, "kept N" if this
//                                        program still reads N back
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/base/cstring.h"
#include "platform/device/common.h"
#include "platform/device/hooks.h"

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    wq::device::SetSettingsPath(argv[1]);
    const std::string cmd = argv[2], key = argv[3];
    const DWORD n = argc > 4 ? static_cast<DWORD>(std::stoul(argv[4])) : 0;
    // Writes return at once; "stored" means the writer thread has put it in the file.
    auto stored = [] { return wq::device::FlushSettings(5000); };
    auto store = [&](const std::string& k, DWORD v) {
        return CCommon::WriteINIFile(u"WQAUDIO", CString::FromUtf8(k), REG_DWORD, &v) != 0 &&
               stored();
    };
    if (cmd == "read") {
        DWORD v = 0;
        char16_t text[1024] = {};
        if (CCommon::ReadINIFile(u"WQAUDIO", CString::FromUtf8(key), REG_DWORD, &v))
            std::printf("number %u\n", v);
        else if (CCommon::ReadINIFile(u"WQAUDIO", CString::FromUtf8(key), REG_SZ, text))
            std::printf("string %s\n", CString(text).ToUtf8().c_str());
        else
            std::printf("absent\n");
        return 0;
    }
    if (cmd == "write") return store(key, n) ? 0 : 1;
    if (cmd == "keep") {
        DWORD v = n, back = 0;
        CCommon::WriteINIFile(u"WQAUDIO", CString::FromUtf8(key), REG_DWORD, &v);
        const bool inFile = wq::device::FlushSettings(1000);
        CCommon::ReadINIFile(u"WQAUDIO", CString::FromUtf8(key), REG_DWORD, &back);
        std::printf("%s %u\n", inFile ? "stored" : "kept", back);
        return 0;
    }
    if (cmd == "burst") {
        int failures = 0;
        for (DWORD i = 0; i < n; ++i) {
            DWORD v = i;
            const CString k = CString::FromUtf8(key + std::to_string(i));
            failures += !CCommon::WriteINIFile(u"WQAUDIO", k, REG_DWORD, &v);
        }
        return failures == 0 && stored() ? 0 : 1;
    }
    for (DWORD i = 1; cmd == "count"; ++i) {
        const std::string line = std::to_string(i) + "\n";
        if (!store(key, i) || ::write(1, line.data(), line.size()) < 0) return 1;
    }
    return 2;
}
