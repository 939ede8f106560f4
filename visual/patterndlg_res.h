// The pattern window's dialog resource 233 and its control ids, shared by the
// resource table, the window's handlers and the skin template "WQPattern.TPL".
#pragma once

#include "platform/base/wintypes.h"

constexpr UINT IDD_WQPATTERN_DIALOG = 233;

enum : UINT {
    IDC_PAT_DEFAULT = 2047,
    IDC_PAT_EQ = 2048,
    IDC_PAT_EXIT = 2050,
    IDC_PAT_BASIC = 2051,
    IDC_PAT_SYMMETRIC = 2052,
    IDC_PAT_WAVE = 2053,
    IDC_PAT_MODE = 2054,
};

// Registers resource 233 with the window system; the pattern window's
// constructor calls it. GUI thread.
void RegisterPatternDialogResource();
