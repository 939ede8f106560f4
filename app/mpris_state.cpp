#include "app/mpris_state.h"

#include <gio/gio.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace wq::app::mpris {

const char* const kIntrospectionXml = R"(<node>
 <interface name="org.mpris.MediaPlayer2">
  <method name="Raise"/>
  <method name="Quit"/>
  <property name="CanQuit" type="b" access="read"/>
  <property name="CanRaise" type="b" access="read"/>
  <property name="HasTrackList" type="b" access="read"/>
  <property name="Identity" type="s" access="read"/>
  <property name="DesktopEntry" type="s" access="read"/>
  <property name="SupportedUriSchemes" type="as" access="read"/>
  <property name="SupportedMimeTypes" type="as" access="read"/>
 </interface>
 <interface name="org.mpris.MediaPlayer2.Player">
  <method name="Next"/>
  <method name="Previous"/>
  <method name="Pause"/>
  <method name="PlayPause"/>
  <method name="Stop"/>
  <method name="Play"/>
  <method name="Seek">
   <arg name="Offset" type="x" direction="in"/>
  </method>
  <method name="SetPosition">
   <arg name="TrackId" type="o" direction="in"/>
   <arg name="Position" type="x" direction="in"/>
  </method>
  <method name="OpenUri">
   <arg name="Uri" type="s" direction="in"/>
  </method>
  <signal name="Seeked">
   <arg name="Position" type="x"/>
  </signal>
  <property name="PlaybackStatus" type="s" access="read"/>
  <property name="LoopStatus" type="s" access="readwrite"/>
  <property name="Rate" type="d" access="readwrite"/>
  <property name="Shuffle" type="b" access="readwrite"/>
  <property name="Metadata" type="a{sv}" access="read"/>
  <property name="Volume" type="d" access="readwrite"/>
  <property name="Position" type="x" access="read">
   <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="false"/>
  </property>
  <property name="MinimumRate" type="d" access="read"/>
  <property name="MaximumRate" type="d" access="read"/>
  <property name="CanGoNext" type="b" access="read"/>
  <property name="CanGoPrevious" type="b" access="read"/>
  <property name="CanPlay" type="b" access="read"/>
  <property name="CanPause" type="b" access="read"/>
  <property name="CanSeek" type="b" access="read"/>
  <property name="CanControl" type="b" access="read">
   <annotation name="org.freedesktop.DBus.Property.EmitsChangedSignal" value="const"/>
  </property>
 </interface>
</node>)";

namespace {

GVariant* Strings(std::initializer_list<const char*> items) {
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE("as"));
    for (const char* s : items) g_variant_builder_add(&b, "s", s);
    return g_variant_builder_end(&b);
}

GVariant* Metadata(const Track& t) {
    GVariantBuilder b;
    g_variant_builder_init(&b, G_VARIANT_TYPE("a{sv}"));
    if (t.id.empty()) {
        g_variant_builder_add(&b, "{sv}", "mpris:trackid", g_variant_new_object_path(kNoTrack));
        return g_variant_builder_end(&b);
    }
    g_variant_builder_add(&b, "{sv}", "mpris:trackid", g_variant_new_object_path(t.id.c_str()));
    if (t.lengthUs > 0)
        g_variant_builder_add(&b, "{sv}", "mpris:length", g_variant_new_int64(t.lengthUs));
    g_variant_builder_add(&b, "{sv}", "xesam:title", g_variant_new_string(t.title.c_str()));
    if (!t.artist.empty()) {
        const char* artists[] = {t.artist.c_str()};
        g_variant_builder_add(&b, "{sv}", "xesam:artist", g_variant_new_strv(artists, 1));
    }
    if (!t.album.empty())
        g_variant_builder_add(&b, "{sv}", "xesam:album", g_variant_new_string(t.album.c_str()));
    if (!t.url.empty())
        g_variant_builder_add(&b, "{sv}", "xesam:url", g_variant_new_string(t.url.c_str()));
    return g_variant_builder_end(&b);
}

GVariant* RootProperty(std::string_view name) {
    if (name == "CanQuit" || name == "CanRaise") return g_variant_new_boolean(TRUE);
    if (name == "HasTrackList") return g_variant_new_boolean(FALSE);
    if (name == "Identity") return g_variant_new_string("WQAudio");
    if (name == "DesktopEntry") return g_variant_new_string("wqaudio");
    if (name == "SupportedUriSchemes") return Strings({"file"});
    if (name == "SupportedMimeTypes") return Strings({"audio/mpeg", "audio/x-ms-wma"});
    return nullptr;
}

// The Player properties whose values come from the state, in the order
// ChangedProperties reports them.
struct Property {
    const char* name;
    GVariant* (*value)(const PlayerState& s);
};
constexpr Property kStateProperties[] = {
    {"PlaybackStatus",
     [](const PlayerState& s) { return g_variant_new_string(PlaybackStatusName(s.playState)); }},
    {"LoopStatus",
     [](const PlayerState& s) { return g_variant_new_string(LoopStatusName(s.repeat)); }},
    {"Shuffle", [](const PlayerState& s) { return g_variant_new_boolean(s.random == 1); }},
    {"Metadata", [](const PlayerState& s) { return Metadata(s.track); }},
    {"Volume", [](const PlayerState& s) { return g_variant_new_double(s.volume); }},
    {"CanGoNext", [](const PlayerState& s) { return g_variant_new_boolean(s.canGoNext); }},
    {"CanGoPrevious", [](const PlayerState& s) { return g_variant_new_boolean(s.canGoPrevious); }},
    {"CanPlay", [](const PlayerState& s) { return g_variant_new_boolean(s.canPlay); }},
    {"CanPause", [](const PlayerState& s) { return g_variant_new_boolean(s.canPause); }},
    {"CanSeek", [](const PlayerState& s) { return g_variant_new_boolean(s.canSeek); }},
};

