// SDL2 windows for the top-level windows, and SDL input turned into messages.
#include "platform/display/sdl_presenter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/base/utf.h"
#include "platform/display/display.h"
#include "platform/display/sdl_api.h"
#include "platform/win/winapi.h"

namespace wq::display {
namespace {

// Set by the first Create that loads SDL; every presenter calls through it.
const SdlApi* g_sdl = nullptr;

// Device pixels from screen pixels; a pointer left of or above the window stays negative.
int ToDevice(int screen, int scale) {
    return static_cast<int>(std::floor(static_cast<double>(screen) / scale));
}

}  // namespace

std::unique_ptr<SdlPresenter> SdlPresenter::Create(int scale, std::string* why) {
    g_sdl = LoadSdl(why);
    if (!g_sdl) return nullptr;
    // Termination signals are the program's own business (it closes in order);
    // SDL would otherwise turn them into an SDL_QUIT of its own.
    g_sdl->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (g_sdl->SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (why) *why = g_sdl->SDL_GetError();
        return nullptr;
    }
    if (g_sdl->SDL_GetNumVideoDisplays() < 1) {
        if (why) *why = g_sdl->SDL_GetError();
        g_sdl->SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return nullptr;
    }
    // SDL falls back to drivers that show nothing; they count as a display only
    // when asked for by name (SDL_VIDEODRIVER).
    const std::string driver =
        g_sdl->SDL_GetCurrentVideoDriver() ? g_sdl->SDL_GetCurrentVideoDriver() : "";
    const char* requested = std::getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") && !(requested && driver == requested)) {
        if (why) *why = "no X11 or Wayland display, only the invisible '" + driver + "' driver";
        g_sdl->SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        return nullptr;
    }
    std::unique_ptr<SdlPresenter> p(new SdlPresenter(scale < 1 ? 1 : scale));
    p->m_wakeEvent = g_sdl->SDL_RegisterEvents(1);
    return p;
}

SdlPresenter::SdlPresenter(int scale) : m_scale(scale) {}

SdlPresenter::~SdlPresenter() {
    if (win::GetPresenter() == this) win::SetPresenter(nullptr);
    while (!m_views.empty()) Drop(m_views.begin()->first);
    // SDL stays initialised until the process ends: the X11 and D-Bus libraries
    // it loaded keep their state, and a later presenter opens the display again cheaply.
}

SdlPresenter::View* SdlPresenter::ViewOf(HWND hwnd) {
    auto it = m_views.find(hwnd);
    return it == m_views.end() ? nullptr : &it->second;
}

unsigned SdlPresenter::WindowId(HWND hwnd) const {
    auto it = m_views.find(hwnd);
    return it == m_views.end() ? 0 : g_sdl->SDL_GetWindowID(it->second.window);
}

HWND SdlPresenter::HwndOfWindowId(unsigned id) const {
    for (const auto& [h, v] : m_views) {
        if (g_sdl->SDL_GetWindowID(v.window) == id) return h;
    }
    return nullptr;
}

void SdlPresenter::Drop(HWND hwnd) {
    auto it = m_views.find(hwnd);
    if (it == m_views.end()) return;
    if (it->second.texture) g_sdl->SDL_DestroyTexture(it->second.texture);
    if (it->second.renderer) g_sdl->SDL_DestroyRenderer(it->second.renderer);
    if (it->second.window) g_sdl->SDL_DestroyWindow(it->second.window);
    m_views.erase(it);
}

