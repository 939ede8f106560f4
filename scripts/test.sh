#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer at the optimisation of a Release build (-O3, so
# warnings that only the optimiser finds fail the build here too), and runs
# every test. ccache is used when it is installed (CCACHE_DISABLE=1 turns it off).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

BUILD=${WQ_BUILD_DIR:-build/asan}
JOBS=${WQ_JOBS:-$(nproc)}
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS=-g1 -DCMAKE_CXX_FLAGS=-g1 \
  -DWQ_SANITIZE=ON -DWQ_BUILD_TESTS=ON "${LAUNCHER[@]}" >/dev/null
cmake --build "$BUILD" -j"$JOBS"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Tests never touch the user's session bus, display or sound server: a test
# that needs a sound server starts its own and names it itself.
unset DBUS_SESSION_BUS_ADDRESS DISPLAY
export PULSE_SERVER=unix:/nonexistent/wqaudio-tests
cd "$BUILD"
ctest --output-on-failure -j"$JOBS" --timeout 300
