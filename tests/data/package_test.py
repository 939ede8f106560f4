#!/usr/bin/env python3
"""The install and the Debian package, as a user gets them: CPack makes the
package of this build, `dpkg -x` unpacks it into a throwaway folder, and the
unpacked files are checked there: the programs run (`--version`, `--probe` of
a real MP3 with a Korean tag, a first start that must find the skin beside the
unpacked program, not the build tree's), the desktop entry and the AppStream
metadata pass their validators, the icons have their sizes, and the man pages
say what the programs' `--help` says.

usage: package_test.py BUILD_DIR SOURCE_DIR
"""
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app"))
from e2e_test import make_track  # noqa: E402

BUILD = SOURCE = None


def run(*args, **kw):
    return subprocess.run(list(args), capture_output=True, text=True, timeout=120, **kw)


def program_env(**extra):
    env = dict(os.environ, **extra)
    # A packaged program is a stranger's: no session bus, no display, no
    # leak report about GLib's one-time tables at exit.
    for name in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY", "WQ_ROOT", "XDG_DATA_HOME"):
        env.pop(name, None)
    if "ASAN_OPTIONS" in env:
        env["ASAN_OPTIONS"] += ":detect_leaks=0"
    return env


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="wqpackage-")
        started = time.time()
        made = run("cpack", "-G", "DEB", "--config", os.path.join(BUILD, "CPackConfig.cmake"),
                   "-B", os.path.join(cls.tmp, "out"))
        if made.returncode != 0:
            raise AssertionError("cpack failed:\n" + made.stdout + made.stderr)
        debs = [f for f in os.listdir(os.path.join(cls.tmp, "out")) if f.endswith(".deb")]
        if len(debs) != 1:
            raise AssertionError(f"cpack made {debs}, not one .deb")
        cls.deb = os.path.join(cls.tmp, "out", debs[0])
        cls.root = os.path.join(cls.tmp, "unpacked")
        subprocess.run(["dpkg", "-x", cls.deb, cls.root], check=True, timeout=120)
        cls.usr = os.path.join(cls.root, "usr")
        print(f"package {debs[0]}: {os.path.getsize(cls.deb) // 1024} KB, made and unpacked in "
              f"{time.time() - started:.1f} s")

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def installed(self, *parts):
        path = os.path.join(self.usr, *parts)
        self.assertTrue(os.path.exists(path), f"{path} is not in the package")
        return path

    def test_control_file_depends_on_the_libraries_found_by_shlibdeps(self):
        info = run("dpkg-deb", "--field", self.deb, "Package", "Depends", "Recommends")
        self.assertEqual(info.returncode, 0, info.stderr)
        fields = dict(line.split(": ", 1) for line in info.stdout.splitlines() if ": " in line)
        self.assertEqual(fields["Package"], "wqaudio")
        depends = fields.get("Depends", "")
        # Found in the programs' dynamic sections, never listed by hand.
        for library in ("libc6", "libgstreamer1.0-0", "libsdl2-2.0-0", "libsqlite3-0", "libglib2.0-0"):
            self.assertRegex(depends, rf"(^|, ){re.escape(library)}( |,|$)", depends)
        self.assertIn("gstreamer1.0-plugins-ugly", fields.get("Recommends", ""))

    def test_the_unpacked_programs_run_from_where_they_lie(self):
        version = run(self.installed("bin", "wqaudio"), "--version", env=program_env())
        self.assertEqual((version.returncode, version.stdout), (0, "wqaudio 0.1.0\n"), version.stderr)
        self.assertEqual(run(self.installed("bin", "wqctl"), "--version", env=program_env()).stdout,
                         "wqctl 0.1.0\n")
        track = os.path.join(self.tmp, "봄날.mp3")
        make_track(track, 2, 440, "봄날의 노래")
        probe = run(self.installed("bin", "wqaudio"), "--probe", track, env=program_env())
        self.assertEqual(probe.returncode, 0, probe.stderr)
        self.assertIn('"title":"봄날의 노래","artist":"Tester"', probe.stdout)
        self.assertIn('"bitrate":128,"samplerate":44100', probe.stdout)
        skin = self.installed("share", "wqaudio", "skin", "WQAudio", "WQAudio.TPL")
        check = run(self.installed("bin", "skincheck"), skin, env=program_env())
        self.assertEqual(check.returncode, 0, check.stdout + check.stderr)

    def test_a_first_start_of_the_unpacked_program_links_the_unpacked_skin(self):
        home = os.path.join(self.tmp, "home")
        music = os.path.join(home, "Music")
        os.makedirs(music)
        env = program_env(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                          XDG_RUNTIME_DIR=self.tmp)
        player = subprocess.Popen([self.installed("bin", "wqaudio"), "--headless", "--audio-sink", "null"],
                                  env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        try:
            line = player.stderr.readline().strip()
            root = os.path.join(home, ".local", "share", "wqaudio", "device")
            skin = os.path.realpath(os.path.join(self.usr, "share", "wqaudio", "skin"))
            self.assertEqual(line, f"wqaudio: first run: made the device root {root} with the skin {skin} "
                                   f"and your music {music} as the memory card's AUDIO folder")
            self.assertEqual(os.readlink(os.path.join(root, "NAND Flash", "skin")), skin)
        finally:
            player.send_signal(signal.SIGTERM)
            status = player.wait(timeout=30)
            player.stderr.close()
        self.assertEqual(status, 0, "SIGTERM is the orderly close")

    def test_desktop_entry_metainfo_and_icons(self):
        entry = self.installed("share", "applications", "wqaudio.desktop")
        r = run("desktop-file-validate", entry)
        self.assertEqual((r.returncode, r.stdout + r.stderr), (0, ""))
        with open(entry) as f:
            text = f.read()
        self.assertIn("\nExec=wqaudio %f\n", text)
        self.assertIn("\nIcon=wqaudio\n", text)
        metainfo = self.installed("share", "metainfo", "org.wqaudio.wqaudio.metainfo.xml")
        r = run("appstreamcli", "validate", "--no-net", "--no-color", metainfo)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        with open(metainfo) as f:
            self.assertIn('<release version="0.1.0"', f.read())
        for size in (48, 128, 256):
            icon = self.installed("share", "icons", "hicolor", f"{size}x{size}", "apps", "wqaudio.png")
            with open(icon, "rb") as f:
                head = f.read(24)
            self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n", icon)
            self.assertEqual(struct.unpack(">II", head[16:24]), (size, size), icon)
        svg = os.path.join(self.usr, "share", "icons", "hicolor", "scalable", "apps", "wqaudio.svg")
        if run("pkg-config", "--exists", "cairo-svg").returncode == 0:
            with open(svg) as f:
                self.assertIn("<svg", f.read(4096))

    def test_man_pages_say_what_the_programs_help_says(self):
        for program in ("wqaudio", "wqctl"):
            page = self.installed("share", "man", "man1", f"{program}.1")
            with open(page) as f:
                text = f.read()
            self.assertRegex(text, rf'\.TH {program.upper()} "1"')
            help_text = run(self.installed("bin", program), "--help", env=program_env()).stdout
            options = set(re.findall(r"(?<![\w-])--[a-z][a-z-]+", help_text))
            self.assertGreater(len(options), 3, help_text)
            # As the page reads: help2man escapes dashes as \- and marks options bold.
            shown = re.sub(r"\\f[BIR]", "", text).replace("\\-", "-")
            for option in sorted(options):
                self.assertIn(option, shown, f"{program}.1 lacks {option}")


if __name__ == "__main__":
    BUILD, SOURCE = sys.argv[1:3]
    del sys.argv[1:3]
    unittest.main(verbosity=2)
