// CSpectrumFeed: the player window's sample-block entry point (OnSoundSamples)
// split across the two threads it touches.
//
// The sound filter calls OnSoundSamples on a media streaming thread, for every
// decoded block, ahead of the moment the block is heard. That thread only thins
// the block to 128 values and stores them, with the sample rate and the block's
// play time, in a fixed ring of slots; it never draws, never blocks and never
// allocates. The GUI thread (Pump) takes each block when its play time has come
// on the pipeline clock, runs the transform (g_fft), hands the twelve levels to
// the spectrum display and draws one frame, so the bars move with the music the
// listener hears rather than with the decoder.
//
// Wake-ups are coalesced: at most one Pump is pending at any time, either
// posted to the GUI thread or waiting on a timer for the next block's play time.
// A ring that is full (GUI thread far behind) drops the incoming block.
//
// How the player window uses it (it implements CSpectrumHost):
//   CSpectrumAnalyzer m_spectrum{this};
//   CSpectrumFeed m_spectrumFeed{this, &m_spectrum, &GuiSpectrumWaker(), &MediaPlayClock()};
//   static void OnSoundSamples(void* ctx, short* samples, int bytes, WAVEFORMATEX* fmt) {
//       static_cast<CWQAudioDlg*>(ctx)->m_spectrumFeed.OnSoundSamples(samples, bytes, fmt);
//   }
// (GuiSpectrumWaker in visual/guiwaker.h, MediaPlayClock in visual/mediaclock.h,
// library wq_visual_gui). The feed must outlive the graph that calls it: stop and
// release the graph (or unregister the callback) before the feed is destroyed.
#pragma once

#include <atomic>
#include <cstdint>

#include "visual/bands.h"
#include "visual/spectrumhost.h"

class CSpectrumAnalyzer;
class CSpectrumFeed;

// When blocks are heard, on the media layer's pipeline clock (nanoseconds).
// `timeline` identifies the clock's current run (a new pipeline or a flushing
// seek starts a new one): blocks of another timeline than the clock's are never
// heard and are dropped.
class CPlayClock {
public:
    virtual ~CPlayClock() = default;
    // Streaming thread, inside the sample callback: the play time of the block
    // being delivered. False when unknown (the block is then drawn at once).
    virtual bool BlockPlayTime(std::uint64_t* timeline, std::int64_t* ns) = 0;
    // GUI thread: the clock's current play time. False while it does not run
    // (paused, stopped, no pipeline): due blocks then wait.
    virtual bool PlayNow(std::uint64_t* timeline, std::int64_t* ns) = 0;
};

// How a feed gets its Pump run on the GUI thread.
class CSpectrumWaker {
public:
    virtual ~CSpectrumWaker() = default;
    // Any thread: run feed.Pump() on the GUI thread soon. Called at most once
    // per Pump, so an implementation may post one task per call.
    virtual void Wake(CSpectrumFeed& feed) = 0;
    // GUI thread, from inside Pump: run feed.Pump() after `ms` milliseconds.
    // False when no timer can be had: the feed then draws the waiting blocks at
    // once rather than never.
    virtual bool WakeAfter(CSpectrumFeed& feed, unsigned ms) = 0;
};

class CSpectrumFeed {
public:
    static constexpr int kSlots = 64;
    // A block whose play time lies this far ahead of the clock belongs to a
    // timeline that has been left (seek, new track) and is dropped.
    static constexpr std::int64_t kStaleLeadNs = 3'000'000'000;
    // How often waiting blocks are looked at while the clock does not run.
    static constexpr unsigned kIdlePollMs = 100;

    // None of the pointers is owned; all must outlive the feed. `clock` may be
    // null (every block is drawn as soon as the GUI thread takes it). `fft` is
    // the process-wide g_fft in the program.
    CSpectrumFeed(CSpectrumHost* host, CSpectrumAnalyzer* analyzer, CSpectrumWaker* waker,
                  CPlayClock* clock = nullptr, CFft* fft = &g_fft);
    ~CSpectrumFeed();
    CSpectrumFeed(const CSpectrumFeed&) = delete;
    CSpectrumFeed& operator=(const CSpectrumFeed&) = delete;

    // Streaming thread (any thread but the GUI thread's drawing): takes one block
    // of interleaved 16-bit PCM. `format` is the stream's WAVEFORMATEX; its bytes
    // 4-7 give the sample rate. A block of fewer than 2 bytes, a null pointer or
    // a full ring changes nothing. Two threads delivering at once never race: the
    // later one's block is dropped.
    void OnSoundSamples(const short* samples, int byteCount, const void* format);

    // GUI thread: processes every block whose play time has come, in order, then
    // arranges the next wake-up if blocks are still waiting.
    void Pump();

    // GUI thread: forgets every waiting block (the next Pump finds none).
    void Discard();

    // The feed alive under `serial` (GUI thread), or null once it is destroyed;
    // wake-ups carry serials so that they never reach a destroyed feed.
    static CSpectrumFeed* FindLive(std::uint64_t serial);
    // The live feed whose host shows the spectrum in `hwnd`, or null.
    static CSpectrumFeed* FindByWindow(HWND hwnd);
    std::uint64_t Serial() const { return m_serial; }
    CSpectrumHost* Host() const { return m_host; }

    // Counters for tests and diagnostics.
    std::uint64_t Delivered() const { return m_head.load(std::memory_order_acquire); }
    std::uint64_t Dropped() const { return m_dropped.load(std::memory_order_relaxed); }
    std::uint64_t Drawn() const { return m_drawn; }
    // Frames whose levels moved on without drawing, nobody seeing them.
    std::uint64_t Unseen() const { return m_unseen; }
    int Waiting() const;

private:
    struct Slot {
        short values[DECIMATED_COUNT];
        int sampleRate;
        bool timed;
        std::uint64_t timeline;
        std::int64_t playNs;
    };

    void Consume(const Slot& slot);
    // Takes due blocks in order; with `ignoreTime` every waiting block. Returns
    // the milliseconds until the first block left waiting (0 when none).
    unsigned TakeDue(bool ignoreTime);

    CSpectrumHost* m_host;
    CSpectrumAnalyzer* m_analyzer;
    CSpectrumWaker* m_waker;
    CPlayClock* m_clock;
    CFft* m_fft;
    std::uint64_t m_serial;

    Slot m_slots[kSlots];
    // Blocks published (producer) and consumed (GUI thread); the ring holds
    // m_head - m_tail blocks.
    std::atomic<std::uint64_t> m_head{0};
    std::atomic<std::uint64_t> m_tail{0};
    std::atomic<bool> m_producerBusy{false};
    std::atomic<bool> m_wakePending{false};
    std::atomic<std::uint64_t> m_dropped{0};
    std::uint64_t m_drawn = 0;   // GUI thread only
    std::uint64_t m_unseen = 0;  // GUI thread only
};
