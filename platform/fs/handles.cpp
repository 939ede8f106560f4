#include "platform/fs/handles.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/fs/fileapi.h"

namespace wq::fs::detail {

namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<HandleObject>> objects;
    // Starts well away from 0 and from INVALID_HANDLE_VALUE; grows by 4 so a
    // handle never looks like a small integer another API might hand out.
    std::uintptr_t next = 0x10000;
};

Table& TheTable() {
    static Table table;
    return table;
}

thread_local DWORD t_lastError = ERROR_SUCCESS;

}  // namespace

HANDLE AddHandle(std::shared_ptr<HandleObject> object) {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    const std::uintptr_t id = t.next;
    t.next += 4;
    t.objects.emplace(id, std::move(object));
    return reinterpret_cast<HANDLE>(id);
}

std::shared_ptr<HandleObject> LookupHandle(HANDLE h) {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    const auto it = t.objects.find(reinterpret_cast<std::uintptr_t>(h));
    return it == t.objects.end() ? nullptr : it->second;
}

std::shared_ptr<HandleObject> RemoveHandle(HANDLE h) {
    Table& t = TheTable();
    std::lock_guard lock(t.mutex);
    const auto it = t.objects.find(reinterpret_cast<std::uintptr_t>(h));
    if (it == t.objects.end()) return nullptr;
    auto object = std::move(it->second);
    t.objects.erase(it);
    return object;
}

}  // namespace wq::fs::detail

DWORD GetLastError() {
    return wq::fs::detail::t_lastError;
}
void SetLastError(DWORD dwErrCode) {
    wq::fs::detail::t_lastError = dwErrCode;
}
