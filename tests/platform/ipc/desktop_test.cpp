// The desktop bus under the real window system: FindWindow, SendMessage,
// PostMessage and SetForegroundWindow reach another program (wqctl), and
// other programs reach this program's window procedures and automation.
#include "platform/ipc/desktop.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <cstring>
#include <future>

#include "platform/device/hooks.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"
#include "platform/ipc/state.h"
#include "platform/win/remote.h"
#include "platform/win/testing.h"
#include "platform/win/winapi.h"
#include "tests/platform/ipc/private_bus.h"

namespace wq::ipc::test {
namespace {

using namespace std::chrono_literals;

struct Seen {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;
UINT g_keydown =
    RegisterWindowMessageW(u"WQ:MSG:KEYDOWN");  // before any message arrives, as the player does

LRESULT PlayerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == g_keydown || msg == WM_CLOSE || msg == WM_LBUTTONDOWN || msg == WM_LBUTTONUP ||
        msg == WM_MOUSEMOVE) {
        g_seen.push_back({msg, wParam, lParam});
        return msg == g_keydown ? LRESULT(wParam) + 1 : 0;
    }
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT all{0, 0, 100, 50};
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(dc, &all, red);
        DeleteObject(red);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The next line `f` prints within `ms` (without its newline); "" at the end
// or when nothing comes.
std::string ReadLine(FILE* f, int ms = 5000) {
    pollfd p{fileno(f), POLLIN, 0};
    char line[512];
    if (poll(&p, 1, ms) <= 0 || !fgets(line, sizeof line, f)) return "";
    return std::string(line, strcspn(line, "\n"));
}

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        wq::win::SetWatchdog(0, 10000);  // other programs answer in real time
        m_desktop = DesktopBus::Start();
        ASSERT_TRUE(m_desktop) << "no private bus";
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlayerProc;
        wc.lpszClassName = u"WQTestPlayer";
        RegisterClassW(&wc);
        g_seen.clear();
    }
    HWND MakePlayer(const char16_t* name) {
        return CreateWindowExW(0, u"WQTestPlayer", name, WS_VISIBLE, 0, 0, 100, 50, nullptr,
                               nullptr, nullptr, nullptr);
    }
    // Runs wqctl with `args` while this program's loop answers it; returns
    // its first line of output.
    std::string Wqctl(const std::string& args) {
        std::string out;
        auto done = std::async(std::launch::async, [&] {
            return RunCommand(WQCTL_PATH " " + args + " 2>/dev/null", &out);
        });
        auto r = wq::win::RunUntil([&] { return done.wait_for(1ms) == std::future_status::ready; },
                                   600000);
        EXPECT_TRUE(r.ok) << r.message;
        done.wait();
        return out.substr(0, out.find('\n'));
    }

    wq::win::TestSession m_session;
    std::unique_ptr<DesktopBus> m_desktop;
};

TEST_F(DesktopTest, TheLauncherIsFoundAndToldOfStartUpAndShutdown) {
    FILE* serve = popen(WQCTL_PATH " serve WQMain 5", "r");  // ends after five messages
    ASSERT_NE(serve, nullptr);
    setvbuf(serve, nullptr, _IONBF, 0);  // so that poll sees every line
    HWND main = nullptr;
    for (int i = 0; i < 500 && !main; ++i, std::this_thread::sleep_for(10ms))
        main = FindWindowW(nullptr, u"wqmain");
    ASSERT_NE(main, nullptr) << "FindWindow never saw wqctl serve WQMain";
    EXPECT_EQ(FindWindowW(nullptr, u"WQMai"), nullptr);
    EXPECT_TRUE(SetForegroundWindow(main));
    // Start-up: the window's initialisation posts, the settings load sends.
    EXPECT_TRUE(PostMessageW(main, RegisterWindowMessageW(u"WQ:MSG:APP_EXECUTE"), 3, 0));
    EXPECT_EQ(ReadLine(serve), "WQ:MSG:APP_EXECUTE 3 0");
    EXPECT_EQ(SendMessageW(main, RegisterWindowMessageW(u"WQ:MSG:M_LOAD_COMPLETE"), 3, 0), 1);
    EXPECT_EQ(ReadLine(serve), "WQ:MSG:M_LOAD_COMPLETE 3 0");
    // Shutdown: both sent, in this order, each handled before the next leaves.
    EXPECT_EQ(SendMessageW(main, RegisterWindowMessageW(u"WQ:MSG:APP_EXIT"), 3, -1), 1);
    EXPECT_EQ(SendMessageW(main, RegisterWindowMessageW(u"WQ:MSG:M_CLOSE_COMPLETE"), 3, 0), 1);
    EXPECT_EQ(ReadLine(serve), "WQ:MSG:APP_EXIT 3 -1");
    EXPECT_EQ(ReadLine(serve), "WQ:MSG:M_CLOSE_COMPLETE 3 0");
    EXPECT_EQ(ReadLine(serve, 200), "") << "one line per message";
    EXPECT_EQ(SendMessageW(main, WM_CLOSE, 0, 0), 1);
    EXPECT_EQ(ReadLine(serve), "16 0 0");  // plain numbers print as numbers
    EXPECT_EQ(pclose(serve), 0);
    EXPECT_EQ(SendMessageW(main, WM_CLOSE, 0, 0), 0);  // gone: not delivered
}

