#!/usr/bin/env python3
"""Checks that the code includes only what its library links.

usage: check-layers.py BUILD_DIR          check the tree against the build's targets
       check-layers.py BUILD_DIR --self-test
                                          feed the check deliberately wrong files and
                                          fail unless it reports each of them

The targets, their sources and their dependencies come from CMake's file API
(codemodel v2) of a configured build folder; nothing is compiled. The rules:

1. Every `#include "..."` of product code (everything outside tests/ and bench/)
   that names a file of this repository names a header of the including file's
   own target or of a target that target links, directly or through another
   library (CMake hands link dependencies on, so a header reachable that way is
   on the include path and its code is in the link).
2. Nothing under platform/ includes a file outside platform/.
3. Product code never includes a header under tests/ or bench/.
4. A test target compiles only sources of the tests/ folder it is defined in;
   it links product libraries and the libraries of tests/support/ instead of
   compiling their sources, and a test file includes headers of its own folder
   and of tests/support/ only.
5. Every product .cpp file is compiled by some target, and every product header
   belongs to exactly one target: the one that names it in its SOURCES, else
   the one that compiles the .cpp of the same name beside it, else the only
   library (or, without one, the only target) compiling code in its folder.

Each finding is printed as FILE:LINE: message; the exit code is 1 when there
are findings, 2 when the build folder cannot be read.
"""
import json
import os
import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
CODE_SUFFIXES = (".cpp", ".h")


class Target:
    def __init__(self, name, kind, folder, sources, deps):
        self.name = name
        self.kind = kind  # STATIC_LIBRARY, EXECUTABLE, ...
        self.folder = folder  # where the target is defined, relative to ROOT
        self.sources = sources  # relative paths
        self.deps = deps  # names of every target it links, transitively


def under(path, folder):
    return path == folder or path.startswith(folder.rstrip("/") + "/")


def is_product(path):
    return not (under(path, "tests") or under(path, "bench"))


def load_targets(build):
    """The targets of the configured build in `build`, by name."""
    if not (build / "CMakeCache.txt").is_file():
        print(f"check-layers: {build} is not a configured CMake build folder", file=sys.stderr)
        sys.exit(2)
    api = build / ".cmake" / "api" / "v1"
    query = api / "query" / "codemodel-v2"
    reply = api / "reply"
    if not reply.is_dir():
        query.parent.mkdir(parents=True, exist_ok=True)
        query.touch()
        # Re-running CMake on a configured folder writes the reply in seconds.
        subprocess.run(["cmake", str(build)], stdout=subprocess.DEVNULL)
    indexes = sorted(reply.glob("index-*.json"))
    if not indexes:
        print(f"check-layers: CMake wrote no file-API reply in {reply}", file=sys.stderr)
        sys.exit(2)
    index = json.loads(indexes[-1].read_text())
    model = next(o for o in index["objects"] if o["kind"] == "codemodel")
    codemodel = json.loads((reply / model["jsonFile"]).read_text())
    config = codemodel["configurations"][0]
    raw = [json.loads((reply / t["jsonFile"]).read_text()) for t in config["targets"]]
    kind_by_id = {t["id"]: t["type"] for t in raw}
    name_by_id = {t["id"]: t["name"] for t in raw}
    targets = {}
    for t in raw:
        sources = []
        for s in t.get("sources", []):
            if s.get("isGenerated"):
                continue  # objects of an object library it links, and the like
            p = Path(s["path"])
            p = p if p.is_absolute() else ROOT / p
            try:
                sources.append(p.resolve().relative_to(ROOT).as_posix())
            except ValueError:
                pass  # generated or outside the tree
        # An executable a target depends on is only built first, never linked.
        deps = {
            name_by_id[d["id"]]
            for d in t.get("dependencies", [])
            if kind_by_id.get(d["id"]) in ("STATIC_LIBRARY", "SHARED_LIBRARY", "OBJECT_LIBRARY")
        }
        targets[t["name"]] = Target(t["name"], t["type"], t["paths"]["source"], sources, deps)
    return targets


