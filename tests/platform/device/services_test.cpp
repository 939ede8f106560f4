// The recorded device calls, their hooks, ParsePath and Dbg.
#include <gtest/gtest.h>

#include <memory>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/device/messagedlg.h"

namespace {

using wq::device::Call;

// Records what reached the backends: stands in for the audio hardware.
struct RecordingBackends : wq::device::CodecBackend, wq::device::OutputBackend {
    bool Apply3DControl(int control, int preset) override {
        applied.push_back({control, preset});
        return preset <= 10;
    }
    void SetOutVolume(DWORD level) override { volumes.push_back(level); }
    void PlayBtnSound() override { ++clicks; }
    std::vector<std::pair<int, int>> applied;
    std::vector<DWORD> volumes;
    int clicks = 0;
};

TEST(DeviceCalls, AreRecordedInOrderAndReachTheInstalledBackends) {
    wq::device::ClearCallLog();
    EXPECT_EQ(CCommon::Set3DControl(0, 3), FALSE) << "no codec installed";
    auto backends = std::make_shared<RecordingBackends>();
    wq::device::SetCodecBackend(backends);
    wq::device::SetOutputBackend(backends);
    CCommon::SetSpkOnOff(1);
    EXPECT_EQ(CCommon::Set3DControl(0, 3), TRUE);
    EXPECT_EQ(CCommon::Set3DControl(0, 11), FALSE);  // the codec refused it
    CCommon::SetOutVolume(4369);
    CCommon::PlayBtnSound();
    CCommon::SetEarOutVolume(514);  // not driven by this backend: recorded only
    CCommon::SetAuxOutMute(true);
    const std::vector<Call> expected = {
        {"Set3DControl", {0, 3}, {}},    {"SetSpkOnOff", {1}, {}},  {"Set3DControl", {0, 3}, {}},
        {"Set3DControl", {0, 11}, {}},   {"SetOutVolume", {4369}, {}}, {"PlayBtnSound", {}, {}},
        {"SetEarOutVolume", {514}, {}},  {"SetAuxOutMute", {1}, {}},
    };
    EXPECT_EQ(wq::device::CallLog(), expected);
    EXPECT_EQ(backends->applied, (std::vector<std::pair<int, int>>{{0, 3}, {0, 11}}));
    EXPECT_EQ(backends->volumes, std::vector<DWORD>{4369});
    EXPECT_EQ(backends->clicks, 1);
    EXPECT_EQ(wq::device::SetCodecBackend(nullptr), backends);
    wq::device::SetOutputBackend(nullptr);
    EXPECT_EQ(CCommon::Set3DControl(0, 3), FALSE);
    wq::device::ClearCallLog();
    EXPECT_TRUE(wq::device::CallLog().empty());
}

TEST(DeviceCalls, MessageBoxRecordsAndUsesTheInstalledWindow) {
    wq::device::ClearCallLog();
    const CString text(u"저장장치를 인식중 입니다.\n\n잠시만 기다려 주십시요.");
    EXPECT_EQ(CMessageDlg::WQMessageBox(text, 7, nullptr), IDOK);
    CString shown;
    wq::device::SetMessageBoxImpl([&](const CString& t, UINT style, HWND) {
        shown = t;
        return static_cast<int>(style) == 7 ? IDCANCEL : IDOK;
    });
    EXPECT_EQ(CMessageDlg::WQMessageBox(text, 7, nullptr), IDCANCEL);
    EXPECT_EQ(shown, text);
    wq::device::SetMessageBoxImpl(nullptr);
    const auto log = wq::device::CallLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].name, "WQMessageBox");
    EXPECT_EQ(log[1].args, (std::vector<std::int64_t>{7, 0}));
    EXPECT_EQ(log[1].text, text);
}

TEST(ParsePath, SplitsFolderNameAndExtension) {
    const char16_t* cases[][4] = {
        // path, folder, name, extension
        {u"SDMMC Card\\AUDIO\\노래 01.mp3", u"SDMMC Card\\AUDIO", u"노래 01.mp3", u"mp3"},
        {u"\\SDMMC Card\\song.final.wma", u"\\SDMMC Card", u"song.final.wma", u"wma"},
        {u"x.mp3", u"", u"x.mp3", u"mp3"},
        {u"\\top", u"", u"top", u""},
        {u"dir.v2\\noext", u"dir.v2", u"noext", u""},  // a dot in the folder is not an extension
        {u"a\\b\\", u"a\\b", u"", u""},
        {u"", u"", u"", u""},
    };
    for (const auto& c : cases) {
        CString folder(u"stale"), name(u"stale"), ext(u"stale");
        CCommon::ParsePath(c[0], folder, name, ext);
        EXPECT_EQ(folder, CString(c[1])) << CString(c[0]).ToUtf8();
        EXPECT_EQ(name, CString(c[2])) << CString(c[0]).ToUtf8();
        EXPECT_EQ(ext, CString(c[3])) << CString(c[0]).ToUtf8();
    }
}

TEST(DebugOutput, FormatsWhenEnabledAndIsSilentOtherwise) {
    std::vector<std::string> lines;
    wq::device::SetDebugSink([&](const std::string& l) { lines.push_back(l); });
    wq::device::EnableDebug(false);
    Dbg(u"OnBtnPlay -------- %d", 1);
    EXPECT_TRUE(lines.empty());
    const char* argv[] = {"wqaudio", "--debug"};
    wq::device::InitFromArgs(2, argv);
    EXPECT_TRUE(wq::device::DebugEnabled());
    Dbg(u"OnBtnPlay -------- %d", 1);
    Dbg(u"%s [%x] %S", u"이름", 0x10u, "utf8");
    Dbg(nullptr);
    EXPECT_EQ(lines, (std::vector<std::string>{"OnBtnPlay -------- 1", "이름 [10] utf8"}));
    wq::device::EnableDebug(false);
    wq::device::SetDebugSink(nullptr);
}

}  // namespace
