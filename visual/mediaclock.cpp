#include "visual/mediaclock.h"

#include <chrono>

#include "platform/media/soundtap.h"

namespace {

std::int64_t SteadyNs(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

}  // namespace

bool CMediaPlayClock::BlockPlayTime(std::uint64_t* timeline, std::int64_t* ns) {
    const wq::media::BlockTiming timing = wq::media::CurrentBlockTiming();
    if (!timing.hasPlayTime) {
        return false;
    }
    *timeline = 0;  // one monotonic clock for every graph
    *ns = SteadyNs(timing.playAt);
    return true;
}

bool CMediaPlayClock::PlayNow(std::uint64_t* timeline, std::int64_t* ns) {
    *timeline = 0;
    *ns = SteadyNs(std::chrono::steady_clock::now());
    return true;
}

CPlayClock& MediaPlayClock() {
    static CMediaPlayClock clock;
    return clock;
}
