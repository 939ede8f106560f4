// The desktop bus: windows of other processes over the D-Bus session bus.
//
// Each program opens its own connection to the session bus and runs it on a
// dedicated thread with its own GLib main context, never on the GUI thread. A
// published window name N is the well-known bus name org.wqaudio.Window.<N'>
// owned by the program, whose object /org/wqaudio/Window/<N'> carries the
// org.wqaudio.Window interface (N' = WindowElement(N), see names.h;
// docs/ipc.md lists every method). Two programs asking for the same name queue
// on the bus: the first keeps it, the next gets it when the first lets go.
//
// Thread rules: Publish, Withdraw and the destructor are called on the GUI
// thread (the thread that runs the Host's tasks). Find, Send, Post and
// BringToFront may also come from other threads; only the GUI thread keeps
// handling messages sent to it while it waits. Incoming calls are answered on
// the bus thread after the GUI thread has run them through the Host.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/wintypes.h"
#include "platform/ipc/host.h"
#include "platform/ipc/objects.h"

extern "C" {
typedef struct _GVariant GVariant;
}

namespace wq::ipc {

struct BusOptions {
    // How long Send and BringToFront wait for the other program's GUI thread.
    // Our programs never need a sent message's result in a hurry, and the GUI
    // thread must not hang on another program: a peer that does not answer in
    // time is given up on, and later sends to it are not waited for until it
    // answers one of them (the messages are still delivered, in order).
    DWORD sendTimeoutMs = 1000;
    // Incoming messages accepted but not yet run by the GUI thread; beyond this
    // a sent message is refused (its sender sees 0) and a posted one dropped.
    int maxPending = 256;
    // Bus address; empty means the session bus of this user (the environment's
    // DBUS_SESSION_BUS_ADDRESS or the user's runtime folder).
    std::string address;
};

class AutomationHost;

// The calls mirror the window system's RemoteWindows (platform/win/remote.h),
// which the desktop bus (desktop.h) implements with them; the bus itself knows
// nothing of windows, so programs without a window system use it alone.
class Bus final {
public:
    // Connects and starts the bus thread. Without a reachable session bus it
    // says so once (the program then runs alone) and returns nullptr.
    static std::unique_ptr<Bus> Create(Host& host, BusOptions options = {});
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;

    // Another program's window with this name (whole name, any case), as an
    // id > 0; 0 when there is none or the name is this program's own.
    std::uint64_t Find(std::u16string_view name);
    // Sends and waits for the handler's result, handling messages sent to this
    // program meanwhile; *delivered is false (and 0 returned) when the other
    // program does not answer within BusOptions::sendTimeoutMs, and at once
    // when it has let an earlier call time out and not answered one since.
    LRESULT Send(std::uint64_t id, UINT msg, WPARAM wParam, LPARAM lParam, bool* delivered);
    // Queues the message and returns at once; order per sender is kept.
    bool Post(std::uint64_t id, UINT msg, WPARAM wParam, LPARAM lParam);
    // SetWindowPos with these flags, then SetForegroundWindow unless
    // SWP_NOACTIVATE is among them, in the other program.
    bool BringToFront(std::uint64_t id, UINT swpFlags);
    // Offers the name of a local window on the bus, or takes it back.
    void Publish(HWND hwnd, std::u16string_view name);
    void Withdraw(HWND hwnd);
    // Takes the foreground name: the program that holds it is the one in front;
    // the one that loses it hears Host::LostForeground.
    void TakeForeground();
    // Owns the window name without queueing behind another program: false when
    // another program holds it (this program should then not run twice).
    bool Claim(std::u16string_view name);

    // Every window published on the bus by any program (this one included):
    // its name as that program spells it and the program's unique name.
    struct Published {
        std::u16string name;
        std::string owner;
    };
    std::vector<Published> ListWindows();

    // This connection's unique bus name (":1.42"), and the unique name of the
    // program behind a Find id (empty for an unknown id).
    std::string UniqueName() const;
    // False once the bus has gone away (the daemon ended); the program then
    // runs alone. Any thread.
    bool IsConnected() const;
    std::string OwnerOf(std::uint64_t id) const;

    // Exports org.wqaudio.Automation at /org/wqaudio/Automation, answered by
    // `host` on the GUI thread (see automation.h). Only programs started for
    // automation call this; `host` must outlive the bus. Nothing else exports it.
    bool EnableAutomation(AutomationHost& host);

    // Exports an object with the interfaces of `introspectionXml` (one
    // <node>) at `path`, answered by `handler` (see objects.h), which must
    // outlive the export. At most `maxQueued` of its calls wait for the GUI
    // thread at a time. False (and said once) when the XML does not parse or
    // the path is taken. Not from the bus thread.
    bool ExportObject(const std::string& path, const std::string& introspectionXml,
                      ObjectHandler& handler, int maxQueued = 16);
    // Withdraws the object; no call reaches its handler after this returns.
    // Not from the bus thread.
    void UnexportObject(const std::string& path);

    // Asks for a further well-known name without waiting. Requests queue like
    // window names: when another program owns it, this one gets it as soon
    // as that one lets go. Released by ReleaseName or when the bus closes.
    // Any thread.
    void RequestName(const std::string& name);
    void ReleaseName(const std::string& name);

    // Emits `signal` of `iface` from the object at `path` to every listener
    // (`args` a tuple or nullptr; a floating one is consumed). Any thread;
    // never waits. False when the connection has gone.
    bool EmitSignal(const std::string& path, const char* iface, const char* signal, GVariant* args);

    // Calls `method` of `iface` at `path` (nullptr: the window's own object) in
    // the program behind `id` and waits for the answer as Send does, handling
    // messages sent to this program meanwhile. `args` is a GVariant tuple (a
    // floating one is consumed). Returns the reply, which the caller unrefs, or
    // nullptr with the bus's error text in `error`.
    GVariant* Call(std::uint64_t id, const char* path, const char* iface, const char* method,
                   GVariant* args, const char* replyType, std::string* error);

    struct Impl;

private:
    explicit Bus(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

// Says `text` on the program's debug output, once per distinct text. The
// output is standard error until a program installs its own (the desktop bus
// of a program with windows installs Dbg). Any thread.
void SayOnce(const std::string& text);
void SetSayHook(std::function<void(const std::string& text)> hook);

}  // namespace wq::ipc
