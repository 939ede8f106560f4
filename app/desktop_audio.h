// The desktop's audio behind the device services, for the program: the
// sound-server module and the key click become the device's outputs, the
// module's changes reach the player as "WQ:MSG:AUDIOUPDATE", and the player
// offers the volume pop-up "WQVol" when no other program does.
#pragma once

#include <memory>

#include "app/volumepopup.h"
#include "platform/device/desktop_outputs.h"

namespace wq::app {

class DesktopAudio {
public:
    // GUI thread, after the desktop bus is up (the pop-up is made only when
    // the bus knows no other "WQVol"). Never waits for the sound server.
    static std::unique_ptr<DesktopAudio> Start();
    // Destroys the pop-up, uninstalls the outputs and stops their threads.
    ~DesktopAudio();
    DesktopAudio(const DesktopAudio&) = delete;
    DesktopAudio& operator=(const DesktopAudio&) = delete;

    CVolumePopup* Popup() const { return m_popup.get(); }

private:
    DesktopAudio() = default;
    std::shared_ptr<wq::device::DesktopOutputs> m_outputs;
    std::unique_ptr<CVolumePopup> m_popup;
};

// Posts "WQ:MSG:AUDIOUPDATE" to this program's player window ("WQAudio") on
// the GUI thread. Any thread; while one is on its way, further
// calls add nothing.
void PostAudioUpdateToPlayer();

}  // namespace wq::app
