#include "visual/soundfeed.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "visual/spectrum.h"

namespace {

// Live feeds by serial. Touched at construction, destruction and when a
// wake-up arrives, never per block from the media thread.
std::mutex g_liveLock;
std::vector<CSpectrumFeed*>& LiveFeeds() {
    static std::vector<CSpectrumFeed*> feeds;
    return feeds;
}
std::uint64_t g_nextSerial = 1;

}  // namespace

CSpectrumFeed::CSpectrumFeed(CSpectrumHost* host, CSpectrumAnalyzer* analyzer,
                             CSpectrumWaker* waker, CPlayClock* clock, CFft* fft)
    : m_host(host), m_analyzer(analyzer), m_waker(waker), m_clock(clock), m_fft(fft) {
    std::lock_guard<std::mutex> lock(g_liveLock);
    m_serial = g_nextSerial++;
    LiveFeeds().push_back(this);
}

CSpectrumFeed::~CSpectrumFeed() {
    std::lock_guard<std::mutex> lock(g_liveLock);
    auto& feeds = LiveFeeds();
    feeds.erase(std::remove(feeds.begin(), feeds.end(), this), feeds.end());
}

CSpectrumFeed* CSpectrumFeed::FindLive(std::uint64_t serial) {
    std::lock_guard<std::mutex> lock(g_liveLock);
    for (CSpectrumFeed* feed : LiveFeeds()) {
        if (feed->m_serial == serial) {
            return feed;
        }
    }
    return nullptr;
}

CSpectrumFeed* CSpectrumFeed::FindByWindow(HWND hwnd) {
    std::lock_guard<std::mutex> lock(g_liveLock);
    for (CSpectrumFeed* feed : LiveFeeds()) {
        if (hwnd != nullptr && feed->m_host != nullptr && feed->m_host->SpectrumWindow() == hwnd) {
            return feed;
        }
    }
    return nullptr;
}

int CSpectrumFeed::Waiting() const {
    return static_cast<int>(m_head.load(std::memory_order_acquire) -
                            m_tail.load(std::memory_order_acquire));
}

void CSpectrumFeed::OnSoundSamples(const short* samples, int byteCount, const void* format) {
    if (samples == nullptr || byteCount < 2) {
        return;
    }
    // One producer at a time; a second thread never waits on the first.
    if (m_producerBusy.exchange(true, std::memory_order_acquire)) {
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    const std::uint64_t head = m_head.load(std::memory_order_relaxed);
    if (head - m_tail.load(std::memory_order_acquire) >= static_cast<std::uint64_t>(kSlots)) {
        m_producerBusy.store(false, std::memory_order_release);
        m_dropped.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    Slot& slot = m_slots[head % kSlots];
    DecimateBlock(samples, byteCount, slot.values);
    slot.sampleRate = ReadSampleRate(format);
    slot.timeline = 0;
    slot.playNs = 0;
    slot.timed = m_clock != nullptr && m_clock->BlockPlayTime(&slot.timeline, &slot.playNs);
    m_head.store(head + 1, std::memory_order_release);
    m_producerBusy.store(false, std::memory_order_release);

    if (!m_wakePending.exchange(true, std::memory_order_acq_rel)) {
        m_waker->Wake(*this);
    }
}

void CSpectrumFeed::Pump() {
    // Cleared before looking at the ring: a block published from here on wakes
    // the GUI thread again, so none is left waiting unseen. A read-modify-write,
    // so that every block published before the last producer raised the flag is
    // visible to the loads below.
    m_wakePending.exchange(false, std::memory_order_acq_rel);
    const unsigned waitMs = TakeDue(false);

    if (m_tail.load(std::memory_order_relaxed) == m_head.load(std::memory_order_acquire) ||
        m_wakePending.exchange(true, std::memory_order_acq_rel)) {
        return;  // nothing waits, or a wake-up is already on its way
    }
    if (waitMs == 0) {
        // Blocks were published while this Pump ran: take them at once.
        m_waker->Wake(*this);
    } else if (!m_waker->WakeAfter(*this, waitMs)) {
        m_wakePending.exchange(false, std::memory_order_acq_rel);
        TakeDue(true);
    }
}

unsigned CSpectrumFeed::TakeDue(bool ignoreTime) {
    std::uint64_t timeline = 0;
    std::int64_t now = 0;
    bool haveNow = false;
    bool askedClock = false;

    std::uint64_t tail = m_tail.load(std::memory_order_relaxed);
    while (tail != m_head.load(std::memory_order_acquire)) {
        const Slot& slot = m_slots[tail % kSlots];
        bool take = true;
        if (slot.timed && !ignoreTime) {
            if (!askedClock) {
                haveNow = m_clock->PlayNow(&timeline, &now);
                askedClock = true;
            }
            if (!haveNow) {
                return kIdlePollMs;
            }
            const bool stale = slot.timeline != timeline || slot.playNs - now > kStaleLeadNs;
            if (!stale && slot.playNs > now) {
                // Rounded up so that the wake-up never comes before the play time.
                return static_cast<unsigned>((slot.playNs - now + 999'999) / 1'000'000);
            }
            take = !stale;
        }
        if (take) {
            Consume(slot);
        }
        ++tail;
        m_tail.store(tail, std::memory_order_release);
    }
    return 0;
}

void CSpectrumFeed::Discard() {
    m_tail.store(m_head.load(std::memory_order_acquire), std::memory_order_release);
}

void CSpectrumFeed::Consume(const Slot& slot) {
    if (!m_host->SpectrumIsActive()) {
        return;
    }
    int levels[SPECTRUM_BANDS];
    ComputeBandLevels(*m_fft, slot.values, slot.sampleRate, levels);
    m_analyzer->SetLevels(levels, 0, SPECTRUM_BANDS);
    if (!m_host->SpectrumIsSeen()) {
        m_analyzer->AdvanceSpectrum();
        ++m_unseen;
        return;
    }
    HDC dc = m_host->SpectrumGetDC();
    if (dc != nullptr) {
        m_analyzer->DrawSpectrum(dc, m_host->SpectrumRect());
        m_host->SpectrumReleaseDC(dc);
        ++m_drawn;
    }
}
