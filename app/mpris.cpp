#include "app/mpris.h"

#include <gio/gio.h>

#include <cmath>
#include <limits>

#include "app/options.h"
#include "library/explorer.h"
#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/fs/fileapi.h"
#include "platform/fs/root.h"
#include "platform/skin/skinlistbox.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "player/wqaudiodlg.h"
#include "trackinfo/mp3info.h"

namespace wq::app {

using namespace mpris;
using wq::ipc::Call;

namespace {

// Calls waiting for the GUI thread at most: a track change takes the GUI
// thread a tenth of a second or more, so a flood of Next calls holds taps
// back by well under a second; the rest are refused as busy.
constexpr int kMaxWaitingCalls = 4;

// The player window while it exists. GUI thread.
CWQAudioDlg* Player() {
    auto* player = dynamic_cast<CWQAudioDlg*>(AfxGetMainWnd());
    return player && player->m_hWnd ? player : nullptr;
}

// Sent like the launcher's keys send them: handled before this returns.
void Press(CWQAudioDlg& player, UINT id) {
    player.SendMessage(WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

std::int64_t Microseconds(double ms) {
    return ms > 0 ? std::llround(ms * 1000.0) : 0;
}

std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum))
        return b > 0 ? std::numeric_limits<std::int64_t>::max()
                     : std::numeric_limits<std::int64_t>::min();
    return sum;
}

bool PlaysAsTrack(const std::u16string& devicePath) {
    if (devicePath.size() < 4) return false;
    std::u16string ext = devicePath.substr(devicePath.size() - 4);
    for (auto& c : ext)
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    return ext == u".MP3" || ext == u".WMA";
}

// The player's state as the interface shows it. `track` is filled by the caller.
PlayerState ReadState(CWQAudioDlg& p, double fallbackVolume) {
    PlayerState s;
    s.playState = p.m_nPlayState;
    s.repeat = p.m_nRepeatMethod;
    s.random = p.m_nPlayMethod;
    s.readAt = Clock::now();
    if (p.m_pMediaSeeking) s.positionUs = Microseconds(p.GetPositionMs());
    s.volume = fallbackVolume;
    LONG volume = 0;
    if (p.m_pBasicAudio && SUCCEEDED(p.m_pBasicAudio->get_Volume(&volume)))
        s.volume = VolumeOfHundredths(volume);
    return s;
}

// Each flag is true only when the action would do something, by the same
// guards the player's handlers apply.
void SetAbilities(CWQAudioDlg& p, PlayerState& s) {
    CExplorer* explorer = p.m_pExplorer;
    CSkinListBox* list = p.m_pSkinLBMP3Title;
    // Until start-up has restored the folder, what a call did would be undone.
    if (!explorer || !list || !p.m_bSettingsLoaded) return;
    const int sel = list->GetCurSel();
    const bool hasTrack = !s.track.id.empty();
    s.canPlay = sel >= 0;
    s.canPause = s.canPlay && hasTrack;
    s.canSeek = hasTrack && s.track.lengthUs > 0 && p.m_nPlayState != 2 && list->GetCount() > 0;
    // Prev and Next do nothing while another program is in front, no track
    // plays and a folder row is selected; nor in a folder without files.
    const bool held = p.m_bActive == 0 && sel - explorer->GetFolderCount() < 0 && !p.GetIsPlay();
    s.canGoNext = s.canGoPrevious = !held && explorer->GetItemCount() > explorer->GetFolderCount();
}

}  // namespace

std::unique_ptr<Mpris> Mpris::Start(wq::ipc::Bus& bus) {
    std::unique_ptr<Mpris> mpris(new Mpris(bus));
    if (!bus.ExportObject(kObjectPath, kIntrospectionXml, *mpris, kMaxWaitingCalls)) return nullptr;
    Mpris* raw = mpris.get();
    SetPlayerObserver(
        [raw](CWQAudioDlg& player, PlayerEvent event) { raw->OnPlayerEvent(player, event); });
    return mpris;
}

Mpris::~Mpris() {
    SetPlayerObserver(nullptr);
    m_bus.UnexportObject(kObjectPath);
    *m_alive = false;
    if (m_nameRequested) m_bus.ReleaseName(kBusName);
}

void Mpris::OnPlayerEvent(CWQAudioDlg& player, PlayerEvent event) {
    if (!m_nameRequested) {
        // The player window exists: this copy is the player that runs.
        m_nameRequested = true;
        m_bus.RequestName(kBusName);
    }
    if (event == PlayerEvent::Seeked) {
        m_seeked = true;  // told once the handler that seeked has finished
        return;
    }
    Refresh(player);
}

