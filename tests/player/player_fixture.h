// The world of the controller and launcher tests: a player window on a
// temporary device with the default skin, on the virtual clock, a stand-in
// launcher named "WQMain", and a media graph registered under
// CLSID_FilterGraph that answers duration and position as the test says.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/messagebox.h"
#include "graphics/scrolltext.h"
#include "library/explorer.h"
#include "platform/base/utf.h"
#include "platform/device/common.h"
#include "platform/device/hooks.h"
#include "platform/gdi/gdi.h"
#include "platform/media/com.h"
#include "platform/media/dshow.h"
#include "platform/skin/skinlistbox.h"
#include "platform/skin/skinslider.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "platform/win/testing.h"
#include "platform/win/winapi.h"
#include "player/wqaudiodlg.h"
#include "tests/support/message_recorder.h"
#include "tests/support/shows_picture.h"
#include "tests/support/temp_root.h"
#include "trackinfo/playtimewnd.h"

// The card's music folder, where the fixture puts a.mp3, b.mp3, c.mp3 and Live.
inline const std::u16string kCard = u"SDMMC Card\\AUDIO\\";

// What the test graphs answer and record. The player keeps one graph at a
// time; PositionMs() is that graph's position (-1 when there is none).
struct GraphWorld {
    std::map<std::u16string, LONGLONG> durationMs;  // by device path
    LONGLONG defaultMs = 10000;
    std::set<std::u16string> failing;  // paths whose RenderFile fails
    // Every call, in order: "filter <name>", "render <path>", "run", "pause",
    // "stop", "seek <ms>", "volume <v>".
    std::vector<std::string> calls;
    std::function<LONGLONG()> current;

    int Count(const std::string& prefix) const {
        return static_cast<int>(
            std::count_if(calls.begin(), calls.end(),
                          [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
    }
    std::string Last(const std::string& prefix) const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->rfind(prefix, 0) == 0) return *it;
        return {};
    }
    LONGLONG PositionMs() const { return current ? current() : -1; }
};

// The position advances with the tick count while running, frozen otherwise,
// so track ends come on the virtual clock.
class TestGraph final : public IGraphBuilder,
                        public IMediaControl,
                        public IMediaSeeking,
                        public IBasicAudio {
public:
    explicit TestGraph(GraphWorld* world) : m_world(world) {
        world->current = [this] { return Position(); };
    }
    ~TestGraph() { m_world->current = nullptr; }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IGraphBuilder || riid == IID_IFilterGraph)
            *ppv = static_cast<IGraphBuilder*>(this);
        if (riid == IID_IMediaControl) *ppv = static_cast<IMediaControl*>(this);
        if (riid == IID_IMediaSeeking) *ppv = static_cast<IMediaSeeking*>(this);
        if (riid == IID_IBasicAudio) *ppv = static_cast<IBasicAudio*>(this);
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        const ULONG n = --m_refs;
        if (n == 0) delete this;
        return n;
    }

    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override {
        return filter ? Record("filter " + wq::Utf16ToUtf8(name ? name : u"")) : E_POINTER;
    }
    HRESULT RenderFile(LPCWSTR file, LPCWSTR) override {
        const std::u16string path = file;
        Record("render " + wq::Utf16ToUtf8(path));
        // Like the real graph, only an existing regular file can be rendered.
        struct stat st {};
        const auto host = wq::fs::ToHostPath(path, false);
        if (m_world->failing.count(path) || !host || ::stat(host->c_str(), &st) != 0 ||
            !S_ISREG(st.st_mode))
            return E_FAIL;
        auto it = m_world->durationMs.find(path);
        m_durationMs = it == m_world->durationMs.end() ? m_world->defaultMs : it->second;
        return S_OK;
    }
    HRESULT Run() override {
        if (!m_running) m_runStartTick = GetTickCount();
        m_running = true;
        return Record("run");
    }
    HRESULT Pause() override { return Freeze("pause"); }
    HRESULT Stop() override { return Freeze("stop"); }
    HRESULT GetDuration(LONGLONG* d) override {
        *d = m_durationMs * 10000;
        return S_OK;
    }
    HRESULT GetCurrentPosition(LONGLONG* p) override {
        *p = Position() * 10000;
        return S_OK;
    }
    HRESULT SetPositions(LONGLONG* cur, DWORD flags, LONGLONG*, DWORD) override {
        if (!cur || (flags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_AbsolutePositioning)
            return S_OK;
        m_positionMs = std::min(*cur / 10000, m_durationMs);
        m_runStartTick = GetTickCount();
        return Record("seek " + std::to_string(*cur / 10000));
    }
    HRESULT SetRate(double) override { return S_OK; }
    HRESULT put_Volume(LONG v) override { return Record("volume " + std::to_string(v)); }
    HRESULT put_Balance(LONG) override { return S_OK; }
    // Never asked by the player.
    HRESULT RemoveFilter(IBaseFilter*) override { return E_NOTIMPL; }
    HRESULT GetState(LONG, OAFilterState*) override { return E_NOTIMPL; }
    HRESULT GetStopPosition(LONGLONG*) override { return E_NOTIMPL; }
    HRESULT GetRate(double*) override { return E_NOTIMPL; }
    HRESULT get_Volume(LONG*) override { return E_NOTIMPL; }
    HRESULT get_Balance(LONG*) override { return E_NOTIMPL; }

private:
    LONGLONG Position() const {
        const LONGLONG p = m_positionMs + (m_running ? DWORD(GetTickCount() - m_runStartTick) : 0);
        return std::min(p, m_durationMs);
    }
    HRESULT Freeze(const char* call) {
        m_positionMs = Position();
        m_running = false;
        return Record(call);
    }
    HRESULT Record(std::string call) {
        m_world->calls.push_back(std::move(call));
        return S_OK;
    }

    GraphWorld* m_world;
    ULONG m_refs = 1;
    bool m_running = false;
    LONGLONG m_positionMs = 0, m_durationMs = 0;
    DWORD m_runStartTick = 0;
};

