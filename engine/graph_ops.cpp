// The media graph of the player window: one filter graph per loaded file, with
// the sound filter inserted before the file is rendered, so that every decoded
// block reaches the spectrum. These operations are members of the player
// window and run on its thread.
#include <algorithm>

#include "engine/soundfilter.h"
#include "graphics/scrolltext.h"
#include "library/explorer.h"
#include "platform/device/common.h"
#include "platform/media/com.h"
#include "platform/skin/skinlistbox.h"
#include "platform/skin/skinmanager.h"
#include "platform/skin/skinslider.h"
#include "player/wqaudiodlg.h"
#include "trackinfo/mp3info.h"
#include "trackinfo/playtimewnd.h"
#include "trackinfo/trackinfownd.h"

namespace {

template <class T>
void SafeRelease(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}

}  // namespace

BOOL CWQAudioDlg::InitInterface() {
    CloseInterface();
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&m_pGraphBuilder))))
        return 0;
    if (FAILED(m_pGraphBuilder->QueryInterface(IID_IMediaControl,
                                               reinterpret_cast<void**>(&m_pMediaControl))))
        return 0;
    if (FAILED(m_pGraphBuilder->QueryInterface(IID_IMediaSeeking,
                                               reinterpret_cast<void**>(&m_pMediaSeeking))))
        return 0;
    if (FAILED(m_pGraphBuilder->QueryInterface(IID_IBasicAudio,
                                               reinterpret_cast<void**>(&m_pBasicAudio))))
        return 0;
    SetTimer(TIMER_VISUAL_READY, 2000, nullptr);
    CreateSoundFilter();
    return 1;
}

BOOL CWQAudioDlg::CreateSoundFilter() {
    if (FAILED(CoCreateInstance(CLSID_WQASoundFilter, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IBaseFilter, reinterpret_cast<void**>(&m_pSoundFilter))))
        return 0;
    m_pGraphBuilder->AddFilter(m_pSoundFilter, u"WQASoundFilter");
    if (FAILED(m_pSoundFilter->QueryInterface(IID_IWQASoundFilter,
                                              reinterpret_cast<void**>(&m_pSoundFilterCtrl))))
        return 0;
    if (m_pSoundFilterCtrl) {
        SoundCallbackInfo info{this, &CWQAudioDlg::OnSoundSamples};
        m_pSoundFilterCtrl->SetSampleCallback(&info);
    }
    return 1;
}

void CWQAudioDlg::CloseInterface() {
    SafeRelease(m_pGraphBuilder);
    SafeRelease(m_pMediaControl);
    SafeRelease(m_pMediaSeeking);
    SafeRelease(m_pBasicAudio);
    SafeRelease(m_pSoundFilterCtrl);
    SafeRelease(m_pSoundFilter);
    // Blocks of the graph just released are never heard.
    if (m_pSpectrumFeed) m_pSpectrumFeed->Discard();
}

BOOL CWQAudioDlg::LoadMP3(CString strPath) {
    Dbg(u"LoadMP3 %s", strPath.GetString());
    CMP3Info info;
    StopMP3();
    CloseInterface();
    Sleep(50);
    InitInterface();
    if (!m_pGraphBuilder || !m_pMediaSeeking) return 0;
    if (FAILED(m_pGraphBuilder->RenderFile(strPath, nullptr))) {
        if (m_pTitleWnd) {
            m_pTitleWnd->SetPrefix(u"");
            m_pTitleWnd->SetText(u"");
        }
        NoteLoadResult(FALSE);
        return 0;
    }
    NoteLoadResult(TRUE);
    if (FAILED(m_pMediaSeeking->SetRate(1.0))) return 0;
    if (!info.Open(strPath)) {
        if (m_pTitleWnd) {
            m_pTitleWnd->SetPrefix(u"");
            m_pTitleWnd->SetText(u"");
        }
        return 1;
    }
    if (m_pTitleWnd) {
        if (info.GetTitle().IsEmpty()) {
            CString folder, fileName, extension;
            CCommon::ParsePath(strPath, folder, fileName, extension);
            m_pTitleWnd->SetPrefix(u"");
            m_pTitleWnd->SetText(fileName.Left(fileName.GetLength() - 4));
        } else {
            m_pTitleWnd->SetPrefix(info.GetArtist());
            m_pTitleWnd->SetText(info.GetTitle());
        }
    }
    m_strCurPath = strPath;
    if (m_pInfoWnd) {
        if (info.GetBitRate() < 1) {
            m_pInfoWnd->SetBitRate(128);
            m_pInfoWnd->SetSampleRate(44100);
        } else {
            m_pInfoWnd->SetBitRate(info.GetBitRate());
            m_pInfoWnd->SetSampleRate(info.GetSampleRate());
        }
        m_pInfoWnd->Compose();
        m_pInfoWnd->Invalidate(TRUE);
    }
    return 1;
}

