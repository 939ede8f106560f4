#!/usr/bin/env python3
"""Bad input to the real wqaudio program (headless, real GStreamer graph with
the silent sink, private D-Bus session bus, driven through wqctl): damaged
and hostile media files and names in one folder, a folder of nothing but
undecodable files, a file cut short and a card pulled while playing, 10,000
files in a folder, and damaged or locked settings stores. What the unit
tests show for one part (the graph, the explorer, the store) is shown here
for the program that puts them together: it keeps answering, plays what can
be played, stops where nothing can, and ends cleanly.

usage: catalogue_test.py WQAUDIO WQCTL SOURCE_DIR
"""
import json
import os
import random
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_test  # noqa: E402  (the bus, the launcher stand-in and the encoder)

WQAUDIO = WQCTL = SOURCE = None
CARD = os.path.join("SDMMC Card", "AUDIO")


def encode_wma(path, seconds):
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    f"sine=frequency=500:sample_rate=44100:duration={seconds}", "-ac", "2",
                    "-c:a", "wmav2", "-b:a", "64k", path], check=True)


class Catalogue(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.media = tempfile.mkdtemp(prefix="wqcat-media-")
        cls.good = os.path.join(cls.media, "good.mp3")
        e2e_test.make_track(cls.good, 2, 440, "Good")
        cls.long = os.path.join(cls.media, "long.mp3")
        e2e_test.make_track(cls.long, 30, 330)
        cls.wma = os.path.join(cls.media, "good.wma")
        encode_wma(cls.wma, 2)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.media, ignore_errors=True)

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="wqcat-root-")
        self.audio = os.path.join(self.root, CARD)
        os.makedirs(self.audio)
        shutil.copytree(os.path.join(SOURCE, "skin"), os.path.join(self.root, "NAND Flash", "skin"))
        self.settings = os.path.join(self.root, "settings.db")
        self.bus = e2e_test.Bus()
        self.env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.bus.address, WQ_DEBUG="1")
        if "ASAN_OPTIONS" in self.env:
            self.env["ASAN_OPTIONS"] += ":fast_unwind_on_malloc=0:malloc_context_size=8"
        self.env.pop("DISPLAY", None)
        self.launcher = e2e_test.Launcher(self.env)
        self.players = []

    def tearDown(self):
        for p in self.players:
            if p.poll() is None:
                p.kill()
                p.wait()
        self.launcher.close()
        self.bus.close()
        subprocess.run(["chmod", "-R", "u+rwX", self.root])
        shutil.rmtree(self.root, ignore_errors=True)

    # -- helpers

    def start(self, *args, prefix=(), sink="null"):
        self.log = os.path.join(self.root, f"player{len(self.players)}.log")
        with open(self.log, "w") as log:
            p = subprocess.Popen([*prefix, WQAUDIO, "--headless", "--root", self.root, "--audio-sink", sink,
                                  "--automation", "--settings", self.settings, *args],
                                 env=self.env, stdout=log, stderr=subprocess.STDOUT)
        self.players.append(p)
        return p

    def ctl(self, *args):
        return subprocess.run([WQCTL, *args], env=self.env, capture_output=True, timeout=30)

    def wait(self, predicate, timeout=20.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if predicate():
                return True
            time.sleep(0.1)
        return False

    def rows(self):
        r = self.ctl("state", "WQAudio")
        if r.returncode != 0 or not r.stdout.strip():
            return None
        state = json.loads(r.stdout.decode("utf-8"))
        for c in state.get("children", []):
            if c.get("id") == 2008 and "rows" in c:
                return c
        return None

    def selected(self):
        lst = self.rows()
        if not lst or lst.get("selection", -1) < 0:
            return None
        return lst["rows"][lst["selection"]]["text"]

    def output(self):
        with open(self.log, "rb") as f:
            return f.read().decode("utf-8", "replace")

    def loads(self):
        return self.output().count("LoadMP3 ")

    def close(self, player):
        self.assertEqual(self.ctl("close").returncode, 0)
        self.assertEqual(player.wait(timeout=30), 0, self.output()[-2000:])

    def link(self, source, name):
        os.link(source, os.path.join(self.audio.encode(), name if isinstance(name, bytes) else name.encode()))

    # -- tests

    def test_every_kind_of_bad_file_in_one_folder_is_skipped_and_the_good_ones_play(self):
        with open(self.good, "rb") as f:
            good = f.read()
        with open(self.wma, "rb") as f:
            wma = f.read()
        rng = random.Random(18)
        bad = {
            "02 empty.mp3": b"",
            "03 random.mp3": bytes(rng.getrandbits(8) for _ in range(60000)),
            "04 truncated.mp3": good[: len(good) // 5],
            "05 damaged.mp3": good[:8000] + bytes(rng.getrandbits(8) for _ in range(20000)) + good[8000:],
            "06 truncated.wma": wma[: len(wma) // 4],
            "07 header only.wma": wma[:600],
            "08 text.wma": b"not audio\n" * 50,
        }
        for name, data in bad.items():
            with open(os.path.join(self.audio, name), "wb") as f:
                f.write(data)
        self.link(self.good, "01 first.mp3")
        os.mkfifo(os.path.join(self.audio, "09 fifo.mp3"))
        os.symlink("/dev/zero", os.path.join(self.audio, "10 zero.mp3"))
        os.mkdir(os.path.join(self.audio, "11 folder.mp3"))
        # Hostile names of a playable file: a newline, quotes, bytes that are
        # not UTF-8, and the host's longest name.
        hostile = [b"12 new\nline.mp3", b"13 \"quoted\" 'name'.mp3", b"14 caf\xe9 \xff.mp3",
                   b"15 " + b"n" * 248 + b".mp3"]
        for name in hostile:
            self.link(self.good, name)
        self.link(self.wma, "16 good.wma")
        unreadable = os.path.join(self.audio, "17 unreadable.mp3")
        shutil.copy(self.good, unreadable)
        os.chmod(unreadable, 0)
        # Root reads every file: the player runs without that privilege then.
        prefix = ("setpriv", "--bounding-set", "-dac_override,-dac_read_search", "--inh-caps",
                  "-dac_override,-dac_read_search") if os.geteuid() == 0 else ()

        wav = os.path.join(self.root, "heard.wav")
        player = self.start(os.path.join(self.audio, "01 first.mp3"), prefix=prefix, sink="wav:" + wav)
        self.assertTrue(self.wait(lambda: self.selected() == "01 first.mp3"), self.output()[-2000:])
        lst = self.rows()
        names = [r["text"] for r in lst["rows"]]
        self.assertEqual(names[0], "[..]")
        self.assertEqual(names[1], "[11 folder.mp3]")
        shown = set(names[2:])
        # (The bus carries only UTF-8: bytes that are not show as U+FFFD there.)
        for name in hostile:
            self.assertIn(name.decode("utf-8", "replace"), shown)
        self.assertNotIn("09 fifo.mp3", shown, "only regular files are listed")
        files = len(names) - 2

        # Next every half second walks the whole folder (and wraps, repeat
        # all), loading each file, while the player keeps answering.
        for _ in range(files + 1):
            self.assertEqual(self.ctl("post", "WQAudio", "WM_COMMAND", "2003").returncode, 0)
            time.sleep(0.5)
            self.assertIsNone(player.poll(), self.output()[-2000:])
        self.assertGreaterEqual(self.loads(), files + 1)
        # Stop and Play from wherever the walk ended: bad files are passed
        # over until a good one is heard (a second of stereo 16-bit samples).
        self.assertEqual(self.ctl("send", "WQAudio", "WM_COMMAND", "2001").returncode, 0)
        heard = os.path.getsize(wav)
        self.assertEqual(self.ctl("send", "WQAudio", "WM_COMMAND", "2002").returncode, 0)
        self.assertTrue(self.wait(lambda: os.path.getsize(wav) > heard + 44100 * 4, timeout=30),
                        self.output()[-2000:])
        self.close(player)

    def test_a_folder_of_only_undecodable_files_is_tried_once_then_stops(self):
        rng = random.Random(7)
        names = ["a empty.mp3", "b random.mp3", "c text.wma", "d zeros.mp3"]
        for name, data in zip(names, [b"", bytes(rng.getrandbits(8) for _ in range(30000)),
                                      b"x" * 5000, bytes(40000)]):
            with open(os.path.join(self.audio, name), "wb") as f:
                f.write(data)
        player = self.start(os.path.join(self.audio, names[0]))
        # Four failed loads take about five seconds; then nothing more is tried.
        self.assertTrue(self.wait(lambda: "loads failed in a row" in self.output(), timeout=20),
                        f"{self.loads()} loads: {self.output()[-1500:]}")
        tried = self.loads()
        self.assertEqual(tried, len(names))
        time.sleep(4)
        self.assertEqual(self.loads(), tried, "no retry after the pass")
        self.close(player)

    def test_a_file_cut_short_then_the_card_pulled_while_playing(self):
        shutil.copy(self.long, os.path.join(self.audio, "1 long.mp3"))
        shutil.copy(self.long, os.path.join(self.audio, "2 long.mp3"))
        shutil.copy(self.long, os.path.join(self.audio, "3 long.mp3"))
        player = self.start(os.path.join(self.audio, "1 long.mp3"))
        self.assertTrue(self.wait(lambda: self.selected() == "1 long.mp3"))
        time.sleep(1.5)
        # The playing file shrinks to about half a second: the track ends
        # there and the next one plays.
        os.truncate(os.path.join(self.audio, "1 long.mp3"), 8 * 1024)
        self.assertTrue(self.wait(lambda: self.selected() == "2 long.mp3", timeout=15), self.selected())
        time.sleep(1.0)
        # The card goes without the launcher's notice: the playing file has
        # nothing more to read and the folder vanishes. The track ends, the
        # rest cannot be loaded, and the player stops trying after one pass.
        os.truncate(os.path.join(self.audio, "2 long.mp3"), 0)
        shutil.rmtree(os.path.join(self.root, "SDMMC Card"))
        self.assertTrue(self.wait(lambda: "loads failed in a row" in self.output(), timeout=40),
                        self.output()[-1500:])
        settled = self.loads()
        time.sleep(3)
        self.assertEqual(self.loads(), settled)
        self.assertIsNotNone(self.rows(), "the player still answers")
        self.close(player)

    def test_a_read_error_in_the_middle_of_a_track(self):
        if not shutil.which("strace"):
            self.skipTest("strace is not installed (scripts/install-deps.sh)")
        first = os.path.join(self.audio, "1 long.mp3")
        shutil.copy(self.long, first)
        shutil.copy(self.long, os.path.join(self.audio, "2 long.mp3"))
        # Every read of the first file after its second fails with EIO, as a
        # failing card would. (The leak check stops the process's threads with
        # ptrace, which strace holds: it is off for this one run.)
        self.env["ASAN_OPTIONS"] = self.env.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
        player = self.start(first, prefix=("strace", "-qq", "-f", "-o", os.devnull, "-P", first,
                                           "-e", "trace=read", "-e", "inject=read:error=EIO:when=3+"))
        self.assertTrue(self.wait(lambda: self.selected() == "2 long.mp3", timeout=30),
                        (self.selected(), self.output()[-1500:]))
        time.sleep(1.0)
        self.assertEqual(self.selected(), "2 long.mp3", "the second track plays on")
        self.close(player)

    def test_ten_thousand_files_in_one_folder(self):
        for i in range(10000):
            os.link(self.long, os.path.join(self.audio, f"track {i:05}.mp3"))
        started = time.time()
        player = self.start(os.path.join(self.audio, "track 09998.mp3"))
        self.assertTrue(self.wait(lambda: self.selected() == "track 09998.mp3", timeout=60))
        listed = time.time() - started
        self.assertEqual(len(self.rows()["rows"]), 10001)
        self.assertEqual(self.ctl("post", "WQAudio", "WM_COMMAND", "2003").returncode, 0)
        self.assertTrue(self.wait(lambda: self.selected() == "track 09999.mp3", timeout=10))
        self.assertEqual(self.ctl("post", "WQAudio", "WM_COMMAND", "2003").returncode, 0)
        self.assertTrue(self.wait(lambda: self.selected() == "track 00000.mp3", timeout=10), "repeat all wraps")
        print(f"10,000 files: listed and playing {listed:.1f} s after start", file=sys.stderr)
        self.close(player)

    def test_damaged_foreign_and_locked_settings_stores(self):
        self.link(self.good, "a.mp3")
        # Garbage, then a store of another program's layout: each is moved
        # aside, the player starts with defaults and saves into a fresh store.
        layouts = [b"\x00garbage" * 512, None]
        for layout in layouts:
            for name in os.listdir(self.root):
                if name.startswith("settings.db"):
                    os.unlink(os.path.join(self.root, name))
            if layout is None:
                db = sqlite3.connect(self.settings)
                db.execute("CREATE TABLE settings (name TEXT, value TEXT)")
                db.execute("INSERT INTO settings VALUES ('PLAYED PATH', 'x')")
                db.commit()
                db.close()
            else:
                with open(self.settings, "wb") as f:
                    f.write(layout)
            player = self.start(os.path.join(self.audio, "a.mp3"))
            self.assertTrue(self.wait(lambda: self.selected() == "a.mp3"), self.output()[-1500:])
            self.close(player)
            moved = [n for n in os.listdir(self.root) if n.startswith("settings.db.moved-")]
            self.assertEqual(len(moved), 1, os.listdir(self.root))
            db = sqlite3.connect(self.settings)
            row = db.execute("SELECT value FROM settings WHERE section='WQAUDIO' AND key='PLAYED PATH'").fetchone()
            db.close()
            self.assertEqual(row[0], "SDMMC Card\\AUDIO\\a.mp3")
            os.unlink(os.path.join(self.root, moved[0]))

        # Another program holds the store locked for 8 s: the player starts,
        # saves and answers while it is held, and the save lands once the
        # lock is gone.
        ready = threading.Event()

        def hold():
            db = sqlite3.connect(self.settings, timeout=10, isolation_level=None)
            db.execute("BEGIN EXCLUSIVE")
            ready.set()
            time.sleep(8)
            db.execute("COMMIT")
            db.close()

        holder = threading.Thread(target=hold)
        holder.start()
        self.assertTrue(ready.wait(10))
        player = self.start(os.path.join(self.audio, "a.mp3"))
        self.assertTrue(self.wait(lambda: self.selected() == "a.mp3", timeout=8))
        self.assertEqual(self.ctl("send", "WQAudio", "WM_COMMAND", "2005").returncode, 0)  # Repeat: a save
        self.assertIsNotNone(self.rows(), "the player answers during the lock")
        self.assertTrue(holder.is_alive(), "the lock was held all along")
        holder.join()
        self.close(player)
        db = sqlite3.connect(self.settings)
        row = db.execute("SELECT value FROM settings WHERE section='WQAUDIO' AND key='METHOD REPEAT'").fetchone()
        db.close()
        self.assertEqual(row[0], 1)


if __name__ == "__main__":
    WQAUDIO, WQCTL, SOURCE = sys.argv[1:4]
    e2e_test.WQAUDIO, e2e_test.WQCTL, e2e_test.SOURCE = WQAUDIO, WQCTL, SOURCE
    del sys.argv[1:4]
    unittest.main(verbosity=2)
