// The player as the desktop's media-player interface (MPRIS 2.2) describes
// it: a plain copy of the player's state, read on the GUI thread and answered
// from on the bus thread, the property values made from it, and the checks of
// what other programs send. Nothing here touches the player or the bus.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
typedef struct _GVariant GVariant;
}

namespace wq::app::mpris {

inline constexpr const char* kBusName = "org.mpris.MediaPlayer2.wqaudio";
inline constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";
inline constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
inline constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";
inline constexpr const char* kPropertiesInterface = "org.freedesktop.DBus.Properties";
inline constexpr const char* kNoTrack = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
inline constexpr const char* kInvalidArgs = "org.freedesktop.DBus.Error.InvalidArgs";

// The introspection data of the object: both interfaces, as MPRIS 2.2
// defines them (without the optional Fullscreen and the track list).
extern const char* const kIntrospectionXml;

using Clock = std::chrono::steady_clock;

struct Track {
    std::string id;  // object path; empty: no track
    std::string url, title, artist, album;
    std::int64_t lengthUs = 0;
    bool operator==(const Track&) const = default;
};

struct PlayerState {
    int playState = 2;  // 0 playing, 1 paused, 2 stopped
    int repeat = 0;     // 0 all, 1 one, 2 none
    int random = 0;     // 0 sequence, 1 random
    Track track;
    double volume = 1.0;
    bool canPlay = false, canPause = false, canSeek = false;
    bool canGoNext = false, canGoPrevious = false;
    // The position when the state was read, and when that was: between
    // reads a playing track's position moves on with the clock.
    std::int64_t positionUs = 0;
    Clock::time_point readAt{};
};

// The position at `now`: moving at rate 1.0 while playing, within the track.
std::int64_t PositionAt(const PlayerState& s, Clock::time_point now);

// The value of a property of either interface (a new floating GVariant),
// nullptr for a name the interface does not have.
GVariant* PropertyValue(const PlayerState& s, std::string_view iface, std::string_view name,
                        Clock::time_point now);

// The Player properties whose values differ between `before` and `after`
// (Position never counts: clients ask for it).
std::vector<const char*> ChangedProperties(const PlayerState& before, const PlayerState& after);

// "Playing", "Paused", "Stopped"; "Playlist", "Track", "None".
const char* PlaybackStatusName(int playState);
const char* LoopStatusName(int repeat);
// The repeat method of a LoopStatus name, nullopt for any other text.
std::optional<int> RepeatOfLoopStatus(std::string_view name);

// The engine's volume in hundredths of a decibel (-10000 silent .. 0 full)
// as a linear amplitude 0.0 .. 1.0, and back. Negative amplitudes are
// silence, values above 1.0 full; NaN has no volume (nullopt).
double VolumeOfHundredths(long hundredths);
std::optional<long> HundredthsOfVolume(double volume);

// A track id for a track's device path: stable for the path, a valid object
// path, outside the MPRIS namespace.
std::string TrackIdOf(std::u16string_view devicePath);

// The longest URI OpenUri takes: far beyond any real path.
inline constexpr std::size_t kMaxUriBytes = 4096;
// The host path a file:// URI of this machine names; nullopt with one line
// in *why for anything else (another scheme or host, bad escapes, too long).
std::optional<std::string> HostPathOfUri(std::string_view uri, std::string* why);

// `text` as valid UTF-8: every invalid sequence becomes U+FFFD.
std::string ValidUtf8(std::string_view text);

}  // namespace wq::app::mpris
