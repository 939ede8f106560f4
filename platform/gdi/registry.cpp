// Live-handle registry: a handle is looked up before it is used, so a deleted
// or made-up handle fails the call instead of being dereferenced.
#include <deque>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "platform/base/guithread.h"
#include "platform/gdi/objects.h"

namespace wq::gdi {
namespace {
std::mutex g_lock;
// Never destroyed: objects held by other static objects are still checked
// during program exit.
std::unordered_set<const void*>& Objects() {
    static auto* set = new std::unordered_set<const void*>;
    return *set;
}
std::unordered_set<const void*>& DCs() {
    static auto* set = new std::unordered_set<const void*>;
    return *set;
}
int g_stockCount = 0;

// Deleted handles whose memory is not yet given back, oldest first.
template <class T>
std::deque<std::unique_ptr<T>>& Retired() {
    static auto* queue = new std::deque<std::unique_ptr<T>>;
    return *queue;
}

template <class T>
void Retire(T* p) {
    std::unique_ptr<T> oldest;
    {
        std::lock_guard lock(g_lock);
        auto& queue = Retired<T>();
        queue.emplace_back(p);
        if (queue.size() > kRetiredHandles) {
            oldest = std::move(queue.front());
            queue.pop_front();
        }
    }
}
}  // namespace

void RetireObject(GdiObject* o) {
    UnregisterObject(o);
    if (auto* bitmap = dynamic_cast<GdiBitmap*>(o)) {
        bitmap->surface = Surface{};
    } else if (auto* font = dynamic_cast<GdiFont*>(o)) {
        font->face.reset();
    }
    Retire(o);
}

void RetireDC(GdiDC* dc) {
    UnregisterDC(dc);
    Retire(dc);
}

void RegisterObject(GdiObject* o) {
    std::lock_guard lock(g_lock);
    Objects().insert(o);
    if (o->stock) ++g_stockCount;
}
bool IsLiveObject(HGDIOBJ h) {
    if (!h) return false;
    std::lock_guard lock(g_lock);
    return Objects().count(h) != 0;
}
void UnregisterObject(GdiObject* o) {
    std::lock_guard lock(g_lock);
    Objects().erase(o);
}
void RegisterDC(GdiDC* dc, [[maybe_unused]] const SourcePlace& where) {
#ifdef WQ_CHECK_GUI_THREAD
    CheckGuiThread(where);
#endif
    std::lock_guard lock(g_lock);
    DCs().insert(dc);
}
bool IsLiveDC(HDC dc) {
    if (!dc) return false;
    std::lock_guard lock(g_lock);
    return DCs().count(dc) != 0;
}
void UnregisterDC(GdiDC* dc) {
    std::lock_guard lock(g_lock);
    DCs().erase(dc);
}

int LiveDCCount() {
    std::lock_guard lock(g_lock);
    return static_cast<int>(DCs().size());
}
int LiveObjectCount() {
    std::lock_guard lock(g_lock);
    return static_cast<int>(Objects().size()) - g_stockCount;
}

GdiDC* LookupDC(HDC dc, [[maybe_unused]] const SourcePlace& where) {
#ifdef WQ_CHECK_GUI_THREAD
    CheckGuiThread(where);
#endif
    return IsLiveDC(dc) ? reinterpret_cast<GdiDC*>(dc) : nullptr;
}

template <class T>
static T* LookupKind(HGDIOBJ h, GdiKind kind) {
    if (!IsLiveObject(h)) return nullptr;
    return h->kind == kind ? static_cast<T*>(h) : nullptr;
}
GdiBitmap* LookupBitmap(HGDIOBJ h) {
    return LookupKind<GdiBitmap>(h, GdiKind::Bitmap);
}
GdiBrush* LookupBrush(HGDIOBJ h) {
    return LookupKind<GdiBrush>(h, GdiKind::Brush);
}
GdiPen* LookupPen(HGDIOBJ h) {
    return LookupKind<GdiPen>(h, GdiKind::Pen);
}
GdiFont* LookupFont(HGDIOBJ h) {
    return LookupKind<GdiFont>(h, GdiKind::Font);
}

}  // namespace wq::gdi