def tracked_files():
    out = subprocess.run(
        ["git", "ls-files", "--cached", "--others", "--exclude-standard", "*.cpp", "*.h"],
        cwd=ROOT, check=True, capture_output=True, text=True).stdout
    return sorted(p for p in out.splitlines() if (ROOT / p).exists())


def read(path, overrides):
    if path in overrides:
        return overrides[path]
    return (ROOT / path).read_text(encoding="utf-8", errors="replace")


def check(targets, files, overrides=None):
    """Returns the findings as (file, line, message) for the tree `files`
    (repository-relative paths), with `overrides` replacing file contents."""
    overrides = overrides or {}
    findings = []
    existing = set(files)
    compiled_by = {}  # source -> [target names]
    for t in targets.values():
        for s in t.sources:
            compiled_by.setdefault(s, []).append(t.name)

    # Rule 5: owners of product headers.
    owner = {}
    for f in files:
        if not f.endswith(".h") or not is_product(f):
            continue
        listed = [n for n in compiled_by.get(f, []) if is_product(targets[n].folder)]
        if len(listed) > 1:
            findings.append((f, 1, "named in the SOURCES of several targets: " +
                             ", ".join(sorted(listed))))
            continue
        if listed:
            owner[f] = listed[0]
            continue
        twin = [n for n in compiled_by.get(f[:-2] + ".cpp", []) if is_product(targets[n].folder)]
        if len(twin) == 1:
            owner[f] = twin[0]
            continue
        folder = os.path.dirname(f)
        in_folder = {
            n for s, names in compiled_by.items()
            if s.endswith(".cpp") and os.path.dirname(s) == folder
            for n in names if is_product(targets[n].folder)
        }
        libraries = {n for n in in_folder if targets[n].kind.endswith("LIBRARY")}
        if len(libraries) == 1 or (not libraries and len(in_folder) == 1):
            owner[f] = (libraries or in_folder).pop()
        else:
            findings.append((f, 1, "belongs to no single target: name it in the SOURCES of "
                             "its library (targets compiling this folder: " +
                             (", ".join(sorted(in_folder)) or "none") + ")"))
    for f in files:
        if f.endswith(".cpp") and is_product(f) and f not in compiled_by:
            findings.append((f, 1, "compiled by no target"))

    # Rule 4: test targets compile their own folder's sources only.
    for t in targets.values():
        if not under(t.folder, "tests"):
            continue
        for s in t.sources:
            if not under(s, t.folder):
                findings.append((s, 1, f"compiled into {t.name} (defined in {t.folder}); "
                                 "tests compile their own folder's sources and link the rest"))
    for f in files:
        if not under(f, "tests"):
            continue
        own = os.path.dirname(f)
        for number, line in enumerate(read(f, overrides).splitlines(), 1):
            m = INCLUDE.match(line)
            if m and under(m.group(1), "tests") and not (
                    os.path.dirname(m.group(1)) == own or under(m.group(1), "tests/support")):
                findings.append((f, number, f'includes "{m.group(1)}" of another test folder; '
                                 "move what several folders share to tests/support/"))

    # Rules 1-3: the includes of product code.
    for f in files:
        if not is_product(f):
            continue
        if f.endswith(".cpp"):
            users = [n for n in compiled_by.get(f, []) if is_product(targets[n].folder)]
        else:
            users = [owner[f]] if f in owner else []
        for number, line in enumerate(read(f, overrides).splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            name = m.group(1)
            beside = os.path.normpath(os.path.join(os.path.dirname(f), name))
            target_file = beside if beside in existing else name if name in existing else None
            if target_file is None:
                continue  # a system or generated header
            if not is_product(target_file):
                findings.append((f, number, f'includes "{name}", a file of tests/ or bench/'))
                continue
            if under(f, "platform") and not under(target_file, "platform"):
                findings.append((f, number, f'includes "{name}": platform/ never includes '
                                 "the code above it"))
            lib = owner.get(target_file)
            if lib is None:
                continue  # reported under rule 5
            for user in users:
                if lib != user and lib not in targets[user].deps:
                    findings.append((f, number, f'includes "{name}" of {lib}, which {user} '
                                     "does not link"))
    return sorted(set(findings))


def self_test(targets, files):
    """Wrong files must each give their finding; returns a list of failures."""
    base = "platform/base/utf.cpp"
    bus = "platform/ipc/bus.cpp"
    stray = "platform/win/stray_helper.h"
    lost = "platform/win/stray_code.cpp"
    keys = "app/keys.cpp"
    text_keys = read(keys, {}).rstrip("\n")
    test_file = "tests/platform/base/base_test.cpp"
    text_test = read(test_file, {}).rstrip("\n")
    text_base = read(base, {}).rstrip("\n")
    text_bus = read(bus, {}).rstrip("\n")
    overrides = {
        base: text_base + '\n#include "player/wqaudiodlg.h"\n',
        bus: text_bus + '\n#include "platform/gdi/gdi.h"\n',
        stray: '#include "platform/base/wintypes.h"\n',
        lost: '#include "platform/win/winapi.h"\n',
        keys: text_keys + '\n#include "tests/support/temp_root.h"\n',
        test_file: text_test + '\n#include "tests/platform/win/probe.h"\n',
    }
    bad_line_test = text_test.count("\n") + 2
    bad_line_base = text_base.count("\n") + 2
    bad_line_bus = text_bus.count("\n") + 2
    bad_line_keys = text_keys.count("\n") + 2
    fake = dict(targets)
    test_target = next(
        (t for t in targets.values() if under(t.folder, "tests/platform/base")), None)
    if test_target is None:
        return ["the build has no tests of platform/base to plant faults in (WQ_BUILD_TESTS=ON?)"]
    fake[test_target.name] = Target(test_target.name, test_target.kind, test_target.folder,
                                    test_target.sources + ["tests/platform/fs/names_test.cpp",
                                                           "platform/base/utf.cpp"],
                                    test_target.deps)
    found = check(fake, files + [stray, lost], overrides)
    expected = [
        (base, bad_line_base, "platform/ never includes"),
        (base, bad_line_base, "which wq_base does not link"),
        (bus, bad_line_bus, "of wq_gdi, which wq_ipc does not link"),
        (stray, 1, None),  # platform/win has more than one target
        (lost, 1, "compiled by no target"),
        (keys, bad_line_keys, "a file of tests/ or bench/"),
        ("tests/platform/fs/names_test.cpp", 1, "compiled into " + test_target.name),
        ("platform/base/utf.cpp", 1, "compiled into " + test_target.name),
        (test_file, bad_line_test, "of another test folder"),
    ]
    failures = []
    for file, line, part in expected:
        if not any(f == file and n == line and (part is None or part in m) for f, n, m in found):
            failures.append(f"not reported: {file}:{line} ({part or 'no owner'})")
    clean = check(targets, files)
    unexpected = [x for x in found if x not in clean and not any(
        x[0] == f and x[1] == n for f, n, _ in expected)]
    failures += [f"reported wrongly: {f}:{n}: {m}" for f, n, m in unexpected]
    return failures


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    if len(args) != 1 or any(a not in ("--self-test",) for a in argv if a.startswith("--")):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    targets = load_targets(Path(args[0]).resolve())
    files = tracked_files()
    if "--self-test" in argv:
        failures = self_test(targets, files)
        for f in failures:
            print("check-layers self-test: " + f)
        if not failures:
            print("check-layers self-test: every planted fault was reported")
        return 1 if failures else 0
    findings = check(targets, files)
    for f, n, m in findings:
        print(f"{f}:{n}: {m}")
    if findings:
        print(f"check-layers: {len(findings)} finding(s); docs/architecture.md gives the rules",
              file=sys.stderr)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
