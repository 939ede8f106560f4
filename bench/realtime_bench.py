#!/usr/bin/env python3
"""Steady CPU and peak memory of real-time headless playback: wqaudio beside
Audacious (headless) and gst-play-1.0 (mpg123 ranked first), in the same run.

Each program plays the same 20-second 192 kbps MP3 into a silent output that
keeps real time (wqaudio `--audio-sink null`, gst-play-1.0 a clock-synced
fakesink, Audacious its SDL output into SDL's dummy device). The CPU used between 5 s and 17 s after the start (read from
/proc, so start-up is left out) is divided by those 12 seconds of audio:
milliseconds of CPU per second of sound. The peak resident memory (VmHWM) is
read just before the program is stopped. A reference program that is not
installed is skipped with a line saying so.

usage: bench/realtime_bench.py BUILD_DIR [RUNS]
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from benchroot import make_device_root, stop  # noqa: E402

FROM_S, TO_S = 5.0, 17.0
TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK  # utime, stime


def peak_rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return float("nan")


def measure(argv, env):
    """(ms of CPU per second of audio, peak RSS in MiB) of one real-time run."""
    t0 = time.monotonic()
    p = subprocess.Popen(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        time.sleep(max(0.0, t0 + FROM_S - time.monotonic()))
        if p.poll() is not None:
            raise RuntimeError(f"{argv[0]} ended early (status {p.returncode})")
        c0, w0 = cpu_seconds(p.pid), time.monotonic()
        time.sleep(max(0.0, t0 + TO_S - time.monotonic()))
        if p.poll() is not None:
            raise RuntimeError(f"{argv[0]} ended early (status {p.returncode})")
        c1, w1 = cpu_seconds(p.pid), time.monotonic()
        rss = peak_rss_mib(p.pid)
    finally:
        stop(p)
    return (c1 - c0) * 1000 / (w1 - w0), rss


def audacious_env(work, env):
    """An environment in which Audacious runs headless with its own settings,
    playing through its SDL output into SDL's silent real-time device (Debian's
    Audacious has no silent output of its own). The first start writes the
    plugin registry; the output plugins in it are then switched to SDL alone."""
    home = os.path.join(work, "home")
    aenv = dict(env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                SDL_AUDIODRIVER="dummy")
    subprocess.run(["timeout", "5", "audacious", "-H"], env=aenv,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    registry = os.path.join(home, ".config", "audacious", "plugin-registry")
    lines, current = [], ""
    with open(registry) as f:
        for line in f.read().split("\n"):
            if line.split(" ")[0] in ("output", "input", "general", "effect", "visualization",
                                      "transport", "playlist", "container", "iface"):
                current = line
            if line.startswith("enabled ") and current.startswith("output "):
                line = "enabled 1" if "sdlout" in current else "enabled 0"
            lines.append(line)
    with open(registry, "w") as f:
        f.write("\n".join(lines))
    return aenv


def main():
    build = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    work, root, audio = make_device_root("wqrt-")
    track = os.path.join(audio, "tone.mp3")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    "sine=frequency=440:sample_rate=44100:duration=20", "-ac", "2",
                    track + ".wav"], check=True)
    subprocess.run(["lame", "--quiet", "-b", "192", track + ".wav", track], check=True)
    os.unlink(track + ".wav")

    bus_out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1",
                              "--print-pid=1"], check=True, capture_output=True, text=True)
    address, bus_pid = bus_out.stdout.split()
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=address)
    env.pop("DISPLAY", None)
    ranked = dict(os.environ, GST_PLUGIN_FEATURE_RANK="mpg123audiodec:primary")
    ranked.pop("DISPLAY", None)

    programs = {"wqaudio": ([os.path.join(build, "app", "wqaudio"), "--headless", "--root", root,
                             "--settings", os.path.join(work, "s.db"), "--audio-sink", "null",
                             track], env)}
    if shutil.which("audacious"):
        programs["audacious"] = (["audacious", "-H", "-p", track], audacious_env(work, env))
    else:
        print("audacious: not installed, skipped (apt-get install audacious)")
    if shutil.which("gst-play-1.0"):
        programs["gst-play-1.0"] = (["gst-play-1.0", "-q", "--no-interactive", "--audiosink",
                                     "fakesink sync=true", track], ranked)
    else:
        print("gst-play-1.0: not installed, skipped (apt-get install gstreamer1.0-tools)")

    cpu = {name: [] for name in programs}
    rss = {name: [] for name in programs}
    loads = []
    try:
        for _ in range(runs):
            loads.append(os.getloadavg()[0])
            for name, (argv, penv) in programs.items():
                try:
                    c, r = measure(argv, penv)
                    cpu[name].append(c)
                    rss[name].append(r)
                except RuntimeError as e:
                    print(f"{name}: {e}")
    finally:
        subprocess.run(["kill", bus_pid])
        shutil.rmtree(work, ignore_errors=True)
    print(f"load average at the start of each round: {', '.join(f'{x:.2f}' for x in loads)}")
    for name in programs:
        if cpu[name]:
            print(f"{name:14s} CPU {statistics.median(cpu[name]):6.1f} ms per s of audio, "
                  f"peak RSS {statistics.median(rss[name]):5.1f} MiB "
                  f"(median of {len(cpu[name])}; CPU runs "
                  f"{', '.join(f'{x:.1f}' for x in cpu[name])})")


if __name__ == "__main__":
    main()
