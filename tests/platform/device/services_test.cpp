// The recorded device calls and message box, ParsePath and Dbg.
#include <gtest/gtest.h>

#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/device/messagedlg.h"

namespace {

using wq::device::Call;

// The codec answers only when one is installed (tests/platform/media drives
// the real one); every call lands in the log in order either way. A box the
// program installs is the player's tests' (shell_test.cpp). Before the log is
// started nothing is kept: the player calls these on every track change.
TEST(DeviceCalls, AreRecordedInOrderWithTheMessageBoxAndItsTextOnceTheLogIsStarted) {
    CCommon::SetOutVolume(1);
    CCommon::SetInterfaceEnable(0);
    EXPECT_TRUE(wq::device::CallLog().empty());
    wq::device::StartCallLog();
    EXPECT_EQ(CCommon::Set3DControl(0, 3), FALSE) << "no codec installed";
    CCommon::SetSpkOnOff(1);
    CCommon::SetOutVolume(4369);
    CCommon::PlayBtnSound();
    CCommon::SetEarOutVolume(514);
    CCommon::SetAuxOutMute(true);
    const CString text(u"저장장치를 인식중 입니다.");
    EXPECT_EQ(CMessageDlg::WQMessageBox(text, 7, nullptr), IDOK) << "no box installed";
    const std::vector<Call> expected = {
        {"Set3DControl", {0, 3}, {}},   {"SetSpkOnOff", {1}, {}},
        {"SetOutVolume", {4369}, {}},   {"PlayBtnSound", {}, {}},
        {"SetEarOutVolume", {514}, {}}, {"SetAuxOutMute", {1}, {}},
        {"WQMessageBox", {7, 0}, text},
    };
    EXPECT_EQ(wq::device::CallLog(), expected);
}

TEST(ParsePath, SplitsFolderNameAndExtension) {
    const char16_t* cases[][4] = {
        // path, folder, name, extension
        {u"SDMMC Card\\AUDIO\\노래 01.mp3", u"SDMMC Card\\AUDIO", u"노래 01.mp3", u"mp3"},
        {u"\\SDMMC Card\\song.final.wma", u"\\SDMMC Card", u"song.final.wma", u"wma"},
        {u"x.mp3", u"", u"x.mp3", u"mp3"},
        {u"dir.v2\\noext", u"dir.v2", u"noext", u""},  // a dot in the folder is not an extension
        {u"", u"", u"", u""},
    };
    for (const auto& c : cases) {
        CString folder(u"stale"), name(u"stale"), ext(u"stale");
        CCommon::ParsePath(c[0], folder, name, ext);
        EXPECT_EQ((std::vector<CString>{folder, name, ext}),
                  (std::vector<CString>{c[1], c[2], c[3]}))
            << CString(c[0]).ToUtf8();
    }
}

TEST(DebugOutput, FormatsWhenEnabledAndIsSilentOtherwise) {
    std::vector<std::string> lines;
    wq::device::SetDebugSink([&](const std::string& l) { lines.push_back(l); });
    wq::device::EnableDebug(false);
    Dbg(u"OnBtnPlay -------- %d", 1);
    EXPECT_TRUE(lines.empty());
    wq::device::EnableDebug(true);
    Dbg(u"OnBtnPlay -------- %d", 1);
    Dbg(u"%s [%x] %S", u"이름", 0x10u, "utf8");
    Dbg(nullptr);
    EXPECT_EQ(lines, (std::vector<std::string>{"OnBtnPlay -------- 1", "이름 [10] utf8"}));
    wq::device::EnableDebug(false);
    wq::device::SetDebugSink(nullptr);
}

}  // namespace
