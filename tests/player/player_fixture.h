// A player window on a temporary device, on the virtual clock, with the test
// media graph: the world of the controller and launcher tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/afxwin.h"
#include "platform/win/testing.h"
#include "player/wqaudiodlg.h"
#include "tests/player/test_graph.h"

// A stand-in for the launcher: a top-level window named "WQMain" that
// records every registered message it receives and answers 1.
class LauncherWindow : public CWnd {
public:
    struct Received {
        std::u16string name;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Received> received;
    // When set, the launcher sends this key to "WQAudio" at its timer 77.
    WPARAM keyAtTimer = 0;
    // Runs at the launcher's timer 78 (inside whatever loop is pumping).
    std::function<void()> atTimer78;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    int Count(std::u16string_view name) const;
};

class PlayerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Makes an (empty) file below the device root, folders included.
    void MakeFile(const std::string& relative);
    void MakeFolder(const std::string& relative);
    // Writes a WQAUDIO setting before the player starts.
    void StoreNumber(const char16_t* key, DWORD value);
    void StoreString(const char16_t* key, const CString& value);
    DWORD ReadNumber(const char16_t* key, bool* found = nullptr);
    CString ReadString(const char16_t* key);

    // Creates the player window and runs its start-up timers to the end.
    void StartPlayer(const CString& cmdLine = CString());
    // Runs the loop for `ms` of virtual time.
    void Run(DWORD ms);
    void Command(UINT id, UINT code = 0);
    LRESULT KeyDown(WPARAM code);
    LRESULT Registered(const char16_t* name, WPARAM wParam, LPARAM lParam = 0);
    void Activate(bool active);

    // The title-list rows, and the row of the file named `name`.
    int RowOf(const std::u16string& name);
    int Selection();
    CString CurrentPath() const { return player->m_strCurPath; }
    std::string LoadedName() const;

    std::string root;
    std::unique_ptr<wq::win::TestSession> session;
    std::unique_ptr<TestGraphWorld> graphs;
    std::unique_ptr<LauncherWindow> launcher;
    std::unique_ptr<CWQAudioDlg> player;
};
