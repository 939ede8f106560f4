// The sound-server module and the key click against a private PulseAudio daemon:
// settings follow the server, requests reach it, a lost server is found again.
#include <canberra.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/device/common.h"
#include "platform/device/desktop_outputs.h"
#include "platform/device/hooks.h"
#include "tests/support/pulse_daemon.h"
#include "tests/support/temp_root.h"

namespace {

using wq::device::SoundServer;
using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& done, int ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!done() && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

// The number stored under WQSETUP in the settings file, or in memory with `mem`.
std::optional<DWORD> Stored(const char16_t* key, bool mem = false) {
    DWORD v = 0;
    if (!(mem ? CCommon::ReadINIMem : CCommon::ReadINIFile)(u"WQSETUP", key, REG_DWORD, &v))
        return std::nullopt;
    return v;
}

class DesktopAudioTest : public ::testing::Test {
protected:
    void SetUp() override {
        wq::device::SetSettingsPath(root.Host("settings.db"));
        wq::device::SetMemSettingsPath(root.Host("mem.db"));
        wq::device::EnableDebug(true);
        wq::device::SetDebugSink([this](const std::string& line) {
            std::lock_guard lock(m_mutex);
            if (line.rfind("sound server", 0) == 0 || line.rfind("key click", 0) == 0)
                m_lines.push_back(line);
        });
    }
    void TearDown() override {
        server.reset();
        wq::device::SetDebugSink(nullptr);
        wq::device::EnableDebug(false);
        wq::device::SetSettingsPath(std::string());
        wq::device::SetMemSettingsPath(std::string());
    }
    std::vector<std::string> Lines() {
        std::lock_guard lock(m_mutex);
        return m_lines;
    }
    void Connect(const std::string& address, DWORD retryMs = 100) {
        server = SoundServer::Start({address, retryMs}, [this] { ++changes; });
        ASSERT_TRUE(server);
    }

    wq::test::TempRoot root;
    std::unique_ptr<SoundServer> server;
    std::atomic<int> changes{0};

private:
    std::mutex m_mutex;
    std::vector<std::string> m_lines;
};

TEST(HeadphonePort, ByTypeOrByName) {
    EXPECT_TRUE(wq::device::IsHeadphonePort("anything", 3 /* PA_DEVICE_PORT_TYPE_HEADPHONES */));
    EXPECT_TRUE(wq::device::IsHeadphonePort("Headphone Jack", 0));
    EXPECT_FALSE(wq::device::IsHeadphonePort("analog-output-speaker", 4));
    EXPECT_FALSE(wq::device::IsHeadphonePort(nullptr, 0));
}

TEST_F(DesktopAudioTest, NoServerIsSaidOnceAndRetriedSlowly) {
    Connect("unix:" + root.Host("none/native"), 50);
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_FALSE(server->IsConnected());
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_NE(Lines()[0].find("none reachable"), std::string::npos) << Lines()[0];
    EXPECT_GE(server->ConnectAttempts(), 3) << "it keeps trying";
    EXPECT_LE(server->ConnectAttempts(), 12) << "once per retry period, not in a loop";
    EXPECT_FALSE(Stored(u"Volume")) << "nothing is written without a server";
    server->SetVolumeLevel(4);  // dropped, harmlessly
    EXPECT_EQ(changes, 0);
}

TEST_F(DesktopAudioTest, SettingsFollowTheServerAndRequestsReachIt) {
    wq::test::PulseDaemon daemon;
    if (auto why = wq::test::PulseDaemon::Missing(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(daemon.Start());
    Connect(daemon.Address());
    // (The server's 50 % and its mute reaching the settings and the strip:
    // DesktopStripTest.StripFollowsTheServerWithinASecond.) The null output
    // starts at full volume, unmuted, without ports.
    ASSERT_TRUE(WaitFor([&] { return changes == 1; }, 3000));
    EXPECT_EQ(Stored(u"earphone", true), 0u);
    ASSERT_TRUE(daemon.Pactl("set-sink-volume @DEFAULT_SINK@ 60% 30%"));
    ASSERT_TRUE(WaitFor([&] { return Stored(u"Volume") == 7u; }, 1000));
    // Requests through the device-services calls: the table entry's level, 3
    // of 11, keeping the balance of the channels. (Each look at the server
    // runs pactl, which a loaded machine makes slow.)
    auto outputs = std::make_shared<wq::device::DesktopOutputs>(std::move(server), nullptr);
    wq::device::SetOutputBackend(outputs);
    CCommon::SetOutVolume(wq::device::kOutVolume[3]);
    EXPECT_TRUE(WaitFor(
        [&] {
            return daemon.VolumePercents() == std::vector<int>{27, 14};
        },
        5000))
        << daemon.VolumePercents().size();
    CCommon::SetEarOutVolume(5140);  // level 4 of the headphone table
    EXPECT_TRUE(WaitFor([&] { return Stored(u"Volume") == 4u; }, 1000));
    CCommon::SetOutMute(1);
    EXPECT_TRUE(WaitFor([&] { return daemon.Muted() == true; }, 1000));
    wq::device::SetOutputBackend(nullptr);
}

TEST_F(DesktopAudioTest, AServerThatGoesAwayIsSaidOnceAndFoundAgain) {
    wq::test::PulseDaemon daemon;
    if (auto why = wq::test::PulseDaemon::Missing(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(daemon.Start());
    Connect(daemon.Address(), 100);
    ASSERT_TRUE(WaitFor([&] { return server->IsConnected(); }, 3000));
    daemon.Stop();
    ASSERT_TRUE(WaitFor([&] { return !server->IsConnected(); }, 1000));
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    int ended = 0;
    for (const auto& line : Lines()) ended += line.find("connection ended") != std::string::npos;
    EXPECT_EQ(ended, 1);

    ASSERT_TRUE(daemon.Start());
    ASSERT_TRUE(daemon.Pactl("set-sink-volume @DEFAULT_SINK@ 50%"));
    EXPECT_TRUE(WaitFor([&] { return server->IsConnected() && Stored(u"Volume") == 6u; }, 3000));
}

// The key click through libcanberra into the private server: played to its
// end with a theme that has the sound; Play never waits.
TEST_F(DesktopAudioTest, KeyClickPlaysTheThemeSoundWithoutWaiting) {
    wq::test::PulseDaemon daemon;
    if (auto why = wq::test::PulseDaemon::Missing(); !why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(daemon.Start());
    const std::string theme = root.MakeDir("share/sounds/freedesktop/stereo");
    ASSERT_TRUE(wq::test::MakeToneWav(theme + "/button-pressed.wav", 44100, 2, 0.05));
    root.MakeFile(
        "share/sounds/freedesktop/index.theme",
        "[Sound Theme]\nName=Test\nDirectories=stereo\n\n[stereo]\nOutputProfile=stereo\n");
    setenv("PULSE_SERVER", daemon.Address().c_str(), 1);
    setenv("CANBERRA_DRIVER", "pulse", 1);
    setenv("XDG_DATA_DIRS", root.Host("share").c_str(), 1);
    {
        auto click = wq::device::KeyClick::Start();
        const auto start = Clock::now();
        for (int i = 0; i < 100; ++i) click->Play();
        EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
        EXPECT_TRUE(WaitFor([&] { return click->LastOutcome() == CA_SUCCESS; }, 5000))
            << ca_strerror(click->LastOutcome());
        EXPECT_LT(click->Started(), 100) << "clicks asked for meanwhile merge";
    }
    unsetenv("PULSE_SERVER");
    unsetenv("CANBERRA_DRIVER");
    unsetenv("XDG_DATA_DIRS");
}

}  // namespace
