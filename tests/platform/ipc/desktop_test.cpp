// The desktop bus under the real window system: FindWindow, SendMessage,
// PostMessage and SetForegroundWindow reach another program (wqctl), and
// other programs reach this program's window procedures and automation.
#include "platform/ipc/desktop.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <cstring>
#include <future>
#include <thread>

#include "platform/device/hooks.h"
#include "platform/ipc/skin_state.h"
#include "platform/ipc/state.h"
#include "platform/skin/skinlistbox.h"
#include "platform/skin/skinslider.h"
#include "platform/win/remote.h"
#include "platform/win/testing.h"
#include "platform/win/winapi.h"
#include "tests/support/private_bus.h"
#include "tests/support/skinfixture.h"

namespace wq::ipc::test {
namespace {

using namespace std::chrono_literals;

// What the test's player windows received: registered KEYDOWN and WM_CLOSE.
std::vector<std::pair<UINT, WPARAM>> g_seen;
const UINT g_keydown = RegisterWindowMessageW(u"WQ:MSG:KEYDOWN");  // before any message arrives

LRESULT PlayerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != g_keydown && msg != WM_CLOSE) return DefWindowProcW(hwnd, msg, wParam, lParam);
    g_seen.emplace_back(msg, wParam);
    return msg == g_keydown ? LRESULT(wParam) + 1 : 0;
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

// (The shutdown notices and their order: the end-to-end tests'.)
TEST_F(DesktopTest, TheLauncherIsFoundAndToldOfStartUp) {
    FILE* serve = popen(WQCTL_PATH " serve WQMain 3", "r");  // ends after three messages
    ASSERT_NE(serve, nullptr);
    setvbuf(serve, nullptr, _IONBF, 0);  // so that poll sees every line
    HWND main = nullptr;
    for (int i = 0; i < 500 && !main; ++i, std::this_thread::sleep_for(10ms))
        main = FindWindowW(nullptr, u"wqmain");
    ASSERT_NE(main, nullptr) << "FindWindow never saw wqctl serve WQMain";
    // Start-up: the window's initialisation posts, the settings load sends.
    EXPECT_TRUE(PostMessageW(main, RegisterWindowMessageW(u"WQ:MSG:APP_EXECUTE"), 3, 0));
    EXPECT_EQ(ReadLine(serve), "WQ:MSG:APP_EXECUTE 3 0");
    EXPECT_EQ(SendMessageW(main, RegisterWindowMessageW(u"WQ:MSG:M_LOAD_COMPLETE"), 3, 0), 1);
    EXPECT_EQ(ReadLine(serve), "WQ:MSG:M_LOAD_COMPLETE 3 0");
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
    EXPECT_EQ(g_seen, (std::vector<std::pair<UINT, WPARAM>>{{g_keydown, 38}, {WM_CLOSE, 0}}));
    Wqctl("raise WQAudio");
    EXPECT_EQ(GetForegroundWindow(), player);
    // A name this program never registered reaches no handler and takes no
    // id: other programs cannot use up the ids this program's own names need.
    EXPECT_EQ(Wqctl("send WQAudio WQ:MSG:NOBODY-HERE 1"), "0");
    EXPECT_EQ(wq::win::FindRegisteredMessage(u"wq:msg:nobody-here"), 0u);
    EXPECT_EQ(g_seen.size(), 2u);
    // All flag bits, SWP_HIDEWINDOW among them: shown and in place as before.
    Wqctl("raise WQAudio 0xffffffff");
    RECT r{};
    GetWindowRect(player, &r);
    EXPECT_TRUE(IsWindowVisible(player));
    EXPECT_EQ(r.right - r.left, 100);
    DestroyWindow(player);
    DestroyWindow(other);
}

TEST_F(DesktopTest, AutomationTapsDragsAndReadsASkinnedWindow) {
    skintest::TempRoot root;
    for (auto [face, w, h] : std::initializer_list<std::tuple<const char*, int, int>>{
             {"bg", 200, 120}, {"n", 30, 20}, {"p", 30, 20}, {"thumb", 10, 10}})
        root.Write(std::string("skin/img/") + face + ".bmp", skintest::SolidBmp(w, h, 0x00C000));
    root.Write("skin/test.tpl",
               "wqskin 1\nface 200 120\nbackground img\\bg.bmp\n"
               "button 100 10 10 30 20 normal=img\\n.bmp pressed=img\\p.bmp\n"
               "slider 200 horizontal 10 40 110 10 thumb=img\\thumb.bmp\n"
               "list 300 10 60 100 57 rowheight=19\n"
               "custom 400 130 60 40 30\n");
    skintest::OwnerWnd owner;
    ASSERT_TRUE(owner.CreateOwner(200, 120));
    SetWindowTextW(owner.m_hWnd, u"WQAudio");
    owner.skin = std::make_unique<CSkinManager>(&owner);
    ASSERT_TRUE(owner.skin->Load(u"\\skin\\test.tpl"));
    SetControlLister([&](HWND h) {
        return h == owner.m_hWnd ? ListSkinControls(*owner.skin) : std::vector<ControlState>{};
    });

    EXPECT_EQ(Wqctl("tap 20 15"), "");
    EXPECT_TRUE(owner.commands.empty()) << "automation is off until enabled";
    ASSERT_TRUE(m_desktop->EnableAutomation());
    Wqctl("tap 20 15");
    EXPECT_EQ(owner.commands, (std::vector<skintest::Command>{{100, 0}}));
    owner.commands.clear();
    Wqctl("drag 14 45 110 45");
    ASSERT_GE(owner.commands.size(), 12u);                             // a move every 8 px or less
    EXPECT_EQ(owner.commands.front(), (skintest::Command{200, 200}));  // dragging
    EXPECT_EQ(owner.commands.back(), (skintest::Command{200, 100}));   // set at the pen's release
    EXPECT_GT(owner.skin->GetSlider(200)->GetPos(), 50);
    CSkinListBox* list = owner.skin->GetList(300);
    list->AddString(u"[..]");
    list->AddString(u"노래.mp3");
    list->SetItemColor(1, RGB(255, 0, 0));
    list->SetCurSel(1);
    // (Names, rects, kinds, rows, the selection and slider positions are read
    // by the end-to-end tests from the real player's state.)
    const std::string json = Wqctl("state WQAudio");
    EXPECT_NE(json.find(R"({"text":"노래.mp3","color":"#ff0000"}],"selection":1)"),
              std::string::npos)
        << json;
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
}

}  // namespace
}  // namespace wq::ipc::test
