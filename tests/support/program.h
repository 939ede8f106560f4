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
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/ipc/bus.h"
#include "platform/ipc/inbox.h"

namespace wq::ipc::test {

inline HWND Hwnd(std::uintptr_t v) {
    return reinterpret_cast<HWND>(v);
}

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
        Do([&] { m_bus->Publish(Hwnd(h), name); });
    }
    void Withdraw(std::uintptr_t h) {
        Do([&] { m_bus->Withdraw(Hwnd(h)); });
    }
    std::uint64_t Find(const char16_t* name) {
        return Do([&] { return m_bus->Find(name); });
    }
    LRESULT Send(std::uint64_t id, UINT msg, WPARAM w = 0, LPARAM l = 0,
                 bool* delivered = nullptr) {
        return Do([&] { return m_bus->Send(id, msg, w, l, delivered); });
    }

    // The program's thread runs nothing more until Release (a hung program).
    void Freeze() {
        m_thaw.emplace();
        inbox().Post([f = m_thaw->get_future().share()] { f.wait(); });
    }
    void Release() {
        if (m_thaw) m_thaw->set_value();
        m_thaw.reset();
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
        for (int i = 0; i < 1000 && received().size() < n; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return received().size() >= n;
    }

    std::atomic<UINT> frontFlags{0};

    LRESULT Deliver(HWND hwnd, const Message& m) override {
        std::unique_lock lock(m_mutex);
        m_received.push_back({hwnd, m, std::this_thread::get_id()});
        auto it = m_handlers.find(m.name.empty() ? std::to_string(m.number)
                                                 : std::string(m.name.begin(), m.name.end()));
        const Handler h = it == m_handlers.end() ? Handler() : it->second;
        lock.unlock();
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
    std::optional<std::promise<void>> m_thaw;
};

}  // namespace wq::ipc::test
