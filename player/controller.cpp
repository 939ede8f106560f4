// The player's decisions: which row plays, the play order and its random pool,
// the repeat modes, forced pause, track end and every timer of the window.
#include <algorithm>
#include <cstdlib>

#include "graphics/scrolltext.h"
#include "library/explorer.h"
#include "platform/device/common.h"
#include "platform/device/messagedlg.h"
#include "platform/skin/skinlistbox.h"
#include "platform/skin/skinslider.h"
#include "player/wqaudiodlg.h"
#include "trackinfo/playtimewnd.h"
#include "trackinfo/trackinfownd.h"

namespace {

constexpr const char16_t* kMsgInserted = u"저장장치를 인식중 입니다.\n\n잠시만 기다려 주십시요.";
constexpr const char16_t* kMsgRemoved = u"저장장치가 제거되었습니다.\n\n잠시만 기다려 주십시요....";
// In the title area when no file of the folder could be loaded.
constexpr const char16_t* kMsgNothingPlays = u"재생할 수 있는 파일이 없습니다.";

int ListCurSel(CSkinListBox* list) {
    return list ? list->GetCurSel() : -1;
}
int ListCount(CSkinListBox* list) {
    return list ? list->GetCount() : 0;
}

}  // namespace

void CWQAudioDlg::PostPlayCommand() {
    PostMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_PLAY, 0), 0);
}

BOOL CWQAudioDlg::StartNextPlayTimer(UINT nMs) {
    const int files = m_pExplorer ? m_nMP3ListCount - m_pExplorer->GetFolderCount() : 0;
    if (m_nFailedLoads > 0 && m_nFailedLoads >= std::max(files, 1)) {
        Dbg(u"StartNextPlayTimer: %d loads failed in a row, nothing in this folder plays",
            m_nFailedLoads);
        m_nFailedLoads = 0;  // the next Play gives the folder one more pass
        KillTimer(TIMER_NEXT_MP3_PLAY);
        StopMP3();
        SetSkinBtnPlay(FALSE);
        if (m_pTitleWnd) {
            m_pTitleWnd->SetPrefix(u"");
            m_pTitleWnd->SetText(kMsgNothingPlays);
        }
        RedrawPlayer();
        return FALSE;
    }
    SetTimer(TIMER_NEXT_MP3_PLAY, nMs, nullptr);
    return TRUE;
}

void CWQAudioDlg::NoteLoadResult(BOOL bLoaded) {
    const CString folder = m_pExplorer ? m_pExplorer->GetCurPath() : CString();
    if (bLoaded || folder != m_strFailedFolder) m_nFailedLoads = 0;
    m_strFailedFolder = folder;
    if (!bLoaded) ++m_nFailedLoads;
}

// ---------------------------------------------------------------- random pool

BOOL CWQAudioDlg::ResetRandomList(BOOL bForce) {
    if (!m_arrRandom.empty() && !bForce) return 0;
    const int n = m_pExplorer ? m_pExplorer->GetItemCount() - m_pExplorer->GetFolderCount() : 0;
    m_arrRandom.clear();
    for (int i = 0; i < n; ++i) m_arrRandom.push_back(static_cast<DWORD>(i));
    return 1;
}

int CWQAudioDlg::GetRandomIndex() {
    const int k = static_cast<int>(m_arrRandom.size());
    if (k < 1 || !m_pExplorer) return -1;
    const int r = std::rand() % k;
    const DWORD e = m_arrRandom[static_cast<size_t>(r)];
    m_arrRandom.erase(m_arrRandom.begin() + r);
    return m_pExplorer->GetFolderCount() + static_cast<int>(e);
}

// ---------------------------------------------------------------- transport