BOOL CWQAudioDlg::PlayPauseMP3() {
    if (!m_pMediaControl) return 0;
    SetVolume(-2000);
    if (GetIsPlay()) {
        m_pMediaControl->Pause();
        m_nPlayState = 1;
    } else if (m_pSkinLBMP3Title && m_pSkinLBMP3Title->GetCurSel() != 0) {
        m_pMediaControl->Run();
        m_nPlayState = 0;
        if (m_nPosTimer) {
            KillTimer(m_nPosTimer);
            m_nPosTimer = 0;
        }
        m_nPosTimer = SetTimer(TIMER_POSITION, 200, nullptr);
    }
    return 1;
}

BOOL CWQAudioDlg::StopMP3() {
    if (!m_pMediaControl) return 0;
    m_pMediaControl->Stop();
    m_nPlayState = 2;
    if (m_nPosTimer) {
        KillTimer(m_nPosTimer);
        m_nPosTimer = 0;
    }
    KillTimer(TIMER_NEXT_MP3_PLAY);
    if (m_pSliderPos) m_pSliderPos->SetPos(0);
    if (m_pExplorer) {
        m_pExplorer->SetCurItemIndex(m_nMP3ListIndex);
        m_pExplorer->OnSelChangeLstExplorer(true);
    }
    if (m_pMediaSeeking) {
        LONGLONG zero = 0;
        m_pMediaSeeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr,
                                      AM_SEEKING_NoPositioning);
    }
    if (m_pTimeWnd) {
        m_pTimeWnd->SetElapsed(CTimeSpan(0));
        m_pTimeWnd->Compose();
        m_pTimeWnd->Invalidate(TRUE);
    }
    return 1;
}

int CWQAudioDlg::SetVolume(int nVolume) {
    if (!m_pBasicAudio) return -1;
    m_pBasicAudio->put_Balance(0);
    m_pBasicAudio->put_Volume(nVolume);
    return nVolume;
}

double CWQAudioDlg::GetDurationMs() {
    if (!m_pMediaSeeking) return -1.0;
    LONGLONG t = 0;
    m_pMediaSeeking->GetDuration(&t);
    return static_cast<double>(t) / 10000.0;
}

double CWQAudioDlg::GetPositionMs() {
    if (!m_pMediaSeeking) return -1.0;
    LONGLONG t = 0;
    m_pMediaSeeking->GetCurrentPosition(&t);
    return static_cast<double>(t) / 10000.0;
}

BOOL CWQAudioDlg::SetPositionPercent(int nPercent) {
    if (!m_pMediaSeeking) return 0;
    const double target = static_cast<double>(nPercent) * GetDurationMs() * 10000.0 / 100.0;
    LONGLONG pos = static_cast<LONGLONG>(target);
    m_pMediaSeeking->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, nullptr,
                                  AM_SEEKING_NoPositioning);
    NotifyObserver(PlayerEvent::Seeked);
    return 1;
}

BOOL CWQAudioDlg::SetPositionMs(double ms) {
    if (!m_pMediaSeeking) return 0;
    const double duration = GetDurationMs();
    // NaN and negative targets go to the start, targets past the end to the end.
    const double clamped = !(ms > 0.0) ? 0.0 : (ms > duration ? std::max(duration, 0.0) : ms);
    LONGLONG pos = static_cast<LONGLONG>(clamped * 10000.0);
    m_pMediaSeeking->SetPositions(&pos, AM_SEEKING_AbsolutePositioning, nullptr,
                                  AM_SEEKING_NoPositioning);
    NotifyObserver(PlayerEvent::Seeked);
    return 1;
}

void CWQAudioDlg::Uninitialize() {
    delete m_pExplorer;
    m_pExplorer = nullptr;
    auto destroy = [](auto*& wnd) {
        if (wnd) {
            if (wnd->m_hWnd) wnd->DestroyWindow();
            delete wnd;
            wnd = nullptr;
        }
    };
    destroy(m_pTimeWnd);
    destroy(m_pInfoWnd);
    destroy(m_pTitleWnd);
    destroy(m_pPathWnd);
    delete m_pSkinManager;
    m_pSkinManager = nullptr;
    m_pSkinLBMP3Title = nullptr;
    m_pSliderPos = nullptr;
    m_pSliderList = nullptr;
    m_pEqArea = nullptr;
    m_bSkinLoaded = FALSE;
}

void CWQAudioDlg::OnSoundSamples(void* pContext, short* pSamples, int nBytes,
                                 WAVEFORMATEX* pFormat) {
    auto* self = static_cast<CWQAudioDlg*>(pContext);
    if (self && self->m_pSpectrumFeed)
        self->m_pSpectrumFeed->OnSoundSamples(pSamples, nBytes, pFormat);
}
