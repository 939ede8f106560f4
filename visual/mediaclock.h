// Play times from the media graph's sound filter: the moment a block's first
// sample leaves the audio sink (pipeline clock, base time and sink latency
// included), on the monotonic clock. Blocks delivered while the graph does not
// run (preroll, paused) have no play time and are drawn as soon as the GUI
// thread takes them.
#pragma once

#include "visual/soundfeed.h"

class CMediaPlayClock final : public CPlayClock {
public:
    bool BlockPlayTime(std::uint64_t* timeline, std::int64_t* ns) override;
    bool PlayNow(std::uint64_t* timeline, std::int64_t* ns) override;
};

// The process-wide clock (stateless).
CPlayClock& MediaPlayClock();
