// Putting the top-level windows on a screen: an SDL2 window per visible
// top-level window (scaled by an integer factor, default 2), or headless (no
// display at all, for tests and automation). Mouse and touch become
// WM_LBUTTONDOWN/UP/MOUSEMOVE in device pixels; closing an SDL window posts
// WM_CLOSE to its window; keys go to the key hook (platform/win/presenter.h).
#pragma once

#include <memory>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/win/presenter.h"

namespace wq::display {

// The integer factors from device pixels to screen pixels a window may use.
inline constexpr int kMinScale = 1;
inline constexpr int kMaxScale = 8;
inline constexpr int kDefaultScale = 2;

// How the program wants its windows shown; the program's command line fills
// it in.
struct Options {
    bool headless = false;
    int scale = kDefaultScale;  // kMinScale..kMaxScale; outside that range the nearest one
};

// Creates and installs the presenter for `options`. When SDL cannot open a
// display the result is nullptr and *error holds one line saying so and how to
// run headless. The presenter stays installed for the object's lifetime.
std::unique_ptr<win::Presenter> CreatePresenter(const Options& options, std::string* error);

// The presenter without a display: remembers what was presented, for tests
// and for screenshots of a program that never opens a window.
class HeadlessPresenter final : public win::Presenter {
public:
    HeadlessPresenter();
    ~HeadlessPresenter() override;
    void WindowShown(HWND hwnd) override;
    void WindowHidden(HWND hwnd) override;
    void Present(HWND hwnd, const gdi::Surface& surface) override;
    void Wait(DWORD timeoutMs) override;
    void Wake() override;
    bool ShowsPixels() const override { return false; }
    // How often `hwnd` was presented, and whether it is shown now.
    int PresentCount(HWND hwnd) const;
    bool IsShown(HWND hwnd) const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Re-reads the pixels an SDL presenter shows for `hwnd` from its renderer
// (screen pixels, so scaled). False for other presenters or unknown windows.
bool ReadScreenPixels(win::Presenter* presenter, HWND hwnd, gdi::Surface* out);

// Saves the current pixels of a top-level window as PNG. False with *error when
// the window is not a top-level window of this process or the file cannot be written.
bool SaveWindowPng(HWND hwnd, const std::string& path, std::string* error = nullptr);

}  // namespace wq::display
