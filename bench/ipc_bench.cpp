// Desktop-bus figures: SendMessage round trip between two programs' GUI
// threads, and posted-message throughput, on a private dbus-daemon. The
// reference is the bare bus round trip (org.freedesktop.DBus.Peer.Ping to the
// daemon) measured in the same run.
//
//   ipc_bench [SENDS] [POSTS]      (defaults 2000 and 20000)
#include <gio/gio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "platform/ipc/bus.h"
#include "platform/ipc/inbox.h"
#include "tests/support/dbus_daemon.h"

namespace {

using Clock = std::chrono::steady_clock;
using wq::ipc::Bus;
using wq::ipc::Message;

// One program: a thread running an inbox, its bus, a handler answering 1.
class Program : public wq::ipc::InboxHost {
public:
    std::atomic<long> delivered{0};
    Program() {
        std::promise<void> ready;
        m_thread = std::thread([this, &ready] {
            m_bus = Bus::Create(*this);
            ready.set_value();
            while (!m_stop) inbox().RunOne(20);
            m_bus.reset();
        });
        ready.get_future().wait();
    }
    ~Program() override {
        m_stop = true;
        m_thread.join();
    }
    template <typename F>
    auto Do(F fn) -> decltype(fn()) {
        auto task = std::make_shared<std::packaged_task<decltype(fn())()>>(std::move(fn));
        auto result = task->get_future();
        inbox().Post([task] { (*task)(); });
        return result.get();
    }
    Bus* bus() { return m_bus.get(); }
    LRESULT Deliver(HWND, const Message&) override {
        ++delivered;
        return 1;
    }
    bool BringToFront(HWND, UINT) override { return true; }

private:
    std::unique_ptr<Bus> m_bus;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};

void Report(const char* what, std::vector<double>& us) {
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double v : us) sum += v;
    std::printf("%-34s n=%zu mean %.1f us  p50 %.1f us  p99 %.1f us\n", what, us.size(),
                sum / us.size(), us[us.size() / 2], us[us.size() * 99 / 100]);
}

}  // namespace

int main(int argc, char** argv) {
    const int sends = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int posts = argc > 2 ? std::atoi(argv[2]) : 20000;
    const pid_t daemon = wq::ipc::test::StartPrivateDbusDaemon();
    if (daemon < 0) {
        std::fprintf(stderr, "ipc_bench: dbus-daemon did not start\n");
        return 1;
    }
    {
        // Reference: one bare round trip to the daemon.
        GDBusConnection* conn = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
        std::vector<double> ping;
        for (int i = 0; i < sends; ++i) {
            const auto t0 = Clock::now();
            GVariant* r = g_dbus_connection_call_sync(
                conn, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus.Peer",
                "Ping", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
            ping.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
            if (r) g_variant_unref(r);
        }
        Report("reference: Peer.Ping to the daemon", ping);
        g_object_unref(conn);
    }
    Program player, launcher;
    launcher.Do([&] {
        launcher.bus()->Publish(reinterpret_cast<HWND>(1), u"WQMain");
        return 0;
    });
    const UINT keydown = player.messages().Register(u"WQ:MSG:KEYDOWN");
    const auto id = player.Do([&] { return player.bus()->Find(u"WQMain"); });

    std::vector<double> sent = player.Do([&] {
        std::vector<double> us;
        for (int i = 0; i < sends; ++i) {
            const auto t0 = Clock::now();
            player.bus()->Send(id, keydown, 38, 0, nullptr);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
        }
        return us;
    });
    Report("SendMessage round trip (by name)", sent);

    const long before = launcher.delivered;
    const auto t0 = Clock::now();
    player.Do([&] {
        for (int i = 0; i < posts; ++i) player.bus()->Post(id, keydown, static_cast<WPARAM>(i), 0);
        return 0;
    });
    // Posts beyond the receiver's bound of waiting messages are dropped by
    // design; count what arrived and stop when nothing more comes.
    long last = -1;
    while (launcher.delivered != last) {
        last = launcher.delivered;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count() - 0.2;
    const long got = launcher.delivered - before;
    std::printf("%-34s %d posted, %ld handled, %.0f handled/s\n", "PostMessage throughput", posts,
                got, got / seconds);
    kill(daemon, SIGTERM);
    waitpid(daemon, nullptr, 0);
    return 0;
}
