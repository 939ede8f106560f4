#include "platform/base/guithread.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace wq {
namespace {

// Read on every thread, written when the loop starts: an atomic, so a thread
// asking whether it is the GUI thread never races with the binding.
std::atomic<std::thread::id> g_guiThread{};

}  // namespace

bool IsGuiThread() {
    const std::thread::id id = g_guiThread.load(std::memory_order_acquire);
    return id != std::thread::id{} && id == std::this_thread::get_id();
}

void BindGuiThread() {
    std::thread::id none{};
    g_guiThread.compare_exchange_strong(none, std::this_thread::get_id(),
                                        std::memory_order_acq_rel);
}

void RebindGuiThread() {
    g_guiThread.store(std::this_thread::get_id(), std::memory_order_release);
}

void CheckGuiThread(const SourcePlace& where) {
    const std::thread::id self = std::this_thread::get_id();
    std::thread::id bound = g_guiThread.load(std::memory_order_acquire);
    if (bound == self) return;
    if (bound == std::thread::id{} &&
        g_guiThread.compare_exchange_strong(bound, self, std::memory_order_acq_rel)) {
        return;
    }
    std::fprintf(stderr,
                 "wqaudio: %s (%s:%u) runs on a thread that is not the GUI thread; windows and "
                 "device contexts belong to the GUI thread, other threads use PostMessage or "
                 "PostTask\n",
                 where.function, where.file, where.line);
    std::abort();
}

}  // namespace wq
