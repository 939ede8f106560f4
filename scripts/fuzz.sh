#!/usr/bin/env bash
# Fuzz campaigns with clang's libFuzzer (see docs/reliability.md).
#
#   scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]
#       builds fuzz_TARGET with clang and fuzzes it until the fuzzer process
#       has used SECONDS of CPU time (not wall time: the campaign runs under
#       nice -n 19 so that builds keep the processor, and gets what is left).
#       Inputs that find new coverage go to build/fuzz/corpus/TARGET, crashes,
#       hangs and leaks to build/fuzz/findings/TARGET, the log to
#       build/fuzz/logs/. The committed corpus tests/fuzz/TARGET seeds it.
#   scripts/fuzz.sh TARGET merge
#       adds the scratch-corpus inputs that reach coverage the committed
#       corpus does not to tests/fuzz/TARGET (libFuzzer -merge=1); only small
#       inputs are offered, so the committed corpora stay small.
#   scripts/fuzz.sh list
#       names the targets.
#
# WQ_FUZZ_BUILD_DIR (default build/fuzz) and WQ_JOBS (default 2) may be set.
set -euo pipefail
cd "$(dirname "$0")/.."

TARGETS=(mp3info mpegscan skintemplate image settings busmessage options)
usage() {
    sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//' >&2
    exit 2
}
[ $# -ge 1 ] || usage
if [ "$1" = list ]; then
    printf '%s\n' "${TARGETS[@]}"
    exit 0
fi
TARGET=$1
[[ " ${TARGETS[*]} " == *" $TARGET "* ]] || { echo "unknown target '$TARGET'" >&2; usage; }
[ $# -ge 2 ] || usage
MODE=$2
shift 2

# The largest input each target is given: a little more than the parser can
# examine (the sync search reads 10,004 bytes, then the tag at the end).
case $TARGET in
    mp3info | mpegscan) MAX_LEN=16384 ;;
    image) MAX_LEN=32768 ;;
    settings) MAX_LEN=16384 ;;
    skintemplate) MAX_LEN=8192 ;;
    busmessage | options) MAX_LEN=1024 ;;
esac

scripts/install-deps.sh
for p in clang-14 libclang-rt-14-dev; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        SUDO=""
        [ "$(id -u)" -eq 0 ] || SUDO="sudo"
        $SUDO apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends \
            clang-14 libclang-rt-14-dev
        break
    fi
done

BUILD=${WQ_FUZZ_BUILD_DIR:-build/fuzz}
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
nice -n 19 cmake -S . -B "$BUILD" -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS=-g1 -DCMAKE_CXX_FLAGS=-g1 \
    -DWQ_FUZZ=ON -DWQ_BUILD_TESTS=OFF "${LAUNCHER[@]}" >/dev/null
nice -n 19 cmake --build "$BUILD" -j"${WQ_JOBS:-2}" --target "fuzz_$TARGET"
FUZZER=$PWD/$BUILD/tests/fuzz/fuzz_$TARGET
SEEDS=$PWD/tests/fuzz/$TARGET
CORPUS=$PWD/$BUILD/corpus/$TARGET
FINDINGS=$PWD/$BUILD/findings/$TARGET
mkdir -p "$CORPUS" "$FINDINGS" "$PWD/$BUILD/logs"

# Leaks of the libraries' own one-time allocations are not findings.
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
unset DBUS_SESSION_BUS_ADDRESS DISPLAY

if [ "$MODE" = merge ]; then
    # Only scratch inputs up to MERGE_BYTES are offered, so the committed
    # corpora stay small (the test run replays them all).
    case $TARGET in
        mp3info) MERGE_BYTES=10300 ;;
        mpegscan | image) MERGE_BYTES=2048 ;;
        settings) MERGE_BYTES=200 ;;
        skintemplate) MERGE_BYTES=160 ;;
        *) MERGE_BYTES=512 ;;
    esac
    OFFER=$(mktemp -d)
    trap 'rm -rf "$OFFER"' EXIT
    find "$CORPUS" -type f -size -$((MERGE_BYTES + 1))c -exec cp {} "$OFFER/" \;
    before=$(find "$SEEDS" -type f | wc -l)
    nice -n 19 "$FUZZER" -merge=1 -max_len=$MAX_LEN "$@" "$SEEDS" "$OFFER" 2>&1 | grep -E "MERGE-OUTER: [0-9]+ new" || true
    echo "$TARGET: $before -> $(find "$SEEDS" -type f | wc -l) files, $(du -sb "$SEEDS" | cut -f1) bytes" >&2
    exit 0
fi
[[ $MODE =~ ^[0-9]+$ ]] || usage

LOG=$PWD/$BUILD/logs/$TARGET-$(date -u +%Y%m%dT%H%M%SZ).log
echo "fuzzing $TARGET for $MODE CPU seconds; log: $LOG" >&2
# libFuzzer writes new inputs into the first folder only: the scratch corpus.
# Its -timeout is wall time: a niced process on a loaded machine can wait
# seconds for the processor, so only a unit stuck for a minute is a hang.
nice -n 19 "$FUZZER" -max_len=$MAX_LEN -timeout=60 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$FINDINGS/" "$@" "$CORPUS" "$SEEDS" >"$LOG" 2>&1 &
PID=$!
# Stops the campaign (SIGINT: libFuzzer prints its final figures) once the
# fuzzer's user + system time reaches the budget.
TICKS=$(getconf CLK_TCK)
while kill -0 "$PID" 2>/dev/null; do
    if read -r -a STAT <"/proc/$PID/stat" 2>/dev/null; then
        CPU=$(((STAT[13] + STAT[14]) / TICKS))
        if [ "$CPU" -ge "$MODE" ]; then
            kill -INT "$PID" 2>/dev/null || true
            break
        fi
    fi
    sleep 5
done
RC=0
wait "$PID" || RC=$?
grep -E '^#[0-9]+.*(pulse|DONE|INITED)|stat::|SUMMARY|==ERROR|property broken|Test unit written' \
    "$LOG" | tail -n 12 >&2 || true
echo "CPU seconds: ${CPU:-?}; scratch corpus: $(find "$CORPUS" -type f | wc -l) files," \
    "$(du -sk "$CORPUS" | cut -f1) KB; findings: $(find "$FINDINGS" -type f | wc -l) files" >&2
# 0: finished or stopped by the budget; anything else is a finding.
[ "$RC" -eq 0 ] || [ "$RC" -eq 130 ] || [ "$RC" -eq 72 ] || exit "$RC"