class PlayerTest : public ::testing::Test {
protected:
    // Three tracks and a sub-folder on the card, an empty USB disk and the
    // default skin.
    void SetUp() override {
        for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
            root.MakeFile(std::string("SDMMC Card/AUDIO/") + name);
        root.MakeDir("SDMMC Card/AUDIO/Live");
        root.MakeDir("이동식디스크");
        std::filesystem::create_directory_symlink(WQ_SOURCE_DIR "/skin",
                                                  root.MakeDir("NAND Flash") + "/skin");
        wq::device::SetSettingsPath(root.Host("settings.db"));
        wq::device::SetMemSettingsPath(root.Host("mem.db"));
        wq::device::StartCallLog();
        m_realGraph = wq::media::RegisterClass(CLSID_FilterGraph, [this](REFIID riid, void** ppv) {
            auto* graph = new TestGraph(&graphs);
            const HRESULT hr = graph->QueryInterface(riid, ppv);
            graph->Release();
            return hr;
        });
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    }
    void TearDown() override {
        if (player && player->m_hWnd) {
            // Painting the player and every control on it again gives back
            // every drawing context the paint took.
            auto repaint = [&] {
                player->Invalidate(TRUE);
                Run(10);
                return wq::gdi::LiveDCCount();
            };
            const int dcs = repaint();
            EXPECT_EQ(repaint(), dcs);
        }
        StopPlayer();
        CoUninitialize();
        wq::media::RegisterClass(CLSID_FilterGraph, m_realGraph);
        wq::device::SetSettingsPath(std::string());
    }

