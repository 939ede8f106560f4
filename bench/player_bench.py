#!/usr/bin/env python3
"""Start-up and track-change latency of wqaudio beside gst-play-1.0.

Both programs play into a WAV file (wqaudio's virtual sound card
`--audio-sink wav:FILE`; gst-play-1.0 with `wavenc ! filesink`), and the time
is taken when the first non-silent sample of the tone track reaches that file:
the moment the first decoded block of the track has gone through the whole
graph to the sink.

- start-up: process start -> first block of the file given on the command line;
            the reference is gst-play-1.0 with mpg123 ranked first, as the
            player's graph does, started the same way in the same run.
- next:     the Next button's command (WM_COMMAND 2003) posted over the desktop
            bus from one connection kept open for the whole run -> first block
            of the next track, the current track being silence. No process is
            started for the command, so the figure is the player's share.

A run whose first block never comes (a lost Next, a player that died) is
reported as a failure with the end of the player's debug log, and the other
runs go on; the exit status is 1 when any run failed.

usage: bench/player_bench.py BUILD_DIR [RUNS]
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import busclient  # noqa: E402
from benchroot import make_device_root, stop  # noqa: E402

WM_COMMAND = 273
ID_NEXT = 2003
WINDOW = "org.wqaudio.Window.wqaudio"


def first_sound(path, deadline):
    """time.monotonic() when the WAV at `path` first holds a non-zero sample."""
    offset = 44
    while time.monotonic() < deadline:
        try:
            with open(path, "rb") as f:
                f.seek(offset)
                data = f.read()
        except FileNotFoundError:
            data = b""
        if data:
            usable = len(data) - len(data) % 2  # whole 16-bit samples only
            if any(data[i] or data[i + 1] for i in range(0, usable, 2)):
                return time.monotonic()
            offset += usable
        time.sleep(0.0005)
    raise TimeoutError(f"no sound reached {path}")


def make(path, seconds, tone):
    src = f"sine=frequency=440:sample_rate=44100:duration={seconds}" if tone else \
        f"anullsrc=r=44100:cl=stereo:d={seconds}"
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", src, "-ac", "2",
                    "-t", str(seconds), path + ".wav"], check=True)
    subprocess.run(["lame", "--quiet", "-b", "192", path + ".wav", path], check=True)
    os.unlink(path + ".wav")


def tail(path, lines=15):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except FileNotFoundError:
        return "(no log)\n"


def wait_for_name(bus, deadline):
    while time.monotonic() < deadline:
        try:
            bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                     "GetNameOwner", "s", [WINDOW])
            return
        except busclient.BusError:
            time.sleep(0.01)
    raise TimeoutError("the player never published its window")


def main():
    build = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    wqaudio = os.path.join(build, "app", "wqaudio")
    work, root, audio = make_device_root("wqbench-")
    make(os.path.join(audio, "1 silence.mp3"), 30, False)
    make(os.path.join(audio, "2 tone.mp3"), 30, True)
    tone = os.path.join(audio, "2 tone.mp3")
    bus_out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                              "--print-pid=1"], check=True, capture_output=True, text=True)
    address, bus_pid = bus_out.stdout.split()
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address, WQ_DEBUG="1")
    env.pop("DISPLAY", None)
    ref_env = dict(os.environ, GST_PLUGIN_FEATURE_RANK="mpg123audiodec:primary")
    results = {"wqaudio start-up": [], "gst-play-1.0 start-up": [], "wqaudio next": []}
    failures = []
    client = busclient.Bus(address)

    def player(wav, track, log):
        return subprocess.Popen([wqaudio, "--headless", "--root", root, "--settings",
                                 os.path.join(work, "s.db"), "--audio-sink", "wav:" + wav, track],
                                env=env, stdout=subprocess.DEVNULL, stderr=open(log, "w"))

    def attempt(name, log, measure):
        try:
            results[name].append(measure())
        except (TimeoutError, busclient.BusError) as e:
            failures.append(name)
            print(f"FAILED {name}: {e}\n--- end of {log}:\n{tail(log)}---", file=sys.stderr)

    try:
        for run in range(runs):
            wav = os.path.join(work, f"wq{run}.wav")
            log = os.path.join(work, f"wq{run}.log")
            t0 = time.monotonic()
            p = player(wav, tone, log)
            attempt("wqaudio start-up", log, lambda: first_sound(wav, t0 + 20) - t0)
            stop(p)

            wav = os.path.join(work, f"gst{run}.wav")
            t0 = time.monotonic()
            g = subprocess.Popen(["gst-play-1.0", "-q", "--no-interactive", "--audiosink",
                                  f"wavenc ! filesink location={wav}", tone], env=ref_env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            attempt("gst-play-1.0 start-up", "gst-play", lambda: first_sound(wav, t0 + 20) - t0)
            stop(g)

            wav = os.path.join(work, f"next{run}.wav")
            log = os.path.join(work, f"next{run}.log")
            p = player(wav, os.path.join(audio, "1 silence.mp3"), log)

            def next_track():
                deadline = time.monotonic() + 20
                while (os.path.getsize(wav) if os.path.exists(wav) else 0) < 44 + 44100:
                    if time.monotonic() > deadline:
                        raise TimeoutError("the silent track never played")
                    time.sleep(0.01)
                wait_for_name(client, deadline)
                t0 = time.monotonic()
                client.call(WINDOW, "/org/wqaudio/Window/wqaudio", "org.wqaudio.Window",
                            "PostNumber", "utx", [WM_COMMAND, ID_NEXT, 0])
                return first_sound(wav, t0 + 10) - t0

            attempt("wqaudio next", log, next_track)
            stop(p)
    finally:
        client.close()
        subprocess.run(["kill", bus_pid])
        shutil.rmtree(work, ignore_errors=True)
    print(f"load average at the end: {os.getloadavg()[0]:.2f}")
    for name, values in results.items():
        if values:
            print(f"{name:24s} median {statistics.median(values) * 1000:7.1f} ms  "
                  f"(min {min(values) * 1000:.1f}, max {max(values) * 1000:.1f}, "
                  f"{len(values)} runs)")
    for name in sorted(set(failures)):
        print(f"{name:24s} FAILED in {failures.count(name)} of {runs} runs")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
