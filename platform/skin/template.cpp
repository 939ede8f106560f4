// Template parser: one line per element, keywords and attributes looked up in
// tables. See template.h for the guarantees and docs/skin-format.md for the
// format a designer writes.
#include "platform/skin/template.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <set>

#include "platform/base/utf.h"

namespace wq::skin {
namespace {

constexpr std::string_view kMagic = "wqskin";

// Splits a line into words at blanks; double quotes protect blanks inside a
// word (key="a b" or "a b") and are removed. False when a quote is left open.
bool SplitWords(std::string_view line, std::vector<std::string>* words) {
    std::string cur;
    bool inQuote = false;
    bool have = false;
    for (char c : line) {
        if (c == '"') {
            inQuote = !inQuote;
            have = true;
        } else if (!inQuote && (c == ' ' || c == '\t')) {
            if (have) words->push_back(std::move(cur));
            cur.clear();
            have = false;
        } else {
            cur.push_back(c);
            have = true;
        }
    }
    if (have) words->push_back(std::move(cur));
    return !inQuote;
}

bool ParseInt(std::string_view s, long long* out) {
    if (s.empty()) return false;
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, *out);
    return ec == std::errc() && p == end;
}

// "#RRGGBB" (as designers write colours) to a COLORREF.
bool ParseColour(std::string_view s, COLORREF* out) {
    if (s.size() != 7 || s[0] != '#') return false;
    unsigned v = 0;
    auto [p, ec] = std::from_chars(s.data() + 1, s.data() + 7, v, 16);
    if (ec != std::errc() || p != s.data() + 7) return false;
    *out = RGB(static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
               static_cast<int>(v & 0xFF));
    return true;
}

struct Line {
    int number = 0;
    std::vector<std::string> words;
};

struct State {
    Parsed* out = nullptr;
    bool haveMagic = false;
    bool haveBackground = false;
    std::set<UINT> ids;

    void Report(int line, std::string message) {
        out->problems.push_back({line, std::move(message)});
    }
};

// ---- element attributes -------------------------------------------------------

using AttrSetter = bool (*)(ElementSpec&, std::string_view);

struct Attribute {
    std::string_view key;
    ElementKind kind;
    AttrSetter set;
};

bool SetPicture(std::u16string& field, std::string_view v) {
    if (v.empty()) return false;
    field = Utf8ToUtf16(v);
    return true;
}

bool SetRowHeight(ElementSpec& e, std::string_view v) {
    long long n = 0;
    if (!ParseInt(v, &n) || n < 4 || n > 256) return false;
    e.rowHeight = static_cast<int>(n);
    return true;
}

bool SetRepeat(ElementSpec& e, std::string_view v) {
    if (v == "yes" || v == "on" || v == "1") {
        e.autoRepeat = true;
    } else if (v == "no" || v == "off" || v == "0") {
        e.autoRepeat = false;
    } else {
        return false;
    }
    return true;
}

const Attribute kAttributes[] = {
    {"normal", ElementKind::Button,
     [](ElementSpec& e, std::string_view v) { return SetPicture(e.normal, v); }},
    {"pressed", ElementKind::Button,
     [](ElementSpec& e, std::string_view v) { return SetPicture(e.pressed, v); }},
    {"repeat", ElementKind::Button, SetRepeat},
    {"thumb", ElementKind::Slider,
     [](ElementSpec& e, std::string_view v) { return SetPicture(e.thumb, v); }},
    {"track", ElementKind::Slider,
     [](ElementSpec& e, std::string_view v) { return SetPicture(e.track, v); }},
    {"fill", ElementKind::Slider,
     [](ElementSpec& e, std::string_view v) { return SetPicture(e.fill, v); }},
    {"rowheight", ElementKind::List, SetRowHeight},
    {"selection", ElementKind::List,
     [](ElementSpec& e, std::string_view v) { return SetPicture(e.selection, v); }},
    {"selcolor", ElementKind::List,
     [](ElementSpec& e, std::string_view v) { return ParseColour(v, &e.selectionColor); }},
    {"textcolor", ElementKind::List,
     [](ElementSpec& e, std::string_view v) { return ParseColour(v, &e.textColor); }},
};

// ---- line handlers ------------------------------------------------------------

// Reads "ID X Y W H" starting at words[first]; false with a problem reported.
bool ReadIdAndRect(State& st, const Line& ln, size_t idAt, size_t rectAt, ElementSpec* e) {
    if (ln.words.size() < rectAt + 4) {
        st.Report(ln.number, std::string(ln.words[0]) + " needs an id and x y w h");
        return false;
    }
    long long id = 0;
    if (!ParseInt(ln.words[idAt], &id) || id < 1 || id > 0xFFFF) {
        st.Report(ln.number, "id '" + ln.words[idAt] + "' is not a number from 1 to 65535");
        return false;
    }
    long long v[4] = {};
    static const char* const names[4] = {"x", "y", "w", "h"};
    for (int i = 0; i < 4; ++i) {
        const std::string& w = ln.words[rectAt + static_cast<size_t>(i)];
        if (!ParseInt(w, &v[i])) {
            st.Report(ln.number, std::string(names[i]) + " '" + w + "' is not a whole number");
            return false;
        }
    }
    if (v[0] < 0 || v[1] < 0 || v[2] < 1 || v[3] < 1 || v[0] + v[2] > kMaxCoord ||
        v[1] + v[3] > kMaxCoord) {
        st.Report(ln.number, "rectangle " + std::to_string(v[0]) + " " + std::to_string(v[1]) +
                                 " " + std::to_string(v[2]) + " " + std::to_string(v[3]) +
                                 " is negative, empty or beyond " + std::to_string(kMaxCoord) +
                                 " pixels");
        return false;
    }
    e->id = static_cast<UINT>(id);
    e->rect = RECT{static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[0] + v[2]),
                   static_cast<LONG>(v[1] + v[3])};
    return true;
}

