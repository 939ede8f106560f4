// The SDL2 presenter: one SDL window per visible top-level window, scaled by an
// integer factor. An owned window (a dialog) opens over its owner at the same
// scale, is modal for an owner it disabled, and gives the keyboard back to the
// owner when it goes. GUI thread, except Wake.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/win/presenter.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace wq::display {

class SdlPresenter final : public win::Presenter {
public:
    // nullptr with the SDL error in *why when no display can be opened.
    static std::unique_ptr<SdlPresenter> Create(int scale, std::string* why);
    ~SdlPresenter() override;

    void WindowShown(HWND hwnd) override;
    void WindowHidden(HWND hwnd) override;
    void Present(HWND hwnd, const gdi::Surface& surface) override;
    void Wait(DWORD timeoutMs) override;
    void Wake() override;
    void Raise(HWND hwnd) override;

    // Renders the window's texture again and reads the screen pixels back.
    bool ReadScreen(HWND hwnd, gdi::Surface* out);
    // The SDL window id showing `hwnd`, 0 when none.
    unsigned WindowId(HWND hwnd) const;

private:
    explicit SdlPresenter(int scale);
    struct View {
        SDL_Window* window = nullptr;
        SDL_Renderer* renderer = nullptr;
        SDL_Texture* texture = nullptr;
        int width = 0;  // device pixels
        int height = 0;
    };
    View* ViewOf(HWND hwnd);
    void Drop(HWND hwnd);
    void Render(View& v);
    void Handle(const void* event);  // one SDL_Event
    HWND HwndOfWindowId(unsigned id) const;

    int m_scale;
    unsigned m_wakeEvent = 0;
    bool m_focusChanged = false;  // a focus event in the batch being handled
    std::map<HWND, View> m_views;
};

}  // namespace wq::display
