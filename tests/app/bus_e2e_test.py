#!/usr/bin/env python3
"""Hostile programs on the bus against the real wqaudio program (headless,
private bus, the launcher played by `wqctl serve`): messages that carry
pointers, a flood of names, extreme flags and coordinates, and a launcher
that stops answering. (A huge name is refused before any copy: bus_test.cpp.) The set-up and helpers are e2e_test.py's.

usage: bus_e2e_test.py WQAUDIO WQCTL SOURCE_DIR HOSTILE_PEER
"""
import os
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import e2e_test  # noqa: E402

HOSTILE = None
WINDOW = ["--dest", "org.wqaudio.Window.wqaudio", "--object-path", "/org/wqaudio/Window/wqaudio"]
AUTOMATION = ["--dest", "org.wqaudio.Window.wqaudio", "--object-path", "/org/wqaudio/Automation"]


class BusEndToEnd(e2e_test.EndToEnd):
    def gdbus(self, target, method, *args):
        return subprocess.run(["gdbus", "call", "--session", "--timeout", "10", *target, "--method", method,
                               *args], env=self.env, capture_output=True, text=True, timeout=30)

    def hostile(self, *args):
        r = subprocess.run([HOSTILE, *args], env=self.env, capture_output=True, text=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stderr)
        words = r.stdout.split()
        return dict(zip(words[::2], map(int, words[1::2])))

    def start_playing(self):
        self.store("PLAYED PATH", "SDMMC Card\\AUDIO\\03 Long.mp3")
        self.store("PLAYED TIME", 0)
        p = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        self.assertTrue(self.wait(lambda: (self.control(2007) or {}).get("pos", 0) >= 1, timeout=10))
        return p

    def assert_still_playing(self, player):
        before = (self.control(2007) or {}).get("pos", 0)
        self.assertTrue(self.wait(lambda: (self.control(2007) or {}).get("pos", 0) > before, timeout=10),
                        "the progress slider moves on")
        self.assertIsNone(player.poll())

    def test_bus_refuses_pointers_hidden_windows_and_wild_pen_input_and_plays_on(self):
        player = self.start_playing()
        # WM_SETTEXT and WM_GETTEXT with an address of the caller's choosing,
        # and WM_INITDIALOG, which would start the player over.
        for call in (["12", "0", "1094795585"], ["13", "64", "1094795585"], ["272", "0", "0"]):
            r = self.gdbus(WINDOW, "org.wqaudio.Window.SendNumber", *call)
            self.assertNotEqual(r.returncode, 0, call)
            self.assertIn("org.wqaudio.Error.NotAllowed", r.stderr, call)
        r = self.gdbus(WINDOW, "org.wqaudio.Window.PostNumber", "12", "0", "1094795585")
        self.assertIn("org.wqaudio.Error.NotAllowed", r.stderr)
        self.assertEqual(self.state()["text"], "WQAudio")
        # Every flag bit set, SWP_HIDEWINDOW among them: still shown, still in place.
        self.assertEqual(self.ctl("raise", "WQAudio", "0xffffffff").returncode, 0)
        self.assertTrue(self.state()["visible"])
        self.assertEqual(self.state()["rect"], [0, 0, 480, 234])
        # Pen input at the ends of the int range: refused, nothing overflows.
        for method, args in (("Drag", ["--", "WQAudio", "-2147483648", "-2147483648", "2147483647", "2147483647"]),
                             ("Tap", ["--", "WQAudio", "2147483647", "-2147483648"])):
            r = self.gdbus(AUTOMATION, "org.wqaudio.Automation." + method, *args)
            self.assertIn("InvalidArgs", r.stderr, method)
        self.assert_still_playing(player)
        with open(os.path.join(self.root, "player0.log"), errors="replace") as f:
            self.assertIn("desktop bus: refused message number 12", f.read())

    def test_bus_name_flood_leaves_the_close_notices_right(self):
        # Not playing, so that the flood's cost is the bus's alone.
        player = self.start()
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_LOAD_COMPLETE 3 0"))
        got = self.hostile("flood", "WQAudio", "20000")
        # The first 64 names are the sender's quota (answered 0: nobody here
        # handles them); the rest are refused.
        self.assertEqual(got.get("answered"), 64, got)
        self.assertEqual(got.get("org.wqaudio.Error.TooManyNames"), 20000 - 64, got)
        # Names the player knows still work for that sender's siblings.
        self.assertEqual(self.ctl("post", "WQAudio", "WQ:MSG:AUDIOUPDATE").returncode, 0)
        self.assertIsNone(player.poll())
        self.close_and_check_notices(player, lambda: self.ctl("close"))

    def test_bus_stopped_launcher_delays_the_close_by_under_two_seconds(self):
        player = self.start_playing()
        os.kill(self.launcher.proc.pid, signal.SIGSTOP)
        try:
            # gdbus, not wqctl: it starts in milliseconds, so the time is the player's.
            started = time.time()
            self.gdbus(WINDOW, "org.wqaudio.Window.SendMessage", "WQ:MSG:KEYDOWN", "128", "0")  # close key
            # The window name goes when the close sequence (save, stop, the two
            # notices to the launcher) is over.
            owner = ["--dest", "org.freedesktop.DBus", "--object-path", "/org/freedesktop/DBus"]
            while time.time() - started < 20 and self.gdbus(
                    owner, "org.freedesktop.DBus.GetNameOwner", "org.wqaudio.Window.wqaudio").returncode == 0:
                time.sleep(0.02)
            closed = time.time() - started
        finally:
            os.kill(self.launcher.proc.pid, signal.SIGCONT)
        self.assertLess(closed, 2.0)
        print(f"closed in {closed:.2f} s with the launcher stopped", file=sys.stderr)
        self.assertEqual(player.wait(timeout=20), 0)
        # The notices were not lost: the launcher reads them, in order, once it runs again.
        self.assertTrue(self.launcher.wait_for("WQ:MSG:M_CLOSE_COMPLETE 3 0", timeout=5), self.launcher.snapshot())
        lines = self.launcher.snapshot()
        self.assertEqual(lines[lines.index("WQ:MSG:APP_EXIT 3 -1") + 1], "WQ:MSG:M_CLOSE_COMPLETE 3 0")


def load_tests(loader, tests, pattern):
    return unittest.TestSuite(BusEndToEnd(name) for name in loader.getTestCaseNames(BusEndToEnd)
                              if name.startswith("test_bus_"))


if __name__ == "__main__":
    e2e_test.WQAUDIO, e2e_test.WQCTL, e2e_test.SOURCE, HOSTILE = sys.argv[1:5]
    del sys.argv[1:5]
    unittest.main(verbosity=2)
