// skingen OUTDIR: draws the default skin into OUTDIR, which stands for the
// device's "\NAND Flash\skin" folder (OUTDIR/WQAudio/..., OUTDIR/Common/...).
// Running it twice gives byte-identical files. Exit status 0 on success.
//
//   build/.../tools/skingen/skingen skin
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <cstdio>

#include "tools/skingen/layout.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skingen OUTDIR\n");
        return 2;
    }
    const std::string out = argv[1];
    // The taskbar first: the other windows show its strip in their corner.
    const bool ok = skingen::MakeTaskbar(out) && skingen::MakePlayer(out) &&
                    skingen::MakeEqualizer(out) && skingen::MakePattern(out);
    // Hand back the font caches so leak checkers see a clean exit.
    cairo_debug_reset_static_data();
    FcFini();
    return ok ? 0 : 1;
}
