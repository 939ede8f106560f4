// The sound filter as the player sees it: CLSID_WQASoundFilter,
// IID_IWQASoundFilter, IWQASoundFilter (SetSampleCallback in the sixth slot),
// SoundCallbackInfo and WAVEFORMATEX. The component itself belongs to the
// platform's media graph, which defines these types where it implements them;
// this header is the player's name for them.
#pragma once

#include "platform/media/wqasoundfilter.h"
