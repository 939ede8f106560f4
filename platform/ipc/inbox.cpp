#include "platform/ipc/inbox.h"

#include <chrono>

#include "platform/base/casefold.h"

namespace wq::ipc {

void Inbox::Post(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) return;
        m_posted.push_back(std::move(task));
    }
    m_wake.notify_all();
}

void Inbox::Send(std::function<void()> task) {
    {
        std::lock_guard lock(m_mutex);
        if (m_closed) return;
        m_sent.push_back(std::move(task));
    }
    m_wake.notify_all();
}

int Inbox::RunSent() {
    int ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(m_mutex);
            if (m_sent.empty()) return ran;
            task = std::move(m_sent.front());
            m_sent.pop_front();
        }
        task();
        ++ran;
    }
}

int Inbox::WaitForSent(DWORD timeoutMs) {
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [this] { return !m_sent.empty() || m_closed; });
    }
    return RunSent();
}

bool Inbox::RunOne(DWORD timeoutMs) {
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [this] { return !m_sent.empty() || !m_posted.empty() || m_closed; });
    }
    int ran = RunSent();
    std::function<void()> task;
    {
        std::lock_guard lock(m_mutex);
        if (!m_posted.empty()) {
            task = std::move(m_posted.front());
            m_posted.pop_front();
        }
    }
    if (task) {
        task();
        ++ran;
    }
    return ran > 0;
}

void Inbox::Close() {
    std::deque<std::function<void()>> sent, posted;
    {
        std::lock_guard lock(m_mutex);
        m_closed = true;
        sent.swap(m_sent);
        posted.swap(m_posted);
    }
    m_wake.notify_all();
}

UINT MessageTable::Register(std::u16string_view name) {
    if (name.empty()) return 0;
    std::lock_guard lock(m_mutex);
    auto [it, added] = m_ids.try_emplace(FoldCase(name), 0);
    if (added) {
        if (m_names.size() >= 0x4000) {
            m_ids.erase(it);
            return 0;
        }
        m_names.emplace_back(name);
        it->second = static_cast<UINT>(0xC000 + m_names.size() - 1);
    }
    return it->second;
}

std::u16string MessageTable::NameOf(UINT id) const {
    std::lock_guard lock(m_mutex);
    if (id < 0xC000 || id - 0xC000 >= m_names.size()) return {};
    return m_names[id - 0xC000];
}

}  // namespace wq::ipc
