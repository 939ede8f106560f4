// The device-services output calls on a Linux desktop, installed with
// wq::device::SetOutputBackend: the volume calls set the sound server's
// default output to the level of their table entry (platform/device/volume.h),
// SetOutMute mutes it, and PlayBtnSound plays the key click. The loudspeaker
// switch and the auxiliary output have no desktop counterpart; those calls
// are only recorded in the call log, as every call is.
// Thread: any; every call returns at once.
#pragma once

#include <memory>

#include "platform/device/hooks.h"
#include "platform/device/keyclick.h"
#include "platform/device/soundserver.h"
#include "platform/device/volume.h"

namespace wq::device {

class DesktopOutputs final : public OutputBackend {
public:
    // Either part may be missing; its calls then do nothing.
    DesktopOutputs(std::unique_ptr<SoundServer> server, std::unique_ptr<KeyClick> click)
        : m_server(std::move(server)), m_click(std::move(click)) {}

    void SetOutVolume(DWORD value) override {
        if (m_server) m_server->SetVolumeLevel(NearestLevel(kOutVolume, value));
    }
    void SetEarOutVolume(DWORD value) override {
        if (m_server) m_server->SetVolumeLevel(NearestLevel(kEarOutVolume, value));
    }
    void SetOutMute(int mute) override {
        if (m_server) m_server->SetMute(mute != 0);
    }
    void PlayBtnSound() override {
        if (m_click) m_click->Play();
    }

    SoundServer* Server() const { return m_server.get(); }
    KeyClick* Click() const { return m_click.get(); }

private:
    std::unique_ptr<SoundServer> m_server;
    std::unique_ptr<KeyClick> m_click;
};

}  // namespace wq::device
