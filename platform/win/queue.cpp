// The message queue: sending, posting, input, timers, WM_QUIT, and the wait of
// an idle loop on the clock, the display and the cross-thread inbox.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>

#include "platform/win/internal.h"
#include "platform/win/remote.h"
#include "platform/win/threads.h"

namespace wq::win::detail {

std::uint64_t Now() {
    State& s = S();
    const DWORD tick = wq::clock::Current().Now();
    if (!s.clockBound) {
        s.lastTick = tick;
        s.clockBound = true;
    }
    s.now += static_cast<DWORD>(tick - s.lastTick);  // unsigned difference survives the wrap
    s.lastTick = tick;
    return s.now;
}

void ResyncClock() {
    State& s = S();
    s.lastTick = wq::clock::Current().Now();
    s.clockBound = true;
}

void DropWindowMessages(HWND hwnd) {
    State& s = S();
    std::erase_if(s.posted, [hwnd](const Posted& p) { return !p.task && p.msg.hwnd == hwnd; });
    std::erase_if(s.timers, [hwnd](const Timer& t) { return t.hwnd == hwnd; });
}

LRESULT CallWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    State& s = S();
    s.current.push_back(CurrentMessage{hwnd, msg, wParam, lParam});
    LRESULT r;
    if (w->object) {
        r = CallObject(w->object, msg, wParam, lParam);
    } else if (w->proc) {
        r = w->proc(hwnd, msg, wParam, lParam);
    } else {
        r = DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    s.current.pop_back();
    return r;
}

// ---- the inbox --------------------------------------------------------------

void Inbox::Post(Posted p) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed) return;
        m_posted.push_back(std::move(p));
        ++m_generation;
    }
    Wake();
}

void Inbox::Send(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed) return;
        m_sent.push_back(std::move(task));
        ++m_generation;
    }
    Wake();
}

void Inbox::TakePosted(std::deque<Posted>& out) {
    std::lock_guard<std::mutex> lock(m_mutex);
    while (!m_posted.empty()) {
        out.push_back(std::move(m_posted.front()));
        m_posted.pop_front();
    }
}

std::deque<std::function<void()>> Inbox::TakeSent() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::deque<std::function<void()>> out;
    out.swap(m_sent);
    return out;
}

bool Inbox::HasSent() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_sent.empty();
}

void Inbox::Wait(DWORD ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_sent.empty() || !m_posted.empty()) return;
    const std::uint64_t seen = m_generation;
    auto ready = [&] { return m_generation != seen; };
    if (ms == INFINITE) {
        m_cv.wait(lock, ready);
    } else {
        m_cv.wait_for(lock, std::chrono::milliseconds(ms), ready);
    }
}

void Inbox::Wake() {
    {
        // The presenter is woken under the lock, so SetPresenter cannot remove
        // (and its owner then destroy) a presenter this thread is still waking.
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_generation;
        if (Presenter* p = m_presenter.load(std::memory_order_acquire)) p->Wake();
    }
    m_cv.notify_all();
}

void Inbox::SetPresenter(Presenter* presenter) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_presenter.store(presenter, std::memory_order_release);
}

void Inbox::SetClosed(bool closed) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = closed;
    m_cv.notify_all();
}

bool Inbox::Closed() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed;
}

void Inbox::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_posted.clear();
    m_sent.clear();
}

Inbox& TheInbox() {
    static Inbox inbox;
    return inbox;
}

}  // namespace wq::win::detail

using namespace wq::win::detail;

namespace {

bool InRange(UINT msg, UINT lo, UINT hi) {
    return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi);
}

bool MatchesWindow(HWND msgHwnd, HWND filter) {
    if (!filter) return true;
    for (HWND h = msgHwnd; h; h = Find(h) ? Find(h)->parent : nullptr) {
        if (h == filter) return true;
    }
    return false;
}

int RunSentTasks() {
    int n = 0;
    for (;;) {
        auto tasks = TheInbox().TakeSent();
        if (tasks.empty()) return n;
        for (auto& t : tasks) {
            t();
            ++n;
        }
    }
}

// The window that should receive a WM_PAINT, parents before children, top-level windows in z-order.
HWND FindPaintTarget(HWND h) {
    Window* w = Find(h);
    if (!w || !(w->style & WS_VISIBLE)) return nullptr;
    if (w->update.right > w->update.left && w->update.bottom > w->update.top) return h;
    std::vector<HWND> kids = w->children;
    for (HWND c : kids) {
        if (HWND t = FindPaintTarget(c)) return t;
    }
    return nullptr;
}