void CWQAudioDlg::OnBtnPlay() {
    if (!m_pExplorer) return;
    const int sel = ListCurSel(m_pSkinLBMP3Title);
    if (sel < 0) return;

    if (m_pExplorer->IsCurItemFolder() && m_nPlayState == 2) {
        const int f = m_pExplorer->GetNextFileIndex();
        if (f == 0) {
            Dbg(u"OnBtnPlay -------- 1");
            if (m_pExplorer->OpenCurItem()) return;
            m_nMP3ListIndex = m_pExplorer->GetCurItemIndex();
            m_nMP3ListCount = m_pExplorer->GetItemCount();
            return;
        }
        Dbg(u"OnBtnPlay -------- 2");
        m_nMP3ListIndex = f;
        StopMP3();
        m_pExplorer->SetCurItemIndex(f);
        m_pExplorer->OnSelChangeLstExplorer(true);
        if (!LoadMP3(m_pExplorer->GetCurFilePath()) && !StartNextPlayTimer(100)) return;
        PostPlayCommand();
        return;
    }

    bool toggle = false;
    if (m_nMP3ListIndex != m_pExplorer->GetCurItemIndex() && m_nPlayState == 2) {
        Dbg(u"OnBtnPlay -------- 3");
        m_nMP3ListIndex = m_pExplorer->GetCurItemIndex();
        if (LoadMP3(m_pExplorer->GetCurFilePath())) {
            Dbg(u"OnBtnPlay -------- 4");
            PostPlayCommand();
            return;
        }
        Dbg(u"OnBtnPlay -------- 4--2");
        if (!StartNextPlayTimer(100)) return;
        toggle = true;
    }

    if (!toggle) {
        const bool folder = m_pExplorer->IsCurItemFolder();
        const bool changed = m_strCurPath != m_pExplorer->GetCurFilePath() &&
                             (m_nPlayState == 0 || m_nPlayState == 1) && !folder;
        if (changed) {
            if (m_bForcePause) {
                Dbg(u"OnBtnPlay -------- 5 ---- 2");
                m_pExplorer->SetCurItemIndex(m_nMP3ListIndex);
            } else {
                Dbg(u"OnBtnPlay -------- 5");
                m_nMP3ListIndex = m_pExplorer->GetCurItemIndex();
                if (LoadMP3(m_pExplorer->GetCurFilePath())) {
                    PostPlayCommand();
                    return;
                }
                Dbg(u"OnBtnPlay -------- 6");
                if (!StartNextPlayTimer(100)) return;
            }
        } else if (folder) {
            if (!m_bForcePause) {
                Dbg(u"OnBtnPlay -------- 7");
                m_pExplorer->OpenCurItem();
                return;
            }
            Dbg(u"OnBtnPlay -------- 7-2");
            if (m_pExplorer->GetCurSelIndex() == 0) return;
            m_pExplorer->SetCurItemIndex(m_nMP3ListIndex);
        }
    }

    PlayPauseMP3();
    if (!GetIsPlay() && m_hWnd) {
        HDC dc = ::GetDC(m_hWnd);
        m_spectrum.ResetLevels();
        if (dc) {
            m_spectrum.RestoreBackground(dc, m_rcSpectrum);
            ::ReleaseDC(m_hWnd, dc);
        }
    }
    if (m_nPlayState == 1)
        SetSkinBtnPlay(FALSE);
    else if (m_nPlayState == 0)
        SetSkinBtnPlay(TRUE);
    RedrawPlayer();
}

void CWQAudioDlg::OnBtnStop() {
    if (ListCurSel(m_pSkinLBMP3Title) < 0) return;
    StopMP3();
    if (m_nPlayState == 2) {
        SetSkinBtnPlay(FALSE);
        RedrawPlayer();
    }
}

void CWQAudioDlg::OnBtnPrev() {
    if (!m_pExplorer) return;
    if (m_bActive == 0 && ListCurSel(m_pSkinLBMP3Title) - m_pExplorer->GetFolderCount() < 0 &&
        !GetIsPlay())
        return;
    CCommon::SetInterfaceEnable(0);
    PlayPrev();
    CCommon::SetInterfaceEnable(1);
}

