#include "app/keys.h"

#include "app/volumepopup.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "player/wqaudiodlg.h"

namespace wq::app {

namespace {

constexpr KeyMapping kKeys[] = {
    {"Space", 126, "play/pause"},
    {"Up", 38, "previous row; previous track while another program is in front"},
    {"Down", 40, "next row; next track while another program is in front"},
    {"P", 129, "pause"},
    {"Escape", 128, "close"},
    {"Home", 121, "bring the player to the front"},
    {"F1", 130, "memory card inserted"},
    {"F2", 131, "memory card removed"},
    {"F3", 117, "USB disk inserted"},
    {"F4", 118, "USB disk removed"},
};

constexpr MediaKeyMapping kMediaKeys[] = {
    {"AudioPlay", IDC_BTN_PLAY, "play/pause button"},
    {"AudioStop", IDC_BTN_STOP, "stop button"},
    {"AudioPrev", IDC_BTN_PREV, "previous button"},
    {"AudioNext", IDC_BTN_NEXT, "next button"},
};

}  // namespace

std::span<const MediaKeyMapping> MediaKeys() {
    return kMediaKeys;
}

UINT MediaKeyCommand(std::string_view keyName) {
    for (const auto& k : kMediaKeys) {
        if (k.keyName == keyName) return k.command;
    }
    return 0;
}

std::span<const KeyMapping> LauncherKeys() {
    return kKeys;
}

WPARAM LauncherKeyCode(std::string_view keyName) {
    for (const auto& k : kKeys) {
        if (k.keyName == keyName) return k.code;
    }
    return 0;
}

void InstallKeyboard() {
    wq::win::SetKeyHook([](const char* keyName, bool down) {
        if (!down || !keyName) return;
        if (const UINT command = MediaKeyCommand(keyName)) {
            if (HWND player = ::FindWindow(nullptr, u"WQAudio"))
                ::SendMessage(player, WM_COMMAND, MAKEWPARAM(command, 0), 0);
            return;
        }
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
