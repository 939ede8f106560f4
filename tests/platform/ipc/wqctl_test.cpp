// wqctl as a separate program on the private bus: standing in for the
// launcher, driving a program's windows, and the automation interface.
#include <glib.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/ipc/automation.h"
#include "tests/platform/ipc/child.h"
#include "tests/platform/ipc/private_bus.h"
#include "tests/platform/ipc/program.h"

namespace wq::ipc::test {
namespace {

using namespace std::chrono_literals;

std::string Wqctl(const std::string& args, int* status = nullptr) {
    std::string out;
    const int s = RunCommand(std::string(WQCTL_PATH) + " " + args + " 2>/dev/null", &out);
    if (status) *status = s;
    return out;
}
int Status(const std::string& args) {
    int status = -1;
    Wqctl(args, &status);
    return status;
}

TEST(WqctlServe, StandsInForTheLauncherThroughStartUpAndShutdown) {
    Child serve({WQCTL_PATH, "serve", "WQMain"});
    Program player;
    player.Publish(1, u"WQAudio");
    for (int i = 0; i < 500 && !player.Find(u"WQMain"); ++i) std::this_thread::sleep_for(10ms);
    const auto main = player.Find(u"WQMain");
    ASSERT_NE(main, 0u) << "wqctl serve never published WQMain";
    auto& names = player.messages();
    // Start-up: the window's initialisation posts, the settings load sends.
    EXPECT_TRUE(player.Do([&] { return player.bus()->Post(main, names.Register(u"WQ:MSG:APP_EXECUTE"), 3, 0); }));
    EXPECT_EQ(serve.ReadLine(5000), "WQ:MSG:APP_EXECUTE 3 0");
    bool delivered = false;
    EXPECT_EQ(player.Send(main, names.Register(u"WQ:MSG:M_LOAD_COMPLETE"), 3, 0, &delivered), 1);
    EXPECT_TRUE(delivered);
    EXPECT_EQ(serve.ReadLine(5000), "WQ:MSG:M_LOAD_COMPLETE 3 0");
    // Shutdown: both sent, in this order, each handled before the next leaves.
    EXPECT_EQ(player.Send(main, names.Register(u"WQ:MSG:APP_EXIT"), 3, -1), 1);
    EXPECT_EQ(player.Send(main, names.Register(u"WQ:MSG:M_CLOSE_COMPLETE"), 3, 0), 1);
    EXPECT_EQ(serve.ReadLine(5000), "WQ:MSG:APP_EXIT 3 -1");
    EXPECT_EQ(serve.ReadLine(5000), "WQ:MSG:M_CLOSE_COMPLETE 3 0");
    EXPECT_EQ(player.Send(main, WM_CLOSE), 1);
    EXPECT_EQ(serve.ReadLine(5000), "16 0 0");  // plain numbers print as numbers
    EXPECT_EQ(serve.ReadLine(200), std::nullopt);  // exactly one line per message

    EXPECT_EQ(serve.Stop(), 0);
    for (int i = 0; i < 100 && player.Find(u"WQMain"); ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(player.Find(u"WQMain"), 0u) << "the name outlived wqctl serve";
}

TEST(WqctlCommands, ShortcutsReachThePlayerAsTheLauncherWould) {
    Program player;
    player.Publish(1, u"WQAudio");
    player.On("WQ:MSG:KEYDOWN", [](const Message&) { return LRESULT{1}; });
    const std::pair<const char*, WPARAM> keys[] = {
        {"play", 126}, {"up", 38}, {"down", 40}, {"front", 121}, {"close", 128}, {"pause", 129},
        {"card-in", 130}, {"card-out", 131}, {"usb-in", 117}, {"usb-out", 118}};
    const std::tuple<const char*, const char16_t*, WPARAM> others[] = {
        {"marlo guide", u"BMSG_MARLO", 0}, {"marlo guide-end", u"BMSG_MARLO", 771},
        {"marlo quiet", u"BMSG_MARLO", 3}, {"marlo 4", u"BMSG_MARLO", 4},
        {"run-state 1", u"WQ:MSG:M_RUN_STATE", 1}, {"run-state 0", u"WQ:MSG:M_RUN_STATE", 0}};
    auto check = [&](const char* args, const char16_t* name, WPARAM wParam) {
        EXPECT_EQ(Status(args), 0) << args;
        const auto got = player.received();
        ASSERT_FALSE(got.empty()) << args;
        EXPECT_EQ(got.back().message.name, name) << args;
        EXPECT_EQ(got.back().message.wParam, wParam) << args;
    };
    for (const auto& [args, key] : keys) check(args, u"WQ:MSG:KEYDOWN", key);
    for (const auto& [args, name, wParam] : others) check(args, name, wParam);
    EXPECT_EQ(player.received().size(), std::size(keys) + std::size(others));
}

TEST(WqctlCommands, FindSendPostRaiseAndTheirFailures) {
    Program player;
    player.Publish(1, u"WQAudio");
    player.Publish(2, u"볼륨 창");
    player.On("WQ:MSG:M_AUDIO_PATTERN", [](const Message& m) { return m.lParam * 2; });
    player.On("273", [](const Message& m) { return LRESULT(m.wParam); });
    const std::string owner = player.bus()->UniqueName();
    EXPECT_EQ(Wqctl("find wqaudio"), owner + "\n");
    const std::string listed = Wqctl("list");
    EXPECT_NE(listed.find("WQAudio\t" + owner + "\n"), std::string::npos) << listed;
    EXPECT_NE(listed.find("볼륨 창\t" + owner + "\n"), std::string::npos) << listed;
    EXPECT_EQ(Wqctl("send WQAudio WQ:MSG:M_AUDIO_PATTERN 1 -21"), "-42\n");
    EXPECT_EQ(Wqctl("send WQAudio WM_COMMAND 2009"), "2009\n");
    EXPECT_EQ(Wqctl("send wqaudio 0x111 0x7d9 0"), "2009\n");
    EXPECT_EQ(Status("post WQAudio WQ:MSG:AUDIOUPDATE"), 0);
    ASSERT_TRUE(player.WaitReceived(4));
    EXPECT_EQ(player.received()[3].message.name, u"WQ:MSG:AUDIOUPDATE");
    EXPECT_EQ(Status("raise WQAudio"), 0);
    EXPECT_EQ(player.frontFlags.load(), 0x43u);

    for (const char* args : {"", "bogus", "send WQAudio", "send WQAudio 0xC001 1", "send WQAudio WM_CLOSE x",
                             "tap 1", "marlo loudest", "--timeout 0 play", "serve"})
        EXPECT_EQ(Status(args), 2) << "wqctl " << args;
    EXPECT_EQ(Status("find WQAudi"), 1);
    EXPECT_EQ(Status("send Nobody WM_CLOSE"), 1);

    // A hung player: wqctl gives up after its timeout and says so.
    player.Freeze();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Status("--timeout 300 send WQAudio WM_CLOSE"), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    player.Release();
}

TEST(WqctlCommands, HelpExplainsEveryCommandWithAnExample) {
    const std::string help = Wqctl("--help");
    for (const char* c : {"up", "down", "front", "close", "play", "card-in", "card-out", "usb-in", "usb-out"})
        EXPECT_NE(help.find(std::string("  ") + c), std::string::npos) << c << " is not explained";
    for (const char* c : {"list", "find", "send", "post", "raise", "serve", "pause", "marlo", "run-state", "tap",
                          "drag", "screenshot", "state"})
        EXPECT_NE(help.find(std::string("wqctl ") + c), std::string::npos) << c << " has no example";
}

// The automation side of a program, recording what wqctl asked for.
class Recorder : public AutomationHost {
    static bool IsPlayer(std::u16string_view w) {
        return g_ascii_strcasecmp(std::string(w.begin(), w.end()).c_str(), "WQAudio") == 0;
    }
    static std::string Text(std::u16string_view w) { return std::string(w.begin(), w.end()); }

public:
    std::vector<std::string> calls;
    bool Tap(std::u16string_view w, POINT at) override {
        calls.push_back("tap " + Text(w) + " " + std::to_string(at.x) + " " + std::to_string(at.y));
        return IsPlayer(w);
    }
    bool Drag(std::u16string_view w, POINT a, POINT b) override {
        calls.push_back("drag " + Text(w) + " " + std::to_string(a.x) + " " + std::to_string(a.y) + " " +
                        std::to_string(b.x) + " " + std::to_string(b.y));
        return true;
    }
    std::vector<std::uint8_t> Screenshot(std::u16string_view w) override {
        if (!IsPlayer(w)) return {};
        return {0x89, 'P', 'N', 'G', 0, 1, 2, 0xFF};
    }
    std::string State(std::u16string_view w) override {
        return IsPlayer(w) ? R"({"name":"WQAudio","children":[]})" : "";
    }
};

TEST(WqctlAutomation, OnlyAProgramThatEnablesItAnswers) {
    Program player;
    Recorder recorder;
    player.Publish(1, u"WQAudio");
    player.Publish(2, u"Other");
    EXPECT_EQ(Status("tap 10 20"), 1);  // not exported: refused by the bus
    EXPECT_TRUE(player.Do([&] { return player.bus()->EnableAutomation(recorder); }));
    EXPECT_EQ(Status("tap 10 20"), 0);
    EXPECT_EQ(Status("drag 1 2 -3 400"), 0);
    EXPECT_EQ(Status("--to WQVol tap 1 1"), 1);  // no such window on the bus
    const std::string file = testing::TempDir() + "wqctl_shot.png";
    EXPECT_EQ(Status("screenshot wqaudio " + file), 0);
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string("\x89PNG\0\1\2\xFF", 8));
    int status = -1;
    EXPECT_EQ(Wqctl("state WQAudio", &status), "{\"name\":\"WQAudio\",\"children\":[]}\n");
    EXPECT_EQ(status, 0);
    // A window the program does not know gives an error, not an empty file.
    EXPECT_EQ(Status("screenshot Other " + file + ".2"), 1);
    EXPECT_FALSE(std::ifstream(file + ".2").good());
    const std::vector<std::string> expected = {"tap WQAudio 10 20", "drag WQAudio 1 2 -3 400"};
    EXPECT_EQ(player.Do([&] { return recorder.calls; }), expected);
}

}  // namespace
}  // namespace wq::ipc::test