void SdlPresenter::WindowShown(HWND hwnd) {
    RECT rc;
    if (!GetClientRect(hwnd, &rc)) return;
    const int w = rc.right > 0 ? rc.right : 1, h = rc.bottom > 0 ? rc.bottom : 1;
    char16_t title[256] = {};
    GetWindowTextW(hwnd, title, 256);
    const std::string utf8 = wq::Utf16ToUtf8(title);
    View* v = ViewOf(hwnd);
    if (!v) {
        // An owned window (a dialog) opens over its owner, where the two lie
        // relative to each other in device pixels; one that disables its owner
        // is modal for it on the desktop too, so the desktop keeps it in front.
        HWND owner = GetWindow(hwnd, GW_OWNER);
        View* ownerView = owner ? ViewOf(owner) : nullptr;
        int x = SDL_WINDOWPOS_UNDEFINED, y = SDL_WINDOWPOS_UNDEFINED;
        if (ownerView) {
            RECT mine, theirs;
            GetWindowRect(hwnd, &mine);
            GetWindowRect(owner, &theirs);
            g_sdl->SDL_GetWindowPosition(ownerView->window, &x, &y);
            x += (mine.left - theirs.left) * m_scale;
            y += (mine.top - theirs.top) * m_scale;
        }
        View nv;
        nv.window = g_sdl->SDL_CreateWindow(utf8.empty() ? "wqaudio" : utf8.c_str(), x, y,
                                            w * m_scale, h * m_scale, SDL_WINDOW_SHOWN);
        if (!nv.window) return;
        if (ownerView && !IsWindowEnabled(owner))
            g_sdl->SDL_SetWindowModalFor(nv.window, ownerView->window);
        // A 480 x 234 picture scaled by an integer needs no GPU; the software
        // renderer works the same on every X server, Xvfb included.
        nv.renderer = g_sdl->SDL_CreateRenderer(nv.window, -1, SDL_RENDERER_SOFTWARE);
        if (!nv.renderer) nv.renderer = g_sdl->SDL_CreateRenderer(nv.window, -1, 0);
        if (!nv.renderer) {
            g_sdl->SDL_DestroyWindow(nv.window);
            return;
        }
        v = &(m_views[hwnd] = nv);
    } else {
        g_sdl->SDL_SetWindowTitle(v->window, utf8.empty() ? "wqaudio" : utf8.c_str());
        g_sdl->SDL_ShowWindow(v->window);
    }
    if (v->width != w || v->height != h) {
        if (v->texture) g_sdl->SDL_DestroyTexture(v->texture);
        v->texture = g_sdl->SDL_CreateTexture(v->renderer, SDL_PIXELFORMAT_RGB888,
                                              SDL_TEXTUREACCESS_STREAMING, w, h);
        v->width = w;
        v->height = h;
        g_sdl->SDL_SetWindowSize(v->window, w * m_scale, h * m_scale);
    }
}

void SdlPresenter::WindowHidden(HWND hwnd) {
    // A window that had the keyboard hands it back to its owner, so closing
    // a dialog returns to the window it was opened from.
    View* v = ViewOf(hwnd);
    const bool hadFocus = v && g_sdl->SDL_GetKeyboardFocus() == v->window;
    Drop(hwnd);
    if (!hadFocus) return;
    if (View* ownerView = ViewOf(GetWindow(hwnd, GW_OWNER)))
        g_sdl->SDL_RaiseWindow(ownerView->window);
}

void SdlPresenter::Render(View& v) {
    g_sdl->SDL_SetRenderDrawColor(v.renderer, 0, 0, 0, 255);
    g_sdl->SDL_RenderClear(v.renderer);
    if (v.texture) g_sdl->SDL_RenderCopy(v.renderer, v.texture, nullptr, nullptr);
}

void SdlPresenter::Present(HWND hwnd, const gdi::Surface& surface) {
    View* v = ViewOf(hwnd);
    if (!v || !v->texture || surface.width != v->width || surface.height != v->height) {
        WindowShown(hwnd);  // geometry changed since: catch up first
        v = ViewOf(hwnd);
        if (!v || !v->texture || surface.width != v->width || surface.height != v->height) return;
    }
    // Surface pixels are 0x00RRGGBB, which is SDL's RGB888 layout.
    g_sdl->SDL_UpdateTexture(v->texture, nullptr, surface.pixels.data(), surface.width * 4);
    Render(*v);
    g_sdl->SDL_RenderPresent(v->renderer);
}

bool SdlPresenter::ReadScreen(HWND hwnd, gdi::Surface* out) {
    View* v = ViewOf(hwnd);
    if (!v || !out) return false;
    Render(*v);
    int w = 0, h = 0;
    g_sdl->SDL_GetRendererOutputSize(v->renderer, &w, &h);
    out->Resize(w, h);
    const bool ok = g_sdl->SDL_RenderReadPixels(v->renderer, nullptr, SDL_PIXELFORMAT_RGB888,
                                                out->pixels.data(), w * 4) == 0;
    g_sdl->SDL_RenderPresent(v->renderer);
    return ok;
}

