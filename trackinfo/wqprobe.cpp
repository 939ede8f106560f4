// wqprobe FILE...: the probe of "wqaudio --probe" as a stand-alone host tool.
#include "trackinfo/probe.h"

int main(int argc, char** argv) {
    return wq::trackinfo::RunProbe(argc, argv);
}