HWND NextPaint(HWND filter) {
    if (filter) return FindPaintTarget(filter);
    for (HWND t : S().topLevels) {
        if (HWND h = FindPaintTarget(t)) return h;
    }
    return nullptr;
}

// The topmost visible, enabled descendant of `h` under `p` (client coordinates of h).
HWND HitTest(HWND h, POINT p) {
    Window* w = Find(h);
    for (HWND c : w->children) {
        Window* cw = Find(c);
        if (!cw || !(cw->style & WS_VISIBLE) || (cw->style & WS_DISABLED)) continue;
        if (p.x >= cw->rect.left && p.x < cw->rect.right && p.y >= cw->rect.top &&
            p.y < cw->rect.bottom) {
            return HitTest(c, POINT{p.x - cw->rect.left, p.y - cw->rect.top});
        }
    }
    return h;
}

// Turns a queued input event into a message for its target, or false when it is dropped.
bool RouteInput(const Input& in, MSG* out) {
    State& s = S();
    Window* top = Find(in.topLevel);
    if (!top) return false;
    POINT screen{in.pt.x + top->rect.left, in.pt.y + top->rect.top};
    HWND target = nullptr;
    if (s.capture && Find(s.capture)) {
        target = s.capture;
    } else {
        if (!(top->style & WS_VISIBLE) || (top->style & WS_DISABLED)) return false;
        target = HitTest(in.topLevel, in.pt);
    }
    POINT client = screen;
    ScreenToClient(target, &client);
    if (in.message == WM_LBUTTONDOWN) s.buttonDown = true;
    if (in.message == WM_LBUTTONUP) s.buttonDown = false;
    const WPARAM flags = (in.message == WM_LBUTTONUP) ? 0 : (s.buttonDown ? MK_LBUTTON : 0);
    *out =
        MSG{target, in.message, flags, MAKELPARAM(client.x, client.y), wq::clock::Current().Now(),
            screen};
    if (in.message == WM_LBUTTONDOWN) {
        HWND tl = TopLevelOf(target);
        if (tl && tl != s.active && IsWindowEnabled(tl)) Activate(tl, WA_CLICKACTIVE);
        if (!Find(target)) return false;
    }
    return true;
}

Timer* DueTimer(HWND filter, std::uint64_t now) {
    for (Timer& t : S().timers) {
        if (t.due <= now && MatchesWindow(t.hwnd, filter)) return &t;
    }
    return nullptr;
}

}  // namespace

void wq::win::detail::PresentDirty() {
    State& s = S();
    if (!ThePresenter()) {
        s.dirty.clear();
        return;
    }
    std::vector<HWND> dirty;
    dirty.swap(s.dirty);
    for (HWND h : dirty) {
        Window* w = Find(h);
        if (w && w->surface && (w->style & WS_VISIBLE)) ThePresenter()->Present(h, *w->surface);
    }
}

