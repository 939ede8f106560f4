// Dialog resource 230 of the equalizer window. The skin places and draws the
// controls; the resource gives them their ids, so every rectangle is empty.
#include "equalizer/equalizerdlg_res.h"

#include "platform/win/dlgres.h"

namespace {

constexpr DWORD kButton = 0x40010000;  // WS_CHILD | WS_TABSTOP
constexpr DWORD kSlider = 0x4001001A;
constexpr const char16_t* kBtn = u"button";
constexpr const char16_t* kTrack = u"msctls_trackbar32";

constexpr wq::win::DialogControl kControls[] = {
    {IDC_EQ_PWR, kBtn, u"PWR", 0, 0, 20, 12, kButton},
    {IDC_EQ_FREQ1_DOWN, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {IDC_EQ_FREQ1_UP, kBtn, u">>", 0, 0, 12, 12, kButton},
    {IDC_EQ_FREQ2_DOWN, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {IDC_EQ_FREQ2_UP, kBtn, u">>", 0, 0, 12, 12, kButton},
    {IDC_EQ_FREQ3_DOWN, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {IDC_EQ_FREQ3_UP, kBtn, u">>", 0, 0, 12, 12, kButton},
    {IDC_EQ_FREQ4_DOWN, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {IDC_EQ_FREQ4_UP, kBtn, u">>", 0, 0, 12, 12, kButton},
    {IDC_EQ_FREQ5_DOWN, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {IDC_EQ_FREQ5_UP, kBtn, u">>", 0, 0, 12, 12, kButton},
    {IDC_EQ_GAIN1, kTrack, u"Slider1", 0, 0, 11, 60, kSlider},
    {IDC_EQ_GAIN2, kTrack, u"Slider1", 0, 0, 11, 60, kSlider},
    {IDC_EQ_GAIN3, kTrack, u"Slider1", 0, 0, 11, 60, kSlider},
    {IDC_EQ_GAIN4, kTrack, u"Slider1", 0, 0, 11, 60, kSlider},
    {IDC_EQ_GAIN5, kTrack, u"Slider1", 0, 0, 11, 60, kSlider},
    {IDC_EQ_WIDE2, kBtn, u"V", 0, 0, 12, 12, kButton},
    {IDC_EQ_WIDE3, kBtn, u"V", 0, 0, 12, 12, kButton},
    {IDC_EQ_WIDE4, kBtn, u"V", 0, 0, 12, 12, kButton},
    {IDC_EQ_3D_DOWN, kBtn, u"<<", 0, 0, 12, 12, kButton},
    {IDC_EQ_3D_UP, kBtn, u">>", 0, 0, 12, 12, kButton},
    {IDC_EQ_RESET, kBtn, u"RESET", 0, 0, 28, 12, kButton},
    {IDC_EQ_MODE, kBtn, u"MODE", 0, 0, 28, 12, kButton},
    {IDC_EQ_PATTERN, kBtn, u"PATTERN", 0, 0, 28, 12, kButton},
    {IDC_EQ_DB1_UP, kBtn, u"+", 0, 0, 12, 12, kButton},
    {IDC_EQ_DB1_DOWN, kBtn, u"-", 0, 0, 12, 12, kButton},
    {IDC_EQ_DB2_UP, kBtn, u"+", 0, 0, 12, 12, kButton},
    {IDC_EQ_DB2_DOWN, kBtn, u"-", 0, 0, 12, 12, kButton},
    {IDC_EQ_DB3_UP, kBtn, u"+", 0, 0, 12, 12, kButton},
    {IDC_EQ_DB3_DOWN, kBtn, u"-", 0, 0, 12, 12, kButton},
    {IDC_EQ_DB4_UP, kBtn, u"+", 0, 0, 12, 12, kButton},
    {IDC_EQ_DB4_DOWN, kBtn, u"-", 0, 0, 12, 12, kButton},
    {IDC_EQ_DB5_UP, kBtn, u"+", 0, 0, 12, 12, kButton},
    {IDC_EQ_DB5_DOWN, kBtn, u"-", 0, 0, 12, 12, kButton},
};

// Pop-up, visible, font "System" 8 (WS_POPUP | WS_VISIBLE | DS_SETFONT). The
// window moves itself to 480 x 234 pixels in OnInitDialog.
constexpr wq::win::DialogResource kResource{
    IDD_WQEQUALIZER_DIALOG, 320, 144, 0x90000040, 0x80040000, u"", u"System", 8, kControls};

}  // namespace

void RegisterEqualizerDialogResource() {
    wq::win::RegisterDialogResource(kResource);
}
