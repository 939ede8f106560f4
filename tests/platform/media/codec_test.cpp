// The codec: presets from the settings with their defaults, and their effect
// on the audio really played (captured with the WAV sink).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/media/codec.h"
#include "platform/media/codecpreset.h"
#include "platform/media/com.h"
#include "platform/media/sink.h"
#include "tests/platform/media/graph_helpers.h"
#include "tests/platform/media/media_files.h"

namespace wqtest {
namespace {

using wq::media::CodecSettings;

class Codec : public ::testing::Test {
protected:
    void SetUp() override {
        wq::device::SetSettingsPath(ScratchDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                                    ".db");
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));  // installs the codec backend
        wq::media::SetCodecSettings({});
    }
    void TearDown() override {
        wq::media::SetCodecSettings({});
        CoUninitialize();
        wq::media::FinishAudioSink();
        wq::media::SetAudioSink("fast");
    }
    // Plays a device file with the WAV sink, optionally applying `live` while
    // it plays, else `settings` before; returns the stereo samples played.
    std::vector<short> Play(const std::string& file, const CodecSettings& settings, bool live = false) {
        const std::string out = ScratchDir() + "/codec-capture.wav";
        EXPECT_TRUE(wq::media::SetAudioSink("wav:" + out));
        wq::media::SetCodecSettings(live ? CodecSettings{} : settings);
        {
            Graph g;
            EXPECT_EQ(S_OK, g.Load(file, nullptr));
            if (live) {
                g.control->Run();
                std::this_thread::sleep_for(std::chrono::milliseconds(450));
                wq::media::SetCodecSettings(settings);
            }
            EXPECT_TRUE(g.PlayToEnd(5000));
        }
        wq::media::FinishAudioSink();
        std::string why;
        auto s = ReadCapturedWav(out, &why);
        EXPECT_FALSE(s.empty()) << why;
        return s;
    }
};

// RMS of one channel (0 left, 1 right) or of mid/side (2 mid, 3 side) over frames [from, to).
double Level(const std::vector<short>& s, int what, size_t from, size_t to) {
    std::vector<double> v;
    for (size_t i = from; i < to && 2 * i + 1 < s.size(); ++i) {
        const double l = s[2 * i], r = s[2 * i + 1];
        const double pick[4] = {l, r, (l + r) / 2, (l - r) / 2};
        v.push_back(pick[what]);
    }
    return Rms(v);
}

TEST_F(Codec, Set3DControlAppliesStoredValuesOverThePresetDefaults) {
    ASSERT_TRUE(CCommon::Set3DControl(0, 10));  // HALL, nothing stored: its defaults
    CodecSettings s = wq::media::GetCodecSettings();
    const int freqs[5] = {135, 300, 850, 3200, 9000};
    const double gains[5] = {-10, -4, 0, -4, -8};
    for (int b = 0; b < 5; ++b) {
        EXPECT_EQ(freqs[b], s.bands[b].freqHz) << "band " << b + 1;
        EXPECT_EQ(gains[b], s.bands[b].gainDb) << "band " << b + 1;
        EXPECT_EQ(b == 1 || b == 3, s.bands[b].wide) << "band " << b + 1;
    }
    EXPECT_DOUBLE_EQ(0.8, s.widen);
    EXPECT_FALSE(CCommon::Set3DControl(0, 11));
    EXPECT_FALSE(CCommon::Set3DControl(1, 0));

    const std::pair<const char16_t*, DWORD> stored[] = {
        {u"DB BAND30", 7},        // preset 0, band 3: 24 - 7 = step 17 = +5 dB
        {u"HZ BAND20", 3},        // band 2 at 500 Hz
        {u"HZ BAND10", 9},        // no such choice: the default 105 Hz stays
        {u"USE WIDE BAND40", 1},  // band 4 wide
        {u"3D BAND0", 15},        // 100 %
        {u"DB BAND51", 0},        // preset 1 only: +12 dB
    };
    for (const auto& [key, v] : stored) ASSERT_TRUE(CCommon::WriteINIFile(u"WQEQUALIZER", key, REG_DWORD, &v));
    ASSERT_TRUE(CCommon::Set3DControl(0, 0));
    s = wq::media::GetCodecSettings();
    EXPECT_EQ(5.0, s.bands[2].gainDb);
    EXPECT_EQ(500, s.bands[1].freqHz);
    EXPECT_EQ(105, s.bands[0].freqHz);
    EXPECT_TRUE(s.bands[3].wide);
    EXPECT_DOUBLE_EQ(1.0, s.widen);
    EXPECT_EQ(0.0, s.bands[4].gainDb);
    ASSERT_TRUE(CCommon::Set3DControl(0, 1));  // ROCK with its own stored band 5
    s = wq::media::GetCodecSettings();
    EXPECT_EQ(12.0, s.bands[4].gainDb);
    EXPECT_EQ(3.0, s.bands[1].gainDb);  // ROCK default +3 dB
}

TEST_F(Codec, HeadroomCoversNeighbouringBoostsAndTheWidening) {
    EXPECT_DOUBLE_EQ(1.0, wq::media::HeadroomGain({}));
    CodecSettings s;
    s.bands[1] = {300, 12, true};
    s.bands[2] = {850, 12, true};
    EXPECT_GT(-20 * std::log10(wq::media::HeadroomGain(s)), 12.0) << "two wide boosts add up between them";
    s = {};
    s.widen = 1.0;
    EXPECT_DOUBLE_EQ(0.5, wq::media::HeadroomGain(s));
}

TEST_F(Codec, ABoostedBandRaisesItsToneWithoutClipping) {
    CodecSettings s;
    s.bands[2] = {850, 12.0, false};
    const auto flat = Play("tone850full.wav", {});
    const auto boosted = Play("tone850full.wav", s);
    ASSERT_EQ(flat.size(), boosted.size());
    int peak = 0;
    for (short v : boosted) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_LT(peak, 32767) << "a full-scale tone boosted by 12 dB must not clip";
    const double gainDb = 20 * std::log10(Level(boosted, 0, 11025, 33075) / Level(flat, 0, 11025, 33075));
    EXPECT_NEAR(12.0 + 20 * std::log10(wq::media::HeadroomGain(s)), gainDb, 0.5);
}

TEST_F(Codec, ThreeDWidensTheSideSignal) {
    CodecSettings s;
    s.widen = 1.0;
    const auto flat = Play("pcm1.wav", {});
    const auto wide = Play("pcm1.wav", s);
    const double mid = Level(wide, 2, 4410, 39690) / Level(flat, 2, 4410, 39690);
    const double side = Level(wide, 3, 4410, 39690) / Level(flat, 3, 4410, 39690);
    EXPECT_NEAR(2.0, side / mid, 0.02);
    EXPECT_NEAR(wq::media::HeadroomGain(s), mid, 0.01);
}

TEST_F(Codec, APresetAppliedWhilePlayingChangesTheLiveSound) {
    CodecSettings cut;
    cut.bands[2] = {850, -12.0, false};
    const auto out = Play("tone850.wav", cut, true);
    ASSERT_GE(out.size(), 2u * 44100);
    const double before = Level(out, 0, 2205, 13230);  // 50-300 ms
    const double after = Level(out, 0, 33075, 42336);  // 750-960 ms
    EXPECT_NEAR(-12.0, 20 * std::log10(after / before), 1.0);
}

}  // namespace
}  // namespace wqtest