namespace {

void TripWatchdog(const std::string& why) {
    State& s = S();
    if (s.watchdogMessage.empty()) {
        s.watchdogMessage = why;
        std::fprintf(stderr, "wqaudio: watchdog: %s\n", why.c_str());
    }
    s.quit = true;
}

// Waits until something may be available: moves a virtual clock to the next
// due timer, or blocks on the display and the inbox on the real clock.
void Idle() {
    State& s = S();
    PresentDirty();
    const std::uint64_t now = Now();
    std::uint64_t next = UINT64_MAX;
    for (const Timer& t : s.timers) next = std::min(next, t.due);
    wq::clock::Clock& clk = wq::clock::Current();
    if (clk.IsVirtual()) {
        if (next != UINT64_MAX) {
            if (s.watchdogDeadline && next > s.watchdogDeadline) {
                clk.Advance(
                    static_cast<DWORD>(s.watchdogDeadline > now ? s.watchdogDeadline - now : 0));
                Now();
                TripWatchdog(
                    "virtual time ran past the test's limit while the loop kept waiting for "
                    "timers");
                return;
            }
            if (next > now) clk.Advance(static_cast<DWORD>(next - now));
            Now();
            return;
        }
        // Nothing will happen on the virtual clock: only another thread can help.
        const DWORD limit = s.watchdogIdleMs ? s.watchdogIdleMs : INFINITE;
        const auto start = std::chrono::steady_clock::now();
        if (ThePresenter()) {
            ThePresenter()->Wait(limit == INFINITE ? 100 : std::min<DWORD>(limit, 100));
        } else {
            TheInbox().Wait(limit);
        }
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        if (s.watchdogIdleMs && waited.count() >= s.watchdogIdleMs && !TheInbox().HasSent()) {
            std::deque<Posted> pending;
            TheInbox().TakePosted(pending);
            if (pending.empty() && s.input.empty()) {
                TripWatchdog("the message loop is idle with no timer, message or input pending");
            } else {
                for (auto& p : pending) s.posted.push_back(std::move(p));
            }
        }
        return;
    }
    DWORD timeout = INFINITE;
    if (next != UINT64_MAX)
        timeout =
            next > now ? static_cast<DWORD>(std::min<std::uint64_t>(next - now, 0x7FFFFFFF)) : 0;
    if (timeout == 0) return;
    if (ThePresenter()) {
        ThePresenter()->Wait(timeout);
    } else {
        TheInbox().Wait(timeout);
    }
}

// One pass of retrieval; see GetMessageW for the order.
bool Retrieve(MSG* out, HWND filter, UINT lo, UINT hi, bool remove) {
    State& s = S();
    for (;;) {
        RunSentTasks();
        if (s.modalWake && remove && !filter) {
            s.modalWake = false;
            *out = MSG{nullptr, WM_NULL, 0, 0, wq::clock::Current().Now(), {}};
            return true;
        }
        TheInbox().TakePosted(s.posted);
        // Posted messages and tasks, FIFO.
        bool ranTask = false;
        for (auto it = s.posted.begin(); it != s.posted.end(); ++it) {
            if (it->task) {
                if (filter || !remove) continue;
                auto task = std::move(it->task);
                s.posted.erase(it);
                task();
                ranTask = true;
                break;
            }
            if (!MatchesWindow(it->msg.hwnd, filter) || !InRange(it->msg.message, lo, hi)) continue;
            if (it->msg.hwnd &&
                !Find(it->msg.hwnd)) {  // posted from another thread to a window now gone
                s.posted.erase(it);
                ranTask = true;
                break;
            }
            *out = it->msg;
            if (remove) s.posted.erase(it);
            return true;
        }
        if (ranTask) continue;
        // Input.
        if (!s.input.empty() && InRange(s.input.front().message, lo, hi)) {
            if (!remove) {
                Input in = s.input.front();
                MSG m;
                if (!RouteInput(in, &m)) {
                    s.input.pop_front();
                    continue;
                }
                *out = m;
                return true;
            }
            Input in = s.input.front();
            s.input.pop_front();
            if (!RouteInput(in, out)) continue;
            if (MatchesWindow(out->hwnd, filter)) return true;
            continue;
        }
        if (s.quit) {
            *out = MSG{
                nullptr, WM_QUIT, static_cast<WPARAM>(s.quitCode), 0, wq::clock::Current().Now(),
                {}};
            if (remove) s.quit = false;
            return true;
        }
        if (InRange(WM_PAINT, lo, hi)) {
            if (HWND h = NextPaint(filter)) {
                *out = MSG{h, WM_PAINT, 0, 0, wq::clock::Current().Now(), {}};
                return true;
            }
        }
        if (InRange(WM_TIMER, lo, hi)) {
            const std::uint64_t now = Now();
            if (Timer* t = DueTimer(filter, now)) {
                *out = MSG{t->hwnd,
                           WM_TIMER,
                           t->id,
                           reinterpret_cast<LPARAM>(t->proc),
                           wq::clock::Current().Now(),
                           {}};
                if (remove) {
                    // Next expiry: the first multiple of the period after now.
                    const std::uint64_t k = (now - t->start) / t->period + 1;
                    t->due = t->start + k * t->period;
                }
                return true;
            }
        }
        return false;
    }
}

}  // namespace