// Applies key=value words from words[from]; an unknown or bad attribute is
// reported and ignored, the element itself stays.
void ReadAttributes(State& st, const Line& ln, size_t from, ElementSpec* e) {
    for (size_t i = from; i < ln.words.size(); ++i) {
        const std::string& w = ln.words[i];
        size_t eq = w.find('=');
        if (eq == std::string::npos) {
            st.Report(ln.number, "'" + w + "' is not a key=value attribute");
            continue;
        }
        std::string_view key(w.data(), eq);
        std::string_view value(w.data() + eq + 1, w.size() - eq - 1);
        auto it =
            std::find_if(std::begin(kAttributes), std::end(kAttributes),
                         [&](const Attribute& a) { return a.key == key && a.kind == e->kind; });
        if (it == std::end(kAttributes)) {
            st.Report(ln.number, std::string(KindName(e->kind)) + " has no attribute '" +
                                     std::string(key) + "'");
        } else if (!it->set(*e, value)) {
            st.Report(ln.number, "bad value '" + std::string(value) + "' for " + std::string(key));
        }
    }
}

void AddElement(State& st, const Line& ln, ElementSpec e) {
    if (!st.ids.insert(e.id).second) {
        st.Report(ln.number, "id " + std::to_string(e.id) + " is already used; line skipped");
        return;
    }
    e.line = ln.number;
    st.out->skin.elements.push_back(std::move(e));
}

void HandleElement(State& st, const Line& ln, ElementKind kind) {
    ElementSpec e;
    e.kind = kind;
    if (!ReadIdAndRect(st, ln, 1, 2, &e)) return;
    ReadAttributes(st, ln, 6, &e);
    AddElement(st, ln, std::move(e));
}

void HandleSlider(State& st, const Line& ln) {
    ElementSpec e;
    e.kind = ElementKind::Slider;
    if (ln.words.size() < 3 || (ln.words[2] != "horizontal" && ln.words[2] != "vertical")) {
        st.Report(ln.number, "slider needs an id, then horizontal or vertical, then x y w h");
        return;
    }
    e.orientation = ln.words[2] == "vertical" ? Orientation::Vertical : Orientation::Horizontal;
    if (!ReadIdAndRect(st, ln, 1, 3, &e)) return;
    ReadAttributes(st, ln, 7, &e);
    AddElement(st, ln, std::move(e));
}

void HandleFace(State& st, const Line& ln) {
    long long w = 0, h = 0;
    if (ln.words.size() != 3 || !ParseInt(ln.words[1], &w) || !ParseInt(ln.words[2], &h) || w < 1 ||
        h < 1 || w > kMaxCoord || h > kMaxCoord) {
        st.Report(ln.number,
                  "face needs a width and a height from 1 to " + std::to_string(kMaxCoord));
        return;
    }
    st.out->skin.hasFace = true;
    st.out->skin.face = SIZE{static_cast<LONG>(w), static_cast<LONG>(h)};
}

void HandleBackground(State& st, const Line& ln) {
    if (ln.words.size() != 2 || ln.words[1].empty()) {
        st.Report(ln.number,
                  "background needs exactly one picture name (quote a name with blanks)");
        return;
    }
    if (st.haveBackground) {
        st.Report(ln.number, "a second background line; the first one stays");
        return;
    }
    st.haveBackground = true;
    st.out->skin.background = Utf8ToUtf16(ln.words[1]);
}

struct Keyword {
    std::string_view name;
    void (*handle)(State&, const Line&);
};

const Keyword kKeywords[] = {
    {"face", HandleFace},
    {"background", HandleBackground},
    {"button", [](State& st, const Line& ln) { HandleElement(st, ln, ElementKind::Button); }},
    {"slider", HandleSlider},
    {"list", [](State& st, const Line& ln) { HandleElement(st, ln, ElementKind::List); }},
    {"custom", [](State& st, const Line& ln) { HandleElement(st, ln, ElementKind::Custom); }},
};

