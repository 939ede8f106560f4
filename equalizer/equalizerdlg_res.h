// The equalizer window's dialog resource 230 and its control ids, shared by
// the resource table, the window's handlers and the skin template
// "WQEqualizer.TPL". The skin custom areas of the window (2201..2211) are the
// template's alone and are not controls of the resource.
#pragma once

#include "platform/base/wintypes.h"

constexpr UINT IDD_WQEQUALIZER_DIALOG = 230;

enum : UINT {
    IDC_EQ_PWR = 2009,
    // "<<" and ">>" of the centre frequency of bands 1..5 (auto-repeat).
    IDC_EQ_FREQ1_DOWN = 2018,
    IDC_EQ_FREQ1_UP = 2019,
    IDC_EQ_FREQ2_DOWN = 2020,
    IDC_EQ_FREQ2_UP = 2021,
    IDC_EQ_FREQ3_DOWN = 2022,
    IDC_EQ_FREQ3_UP = 2023,
    IDC_EQ_FREQ4_DOWN = 2024,
    IDC_EQ_FREQ4_UP = 2025,
    IDC_EQ_FREQ5_DOWN = 2026,
    IDC_EQ_FREQ5_UP = 2027,
    // Gain sliders of bands 1..5.
    IDC_EQ_GAIN1 = 2028,
    IDC_EQ_GAIN2 = 2029,
    IDC_EQ_GAIN3 = 2030,
    IDC_EQ_GAIN4 = 2031,
    IDC_EQ_GAIN5 = 2032,
    // "V": wide band of bands 2, 3 and 4.
    IDC_EQ_WIDE2 = 2034,
    IDC_EQ_WIDE3 = 2035,
    IDC_EQ_WIDE4 = 2036,
    // "<<" and ">>" of the 3D effect (auto-repeat).
    IDC_EQ_3D_DOWN = 2038,
    IDC_EQ_3D_UP = 2039,
    IDC_EQ_RESET = 2040,
    IDC_EQ_MODE = 2044,
    IDC_EQ_PATTERN = 2049,
    // "+" and "-": gain one step up or down, bands 1..5.
    IDC_EQ_DB1_UP = 2055,
    IDC_EQ_DB1_DOWN = 2056,
    IDC_EQ_DB2_UP = 2057,
    IDC_EQ_DB2_DOWN = 2058,
    IDC_EQ_DB3_UP = 2059,
    IDC_EQ_DB3_DOWN = 2060,
    IDC_EQ_DB4_UP = 2061,
    IDC_EQ_DB4_DOWN = 2062,
    IDC_EQ_DB5_UP = 2063,
    IDC_EQ_DB5_DOWN = 2064,
};

// Registers resource 230 with the window system; the equalizer window's
// constructor calls it. GUI thread.
void RegisterEqualizerDialogResource();