BOOL PostMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!wq::win::IsGuiThread()) {
        if (!hwnd && msg == 0) return FALSE;
        TheInbox().Post(
            Posted{MSG{hwnd, msg, wParam, lParam, wq::clock::Current().Now(), {}}, nullptr});
        return TRUE;
    }
    if (IsRemote(hwnd)) {
        wq::win::RemoteWindows* remote = wq::win::GetRemoteWindows();
        return (remote && remote->Post(RemoteId(hwnd), msg, wParam, lParam)) ? TRUE : FALSE;
    }
    if (hwnd && !Find(hwnd)) return FALSE;
    if (msg == WM_QUIT) {
        PostQuitMessage(static_cast<int>(wParam));
        return TRUE;
    }
    S().posted.push_back(
        Posted{MSG{hwnd, msg, wParam, lParam, wq::clock::Current().Now(), {}}, nullptr});
    return TRUE;
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!wq::win::IsGuiThread()) {
        // Another thread: the GUI thread handles it inside its loop while we wait.
        auto done = std::make_shared<std::promise<LRESULT>>();
        std::future<LRESULT> result = done->get_future();
        wq::win::SendTask([=] { done->set_value(SendMessageW(hwnd, msg, wParam, lParam)); });
        while (result.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
            if (TheInbox().Closed()) return 0;
        }
        return result.get();
    }
    if (IsRemote(hwnd)) {
        wq::win::RemoteWindows* remote = wq::win::GetRemoteWindows();
        if (!remote) return 0;
        bool delivered = false;
        return remote->Send(RemoteId(hwnd), msg, wParam, lParam, &delivered);
    }
    return CallWindow(hwnd, msg, wParam, lParam);
}

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    BindGuiThread();
    if (!msg) return -1;
    while (!Retrieve(msg, hwnd, filterMin, filterMax, true)) Idle();
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    BindGuiThread();
    if (!msg) return FALSE;
    PresentDirty();
    return Retrieve(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0) ? TRUE : FALSE;
}

BOOL TranslateMessage(const MSG*) {
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    if (!msg->hwnd) return 0;  // thread messages have no window procedure
    return CallWindow(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) {
    S().quit = true;
    S().quitCode = exitCode;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    BindGuiThread();
    if (hwnd && !Find(hwnd)) return 0;
    State& s = S();
    const UINT period = std::max<UINT>(elapseMs, 1);  // 0 ms counts as 1 ms
    const std::uint64_t now = Now();
    if (!hwnd && id == 0) {
        // A thread timer gets a fresh id.
        id = 1;
        while (std::any_of(s.timers.begin(), s.timers.end(),
                           [&](const Timer& t) { return !t.hwnd && t.id == id; }))
            ++id;
    }
    for (Timer& t : s.timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t = Timer{hwnd, id, period, proc, now, now + period};
            return id ? id : 1;
        }
    }
    s.timers.push_back(Timer{hwnd, id, period, proc, now, now + period});
    return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& timers = S().timers;
    const auto before = timers.size();
    std::erase_if(timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    return timers.size() != before ? TRUE : FALSE;
}

namespace wq::win {

void PostTask(std::function<void()> task) {
    if (!task) return;
    if (IsGuiThread()) {
        S().posted.push_back(Posted{MSG{}, std::move(task)});
        return;
    }
    TheInbox().Post(Posted{MSG{}, std::move(task)});
}

void SendTask(std::function<void()> task) {
    if (task) TheInbox().Send(std::move(task));
}

int ProcessSentTasks() {
    WQ_ASSERT_GUI_THREAD();
    return RunSentTasks();
}

int WaitForSentTasks(DWORD timeoutMs) {
    WQ_ASSERT_GUI_THREAD();
    if (!TheInbox().HasSent()) TheInbox().Wait(timeoutMs);
    return RunSentTasks();
}

void QueueMouseInput(HWND topLevel, UINT msg, POINT pt) {
    State& s = S();
    if (msg == WM_MOUSEMOVE && !s.input.empty()) {
        Input& last = s.input.back();
        if (last.message == WM_MOUSEMOVE && last.topLevel == topLevel) {
            last.pt = pt;
            return;
        }
    }
    s.input.push_back(Input{topLevel, msg, pt});
}

void SetPresenter(Presenter* presenter) {
    WQ_ASSERT_GUI_THREAD();
    TheInbox().SetPresenter(presenter);
}
Presenter* GetPresenter() {
    return TheInbox().GetPresenter();
}

namespace {
std::atomic<bool> g_picturesWanted{false};
}  // namespace

void SetPicturesWanted(bool wanted) {
    g_picturesWanted.store(wanted);
}

bool PixelsSeen(HWND hwnd) {
    WQ_ASSERT_GUI_THREAD();
    if (!::IsWindowVisible(hwnd) || !::IsWindowEnabled(hwnd)) return false;
    const Presenter* presenter = GetPresenter();
    return presenter == nullptr || presenter->ShowsPixels() || g_picturesWanted.load();
}

void SetKeyHook(KeyHook hook) {
    S().keyHook = std::move(hook);
}

void DeliverKey(const char* keyName, bool down) {
    if (S().keyHook) S().keyHook(keyName ? keyName : "", down);
}

void SetCloseHook(CloseHook hook) {
    S().closeHook = std::move(hook);
}

void RequestClose() {
    if (S().closeHook) S().closeHook();
}

}  // namespace wq::win
