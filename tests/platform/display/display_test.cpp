// The headless presenter, PNG screenshots and the no-display message.
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

// Drawing may be skipped only when nobody can see it: headless, the pixels
// count only as pictures, and not under a modal window.
TEST(Headless, DrawnWindowsArePresentedAndSavedAsPngAndSeenOnlyWhenSomeoneCanSeeThem) {
    wq::win::TestSession session;
    auto presenter = wq::display::CreatePresenter({.headless = true}, nullptr);
    auto* headless = dynamic_cast<wq::display::HeadlessPresenter*>(presenter.get());
    ASSERT_NE(headless, nullptr);
    // A fresh surface is black; the right half is drawn blue.
    HWND h = CreateWindowExW(0, u"STATIC", u"s", WS_POPUP | WS_VISIBLE, 0, 0, 480, 234, nullptr,
                             nullptr, nullptr, nullptr);
    HDC dc = GetDC(h);
    const RECT right{240, 0, 480, 234};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &right, blue);
    DeleteObject(blue);
    ReleaseDC(h, dc);
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
    EXPECT_EQ(png.At(239, 233), 0x000000u);
    EXPECT_EQ(png.At(240, 0), 0x0000FFu);
    EXPECT_FALSE(wq::display::SaveWindowPng(nullptr, path, &error));
    EXPECT_FALSE(error.empty());

    EXPECT_FALSE(wq::win::PixelsSeen(h));
    wq::win::SetPicturesWanted(true);
    EXPECT_TRUE(wq::win::PixelsSeen(h));
    EnableWindow(h, FALSE);  // as under a modal window of its own
    EXPECT_FALSE(wq::win::PixelsSeen(h));
    EnableWindow(h, TRUE);
    wq::win::SetPicturesWanted(false);
    presenter.reset();
    EXPECT_TRUE(wq::win::PixelsSeen(h)) << "without a presenter the pixels are read directly";
    DestroyWindow(h);
}

TEST(Headless, AWakeFromAnotherThreadEndsTheIdleWaitEvenWhenItCameFirst) {
    wq::display::HeadlessPresenter p;
    const auto start = std::chrono::steady_clock::now();
    std::thread t([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        p.Wake();
    });
    p.Wait(5000);
    t.join();
    p.Wake();
    p.Wait(5000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
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
