// The table of registered dialog resources.
#include "platform/win/dlgres.h"

#include <map>

#include "platform/base/guithread.h"

namespace wq::win {
namespace {

// Process-wide like registered message ids; a test session keeps them.
std::map<UINT, const DialogResource*>& Resources() {
    static std::map<UINT, const DialogResource*> resources;
    return resources;
}

}  // namespace

bool RegisterDialogResource(const DialogResource& resource) {
    WQ_ASSERT_GUI_THREAD();
    auto [it, added] = Resources().emplace(resource.id, &resource);
    return added || it->second == &resource;
}

const DialogResource* FindDialogResource(UINT id) {
    WQ_ASSERT_GUI_THREAD();
    auto it = Resources().find(id);
    return it == Resources().end() ? nullptr : it->second;
}

}  // namespace wq::win