void CWQAudioDlg::OnBtnNext() {
    if (!m_pExplorer) return;
    if (m_bActive == 0 && ListCurSel(m_pSkinLBMP3Title) - m_pExplorer->GetFolderCount() < 0 &&
        !GetIsPlay())
        return;
    CCommon::SetInterfaceEnable(0);
    PlayNext();
    CCommon::SetInterfaceEnable(1);
}

BOOL CWQAudioDlg::PlayPrev() {
    if (!m_pExplorer) return 0;
    const BOOL wasPlaying = GetIsPlay();
    StopMP3();
    if (m_nRepeatMethod == 1) {
        if (wasPlaying) PlayPauseMP3();
        return 0;
    }
    --m_nMP3ListIndex;
    if (m_nMP3ListIndex < m_pExplorer->GetFolderCount()) m_nMP3ListIndex = m_nMP3ListCount - 1;
    m_pExplorer->SetCurItemIndex(m_nMP3ListIndex);
    m_pExplorer->OnSelChangeLstExplorer(true);
    if (LoadMP3(m_pExplorer->GetCurFilePath())) {
        if (wasPlaying) PlayPauseMP3();
        SaveRegistry(REG_PLAYED_PATH);
        SaveRegistry(REG_PLAYED_TIME);
        if (m_nRepeatMethod == 2) ResetRandomList(TRUE);
        return 1;
    }
    if (m_pExplorer->GetCurFilePath().IsEmpty()) m_pExplorer->SetCurItemIndex(0);
    StartNextPlayTimer(100);
    return 0;
}

BOOL CWQAudioDlg::PlayNext() {
    if (!m_pExplorer) return 0;
    const BOOL wasPlaying = GetIsPlay();
    StopMP3();
    bool load = true;
    if (m_nRepeatMethod == 0) {
        if (m_nPlayMethod == 0) {
            ++m_nMP3ListIndex;
            if (m_nMP3ListIndex >= m_nMP3ListCount) m_nMP3ListIndex = m_pExplorer->GetFolderCount();
        } else {
            int r = GetRandomIndex();
            if (r < 0) {
                ResetRandomList(TRUE);
                r = GetRandomIndex();
            }
            m_nMP3ListIndex = r;
        }
    } else if (m_nRepeatMethod == 1) {
        if (wasPlaying) PlayPauseMP3();
        load = false;
    } else {
        int next = -1;
        if (m_nPlayMethod == 0) {
            if (m_nMP3ListIndex + 1 < m_nMP3ListCount) next = m_nMP3ListIndex + 1;
        } else {
            next = GetRandomIndex();
        }
        if (next < 0) {
            OnBtnStop();
            SaveRegistry(REG_PLAYED_PATH);
            SaveRegistry(REG_PLAYED_TIME);
            return 1;
        }
        m_nMP3ListIndex = next;
    }
    if (load) {
        m_pExplorer->SetCurItemIndex(m_nMP3ListIndex);
        m_pExplorer->OnSelChangeLstExplorer(true);
        if (LoadMP3(m_pExplorer->GetCurFilePath())) {
            if (wasPlaying) PlayPauseMP3();
        } else {
            OnBtnStop();
            if (m_pExplorer->GetCurFilePath().IsEmpty()) m_pExplorer->SetCurItemIndex(0);
            StartNextPlayTimer(1000);
        }
    }
    SaveRegistry(REG_PLAYED_PATH);
    SaveRegistry(REG_PLAYED_TIME);
    return 1;
}

// ---------------------------------------------------------------- list and sliders

void CWQAudioDlg::OnSelChangeLstMp3Title() {
    const DWORD now = GetTickCount();
    if (static_cast<DWORD>(now - m_CancelTime) < 50) return;
    m_CancelTime = now;
    if (m_pExplorer) m_pExplorer->OnSelChangeLstExplorer(true);
}

