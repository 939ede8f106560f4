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

// Waits until `name` is on the bus, as seen from `p`.
bool Appears(Program& p, const char16_t* name) {
    for (int i = 0; i < 500; ++i) {
        if (p.Do([&] { return p.bus()->Find(name); })) return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

TEST(WqctlServe, StandsInForTheLauncherThroughStartUpAndShutdown) {
    Child serve({WQCTL_PATH, "serve", "WQMain"});
    Program player;
    player.Do([&] { player.bus()->Publish(Hwnd(1), u"WQAudio"); return 0; });
    ASSERT_TRUE(Appears(player, u"WQMain")) << "wqctl serve never published WQMain";
    auto& names = player.messages();
    const UINT execute = names.Register(u"WQ:MSG:APP_EXECUTE"), loaded = names.Register(u"WQ:MSG:M_LOAD_COMPLETE"),
               exited = names.Register(u"WQ:MSG:APP_EXIT"), closed = names.Register(u"WQ:MSG:M_CLOSE_COMPLETE");
    auto main = [&] { return player.bus()->Find(u"WQMain"); };

    // Start-up: the window's initialisation posts, the settings load sends.
    EXPECT_TRUE(player.Do([&] { return player.bus()->Post(main(), execute, 3, 0); }));
    EXPECT_EQ(serve.ReadLine(5000), "WQ:MSG:APP_EXECUTE 3 0");
    bool delivered = false;
    EXPECT_EQ(player.Do([&] { return player.bus()->Send(main(), loaded, 3, 0, &delivered); }), 1);
    EXPECT_TRUE(delivered);
    EXPECT_EQ(serve.ReadLine(5000), "WQ:MSG:M_LOAD_COMPLETE 3 0");
    // Shutdown: both sent, in this order, each handled before the next leaves.
    const auto results = player.Do([&] {
        const LRESULT first = player.bus()->Send(main(), exited, 3, -1, nullptr);
        return std::pair(first, player.bus()->Send(main(), closed, 3, 0, nullptr));
    });
    EXPECT_EQ(results, std::pair(LRESULT{1}, LRESULT{1}));
    EXPECT_EQ(serve.ReadLine(5000), "WQ:MSG:APP_EXIT 3 -1");
    EXPECT_EQ(serve.ReadLine(5000), "WQ:MSG:M_CLOSE_COMPLETE 3 0");
    // Plain numbers print as numbers.
    EXPECT_EQ(player.Do([&] { return player.bus()->Send(main(), WM_CLOSE, 0, 0, nullptr); }), 1);
    EXPECT_EQ(serve.ReadLine(5000), "16 0 0");
    EXPECT_EQ(serve.ReadLine(200), std::nullopt);  // exactly one line per message

    EXPECT_EQ(serve.Stop(), 0);
    for (int i = 0; i < 100 && main() != 0; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(player.Do(main), 0u) << "the name outlived wqctl serve";
}

TEST(WqctlCommands, ShortcutsReachThePlayerAsTheLauncherWould) {
    Program player;
    player.Do([&] { player.bus()->Publish(Hwnd(1), u"WQAudio"); return 0; });
    player.On("WQ:MSG:KEYDOWN", [](const Message&) { return LRESULT{1}; });
    struct Case {
        const char* args;
        const char16_t* name;
        WPARAM wParam;
    };
    const Case cases[] = {
        {"play", u"WQ:MSG:KEYDOWN", 126},         {"up", u"WQ:MSG:KEYDOWN", 38},
        {"down", u"WQ:MSG:KEYDOWN", 40},          {"front", u"WQ:MSG:KEYDOWN", 121},
        {"close", u"WQ:MSG:KEYDOWN", 128},        {"pause", u"WQ:MSG:KEYDOWN", 129},
        {"card-in", u"WQ:MSG:KEYDOWN", 130},      {"card-out", u"WQ:MSG:KEYDOWN", 131},
        {"usb-in", u"WQ:MSG:KEYDOWN", 117},       {"usb-out", u"WQ:MSG:KEYDOWN", 118},
        {"marlo guide", u"BMSG_MARLO", 0},        {"marlo guide-end", u"BMSG_MARLO", 771},
        {"marlo quiet", u"BMSG_MARLO", 3},        {"marlo 4", u"BMSG_MARLO", 4},
        {"run-state 1", u"WQ:MSG:M_RUN_STATE", 1}, {"run-state 0", u"WQ:MSG:M_RUN_STATE", 0},
    };
    for (const auto& c : cases) {
        int status = -1;
        const std::string out = Wqctl(c.args, &status);
        EXPECT_EQ(status, 0) << c.args;
        const auto got = player.received();
        ASSERT_FALSE(got.empty()) << c.args;
        EXPECT_EQ(got.back().message.name, c.name) << c.args;
        EXPECT_EQ(got.back().message.wParam, c.wParam) << c.args;
    }
    EXPECT_EQ(player.received().size(), std::size(cases));
}

TEST(WqctlCommands, FindSendPostRaiseAndTheirFailures) {
    Program player(BusOptions{});
    player.Do([&] { player.bus()->Publish(Hwnd(1), u"WQAudio"); return 0; });
    player.On("WQ:MSG:M_AUDIO_PATTERN", [](const Message& m) { return m.lParam * 2; });
    player.On("273", [](const Message& m) { return LRESULT(m.wParam); });
    int status = -1;
    EXPECT_EQ(Wqctl("find wqaudio", &status), player.bus()->UniqueName() + "\n");
    EXPECT_EQ(status, 0);
    Wqctl("find WQAudi", &status);
    EXPECT_EQ(status, 1);
    player.Do([&] { player.bus()->Publish(Hwnd(2), u"볼륨 창"); return 0; });
    const std::string owner = player.bus()->UniqueName();
    const std::string listed = Wqctl("list", &status);
    EXPECT_EQ(status, 0);
    EXPECT_NE(listed.find("WQAudio\t" + owner + "\n"), std::string::npos) << listed;
    EXPECT_NE(listed.find("볼륨 창\t" + owner + "\n"), std::string::npos) << listed;
    EXPECT_EQ(Wqctl("send WQAudio WQ:MSG:M_AUDIO_PATTERN 1 -21", &status), "-42\n");
    EXPECT_EQ(Wqctl("send WQAudio WM_COMMAND 2009", &status), "2009\n");
    EXPECT_EQ(Wqctl("send wqaudio 0x111 0x7d9 0", &status), "2009\n");
    Wqctl("post WQAudio WQ:MSG:AUDIOUPDATE", &status);
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(player.WaitReceived(4));
    EXPECT_EQ(player.received()[3].message.name, u"WQ:MSG:AUDIOUPDATE");
    Wqctl("raise WQAudio", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(player.frontFlags.load(), 0x43u);

    const char* usage[] = {"", "bogus", "send WQAudio", "send WQAudio 0xC001 1", "send WQAudio WM_CLOSE x",
                           "tap 1", "marlo loudest", "--timeout 0 play", "serve"};
    for (const char* args : usage) {
        Wqctl(args, &status);
        EXPECT_EQ(status, 2) << "wqctl " << args;
    }
    Wqctl("send Nobody WM_CLOSE", &status);
    EXPECT_EQ(status, 1);

    // A hung player: wqctl gives up after its timeout and says so.
    player.Freeze();
    const auto start = std::chrono::steady_clock::now();
    Wqctl("--timeout 300 send WQAudio WM_CLOSE", &status);
    EXPECT_EQ(status, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
    player.Release();
}

TEST(WqctlCommands, HelpExplainsEveryCommandWithAnExample) {
    int status = -1;
    const std::string help = Wqctl("--help", &status);
    EXPECT_EQ(status, 0);
    const char* commands[] = {"list", "find",  "send", "post",  "raise", "serve",  "play",       "up",
                              "down",  "front", "close", "pause", "card-in", "card-out", "usb-in",
                              "usb-out", "marlo", "run-state", "tap", "drag", "screenshot", "state"};
    for (const char* c : commands) {
        EXPECT_NE(help.find(std::string("  ") + c), std::string::npos) << c << " is not explained";
    }
    for (const char* c : {"list", "find", "send", "post", "raise", "serve", "pause", "marlo", "run-state", "tap", "drag",
                          "screenshot", "state"})
        EXPECT_NE(help.find(std::string("wqctl ") + c), std::string::npos) << c << " has no example";
}

// The automation side of a program, recording what wqctl asked for.
class Recorder : public AutomationHost {
    // Window names compare case-insensitively (ASCII is enough here).
    static bool IsPlayer(std::u16string_view w) {
        std::string a(w.begin(), w.end());
        return g_ascii_strcasecmp(a.c_str(), "WQAudio") == 0;
    }

public:
    std::vector<std::string> calls;
    bool Tap(std::u16string_view w, POINT at) override {
        calls.push_back("tap " + std::string(w.begin(), w.end()) + " " + std::to_string(at.x) + " " +
                        std::to_string(at.y));
        return IsPlayer(w);
    }
    bool Drag(std::u16string_view w, POINT a, POINT b) override {
        calls.push_back("drag " + std::string(w.begin(), w.end()) + " " + std::to_string(a.x) + " " +
                        std::to_string(a.y) + " " + std::to_string(b.x) + " " + std::to_string(b.y));
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
    player.Do([&] { player.bus()->Publish(Hwnd(1), u"WQAudio"); return 0; });
    int status = -1;
    Wqctl("tap 10 20", &status);
    EXPECT_EQ(status, 1);  // not exported: refused by the bus
    EXPECT_TRUE(player.Do([&] { return player.bus()->EnableAutomation(recorder); }));

    Wqctl("tap 10 20", &status);
    EXPECT_EQ(status, 0);
    Wqctl("drag 1 2 -3 400", &status);
    EXPECT_EQ(status, 0);
    Wqctl("--to WQVol tap 1 1", &status);  // no such window on the bus
    EXPECT_EQ(status, 1);
    const std::string file = testing::TempDir() + "wqctl_shot.png";
    Wqctl("screenshot wqaudio " + file, &status);
    EXPECT_EQ(status, 0);
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, std::string("\x89PNG\0\1\2\xFF", 8));
    EXPECT_EQ(Wqctl("state WQAudio", &status), "{\"name\":\"WQAudio\",\"children\":[]}\n");
    EXPECT_EQ(status, 0);
    // The window name given to the program is the one asked for; a name the
    // program does not know gives an error, not an empty file.
    player.Do([&] { player.bus()->Publish(Hwnd(2), u"Other"); return 0; });
    Wqctl("screenshot Other " + file + ".2", &status);
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(std::ifstream(file + ".2").good());
    const std::vector<std::string> expected = {"tap WQAudio 10 20", "drag WQAudio 1 2 -3 400"};
    EXPECT_EQ(player.Do([&] { return recorder.calls; }), expected);
}

}  // namespace
}  // namespace wq::ipc::test
