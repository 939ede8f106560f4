// One real SDL2 window at the default scale of 2: drawn, read back from the screen,
// clicked, keyed and closed through SDL events, and a dialog over it. (A screenshot
// reads the window's own surface whatever the presenter: display_test.)
// CTest runs this program under xvfb-run; without xvfb-run it is skipped with a message.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/display/display.h"
#include "platform/display/sdl_presenter.h"
#include "platform/gdi/gdi.h"
#include "platform/win/afxwin.h"
#include "platform/win/testing.h"

namespace {

std::vector<std::string> g_events;
int g_paints = 0;

// Green with a white 10x10 box at (100,50); logs clicks and WM_CLOSE.
LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        for (auto [rc, color] : {std::pair{RECT{0, 0, 480, 234}, RGB(0, 200, 0)},
                                 std::pair{RECT{100, 50, 110, 60}, RGB(255, 255, 255)}}) {
            HBRUSH brush = CreateSolidBrush(color);
            FillRect(dc, &rc, brush);
            DeleteObject(brush);
        }
        EndPaint(hwnd, &ps);
        ++g_paints;
    } else if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP) {
        g_events.push_back((msg == WM_LBUTTONUP ? "up " : "down ") +
                           std::to_string(GET_X_LPARAM(lParam)) + "," +
                           std::to_string(GET_Y_LPARAM(lParam)));
    } else if (msg == WM_CLOSE) {
        g_events.push_back("close");
    } else {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    return 0;
}

TEST(SdlSmoke, ARealWindowShowsItsPixelsScaledTurnsSdlInputIntoMessagesAndOwnsItsDialogs) {
    if (std::getenv("WQ_NO_XVFB"))
        GTEST_SKIP() << "xvfb-run is not installed; the real-window smoke test needs it";
    wq::win::ResetWindowSystem();  // real clock: SDL events arrive in real time
    std::string error;
    auto presenter = wq::display::CreatePresenter(wq::display::Options{}, &error);
    ASSERT_NE(presenter, nullptr) << error;
    auto* sdl = dynamic_cast<wq::display::SdlPresenter*>(presenter.get());
    ASSERT_NE(sdl, nullptr);
    WNDCLASSW wc;
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = u"Smoke";
    RegisterClassW(&wc);
    auto make = [](HWND owner) {
        return CreateWindowExW(0, u"Smoke", u"WQ smoke", WS_POPUP | WS_VISIBLE, 0, 0, 480, 234,
                               owner, nullptr, nullptr, nullptr);
    };
    HWND h = make(nullptr);
    // Waits for the paint itself: a fixed wait can pass unused on a busy machine.
    ASSERT_TRUE(wq::win::RunUntil([] { return g_paints > 0; }, 3000).ok);
    ASSERT_TRUE(wq::win::RunFor(50).ok);

    wq::gdi::Surface screen;
    ASSERT_TRUE(wq::display::ReadScreenPixels(sdl, h, &screen));
    ASSERT_EQ(screen.width * 1000 + screen.height, 960468);
    EXPECT_EQ(screen.At(0, 0), 0x00C800u);
    EXPECT_EQ(screen.At(200, 100), 0xFFFFFFu);  // device pixel (100,50), doubled
    EXPECT_EQ(screen.At(219, 119), 0xFFFFFFu);
    EXPECT_EQ(screen.At(220, 120), 0x00C800u);

    // A click at screen pixel (201,101) is device pixel (100,50); closing posts WM_CLOSE;
    // keys reach the application's hook by their SDL names.
    wq::win::SetKeyHook([](const char* key, bool down) {
        g_events.push_back(std::string("key ") + key + (down ? " down" : " up"));
    });
    auto click = [&](HWND target) {
        SDL_Event e{};
        e.button = {
            SDL_MOUSEBUTTONDOWN, 0, sdl->WindowId(target), 0, SDL_BUTTON_LEFT, 0, 0, 0, 201, 101};
        SDL_PushEvent(&e);
    };
    const Uint32 id = sdl->WindowId(h);
    click(h);
    SDL_Event e[2]{};
    e[0].window = {SDL_WINDOWEVENT, 0, id, SDL_WINDOWEVENT_CLOSE, 0, 0, 0, 0, 0};
    e[1].key = {SDL_KEYDOWN, 0, id, SDL_PRESSED, 0, 0, 0, {SDL_SCANCODE_SPACE, SDLK_SPACE, 0, 0}};
    for (auto& event : e) SDL_PushEvent(&event);
    const auto r = wq::win::RunUntil([] { return g_events.size() >= 3; }, 3000);
    ASSERT_TRUE(r.ok) << r.message;
    // WM_CLOSE is posted, so it is retrieved ahead of the queued click.
    EXPECT_EQ(g_events, (std::vector<std::string>{"key Space down", "close", "down 100,50"}));
    g_events.clear();

    // A dialog opens as a window of the same scale exactly over its owner.
    SDL_Window* ownerWindow = SDL_GetWindowFromID(id);
    ASSERT_NE(ownerWindow, nullptr);
    SDL_SetWindowPosition(ownerWindow, 60, 40);
    EnableWindow(h, FALSE);
    HWND dialog = make(h);
    ASSERT_TRUE(wq::win::RunFor(100).ok);
    SDL_Window* dialogWindow = SDL_GetWindowFromID(sdl->WindowId(dialog));
    ASSERT_NE(dialogWindow, nullptr);
    int ox = 0, oy = 0, dx = -1, dy = -1, w = 0, ht = 0;
    SDL_GetWindowPosition(ownerWindow, &ox, &oy);
    SDL_GetWindowPosition(dialogWindow, &dx, &dy);
    SDL_GetWindowSize(dialogWindow, &w, &ht);
    EXPECT_EQ(std::pair(dx, dy), std::pair(ox, oy));
    EXPECT_EQ(w * 1000 + ht, 960468) << "the owner's scale";
    ShowWindow(dialog, SW_HIDE);  // hidden: gone from the screen
    EXPECT_EQ(sdl->WindowId(dialog), 0u);
    DestroyWindow(dialog);
    DestroyWindow(h);
    wq::win::ResetWindowSystem();
}

}  // namespace
