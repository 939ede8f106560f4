#include "app/keys.h"

#include "app/volumepopup.h"
#include "platform/base/casefold.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "player/wqaudiodlg.h"

namespace wq::app {

namespace {

constexpr WPARAM kCloseKey = 128;

constexpr KeyMapping kKeys[] = {
    {"Space", 126, 0, "play/pause"},
    {"Up", 38, 0, "previous row; previous track while another program is in front"},
    {"Down", 40, 0, "next row; next track while another program is in front"},
    {"P", 129, 0, "pause"},
    {"Escape", kCloseKey, 0, "close the window in front (pattern, equalizer, then the player)"},
    {"Home", 121, 0, "bring the player to the front"},
    {"F1", 130, 0, "memory card inserted"},
    {"F2", 131, 0, "memory card removed"},
    {"F3", 117, 0, "USB disk inserted"},
    {"F4", 118, 0, "USB disk removed"},
    {"E", 0, IDC_OPEN_EQUALIZER,
     "equalizer window for the playing preset (so does a tap on the preset badge)"},
};

// The window the close key closes: this program's window in front when it is
// one that closes on the key, else the player (which closes itself, or the
// window open over it).
HWND CloseKeyTarget(HWND player) {
    HWND popup = ::FindWindow(CVolumePopup::kClassName, u"WQVol");
    if (popup && ::IsWindowVisible(popup)) return popup;
    HWND front = ::GetActiveWindow();
    if (!front || !::IsWindowVisible(front)) return player;
    char16_t title[32] = {};
    ::GetWindowTextW(front, title, 32);
    for (const char16_t* name : {u"WQPATTERN", u"WQEqualizer"}) {
        if (wq::EqualsNoCase(title, name)) return front;
    }
    return player;
}

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
        HWND player = ::FindWindow(nullptr, u"WQAudio");
        if (const UINT command = MediaKeyCommand(keyName)) {
            if (player) ::SendMessage(player, WM_COMMAND, MAKEWPARAM(command, 0), 0);
            return;
        }
        for (const KeyMapping& k : kKeys) {
            if (k.keyName != keyName) continue;
            if (k.code == 0) {
                if (player) ::PostMessage(player, WM_COMMAND, MAKEWPARAM(k.command, 0), 0);
                return;
            }
            HWND target = k.code == kCloseKey ? CloseKeyTarget(player) : player;
            if (target) ::SendMessage(target, RegisterWindowMessage(u"WQ:MSG:KEYDOWN"), k.code, 0);
            return;
        }
    });
}

}  // namespace wq::app
