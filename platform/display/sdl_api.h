// SDL2 is loaded when a display is first opened, not when the program starts:
// a headless player (tests, automation, a device without a screen) never maps
// SDL and the display and sound libraries it pulls in.
#pragma once

#include <SDL.h>

#include <string>

namespace wq::display {

// Every SDL function the presenter calls.
// clang-format off
#define WQ_SDL_FUNCTIONS(X) \
    X(SDL_CreateRenderer) \
    X(SDL_CreateTexture) \
    X(SDL_CreateWindow) \
    X(SDL_DestroyRenderer) \
    X(SDL_DestroyTexture) \
    X(SDL_DestroyWindow) \
    X(SDL_GetCurrentVideoDriver) \
    X(SDL_GetError) \
    X(SDL_GetKeyName) \
    X(SDL_GetKeyboardFocus) \
    X(SDL_GetNumVideoDisplays) \
    X(SDL_GetRendererOutputSize) \
    X(SDL_GetWindowID) \
    X(SDL_GetWindowPosition) \
    X(SDL_InitSubSystem) \
    X(SDL_PollEvent) \
    X(SDL_PushEvent) \
    X(SDL_QuitSubSystem) \
    X(SDL_RaiseWindow) \
    X(SDL_RegisterEvents) \
    X(SDL_RenderClear) \
    X(SDL_RenderCopy) \
    X(SDL_RenderPresent) \
    X(SDL_RenderReadPixels) \
    X(SDL_SetHint) \
    X(SDL_SetRenderDrawColor) \
    X(SDL_SetWindowModalFor) \
    X(SDL_SetWindowSize) \
    X(SDL_SetWindowTitle) \
    X(SDL_ShowWindow) \
    X(SDL_UpdateTexture) \
    X(SDL_WaitEventTimeout)
// clang-format on

struct SdlApi {
#define WQ_SDL_MEMBER(name) decltype(&::name) name = nullptr;
    WQ_SDL_FUNCTIONS(WQ_SDL_MEMBER)
#undef WQ_SDL_MEMBER
};

// The system's SDL2 (libSDL2-2.0.so.0), loaded by the first call; later calls
// return the same table. nullptr with the reason in *why when the library or
// one of its functions is missing. Any thread; the table never changes once
// loaded.
const SdlApi* LoadSdl(std::string* why);

}  // namespace wq::display
