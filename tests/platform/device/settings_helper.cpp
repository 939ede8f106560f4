// A separate program that uses the settings store, so tests can check what
// one process writes against what another reads, and kill a writer mid-loop.
//   settings_helper DB write SECTION KEY NUMBER     exit 0 when stored
//   settings_helper DB writestr SECTION KEY TEXT    exit 0 when stored
//   settings_helper DB read SECTION KEY             prints "number N", "string S" or "absent"
//   settings_helper DB burst SECTION PREFIX COUNT   writes PREFIX0..PREFIX<COUNT-1> = index
//   settings_helper DB count SECTION KEY            writes 1, 2, 3... forever, printing each
//                                                   value once its write has returned
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/cstring.h"
#include "platform/device/common.h"
#include "platform/device/hooks.h"

int main(int argc, char** argv) {
    if (argc < 5) return 2;
    wq::device::InitFromArgs(argc, argv);
    wq::device::SetSettingsPath(argv[1]);
    const std::string cmd = argv[2];
    const CString section = CString::FromUtf8(argv[3]);
    const CString key = CString::FromUtf8(argv[4]);
    auto writeNumber = [&](const CString& k, DWORD v) { return CCommon::WriteINIFile(section, k, REG_DWORD, &v) != 0; };
    if (cmd == "write" && argc == 6) return writeNumber(key, static_cast<DWORD>(std::strtoul(argv[5], nullptr, 10))) ? 0 : 1;
    if (cmd == "writestr" && argc == 6)
        return CCommon::WriteINIFile(section, key, REG_SZ, CString::FromUtf8(argv[5]).GetString()) ? 0 : 1;
    if (cmd == "read") {
        DWORD v = 0;
        char16_t buf[1024] = {};
        if (CCommon::ReadINIFile(section, key, REG_DWORD, &v)) std::printf("number %u\n", v);
        else if (CCommon::ReadINIFile(section, key, REG_SZ, buf)) std::printf("string %s\n", CString(buf).ToUtf8().c_str());
        else std::printf("absent\n");
        return 0;
    }
    if (cmd == "burst" && argc == 6) {
        int failures = 0;
        for (int i = 0; i < std::atoi(argv[5]); ++i)
            failures += !writeNumber(key + CString::FromUtf8(std::to_string(i).c_str()), static_cast<DWORD>(i));
        return failures == 0 ? 0 : 1;
    }
    if (cmd == "count") {
        for (DWORD i = 1;; ++i) {
            if (!writeNumber(key, i)) return 1;
            const std::string line = std::to_string(i) + "\n";
            if (write(1, line.data(), line.size()) < 0) return 1;
        }
    }
    return 2;
}