GVariant* PlayerProperty(const PlayerState& s, std::string_view name, Clock::time_point now) {
    for (const Property& p : kStateProperties)
        if (name == p.name) return p.value(s);
    if (name == "Position") return g_variant_new_int64(PositionAt(s, now));
    if (name == "Rate" || name == "MinimumRate" || name == "MaximumRate")
        return g_variant_new_double(1.0);
    if (name == "CanControl") return g_variant_new_boolean(TRUE);
    return nullptr;
}

}  // namespace

std::int64_t PositionAt(const PlayerState& s, Clock::time_point now) {
    std::int64_t pos = s.positionUs;
    if (s.playState == 0 && now > s.readAt)
        pos += std::chrono::duration_cast<std::chrono::microseconds>(now - s.readAt).count();
    if (s.track.lengthUs > 0) pos = std::min(pos, s.track.lengthUs);
    return std::max<std::int64_t>(pos, 0);
}

GVariant* PropertyValue(const PlayerState& s, std::string_view iface, std::string_view name,
                        Clock::time_point now) {
    if (iface == kRootInterface) return RootProperty(name);
    if (iface == kPlayerInterface) return PlayerProperty(s, name, now);
    return nullptr;
}

std::vector<const char*> ChangedProperties(const PlayerState& before, const PlayerState& after) {
    std::vector<const char*> changed;
    // Most messages change nothing shown: no values are made for them.
    if (before.playState == after.playState && before.repeat == after.repeat &&
        before.random == after.random && before.track == after.track &&
        before.volume == after.volume && before.canPlay == after.canPlay &&
        before.canPause == after.canPause && before.canSeek == after.canSeek &&
        before.canGoNext == after.canGoNext && before.canGoPrevious == after.canGoPrevious)
        return changed;
    for (const Property& p : kStateProperties) {
        GVariant* a = g_variant_ref_sink(p.value(before));
        GVariant* b = g_variant_ref_sink(p.value(after));
        if (!g_variant_equal(a, b)) changed.push_back(p.name);
        g_variant_unref(a);
        g_variant_unref(b);
    }
    return changed;
}

const char* PlaybackStatusName(int playState) {
    return playState == 0 ? "Playing" : playState == 1 ? "Paused" : "Stopped";
}

const char* LoopStatusName(int repeat) {
    return repeat == 1 ? "Track" : repeat == 2 ? "None" : "Playlist";
}

std::optional<int> RepeatOfLoopStatus(std::string_view name) {
    for (int repeat = 0; repeat < 3; ++repeat)
        if (name == LoopStatusName(repeat)) return repeat;
    return std::nullopt;
}

double VolumeOfHundredths(long hundredths) {
    if (hundredths <= -10000) return 0.0;
    if (hundredths >= 0) return 1.0;
    return std::pow(10.0, static_cast<double>(hundredths) / 2000.0);
}

std::optional<long> HundredthsOfVolume(double volume) {
    if (std::isnan(volume)) return std::nullopt;
    if (volume >= 1.0) return 0;
    if (volume <= 0.0) return -10000;
    return std::max(-10000L, std::lround(2000.0 * std::log10(volume)));
}

std::string TrackIdOf(std::u16string_view devicePath) {
    // FNV-1a over the UTF-16 units: 64 bits keep distinct paths apart.
    std::uint64_t h = 1469598103934665603ull;
    for (char16_t c : devicePath) {
        h ^= static_cast<std::uint64_t>(c);
        h *= 1099511628211ull;
    }
    char id[64];
    std::snprintf(id, sizeof id, "/org/wqaudio/Track/t%016llx", static_cast<unsigned long long>(h));
    return id;
}

std::optional<std::string> HostPathOfUri(std::string_view uri, std::string* why) {
    auto refuse = [&](std::string line) -> std::optional<std::string> {
        *why = std::move(line);
        return std::nullopt;
    };
    if (uri.size() > kMaxUriBytes)
        return refuse("a URI of " + std::to_string(uri.size()) + " bytes is refused (at most " +
                      std::to_string(kMaxUriBytes) + ")");
    const std::string text(uri);
    if (text.find('\0') != std::string::npos) return refuse("the URI holds a zero byte");
    gchar* scheme = g_uri_parse_scheme(text.c_str());
    const bool isFile = scheme && g_ascii_strcasecmp(scheme, "file") == 0;
    const std::string shown = scheme ? ValidUtf8(scheme) : std::string();
    g_free(scheme);
    if (!isFile)
        return refuse(shown.empty() ? "not a URI: give a file:// URI"
                                    : "only file:// URIs play, not " + shown + ":");
    gchar* host = nullptr;
    GError* error = nullptr;
    gchar* path = g_filename_from_uri(text.c_str(), &host, &error);
    if (!path) {
        std::string line = "not a usable file URI: " + ValidUtf8(error->message);
        g_error_free(error);
        return refuse(line);
    }
    const bool local = !host || g_ascii_strcasecmp(host, "localhost") == 0;
    const std::string hostName = host ? ValidUtf8(host) : std::string();
    g_free(host);
    std::string result = path;
    g_free(path);
    if (!local) return refuse("a file on another machine (" + hostName + ") cannot play here");
    if (result.empty() || result[0] != '/') return refuse("the URI names no absolute path");
    return result;
}

std::string ValidUtf8(std::string_view text) {
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string out = valid;
    g_free(valid);
    return out;
}

}  // namespace wq::app::mpris
