#include "tests/player/player_fixture.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "library/explorer.h"
#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/fs/root.h"
#include "platform/gdi/surface.h"
#include "platform/media/com.h"
#include "platform/skin/skinlistbox.h"

namespace fs = std::filesystem;

namespace {

// A plain player face: every control of the player window, no pictures but
// the background.
constexpr const char* kTemplate = R"(wqskin 1
face 480 234
background img\bg.png
button 2042 2 2 30 16
button 2009 440 2 36 16
button 2016 10 100 30 24
button 2001 45 100 30 24
button 2002 80 100 30 24
button 2003 115 100 30 24
button 2004 150 100 30 24
button 2005 185 100 30 24
button 2006 220 100 30 24
button 2010 255 100 30 24
button 2011 290 100 30 24
button 2015 400 140 30 16
button 2014 400 210 30 16
slider 2007 horizontal 0 130 400 8
slider 2013 vertical 440 140 12 90
list 2008 10 140 380 90 rowheight=15
custom 2100 10 20 60 10
custom 2101 80 20 100 12
custom 2102 10 40 300 16
custom 2103 300 20 170 70
custom 2104 10 60 300 16
custom 3111 200 2 60 14
)";

}  // namespace

LRESULT LauncherWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= 0xC000) {
        received.push_back({std::u16string(wq::win::GetRegisteredMessageName(msg)), wParam, lParam});
        return 1;
    }
    if (msg == WM_TIMER && wParam == 77) {
        KillTimer(77);
        if (HWND player = ::FindWindow(nullptr, u"WQAudio"))
            ::SendMessage(player, RegisterWindowMessage(u"WQ:MSG:KEYDOWN"), keyAtTimer, 0);
        return 0;
    }
    if (msg == WM_TIMER && wParam == 78) {
        KillTimer(78);
        if (atTimer78) atTimer78();
        return 0;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

int LauncherWindow::Count(std::u16string_view name) const {
    int n = 0;
    for (const auto& r : received) n += r.name == name;
    return n;
}

void PlayerTest::SetUp() {
    char pattern[] = "/tmp/wqplayer-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root = pattern;
    fs::create_directories(root + "/NAND Flash/skin/WQAudio/img");
    std::ofstream(root + "/NAND Flash/skin/WQAudio/WQAudio.TPL") << kTemplate;
    wq::gdi::Surface bg;
    bg.Resize(480, 234);
    for (auto& p : bg.pixels) p = 0x00406080;
    ASSERT_TRUE(wq::gdi::SavePng(bg, root + "/NAND Flash/skin/WQAudio/img/bg.png"));
    ASSERT_TRUE(wq::fs::SetRoot(root));
    wq::device::SetSettingsPath(root + "/settings.db");
    wq::device::SetMemSettingsPath(root + "/mem.db");
    wq::device::ClearCallLog();
    session = std::make_unique<wq::win::TestSession>();
    graphs = std::make_unique<TestGraphWorld>();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
}

void PlayerTest::TearDown() {
    if (player && player->m_hWnd) player->DestroyWindow();
    player.reset();
    if (launcher && launcher->m_hWnd) launcher->DestroyWindow();
    launcher.reset();
    CoUninitialize();
    graphs.reset();
    session.reset();
    wq::device::SetSettingsPath(std::string());
    std::error_code ec;
    fs::remove_all(root, ec);
}

void PlayerTest::MakeFile(const std::string& relative) {
    const fs::path p = fs::path(root) / relative;
    fs::create_directories(p.parent_path());
    std::ofstream(p) << "";
}

void PlayerTest::MakeFolder(const std::string& relative) { fs::create_directories(fs::path(root) / relative); }

void PlayerTest::StoreNumber(const char16_t* key, DWORD value) {
    ASSERT_TRUE(CCommon::WriteINIFile(u"WQAUDIO", key, REG_DWORD, &value));
}

void PlayerTest::StoreString(const char16_t* key, const CString& value) {
    ASSERT_TRUE(CCommon::WriteINIFile(u"WQAUDIO", key, REG_SZ, value.GetString()));
}

DWORD PlayerTest::ReadNumber(const char16_t* key, bool* found) {
    DWORD v = 0;
    const bool ok = CCommon::ReadINIFile(u"WQAUDIO", key, REG_DWORD, &v) != 0;
    if (found) *found = ok;
    return v;
}

CString PlayerTest::ReadString(const char16_t* key) {
    char16_t buffer[1024] = {};
    CCommon::ReadINIFile(u"WQAUDIO", key, REG_SZ, buffer);
    return CString(buffer);
}

void PlayerTest::StartPlayer(const CString& cmdLine) {
    launcher = std::make_unique<LauncherWindow>();
    ASSERT_TRUE(launcher->Create(nullptr, u"WQMain", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0));
    player = std::make_unique<CWQAudioDlg>();
    player->m_strCmdLine = cmdLine;
    ASSERT_TRUE(player->Create(wq::win::IDD_WQAUDIO_DIALOG, nullptr));
    auto started = wq::win::RunUntil([&] { return player->m_pExplorer != nullptr && player->m_nMP3ListCount >= 0 &&
                                                  wq::win::PumpPending() == 0 &&
                                                  launcher->Count(u"WQ:MSG:APP_EXECUTE") > 0; },
                                     1000);
    ASSERT_TRUE(started.ok) << started.message;
    Run(300);  // timers 302, 303 and 304 have run
}

void PlayerTest::Run(DWORD ms) {
    auto r = wq::win::RunFor(ms);
    ASSERT_TRUE(r.ok) << r.message;
}

void PlayerTest::Command(UINT id, UINT code) { player->SendMessage(WM_COMMAND, MAKEWPARAM(id, code), 0); }

LRESULT PlayerTest::KeyDown(WPARAM code) { return Registered(u"WQ:MSG:KEYDOWN", code); }

LRESULT PlayerTest::Registered(const char16_t* name, WPARAM wParam, LPARAM lParam) {
    return player->SendMessage(RegisterWindowMessage(name), wParam, lParam);
}

void PlayerTest::Activate(bool active) {
    player->SendMessage(WM_ACTIVATE, active ? WA_ACTIVE : WA_INACTIVE, 0);
}

int PlayerTest::RowOf(const std::u16string& name) {
    CSkinListBox* list = player->m_pSkinLBMP3Title;
    for (int i = 0; list && i < list->GetCount(); ++i) {
        CString text;
        list->GetText(i, text);
        if (text.str() == name) return i;
    }
    return -1;
}

int PlayerTest::Selection() { return player->m_pSkinLBMP3Title ? player->m_pSkinLBMP3Title->GetCurSel() : -1; }

std::string PlayerTest::LoadedName() const {
    const std::u16string& p = player->m_strCurPath.str();
    const auto slash = p.rfind(u'\\');
    return wq::Utf16ToUtf8(slash == std::u16string::npos ? p : p.substr(slash + 1));
}