Track Mpris::TrackOf(CWQAudioDlg& p) {
    if (!p.m_pMediaSeeking || p.m_strCurPath.IsEmpty()) return {};
    const std::u16string& path = p.m_strCurPath.str();
    if (path != m_trackPath || m_track.id.empty()) {
        // The tag is read again only when the track changes: 128 bytes.
        CMP3Info info;
        HANDLE file = CreateFileW(p.m_strCurPath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE && file != nullptr) {
            info.ReadID3v1(file);
            CloseHandle(file);
        }
        // The title the player shows: the tag's, else the file name less
        // its extension.
        CString title = info.GetTitle();
        if (title.IsEmpty()) {
            CString folder, fileName, extension;
            CCommon::ParsePath(p.m_strCurPath, folder, fileName, extension);
            title = fileName.Left(fileName.GetLength() - 4);
        }
        m_track = Track{};
        m_track.id = TrackIdOf(path);
        m_track.title = ValidUtf8(Utf16ToUtf8(title.str()));
        m_track.artist = ValidUtf8(Utf16ToUtf8(info.GetArtist().str()));
        m_track.album = ValidUtf8(Utf16ToUtf8(info.m_strAlbum.str()));
        if (auto host = wq::fs::ToHostPath(path, false)) {
            if (gchar* uri = g_filename_to_uri(host->c_str(), nullptr, nullptr)) {
                m_track.url = uri;
                g_free(uri);
            }
        }
        m_trackPath = path;
    }
    Track t = m_track;
    t.lengthUs = Microseconds(p.GetDurationMs());
    return t;
}

void Mpris::Refresh(CWQAudioDlg& player) {
    PlayerState s = ReadState(player, m_last.volume);
    s.track = TrackOf(player);
    SetAbilities(player, s);
    const std::vector<const char*> changed = ChangedProperties(m_last, s);
    {
        std::lock_guard lock(m_mutex);
        m_shown = s;
    }
    if (!changed.empty()) {
        GVariantBuilder values;
        g_variant_builder_init(&values, G_VARIANT_TYPE("a{sv}"));
        for (const char* name : changed)
            g_variant_builder_add(&values, "{sv}", name,
                                  PropertyValue(s, kPlayerInterface, name, s.readAt));
        m_bus.EmitSignal(kObjectPath, kPropertiesInterface, "PropertiesChanged",
                         g_variant_new("(sa{sv}as)", kPlayerInterface, &values, nullptr));
    }
    if (m_seeked) {
        m_seeked = false;
        m_bus.EmitSignal(kObjectPath, kPlayerInterface, "Seeked",
                         g_variant_new("(x)", static_cast<gint64>(s.positionUs)));
    }
    m_last = std::move(s);
}

GVariant* Mpris::GetProperty(std::string_view iface, std::string_view name) {
    std::lock_guard lock(m_mutex);
    return PropertyValue(m_shown, iface, name, Clock::now());
}

void Mpris::OnCall(std::shared_ptr<Call> call) {
    const std::string_view method = call->Method();
    std::string why;
    // What other programs send is checked here, on the bus thread; only
    // calls that make sense reach the player.
    if (std::string_view(call->Interface()) == kPropertiesInterface) {
        const gchar* name = nullptr;
        GVariant* value = nullptr;
        g_variant_get(call->Params(), "(&s&sv)", nullptr, &name, &value);
        const std::string property = name;
        if (property == "Volume" && std::isnan(g_variant_get_double(value))) {
            why = "Volume NaN is no volume";
        } else if (property == "LoopStatus" &&
                   !RepeatOfLoopStatus(g_variant_get_string(value, nullptr))) {
            why = "LoopStatus is None, Track or Playlist, not '" +
                  ValidUtf8(g_variant_get_string(value, nullptr)).substr(0, 64) + "'";
        } else if (property == "Rate" && g_variant_get_double(value) != 1.0) {
            why = "only the normal rate 1.0 plays";
        }
        if (!why.empty()) {
            g_variant_unref(value);
            call->Fail(kInvalidArgs, why);
            return;
        }
        auto held = std::shared_ptr<GVariant>(value, g_variant_unref);
        call->RunOnGui([this, alive = m_alive, property, held](Call& c) {
            if (*alive) SetProperty(c, property, held.get());
        });
        return;
    }
    if (method == "OpenUri") {
        const gchar* uri = nullptr;
        g_variant_get(call->Params(), "(&s)", &uri);
        auto hostPath = HostPathOfUri(uri, &why);
        if (!hostPath) {
            call->Fail(kInvalidArgs, why);
            return;
        }
        call->RunOnGui([this, alive = m_alive, path = *hostPath](Call& c) {
            if (*alive) OpenUri(c, path);
        });
        return;
    }
    call->RunOnGui([this, alive = m_alive](Call& c) {
        if (*alive) OnGuiCall(c);
    });
}

