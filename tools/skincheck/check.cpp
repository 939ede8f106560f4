// Checking a template and rendering its face. See check.h.
#include "tools/skincheck/check.h"

#include <algorithm>
#include <vector>

#include "platform/base/casefold.h"
#include "platform/gdi/gdi.h"
#include "tools/skincheck/requirements.h"

namespace skincheck {

namespace {

using wq::skin::ElementKind;
using wq::skin::ElementSpec;

// An element as the template declares it ("custom 2008"), so a finding reads
// like the line it is about.
std::string Name(ElementKind kind, UINT id) {
    return std::string(wq::skin::KindName(kind)) + " " + std::to_string(id);
}
std::string Name(const ElementSpec& e) {
    return Name(e.kind, e.id);
}

bool Interactive(const ElementSpec& e) {
    return e.kind != ElementKind::Custom;
}

// Elements by the 64-pixel cells of the face their rectangles touch, so the
// overlap check compares each element with its neighbours only: a template of
// tens of thousands of controls is checked in about the time the skin library
// loads it, instead of comparing every pair. Rectangles are clamped to the
// face's largest size first, so a cell index never overflows.
class OverlapIndex {
public:
    explicit OverlapIndex(size_t count) : m_seen(count, kNone) {}

    // The elements added so far whose cells `r` touches, each once, in the
    // order they were added.
    const std::vector<size_t>& Candidates(const CRect& r, size_t self) {
        m_found.clear();
        ForEachCell(r, [&](std::vector<size_t>& cell) {
            for (size_t j : cell) {
                if (m_seen[j] == self) continue;
                m_seen[j] = self;
                m_found.push_back(j);
            }
        });
        std::sort(m_found.begin(), m_found.end());
        return m_found;
    }

    void Add(const CRect& r, size_t i) {
        ForEachCell(r, [&](std::vector<size_t>& cell) { cell.push_back(i); });
    }

private:
    static constexpr int kCell = 64;
    static constexpr int kSide = 4096 / kCell + 1;  // faces are at most 4096 pixels a side
    static constexpr size_t kNone = static_cast<size_t>(-1);

    static int CellOf(LONG v) { return static_cast<int>(std::clamp<LONG>(v, 0, 4096)) / kCell; }

    template <typename F>
    void ForEachCell(const CRect& r, F f) {
        if (r.right <= r.left || r.bottom <= r.top) return;  // empty: overlaps nothing
        for (int y = CellOf(r.top); y <= CellOf(r.bottom - 1); ++y)
            for (int x = CellOf(r.left); x <= CellOf(r.right - 1); ++x)
                f(m_cells[static_cast<size_t>(y * kSide + x)]);
    }