TEST_F(DesktopTest, OtherProgramsReachTheWindowProcedureByName) {
    HWND other = MakePlayer(u"Other");
    HWND player = MakePlayer(u"WQAudio");
    SetForegroundWindow(other);
    EXPECT_EQ(Wqctl("send wqaudio WQ:MSG:KEYDOWN 38"), "39");  // under this program's own id
    EXPECT_EQ(Wqctl("send WQAudio WM_CLOSE"), "0");
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].msg, g_keydown);
    EXPECT_EQ(g_seen[0].wParam, 38u);
    EXPECT_EQ(g_seen[1].msg, WM_CLOSE);
    Wqctl("raise WQAudio");
    EXPECT_EQ(GetForegroundWindow(), player);

    // Renamed, then destroyed: the old name is gone at once.
    const std::string find = WQCTL_PATH " find ";
    SetWindowTextW(player, u"WQAudio2");
    EXPECT_NE(RunCommand(find + "WQAudio 2>/dev/null"), 0);
    EXPECT_EQ(RunCommand(find + "WQAudio2 >/dev/null 2>&1"), 0);
    DestroyWindow(player);
    EXPECT_NE(RunCommand(find + "WQAudio2 2>/dev/null"), 0);
    DestroyWindow(other);
}

TEST_F(DesktopTest, AutomationTapsDragsAndReadsTheWindow) {
    HWND player = MakePlayer(u"WQAudio");
    ASSERT_NE(CreateWindowExW(0, u"STATIC", u"label", WS_CHILD | WS_VISIBLE, 10, 5, 30, 20, player,
                              reinterpret_cast<HMENU>(std::uintptr_t{2008}), nullptr, nullptr),
              nullptr);
    SetControlLister([player](HWND w) {
        std::vector<ControlState> c;
        if (w == player)
            c.push_back({2002, "button", RECT{50, 0, 70, 20}, std::nullopt, u"play_n.bmp"});
        return c;
    });
    EXPECT_EQ(Wqctl("tap 60 30"), "");
    EXPECT_TRUE(g_seen.empty()) << "automation is off until enabled";
    ASSERT_TRUE(m_desktop->EnableAutomation());
    Wqctl("tap 60 30");
    ASSERT_EQ(g_seen.size(), 2u);
    EXPECT_EQ(g_seen[0].msg, UINT{WM_LBUTTONDOWN});
    EXPECT_EQ(g_seen[0].lParam, MAKELPARAM(60, 30));
    EXPECT_EQ(g_seen[1].msg, UINT{WM_LBUTTONUP});
    g_seen.clear();
    Wqctl("drag 60 30 100 30");
    ASSERT_GE(g_seen.size(), 7u);  // down, a move every 8 px or less, up
    EXPECT_EQ(g_seen.front().msg, UINT{WM_LBUTTONDOWN});
    EXPECT_EQ(g_seen.back().msg, UINT{WM_LBUTTONUP});
    EXPECT_EQ(g_seen.back().lParam, MAKELPARAM(100, 30));
    for (size_t i = 1; i + 1 < g_seen.size(); ++i) EXPECT_EQ(g_seen[i].msg, UINT{WM_MOUSEMOVE});

    const std::string file = testing::TempDir() + "desktop_shot.png";
    Wqctl("screenshot WQAudio " + file);
    gdi::Surface png;
    ASSERT_TRUE(gdi::LoadPng(file, &png));
    EXPECT_EQ(png.width, 100);
    EXPECT_EQ(png.height, 50);
    EXPECT_EQ(png.At(90, 45), 0xFF0000u);  // painted by the window itself

    const std::string json = Wqctl("state WQAudio");
    for (const char* part :
         {R"("name":"WQAudio","id":0)", R"("rect":[0,0,100,50],"visible":true)",
          R"("name":"label","id":2008)", R"("rect":[10,5,40,25])",
          R"({"id":2002,"kind":"button","rect":[50,0,70,20],"picture":"play_n.bmp"})"})
        EXPECT_NE(json.find(part), std::string::npos) << part << " in " << json;
    SetControlLister(nullptr);
}

TEST(DesktopAlone, WithoutASessionBusTheProgramRunsAloneAndSaysSoOnceThroughDbg) {
    wq::win::TestSession session;
    std::vector<std::string> said;
    wq::device::SetDebugSink([&](const std::string& line) { said.push_back(line); });
    wq::device::EnableDebug(true);
    BusOptions nowhere;
    nowhere.address = "unix:path=/nonexistent/wq-no-bus";
    EXPECT_EQ(DesktopBus::Start(nowhere), nullptr);
    EXPECT_EQ(DesktopBus::Start(nowhere), nullptr);
    wq::device::EnableDebug(false);
    wq::device::SetDebugSink(nullptr);
    EXPECT_EQ(wq::win::GetRemoteWindows(), nullptr);
    ASSERT_EQ(said.size(), 1u);
    EXPECT_NE(said[0].find("running alone"), std::string::npos) << said[0];
    // The window system goes on alone: its own windows are found, no others.
    HWND local = CreateWindowExW(0, u"STATIC", u"WQAudio", 0, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    EXPECT_EQ(FindWindowW(nullptr, u"wqaudio"), local);
    EXPECT_EQ(FindWindowW(nullptr, u"WQMain"), nullptr);
    DestroyWindow(local);
}

}  // namespace
}  // namespace wq::ipc::test
