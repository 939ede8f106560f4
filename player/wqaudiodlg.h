// CWQAudioDlg: the player window. A dialog on resource 202 whose whole face is
// drawn by the skin; it owns the folder explorer, the information controls, the
// spectrum display and the media-graph interfaces, and its message handlers are
// the player: transport and mode buttons, the title list, the two sliders, the
// launcher's messages, the timers that pace start-up, playback and storage
// changes, and the saved settings.
//
// The handlers live in several files by topic:
//   player/window.cpp      skin, controls, painting, button faces, mouse
//   player/controller.cpp  transport, play order, timers, list and sliders
//   player/settings.cpp    the WQAUDIO settings section
//   engine/graph_ops.cpp   the media graph (LoadMP3, PlayPauseMP3, ...)
//   app/shell_messages.cpp the launcher and navigation messages
//   app/startup.cpp        OnInitDialog, closing and destruction
//   player/wqaudiodlg_res.cpp  dialog resource 202
//
// Thread: everything runs on the GUI thread, except OnSoundSamples, which the
// sound filter calls on a media streaming thread (see CSpectrumFeed).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/soundfilter.h"
#include "equalizer/wqequalizerdlg.h"
#include "graphics/imageobj.h"
#include "platform/gdi/gdi.h"
#include "platform/media/dshow.h"
#include "platform/win/afxwin.h"
#include "platform/win/presenter.h"
#include "taskbar/taskbarwnd.h"
#include "visual/soundfeed.h"
#include "visual/spectrum.h"
#include "visual/wqpatterndlg.h"

class CSkinManager;
class CSkinListBox;
class CSkinSlider;
class CSkinCustom;
class CPlayTimeWnd;
class CTrackInfoWnd;
class CScrollTextWnd;
class CExplorer;

// The player window's dialog resource (player/wqaudiodlg_res.cpp).
constexpr UINT IDD_WQAUDIO_DIALOG = 202;
// Registers resource 202 with the window system; the constructor calls it.
void RegisterPlayerDialogResource();

// Control ids of dialog resource 202 and the skin template.
enum : UINT {
    IDC_BTN_STOP = 2001,
    IDC_BTN_PLAY = 2002,
    IDC_BTN_NEXT = 2003,
    IDC_BTN_RANDOM = 2004,
    IDC_BTN_REPEAT = 2005,
    IDC_BTN_EQUALIZER = 2006,
    IDC_SLIDER_PLAYPOS = 2007,
    IDC_LST_MP3TITLE = 2008,
    IDC_BTN_CLOSE = 2009,
    IDC_BTN_SETEQ = 2010,
    IDC_BTN_NAVI = 2011,
    IDC_LST_UNUSED = 2012,  // a list of the resource that nothing uses
    IDC_SLIDER_LIST = 2013,
    IDC_BTN_LISTDOWN = 2014,
    IDC_BTN_LISTUP = 2015,
    IDC_BTN_PREV = 2016,
    IDC_BTN_MODE = 2042,
};

// Skin custom areas.
enum : UINT {
    IDC_CUSTOM_TIME = 2100,
    IDC_CUSTOM_INFO = 2101,
    IDC_CUSTOM_TITLE = 2102,
    IDC_CUSTOM_SPECTRUM = 2103,
    IDC_CUSTOM_PATH = 2104,
    IDC_CUSTOM_EQ = 3111,
};
// A command with the preset badge's id opens the equalizer window on the
// current preset: a tap on the badge and the key E post it.
constexpr UINT IDC_OPEN_EQUALIZER = IDC_CUSTOM_EQ;
// Posted by "Set EQ": the pattern window runs its modal loop from the queue,
// once the tap that asked for it has been handled, so whoever tapped (a
// person or the automation) has its answer first.
constexpr UINT WM_SHOW_PATTERN = WM_APP + 20;

// Notification codes of the skin controls.
enum : UINT { SKIN_CODE_SET = 100, SKIN_CODE_DBLCLK = 200 };

// Timers of the player window.
enum : UINT {
    TIMER_POSITION = 301,
    TIMER_CREATE_SKIN = 302,
    TIMER_LAYOUT = 303,
    TIMER_LOAD_SETTINGS = 304,
    TIMER_SDCARD_DETECT = 305,
    TIMER_NEXT_MP3_PLAY = 306,
    TIMER_CLOSE_MESSAGE = 401,
    TIMER_MSG_INSERTED = 402,
    TIMER_MSG_REMOVED = 403,
    TIMER_EQ_BUTTON = 404,
    TIMER_VISUAL_READY = 500,
};

// SaveRegistry mask bits.
enum : UINT {
    REG_PLAYED_PATH = 1,
    REG_PLAYED_TIME = 2,
    REG_METHOD_PLAY = 4,
    REG_METHOD_REPEAT = 8,
    REG_EQUALIZER = 16,
    REG_ALL = 255,
};

// This program's number in the launcher protocol.
constexpr WPARAM WQ_PROGRAM_AUDIO = 3;
constexpr WPARAM WQ_PROGRAM_NAVI = 1;

