// The media-player interface's values and checks, without a bus: the volume,
// the position between two reads, what counts as a change, the
// metadata, and the file URIs other programs send.
#include "app/mpris_state.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace wq::app::mpris;
using namespace std::chrono_literals;

std::string Printed(GVariant* v) {
    g_variant_ref_sink(v);
    gchar* text = g_variant_print(v, FALSE);
    std::string out = text;
    g_free(text);
    g_variant_unref(v);
    return out;
}

TEST(MprisValues, VolumeIsTheEnginesLevelAsAnAmplitudeAndStrangeValuesClamp) {
    EXPECT_EQ(VolumeOfHundredths(0), 1.0);
    EXPECT_NEAR(VolumeOfHundredths(-2000), 0.1, 1e-12);  // the player's playing level
    EXPECT_EQ(VolumeOfHundredths(-10000), 0.0);
    const double inf = std::numeric_limits<double>::infinity();
    // Below -100 dB (1e-9) is silence; NaN is no volume at all.
    const std::pair<double, std::optional<long>> levels[] = {
        {0.5, -602},    {1.0, 0},       {10.0, 0},      {inf, 0},
        {-1.0, -10000}, {-inf, -10000}, {1e-9, -10000}, {std::nan(""), std::nullopt}};
    for (const auto& [volume, hundredths] : levels)
        EXPECT_EQ(HundredthsOfVolume(volume), hundredths) << volume;
}

TEST(MprisState, ThePositionMovesOnlyWhilePlayingAndStaysInTheTrack) {
    PlayerState s;
    s.playState = 0;
    s.track.id = TrackIdOf(u"SDMMC Card\\AUDIO\\a.mp3");
    s.track.lengthUs = 3'000'000;
    s.positionUs = 1'000'000;
    s.readAt = Clock::now();
    EXPECT_EQ(PositionAt(s, s.readAt + 500ms), 1'500'000);
    EXPECT_EQ(PositionAt(s, s.readAt + 10s), 3'000'000);
    EXPECT_EQ(PositionAt(s, s.readAt - 1s), 1'000'000) << "a clock read before the state";
    s.playState = 1;
    EXPECT_EQ(PositionAt(s, s.readAt + 500ms), 1'000'000);
}

TEST(MprisState, OnlyTheChangedPropertiesAreAnnounced) {
    PlayerState a;
    EXPECT_EQ(Printed(PropertyValue(a, kPlayerInterface, "Metadata", Clock::now())),
              "{'mpris:trackid': <objectpath '/org/mpris/MediaPlayer2/TrackList/NoTrack'>}");
    PlayerState b = a;
    b.positionUs = 5;
    b.readAt = Clock::now();
    EXPECT_TRUE(ChangedProperties(a, b).empty()) << "the position is asked for, never told";
    b.playState = 0;
    b.track = {TrackIdOf(u"x"), "file:///x", "봄날의 노래", "데모", "", 2'500'000};
    b.canPlay = true;
    const auto changed = ChangedProperties(a, b);
    EXPECT_EQ(std::vector<std::string>(changed.begin(), changed.end()),
              (std::vector<std::string>{"PlaybackStatus", "Metadata", "CanPlay"}));
    EXPECT_NE(TrackIdOf(u"x"), TrackIdOf(u"y"));
    EXPECT_EQ(PropertyValue(b, kPlayerInterface, "Bogus", Clock::now()), nullptr);
    EXPECT_EQ(PropertyValue(b, "org.example.Other", "Identity", Clock::now()), nullptr);
}

TEST(MprisUris, OnlyLocalFileUrisOfSaneSizeGiveAPath) {
    std::string why;
    EXPECT_EQ(HostPathOfUri("file:///tmp/a%20b%EB%B4%84.mp3", &why), "/tmp/a b봄.mp3");
    EXPECT_EQ(HostPathOfUri("file://localhost/x.mp3", &why), "/x.mp3");
    const std::pair<std::string, std::string> refused[] = {
        {"file://elsewhere/x.mp3", "another machine (elsewhere)"},
        {"http://example.com/x.mp3", "not http:"},
        {"/tmp/x.mp3", "not a URI"},
        {"file:///a%00b.mp3", "not a usable file URI"},
        {"file:///a%ZZ.mp3", "not a usable file URI"},
        {std::string("file:///a\0b", 11), "zero byte"},
        {"file:///" + std::string(100 * 1024, 'a'), "102408 bytes is refused"},
    };
    for (const auto& [uri, reason] : refused) {
        why.clear();
        EXPECT_EQ(HostPathOfUri(uri, &why), std::nullopt) << uri.substr(0, 40);
        EXPECT_NE(why.find(reason), std::string::npos) << why;
    }
}

}  // namespace
