// The table behind HANDLE values of the file calls. A handle is a number that
// is never reused; looking up a closed or unknown one finds nothing, so a
// stale handle fails cleanly instead of touching freed memory.
// Thread: any; the table is locked, objects are shared while in use.
#pragma once

#include <memory>

#include "platform/base/wintypes.h"

namespace wq::fs::detail {

struct HandleObject {
    virtual ~HandleObject() = default;
};

HANDLE AddHandle(std::shared_ptr<HandleObject> object);
std::shared_ptr<HandleObject> LookupHandle(HANDLE h);
// Removes the entry; the object dies once no call still uses it.
std::shared_ptr<HandleObject> RemoveHandle(HANDLE h);

template <typename T>
std::shared_ptr<T> Lookup(HANDLE h) {
    return std::dynamic_pointer_cast<T>(LookupHandle(h));
}

}  // namespace wq::fs::detail
