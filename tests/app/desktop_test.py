#!/usr/bin/env python3
"""The player on the desktop, end to end: playerctl as the external client of
the real program's media-player interface (headless, real GStreamer graph with
the silent sink, a temporary device root, a private session bus), `gdbus
introspect` of its object, and the first start on a user's own music with an
empty HOME.

usage: desktop_test.py WQAUDIO WQCTL SOURCE_DIR
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest
from xml.etree import ElementTree

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_test import Bus, make_track  # noqa: E402

WQAUDIO = WQCTL = SOURCE = None
MPRIS = ("org.mpris.MediaPlayer2.wqaudio", "/org/mpris/MediaPlayer2")


def wait(predicate, timeout=20.0):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    return False


def sanitizer_env(env):
    # GLib's one-time quark table is matched by the leak suppressions only
    # with full stack unwinding.
    if "ASAN_OPTIONS" in env:
        env["ASAN_OPTIONS"] += ":fast_unwind_on_malloc=0:malloc_context_size=8"
    env.pop("DISPLAY", None)
    return env


class Lines:
    """The output lines of a running program, each with its arrival time."""

    def __init__(self, proc):
        self.proc, self.lines, self.lock = proc, [], threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.proc.stdout:
            with self.lock:
                self.lines.append((time.time(), line.rstrip("\n")))

    def first(self, text, after=0.0):
        with self.lock:
            return next((t for t, line in self.lines if line == text and t > after), None)


class Program:
    """One headless player on a private bus, with wqctl and playerctl at hand."""

    def __init__(self, test, env, *args):
        self.env = env
        self.log = os.path.join(test.tmp, f"player{len(test.programs)}.log")
        with open(self.log, "w") as log:
            self.proc = subprocess.Popen([WQAUDIO, "--headless", "--audio-sink", "null", "--automation", *args],
                                         env=env, stdout=log, stderr=subprocess.STDOUT)
        test.programs.append(self)

    def ctl(self, *args):
        return subprocess.run([WQCTL, *args], env=self.env, capture_output=True, text=True, timeout=30)

    def playerctl(self, *args):
        return subprocess.run(["playerctl", "-p", "wqaudio", *args], env=self.env, capture_output=True,
                              text=True, timeout=30)

    def get(self, *args):
        r = self.playerctl(*args)
        return r.stdout.strip() if r.returncode == 0 else None

    def state(self):
        r = self.ctl("state", "WQAudio")
        return json.loads(r.stdout) if r.returncode == 0 and r.stdout.strip() else {}

    def control(self, control_id):
        return next((c for c in self.state().get("controls", []) if c.get("id") == control_id), {})

    def rows(self):
        for c in self.state().get("children", []):
            if c.get("id") == 2008 and "rows" in c:
                return c
        return {"rows": [], "selection": -1}

    def selected_row(self):
        lst = self.rows()
        return lst["rows"][lst["selection"]]["text"] if lst["selection"] >= 0 else None

    def prop(self, name):
        """A Player property as gdbus prints it, None while there is none."""
        r = subprocess.run(["gdbus", "call", "--session", "--dest", MPRIS[0], "--object-path", MPRIS[1],
                            "--method", "org.freedesktop.DBus.Properties.Get",
                            "org.mpris.MediaPlayer2.Player", name],
                           env=self.env, capture_output=True, text=True, timeout=30)
        return r.stdout.strip() if r.returncode == 0 else None

    def output(self):
        with open(self.log, errors="replace") as f:
            return f.read()

    def close(self):
        """The orderly close; the exit status."""
        if self.proc.poll() is None:
            self.ctl("close")
        return self.proc.wait(timeout=20)


class DesktopCase(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix="wqdesktop-")
        self.bus = Bus()
        self.env = sanitizer_env(dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus.address))
        self.programs = []

    def tearDown(self):
        for p in self.programs:
            if p.proc.poll() is None:
                p.proc.kill()
                p.proc.wait()
        self.bus.close()
        shutil.rmtree(self.tmp, ignore_errors=True)


class PlayerctlTest(DesktopCase):
    """`playerctl -p wqaudio ...` against the real player."""

    @classmethod
    def setUpClass(cls):
        cls.media = tempfile.mkdtemp(prefix="wqdesktop-media-")
        # 30.5 s of 44.1 kHz samples: the exact length is 30500000 us, which a
        # length guessed from frames or the bit rate would miss.
        make_track(os.path.join(cls.media, "01 Morning.mp3"), 30.5, 440, "Morning Song")
        make_track(os.path.join(cls.media, "02 봄날.mp3"), 30, 660, "봄날의 노래")
        make_track(os.path.join(cls.media, "03 Third.mp3"), 30, 330, "Third Song")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.media, ignore_errors=True)

    def setUp(self):
        super().setUp()
        self.root = os.path.join(self.tmp, "root")
        shutil.copytree(self.media, os.path.join(self.root, "SDMMC Card", "AUDIO"))
        os.makedirs(os.path.join(self.root, "NAND Flash"))
        os.symlink(os.path.join(SOURCE, "skin"), os.path.join(self.root, "NAND Flash", "skin"))
        self.p = Program(self, self.env, "--root", self.root)
        # Ready once start-up has restored the folder: the player can play.
        self.assertTrue(wait(lambda: self.p.prop("CanPlay") == "(<true>,)"), "the player is on the bus")

    def tearDown(self):
        self.assertEqual(self.p.close(), 0)
        super().tearDown()

    def track(self, name):
        return os.path.join(self.root, "SDMMC Card", "AUDIO", name)

    def test_status_play_metadata_and_next(self):
        self.assertEqual(self.p.get("status"), "Stopped")
        self.assertEqual(self.p.playerctl("play").returncode, 0)
        self.assertTrue(wait(lambda: self.p.get("status") == "Playing"))
        self.assertEqual(self.p.get("metadata", "xesam:title"), "Morning Song")
        self.assertEqual(self.p.get("metadata", "xesam:artist"), "Tester")
        self.assertEqual(self.p.get("metadata", "mpris:length"), "30500000")
        self.assertEqual(self.p.get("metadata", "xesam:url"),
                         "file://" + self.track("01%20Morning.mp3").replace(" ", "%20"))
        # Next plays the next file of the player's order; a CP949 tag comes out as UTF-8.
        self.assertEqual(self.p.playerctl("next").returncode, 0)
        self.assertTrue(wait(lambda: self.p.get("metadata", "xesam:title") == "봄날의 노래"))
        self.assertEqual(self.p.get("status"), "Playing")
        self.assertEqual(self.p.selected_row(), "02 봄날.mp3")

    def test_modes_volume_and_position(self):
        self.assertEqual(self.p.playerctl("play").returncode, 0)
        self.assertTrue(wait(lambda: self.p.get("status") == "Playing"))
        self.assertEqual(self.p.get("loop"), "Playlist")
        self.assertEqual(self.p.playerctl("loop", "Track").returncode, 0)
        self.assertEqual(self.p.get("loop"), "Track")
        self.assertTrue(self.p.control(2005)["picture"].lower().endswith("one_n_bt.bmp"),
                        "the repeat button shows repeat one")
        self.assertEqual(self.p.playerctl("shuffle", "On").returncode, 0)
        self.assertEqual(self.p.get("shuffle"), "On")
        self.assertTrue(self.p.control(2004)["picture"].lower().endswith("random_n_bt.bmp"))
        self.assertEqual(self.p.playerctl("volume", "0.5").returncode, 0)
        self.assertAlmostEqual(float(self.p.get("volume")), 0.5, places=3)

        monitor = subprocess.Popen(["gdbus", "monitor", "--session", "--dest", MPRIS[0]], env=self.env,
                                   stdout=subprocess.PIPE, text=True)
        seen = Lines(monitor)
        try:
            self.assertTrue(wait(lambda: any("Monitoring" in line for _, line in seen.lines), 10))
            self.assertEqual(self.p.playerctl("position", "10").returncode, 0)
            self.assertGreaterEqual(float(self.p.get("position")), 10.0)
            self.assertLess(float(self.p.get("position")), 11.0)
            seeked = lambda: [line for _, line in seen.lines if "Player.Seeked" in line]
            self.assertTrue(wait(lambda: seeked(), 5), seen.lines)
            at = int(re.search(r"int64 (\d+)", seeked()[0]).group(1))
            self.assertTrue(10_000_000 <= at < 10_300_000, seeked())
        finally:
            monitor.terminate()
            monitor.wait()
            monitor.stdout.close()

    def test_open_plays_a_file_inside_the_root_and_refuses_one_outside(self):
        third = "file://" + self.track("03 Third.mp3").replace(" ", "%20")
        self.assertEqual(self.p.playerctl("open", third).returncode, 0)
        self.assertTrue(wait(lambda: self.p.get("metadata", "xesam:title") == "Third Song"))
        self.assertTrue(wait(lambda: self.p.get("status") == "Playing"))
        self.assertEqual(self.p.selected_row(), "03 Third.mp3")
        outside = os.path.join(self.tmp, "outside.mp3")
        shutil.copy(self.track("01 Morning.mp3"), outside)
        r = self.p.playerctl("open", "file://" + outside)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("lies outside the device root", r.stderr)
        self.assertEqual(self.p.get("metadata", "xesam:title"), "Third Song")

    def test_follow_sees_a_tap_on_the_play_button_at_once(self):
        follow = subprocess.Popen(["playerctl", "-p", "wqaudio", "--follow", "status"], env=self.env,
                                  stdout=subprocess.PIPE, text=True, bufsize=1)
        seen = Lines(follow)
        try:
            self.assertTrue(wait(lambda: seen.first("Stopped") is not None, 10))
            self.assertEqual(self.p.playerctl("play").returncode, 0)
            self.assertTrue(wait(lambda: seen.first("Playing") is not None, 10))
            rect = self.p.control(2002)["rect"]
            x, y = str((rect[0] + rect[2]) // 2), str((rect[1] + rect[3]) // 2)
            for want in ("Paused", "Playing"):
                before = time.time()
                self.assertEqual(self.p.ctl("tap", x, y).returncode, 0)
                tapped = time.time()  # wqctl returns once the tap was handled
                self.assertTrue(wait(lambda: seen.first(want, before) is not None, 5), seen.lines)
                late = seen.first(want, before) - tapped
                print(f"--follow saw {want} {late * 1000:.0f} ms after the tap returned "
                      f"({(tapped - before) * 1000:.0f} ms for wqctl tap itself)")
                self.assertLess(late, 0.3)
        finally:
            follow.terminate()
            follow.wait()
            follow.stdout.close()

    def test_introspection_matches_the_mpris_interfaces(self):
        r = subprocess.run(["gdbus", "introspect", "--xml", "--session", "--dest", MPRIS[0],
                            "--object-path", MPRIS[1]], env=self.env, capture_output=True, text=True,
                           timeout=30)
        self.assertEqual(r.returncode, 0, r.stderr)
        # The MPRIS 2.2 interfaces, member by member (the optional Fullscreen
        # and the track list are not offered).
        expected = {
            "org.mpris.MediaPlayer2": {
                "Raise()", "Quit()",
                "read b CanQuit", "read b CanRaise", "read b HasTrackList", "read s Identity",
                "read s DesktopEntry", "read as SupportedUriSchemes", "read as SupportedMimeTypes",
            },
            "org.mpris.MediaPlayer2.Player": {
                "Next()", "Previous()", "Pause()", "PlayPause()", "Stop()", "Play()",
                "Seek(in x Offset)", "SetPosition(in o TrackId, in x Position)", "OpenUri(in s Uri)",
                "signal Seeked(x Position)",
                "read s PlaybackStatus", "readwrite s LoopStatus", "readwrite d Rate",
                "readwrite b Shuffle", "read a{sv} Metadata", "readwrite d Volume", "read x Position",
                "read d MinimumRate", "read d MaximumRate", "read b CanGoNext", "read b CanGoPrevious",
                "read b CanPlay", "read b CanPause", "read b CanSeek", "read b CanControl",
            },
        }
        node = ElementTree.fromstring(r.stdout)
        for iface, members in expected.items():
            found = set()
            for element in node.find(f"interface[@name='{iface}']"):
                args = ", ".join(" ".join(filter(None, (a.get("direction"), a.get("type"), a.get("name"))))
                                 for a in element.findall("arg"))
                if element.tag == "method":
                    found.add(f"{element.get('name')}({args})")
                elif element.tag == "signal":
                    found.add(f"signal {element.get('name')}({args})")
                elif element.tag == "property":
                    found.add(f"{element.get('access')} {element.get('type')} {element.get('name')}")
            self.assertEqual(found, members, iface)

        def root_property(name):
            r = subprocess.run(["gdbus", "call", "--session", "--dest", MPRIS[0], "--object-path", MPRIS[1],
                                "--method", "org.freedesktop.DBus.Properties.Get", "org.mpris.MediaPlayer2",
                                name], env=self.env, capture_output=True, text=True, timeout=30)
            return r.stdout.strip()
        self.assertEqual(root_property("Identity"), "(<'WQAudio'>,)")
        self.assertEqual(root_property("DesktopEntry"), "(<'wqaudio'>,)")
        self.assertEqual(root_property("SupportedUriSchemes"), "(<['file']>,)")
        self.assertEqual(root_property("SupportedMimeTypes"), "(<['audio/mpeg', 'audio/x-ms-wma']>,)")


class FirstRunTest(DesktopCase):
    """The first start with an empty HOME: the default device root is made
    with the installed skin and the user's music folder, once."""

    def start(self, music):
        home = os.path.join(self.tmp, "home")
        config = os.path.join(self.tmp, "config")
        os.makedirs(home, exist_ok=True)
        os.makedirs(config, exist_ok=True)
        with open(os.path.join(config, "user-dirs.dirs"), "w") as f:
            f.write('# written by the test\nXDG_MUSIC_DIR="%s"\n' % music)
        env = dict(self.env, HOME=home, XDG_CONFIG_HOME=config,
                   XDG_CACHE_HOME=os.path.join(self.tmp, "cache"),
                   XDG_RUNTIME_DIR=os.path.join(self.tmp, "run"))
        for name in ("WQ_ROOT", "XDG_DATA_HOME"):
            env.pop(name, None)
        os.makedirs(env["XDG_RUNTIME_DIR"], exist_ok=True)
        self.home = home
        return Program(self, env)

    def tree(self):
        """Every entry under HOME and where links lead, without the settings
        store the player keeps inside the device root."""
        out = []
        for top, dirs, files in os.walk(self.home):
            dirs[:] = [d for d in dirs if d != ".wqaudio"]
            for name in sorted(dirs + files):
                path = os.path.join(top, name)
                out.append((os.path.relpath(path, self.home),
                            os.readlink(path) if os.path.islink(path) else None))
        return sorted(out)

    def test_first_start_lists_the_users_music_and_a_second_changes_nothing(self):
        music = os.path.join(self.tmp, "music")
        os.makedirs(music)
        make_track(os.path.join(music, "Mine One.mp3"), 2, 440, "Mine One")
        make_track(os.path.join(music, "Mine Two.mp3"), 2, 550)
        before = {n: os.stat(os.path.join(music, n)).st_mtime_ns for n in os.listdir(music)}

        first = self.start(music)
        self.assertTrue(wait(lambda: {"Mine One.mp3", "Mine Two.mp3"} <=
                             {r["text"] for r in first.rows()["rows"]}), first.output())
        made = [line for line in first.output().splitlines() if "first run" in line]
        root = os.path.join(self.home, ".local", "share", "wqaudio", "device")
        self.assertEqual(made, [f"wqaudio: first run: made the device root {root} with the skin "
                                f"{os.path.realpath(os.path.join(SOURCE, 'skin'))} and your music "
                                f"{music} as the memory card's AUDIO folder"])
        self.assertEqual(os.readlink(os.path.join(root, "SDMMC Card", "AUDIO")), music)
        self.assertEqual(first.close(), 0)
        after_first = self.tree()
        self.assertIn((os.path.join(".local", "share", "wqaudio", "device", "NAND Flash", "skin"),
                       os.path.realpath(os.path.join(SOURCE, "skin"))), after_first)

        second = self.start(music)
        self.assertTrue(wait(lambda: "Mine One.mp3" in {r["text"] for r in second.rows()["rows"]}))
        self.assertEqual(second.close(), 0)
        self.assertNotIn("first run", second.output())
        self.assertEqual(self.tree(), after_first)
        self.assertEqual({n: os.stat(os.path.join(music, n)).st_mtime_ns for n in os.listdir(music)},
                         before, "the music folder is only read")

    def test_a_missing_music_folder_gives_an_empty_card_and_one_clear_line(self):
        missing = os.path.join(self.tmp, "no such music")
        p = self.start(missing)
        self.assertTrue(wait(lambda: p.ctl("find", "WQAudio").returncode == 0 and p.state()))
        made = [line for line in p.output().splitlines() if "first run" in line]
        self.assertEqual(len(made), 1, p.output())
        self.assertIn(f"the memory card is empty: the music folder {missing} cannot be used "
                      "(No such file or directory)", made[0])
        card = os.path.join(self.home, ".local", "share", "wqaudio", "device", "SDMMC Card")
        self.assertEqual(os.listdir(card), [])
        self.assertEqual(p.close(), 0)


if __name__ == "__main__":
    WQAUDIO, WQCTL, SOURCE = sys.argv[1:4]
    del sys.argv[1:4]
    unittest.main(verbosity=2)
