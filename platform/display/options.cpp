// Command-line options of the display and the presenter factory.
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/display/display.h"
#include "platform/display/sdl_presenter.h"

namespace wq::display {

Options ParseOptions(int& argc, char** argv) {
    Options o;
    int out = 1;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--headless") == 0) {
            o.headless = true;
        } else if (std::strcmp(a, "--scale") == 0 && i + 1 < argc) {
            const int s = std::atoi(argv[++i]);
            if (s >= 1 && s <= 8) o.scale = s;
        } else if (std::strcmp(a, "--screenshot") == 0 && i + 1 < argc) {
            o.screenshotPath = argv[++i];
        } else {
            argv[out++] = argv[i];
        }
    }
    argc = out;
    if (argc >= 0) argv[argc] = nullptr;
    return o;
}

std::unique_ptr<win::Presenter> CreatePresenter(const Options& options, std::string* error) {
    std::unique_ptr<win::Presenter> p;
    if (options.headless) {
        p = std::make_unique<HeadlessPresenter>();
    } else {
        std::string why;
        p = SdlPresenter::Create(options.scale, &why);
        if (!p) {
            if (error) {
                *error = "wqaudio: no display available (SDL: " + why +
                         "); run with --headless or under xvfb-run";
            }
            return nullptr;
        }
    }
    win::SetPresenter(p.get());
    return p;
}

bool SaveWindowPng(HWND hwnd, const std::string& path, std::string* error) {
    const gdi::Surface* s = win::GetWindowSurface(hwnd);
    if (!s) {
        if (error) *error = "not a top-level window of this program";
        return false;
    }
    return gdi::SavePng(*s, path, error);
}

}  // namespace wq::display