void SdlPresenter::Wait(DWORD timeoutMs) {
    SDL_Event e;
    const int timeout =
        timeoutMs == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(timeoutMs, 0x7FFFFFFF));
    if (!g_sdl->SDL_WaitEventTimeout(&e, timeout)) return;
    m_focusChanged = false;
    Handle(&e);
    while (g_sdl->SDL_PollEvent(&e)) Handle(&e);
    if (m_focusChanged) {
        // Judged after the whole batch: focus passing between two windows of
        // this program arrives as a loss and a gain together.
        m_focusChanged = false;
        SDL_Window* focus = g_sdl->SDL_GetKeyboardFocus();
        win::DesktopFocusChanged(focus ? HwndOfWindowId(g_sdl->SDL_GetWindowID(focus)) : nullptr);
    }
}

void SdlPresenter::Raise(HWND hwnd) {
    if (View* v = ViewOf(hwnd)) g_sdl->SDL_RaiseWindow(v->window);
}

void SdlPresenter::Wake() {
    SDL_Event e{};
    e.type = m_wakeEvent;
    g_sdl->SDL_PushEvent(&e);  // thread-safe
}

void SdlPresenter::Handle(const void* event) {
    const SDL_Event& e = *static_cast<const SDL_Event*>(event);
    switch (e.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            if (e.button.which == SDL_TOUCH_MOUSEID || e.button.button != SDL_BUTTON_LEFT) return;
            if (HWND h = HwndOfWindowId(e.button.windowID)) {
                win::QueueMouseInput(
                    h, e.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP,
                    POINT{ToDevice(e.button.x, m_scale), ToDevice(e.button.y, m_scale)});
            }
            return;
        }
        case SDL_MOUSEMOTION: {
            if (e.motion.which == SDL_TOUCH_MOUSEID) return;
            if (HWND h = HwndOfWindowId(e.motion.windowID)) {
                win::QueueMouseInput(
                    h, WM_MOUSEMOVE,
                    POINT{ToDevice(e.motion.x, m_scale), ToDevice(e.motion.y, m_scale)});
            }
            return;
        }
        case SDL_FINGERDOWN:
        case SDL_FINGERUP:
        case SDL_FINGERMOTION: {
            HWND h = HwndOfWindowId(e.tfinger.windowID);
            if (!h && m_views.size() == 1) h = m_views.begin()->first;
            View* v = ViewOf(h);
            if (!v) return;
            const UINT msg = e.type == SDL_FINGERDOWN ? WM_LBUTTONDOWN
                             : e.type == SDL_FINGERUP ? WM_LBUTTONUP
                                                      : WM_MOUSEMOVE;
            // Finger positions are fractions of the window.
            win::QueueMouseInput(h, msg,
                                 POINT{static_cast<LONG>(std::floor(e.tfinger.x * v->width)),
                                       static_cast<LONG>(std::floor(e.tfinger.y * v->height))});
            return;
        }
        case SDL_WINDOWEVENT: {
            HWND h = HwndOfWindowId(e.window.windowID);
            if (!h) return;
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                PostMessageW(h, WM_CLOSE, 0, 0);
            } else if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED ||
                       e.window.event == SDL_WINDOWEVENT_FOCUS_LOST) {
                m_focusChanged = true;
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
                if (View* v = ViewOf(h)) {
                    Render(*v);
                    g_sdl->SDL_RenderPresent(v->renderer);
                }
            }
            return;
        }
        case SDL_QUIT:
            win::RequestClose();
            return;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            win::DeliverKey(g_sdl->SDL_GetKeyName(e.key.keysym.sym), e.type == SDL_KEYDOWN);
            return;
        default:
            return;
    }
}

bool ReadScreenPixels(win::Presenter* presenter, HWND hwnd, gdi::Surface* out) {
    auto* sdl = dynamic_cast<SdlPresenter*>(presenter);
    return sdl && sdl->ReadScreen(hwnd, out);
}

}  // namespace wq::display