// The registered messages the player window handles, registered during static
// initialisation (platform/win matches them at dispatch time).
extern UINT WM_WQ_KEYDOWN;        // "WQ:MSG:KEYDOWN"
extern UINT WM_WQ_RUN_STATE;      // "WQ:MSG:M_RUN_STATE"
extern UINT WM_BMSG_MARLO;        // "BMSG_MARLO"
extern UINT WM_WQ_AUDIOUPDATE;    // "WQ:MSG:AUDIOUPDATE"
extern UINT WM_WQ_AUDIO_PATTERN;  // "WQ:MSG:M_AUDIO_PATTERN"
extern UINT WM_WQ_OPTIONUPDATE;   // "WQ:MSG:OPTIONUPDATE"

// Finds the top-level window `name` (this process first, then others) and
// sends or posts it a message registered under `message`. Skipped, returning 0,
// when there is no such window.
LRESULT SendToWindow(LPCWSTR name, LPCWSTR message, WPARAM wParam, LPARAM lParam);
BOOL PostToWindow(LPCWSTR name, LPCWSTR message, WPARAM wParam, LPARAM lParam);

class CWQAudioDlg;

// What observers outside the player (the desktop's media-player interface)
// learn: after every message the player window has handled its state may have
// changed (track, play state, modes, volume, selection), and a seek is told
// at once, because the position alone does not show it. GUI thread; the
// observer only reads the player.
enum class PlayerEvent { MessageHandled, Seeked };
using PlayerObserver = std::function<void(CWQAudioDlg& player, PlayerEvent event)>;
void SetPlayerObserver(PlayerObserver observer);

class CWQAudioDlg : public CDialog, public CSpectrumHost {
public:
    explicit CWQAudioDlg(CWnd* pParent = nullptr);
    ~CWQAudioDlg() override;

    // --- window (skin, controls, painting) ---
    BOOL CreateSkin();
    void LayoutInfoControls();
    void SetSkinBtnRandom();
    void SetSkinBtnRepeat();
    void SetSkinBtnEqualizer();
    void SetSkinBtnPlay(BOOL bPlaying);

    // --- controller ---
    BOOL GetIsPlay() const { return m_nPlayState == 0; }
    BOOL ResetRandomList(BOOL bForce);
    int GetRandomIndex();
    BOOL PlayPrev();
    BOOL PlayNext();
    void SetPlayMethod(int n);
    void SetRepeatMethod(int n);
    void SetEqualizerMode(int n);
    void ClearDisplay(BOOL bEmptyRandomPool);
    void OnRunState(WPARAM wParam);
    void OnNaviGuide(WPARAM wParam);
    void OnPauseKey();
    // The progress slider's seek with an exact target: only while a track
    // plays or is paused; the position display follows at once.
    BOOL SeekTo(double ms);

    // --- settings ---
    BOOL SaveRegistry(UINT nMask);
    BOOL LoadSettings(BOOL bCmdLine);
    // Opens the folder of `strPath` with that file selected and plays it, as
    // a start with that file on the command line does.
    void OpenCommandLineFile(const CString& strPath);

    // --- media graph ---
    BOOL InitInterface();
    BOOL CreateSoundFilter();
    void CloseInterface();
    BOOL LoadMP3(CString strPath);
    BOOL PlayPauseMP3();
    BOOL StopMP3();
    int SetVolume(int nVolume);
    double GetDurationMs();
    double GetPositionMs();
    BOOL SetPositionPercent(int nPercent);
    // An absolute seek to `ms` milliseconds, clamped to the track: what the
    // progress slider does, to the millisecond instead of the per cent.
    BOOL SetPositionMs(double ms);
    void Uninitialize();
    // The sound filter's callback: a media streaming thread, never the GUI
    // thread. It only hands the block to the spectrum feed.
    static void OnSoundSamples(void* pContext, short* pSamples, int nBytes, WAVEFORMATEX* pFormat);

    // --- CDialog ---
    BOOL OnInitDialog() override;
    BOOL DestroyWindow() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    // Tells the observer (SetPlayerObserver), if any.
    void NotifyObserver(PlayerEvent event);

    // --- CSpectrumHost ---
    BOOL SpectrumIsPlaying() const override { return GetIsPlay(); }
    int SpectrumPattern() const override { return m_nPattern; }
    BOOL SpectrumVisualReady() const override { return m_bVisualReady; }
    BOOL SpectrumIsActive() const override { return m_bActive != 0; }
    RECT SpectrumRect() const override { return m_rcSpectrum; }
    HWND SpectrumWindow() const override { return m_hWnd; }
    HDC SpectrumGetDC() override { return m_hWnd ? ::GetDC(m_hWnd) : nullptr; }
    void SpectrumReleaseDC(HDC dc) override { ::ReleaseDC(m_hWnd, dc); }
    BOOL SpectrumIsSeen() const override { return m_hWnd && wq::win::PixelsSeen(m_hWnd); }