void Mpris::OnGuiCall(Call& call) {
    CWQAudioDlg* p = Player();
    if (!p) {
        call.Fail("org.wqaudio.Error.NoWindow", "the player window is not there yet");
        return;
    }
    const std::string_view method = call.Method();
    if (method == "Raise") {
        ::SetWindowPos(p->m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
        ::SetForegroundWindow(p->m_hWnd);
    } else if (method == "Quit") {
        // The orderly close of a signal or the desktop's quit.
        wq::win::RequestClose();
    } else if (method == "Next") {
        Press(*p, IDC_BTN_NEXT);
    } else if (method == "Previous") {
        Press(*p, IDC_BTN_PREV);
    } else if (method == "Play") {
        if (p->m_nPlayState != 0 && m_last.canPlay) Press(*p, IDC_BTN_PLAY);
    } else if (method == "Pause") {
        if (p->m_nPlayState == 0) Press(*p, IDC_BTN_PLAY);
    } else if (method == "PlayPause") {
        if (m_last.canPlay) Press(*p, IDC_BTN_PLAY);
    } else if (method == "Stop") {
        if (p->m_nPlayState != 2) Press(*p, IDC_BTN_STOP);
    } else if (method == "Seek" || method == "SetPosition") {
        Refresh(*p);
        const PlayerState& now = m_last;
        if (!now.canSeek) {
            // Nothing plays or pauses: the progress slider would not move either.
        } else if (method == "Seek") {
            gint64 offset = 0;
            g_variant_get(call.Params(), "(x)", &offset);
            const std::int64_t target = SaturatingAdd(now.positionUs, offset);
            // Past the end is the next track, as the track's end would be.
            if (target > now.track.lengthUs)
                Press(*p, IDC_BTN_NEXT);
            else
                p->SeekTo(static_cast<double>(std::max<std::int64_t>(target, 0)) / 1000.0);
        } else {
            const gchar* id = nullptr;
            gint64 position = 0;
            g_variant_get(call.Params(), "(&ox)", &id, &position);
            // A position for another track, or outside this one, is ignored.
            if (now.track.id == id && position >= 0 && position <= now.track.lengthUs)
                p->SeekTo(static_cast<double>(position) / 1000.0);
        }
    }
    Refresh(*p);
}

void Mpris::SetProperty(Call& call, const std::string& name, GVariant* value) {
    CWQAudioDlg* p = Player();
    if (!p) {
        call.Fail("org.wqaudio.Error.NoWindow", "the player window is not there yet");
        return;
    }
    if (name == "LoopStatus") {
        const int wanted = *RepeatOfLoopStatus(g_variant_get_string(value, nullptr));
        // The Repeat button cycles all, one, none: at most two presses.
        for (int i = 0; i < 3 && p->m_nRepeatMethod != wanted; ++i) Press(*p, IDC_BTN_REPEAT);
    } else if (name == "Shuffle") {
        if ((p->m_nPlayMethod == 1) != static_cast<bool>(g_variant_get_boolean(value)))
            Press(*p, IDC_BTN_RANDOM);
    } else if (name == "Volume") {
        p->SetVolume(static_cast<int>(*HundredthsOfVolume(g_variant_get_double(value))));
    }
    Refresh(*p);
}

void Mpris::OpenUri(Call& call, const std::string& hostPath) {
    CWQAudioDlg* p = Player();
    if (!p || !p->m_pExplorer || !p->m_bSettingsLoaded) {
        call.Fail("org.wqaudio.Error.NoWindow", "the player is still starting");
        return;
    }
    std::string why;
    const auto device = ResolveTrackArgument(hostPath, &why);
    if (!device) {
        call.Fail(kInvalidArgs, why);
        return;
    }
    if (!PlaysAsTrack(*device)) {
        call.Fail(kInvalidArgs, hostPath + " is not an MP3 or WMA file");
        return;
    }
    // As a start with this file would: its folder opens with it selected
    // and it plays; the random order starts a fresh round.
    p->OpenCommandLineFile(CString(*device));
    if (p->m_nPlayMethod == 1 && (p->m_nRepeatMethod == 0 || p->m_nRepeatMethod == 2))
        p->ResetRandomList(TRUE);
    Refresh(*p);
}

}  // namespace wq::app
