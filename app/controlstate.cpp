#include "app/controlstate.h"

#include "platform/ipc/skin_state.h"
#include "platform/ipc/state.h"
#include "player/wqaudiodlg.h"

namespace wq::app {

namespace {

// The skin manager of a window of this program that has one: the player, the
// equalizer window and the pattern windows.
const CSkinManager* SkinOf(HWND window) {
    CWnd* wnd = CWnd::FromHandlePermanent(window);
    if (auto* player = dynamic_cast<CWQAudioDlg*>(wnd)) return player->m_pSkinManager;
    if (auto* equalizer = dynamic_cast<CWQEqualizerDlg*>(wnd)) return equalizer->m_pSkinManager;
    if (auto* pattern = dynamic_cast<CWQPatternDlg*>(wnd)) return pattern->m_pSkinManager;
    return nullptr;
}

}  // namespace

void InstallControlLister() {
    wq::ipc::SetControlLister([](HWND window) {
        const CSkinManager* skin = SkinOf(window);
        return skin ? wq::ipc::ListSkinControls(*skin) : std::vector<wq::ipc::ControlState>{};
    });
}

}  // namespace wq::app
