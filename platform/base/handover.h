// Hand-overs between threads that a library orders with locks of its own.
//
// GLib and GStreamer order the work they pass between threads: a function
// queued on a GLib main context runs after it was queued, a GStreamer callback
// on a streaming thread runs after the state change that started the stream,
// and the state change to NULL returns only after every callback has finished.
// They do it with futex-based locks in code built without ThreadSanitizer,
// which therefore cannot see that order and reports our own data passed along
// as raced. HandOver(p) on one thread and TakeOver(p) on another, on the same
// address, state that order: what the first thread did before HandOver is
// visible to the second after TakeOver. They are used only where the library
// documents the order, never instead of a lock of our own, and compile to
// nothing outside ThreadSanitizer builds.
#pragma once

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace wq {

inline void HandOver([[maybe_unused]] const void* p) {
#if defined(__SANITIZE_THREAD__)
    __tsan_release(const_cast<void*>(p));
#endif
}

inline void TakeOver([[maybe_unused]] const void* p) {
#if defined(__SANITIZE_THREAD__)
    __tsan_acquire(const_cast<void*>(p));
#endif
}

// A callback that a library runs on its own thread: takes over at its start and
// hands over at its end, so both the work before the callback and the thread
// that later waits for the library see what it did.
class CallbackScope {
public:
    explicit CallbackScope(const void* p) : m_p(p) { TakeOver(p); }
    ~CallbackScope() { HandOver(m_p); }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

private:
    const void* m_p;
};

}  // namespace wq