// Template text as UTF-8: a UTF-16LE file (with its byte-order mark) is
// converted, a UTF-8 byte-order mark dropped.
std::string NormaliseText(std::string_view text) {
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        std::u16string wide;
        for (size_t i = 2; i + 1 < text.size(); i += 2) {
            wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(text[i]) |
                                                 (static_cast<unsigned char>(text[i + 1]) << 8)));
        }
        return Utf16ToUtf8(wide);
    }
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return std::string(text);
}

}  // namespace

const char* KindName(ElementKind k) {
    switch (k) {
        case ElementKind::Button:
            return "button";
        case ElementKind::Slider:
            return "slider";
        case ElementKind::List:
            return "list";
        case ElementKind::Custom:
            return "custom";
    }
    return "?";
}

const ElementSpec* SkinTemplate::Find(UINT id) const {
    for (const ElementSpec& e : elements) {
        if (e.id == id) return &e;
    }
    return nullptr;
}

std::vector<std::string_view> TemplateKeywords() {
    std::vector<std::string_view> names{kMagic};
    for (const Keyword& k : kKeywords) names.push_back(k.name);
    return names;
}

Parsed ParseTemplate(std::string_view raw) {
    Parsed result;
    State st;
    st.out = &result;
    const std::string text = NormaliseText(raw);
    if (text.find('\0') != std::string::npos) {
        st.Report(0, "the file holds binary data; not a skin template");
        return result;
    }
    size_t pos = 0;
    int number = 0;
    while (pos <= text.size()) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        std::string_view raw_line(text.data() + pos, nl - pos);
        pos = nl + 1;
        ++number;
        if (!raw_line.empty() && raw_line.back() == '\r') raw_line.remove_suffix(1);
        Line ln;
        ln.number = number;
        if (!SplitWords(raw_line, &ln.words)) {
            st.Report(number, "a double quote is not closed; line skipped");
            continue;
        }
        if (ln.words.empty() || ln.words[0][0] == '#') continue;
        if (!st.haveMagic) {
            if (ln.words[0] != kMagic || ln.words.size() != 2 || ln.words[1] != "1") {
                st.Report(number, "the first line must be 'wqskin 1'; not a skin template");
                return result;
            }
            st.haveMagic = true;
            continue;
        }
        auto it = std::find_if(std::begin(kKeywords), std::end(kKeywords),
                               [&](const Keyword& k) { return k.name == ln.words[0]; });
        if (it == std::end(kKeywords)) {
            st.Report(number, "unknown keyword '" + ln.words[0] + "'; line skipped");
            continue;
        }
        it->handle(st, ln);
    }
    if (!st.haveMagic) {
        st.Report(0, "the file is empty; not a skin template");
        return result;
    }
    if (!st.haveBackground) {
        st.Report(0, "no background line; a skin must paint the whole face");
        return result;
    }
    result.ok = true;
    return result;
}

std::string Describe(const Parsed& parsed) {
    std::string out = parsed.ok ? "skin\n" : "not a skin\n";
    const SkinTemplate& t = parsed.skin;
    if (parsed.ok) {
        out += "background " + Utf16ToUtf8(t.background) + "\n";
        if (t.hasFace)
            out += "face " + std::to_string(t.face.cx) + "x" + std::to_string(t.face.cy) + "\n";
    }
    auto rect = [](const RECT& r) {
        return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
               std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
    };
    auto pic = [](const char* key, const std::u16string& v) {
        return v.empty() ? std::string() : std::string(" ") + key + "=" + Utf16ToUtf8(v);
    };
    auto colour = [](COLORREF c) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
        return std::string(buf);
    };
    for (const ElementSpec& e : t.elements) {
        out += "line " + std::to_string(e.line) + ": " + KindName(e.kind) + " " +
               std::to_string(e.id) + " " + rect(e.rect);
        switch (e.kind) {
            case ElementKind::Button:
                out += pic("normal", e.normal) + pic("pressed", e.pressed) +
                       (e.autoRepeat ? " repeat" : "");
                break;
            case ElementKind::Slider:
                out += std::string(e.orientation == Orientation::Vertical ? " vertical"
                                                                          : " horizontal") +
                       pic("thumb", e.thumb) + pic("track", e.track) + pic("fill", e.fill);
                break;
            case ElementKind::List:
                out += " rowheight=" + std::to_string(e.rowHeight) + pic("selection", e.selection) +
                       " selcolor=" + colour(e.selectionColor) +
                       " textcolor=" + colour(e.textColor);
                break;
            case ElementKind::Custom:
                break;
        }
        out += "\n";
    }
    for (const Problem& p : parsed.problems) {
        out += "problem " + (p.line > 0 ? "line " + std::to_string(p.line) : std::string("file")) +
               ": " + p.message + "\n";
    }
    return out;
}

std::u16string FolderOf(std::u16string_view devicePath) {
    size_t cut = devicePath.find_last_of(u"\\/");
    if (cut == std::u16string_view::npos) return {};
    return std::u16string(devicePath.substr(0, cut));
}

}  // namespace wq::skin
