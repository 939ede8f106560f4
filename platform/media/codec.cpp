#include "platform/media/codec.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <map>
#include <mutex>

namespace wq::media {
namespace {

struct CodecState {
    std::mutex lock;
    CodecSettings settings;
    std::map<int, std::function<void(const CodecSettings&)>> listeners;
    int nextId = 1;
};

CodecState& state() {
    static CodecState* s = new CodecState;
    return *s;
}

std::atomic<float> gWidening{0.0f};

// Half the width of a band in octaves (peaks) or of the shelf transition.
double HalfWidthOctaves(int band, const CodecBand& b) {
    if (band == 0 || band == 4) return 1.0;
    return b.wide ? 1.0 : 0.5;
}

}  // namespace

bool CodecSettings::IsFlat() const {
    return widen == 0.0 && std::all_of(std::begin(bands), std::end(bands),
                                       [](const CodecBand& b) { return b.gainDb == 0.0; });
}

double EstimatedResponseDb(const CodecSettings& s, double freqHz) {
    double db = 0;
    for (int i = 0; i < 5; ++i) {
        const CodecBand& b = s.bands[i];
        const double octaves = std::log2(freqHz / b.freqHz) / HalfWidthOctaves(i, b);
        if (i == 0) {
            db += b.gainDb / (1.0 + std::exp(2.0 * octaves));  // low shelf: full gain below
        } else if (i == 4) {
            db += b.gainDb / (1.0 + std::exp(-2.0 * octaves));  // high shelf: full gain above
        } else {
            db += b.gainDb / (1.0 + octaves * octaves);
        }
    }
    return db;
}

double HeadroomGain(const CodecSettings& s) {
    double peak = 0;
    for (double f = 20; f <= 20000; f *= 1.05) peak = std::max(peak, EstimatedResponseDb(s, f));
    for (const CodecBand& b : s.bands)
        peak = std::max(peak, EstimatedResponseDb(s, b.freqHz));  // the peaks themselves
    // Mid/side widening can raise a sample by up to 1 + widen.
    return std::pow(10.0, -peak / 20.0) / (1.0 + s.widen);
}

void SetCodecSettings(const CodecSettings& in) {
    CodecSettings s = in;
    for (CodecBand& b : s.bands) {
        b.freqHz = std::clamp(b.freqHz, 20, 20000);
        b.gainDb = std::clamp(b.gainDb, -12.0, 12.0);
    }
    s.widen = std::clamp(s.widen, 0.0, 1.0);
    // Listeners run under the lock, so a graph that unsubscribes (on its
    // destruction) waits until no call into it is in progress.
    CodecState& st = state();
    std::lock_guard<std::mutex> g(st.lock);
    st.settings = s;
    gWidening.store(static_cast<float>(s.widen));
    for (auto& [id, fn] : st.listeners) fn(s);
}

CodecSettings GetCodecSettings() {
    CodecState& st = state();
    std::lock_guard<std::mutex> g(st.lock);
    return st.settings;
}

float CurrentWidening() {
    return gWidening.load(std::memory_order_relaxed);
}

namespace detail {

int SubscribeCodec(std::function<void(const CodecSettings&)> listener) {
    CodecState& st = state();
    std::lock_guard<std::mutex> g(st.lock);
    const int id = st.nextId++;
    st.listeners[id] = std::move(listener);
    return id;
}

void UnsubscribeCodec(int id) {
    CodecState& st = state();
    std::lock_guard<std::mutex> g(st.lock);
    st.listeners.erase(id);
}

}  // namespace detail
}  // namespace wq::media
