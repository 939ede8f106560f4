#!/usr/bin/env python3
"""Injected faults with a focused rebuild: the mutant list of
../shared/tools/mutants.py (its --dry-run output for SEED and COUNT), applied
one at a time, rebuilding only TARGETS and running only the ctest tests that
match REGEX. A mutant costs seconds instead of a whole build and suite; tests
of other folders might catch a survivor too, so the score is a lower bound.

usage: scripts/mutants-focused.py [--build DIR] [--tool PATH] [--skip N] SEED COUNT TARGET[,TARGET...] REGEX FILE...

Each source file is restored after its mutant (also on Ctrl-C) and the targets
are rebuilt unmutated at the end. Run from the repository root.
"""
import argparse, os, re, shutil, subprocess, sys, tempfile

ap = argparse.ArgumentParser(usage=__doc__)
ap.add_argument("--build", default="build/asan")
ap.add_argument("--tool", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                               "../../shared/tools/mutants.py"))
ap.add_argument("--skip", type=int, default=0, help="leave out the first N listed mutants")
ap.add_argument("seed")
ap.add_argument("count")
ap.add_argument("targets")
ap.add_argument("regex")
ap.add_argument("files", nargs="+")
a = ap.parse_args()
targets = a.targets.split(",")
listing = subprocess.run([sys.executable, a.tool, "--build", a.build, "--seed", a.seed, "--count",
                          a.count, "--dry-run"] + a.files, capture_output=True, text=True).stdout
env = dict(os.environ, G_SLICE="always-malloc", ASAN_OPTIONS="detect_leaks=1:abort_on_error=0",
           UBSAN_OPTIONS="halt_on_error=1", PULSE_SERVER="unix:/nonexistent/wqaudio-tests",
           LSAN_OPTIONS=f"suppressions={os.getcwd()}/tests/lsan.supp:print_suppressions=0")
env.pop("DISPLAY", None)
env.pop("DBUS_SESSION_BUS_ADDRESS", None)


def build():
    return subprocess.run(["nice", "cmake", "--build", a.build, "-j2", "--target"] + targets,
                          capture_output=True, text=True).returncode == 0


killed = total = 0
print(listing.splitlines()[0] if listing else "no mutants listed")
backup = tempfile.mktemp()
for line in listing.splitlines()[1 + a.skip:]:
    m = re.match(r"\s*would try (\S+):(\d+) \[(.+?)\] (.*)$", line)
    if not m:
        continue
    path, no, op, text = m.group(1), int(m.group(2)), m.group(3), m.group(4)
    src = open(path).read().split("\n")
    orig = src[no - 1]
    if orig.split("//")[0].strip() == text.split("//")[0].strip():
        print(f"SKIP     {path}:{no} [{op}] changes a comment only")
        continue
    src[no - 1] = orig[: len(orig) - len(orig.lstrip())] + text
    shutil.copy(path, backup)
    try:
        open(path, "w").write("\n".join(src))
        if not build():
            print(f"NOBUILD  {path}:{no} [{op}] {text.strip()[:70]}")
            continue
        total += 1
        t = subprocess.run(["ctest", "--test-dir", a.build, "-R", a.regex, "--stop-on-failure",
                            "--timeout", "120"], capture_output=True, text=True, env=env)
        if t.returncode != 0:
            killed += 1
            by = re.findall(r"\d+ - (\S+) \(", t.stdout)
            print(f"KILLED   {path}:{no} [{op}] {text.strip()[:70]}  by {by[0] if by else '?'}")
        else:
            print(f"SURVIVED {path}:{no} [{op}] {text.strip()[:70]}")
        sys.stdout.flush()
    finally:
        shutil.copy(backup, path)
        os.utime(path)
print(f"score: {killed}/{total} killed")
build()
