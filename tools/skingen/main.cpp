// skingen OUTDIR: draws the default skin into OUTDIR, which stands for the
// device's "\NAND Flash\skin" folder (OUTDIR/WQAudio/..., OUTDIR/Common/...).
// Running it twice gives byte-identical files. Exit status 0 on success.
// skingen --icon SIZE FILE.png and skingen --icon-svg FILE.svg draw the
// program's icon for the desktop (the build makes them for installing);
// --icon-svg exits with status 3 when this Cairo cannot write SVG.
//
//   build/.../tools/skingen/skingen skin
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/skingen/icon.h"
#include "tools/skingen/layout.h"

namespace {

int Finish(bool ok) {
    // Hand back the font caches so leak checkers see a clean exit.
    cairo_debug_reset_static_data();
    FcFini();
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--icon" && argc == 4) {
        const int size = std::atoi(argv[2]);
        if (size < 16 || size > 1024) {
            std::fprintf(stderr, "skingen: --icon takes a size from 16 to 1024 pixels\n");
            return 2;
        }
        return Finish(skingen::WriteIconPng(argv[3], size));
    }
    if (mode == "--icon-svg" && argc == 3) {
        if (!skingen::CanWriteSvg()) {
            std::fprintf(stderr, "skingen: this Cairo cannot write SVG\n");
            return 3;
        }
        return Finish(skingen::WriteIconSvg(argv[2]));
    }
    if (argc != 2 || mode.rfind("--", 0) == 0) {
        std::fprintf(stderr,
                     "usage: skingen OUTDIR | --icon SIZE FILE.png | --icon-svg FILE.svg\n");
        return 2;
    }
    const std::string out = argv[1];
    // The taskbar first: the other windows show its strip in their corner.
    const bool ok = skingen::MakeTaskbar(out) && skingen::MakePlayer(out) &&
                    skingen::MakeEqualizer(out) && skingen::MakePattern(out);
    return Finish(ok);
}
