#include "app/controlstate.h"

#include "platform/ipc/skin_state.h"
#include "platform/ipc/state.h"
#include "player/wqaudiodlg.h"

namespace wq::app {

void InstallControlLister() {
    wq::ipc::SetControlLister([](HWND window) {
        auto* player = dynamic_cast<CWQAudioDlg*>(CWnd::FromHandlePermanent(window));
        if (!player || !player->m_pSkinManager) return std::vector<wq::ipc::ControlState>{};
        return wq::ipc::ListSkinControls(*player->m_pSkinManager);
    });
}

}  // namespace wq::app
