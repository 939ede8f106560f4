// The system's sound server (PulseAudio, or PipeWire's pulse server) as the
// device's audio outputs: its default output's volume, mute and active port
// are mirrored into the device settings the status strip reads, and volume
// and mute requests are applied to that output.
//
// Mirrored settings, section "WQSETUP":
//   "Volume"   (settings file)       round(volume x 11), 0..11, of the loudest channel
//   "Mute"     (settings file)       1 while the output is muted
//   "earphone" (in-memory settings)  1 while the active port is a headphone jack
// A value is written only when it differs from the stored one; after a burst of
// server events that changed anything, the change hook runs once.
//
// The connection lives on a thread of its own and never blocks its callers.
// Without a server the module says so once through Dbg and otherwise stays
// off; when the server goes away it says so once, stops, and tries again every
// retry period (it does not spin) until the server is back.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/wintypes.h"

namespace wq::device {

// What the server reports for its default output.
struct SinkState {
    double volume = 0;  // the loudest channel; 1.0 is the output's full (100 %) volume
    bool muted = false;
    bool headphones = false;
    bool operator==(const SinkState&) const = default;
};

// A port counts as a headphone jack by its type (PulseAudio 14 and later),
// or, for servers that do not type ports, by "headphone" in its name.
// `type` is pa_device_port_type_t; `name` may be null.
bool IsHeadphonePort(const char* name, int type);

class SoundServer {
public:
    struct Options {
        // Server address as libpulse takes it ("unix:/run/user/1000/pulse/native");
        // empty: libpulse's own choice (PULSE_SERVER, the user's runtime folder).
        std::string server;
        // How long to wait before connecting again after a failure.
        DWORD retryMs = 2000;
    };
    // Runs on the module's thread after the settings were written.
    using ChangeHook = std::function<void()>;

    // Starts the module's thread; connecting happens there. nullptr only when
    // the thread or its loop cannot be made.
    static std::unique_ptr<SoundServer> Start(Options options, ChangeHook onChange);
    ~SoundServer();
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;

    // Any thread.
    bool IsConnected() const;
    // The last state read from the server; empty before the first one.
    std::optional<SinkState> LastState() const;
    // How many connections were attempted (each failure waits a retry period).
    int ConnectAttempts() const;

    // Requests, from any thread, returning at once. Applied to the default
    // output by the module's thread; dropped while there is no server.
    // Level 0..11 (limited to that range) becomes level / 11 of full volume,
    // the balance between channels kept.
    void SetVolumeLevel(int level);
    void SetMute(bool muted);

    struct Impl;

private:
    explicit SoundServer(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

}  // namespace wq::device
