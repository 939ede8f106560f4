#!/usr/bin/env bash
# The test command (CI runs it through .ci/run). Installs what is missing, then:
#  1. checks that take seconds: the format of every tracked C++ file, and the
#     layers (scripts/check-layers.py on the targets of the configured build);
#  2. builds everything with AddressSanitizer and UndefinedBehaviorSanitizer at
#     the optimisation of a Release build (-O3, so warnings that only the
#     optimiser finds fail the build here too) and runs every test;
#  3. builds the tests of the folders whose code runs on several threads with
#     ThreadSanitizer (target wq_tests, see tests/CMakeLists.txt) and runs them.
# ccache is used when it is installed (CCACHE_DISABLE=1 turns it off).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

BUILD=${WQ_BUILD_DIR:-build/asan}
TSAN_BUILD=${WQ_TSAN_BUILD_DIR:-build/tsan}
JOBS=${WQ_JOBS:-$(nproc)}
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# Configures a build folder for the tests; the file-API query makes CMake write
# the targets that the layer check reads.
configure() {
  local dir=$1
  shift
  mkdir -p "$dir/.cmake/api/v1/query"
  touch "$dir/.cmake/api/v1/query/codemodel-v2"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS=-g1 -DCMAKE_CXX_FLAGS=-g1 \
    -DWQ_BUILD_TESTS=ON "${LAUNCHER[@]}" "$@" >/dev/null
}
# Tests never touch the user's session bus, display or sound server: a test
# that needs a sound server starts its own and names it itself.
unset DBUS_SESSION_BUS_ADDRESS DISPLAY
export PULSE_SERVER=unix:/nonexistent/wqaudio-tests

echo "== format (clang-format)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

echo "== layers (scripts/check-layers.py)"
configure "$BUILD" -DWQ_SANITIZE=ON
scripts/check-layers.py "$BUILD" --self-test
scripts/check-layers.py "$BUILD"

echo "== every test, AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --build "$BUILD" -j"$JOBS"
(
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1"
  export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # GLib's slice allocator keeps freed and leaked blocks alike in its own
  # slabs, where LeakSanitizer cannot tell them apart; with plain malloc a
  # message, variant or error that is never released is reported.
  export G_SLICE=always-malloc
  cd "$BUILD"
  ctest --output-on-failure -j"$JOBS" --timeout 300
)

echo "== threaded folders' tests, ThreadSanitizer"
# At -O1: the reports are as good, the build takes a quarter less, and the
# ASan build above already holds -O3's warnings.
configure "$TSAN_BUILD" -DWQ_SANITIZE=thread -DCMAKE_C_FLAGS_RELEASE="-O1 -DNDEBUG" \
  -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG"
cmake --build "$TSAN_BUILD" -j"$JOBS" --target wq_tests
(
  export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp:halt_on_error=1:second_deadlock_stack=1"
  cd "$TSAN_BUILD"
  ctest --output-on-failure -j"$JOBS" --timeout 600
)
