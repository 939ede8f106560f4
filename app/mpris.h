// The player on the desktop's media-player interface (MPRIS 2.2): the sound
// menu of the panel, media keys routed by the desktop and `playerctl` reach
// it as org.mpris.MediaPlayer2.wqaudio, object /org/mpris/MediaPlayer2
// (docs/desktop.md has the mapping).
//
// Calls arrive on the desktop bus's thread. Every call that changes the
// player runs on the GUI thread, in order with taps, as the command the
// player's button sends (Play/Pause 2002, Next 2003, ...), so it behaves
// exactly like a tap; the volume and exact seeks, which have no button, use
// the engine's own operations. Properties are answered on the bus thread
// from a copy of the player's state that the GUI thread renews after every
// message the player window handles; what changed is announced with
// PropertiesChanged and a seek with Seeked, never polled.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "app/mpris_state.h"
#include "platform/ipc/bus.h"

class CWQAudioDlg;
enum class PlayerEvent;

namespace wq::app {

class Mpris final : public wq::ipc::ObjectHandler {
public:
    // Exports the object on `bus` (which must outlive the result). The bus
    // name is asked for when the player window first reports, so a copy that
    // only hands over to a running player never takes it. GUI thread.
    static std::unique_ptr<Mpris> Start(wq::ipc::Bus& bus);
    ~Mpris() override;
    Mpris(const Mpris&) = delete;
    Mpris& operator=(const Mpris&) = delete;

    void OnCall(std::shared_ptr<wq::ipc::Call> call) override;
    GVariant* GetProperty(std::string_view iface, std::string_view name) override;

private:
    explicit Mpris(wq::ipc::Bus& bus) : m_bus(bus) {}

    // GUI thread.
    void OnPlayerEvent(CWQAudioDlg& player, PlayerEvent event);
    void Refresh(CWQAudioDlg& player);
    mpris::Track TrackOf(CWQAudioDlg& player);
    void OnGuiCall(wq::ipc::Call& call);
    void SetProperty(wq::ipc::Call& call, const std::string& name, GVariant* value);
    void OpenUri(wq::ipc::Call& call, const std::string& hostPath);

    wq::ipc::Bus& m_bus;
    bool m_nameRequested = false;  // GUI thread
    bool m_seeked = false;         // GUI thread: a seek since the last refresh
    mpris::PlayerState m_last;     // GUI thread: what was last announced
    mpris::Track m_track;          // GUI thread: the tag of the loaded track
    std::u16string m_trackPath;    // GUI thread: the path m_track was read for
    // Cleared when this object goes; calls still queued for the GUI thread
    // then do nothing.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);

    std::mutex m_mutex;  // guards m_shown
    mpris::PlayerState m_shown;
};

}  // namespace wq::app
