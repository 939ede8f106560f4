// One simulated program for the bus tests: its own "GUI thread" running an
// Inbox, its own bus connection, and a handler table the test fills in. Do()
// runs a function on that thread as a posted message would and waits for it.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ipc/bus.h"
#include "platform/ipc/inbox.h"

namespace wq::ipc::test {

inline HWND Hwnd(std::uintptr_t v) { return reinterpret_cast<HWND>(v); }

struct Received {
    HWND hwnd;
    Message message;
    std::thread::id thread;
};

class Program : public InboxHost {
public:
    using Handler = std::function<LRESULT(const Message&)>;

    explicit Program(BusOptions options = {}) {
        std::promise<void> ready;
        m_thread = std::thread([this, options, &ready] {
            m_bus = Bus::Create(*this, options);
            ready.set_value();
            while (!m_stop) inbox().RunOne(20);
            m_bus.reset();
        });
        ready.get_future().wait();
    }
    ~Program() override {
        Release();
        m_stop = true;
        m_thread.join();
    }

    Bus* bus() { return m_bus.get(); }
    std::thread::id thread() const { return m_thread.get_id(); }

    template <typename F>
    auto Do(F fn) -> decltype(fn()) {
        auto task = std::make_shared<std::packaged_task<decltype(fn())()>>(std::move(fn));
        auto result = task->get_future();
        inbox().Post([task] { (*task)(); });
        return result.get();
    }
    // The bus calls, each made on the program's thread.
    void Publish(std::uintptr_t h, const char16_t* name) {
        Do([&] { m_bus->Publish(Hwnd(h), name); return 0; });
    }
    void Withdraw(std::uintptr_t h) { Do([&] { m_bus->Withdraw(Hwnd(h)); return 0; }); }
    std::uint64_t Find(const char16_t* name) { return Do([&] { return m_bus->Find(name); }); }
    LRESULT Send(std::uint64_t id, UINT msg, WPARAM w = 0, LPARAM l = 0, bool* delivered = nullptr) {
        return Do([&] { return m_bus->Send(id, msg, w, l, delivered); });
    }

    // The program's thread stops running tasks until Release (a hung program).
    void Freeze() {
        m_frozen = true;
        inbox().Post([this] {
            std::unique_lock lock(m_freezeMutex);
            m_freezeWake.wait(lock, [this] { return !m_frozen; });
        });
    }
    void Release() {
        {
            std::lock_guard lock(m_freezeMutex);
            m_frozen = false;
        }
        m_freezeWake.notify_all();
    }

    // Handlers by registered name ("WQ:MSG:KEYDOWN") or number ("16").
    void On(const std::string& key, Handler h) {
        std::lock_guard lock(m_mutex);
        m_handlers[key] = std::move(h);
    }
    std::vector<Received> received() {
        std::lock_guard lock(m_mutex);
        return m_received;
    }
    // Waits (up to 5 s) until at least `n` messages have arrived.
    bool WaitReceived(size_t n) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (received().size() < n) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    std::atomic<UINT> frontFlags{0};

    LRESULT Deliver(HWND hwnd, const Message& m) override {
        Handler h;
        {
            std::lock_guard lock(m_mutex);
            m_received.push_back({hwnd, m, std::this_thread::get_id()});
            auto it = m_handlers.find(m.name.empty() ? std::to_string(m.number)
                                                     : std::string(m.name.begin(), m.name.end()));
            if (it != m_handlers.end()) h = it->second;
        }
        return h ? h(m) : 0;
    }
    bool OnGuiThread() override { return std::this_thread::get_id() == m_thread.get_id(); }
    bool BringToFront(HWND, UINT flags) override {
        frontFlags = flags;
        return true;
    }

private:
    std::unique_ptr<Bus> m_bus;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_mutex;
    std::map<std::string, Handler> m_handlers;
    std::vector<Received> m_received;
    std::mutex m_freezeMutex;
    std::condition_variable m_freezeWake;
    bool m_frozen = false;
};

}  // namespace wq::ipc::test
