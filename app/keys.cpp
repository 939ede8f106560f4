#include "app/keys.h"

#include "app/volumepopup.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"

namespace wq::app {

namespace {

struct KeyMapping {
    std::string_view keyName;  // SDL key name
    WPARAM code;               // "WQ:MSG:KEYDOWN" code
};

constexpr KeyMapping kKeys[] = {
    {"Space", 126}, {"Up", 38},  {"Down", 40}, {"Escape", 128}, {"P", 129},
    {"F1", 130},    {"F2", 131}, {"F3", 117},  {"F4", 118},     {"Home", 121},
};

}  // namespace

WPARAM LauncherKeyCode(std::string_view keyName) {
    for (const auto& k : kKeys) {
        if (k.keyName == keyName) return k.code;
    }
    return 0;
}

void InstallKeyboard() {
    wq::win::SetKeyHook([](const char* keyName, bool down) {
        if (!down || !keyName) return;
        const WPARAM code = LauncherKeyCode(keyName);
        if (code == 0) return;
        HWND target = ::FindWindow(nullptr, u"WQAudio");
        // While this program's volume pop-up shows, the close key closes it.
        HWND popup = ::FindWindow(CVolumePopup::kClassName, u"WQVol");
        if (code == 128 && popup && ::IsWindowVisible(popup)) target = popup;
        if (target) ::SendMessage(target, RegisterWindowMessage(u"WQ:MSG:KEYDOWN"), code, 0);
    });
}

}  // namespace wq::app
