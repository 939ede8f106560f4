// The oracle of the fuzz targets: a broken property prints what was expected
// and aborts, which libFuzzer records as a crash with its input and the replay
// test reports as a failure.
#pragma once

#include <cstdio>
#include <cstdlib>

#define WQ_FUZZ_CHECK(cond)                                                                  \
    do {                                                                                     \
        if (!(cond)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                    \
        }                                                                                    \
    } while (0)
