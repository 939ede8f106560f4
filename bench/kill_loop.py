#!/usr/bin/env python3
"""Kill -9 during saves, many times over: a program that saves through the
player's own settings store (tests/platform/device/settings_helper, `count`:
writes 1, 2, 3... to one key and prints each value once it is stored) is
killed with SIGKILL at a random moment of the 300 ms after its first
reported save, again and again on the same store.

Pass, after every kill: the store opens with Python's sqlite3, passes
`PRAGMA integrity_check`, and holds the last value the writer reported or the
one after it (old or new, never older, never torn); the store of the player
opens it too and reads the same; nothing was moved aside as damaged and no
other file than the database and its WAL and shared-memory files is left.

usage: bench/kill_loop.py BUILD_DIR [ITERATIONS=1000]
BUILD_DIR is a build with -DWQ_BUILD_TESTS=ON (for the helper program).
"""
import os
import random
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time

ALLOWED = {"settings.db", "settings.db-wal", "settings.db-shm"}


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    helper = os.path.join(sys.argv[1], "tests", "platform", "device", "device_settings_helper")
    iterations = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    work = tempfile.mkdtemp(prefix="wqkill-")
    db = os.path.join(work, "settings.db")
    env = dict(os.environ)
    env.setdefault("ASAN_OPTIONS", "detect_leaks=0")
    rng = random.Random(int(os.environ.get("SEED", "1")))
    failures = []
    reported_total = 0
    outcome = {"last": 0, "next": 0}
    started = time.monotonic()
    try:
        for i in range(iterations):
            p = subprocess.Popen([helper, db, "count", "TIME"], env=env, stdout=subprocess.PIPE)
            # Killed while it saves: after its first save is reported, at a
            # random moment of the next 300 ms.
            first = p.stdout.readline()
            time.sleep(rng.uniform(0.0, 0.3))
            p.send_signal(signal.SIGKILL)
            out = first.decode() + p.communicate()[0].decode()
            if p.returncode != -signal.SIGKILL:
                failures.append(f"{i}: the writer ended with {p.returncode} before the kill")
                continue
            values = [int(v) for v in out.split()]
            last = values[-1] if values else 0
            reported_total += len(values)
            con = sqlite3.connect(db)
            try:
                check = con.execute("PRAGMA integrity_check").fetchone()[0]
                row = con.execute("SELECT value FROM settings WHERE section='WQAUDIO' AND key='TIME'"
                                  ).fetchone() if last else None
            finally:
                con.close()
            if check != "ok":
                failures.append(f"{i}: integrity_check says {check}")
            stored = row[0] if row else 0
            # The counter restarts at 1 in every run, so before the first
            # reported save the previous run's value may still be there.
            if last and stored not in (last, last + 1):
                failures.append(f"{i}: {stored} stored after {last} was reported")
            elif last:
                outcome["last" if stored == last else "next"] += 1
            read = subprocess.run([helper, db, "read", "TIME"], env=env, capture_output=True, text=True)
            if last and read.stdout.strip() != f"number {stored}":
                failures.append(f"{i}: the player's store reads {read.stdout.strip()!r}, sqlite3 {stored}")
            extra = set(os.listdir(work)) - ALLOWED
            if extra:
                failures.append(f"{i}: stale files {sorted(extra)}")
                for name in extra:
                    os.unlink(os.path.join(work, name))
            if (i + 1) % 100 == 0:
                print(f"{i + 1} kills, {len(failures)} failures, {time.monotonic() - started:.0f} s",
                      flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"{iterations} kills in {time.monotonic() - started:.0f} s; {reported_total} saves reported; "
          f"after a kill the store held the last reported value {outcome['last']} times and the one "
          f"being written {outcome['next']} times")
    for f in failures[:20]:
        print("FAIL", f)
    print("PASS" if not failures else f"FAIL: {len(failures)} of {iterations}")
    return 0 if not failures else 1


if __name__ == "__main__":
    sys.exit(main())
