// Everything the application code uses from the window system, in one include.
#pragma once

#include "platform/win/app.h"
#include "platform/win/dialog.h"
#include "platform/win/dlgres.h"
#include "platform/win/geometry.h"
#include "platform/win/remote.h"
#include "platform/win/threads.h"
#include "platform/win/winapi.h"
#include "platform/win/wnd.h"
