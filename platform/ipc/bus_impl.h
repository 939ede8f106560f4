// Internals shared by bus.cpp (connection, outgoing calls, publishing) and
// bus_incoming.cpp (calls from other programs). Not for users of the bus.
#pragma once

#include <gio/gio.h>
#include <sys/types.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/ipc/automation.h"
#include "platform/ipc/bus.h"

namespace wq::ipc {

// State that queued tasks and bus callbacks may still reach after the Bus
// object is gone; they hold it by shared_ptr and check `host`.
struct Shared {
    GDBusConnection* conn = nullptr;   // owned by Bus::Impl
    std::atomic<Host*> host{nullptr};  // cleared on the GUI thread when the bus closes
    uid_t uid = 0;
    int maxPending = 256;
    std::atomic<int> pending{0};  // incoming messages queued and not yet run

    std::mutex mutex;  // guards `windows`
    struct Published {
        HWND hwnd;
        std::u16string name;
    };
    std::map<std::string, std::vector<Published>> windows;  // by element, in publish order

    // Bus thread only: sender unique name -> same user as this program.
    std::unordered_map<std::string, bool> callers;
};

// The user data of one exported object.
struct ObjectData {
    std::shared_ptr<Shared> shared;
    std::string element;                   // window objects
    AutomationHost* automation = nullptr;  // the automation object
};

struct Bus::Impl {
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    BusOptions options;
    std::string unique;
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    std::thread thread;

    // Bus thread only (Register, Unregister and the automation export run there
    // through RunOnBus): element -> object registration.
    std::map<std::string, guint> registrations;
    guint automationRegistration = 0;
    std::map<HWND, std::string> elementOf;  // GUI thread

    std::mutex remoteMutex;
    struct Remote {
        std::string owner;
        std::string element;
    };
    std::vector<Remote> remotes;  // id = index + 1

    // Runs `fn` on the bus thread and waits for it. Not from the bus thread.
    void RunOnBus(const std::function<void()>& fn);
    void Register(const std::string& element);
    void Unregister(const std::string& element);
};

// Introspection data of the two interfaces (parsed once, never freed).
GDBusInterfaceInfo* WindowInterfaceInfo();
GDBusInterfaceInfo* AutomationInterfaceInfo();
const GDBusInterfaceVTable* WindowVTable();
const GDBusInterfaceVTable* AutomationVTable();

}  // namespace wq::ipc
