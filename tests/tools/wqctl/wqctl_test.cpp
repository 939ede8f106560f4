// wqctl as a separate program on the private bus: driving a program's
// windows, the launcher's shortcuts and the errors.
#include <gtest/gtest.h>

#include "tests/support/private_bus.h"
#include "tests/support/program.h"

namespace wq::ipc::test {
namespace {

std::string Wqctl(const std::string& args) {
    std::string out;
    RunCommand(WQCTL_PATH " " + args + " 2>/dev/null", &out);
    return out;
}
int Status(const std::string& args) {
    return RunCommand(WQCTL_PATH " " + args + " 2>/dev/null");
}

TEST(WqctlCommands, FindSendPostRaiseTheLaunchersShortcutsAndTheirFailures) {
    Program player;
    player.Publish(1, u"WQAudio");
    player.Publish(2, u"볼륨 창");
    player.On("WQ:MSG:M_AUDIO_PATTERN", [](const Message& m) { return m.lParam * 2; });
    player.On("273", [](const Message& m) { return LRESULT(m.wParam); });
    player.On("WQ:MSG:KEYDOWN", [](const Message&) { return LRESULT{1}; });
    const std::string owner = player.bus()->UniqueName();
    EXPECT_EQ(Wqctl("find wqaudio"), owner + "\n");
    const std::string listed = Wqctl("list");
    EXPECT_NE(listed.find("WQAudio\t" + owner + "\n"), std::string::npos) << listed;
    EXPECT_NE(listed.find("볼륨 창\t" + owner + "\n"), std::string::npos) << listed;
    EXPECT_EQ(Status("list"), 0) << "and ends cleanly (a leak fails a sanitized build)";
    EXPECT_EQ(Wqctl("send WQAudio WQ:MSG:M_AUDIO_PATTERN 1 -21"), "-42\n");
    EXPECT_EQ(Wqctl("send WQAudio WM_COMMAND 2009"), "2009\n");
    EXPECT_EQ(Wqctl("send wqaudio 0x111 0x7d9 0"), "2009\n");
    EXPECT_EQ(Status("post WQAudio WQ:MSG:AUDIOUPDATE"), 0);
    ASSERT_TRUE(player.WaitReceived(4));
    EXPECT_EQ(player.received()[3].message.name, u"WQ:MSG:AUDIOUPDATE");
    EXPECT_EQ(Status("raise WQAudio"), 0);
    EXPECT_EQ(player.frontFlags.load(), 0x43u);

    const size_t before = player.received().size();
    const std::pair<const char*, WPARAM> keys[] = {
        {"play", 126},  {"up", 38},       {"down", 40},      {"front", 121},  {"close", 128},
        {"pause", 129}, {"card-in", 130}, {"card-out", 131}, {"usb-in", 117}, {"usb-out", 118}};
    const std::tuple<const char*, const char16_t*, WPARAM> others[] = {
        {"marlo guide-end", u"BMSG_MARLO", 771}, {"run-state 0", u"WQ:MSG:M_RUN_STATE", 0}};
    auto check = [&](const char* args, const char16_t* name, WPARAM wParam) {
        EXPECT_EQ(Status(args), 0) << args;
        const auto got = player.received();
        EXPECT_EQ(got.back().message.name, name) << args;
        EXPECT_EQ(got.back().message.wParam, wParam) << args;
    };
    for (const auto& [args, key] : keys) check(args, u"WQ:MSG:KEYDOWN", key);
    for (const auto& [args, name, wParam] : others) check(args, name, wParam);
    EXPECT_EQ(player.received().size(), before + std::size(keys) + std::size(others));

    for (const char* args :
         {"", "bogus", "send WQAudio", "send WQAudio 0xC001 1", "send WQAudio WM_CLOSE x", "tap 1",
          "marlo loudest", "--timeout 0 play", "serve"})
        EXPECT_EQ(Status(args), 2) << "wqctl " << args;
    EXPECT_EQ(Status("find WQAudi"), 1);
    EXPECT_EQ(Status("send Nobody WM_CLOSE"), 1);
}

}  // namespace
}  // namespace wq::ipc::test
