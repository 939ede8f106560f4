// Dialog resource 233 of the pattern window. The skin places and draws the
// buttons; the resource gives them their ids.
#include "visual/patterndlg_res.h"

#include "platform/win/dlgres.h"

namespace {

constexpr DWORD kButton = 0x40010000;  // WS_CHILD | WS_TABSTOP
constexpr const char16_t* kBtn = u"button";

constexpr wq::win::DialogControl kControls[] = {
    {IDC_PAT_BASIC, kBtn, u"BASIC", 0, 0, 40, 14, kButton},
    {IDC_PAT_SYMMETRIC, kBtn, u"SYMMETRIC", 0, 0, 40, 14, kButton},
    {IDC_PAT_WAVE, kBtn, u"WAVE", 0, 0, 40, 14, kButton},
    {IDC_PAT_DEFAULT, kBtn, u"DEFAULT", 0, 0, 40, 14, kButton},
    {IDC_PAT_EQ, kBtn, u"EQ", 0, 0, 40, 14, kButton},
    {IDC_PAT_EXIT, kBtn, u"EXIT", 0, 0, 40, 14, kButton},
    {IDC_PAT_MODE, kBtn, u"mode", 0, 0, 40, 14, kButton},
};

// Pop-up, visible, font "System" 8 (WS_POPUP | WS_VISIBLE | DS_SETFONT). The
// window keeps its resource size, 320 x 144 dialog units (480 x 234 pixels at
// 6 x 13 base units).
constexpr wq::win::DialogResource kResource{
    IDD_WQPATTERN_DIALOG, 320, 144, 0x90000040, 0x80040000, u"", u"System", 8, kControls};

}  // namespace

void RegisterPatternDialogResource() {
    wq::win::RegisterDialogResource(kResource);
}
