// The presenter factory and window screenshots.
#include <algorithm>
#include <string>

#include "platform/display/display.h"
#include "platform/display/sdl_presenter.h"

namespace wq::display {

std::unique_ptr<win::Presenter> CreatePresenter(const Options& options, std::string* error) {
    std::unique_ptr<win::Presenter> p;
    if (options.headless) {
        p = std::make_unique<HeadlessPresenter>();
    } else {
        std::string why;
        p = SdlPresenter::Create(std::clamp(options.scale, kMinScale, kMaxScale), &why);
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