    std::vector<std::vector<size_t>> m_cells =
        std::vector<std::vector<size_t>>(static_cast<size_t>(kSide * kSide));
    std::vector<size_t> m_seen;  // the element whose candidates last took each element
    std::vector<size_t> m_found;
};

}  // namespace

Window WindowFromPath(const std::u16string& templatePath) {
    const size_t cut = templatePath.find_last_of(u"\\/");
    const std::u16string_view file =
        std::u16string_view(templatePath).substr(cut == std::u16string::npos ? 0 : cut + 1);
    size_t n = 0;
    const WindowNeeds* all = AllWindows(&n);
    for (size_t i = 0; i < n; ++i) {
        if (wq::EqualsNoCase(file, all[i].file)) return all[i].window;
    }
    return Window::Unknown;
}

Window WindowFromName(const std::string& name) {
    size_t n = 0;
    const WindowNeeds* all = AllWindows(&n);
    for (size_t i = 0; i < n; ++i) {
        if (name == all[i].name) return all[i].window;
    }
    return Window::Unknown;
}

Report Check(CSkinManager& skin, const std::u16string& templatePath, Window window) {
    Report report;
    report.loaded = skin.Load(templatePath.c_str()) != FALSE;
    for (const wq::skin::Problem& p : skin.GetProblems())
        report.findings.push_back({p.line, p.message});
    if (!report.loaded) return report;

    const std::vector<ElementSpec>& elements = skin.GetTemplate().elements;
    report.controls = static_cast<int>(elements.size());
    const CSize face = skin.GetFaceSize();
    const WindowNeeds* needs = NeedsOf(window);
    if (needs && (face.cx != needs->face.cx || face.cy != needs->face.cy)) {
        report.findings.push_back(
            {0, "the face is " + std::to_string(face.cx) + "x" + std::to_string(face.cy) +
                    "; the " + std::string(needs->name) + " window is " +
                    std::to_string(needs->face.cx) + "x" + std::to_string(needs->face.cy)});
    }
    const CRect faceRect(0, 0, face.cx, face.cy);
    OverlapIndex index(elements.size());
    for (size_t i = 0; i < elements.size(); ++i) {
        const ElementSpec& e = elements[i];
        const CRect r(e.rect);
        CRect inside;
        inside.IntersectRect(&r, &faceRect);
        if (inside != r)
            report.findings.push_back({e.line, Name(e) + " lies (partly) outside the face"});
        for (size_t j : index.Candidates(r, i)) {
            const ElementSpec& o = elements[j];
            if (Interactive(e) != Interactive(o)) continue;  // areas may lie on controls
            CRect both;
            const CRect ro(o.rect);
            if (both.IntersectRect(&r, &ro)) {
                report.findings.push_back({e.line, Name(e) + " overlaps " + Name(o) + " of line " +
                                                       std::to_string(o.line)});
            }
        }
        index.Add(r, i);
    }
    if (needs) {
        for (size_t i = 0; i < needs->count; ++i) {
            const Need& need = needs->needs[i];
            for (UINT id = need.first; id <= need.last; ++id) {
                const ElementSpec* e = skin.GetTemplate().Find(id);
                if (!e) {
                    report.findings.push_back({0, "the " + std::string(needs->name) +
                                                      " window needs " + Name(need.kind, id) +
                                                      "; the template has none"});
                } else if (e->kind != need.kind) {
                    report.findings.push_back(
                        {e->line, Name(*e) + ": the " + std::string(needs->name) +
                                      " window needs " + Name(need.kind, id)});
                } else if (e->rect.right - e->rect.left < need.least.cx ||
                           e->rect.bottom - e->rect.top < need.least.cy) {
                    report.findings.push_back(
                        {e->line, Name(*e) + " is smaller than the " +
                                      std::to_string(need.least.cx) + "x" +
                                      std::to_string(need.least.cy) + " pixels the " +
                                      std::string(needs->name) + " window draws into it"});
                }
            }
        }
    }
    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return report;
}

bool Render(CSkinManager& skin, const std::string& pngPath, bool frameAreas, std::string* error) {
    const CSize face = skin.GetFaceSize();
    if (!skin.IsLoaded() || face.cx <= 0 || face.cy <= 0) {
        if (error) *error = "no skin loaded";
        return false;
    }
    for (const ElementSpec& e : skin.GetTemplate().elements) {
        CSkinListBox* list = e.kind == ElementKind::List ? skin.GetList(e.id) : nullptr;
        if (!list) continue;
        // Rows as the player shows them: parent and folders yellow, files black.
        const char16_t* rows[] = {u"[..]", u"[앨범 Album]", u"01 봄날 - Spring Day.mp3",
                                  u"02 Yesterday.mp3", u"03 노래.wma"};
        list->ResetContent();
        for (const char16_t* r : rows) list->AddString(r);
        for (int i = 0; i < list->GetCount(); ++i)
            list->SetItemColor(i, i < 2 ? 0x00FFFF : 0x000000);
        list->SetMargin(11, 10);
        list->SetCurSel(2);
    }
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateBitmap(face.cx, face.cy, 1, 32, nullptr);
    HGDIOBJ old = SelectObject(mem, reinterpret_cast<HGDIOBJ>(bmp));
    skin.Draw(mem, nullptr);
    if (frameAreas) {
        HBRUSH pen = CreateSolidBrush(RGB(0xFF, 0x40, 0x40));
        for (const ElementSpec& e : skin.GetTemplate().elements) {
            if (e.kind == ElementKind::Custom) FrameRect(mem, &e.rect, pen);
        }
        DeleteObject(reinterpret_cast<HGDIOBJ>(pen));
    }
    SelectObject(mem, old);
    const wq::gdi::Surface* surface = wq::gdi::GetBitmapSurface(bmp);
    const bool ok = surface && wq::gdi::SavePng(*surface, pngPath, error);
    DeleteObject(reinterpret_cast<HGDIOBJ>(bmp));
    DeleteDC(mem);
    return ok;
}

}  // namespace skincheck
