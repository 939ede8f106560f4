#!/usr/bin/env python3
"""Soak: the real player, headless on a private session bus, changes track
every 2 s (the Next command, as the launcher's key would send it) over a
folder of good and damaged files, for a given time. Every 10 s it samples the
player's resident memory, open file descriptors and threads.

Pass: resident memory grows by less than 2 MB from the end of the warm-up
(minute 5) to the end, and the descriptor count does not drift by more than
2 (see analyse()).

usage: bench/soak.py BUILD_DIR [MINUTES=60] [WARMUP_MINUTES=5]
       bench/soak.py --analyse soak-samples.csv
The samples are also written to soak-samples.csv in the current folder; the
second form prints the figures of such a file again.

To find what grows, SOAK_EVERY=0.5 changes track every half second and
SOAK_WRAP="heaptrack -o NAME" runs the player under that command (the samples
are then the wrapper's, not the player's).
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def encode(path, seconds, freq):
    wav = path + ".wav"
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    f"sine=frequency={freq}:sample_rate=44100:duration={seconds}", "-ac", "2", wav],
                   check=True)
    if path.endswith(".wma"):
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-i", wav, "-c:a", "wmav2", path], check=True)
    else:
        subprocess.run(["lame", "--quiet", "-b", "128", wav, path], check=True)
    os.unlink(wav)


def make_folder(audio):
    """Four good tracks and six damaged ones, in name order mixed."""
    os.makedirs(audio)
    encode(os.path.join(audio, "01 good.mp3"), 5, 440)
    encode(os.path.join(audio, "03 good.wma"), 5, 550)
    encode(os.path.join(audio, "05 good.mp3"), 5, 660)
    encode(os.path.join(audio, "08 good.mp3"), 3, 770)
    with open(os.path.join(audio, "01 good.mp3"), "rb") as f:
        good = f.read()
    bad = {
        "02 empty.mp3": b"",
        "04 truncated.mp3": good[: len(good) // 7],
        "06 random.mp3": os.urandom(200_000),
        "07 damaged.mp3": bytes(b ^ 0x5A if i % 97 == 0 else b for i, b in enumerate(good)),
        "09 header only.wma": b"\x30\x26\xb2\x75\x8e\x66\xcf\x11" + bytes(200),
        "10 text.mp3": b"not audio at all\n" * 100,
    }
    for name, data in bad.items():
        with open(os.path.join(audio, name), "wb") as f:
            f.write(data)


def status(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def sample(pid):
    return status(pid, "VmRSS"), len(os.listdir(f"/proc/{pid}/fd")), status(pid, "Threads")


def analyse(samples, warmup):
    """Prints the figures of `samples` (seconds, rss_kb, fds, threads) and
    returns whether they pass. The descriptor count swings by 3 with the
    graph's state (a loaded track holds its file and the pipeline's wake-up
    pipes), so "constant" compares the highest count of the first and of the
    last five minutes after the warm-up."""
    after = [s for s in samples if s[0] >= warmup * 60] or samples[-1:]
    base = after[0]
    growth = samples[-1][1] - base[1]
    first = [s[2] for s in after if s[0] < after[0][0] + 300]
    last = [s[2] for s in after if s[0] > after[-1][0] - 300]
    drift = max(last) - max(first)
    print(f"RSS at start {samples[0][1]} kB, at minute {warmup:g} {base[1]} kB, at the end "
          f"{samples[-1][1]} kB, highest after the warm-up {max(s[1] for s in after)} kB: "
          f"growth after the warm-up {growth} kB (limit 2048)")
    print(f"fds after the warm-up {min(s[2] for s in after)}..{max(s[2] for s in after)}, highest in "
          f"its first and last five minutes {max(first)} and {max(last)}: drift {drift:+d} (limit +-2); "
          f"threads {min(s[3] for s in after)}..{max(s[3] for s in after)}")
    ok = growth < 2048 and abs(drift) <= 2
    print("PASS" if ok else "FAIL")
    return ok


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--analyse":
        with open(sys.argv[2]) as f:
            rows = [tuple(float(v) if i == 0 else int(v) for i, v in enumerate(line.split(",")))
                    for line in f.read().split("\n")[1:] if line]
        return 0 if analyse(rows, 5.0) else 1
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    build = sys.argv[1]
    minutes = float(sys.argv[2]) if len(sys.argv) > 2 else 60.0
    warmup = float(sys.argv[3]) if len(sys.argv) > 3 else 5.0
    wqaudio = os.path.join(build, "app", "wqaudio")
    wqctl = os.path.join(build, "tools", "wqctl", "wqctl")
    work = tempfile.mkdtemp(prefix="wqsoak-")
    bus = player = launcher = None
    try:
        make_folder(os.path.join(work, "SDMMC Card", "AUDIO"))
        shutil.copytree(os.path.join(SOURCE, "skin"), os.path.join(work, "NAND Flash", "skin"))
        out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             check=True, capture_output=True, text=True).stdout.split()
        bus = int(out[1])
        env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=out[0])
        env.pop("DISPLAY", None)
        launcher = subprocess.Popen([wqctl, "serve", "WQMain"], env=env, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        first = os.path.join(work, "SDMMC Card", "AUDIO", "01 good.mp3")
        log = open(os.path.join(work, "player.log"), "w")
        wrap = os.environ.get("SOAK_WRAP", "").split()
        player = subprocess.Popen(wrap + [wqaudio, "--headless", "--root", work, "--audio-sink", "null",
                                          "--settings", os.path.join(work, "settings.db"), first],
                                  env=env, stdout=log, stderr=subprocess.STDOUT)
        time.sleep(2)
        every = float(os.environ.get("SOAK_EVERY", "2"))
        start = time.monotonic()
        end = start + minutes * 60
        samples = []
        next_sample = start
        changes = failed = 0
        csv = open("soak-samples.csv", "w")
        csv.write("seconds,rss_kb,fds,threads\n")
        while time.monotonic() < end:
            if player.poll() is not None:
                print(f"FAIL: the player ended with {player.returncode} after "
                      f"{time.monotonic() - start:.0f} s")
                return 1
            now = time.monotonic()
            if now >= next_sample:
                s = (now - start,) + sample(player.pid)
                samples.append(s)
                csv.write("%.0f,%d,%d,%d\n" % s)
                csv.flush()
                print("%6.0f s  RSS %7d kB  fds %3d  threads %3d" % s, flush=True)
                next_sample += 10
            r = subprocess.run([wqctl, "post", "WQAudio", "WM_COMMAND", "2003"], env=env,
                               capture_output=True, timeout=30)
            changes += 1
            failed += r.returncode != 0
            time.sleep(max(0.0, every - (time.monotonic() - now)))
        print(f"{minutes:g} min, {changes} track changes ({failed} sends failed); peak virtual size "
              f"{status(player.pid, 'VmPeak') // 1024} MB")
        return 0 if analyse(samples, warmup) and failed == 0 else 1
    finally:
        if player and player.poll() is None:
            player.send_signal(signal.SIGTERM)
            try:
                player.wait(timeout=20)
            except subprocess.TimeoutExpired:
                player.kill()
        if launcher:
            launcher.terminate()
            launcher.wait(timeout=5)
        if bus:
            try:
                os.kill(bus, signal.SIGTERM)
            except ProcessLookupError:
                pass
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
