// The player's section "WQAUDIO" of the settings store: modes, the played path
// and position, written as they change and restored at start-up and after a
// storage change.
#include <cstring>

#include "library/explorer.h"
#include "platform/device/common.h"
#include "platform/skin/skinslider.h"
#include "player/wqaudiodlg.h"
#include "trackinfo/trackinfownd.h"

namespace {

constexpr const char16_t* kSection = u"WQAUDIO";
constexpr const char16_t* kDefaultFolder = u"SDMMC Card\\AUDIO\\";

BOOL WriteNumber(LPCWSTR key, int value) {
    DWORD v = static_cast<DWORD>(value);
    return CCommon::WriteINIFile(kSection, key, REG_DWORD, &v);
}

// Reads a 32-bit setting into a variable cleared first; TRUE when found.
BOOL ReadNumber(LPCWSTR key, int* value) {
    DWORD v = 0;
    const BOOL found = CCommon::ReadINIFile(kSection, key, REG_DWORD, &v) != 0;
    *value = static_cast<int>(v);
    return found;
}

}  // namespace

BOOL CWQAudioDlg::SaveRegistry(UINT nMask) {
    // Without the title list and the slider (no skin) there is no path or
    // position to save, and the stored ones stay.
    if ((nMask & REG_PLAYED_PATH) && m_pExplorer) {
        const CString path = m_pExplorer->IsCurItemFolder() ? m_pExplorer->GetCurPath()
                                                            : m_pExplorer->GetCurFilePath();
        CCommon::WriteINIFile(kSection, u"PLAYED PATH", REG_SZ, path.GetString());
    }
    if ((nMask & REG_PLAYED_TIME) && m_pSliderPos)
        WriteNumber(u"PLAYED TIME", m_pSliderPos->GetPos());
    if (nMask & REG_METHOD_PLAY) WriteNumber(u"METHOD PLAY", m_nPlayMethod);
    if (nMask & REG_METHOD_REPEAT) WriteNumber(u"METHOD REPEAT", m_nRepeatMethod);
    if (nMask & REG_EQUALIZER) WriteNumber(u"EQUALIZER", m_nEqualizer);
    return 1;
}

void CWQAudioDlg::OpenCommandLineFile(const CString& strPath) {
    if (!m_pExplorer) return;
    m_pExplorer->OpenPathName(strPath);
    m_nMP3ListIndex = m_pExplorer->GetCurItemIndex();
    m_nMP3ListCount = m_pExplorer->GetItemCount();
    if (LoadMP3(m_pExplorer->GetCurFilePath()))
        PostPlayCommand();
    else
        StartNextPlayTimer(100);
}

BOOL CWQAudioDlg::LoadSettings(BOOL bCmdLine) {
    m_nPlayMethod = 0;
    m_nRepeatMethod = 0;
    m_nEqualizer = 0;
    int value = 0;
    if (ReadNumber(u"METHOD PLAY", &value)) {
        SetPlayMethod(value);
        SetSkinBtnRandom();
    }
    if (ReadNumber(u"METHOD REPEAT", &value)) {
        SetRepeatMethod(value);
        SetSkinBtnRepeat();
    }
    if (ReadNumber(u"EQUALIZER", &value)) {
        SetEqualizerMode(value);
        SetSkinBtnEqualizer();
        CCommon::Set3DControl(0, m_nEqualizer);
    }
    if (m_pInfoWnd) m_pInfoWnd->Invalidate(TRUE);

    if (m_pExplorer) {
        if (bCmdLine) {
            OpenCommandLineFile(m_strCmdLine);
        } else {
            char16_t buffer[1024];
            std::memset(buffer, 0, sizeof buffer);
            if (CCommon::ReadINIFile(kSection, u"PLAYED PATH", REG_SZ, buffer)) {
                buffer[1023] = 0;
                m_pExplorer->OpenPathName(CString(buffer));
            } else {
                m_pExplorer->OpenPathName(kDefaultFolder);
            }
            m_nMP3ListIndex = m_pExplorer->GetCurItemIndex();
            m_nMP3ListCount = m_pExplorer->GetItemCount();
            m_pExplorer->SetCurItemIndex(m_nMP3ListIndex);
            m_pExplorer->OnSelChangeLstExplorer(true);
            int percent = 0;
            if (ReadNumber(u"PLAYED TIME", &percent) && LoadMP3(m_pExplorer->GetCurFilePath())) {
                SetPositionPercent(percent);
                PostPlayCommand();
            }
            SendToWindow(u"WQMain", u"WQ:MSG:M_LOAD_COMPLETE", WQ_PROGRAM_AUDIO, 0);
        }
    } else if (!bCmdLine) {
        // Without a skin there is no explorer and nothing to restore, but the
        // launcher still learns that loading has finished (start-up goes on to
        // this point without a skin for that reason).
        SendToWindow(u"WQMain", u"WQ:MSG:M_LOAD_COMPLETE", WQ_PROGRAM_AUDIO, 0);
    }
    m_bSettingsLoaded = TRUE;

    if (m_nPlayMethod == 1 && (m_nRepeatMethod == 0 || m_nRepeatMethod == 2)) ResetRandomList(TRUE);
    return 1;
}
