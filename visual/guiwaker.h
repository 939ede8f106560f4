// The wake-ups of CSpectrumFeed in the program: a task posted to the GUI
// thread's inbox (wq::win::PostTask) when blocks arrive, and a one-shot timer on
// the spectrum window for the next block's play time.
//
// A feed that is destroyed while a wake-up is on its way is simply not found
// when the wake-up runs: posted tasks and timers name the feed by a serial
// number, never by pointer.
#pragma once

#include "visual/soundfeed.h"

class CGuiSpectrumWaker final : public CSpectrumWaker {
public:
    // Timer id used on the spectrum window; chosen outside the player's own ids.
    static constexpr UINT_PTR kTimerId = 0x5EC7;

    void Wake(CSpectrumFeed& feed) override;
    bool WakeAfter(CSpectrumFeed& feed, unsigned ms) override;
};

// The process-wide waker (stateless).
CSpectrumWaker& GuiSpectrumWaker();
