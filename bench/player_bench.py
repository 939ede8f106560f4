#!/usr/bin/env python3
"""Start-up and track-change latency of wqaudio beside gst-play-1.0.

Both programs play into a WAV file (wqaudio's virtual sound card
`--audio-sink wav:FILE`; gst-play-1.0 with `wavenc ! filesink`), and the time
is taken when the first non-silent sample of the tone track reaches that file:
the moment the first decoded block of the track has gone through the whole
graph to the sink.

- start-up: process start -> first block of the file given on the command line
- next:     Next command sent (wqctl) -> first block of the next track, the
            current track being silence; the reference is a fresh gst-play-1.0
            start on the same file, since gst-play has no remote control.

usage: bench/player_bench.py BUILD_DIR [RUNS]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time


def first_sound(path, deadline):
    """Seconds (time.monotonic) when the WAV at `path` first holds a non-zero sample."""
    offset = 44
    while time.monotonic() < deadline:
        try:
            with open(path, "rb") as f:
                f.seek(offset)
                data = f.read()
        except FileNotFoundError:
            data = b""
        if data:
            # look at whole 16-bit samples only
            usable = len(data) - len(data) % 2
            if any(data[i] or data[i + 1] for i in range(0, usable, 2)):
                return time.monotonic()
            offset += usable
        time.sleep(0.0005)
    raise TimeoutError(path)


def make(path, seconds, tone):
    src = f"sine=frequency=440:sample_rate=44100:duration={seconds}" if tone else \
        f"anullsrc=r=44100:cl=stereo:d={seconds}"
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", src, "-ac", "2",
                    "-t", str(seconds), path + ".wav"], check=True)
    subprocess.run(["lame", "--quiet", "-b", "192", path + ".wav", path], check=True)
    os.unlink(path + ".wav")


def main():
    build = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    wqaudio = os.path.join(build, "app", "wqaudio")
    wqctl = os.path.join(build, "tools", "wqctl", "wqctl")
    work = tempfile.mkdtemp(prefix="wqbench-")
    root = os.path.join(work, "root")
    audio = os.path.join(root, "SDMMC Card", "AUDIO")
    os.makedirs(audio)
    src = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    shutil.copytree(os.path.join(src, "skin"), os.path.join(root, "NAND Flash", "skin"))
    make(os.path.join(audio, "1 silence.mp3"), 30, False)
    make(os.path.join(audio, "2 tone.mp3"), 30, True)
    tone = os.path.join(audio, "2 tone.mp3")
    bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                         check=True, capture_output=True, text=True).stdout.split()
    env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus[0])
    env.pop("DISPLAY", None)
    results = {"wqaudio start-up": [], "gst-play-1.0 start-up": [], "wqaudio next": []}
    try:
        for run in range(runs):
            wav = os.path.join(work, f"wq{run}.wav")
            t0 = time.monotonic()
            p = subprocess.Popen([wqaudio, "--headless", "--root", root, "--settings", os.path.join(work, "s.db"),
                                  "--audio-sink", "wav:" + wav, tone], env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            results["wqaudio start-up"].append(first_sound(wav, t0 + 20) - t0)
            p.terminate(); p.wait()

            wav = os.path.join(work, f"gst{run}.wav")
            t0 = time.monotonic()
            g = subprocess.Popen(["gst-play-1.0", "-q", "--no-interactive", "--audiosink",
                                  f"wavenc ! filesink location={wav}", tone],
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            results["gst-play-1.0 start-up"].append(first_sound(wav, t0 + 20) - t0)
            g.terminate(); g.wait()

            wav = os.path.join(work, f"next{run}.wav")
            p = subprocess.Popen([wqaudio, "--headless", "--root", root, "--settings", os.path.join(work, "s.db"),
                                  "--audio-sink", "wav:" + wav, os.path.join(audio, "1 silence.mp3")], env=env,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            deadline = time.monotonic() + 20
            while (os.path.getsize(wav) if os.path.exists(wav) else 0) < 44 + 44100:
                if time.monotonic() > deadline:
                    raise TimeoutError("silence never played")
                time.sleep(0.01)
            t0 = time.monotonic()
            subprocess.run([wqctl, "post", "WQAudio", "WM_COMMAND", "2003"], env=env, check=True)
            results["wqaudio next"].append(first_sound(wav, t0 + 20) - t0)
            p.terminate(); p.wait()
    finally:
        subprocess.run(["kill", bus[1]])
        shutil.rmtree(work, ignore_errors=True)
    for name, values in results.items():
        print(f"{name:24s} median {statistics.median(values) * 1000:7.1f} ms  "
              f"(min {min(values) * 1000:.1f}, max {max(values) * 1000:.1f}, {len(values)} runs)")


if __name__ == "__main__":
    main()