void CWQAudioDlg::OnDblClkLstMp3Title() {
    if (!m_pExplorer) return;
    if (m_pExplorer->OpenCurItem()) {
        m_nMP3ListIndex = m_pExplorer->GetCurItemIndex();
        if (m_nPlayMethod == 1) ResetRandomList(TRUE);
        StopMP3();
        if (LoadMP3(m_pExplorer->GetCurFilePath()))
            PostPlayCommand();
        else
            StartNextPlayTimer(100);
        SaveRegistry(REG_PLAYED_PATH);
        SaveRegistry(REG_PLAYED_TIME);
        return;
    }
    m_nMP3ListIndex = m_pExplorer->GetCurItemIndex();
    m_nMP3ListCount = m_pExplorer->GetItemCount();
    if (m_pSliderPos) m_pSliderPos->SetPos(0);
    ClearDisplay(FALSE);
    PostMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_STOP, 0), 0);
}

void CWQAudioDlg::OnBtnListUp() {
    if (m_pExplorer) m_pExplorer->OnBtnUp();
}

void CWQAudioDlg::OnBtnListDown() {
    if (m_pExplorer) m_pExplorer->OnBtnDown();
}

void CWQAudioDlg::OnTrackPlayPos() {
    if (ListCount(m_pSkinLBMP3Title) > 0 && m_nPlayState != 2) {
        if (m_nPosTimer) KillTimer(m_nPosTimer);
        m_nPosTimer = 0;
    } else if (m_pSliderPos) {
        m_pSliderPos->SetPos(0);
    }
}

void CWQAudioDlg::OnChangePlayPos() {
    if (ListCount(m_pSkinLBMP3Title) > 0 && m_nPlayState != 2) {
        SetPositionPercent(m_pSliderPos ? m_pSliderPos->GetPos() + 1 : 1);
        if (m_nPosTimer) KillTimer(m_nPosTimer);
        m_nPosTimer = SetTimer(TIMER_POSITION, 200, nullptr);
    } else if (m_pSliderPos) {
        m_pSliderPos->SetPos(0);
    }
}

BOOL CWQAudioDlg::SeekTo(double ms) {
    if (ListCount(m_pSkinLBMP3Title) < 1 || m_nPlayState == 2) return 0;
    SetPositionMs(ms);
    if (m_nPosTimer) KillTimer(m_nPosTimer);
    m_nPosTimer = SetTimer(TIMER_POSITION, 200, nullptr);
    return 1;
}

void CWQAudioDlg::OnChangeListPos() {
    if (ListCount(m_pSkinLBMP3Title) > 1 && m_pExplorer) {
        const int row = (m_pSliderList ? m_pSliderList->GetPos() : 0) * m_nMP3ListCount / 100;
        m_pExplorer->SetCurItemIndex(row);
        m_pExplorer->OnSelChangeLstExplorer(true);
    } else if (m_pSliderList) {
        m_pSliderList->SetPos(0);
    }
}

// ---------------------------------------------------------------- modes

void CWQAudioDlg::SetPlayMethod(int n) {
    m_nPlayMethod = (n >= 0 && n < 2) ? n : 0;
    SaveRegistry(REG_METHOD_PLAY);
}

void CWQAudioDlg::SetRepeatMethod(int n) {
    m_nRepeatMethod = (n >= 0 && n < 3) ? n : 0;
    SaveRegistry(REG_METHOD_REPEAT);
}

void CWQAudioDlg::SetEqualizerMode(int n) {
    m_nEqualizer = (n >= 0 && n < 11) ? n : 0;
    SaveRegistry(REG_EQUALIZER);
}

void CWQAudioDlg::OnBtnRandom() {
    SetPlayMethod((m_nPlayMethod + 1) % 2);
    SetSkinBtnRandom();
}

void CWQAudioDlg::OnBtnRepeat() {
    SetRepeatMethod((m_nRepeatMethod + 1) % 3);
    SetSkinBtnRepeat();
}

