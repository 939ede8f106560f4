// Registered window messages and the installed transport to other processes.
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/base/casefold.h"
#include "platform/win/internal.h"
#include "platform/win/remote.h"

namespace {

struct Registry {
    std::mutex mutex;
    std::unordered_map<std::u16string, UINT> byName;  // by case-folded name
    // index = id - 0xC000, spelled as first registered; a deque never moves its
    // elements, so the views GetRegisteredMessageName hands out stay valid.
    std::deque<std::u16string> names;
};

// Function-local so that registration works during static initialisation.
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

wq::win::RemoteWindows* g_remote = nullptr;

}  // namespace

UINT RegisterWindowMessageW(LPCWSTR name) {
    if (!name || !name[0]) return 0;
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const std::u16string key = wq::FoldCase(name);
    auto it = r.byName.find(key);
    if (it != r.byName.end()) return it->second;
    if (r.names.size() >= 0x4000) return 0;  // 0xC000..0xFFFF are all taken
    const UINT id = static_cast<UINT>(0xC000 + r.names.size());
    r.names.emplace_back(name);
    r.byName.emplace(key, id);
    return id;
}

namespace wq::win {

std::u16string_view GetRegisteredMessageName(UINT msg) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (msg < 0xC000 || msg - 0xC000 >= r.names.size()) return {};
    return r.names[msg - 0xC000];
}

UINT FindRegisteredMessage(std::u16string_view name) {
    if (name.empty()) return 0;
    Registry& r = TheRegistry();
    const std::u16string key = wq::FoldCase(name);
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.byName.find(key);
    return it == r.byName.end() ? 0 : it->second;
}

void SetRemoteWindows(RemoteWindows* remote) {
    using namespace detail;
    State& s = S();
    if (g_remote) {
        for (HWND t : s.topLevels) {
            if (Window* w = Find(t)) Withdraw(w);
        }
    }
    g_remote = remote;
    s.remoteById.clear();
    s.remoteByHandle.clear();
    if (remote) {
        for (HWND t : s.topLevels) {
            if (Window* w = Find(t)) Publish(w);
        }
    }
}

RemoteWindows* GetRemoteWindows() {
    return g_remote;
}

bool ClaimWindowName(std::u16string_view name) {
    return !g_remote || g_remote->Claim(name);
}

}  // namespace wq::win
