// The device's message box. WQMessageBox hands the call to the installed
// implementation (wq::device::SetMessageBoxImpl: the player installs a real
// modal window named "WQMessage") and records it in the call log; without an
// implementation it only records and returns IDOK.
// Thread: GUI thread.
#pragma once

#include "platform/base/cstring.h"
#include "platform/base/wintypes.h"

class CMessageDlg {
public:
    static int WQMessageBox(const CString& text, UINT style, HWND parent);
};