void CWQAudioDlg::OnBtnEqualizer() {
    if (m_bEqBusy) return;
    m_bEqBusy = TRUE;
    SetTimer(TIMER_EQ_BUTTON, 700, nullptr);
    SetEqualizerMode((m_nEqualizer + 1) % 11);
    CCommon::Set3DControl(0, m_nEqualizer);
    SetSkinBtnEqualizer();
}

void CWQAudioDlg::OnBtnSetEq() {
    PostMessage(WM_SHOW_PATTERN, 0, 0);
}

// While another window of the player is open (the player is disabled under
// it) a request to open one is dropped.
LRESULT CWQAudioDlg::OnShowPattern(WPARAM, LPARAM) {
    if (IsWindowEnabled() && !m_dlgPattern.m_hWnd) m_dlgPattern.DoModal();
    return 0;
}

// The equalizer edits the preset that plays, so an edit is heard at once and
// the badge stays true.
void CWQAudioDlg::OnOpenEqualizer() {
    if (!m_hWnd || !IsWindowEnabled() || m_dlgEqualizer.m_hWnd) return;
    m_dlgEqualizer.m_nEditPreset = m_nEqualizer;
    m_dlgEqualizer.DoModal();
}

// ---------------------------------------------------------------- forced pause

void CWQAudioDlg::OnRunState(WPARAM wParam) {
    if (wParam != 0) {
        if (GetIsPlay() && !m_bForcePause) {
            m_bForcePause = TRUE;
            PostPlayCommand();
        }
    } else if (m_bForcePause && !m_bNaviGuide) {
        m_bForcePause = FALSE;
        PostPlayCommand();
    }
}

void CWQAudioDlg::OnNaviGuide(WPARAM wParam) {
    switch (wParam) {
        case 0:
            m_bNaviGuide = TRUE;
            if (GetIsPlay()) {
                m_bForcePause = TRUE;
                PlayPauseMP3();
            }
            break;
        case 771:
            m_bNaviGuide = FALSE;
            if (m_bForcePause) {
                m_bForcePause = FALSE;
                PlayPauseMP3();
            }
            break;
        case 3:
            SetVolume(-3500);
            break;
        case 4:
            SetVolume(-2000);
            break;
        default:
            break;
    }
}

void CWQAudioDlg::OnPauseKey() {
    if (m_bForcePause && !m_bNaviGuide) {
        m_bForcePause = FALSE;
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_PLAY, 0), 0);
    } else if (GetIsPlay()) {
        m_bForcePause = TRUE;
        SendMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_PLAY, 0), 0);
    }
}

// Empties the title and information displays (storage events, folder opened).
void CWQAudioDlg::ClearDisplay(BOOL bEmptyRandomPool) {
    if (bEmptyRandomPool) m_arrRandom.clear();
    if (m_pSliderPos) m_pSliderPos->SetPos(0);
    if (m_pTitleWnd) {
        m_pTitleWnd->SetPrefix(u"");
        m_pTitleWnd->SetText(u"");
    }
    if (m_pTimeWnd) {
        m_pTimeWnd->SetTotal(CTimeSpan(0));
        m_pTimeWnd->Compose();
        m_pTimeWnd->Invalidate();
    }
    if (m_pInfoWnd) {
        m_pInfoWnd->SetBitRate(0);
        m_pInfoWnd->SetSampleRate(0);
        m_pInfoWnd->Compose();
        m_pInfoWnd->Invalidate();
    }
}

// ---------------------------------------------------------------- timers

