#!/usr/bin/env python3
"""End-to-end tests of the real wqaudio program: headless, real GStreamer graph
with the silent real-time sink, on a temporary device root, on a private
D-Bus session bus, driven through wqctl as the launcher would drive it.

usage: e2e_test.py WQAUDIO WQCTL SOURCE_DIR
"""
import json
import os
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import zlib

WQAUDIO = WQCTL = SOURCE = None


def png_pixels(data):
    """(width, height, rows of (r, g, b)) of an 8-bit RGB or RGBA PNG without interlacing."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width, height, channels = 8, b"", 0, 0, 3
    while pos < len(data):
        length = int.from_bytes(data[pos:pos + 4], "big")
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height = int.from_bytes(body[:4], "big"), int.from_bytes(body[4:8], "big")
            assert body[8] == 8 and body[9] in (2, 6) and body[12] == 0, "unsupported PNG"
            channels = 3 if body[9] == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = prev[i], prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        prev = line
    return width, height, rows


def make_track(path, seconds, freq, title=None):
    wav = path + ".wav"
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    f"sine=frequency={freq}:sample_rate=44100:duration={seconds}", "-ac", "2", wav],
                   check=True)
    subprocess.run(["lame", "--quiet", "-b", "128", wav, path], check=True)
    os.unlink(wav)
    if title:
        def field(s, n):
            b = s.encode("cp949")[:n]
            return b + b"\0" * (n - len(b))
        with open(path, "ab") as f:
            f.write(b"TAG" + field(title, 30) + field("Tester", 30) + field("", 30) + b"2026" +
                    field("", 30) + bytes([12]))


class Bus:
    """A private session bus for one test."""

    def __init__(self):
        out = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             check=True, capture_output=True, text=True).stdout.split()
        self.address, self.pid = out[0], int(out[1])

    def close(self):
        try:
            os.kill(self.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass


class Launcher:
    """`wqctl serve NAME` (the launcher WQMain by default): records every line
    the player sends that window."""

    def __init__(self, env, name="WQMain"):
        self.proc = subprocess.Popen([WQCTL, "serve", name], env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        self.lines = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            with self.lock:
                self.lines.append(line.strip())

    def wait_for(self, line, timeout=20.0, count=1):
        deadline = time.time() + timeout
        while time.time() < deadline:
            with self.lock:
                if self.lines.count(line) >= count:
                    return True
            time.sleep(0.05)
        return False

    def snapshot(self):
        with self.lock:
            return list(self.lines)

    def close(self):
        self.proc.terminate()
        self.proc.wait(timeout=5)
        self.proc.stdout.close()


class PulseDaemon:
    """A private PulseAudio daemon: a null output as the default sink, the
    native protocol on a socket in its own runtime folder, no cookie."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="wqe2e-pulse-")
        self.address = "unix:" + os.path.join(self.dir, "native")
        env = dict(os.environ, HOME=self.dir, XDG_RUNTIME_DIR=self.dir)
        env.pop("PULSE_SERVER", None)
        self.proc = subprocess.Popen(
            ["pulseaudio", "--daemonize=no", "-n", "--exit-idle-time=60", "--use-pid-file=no",
             "--disable-shm=yes", "--log-target=file:" + os.path.join(self.dir, "log"),
             "-L", "module-native-protocol-unix socket=%s auth-anonymous=1" % os.path.join(self.dir, "native"),
             "-L", "module-null-sink sink_name=wqtest"], env=env,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.time() + 10
        while time.time() < deadline and self.pactl("info") is None:
            time.sleep(0.05)

    def pactl(self, *args):
        r = subprocess.run(["pactl", "--server=" + self.address, *args], capture_output=True, text=True)
        return r.stdout if r.returncode == 0 else None

    def volumes(self):
        """The default output's channel volumes in per cent."""
        out = self.pactl("get-sink-volume", "@DEFAULT_SINK@") or ""
        line = out.split("\n")[0]
        return [int(part.split("%")[0].split()[-1]) for part in line.split("/") if "%" in part]

    def close(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)
        shutil.rmtree(self.dir, ignore_errors=True)


class EndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.media = tempfile.mkdtemp(prefix="wqe2e-media-")
        make_track(os.path.join(cls.media, "01 First.mp3"), 3, 440, "First Song")
        make_track(os.path.join(cls.media, "02 Second.mp3"), 3, 660, "Second Song")
        make_track(os.path.join(cls.media, "03 Long.mp3"), 40, 330, "Long Song")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.media, ignore_errors=True)

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="wqe2e-root-")
        audio = os.path.join(self.root, "SDMMC Card", "AUDIO")
        os.makedirs(audio)
        for name in os.listdir(self.media):
            shutil.copy(os.path.join(self.media, name), audio)
        shutil.copytree(os.path.join(SOURCE, "skin"), os.path.join(self.root, "NAND Flash", "skin"))
        self.settings = os.path.join(self.root, "settings.db")
        self.bus = Bus()
        self.env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus.address, WQ_DEBUG="1")
        # GLib's one-time quark table is matched by the leak suppressions only
        # with full stack unwinding.
        if "ASAN_OPTIONS" in self.env:
            self.env["ASAN_OPTIONS"] += ":fast_unwind_on_malloc=0:malloc_context_size=8"
        self.env.pop("DISPLAY", None)
        self.launcher = Launcher(self.env)
        self.assertTrue(self.wait(lambda: self.ctl("find", "WQMain").returncode == 0), "the launcher stand-in runs")
        self.players = []

    def tearDown(self):
        for p in self.players:
            if p.poll() is None:
                p.kill()
                p.wait()
        self.launcher.close()
        self.bus.close()
        shutil.rmtree(self.root, ignore_errors=True)

    # -- helpers

    def start(self, *args):
        with open(os.path.join(self.root, f"player{len(self.players)}.log"), "w") as log:
            p = subprocess.Popen([WQAUDIO, "--headless", "--root", self.root, "--audio-sink", "null",
                                  "--automation", "--settings", self.settings, *args],
                                 env=self.env, stdout=log, stderr=subprocess.STDOUT)
        self.players.append(p)
        return p

    def ctl(self, *args):
        return subprocess.run([WQCTL, *args], env=self.env, capture_output=True, text=True, timeout=30)

    def wait(self, predicate, timeout=20.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if predicate():
                return True
            time.sleep(0.1)
        return False

    def state(self):
        r = self.ctl("state", "WQAudio")
        return json.loads(r.stdout) if r.returncode == 0 and r.stdout.strip() else None

    def control(self, control_id):
        """A skin control (button, slider) of the player window by id."""
        s = self.state()
        for c in (s or {}).get("controls", []):
            if c.get("id") == control_id:
                return c
        return None

    def title_list(self):
        s = self.state()
        for c in (s or {}).get("children", []):
            if c.get("id") == 2008 and "rows" in c:
                return c
        return None

    def selected_row(self):
        lst = self.title_list()
        if not lst or lst.get("selection", -1) < 0:
            return None
        return lst["rows"][lst["selection"]]["text"]

    def store(self, key, value):
        db = sqlite3.connect(self.settings)
        db.execute("CREATE TABLE IF NOT EXISTS settings (section TEXT NOT NULL COLLATE NOCASE,"
                   " key TEXT NOT NULL COLLATE NOCASE, type INTEGER NOT NULL, value, PRIMARY KEY (section, key))")
        db.execute("INSERT OR REPLACE INTO settings VALUES ('WQAUDIO', ?, ?, ?)",
                   (key, 4 if isinstance(value, int) else 1, value))
        db.commit()
        db.close()

    def stored(self, key, section="WQAUDIO"):
        db = sqlite3.connect(self.settings)
        try:
            row = db.execute("SELECT value FROM settings WHERE section=? AND key=?", (section, key)).fetchone()
        except sqlite3.OperationalError:  # not made yet
            row = None
        db.close()
        return row[0] if row else None

    def screenshot(self, window, name, keep=False):
        """The window's pixels as PNG bytes; with `keep` also saved as NAME in
        $WQ_SCREENSHOT_DIR when that is set (docs/screenshots is made that way)."""
        path = os.path.join(self.root, name)
        if self.ctl("screenshot", window, path).returncode != 0:
            return None
        with open(path, "rb") as f:
            data = f.read()
        if keep and os.environ.get("WQ_SCREENSHOT_DIR"):
            shutil.copy(path, os.path.join(os.environ["WQ_SCREENSHOT_DIR"], name))
        return data

    def window_state(self, window):
        r = self.ctl("state", window)
        return json.loads(r.stdout) if r.returncode == 0 and r.stdout.strip() else None

    # -- tests

    def test_resumes_the_saved_track_and_position_and_plays(self):
        self.store("PLAYED PATH", "SDMMC Card\\AUDIO\\03 Long.mp3")
        self.store("PLAYED TIME", 50)
        self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"), self.launcher.snapshot())
        self.assertTrue(self.wait(lambda: self.selected_row() == "03 Long.mp3"))
        # Half of 40 s, and moving: the progress slider passes 50 per cent.
        self.assertTrue(self.wait(lambda: (self.control(2007) or {}).get("pos", 0) >= 51, timeout=10),
                        self.control(2007))

    def test_track_end_advances_to_the_next_file(self):
        self.store("PLAYED PATH", "SDMMC Card\\AUDIO\\01 First.mp3")
        self.store("PLAYED TIME", 0)
        self.start()
        self.assertTrue(self.wait(lambda: self.selected_row() == "01 First.mp3"))
        self.assertTrue(self.wait(lambda: self.selected_row() == "02 Second.mp3", timeout=15))

    def test_close_saves_and_notifies_the_launcher(self):
        self.store("PLAYED PATH", "SDMMC Card\\AUDIO\\03 Long.mp3")
        self.store("PLAYED TIME", 0)
        p = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        self.assertEqual(self.ctl("close").returncode, 0)
        self.assertEqual(p.wait(timeout=20), 0)
        lines = self.launcher.snapshot()
        exit_at = lines.index("WQ:MSG:APP_EXIT 3 -1")
        self.assertEqual(lines[exit_at + 1], "WQ:MSG:M_CLOSE_COMPLETE 3 0")
        self.assertEqual(self.stored("PLAYED PATH"), "SDMMC Card\\AUDIO\\03 Long.mp3")

    def test_second_start_without_arguments_activates_the_first(self):
        first = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        second = self.start()
        self.assertEqual(second.wait(timeout=20), 0)
        self.assertTrue(self.launcher.wait_for("WQ:MSG:ACTIVE 3 0"))
        self.assertIsNone(first.poll(), "the first copy keeps running")

    def close_and_check_notices(self, player, how, seconds=2.0):
        """Closes `player` with `how` and checks that it tells the launcher it has
        closed within `seconds` and then ends. (The process's own exit is not
        timed: under the sanitizers it includes the leak check.)"""
        before = len(self.launcher.snapshot())
        closes = self.launcher.snapshot().count("WQ:MSG:M_CLOSE_COMPLETE 3 0")
        how()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_CLOSE_COMPLETE 3 0", timeout=seconds, count=closes + 1),
                        f"no close notice within {seconds} s: {self.launcher.snapshot()[before:]}")
        self.assertEqual(player.wait(timeout=20), 0)
        lines = self.launcher.snapshot()[before:]
        self.assertIn("WQ:MSG:APP_EXIT 3 -1", lines)
        self.assertEqual(lines[lines.index("WQ:MSG:APP_EXIT 3 -1") + 1], "WQ:MSG:M_CLOSE_COMPLETE 3 0")

    def test_a_player_that_is_not_playing_ends_on_the_close_key(self):
        # Nothing wakes the loop after the close arrives from the bus: no
        # position timer runs while nothing plays.
        never = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        time.sleep(0.5)
        self.close_and_check_notices(never, lambda: self.ctl("close"))
        self.store("PLAYED PATH", "SDMMC Card\\AUDIO\\03 Long.mp3")
        self.store("PLAYED TIME", 0)
        stopped = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0", count=2))
        self.assertTrue(self.wait(lambda: self.selected_row() == "03 Long.mp3"))
        self.assertEqual(self.ctl("send", "WQAudio", "WM_COMMAND", "2001").returncode, 0)  # Stop
        time.sleep(0.5)
        self.close_and_check_notices(stopped, lambda: self.ctl("post", "WQAudio", "WM_COMMAND", "2009"))

    def test_sigterm_saves_the_place_and_tells_the_launcher_and_sigint_too(self):
        self.store("PLAYED PATH", "SDMMC Card\\AUDIO\\03 Long.mp3")
        self.store("PLAYED TIME", 33)  # a third of the 40 s track
        self.store("METHOD REPEAT", 1)
        p = self.start()
        self.assertTrue(self.wait(lambda: (self.control(2007) or {}).get("pos", 0) >= 34, timeout=10))
        self.close_and_check_notices(p, lambda: p.send_signal(signal.SIGTERM))
        self.assertTrue(25 <= self.stored("PLAYED TIME") <= 45, self.stored("PLAYED TIME"))
        self.assertEqual(self.stored("PLAYED PATH"), "SDMMC Card\\AUDIO\\03 Long.mp3")
        self.assertEqual(self.stored("METHOD REPEAT"), 1)
        p = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0", count=2))
        self.close_and_check_notices(p, lambda: p.send_signal(signal.SIGINT))
        # A signal while the card notice (a modal message box) is up.
        p = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0", count=3))
        self.assertEqual(self.ctl("card-in").returncode, 0)
        self.assertTrue(self.wait(lambda: self.ctl("find", "WQMessage").returncode == 0, timeout=5))
        self.close_and_check_notices(p, lambda: p.send_signal(signal.SIGTERM))

    def test_signals_during_start_up_end_cleanly_and_keep_the_stored_settings(self):
        self.store("PLAYED PATH", "SDMMC Card\\AUDIO\\02 Second.mp3")
        self.store("METHOD PLAY", 1)
        for delay in (0, 0.2):
            p = self.start()
            # The name is claimed first thing; the window and its skin follow.
            self.assertTrue(self.wait(lambda: self.ctl("find", "WQAudio").returncode == 0, timeout=10))
            time.sleep(delay)
            p.send_signal(signal.SIGTERM)
            self.assertEqual(p.wait(timeout=10), 0)
        # A second signal while the close runs ends the process at once.
        p = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        p.send_signal(signal.SIGTERM)
        p.send_signal(signal.SIGTERM)
        # 143: ended by the second signal; 0: the close was already over. (A
        # signal that arrives during the sanitizer's leak check at exit kills
        # the process outright, -15; the program's own work was done by then.)
        self.assertIn(p.wait(timeout=10), (0, 128 + signal.SIGTERM, -signal.SIGTERM))
        self.assertEqual(self.stored("PLAYED PATH"), "SDMMC Card\\AUDIO\\02 Second.mp3")
        self.assertEqual(self.stored("METHOD PLAY"), 1)
        # The close key pressed twice and a launcher that is gone before the notices.
        p = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0", count=2))
        self.launcher.close()
        self.ctl("close")
        self.ctl("close")
        self.assertEqual(p.wait(timeout=10), 0)

    def plays(self):
        """How many times the player has started a track so far (its debug output)."""
        with open(os.path.join(self.root, f"player{len(self.players) - 1}.log"), errors="replace") as f:
            return f.read().count("LoadMP3 ")

    def loads(self):
        """The tracks the player has started so far, in order (its debug output)."""
        with open(os.path.join(self.root, f"player{len(self.players) - 1}.log"), errors="replace") as f:
            return [line.rsplit("\\", 1)[-1].strip() for line in f if "LoadMP3 " in line]

    def test_up_key_plays_the_previous_track_while_another_program_is_in_front(self):
        # The long track first, so that nothing ends on its own before the key.
        self.store("PLAYED PATH", "SDMMC Card\\AUDIO\\03 Long.mp3")
        self.store("PLAYED TIME", 0)
        self.start()
        self.assertTrue(self.wait(lambda: self.selected_row() == "03 Long.mp3" and self.plays() == 1))
        navi = subprocess.Popen([WQCTL, "serve", "Navi"], env=self.env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        try:
            self.assertTrue(self.wait(lambda: self.ctl("find", "Navi").returncode == 0))
            self.assertEqual(self.ctl("raise", "Navi").returncode, 0)
            time.sleep(0.3)
            self.assertEqual(self.ctl("up").returncode, 0)  # the previous track plays
            self.assertTrue(self.wait(lambda: len(self.loads()) >= 2, timeout=5), self.loads())
            self.assertEqual(self.loads()[:2], ["03 Long.mp3", "02 Second.mp3"])
            # Back in front (the launcher raises the player): Down only moves the
            # list. (Stopped first, so that the short track's end plays nothing.)
            self.assertEqual(self.ctl("send", "WQAudio", "WM_COMMAND", "2001").returncode, 0)
            played = self.plays()
            self.assertEqual(self.ctl("raise", "WQAudio").returncode, 0)
            self.assertEqual(self.ctl("down").returncode, 0)
            self.assertTrue(self.wait(lambda: self.selected_row() == "03 Long.mp3", timeout=5))
            time.sleep(0.5)
            self.assertEqual(self.plays(), played)
        finally:
            navi.terminate()
            navi.wait(timeout=5)

    def test_copies_started_at_the_same_moment_leave_exactly_one_player(self):
        track = os.path.join(self.root, "SDMMC Card", "AUDIO", "01 First.mp3")
        copies = [self.start(track) for _ in range(10)]
        self.assertTrue(self.wait(lambda: sum(p.poll() is None for p in copies) == 1, timeout=20),
                        [p.poll() for p in copies])
        for p in copies:
            if p.poll() is not None:
                self.assertEqual(p.returncode, 0)
        self.assertTrue(self.wait(lambda: self.selected_row() == "01 First.mp3"))
        time.sleep(1.0)
        self.assertEqual(sum(p.poll() is None for p in copies), 1)

    def test_second_start_with_a_file_replaces_the_first(self):
        first = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        self.start(os.path.join(self.root, "SDMMC Card", "AUDIO", "02 Second.mp3"))
        self.assertEqual(first.wait(timeout=20), 0)
        self.assertTrue(self.launcher.wait_for("WQ:MSG:APP_EXIT 3 -1"))
        self.assertTrue(self.wait(lambda: self.selected_row() == "02 Second.mp3"))

    # -- the pattern and equalizer windows

    def wave_pixels(self):
        """Pixels of the WAVE pattern's colours (grey columns, orange dots) in the
        player's spectrum area, or None without a screenshot."""
        shot = self.screenshot("WQAudio", "player-spectrum.png")
        if not shot:
            return None
        _, _, rows = png_pixels(shot)
        return sum(rows[y][x] in ((233, 233, 233), (255, 123, 71)) for y in range(23, 123) for x in range(12, 192))

    def test_set_eq_switches_the_spectrum_to_wave_and_the_preset_badge_opens_the_equalizer(self):
        self.store("PLAYED PATH", "SDMMC Card\\AUDIO\\03 Long.mp3")
        self.store("PLAYED TIME", 0)
        self.store("PATTERN", 0)
        self.store("EQUALIZER", 1)  # ROCK
        player = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        self.assertTrue(self.wait(lambda: (self.control(2007) or {}).get("pos", 0) >= 1, timeout=10), "it plays")
        self.assertEqual(self.wave_pixels(), 0, "BASIC draws no WAVE columns")

        self.assertEqual(self.ctl("tap", "402", "142").returncode, 0)  # Set EQ
        self.assertTrue(self.wait(lambda: (self.window_state("WQPATTERN") or {}).get("visible")))
        ids = [c["id"] for c in self.window_state("WQPATTERN").get("controls", [])]
        self.assertTrue({2047, 2048, 2050, 2051, 2052, 2053, 2054} <= set(ids), ids)
        self.assertEqual(self.ctl("--to", "WQPATTERN", "tap", "394", "95").returncode, 0)  # WAVE
        self.assertTrue(self.wait(lambda: self.stored("PATTERN") == 2))
        self.assertIsNotNone(self.screenshot("WQPATTERN", "pattern-window.png", True))
        self.assertEqual(self.ctl("--to", "WQPATTERN", "tap", "394", "194").returncode, 0)  # EXIT
        self.assertTrue(self.wait(lambda: self.window_state("WQPATTERN") is None))
        self.assertTrue(self.wait(lambda: (self.wave_pixels() or 0) > 200, timeout=5), self.wave_pixels())
        self.screenshot("WQAudio", "player-wave.png", True)

        self.assertEqual(self.ctl("tap", "430", "79").returncode, 0)  # the preset badge
        self.assertTrue(self.wait(lambda: (self.window_state("WQEqualizer") or {}).get("visible")))
        sliders = [c for c in self.window_state("WQEqualizer").get("controls", []) if c.get("kind") == "slider"]
        # The playing preset, ROCK, with its factory gains -3, +3, 0, -5, -6 dB.
        self.assertEqual([s["pos"] for s in sliders], [64, 40, 52, 72, 76])
        # Band 2 "+" to +4 dB: stored for ROCK as 24 - 16.
        self.assertEqual(self.ctl("--to", "WQEqualizer", "tap", "142", "214").returncode, 0)
        self.assertTrue(self.wait(lambda: self.stored("DB BAND21", "WQEQUALIZER") == 8))
        time.sleep(0.3)
        self.assertIsNotNone(self.screenshot("WQEqualizer", "equalizer-window.png", True))
        self.assertEqual(self.ctl("close").returncode, 0)  # the close key closes the equalizer only
        self.assertTrue(self.wait(lambda: self.window_state("WQEqualizer") is None))
        self.assertIsNone(player.poll())
        self.close_and_check_notices(player, lambda: self.ctl("close"))

    # -- the status strip, the sound server and the volume pop-up

    def test_strip_follows_the_sound_server_and_the_popup_sets_it(self):
        if not shutil.which("pulseaudio") or not shutil.which("pactl"):
            self.skipTest("pulseaudio and pactl are not installed (Debian packages pulseaudio, "
                          "pulseaudio-utils; scripts/install-deps.sh)")
        pulse = PulseDaemon()
        self.addCleanup(pulse.close)
        self.assertIsNotNone(pulse.pactl("info"), "the private sound server runs")
        self.env["PULSE_SERVER"] = pulse.address
        player = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        self.assertTrue(self.wait(lambda: self.stored("Volume", "WQSETUP") == 11), "the full null output is level 11")
        full = self.screenshot("WQAudio", "player-strip-full.png")

        pulse.pactl("set-sink-volume", "@DEFAULT_SINK@", "50%")
        self.assertTrue(self.wait(lambda: self.stored("Volume", "WQSETUP") == 6, timeout=5))
        self.assertEqual(self.ctl("post", "WQAudio", "WQ:MSG:AUDIOUPDATE").returncode, 0)
        self.assertTrue(self.wait(lambda: self.screenshot("WQAudio", "player-with-strip.png", True) != full, timeout=5),
                        "the strip shows the new volume")

        # A tap on the strip shows the player's own pop-up; its plus raises the output.
        self.assertIsNotNone(self.window_state("WQVol"), "the player offers WQVol")
        self.assertFalse(self.window_state("WQVol")["visible"])
        self.assertEqual(self.ctl("tap", "440", "9").returncode, 0)
        self.assertTrue(self.wait(lambda: (self.window_state("WQVol") or {}).get("visible"), timeout=5))
        # (The plus first: the pop-up hides after three quiet seconds, which a
        # screenshot on a loaded machine can take.)
        self.assertEqual(self.ctl("--to", "WQVol", "tap", "200", "34").returncode, 0)
        self.assertTrue(self.wait(lambda: pulse.volumes() == [64, 64], timeout=5), pulse.volumes())
        self.assertIsNotNone(self.screenshot("WQVol", "volume-popup.png", True))
        self.assertEqual(self.stored("Volume", "WQSETUP"), 7)
        # Three quiet seconds later it is gone.
        self.assertTrue(self.wait(lambda: not (self.window_state("WQVol") or {}).get("visible"), timeout=8))
        # The connection, the key click and the pop-up end cleanly with the player.
        self.assertEqual(self.ctl("close").returncode, 0)
        self.assertEqual(player.wait(timeout=20), 0)

    def test_another_programs_wqvol_takes_the_tap_and_cannot_hold_the_player(self):
        volume = Launcher(self.env, "WQVol")
        self.addCleanup(volume.close)
        self.assertTrue(self.wait(lambda: self.ctl("find", "WQVol").returncode == 0))
        self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        self.assertEqual(self.ctl("tap", "440", "9").returncode, 0)
        # Had the player made a pop-up of its own, the strip would have found that one first.
        self.assertTrue(volume.wait_for("WQ:MSG:M_VOLUME_SHOW 1 0", timeout=10), volume.snapshot())

        # A volume program that stops answering holds the tap for the send
        # timeout (1 s) at most; then the player answers again.
        os.kill(volume.proc.pid, signal.SIGSTOP)
        try:
            started = time.time()
            self.ctl("--timeout", "20000", "tap", "440", "9")
            self.assertIsNotNone(self.ctl("--timeout", "20000", "state", "WQAudio").stdout.strip() or None)
            held = time.time() - started
        finally:
            os.kill(volume.proc.pid, signal.SIGCONT)
        self.assertGreater(held, 0.8)
        self.assertLess(held, 4.5)


if __name__ == "__main__":
    WQAUDIO, WQCTL, SOURCE = sys.argv[1:4]
    del sys.argv[1:4]
    unittest.main(verbosity=2)
