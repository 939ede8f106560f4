// The real program's media-player interface against a plain GDBus client on
// a private bus: calls with wrong signatures and out-of-range values get an
// error or are ignored and leave the player's state in range, and a burst of
// a thousand calls leaves the GUI answering.
// (tests/app/desktop_test.py drives the same interface with playerctl.)
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "tests/support/bus_client.h"
#include "tests/support/temp_root.h"

namespace {

using namespace std::chrono_literals;
using wq::ipc::test::Client;
using Clock = std::chrono::steady_clock;

constexpr const char* kDest = "org.mpris.MediaPlayer2.wqaudio";
constexpr const char* kPath = "/org/mpris/MediaPlayer2";
constexpr const char* kRoot = "org.mpris.MediaPlayer2";
constexpr const char* kPlayer = "org.mpris.MediaPlayer2.Player";
constexpr const char* kProps = "org.freedesktop.DBus.Properties";
constexpr const char* kInvalid = "org.freedesktop.DBus.Error.InvalidArgs";

std::string Uri(const std::string& path) {
    gchar* uri = g_filename_to_uri(path.c_str(), nullptr, nullptr);
    std::string out = uri ? uri : "";
    g_free(uri);
    return out;
}

class MprisProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_root = new wq::test::TempRoot;
        const std::string card = s_root->MakeDir("SDMMC Card/AUDIO");
        const std::string wav = s_root->Host("tone.wav");  // 30 s, made into two tracks
        ASSERT_TRUE(wq::test::MakeToneWav(wav, 44100, 2, 30));
        for (const char* track : {"/01 One.mp3", "/02 Two.mp3"})
            ASSERT_TRUE(
                wq::test::Shell("lame --quiet -b 128 '" + wav + "' '" + card + track + "'"));
        std::filesystem::remove(wav);
        s_root->MakeFile("SDMMC Card/AUDIO/notes.txt", "not music");
        ASSERT_EQ(mkfifo(s_root->Host("SDMMC Card/AUDIO/pipe.mp3").c_str(), 0644), 0);
        std::filesystem::create_directory_symlink(WQ_SOURCE_DIR "/skin",
                                                  s_root->MakeDir("NAND Flash") + "/skin");
        s_pid = fork();
        if (s_pid == 0) {
            // GLib's one-time allocations match the leak suppressions only
            // with full stack unwinding.
            if (const char* asan = getenv("ASAN_OPTIONS"))
                setenv(
                    "ASAN_OPTIONS",
                    (std::string(asan) + ":fast_unwind_on_malloc=0:malloc_context_size=8").c_str(),
                    1);
            execl(WQAUDIO_PATH, "wqaudio", "--headless", "--audio-sink", "null", "--automation",
                  "--root", s_root->Path().c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_GT(s_pid, 0);
    }
    static void TearDownTestSuite() {
        if (s_pid > 0) {
            Client client;
            client.Call(kDest, kPath, kRoot, "Quit");
            // Quit is the orderly close: the player ends by itself, with status 0.
            int status = -1;
            if (!client.Pump([&] { return waitpid(s_pid, &status, WNOHANG) != 0; }, 20s)) {
                kill(s_pid, SIGKILL);
                waitpid(s_pid, &status, 0);
                ADD_FAILURE() << "Quit did not end the player";
            }
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        }
        delete s_root;
    }
    void SetUp() override {
        ASSERT_TRUE(client.Connected());
        ASSERT_TRUE(client.Pump([&] { return Get("CanPlay") == "<true>"; }, 30s))
            << "the player did not come up on the bus";
    }

    std::string Get(const char* name, const char* iface = kPlayer) {
        std::string v =
            client.Call(kDest, kPath, kProps, "Get", g_variant_new("(ss)", iface, name));
        // "(<'Playing'>,)" -> "<'Playing'>"
        return v.size() > 3 && v.front() == '(' ? v.substr(1, v.size() - 3) : v;
    }
    std::string Set(const char* name, GVariant* value) {
        return client.Call(kDest, kPath, kProps, "Set",
                           g_variant_new("(ssv)", kPlayer, name, value));
    }
    std::string Player(const char* method, GVariant* args = nullptr) {
        return client.Call(kDest, kPath, kPlayer, method, args);
    }
    double PositionSeconds() {
        const std::string v = Get("Position");  // "<int64 1234>"
        return std::stod(v.substr(v.find(' ') + 1)) / 1e6;
    }
    std::string TrackId() {
        const std::string m = Get("Metadata");
        const auto at = m.find("objectpath '") + 12;
        return m.substr(at, m.find('\'', at) - at);
    }
    std::string PlayerProperties() {
        std::string all =
            client.Call(kDest, kPath, kProps, "GetAll", g_variant_new("(s)", kPlayer));
        const auto at = all.find("'Position'");
        return at == std::string::npos ? all : all.erase(at, all.find(">", at) - at);
    }

    static wq::test::TempRoot* s_root;
    static pid_t s_pid;
    Client client;
};

wq::test::TempRoot* MprisProgram::s_root = nullptr;
pid_t MprisProgram::s_pid = -1;

TEST_F(MprisProgram, CallsWithWrongSignaturesAreRefusedAndChangeNothing) {
    const std::string before = PlayerProperties();
    const std::pair<const char*, GVariant*> wrong[] = {
        {"Seek", g_variant_new("(s)", "10")},
        {"SetPosition", g_variant_new("(sx)", "/org/x", gint64{1})},
        {"OpenUri", g_variant_new("(i)", 1)},
    };
    for (const auto& [method, args] : wrong) EXPECT_EQ(Player(method, args), kInvalid) << method;
    EXPECT_EQ(Set("Volume", g_variant_new_string("loud")), kInvalid);
    EXPECT_EQ(Set("PlaybackStatus", g_variant_new_string("Playing")), kInvalid);
    EXPECT_EQ(client.Call(kDest, kPath, kPlayer, "Explode"),
              "org.freedesktop.DBus.Error.UnknownMethod");
    EXPECT_EQ(PlayerProperties(), before);
}

TEST_F(MprisProgram, OutOfRangeValuesAreClampedOrRefusedAndTheStateStaysInRange) {
    const std::string one = Uri(s_root->Host("SDMMC Card/AUDIO/01 One.mp3"));
    EXPECT_EQ(Player("OpenUri", g_variant_new("(s)", one.c_str())), "()");
    ASSERT_TRUE(client.Pump([&] { return Get("PlaybackStatus") == "<'Playing'>"; }, 10s));
    const std::string id = TrackId();

    // (Volumes out of range clamp: MprisValues.)
    EXPECT_EQ(Set("Volume", g_variant_new_double(std::nan(""))), kInvalid);
    EXPECT_EQ(Set("LoopStatus", g_variant_new_string("Bogus")), kInvalid);
    EXPECT_EQ(Get("LoopStatus"), "<'Playlist'>");

    // SetPosition beyond the end, before the start or for another track: ignored.
    EXPECT_EQ(Player("SetPosition", g_variant_new("(ox)", id.c_str(), gint64{10'000'000})), "()");
    EXPECT_NEAR(PositionSeconds(), 10.0, 0.5);
    for (gint64 bad : {gint64{-1}, gint64{31'000'000}, INT64_MAX})
        EXPECT_EQ(Player("SetPosition", g_variant_new("(ox)", id.c_str(), bad)), "()");
    EXPECT_EQ(Player("SetPosition", g_variant_new("(ox)", "/org/wqaudio/Track/t0", gint64{1})),
              "()");
    EXPECT_NEAR(PositionSeconds(), 10.0, 1.0);
    // Seek by -2^63 stops at the start; by +2^62 it is the next track.
    EXPECT_EQ(Player("Seek", g_variant_new("(x)", INT64_MIN)), "()");
    EXPECT_LT(PositionSeconds(), 1.0);
    EXPECT_EQ(Player("Seek", g_variant_new("(x)", gint64{1} << 62)), "()");
    EXPECT_TRUE(client.Pump([&] { return TrackId() != id; }, 10s));
    EXPECT_NE(Get("Metadata").find("02%20Two.mp3"), std::string::npos);
    EXPECT_EQ(Get("PlaybackStatus"), "<'Playing'>");

    // OpenUri refuses a FIFO and a file that is no music (other URIs: MprisUris).
    const std::string inside = Uri(s_root->Host("SDMMC Card/AUDIO")) + "/";
    for (const std::string& uri : {inside + "pipe.mp3", inside + "notes.txt"})
        EXPECT_EQ(Player("OpenUri", g_variant_new("(s)", uri.c_str())), kInvalid) << uri;
    EXPECT_NE(Get("Metadata").find("02%20Two.mp3"), std::string::npos);
    EXPECT_EQ(Get("PlaybackStatus"), "<'Playing'>");
}

TEST_F(MprisProgram, AThousandCallsInABurstLeaveTheGuiAnswering) {
    Client flood;
    const char* methods[] = {"PlayPause", "Next", "Previous", "Stop", "Play"};
    for (int i = 0; i < 1000; ++i) {
        if (i % 4 == 3)
            flood.Start(
                kDest, kPath, kProps, "Set",
                g_variant_new("(ssv)", kPlayer, "Volume", g_variant_new_double(i / 1000.0)));
        else if (i % 4 == 2)
            flood.Start(kDest, kPath, kPlayer, "Seek", g_variant_new("(x)", gint64{i} * 1000));
        else
            flood.Start(kDest, kPath, kPlayer, methods[i % 5]);
    }
    // Meanwhile another program's question waits only for the bus thread to
    // work through the calls ahead of it, each answered or refused at once:
    // the bus thread never waits for the GUI thread.
    const auto started = Clock::now();
    EXPECT_NE(Get("PlaybackStatus").find('<'), std::string::npos);
    EXPECT_LT(Clock::now() - started, 10s);

    ASSERT_TRUE(flood.Pump([&] { return flood.AllAnswered(); }, 60s));
    int done = 0, busy = 0;
    for (const std::string& a : flood.Answers()) {
        done += a == "()";
        busy += a == "org.wqaudio.Error.Busy";
    }
    EXPECT_EQ(done + busy, 1000) << "every call answered, none failed otherwise";
    // Only a few calls at a time reach the GUI thread; it answers the window's
    // state and the next command within a moment.
    EXPECT_GT(busy, 500) << "a track change alone holds the GUI thread for 50 ms";
    const auto asked = Clock::now();
    EXPECT_EQ(client
                  .Call("org.wqaudio.Window.wqaudio", "/org/wqaudio/Automation",
                        "org.wqaudio.Automation", "State", g_variant_new("(s)", "WQAudio"))
                  .rfind("('{", 0),
              0u);
    EXPECT_LT(Clock::now() - asked, 1s);
    const auto stop = Clock::now();
    EXPECT_EQ(Player("Stop"), "()");
    EXPECT_LT(Clock::now() - stop, 1s);
    EXPECT_EQ(Get("PlaybackStatus"), "<'Stopped'>");
}

}  // namespace