void CWQAudioDlg::OnTimer(UINT_PTR nIDEvent) {
    switch (nIDEvent) {
        case TIMER_POSITION: {
            if (m_nPosTimer == 0 || !GetIsPlay()) return;
            KillTimer(m_nPosTimer);
            m_nPosTimer = 0;
            const double posMs = GetPositionMs();
            const double durMs = GetDurationMs();
            const DWORD pos = posMs > 0 ? static_cast<DWORD>(posMs / 1000.0) : 0;
            const DWORD dur = durMs > 0 ? static_cast<DWORD>(durMs / 1000.0) : 0;
            const DWORD percent = dur == 0 ? 0 : pos * 100 / dur;
            if (m_pTimeWnd &&
                m_pTimeWnd->GetElapsed().GetTotalSeconds() != static_cast<LONG>(pos)) {
                m_pTimeWnd->SetElapsed(CTimeSpan(static_cast<LONG>(pos)));
                m_pTimeWnd->SetTotal(CTimeSpan(static_cast<LONG>(dur)));
                m_pTimeWnd->Compose();
                m_pTimeWnd->Invalidate(FALSE);
                m_pTimeWnd->UpdateWindow();
            }
            if (m_pSliderPos && m_pSliderPos->GetPos() != static_cast<int>(percent))
                m_pSliderPos->SetPos(static_cast<int>(percent));
            if (pos >= dur) PostMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_NEXT, 0), 0);
            m_nPosTimer = SetTimer(TIMER_POSITION, 200, nullptr);
            return;
        }
        case TIMER_CREATE_SKIN:
            KillTimer(TIMER_CREATE_SKIN);
            if (!CreateSkin()) {
                // Nothing to show or play, but the modes are still read and the
                // launcher is told that loading is complete.
                SetTimer(TIMER_LOAD_SETTINGS, 100, nullptr);
                return;
            }
            if (!InitInterface()) return;
            SetTimer(TIMER_LAYOUT, 1, nullptr);
            return;
        case TIMER_LAYOUT:
            KillTimer(TIMER_LAYOUT);
            UpdateWindow();
            LayoutInfoControls();
            SetTimer(TIMER_LOAD_SETTINGS, 100, nullptr);
            return;
        case TIMER_LOAD_SETTINGS:
            KillTimer(TIMER_LOAD_SETTINGS);
            // A fresh device: the equalizer window then shows what the codec
            // plays for a preset nobody has edited.
            WriteMissingEqDefaults();
            LoadSettings(!m_strCmdLine.IsEmpty());
            CCommon::SetInterfaceEnable(1);
            return;
        case TIMER_SDCARD_DETECT:
            KillTimer(TIMER_SDCARD_DETECT);
            LoadSettings(FALSE);
            Invalidate(FALSE);
            UpdateWindow();
            return;
        case TIMER_NEXT_MP3_PLAY:
            KillTimer(TIMER_NEXT_MP3_PLAY);
            PostPlayCommand();
            return;
        case TIMER_CLOSE_MESSAGE:
            KillTimer(TIMER_CLOSE_MESSAGE);
            if (CWnd* box = CWnd::FindWindow(nullptr, u"WQMessage"))
                box->PostMessage(WM_CLOSE, 0, 0);
            return;
        case TIMER_MSG_INSERTED:
            KillTimer(TIMER_MSG_INSERTED);
            CMessageDlg::WQMessageBox(kMsgInserted, 7, nullptr);
            return;
        case TIMER_MSG_REMOVED:
            KillTimer(TIMER_MSG_REMOVED);
            CMessageDlg::WQMessageBox(kMsgRemoved, 7, nullptr);
            return;
        case TIMER_EQ_BUTTON:
            KillTimer(TIMER_EQ_BUTTON);
            m_bEqBusy = FALSE;
            return;
        case TIMER_VISUAL_READY:
            KillTimer(TIMER_VISUAL_READY);
            m_bVisualReady = TRUE;
            return;
        default:
            CDialog::OnTimer(nIDEvent);
            return;
    }
}

void CWQAudioDlg::OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized) {
    m_bActive = static_cast<int>(nState);
    CDialog::OnActivate(nState, pWndOther, bMinimized);
}
