#include "platform/display/sdl_api.h"

#include <dlfcn.h>

#include <mutex>

namespace wq::display {

const SdlApi* LoadSdl(std::string* why) {
    static std::once_flag once;
    static SdlApi api;
    static bool loaded = false;
    static std::string failure;
    std::call_once(once, [] {
        // Never closed: the display stays open until the process ends.
        void* lib = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            const char* e = dlerror();
            failure = std::string("cannot load SDL2: ") + (e ? e : "unknown error");
            return;
        }
#define WQ_SDL_RESOLVE(name)                                            \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(lib, #name)); \
    if (!api.name) {                                                    \
        failure = "the installed SDL2 has no " #name;                   \
        return;                                                         \
    }
        WQ_SDL_FUNCTIONS(WQ_SDL_RESOLVE)
#undef WQ_SDL_RESOLVE
        loaded = true;
    });
    if (loaded) return &api;
    if (why) *why = failure;
    return nullptr;
}

}  // namespace wq::display
