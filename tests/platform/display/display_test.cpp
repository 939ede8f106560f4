// The headless presenter, options, PNG screenshots and the no-display message.
#include "platform/display/display.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/gdi/gdi.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"

namespace {

// A 480x234 window, red on the left half and blue on the right.
HWND MakeWindow() {
    WNDCLASSW wc;
    wc.lpfnWndProc = [](HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wParam, lParam);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        for (auto [rc, color] : {std::pair{RECT{0, 0, 240, 234}, RGB(255, 0, 0)},
                                 std::pair{RECT{240, 0, 480, 234}, RGB(0, 0, 255)}}) {
            HBRUSH brush = CreateSolidBrush(color);
            FillRect(dc, &rc, brush);
            DeleteObject(brush);
        }
        EndPaint(hwnd, &ps);
        return 0;
    };
    wc.lpszClassName = u"Halves";
    RegisterClassW(&wc);
    return CreateWindowExW(0, u"Halves", u"Halves", WS_POPUP | WS_VISIBLE, 0, 0, 480, 234, nullptr,
                           nullptr, nullptr, nullptr);
}

TEST(Options, PlatformOptionsAreTakenOutAndTheRestKeptInOrder) {
    char a0[] = "wqaudio", a1[] = "--headless", a2[] = "x.mp3", a3[] = "--scale", a4[] = "3",
         a5[] = "--screenshot", a6[] = "s.png", a7[] = "--debug", a8[] = "--scale", a9[] = "0";
    char* argv[] = {a0, a1, a2, a3, a4, a5, a6, a7, nullptr};
    int argc = 8;
    const wq::display::Options o = wq::display::ParseOptions(argc, argv);
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.scale, 3);
    EXPECT_EQ(o.screenshotPath, "s.png");
    ASSERT_EQ(argc, 3);
    EXPECT_STREQ(argv[1], "x.mp3");
    EXPECT_STREQ(argv[2], "--debug");
    char* outOfRange[] = {a0, a8, a9, nullptr};
    argc = 3;
    EXPECT_EQ(wq::display::ParseOptions(argc, outOfRange).scale, 2);  // keeps the default
}

TEST(Headless, PaintedWindowsArePresentedAndSavedAsPngOrFailWithAReason) {
    wq::win::TestSession session;
    wq::display::Options options;
    options.headless = true;
    auto presenter = wq::display::CreatePresenter(options, nullptr);
    auto* headless = dynamic_cast<wq::display::HeadlessPresenter*>(presenter.get());
    ASSERT_NE(headless, nullptr);
    HWND h = MakeWindow();
    EXPECT_TRUE(headless->IsShown(h));
    auto r = wq::win::RunUntil([&] { return headless->PresentCount(h) > 0; }, 1000);
    ASSERT_TRUE(r.ok) << r.message;

    const std::string path = (std::filesystem::temp_directory_path() / "wq_display.png").string();
    std::string error;
    ASSERT_TRUE(wq::display::SaveWindowPng(h, path, &error)) << error;
    wq::gdi::Surface png;
    ASSERT_TRUE(wq::gdi::LoadPng(path, &png, &error)) << error;
    std::filesystem::remove(path);
    ASSERT_EQ(png.width * 1000 + png.height, 480234);
    EXPECT_EQ(png.At(0, 0), 0xFF0000u);
    EXPECT_EQ(png.At(239, 233), 0xFF0000u);
    EXPECT_EQ(png.At(240, 0), 0x0000FFu);

    EXPECT_FALSE(wq::display::SaveWindowPng(nullptr, path, &error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(wq::display::SaveWindowPng(h, "/nonexistent-dir/x/y.png", &error));
    EXPECT_FALSE(error.empty());
    ShowWindow(h, SW_HIDE);
    EXPECT_FALSE(headless->IsShown(h));
    DestroyWindow(h);
}

TEST(Headless, AWakeFromAnotherThreadEndsTheIdleWaitEvenWhenItCameFirst) {
    wq::display::HeadlessPresenter p;
    std::thread t([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        p.Wake();
    });
    auto start = std::chrono::steady_clock::now();
    p.Wait(INFINITE);
    t.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    p.Wake();
    start = std::chrono::steady_clock::now();
    p.Wait(5000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

TEST(NoDisplay, TheSdlBackendSaysSoInOneLineInsteadOfCrashing) {
    // Only the X11 driver, and no server to reach.
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("DISPLAY", ":987654", 1);
    std::string error;
    auto presenter = wq::display::CreatePresenter(wq::display::Options{}, &error);
    saved.empty() ? unsetenv("DISPLAY") : setenv("DISPLAY", saved.c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_EQ(presenter, nullptr);
    EXPECT_EQ(error.rfind("wqaudio: no display available (SDL: ", 0), 0u) << error;
    EXPECT_NE(error.find("--headless"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

}  // namespace