    void Store(const char16_t* key, DWORD value, const char16_t* section = u"WQAUDIO") {
        ASSERT_TRUE(CCommon::WriteINIFile(section, key, REG_DWORD, &value));
    }
    void Store(const char16_t* key, const CString& value) {
        ASSERT_TRUE(CCommon::WriteINIFile(u"WQAUDIO", key, REG_SZ, value.GetString()));
    }
    DWORD ReadNumber(const char16_t* key, const char16_t* section = u"WQAUDIO") {
        DWORD v = 0;
        CCommon::ReadINIFile(section, key, REG_DWORD, &v);
        return v;
    }
    CString ReadString(const char16_t* key) {
        char16_t buffer[1024] = {};
        CCommon::ReadINIFile(u"WQAUDIO", key, REG_SZ, buffer);
        return CString(buffer);
    }

    // Creates the launcher and the player window and runs the start-up
    // timers (302, 303 and 304) to their end.
    void StartPlayer(const CString& cmdLine = CString()) {
        StartLauncher();
        player = std::make_unique<CWQAudioDlg>();
        player->m_strCmdLine = cmdLine;
        ASSERT_TRUE(player->Create(IDD_WQAUDIO_DIALOG, nullptr));
        Run(400);
    }
    void StartLauncher() {
        launcher = std::make_unique<wq::test::MessageRecorder>(u"WQMain");
        ASSERT_TRUE(launcher->m_hWnd);
    }
    void StopPlayer() {
        if (player && player->m_hWnd) player->DestroyWindow();
        if (launcher && launcher->m_hWnd) launcher->DestroyWindow();
        player.reset();
        launcher.reset();
    }
    void Run(DWORD ms) {
        auto r = wq::win::RunFor(ms);
        ASSERT_TRUE(r.ok) << r.message;
    }
    void Command(UINT id, UINT code = 0) {
        player->SendMessage(WM_COMMAND, MAKEWPARAM(id, code), 0);
    }
    // A button press and `ms` of the loop after it.
    void Press(UINT id, DWORD ms = 10) {
        Command(id);
        Run(ms);
    }
    LRESULT Registered(const char16_t* name, WPARAM wParam, LPARAM lParam = 0) {
        return player->SendMessage(RegisterWindowMessage(name), wParam, lParam);
    }
    LRESULT KeyDown(WPARAM code) { return Registered(u"WQ:MSG:KEYDOWN", code); }
    // A pen tap through the window system's input queue.
    void Tap(HWND window, POINT at) {
        wq::win::QueueMouseInput(window, WM_LBUTTONDOWN, at);
        wq::win::QueueMouseInput(window, WM_LBUTTONUP, at);
        wq::win::PumpPending();
    }

    int RowOf(const std::u16string& name) {
        CSkinListBox* list = player->m_pSkinLBMP3Title;
        for (int i = 0; i < list->GetCount(); ++i) {
            CString text;
            list->GetText(i, text);
            if (text.str() == name) return i;
        }
        return -1;
    }
    int Selection() { return player->m_pSkinLBMP3Title->GetCurSel(); }
    // Selects the row of `name` and sends the list's notification `code`.
    void Select(const std::u16string& name, UINT code = SKIN_CODE_SET) {
        ASSERT_GE(RowOf(name), 0) << wq::Utf16ToUtf8(name);
        player->m_pSkinLBMP3Title->SetCurSel(RowOf(name));
        Command(IDC_LST_MP3TITLE, code);
    }
    // Selects the row of `name` and waits out the list's 50 ms debounce.
    void Choose(const std::u16string& name) {
        Select(name);
        Run(60);
    }
    // Double-taps the row of `name`, as a finger would.
    void DoubleTap(const std::u16string& name) {
        Select(name, SKIN_CODE_DBLCLK);
        Run(50);
    }
    std::string LoadedName() const {
        const std::u16string& p = player->m_strCurPath.str();
        return wq::Utf16ToUtf8(p.substr(p.rfind(u'\\') + 1));
    }

    wq::test::TempRoot root;
    wq::win::TestSession session;
    GraphWorld graphs;
    std::unique_ptr<wq::test::MessageRecorder> launcher;
    std::unique_ptr<CWQAudioDlg> player;

private:
    wq::media::ClassFactory m_realGraph;
};