    // Members, in declaration order of the player window.
    CImageObject m_imgEqualizer;
    DWORD m_CancelTime = 0;
    CRect m_rcSpectrum;
    BOOL m_bSkinLoaded = FALSE;
    int m_nPattern = 0;
    CWQPatternDlg m_dlgPattern;
    BOOL m_bVisualReady = FALSE;
    BOOL m_bEqBusy = FALSE;
    CString m_strCurPath;
    HFONT m_fontList = nullptr;
    IGraphBuilder* m_pGraphBuilder = nullptr;
    IMediaControl* m_pMediaControl = nullptr;
    IMediaSeeking* m_pMediaSeeking = nullptr;
    IBasicAudio* m_pBasicAudio = nullptr;
    IBaseFilter* m_pSoundFilter = nullptr;
    IWQASoundFilter* m_pSoundFilterCtrl = nullptr;
    CSpectrumAnalyzer m_spectrum;
    CSkinManager* m_pSkinManager = nullptr;
    CSkinListBox* m_pSkinLBMP3Title = nullptr;
    CSkinSlider* m_pSliderPos = nullptr;
    CSkinSlider* m_pSliderList = nullptr;
    std::vector<DWORD> m_arrRandom;
    CString m_strCmdLine;
    int m_nMP3ListIndex = 0;
    int m_nMP3ListCount = 0;
    UINT_PTR m_nPosTimer = 0;
    int m_nPlayMethod = 0;
    int m_nRepeatMethod = 0;
    int m_nEqualizer = 0;
    int m_nPlayState = 2;
    BOOL m_bForcePause = FALSE;
    BOOL m_bNaviGuide = FALSE;
    int m_bActive = 1;
    CPlayTimeWnd* m_pTimeWnd = nullptr;
    CTrackInfoWnd* m_pInfoWnd = nullptr;
    CScrollTextWnd* m_pTitleWnd = nullptr;
    CScrollTextWnd* m_pPathWnd = nullptr;
    CWQEqualizerDlg m_dlgEqualizer;
    CExplorer* m_pExplorer = nullptr;
    CTaskbarWnd m_wndTaskbar;
    CSkinCustom* m_pEqArea = nullptr;
    CRect m_rcEqImage;

    // Set once the stored settings have been read at start-up. A player closed
    // before that (a signal or the close key during start-up) saves nothing,
    // so it never overwrites the stored settings with its defaults.
    BOOL m_bSettingsLoaded = FALSE;

    // The pen went down on the preset badge (area 3111) and no skin control.
    BOOL m_bEqAreaDown = FALSE;

    // The spectrum feed between the sound filter's thread and this window;
    // created with the window, fed by OnSoundSamples.
    std::unique_ptr<CSpectrumFeed> m_pSpectrumFeed;

protected:
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(HDC hdc);
    afx_msg void OnMeasureItem(int nIDCtl, LPMEASUREITEMSTRUCT lpMeasureItemStruct);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    afx_msg void OnTimer(UINT_PTR nIDEvent);
    afx_msg void OnClose();

    afx_msg void OnBtnPrev();
    afx_msg void OnBtnStop();
    afx_msg void OnBtnPlay();
    afx_msg void OnBtnNext();
    afx_msg void OnBtnRandom();
    afx_msg void OnBtnRepeat();
    afx_msg void OnBtnEqualizer();
    afx_msg void OnBtnSetEq();
    afx_msg void OnOpenEqualizer();
    afx_msg LRESULT OnShowPattern(WPARAM wParam, LPARAM lParam);
    afx_msg void OnBtnListUp();
    afx_msg void OnBtnListDown();
    afx_msg void OnBtnClose();
    afx_msg void OnBtnNavi();
    afx_msg void OnBtnMode();
    afx_msg void OnSelChangeLstMp3Title();
    afx_msg void OnDblClkLstMp3Title();
    afx_msg void OnChangePlayPos();
    afx_msg void OnTrackPlayPos();
    afx_msg void OnChangeListPos();

    afx_msg LRESULT OnWQMain(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnRunStateProc(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnNaviProc(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnAudioUpdate(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnAudioPatten(WPARAM wParam, LPARAM lParam);
    afx_msg LRESULT OnOptionUpdate(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    void PostPlayCommand();
    // Starts timer 306 to retry after a failed load, unless every file of the
    // folder has failed in a row: then playback stays stopped, the title area
    // says that nothing here plays, and FALSE tells the caller not to toggle
    // playback either, instead of retrying for ever.
    BOOL StartNextPlayTimer(UINT nMs);
    // Counts failed loads in a row per folder; a load that succeeds ends the run.
    void NoteLoadResult(BOOL bLoaded);
    void OnStorageEvent(WPARAM wParam);
    void RedrawPlayer();
    CString SkinPath(LPCWSTR relative) const;

    int m_nFailedLoads = 0;     // loads failed in a row in m_strFailedFolder
    CString m_strFailedFolder;  // the explorer's folder when they failed
};
