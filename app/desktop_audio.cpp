#include "app/desktop_audio.h"

#include <atomic>

#include "platform/win/threads.h"

namespace wq::app {

namespace {

std::atomic<bool> g_updateOnItsWay{false};

}  // namespace

void PostAudioUpdateToPlayer() {
    if (g_updateOnItsWay.exchange(true)) return;
    wq::win::PostTask([] {
        g_updateOnItsWay = false;
        // This program's player only: another program's "WQAudio" has its own module.
        HWND player = ::FindWindow(nullptr, u"WQAudio");
        if (player && CWnd::FromHandlePermanent(player))
            ::PostMessage(player, RegisterWindowMessage(u"WQ:MSG:AUDIOUPDATE"), 0, 0);
    });
}

std::unique_ptr<DesktopAudio> DesktopAudio::Start() {
    std::unique_ptr<DesktopAudio> audio(new DesktopAudio());
    auto server = wq::device::SoundServer::Start({}, [] { PostAudioUpdateToPlayer(); });
    audio->m_outputs = std::make_shared<wq::device::DesktopOutputs>(std::move(server),
                                                                    wq::device::KeyClick::Start());
    wq::device::SetOutputBackend(audio->m_outputs);
    audio->m_popup = std::make_unique<CVolumePopup>();
    if (!audio->m_popup->CreateIfAbsent()) audio->m_popup.reset();
    return audio;
}

DesktopAudio::~DesktopAudio() {
    if (m_popup && m_popup->m_hWnd) m_popup->DestroyWindow();
    m_popup.reset();
    wq::device::SetOutputBackend(nullptr);
}

}  // namespace wq::app
