// skincheck: checks a skin template with the player's own skin library.
//
//   skincheck [--root DIR] [--window player|equalizer|pattern|taskbar]
//             [--render OUT.png] [--areas] TEMPLATE
//
// TEMPLATE is a device path ("\NAND Flash\skin\WQAudio\WQAudio.TPL") or a host
// file. A host file outside the device root makes its own folder the root.
// Prints one line per problem and exits 0 only when there is none (1 with
// problems, 2 for bad arguments or a failed render).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/base/utf.h"
#include "platform/fs/root.h"
#include "tools/skincheck/check.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: skincheck [--root DIR] [--window player|equalizer|pattern|taskbar]\n"
                 "                 [--render OUT.png] [--areas] TEMPLATE\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string root, windowName, render, target;
    bool areas = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) return false;
            *out = argv[++i];
            return true;
        };
        if (a == "--root") {
            if (!value(&root)) return Usage();
        } else if (a == "--window") {
            if (!value(&windowName)) return Usage();
        } else if (a == "--render") {
            if (!value(&render)) return Usage();
        } else if (a == "--areas") {
            areas = true;
        } else if (a == "-h" || a == "--help") {
            Usage();
            return 0;
        } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
            return Usage();
        } else if (target.empty()) {
            target = a;
        } else {
            return Usage();
        }
    }
    if (target.empty()) return Usage();

    std::string error;
    if (!root.empty() && !wq::fs::SetRoot(root, &error)) {
        std::fprintf(stderr, "skincheck: %s\n", error.c_str());
        return 2;
    }
    std::u16string devicePath;
    std::error_code ec;
    if (std::filesystem::is_regular_file(target, ec)) {
        const std::string host = std::filesystem::absolute(target, ec).string();
        auto inside = root.empty() ? std::nullopt : wq::fs::ToDevicePath(host);
        if (inside) {
            devicePath = *inside;
        } else {
            const std::filesystem::path p(host);
            if (!wq::fs::SetRoot(p.parent_path().string(), &error)) {
                std::fprintf(stderr, "skincheck: %s\n", error.c_str());
                return 2;
            }
            devicePath = u"\\" + wq::Utf8ToUtf16(p.filename().string());
        }
    } else {
        if (root.empty()) {
            std::string rootError;
            if (!wq::fs::InitRoot("", &rootError)) {
                std::fprintf(stderr, "skincheck: %s\n", rootError.c_str());
                return 2;
            }
        }
        devicePath = wq::Utf8ToUtf16(target);
    }

    skincheck::Window window = skincheck::WindowFromPath(devicePath);
    if (!windowName.empty()) {
        window = skincheck::WindowFromName(windowName);
        if (window == skincheck::Window::Unknown) return Usage();
    }

    CSkinManager skin(nullptr);
    const skincheck::Report report = skincheck::Check(skin, devicePath, window);
    const std::string shown = wq::Utf16ToUtf8(devicePath);
    for (const skincheck::Finding& f : report.findings) {
        if (f.line > 0) {
            std::printf("%s:%d: %s\n", shown.c_str(), f.line, f.message.c_str());
        } else {
            std::printf("%s: %s\n", shown.c_str(), f.message.c_str());
        }
    }
    if (!report.loaded) {
        std::printf("%s: not loaded\n", shown.c_str());
        return 1;
    }
    if (!render.empty() && !skincheck::Render(skin, render, areas, &error)) {
        std::fprintf(stderr, "skincheck: cannot render: %s\n", error.c_str());
        return 2;
    }
    if (report.findings.empty()) {
        std::printf("%s: ok, %d controls\n", shown.c_str(), report.controls);
        return 0;
    }
    std::printf("%s: %zu problem%s\n", shown.c_str(), report.findings.size(),
                report.findings.size() == 1 ? "" : "s");
    return 1;
}
