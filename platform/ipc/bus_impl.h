// Internals shared by bus.cpp (connection, outgoing calls, publishing) and
// bus_incoming.cpp (calls from other programs). Not for users of the bus.
#pragma once

#include <gio/gio.h>
#include <sys/types.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
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
    std::string unique;  // this connection's unique name
    int maxPending = 256;
    std::atomic<int> pending{0};  // incoming messages queued and not yet run

    // Outgoing posts whose receiver has not answered yet. A program that posts
    // and then exits (wqctl) waits for these answers before it disconnects:
    // the receiver checks who the sender is, and a sender that has already
    // left the bus cannot be checked and is refused.
    std::mutex postsMutex;
    std::condition_variable postsAnswered;
    int unansweredPosts = 0;

    std::mutex mutex;  // guards `windows`
    struct Published {
        HWND hwnd;
        std::u16string name;
    };
    std::map<std::string, std::vector<Published>> windows;  // by element, in publish order

    // Bus thread only: sender unique name -> same user as this program.
    std::unordered_map<std::string, bool> callers;
    // Bus thread only: the distinct registered names each sender has sent
    // (bus_incoming.cpp keeps each sender to a small quota), and how many
    // calls were refused.
    std::unordered_map<std::string, std::unordered_set<std::u16string>> namesBySender;
    unsigned long refusals = 0;

    // Programs that let a call of ours time out and have not answered one
    // since, by unique name. A send to one of them is still made but not
    // waited for, so a hung peer costs the sender one timeout, not one per
    // message. Any thread.
    std::mutex silentMutex;
    std::set<std::string> silent;
};

// Whether `sender` is a program of this program's user (asked once per
// sender). Bus thread.
bool CallerIsSameUser(Shared& shared, const gchar* sender);

// How many calls of one exported object wait for the GUI thread.
struct ObjectQueue {
    std::atomic<int> waiting{0};
    int limit = 16;
};

// Says `text` on the program's debug output every time (SayOnce says each
// distinct text once). Any thread.
void Say(const std::string& text);

// Asks the bus for kForegroundName, taking it from whoever has it. Any thread;
// does not wait.
void ClaimForeground(Shared& shared);

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
    std::set<std::string> claimed;  // elements owned without queueing (bus thread)
    guint automationRegistration = 0;
    std::map<HWND, std::string> elementOf;  // GUI thread

    std::mutex remoteMutex;
    struct Remote {
        std::string owner;
        std::string element;
    };
    std::vector<Remote> remotes;  // id = index + 1

    guint foregroundWatch = 0;  // NameLost of kForegroundName (bus thread)

    // Further objects (path -> registrations) and names (bus thread).
    std::map<std::string, std::vector<guint>> objects;
    std::set<std::string> names;

    // Runs `fn` on the bus thread and waits for it. Not from the bus thread.
    void RunOnBus(const std::function<void()>& fn);
    // Runs `fn` on the bus thread without waiting. Any thread.
    void InvokeOnBus(std::function<void()> fn);
    // Bus thread: withdraws every exported object and further name.
    void UnexportAll();
    void Register(const std::string& element);
    // Exports the window object and asks for its name without queueing; false
    // (and nothing exported) when another program owns the name.
    bool Claim(const std::string& element);
    bool Export(const std::string& element);
    void Unregister(const std::string& element);
};

// Bus thread: checks and converts the arguments of an incoming SendMessage or
// PostMessage (byName: "(stx)") or SendNumber or PostNumber ("(utx)") call,
// as the bus delivers them after matching the method's signature. False with
// the reason for the caller's error reply in *why, and its D-Bus error name in
// *error, when the call is refused: numbers off the allow-list of
// bus_incoming.cpp give org.wqaudio.Error.NotAllowed, malformed ones InvalidArgs.
bool ReadMessage(GVariant* params, bool byName, Message& m, const char** why,
                 const char** error = nullptr);

// Introspection data of the two interfaces (parsed once, never freed).
GDBusInterfaceInfo* WindowInterfaceInfo();
GDBusInterfaceInfo* AutomationInterfaceInfo();
const GDBusInterfaceVTable* WindowVTable();
const GDBusInterfaceVTable* AutomationVTable();

}  // namespace wq::ipc
