// Template text output. See layout.h.
#include "tools/skingen/layout.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace skingen {

const Element& Layout::Find(unsigned id) const {
    for (const Element& e : elements) {
        if (e.id == id) return e;
    }
    std::fprintf(stderr, "skingen: layout \"%s\" has no element %u\n", title.c_str(), id);
    std::abort();
}

bool WriteTemplate(const std::string& path, const Layout& layout) {
    std::ofstream out(path, std::ios::binary);
    out << "wqskin 1\n";
    out << "# " << layout.title << "\n";
    out << "# Drawn by tools/skingen; edit the generator and run it again rather than this file.\n";
    out << "face " << layout.width << " " << layout.height << "\n";
    out << "background " << layout.background << "\n";
    for (const Element& e : layout.elements) {
        if (!e.note.empty()) out << "\n# " << e.note << "\n";
        // "slider vertical" is written "slider ID vertical x y w h".
        const size_t blank = e.kind.find(' ');
        out << e.kind.substr(0, blank) << " " << e.id;
        if (blank != std::string::npos) out << e.kind.substr(blank);
        out << " " << e.box.x << " " << e.box.y << " " << e.box.w << " " << e.box.h;
        if (!e.extra.empty()) out << " " << e.extra;
        out << "\n";
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "skingen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace skingen
