// A GUI-thread inbox for programs that have no window system (wqctl, and the
// bus tests that stand in for two programs): the bus thread queues tasks, the
// thread that owns the inbox runs them. Sent tasks run before posted ones.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/ipc/host.h"

namespace wq::ipc {

class Inbox {
public:
    // Thread-safe; tasks queued after Close are dropped.
    void Post(std::function<void()> task);
    void Send(std::function<void()> task);

    // Owner thread. RunSent runs every waiting sent task; WaitForSent first
    // waits up to `timeoutMs` for one. Both return the number run.
    int RunSent();
    int WaitForSent(DWORD timeoutMs);

    // Owner thread: runs the waiting sent tasks and then one posted task,
    // waiting up to `timeoutMs` for work. False when nothing ran.
    bool RunOne(DWORD timeoutMs);

    // Drops every queued task (outside the lock) and refuses new ones.
    void Close();

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_sent, m_posted;
    bool m_closed = false;
};

// Registered message names for programs without the window system: ids from
// 0xC000 up, one per name compared case-insensitively (by the rule of
// platform/base/casefold.h, as RegisterWindowMessage does), for the life of
// the table. Thread-safe.
class MessageTable {
public:
    UINT Register(std::u16string_view name);
    std::u16string NameOf(UINT id) const;  // empty when not registered

private:
    mutable std::mutex m_mutex;
    std::unordered_map<std::u16string, UINT> m_ids;  // by case-folded name
    std::vector<std::u16string> m_names;             // by id - 0xC000
};

// The Host of a program without windows: tasks go through an Inbox, names
// through a MessageTable; Deliver and BringToFront are the program's own.
class InboxHost : public Host {
public:
    Inbox& inbox() { return m_inbox; }
    MessageTable& messages() { return m_messages; }

    void PostTask(std::function<void()> task) override { m_inbox.Post(std::move(task)); }
    void SendTask(std::function<void()> task) override { m_inbox.Send(std::move(task)); }
    int WaitForSentTasks(DWORD timeoutMs) override { return m_inbox.WaitForSent(timeoutMs); }
    std::u16string MessageName(UINT msg) override { return m_messages.NameOf(msg); }

private:
    Inbox m_inbox;
    MessageTable m_messages;
};

}  // namespace wq::ipc
