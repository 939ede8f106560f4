// The headless presenter, options, PNG screenshots and the no-display message.
#include "platform/display/display.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/gdi/gdi.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"

namespace {

LRESULT PaintHalves(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_PAINT) return DefWindowProcW(hwnd, msg, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT left{0, 0, 240, 234}, right{240, 0, 480, 234};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    EndPaint(hwnd, &ps);
    return 0;
}

HWND MakeWindow() {
    WNDCLASSW wc;
    wc.lpfnWndProc = PaintHalves;
    wc.lpszClassName = u"Halves";
    RegisterClassW(&wc);
    return CreateWindowExW(0, u"Halves", u"Halves", WS_POPUP | WS_VISIBLE, 0, 0, 480, 234, nullptr,
                           nullptr, nullptr, nullptr);
}

std::string TempPath(const char* name) {
    return (std::filesystem::temp_directory_path() / (std::string("wq_display_") + name)).string();
}

TEST(Options, PlatformOptionsAreTakenOutAndTheRestKeptInOrder) {
    char a0[] = "wqaudio", a1[] = "--headless", a2[] = "x.mp3", a3[] = "--scale", a4[] = "3",
         a5[] = "--screenshot", a6[] = "s.png", a7[] = "--debug";
    char* argv[] = {a0, a1, a2, a3, a4, a5, a6, a7, nullptr};
    int argc = 8;
    const wq::display::Options o = wq::display::ParseOptions(argc, argv);
    EXPECT_TRUE(o.headless);
    EXPECT_EQ(o.scale, 3);
    EXPECT_EQ(o.screenshotPath, "s.png");
    ASSERT_EQ(argc, 3);
    EXPECT_STREQ(argv[1], "x.mp3");
    EXPECT_STREQ(argv[2], "--debug");

    char b0[] = "wqaudio", b1[] = "--scale", b2[] = "0";
    char* argvB[] = {b0, b1, b2, nullptr};
    int argcB = 3;
    EXPECT_EQ(wq::display::ParseOptions(argcB, argvB).scale, 2);  // out of range keeps the default
}

TEST(Headless, PaintedWindowsArePresentedAndSavedAsPng) {
    wq::win::TestSession session;
    wq::display::Options options;
    options.headless = true;
    auto presenter = wq::display::CreatePresenter(options, nullptr);
    ASSERT_NE(presenter, nullptr);
    auto* headless = dynamic_cast<wq::display::HeadlessPresenter*>(presenter.get());
    ASSERT_NE(headless, nullptr);
    HWND h = MakeWindow();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(headless->IsShown(h));
    auto r = wq::win::RunUntil([&] { return headless->PresentCount(h) > 0; }, 1000);
    ASSERT_TRUE(r.ok) << r.message;

    const std::string path = TempPath("halves.png");
    std::string error;
    ASSERT_TRUE(wq::display::SaveWindowPng(h, path, &error)) << error;
    wq::gdi::Surface png;
    ASSERT_TRUE(wq::gdi::LoadPng(path, &png, &error)) << error;
    ASSERT_EQ(png.width, 480);
    ASSERT_EQ(png.height, 234);
    EXPECT_EQ(png.At(0, 0), 0xFF0000u);
    EXPECT_EQ(png.At(239, 233), 0xFF0000u);
    EXPECT_EQ(png.At(240, 0), 0x0000FFu);
    std::filesystem::remove(path);

    ShowWindow(h, SW_HIDE);
    EXPECT_FALSE(headless->IsShown(h));
    DestroyWindow(h);
}

TEST(Headless, ScreenshotsOfBadWindowsOrPathsFailWithAReason) {
    wq::win::TestSession session;
    std::string error;
    EXPECT_FALSE(wq::display::SaveWindowPng(nullptr, TempPath("none.png"), &error));
    EXPECT_FALSE(error.empty());
    HWND h = MakeWindow();
    error.clear();
    EXPECT_FALSE(wq::display::SaveWindowPng(h, "/nonexistent-dir/x/y.png", &error));
    EXPECT_FALSE(error.empty());
    DestroyWindow(h);
}

TEST(Headless, AWakeFromAnotherThreadEndsTheIdleWait) {
    wq::display::HeadlessPresenter p;
    std::thread t([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        p.Wake();
    });
    const auto start = std::chrono::steady_clock::now();
    p.Wait(INFINITE);
    t.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // A wake that came before the wait is not lost.
    p.Wake();
    const auto again = std::chrono::steady_clock::now();
    p.Wait(5000);
    EXPECT_LT(std::chrono::steady_clock::now() - again, std::chrono::seconds(1));
}

TEST(NoDisplay, TheSdlBackendSaysSoInOneLineInsteadOfCrashing) {
    // Only the X11 driver, and no server to reach.
    setenv("SDL_VIDEODRIVER", "x11", 1);
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    setenv("DISPLAY", ":987654", 1);
    wq::display::Options options;
    std::string error;
    auto presenter = wq::display::CreatePresenter(options, &error);
    if (saved.empty()) {
        unsetenv("DISPLAY");
    } else {
        setenv("DISPLAY", saved.c_str(), 1);
    }
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_EQ(presenter, nullptr);
    EXPECT_EQ(error.rfind("wqaudio: no display available (SDL: ", 0), 0u) << error;
    EXPECT_NE(error.find("--headless"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
}

}  // namespace
