// The key click as a desktop event sound: libcanberra plays the sound theme's
// "button-pressed" through the desktop's sound server (or ALSA). The work
// happens on a thread of its own, so Play never waits for a server or a
// disk; clicks asked for while one is still being started merge into it.
// Where there is no sound (no server, no device, a theme without the sound)
// nothing is heard; the first failure is said once through Dbg.
#pragma once

#include <memory>

namespace wq::device {

class KeyClick {
public:
    // The event id asked of the sound theme.
    static constexpr const char* kEventId = "button-pressed";

    // nullptr only when the thread cannot be started.
    static std::unique_ptr<KeyClick> Start();
    ~KeyClick();
    KeyClick(const KeyClick&) = delete;
    KeyClick& operator=(const KeyClick&) = delete;

    // Any thread; returns at once.
    void Play();

    // For tests: clicks handed to libcanberra so far, and the outcome of the
    // last one once it has finished playing (a CA_ERROR_* code, 0 when it was
    // played to its end); 1 while none has finished yet.
    int Started() const;
    int LastOutcome() const;

    struct Impl;

private:
    explicit KeyClick(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace wq::device
