// Dialog resource 202 of the player window: a pop-up of 278 x 198 dialog units
// whose controls fix the ids the skin template and the handlers share. None of
// them is visible: the skin draws what the user sees and sends the same ids.
#include "platform/win/dlgres.h"
#include "player/wqaudiodlg.h"

namespace {

constexpr DWORD kButton = 0x40010000;       // WS_CHILD | WS_TABSTOP
constexpr DWORD kButtonNoTab = 0x40000000;  // WS_CHILD
constexpr DWORD kList = 0x40A10101;
constexpr const char16_t* kBtnClass = u"button";
constexpr const char16_t* kTrackClass = u"msctls_trackbar32";
constexpr const char16_t* kListClass = u"listbox";

constexpr wq::win::DialogControl kControls[] = {
    {IDC_BTN_PREV, kBtnClass, u"Prev", 14, 86, 29, 14, kButton},
    {IDC_BTN_STOP, kBtnClass, u"Stop", 50, 86, 29, 14, kButton},
    {IDC_BTN_PLAY, kBtnClass, u"Play/Pause", 86, 86, 29, 14, kButton},
    {IDC_BTN_NEXT, kBtnClass, u"Next", 122, 86, 29, 14, kButton},
    {IDC_BTN_RANDOM, kBtnClass, u"Random/Sequence", 158, 86, 29, 14, kButton},
    {IDC_BTN_REPEAT, kBtnClass, u"Repeat/Once", 194, 86, 29, 14, kButton},
    {IDC_BTN_EQUALIZER, kBtnClass, u"Equalizer", 230, 86, 29, 14, kButton},
    {IDC_SLIDER_PLAYPOS, kTrackClass, u"Slider1", 0, 113, 259, 8, 0x40010018},
    {IDC_LST_MP3TITLE, kListClass, u"", 35, 141, 118, 38, kList},
    {IDC_BTN_CLOSE, kBtnClass, u"Close", 249, 0, 21, 14, kButton},
    {IDC_LST_UNUSED, kListClass, u"", 157, 141, 27, 38, kList},
    {IDC_SLIDER_LIST, kTrackClass, u"Slider1", 206, 136, 11, 38, 0x4001001A},
    {IDC_BTN_LISTDOWN, kBtnClass, u"Down", 205, 187, 24, 11, kButton},
    {IDC_BTN_LISTUP, kBtnClass, u"Up", 204, 120, 24, 11, kButton},
    {IDC_BTN_SETEQ, kBtnClass, u"Set EQ", 87, 50, 33, 16, kButtonNoTab},
    {IDC_BTN_NAVI, kBtnClass, u"NAVI", 127, 50, 33, 16, kButtonNoTab},
    {IDC_BTN_MODE, kBtnClass, u"MODE", 5, 3, 28, 14, kButton},
};

// Pop-up, visible, font "System" 8 (WS_POPUP | WS_VISIBLE | DS_SETFONT). The
// window moves itself to 480 x 234 pixels in OnInitDialog.
constexpr wq::win::DialogResource kResource{
    IDD_WQAUDIO_DIALOG, 278, 198, 0x90000040, 0x80040000, u"", u"System", 8, kControls};

}  // namespace

void RegisterPlayerDialogResource() {
    wq::win::RegisterDialogResource(kResource);
}
