"""The Windows build under Wine: the end-to-end tests that apply to it, run
through the same harness as the Linux viewer's with Wine as the runner, one
picture of each beside the other, and the installer's silent install, a
start of the installed program and the silent uninstall.

    python3 tests/e2e/test_windows.py --exe build-win/qarn.exe \\
        --installer build-win/qarn-0.44-win64.exe --linux-bin build/qarn [-v] [Test.name]

All groups share one Wine prefix, made once at the start (its first start
takes most of the run's set-up time); each group has its own Xvfb display.
HOME points into the test's own folder, so Wine's shell folders (Pictures,
Documents) are made inside the prefix and the user's own are never touched.
"""

import argparse
import calendar
import hashlib
import os
import re
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

ARGS = argparse.ArgumentParser(description=__doc__.splitlines()[0])
ARGS.add_argument("--exe", default="build-win/qarn.exe")
ARGS.add_argument("--installer", default="")
ARGS.add_argument("--linux-bin", default="build/qarn")
# The portable zip and the build tree the installer was made in (an older
# installer is made there with cpack): by default beside the installer.
ARGS.add_argument("--zip", default="")
ARGS.add_argument("--win-build", default="")
OPTS, REST = ARGS.parse_known_args()

ROOT = tempfile.mkdtemp(prefix="qarn-wine-")
SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
os.environ.setdefault("QARN_MAP", os.path.join(SOURCE, "data", "Qarns.Bmp"))
# The panel tests' reference text comes from the Linux build's helper.
os.environ.setdefault("QARN_HELPERS", os.path.join(os.path.dirname(os.path.abspath(OPTS.linux_bin)),
                                                   "tests"))
with open(os.path.join(SOURCE, "tests", "wine.env")) as f:
    os.environ.update(line.strip().split("=", 1) for line in f if line[:1].isalpha())
os.environ.update(QARN_BIN=os.path.abspath(OPTS.exe), QARN_RUNNER="wine",
                  WINEPREFIX=os.path.join(ROOT, "prefix"), HOME=os.path.join(ROOT, "home"))
os.environ.pop("XDG_CONFIG_HOME", None)
os.makedirs(os.environ["HOME"])

import harness  # noqa: E402  (reads QARN_BIN and QARN_RUNNER set above)
from harness import Picture, ViewerTest  # noqa: E402
from probes import centre_probe, lat_gray, lat_of_gray, make_surface, mouse_lat  # noqa: E402
from test_dump import SIZE, DumpTest  # noqa: E402
from test_input import InputTest  # noqa: E402
from test_screens import Wide  # noqa: E402
from test_startup import IDENT, StartupTest  # noqa: E402
import textref  # noqa: E402


def wine(args, timeout=120, **kw):
    """A Wine program on no display, to its end."""
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    return subprocess.run(["wine"] + args, env=env, capture_output=True, timeout=timeout, **kw)


def make_prefix():
    """A fresh prefix; its first start (about 15 s) is paid once, here."""
    start = time.time()
    env = {k: v for k, v in os.environ.items() if k != "DISPLAY"}
    r = subprocess.run(["wineboot", "-i"], env=env, capture_output=True, timeout=300)
    if r.returncode != 0:
        raise RuntimeError("wineboot failed: %r" % r.stderr[-2000:])
    print("wine prefix made in %.1f s" % (time.time() - start), file=sys.stderr)


def end_wine():
    """Ends the prefix's own server and whatever of it still runs."""
    env = dict(os.environ)
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=60)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=60)


def end_prefix():
    """Ends the prefix's Wine, then removes the test's folder."""
    end_wine()
    shutil.rmtree(ROOT, ignore_errors=True)


# The Linux tests that hold on Windows as they are. Left out: the named pipe
# as the map and the console reader that goes away (POSIX only), the window
# manager and Wayland groups (X11 only). Left out for Wine 8 on Xvfb: the
# tests that type keys every 20 ms (zoom runs, key codes), of which Wine
# loses some on a busy machine, and the pair-mode eye labels, whose second F9
# within a second Wine drops. PairTest below steps the view modes one key at
# a time instead. The second run in one folder of the dump test is left out
# too: its first viewer's console pipe can stay open after that viewer has
# ended (held by a Wine server it started), so the harness waits for the
# pipe's end for ever; PairTest's first dump replaces a file. The pop-up
# menu runs in MenuTest below.
SHARED = {
    InputTest: ["test_auto_mode_and_drag", "test_apollo_ignores_pointer_and_clicks", "test_quit_keys"],
    DumpTest: ["test_five_dumps_then_the_program_ends", "test_dump_holds_what_the_screen_shows",
               "test_unwritable_dump_stops_with_the_io_message"],
    Wide: ["test_panel_keeps_its_shape", "test_pointer_resting_at_the_centre_at_start"],
    StartupTest: ["test_identification_line_is_the_only_line_before_the_window",
                  "test_window_title_and_full_screen_size",
                  "test_command_line_arguments_are_ignored",
                  "test_missing_image_stops_before_any_window",
                  "test_short_images_stop_with_the_io_message",
                  "test_malformed_images_name_the_file_the_fault_and_the_tool",
                  "test_a_map_longer_than_needed_loads"],
}


def under_openbox(cls):
    """The group on a display with a window manager: Wine's windows take
    keyboard input only once a manager has given them the focus."""
    return type(cls.__name__, (cls,), {"window_manager": True, "__module__": __name__})


def load_tests(loader, tests, pattern):
    suite = unittest.TestSuite()
    for cls, names in SHARED.items():
        wine_cls = under_openbox(cls)
        for name in names:
            suite.addTest(wine_cls(name))
    suite.addTest(MenuTest("test_menu_entries"))
    for cls in (PointerTest, WindowsFilesTest, PairTest, SameAsLinuxTest, InstallerTest, PackageTest,
                ResourcesTest, OwnConsoleTest, DpiTest):
        suite.addTests(loader.loadTestsFromTestCase(cls))
    return suite


X11_DRIVER = r"HKCU\Software\Wine\X11 Driver"


class MenuTest(under_openbox(InputTest)):
    """The pop-up menu of InputTest under Wine. freeglut shows its menu as
    a topmost pop-up window of its own; Wine hands that window to the window
    manager, which keeps the focused full-screen viewer above it, so the menu
    opens unseen. With Wine's windows left unmanaged (the X11 driver's
    "Managed" set to "N" while this group runs) the menu stands over the
    viewer as on Windows, and Wine still gives the viewer the keys."""
    menu_gray = 217
    menu_gaps = (14, 20)

    @classmethod
    def setUpClass(cls):
        r = wine(["reg", "add", X11_DRIVER, "/v", "Managed", "/t", "REG_SZ", "/d", "N", "/f"])
        if r.returncode != 0:
            raise RuntimeError("reg add failed: %r" % r.stderr[-2000:])
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        wine(["reg", "delete", X11_DRIVER, "/v", "Managed", "/f"])


class PointerTest(ViewerTest):
    """Mouse mode: the latitude at the screen centre follows the pointer's
    row, from the start on. Wine's own report of a pointer that rests where
    the window appears counts from where the window's client area was before
    it went full screen (about 20 px higher), and X reports no move to where
    the pointer already is: the viewer takes the pointer itself once the
    window has its full-screen size."""
    window_manager = True

    def wait_latitude(self, v, y, timeout=10.0):
        """Waits until the centre shows mouse mode's latitude for row y;
        returns what it last showed."""
        def latitude():
            kinds, g = centre_probe(harness.capture_screen(v.xvfb))
            return lat_of_gray(g) if kinds == {"near"} else None
        return harness.wait_for(latitude, lambda lat: lat is not None and abs(lat - mouse_lat(y)) < 1.0,
                                timeout, interval=0.2)

    def test_latitude_at_the_screen_centre_follows_the_pointer(self):
        # Xvfb starts with the pointer at the screen centre: never moved, it
        # is where the window appears.
        v = self.start(surface=make_surface(lat_gray))
        self.assertEqual(v.pointer(), (512, 384))
        for y in (384, 300, 460, 384):
            v.move(512, y, settle=0.0)
            lat = self.wait_latitude(v, y)
            self.assertIsNotNone(lat, "row %d: no near side at the centre" % y)
            self.assertLess(abs(lat - mouse_lat(y)), 1.0,
                            "row %d: centre latitude %.2f, expected %.2f" % (y, lat, mouse_lat(y)))


class WindowsFilesTest(ViewerTest):
    """What only the Windows file layer decides: folders and devices are
    refused by what the handle is."""
    window_manager = True

    def test_a_folder_as_the_map_stops_naming_it(self):
        v = self.start(surface=None, prepare=lambda d: os.mkdir(os.path.join(d, "Qarns.Bmp")),
                       wait_frames=False)
        self.assertEqual(v.wait_exit(30), 1)
        self.assertEqual(v.lines, [IDENT, "BmpRead: I/O error on unit 14, file Qarns.Bmp: "
                                          "not a regular file (a directory)"])


class PairTest(ViewerTest):
    """F9 steps single view, "L:R" pair, "R:L" pair, single view: in a pair
    each half of the window holds a globe of its own, with black between
    them where the single globe's centre was. The first dump replaces a
    longer file of that name (MoveFileExW over it), leaving no other."""
    window_manager = True

    def lit(self, pic, x, y):
        return sum(pic.pixel(x, y)) > 60

    def test_f9_steps_single_pair_pair_single(self):
        def planted(d):
            with open(os.path.join(d, "ScrnDmp1.Bmp"), "wb") as f:
                f.write(b"\xff" * (SIZE + 4096))
        v = self.start(prepare=planted)
        v.move(300, 300, settle=0.8)
        for n, step in enumerate(("single", "L:R", "R:L", "single"), start=1):
            pic = Picture.from_bmp(v.dump(n))
            centre, left, right = (self.lit(pic, 512, 384), self.lit(pic, 256, 384),
                                   self.lit(pic, 768, 384))
            if step == "single":
                self.assertTrue(centre, step)
            else:
                self.assertEqual((centre, left, right), (False, True, True), step)
            v.key("F9", settle=0.8)
        self.assertTrue(v.alive())
        names = sorted(os.listdir(v.dir))
        self.assertEqual(names, ["Qarns.Bmp"] + ["ScrnDmp%d.Bmp" % n for n in range(1, 5)])
        for name in names[1:]:
            self.assertEqual(os.path.getsize(os.path.join(v.dir, name)), SIZE, name)


class SameAsLinuxTest(ViewerTest):
    """The Windows viewer beside the Linux one on the same display, in the
    same state: both draw with Mesa, so the globe region is near-identical.
    The pictures are kept in QARN_WIN_PICTURES when that names a folder."""
    window_manager = True

    def picture(self, runner, binary, keys):
        saved = harness.QARN_RUNNER
        harness.QARN_RUNNER = runner
        try:
            v = self.start(command=binary)
        finally:
            harness.QARN_RUNNER = saved
        v.move(512, 384, settle=0.8)
        for k in keys:
            v.key(k, settle=0.8)
        pic = Picture.from_bmp(v.dump(1))
        v.key("q", settle=0.0)
        self.assertEqual(v.wait_exit(30), 0)
        return pic

    def test_apollo_mode_matches_the_linux_viewer(self):
        # Apollo mode: the view does not hang on the pointer. The start view
        # is kept for looking at.
        linux_bin = os.path.abspath(OPTS.linux_bin)
        keep = os.environ.get("QARN_WIN_PICTURES")
        for name, keys in (("start", []), ("apollo", ["F1"])):
            win = self.picture(["wine"], os.environ["QARN_BIN"], keys)
            lin = self.picture([], linux_bin, keys)
            if keep:
                win.save_png(os.path.join(keep, "windows-%s.png" % name))
                lin.save_png(os.path.join(keep, "linux-%s.png" % name))
            if name == "apollo":
                # The globe's square at the start size: 2 x 345 px around the
                # centre; the panel (frame counter, benchmark) lies outside it.
                box = (512 - 300, 384 - 300, 512 + 300, 384 + 300)
                near = total = 0
                for y in range(box[1], box[3]):
                    a, b = win.rows[y], lin.rows[y]
                    for x in range(3 * box[0], 3 * box[2]):
                        total += 1
                        near += abs(a[x] - b[x]) <= 8
                lit = sum(1 for y in range(box[1], box[3], 4) for x in range(box[0], box[2], 4)
                          if sum(win.pixel(x, y)) > 60)
                self.assertGreater(lit, 0.4 * (150 * 150), "%s: the globe is not drawn" % name)
                self.assertGreater(near / total, 0.995,
                                   "%s: %.4f of the globe's samples agree" % (name, near / total))


class InstallerChecks(ViewerTest):
    """What the installer tests share: a bounded wait for a condition."""

    def wait_for(self, what, cond, timeout=60.0):
        harness.wait_for(cond, timeout=timeout, what=what, interval=0.2)


class InstallerTest(InstallerChecks):
    """The installer with /S: into the user's programs folder, the working
    folder under Pictures, a Start-menu shortcut that starts the program
    there; the program runs and dumps there; /S uninstalls everything but
    the dumps."""
    window_manager = True

    def user_dir(self, *parts):
        users = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")
        names = [n for n in os.listdir(users) if n != "Public"]
        self.assertEqual(len(names), 1, names)
        return os.path.join(users, names[0], *parts)

    def uninstall_key(self):
        return wine(["reg", "query", r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\qarn"])

    def test_silent_install_start_and_silent_uninstall(self):
        if not OPTS.installer:
            self.skipTest("no --installer given")
        start = time.time()
        r = wine([os.path.abspath(OPTS.installer), "/S"], timeout=180)
        self.assertEqual(r.returncode, 0, r.stderr[-2000:])
        print("silent install: %.1f s" % (time.time() - start), file=sys.stderr)
        prog = self.user_dir("AppData", "Local", "Programs", "qarn")
        work = self.user_dir("Pictures", "qarn")
        menu = self.user_dir("AppData", "Roaming", "Microsoft", "Windows", "Start Menu", "Programs")
        for name in ("qarn.exe", "Qarns.Bmp", "Uninstall.exe", "copyright.txt"):
            self.assertTrue(os.path.isfile(os.path.join(prog, name)), name)
        with open(os.path.join(prog, "Qarns.Bmp"), "rb") as a, open(harness.QARN_MAP, "rb") as b:
            self.assertEqual(a.read(), b.read())
        self.assertEqual(os.listdir(work), ["Qarns.Bmp"])
        with open(os.path.join(menu, "qarn.lnk"), "rb") as f:
            link = f.read()
        # The shortcut names the program and, as its working folder, Pictures\qarn.
        for text in ("qarn.exe", "Pictures\\qarn"):
            self.assertTrue(text.encode("utf-16-le") in link or text.encode() in link, text)
        key = self.uninstall_key()
        self.assertEqual(key.returncode, 0)
        self.assertIn(b"QuietUninstallString", key.stdout)

        # The installed program where the shortcut starts it; one dump.
        v = self.start(command=os.path.join(prog, "qarn.exe"), workdir=work, surface=None)
        v.move(512, 384, settle=0.8)
        self.assertEqual(len(v.dump(1)), 54 + 3 * 1024 * 768)
        v.key("q", settle=0.0)
        self.assertEqual(v.wait_exit(30), 0)
        self.assertEqual(v.lines, [IDENT, " Writing: ScrnDmp1.Bmp  size:     1024 x       768", "\x07",
                                   "End of run (keyboard)."])

        # The uninstaller copies itself away and returns at once: wait for
        # its work. The dump stays, and with it the folder.
        r = wine([os.path.join(prog, "Uninstall.exe"), "/S"], timeout=120)
        self.assertEqual(r.returncode, 0)
        self.wait_for("the program folder removed", lambda: not os.path.exists(prog))
        self.wait_for("the shortcut removed", lambda: not os.path.exists(os.path.join(menu, "qarn.lnk")))
        self.wait_for("the map removed from the working folder",
                      lambda: not os.path.exists(os.path.join(work, "Qarns.Bmp")))
        self.assertEqual(os.listdir(work), ["ScrnDmp1.Bmp"])
        self.wait_for("the uninstall entry removed", lambda: self.uninstall_key().returncode != 0)


RELEASE = harness.RELEASE
# The release as Windows' version resources give it: four numbers.
RELEASE4 = tuple(int(n) for n in RELEASE.split(".")) + (0,) * (4 - len(RELEASE.split(".")))
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\qarn"
# The installer's windows' title, its message boxes' too.
SETUP = "^qarn .* Setup"


def files_under(*dirs):
    """Every file under the folders, by path: size, last-write time, SHA-256."""
    out = {}
    for top in dirs:
        for name in harness.tree_files(top):
            path = os.path.join(top, name)
            with open(path, "rb") as f:
                out[path] = (os.path.getsize(path), os.stat(path).st_mtime_ns,
                             hashlib.sha256(f.read()).hexdigest())
    return out


def version_resource(pe):
    """The version resource of a PE file, through wrestool: the fixed part's
    file and product versions (four numbers each) and the strings."""
    raw = subprocess.run(["wrestool", "-x", "--raw", "--type=16", pe], capture_output=True,
                         check=True, timeout=60).stdout
    found = {"strings": {}}

    def walk(off, end, depth):
        # Each node: length, value length, type, a UTF-16 key, its value and
        # its children, each part aligned to 4 bytes.
        while off + 6 <= end:
            length, vlen, kind = struct.unpack_from("<HHH", raw, off)
            if length == 0:
                return
            key_end = off + 6
            while raw[key_end:key_end + 2] != b"\0\0":
                key_end += 2
            key = raw[off + 6:key_end].decode("utf-16-le")
            value = (key_end + 2 + 3) & ~3
            size = vlen * 2 if kind == 1 else vlen
            data = raw[value:value + size]
            if depth == 0:
                ms, ls, pms, pls = struct.unpack_from("<4I", data, 8)
                found["file"] = (ms >> 16, ms & 0xffff, ls >> 16, ls & 0xffff)
                found["product"] = (pms >> 16, pms & 0xffff, pls >> 16, pls & 0xffff)
            elif depth == 3:
                found["strings"][key] = data.decode("utf-16-le").rstrip("\0")
            walk((value + size + 3) & ~3, off + length, depth + 1)
            off = (off + length + 3) & ~3

    walk(0, len(raw), 0)
    return found


# The DLLs qarn.exe imports that are not among those Windows always takes
# from the system folder.
PLANTED = ("OPENGL32.dll", "GLU32.dll", "WINMM.dll")


def end_viewer(pid):
    """Ends, by its id, a qarn.exe this test caused to start but did not
    start itself (the installer's finish page did), if it still runs."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            if b"qarn.exe" in f.read():
                os.kill(pid, signal.SIGKILL)
    except (OSError, ProcessLookupError):
        pass


class PackageTest(InstallerChecks):
    """The installer against what the user keeps: the working folder's map
    goes on uninstall only while it is the installer's copy, a running qarn
    stops an install or uninstall before anything changes (exit status 2),
    so does a folder that is the working folder or holds the user's files
    (status 3), an upgrade removes what only the older version installed
    (plain names of its own folder's list) and keeps the user's map, an
    install into another folder moves the earlier installation there (one
    that recorded no list stays, and a box says so); the finish page's box
    starts qarn in the working folder.
    Also the installer's version resource and manifest, and the portable
    zip: its files, its bytes made again from them, a start of qarn.exe
    unpacked from it. Every install test begins with nothing installed."""
    window_manager = True

    def setUp(self):
        super().setUp()
        if not OPTS.installer:
            self.skipTest("no --installer given")
        users = os.path.join(os.environ["WINEPREFIX"], "drive_c", "users")
        names = [n for n in os.listdir(users) if n != "Public"]
        self.assertEqual(len(names), 1, names)
        self.home = home = os.path.join(users, names[0])
        self.prog = os.path.join(home, "AppData", "Local", "Programs", "qarn")
        self.work = os.path.join(home, "Pictures", "qarn")
        self.link = os.path.join(home, "AppData", "Roaming", "Microsoft", "Windows", "Start Menu",
                                 "Programs", "qarn.lnk")
        self.map = os.path.join(self.work, "Qarns.Bmp")
        self.nothing_installed()

    def tearDown(self):
        super().tearDown()
        self.nothing_installed()

    def nothing_installed(self):
        for d in (self.prog, self.work):
            shutil.rmtree(d, ignore_errors=True)
        if os.path.exists(self.link):
            os.remove(self.link)
        wine(["reg", "delete", UNINSTALL_KEY, "/f"])

    def key(self):
        r = wine(["reg", "query", UNINSTALL_KEY])
        return r.stdout.decode("latin-1") if r.returncode == 0 else None

    def value(self, name):
        m = re.search(r"^\s*%s\s+REG_\w+\s+(.*?)\s*$" % name, self.key() or "", re.M)
        return m and m.group(1)

    def windows_path(self, path):
        """A path under the prefix's drive C as Windows programs name it."""
        rel = os.path.relpath(path, os.path.join(os.environ["WINEPREFIX"], "drive_c"))
        return "C:\\" + rel.replace("/", "\\")

    def install(self, installer=None, status=0, folder=None):
        """A silent install, into folder (a Windows path) when given."""
        args = [os.path.abspath(installer or OPTS.installer), "/S"] + (["/D=" + folder] if folder else [])
        r = wine(args, timeout=180)
        self.assertEqual(r.returncode, status, (folder, r.stderr[-2000:]))

    def uninstall_in_place(self, status=0, prog=None):
        """The quiet uninstall string's way: Uninstall.exe run in place
        (_?=), which returns when it has ended, with its exit status."""
        r = wine([os.path.join(prog or self.prog, "Uninstall.exe"), "/S",
                  "_?=" + self.value("InstallLocation")], timeout=120)
        self.assertEqual(r.returncode, status, r.stderr[-2000:])

    def set_value(self, name, data):
        r = wine(["reg", "add", UNINSTALL_KEY, "/v", name, "/d", data, "/f"])
        self.assertEqual(r.returncode, 0, r.stderr[-2000:])

    def users_folder(self):
        """A folder of the user's own in Documents, removed at the end. (In
        the test's prefix Documents and Pictures are both its home folder.)"""
        docs = os.path.join(self.home, "Documents", "thesis")
        self.addCleanup(shutil.rmtree, docs, True)
        return docs

    def user_files(self, folder, names):
        """Files of the user's own in folder, each holding its name."""
        for name in names:
            path = os.path.join(folder, *name.split("\\"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write("the user's own %s\n" % name)

    def uninstaller_copies(self):
        """Processes of this prefix started from the uninstaller's copies
        (~nsu*.tmp folders in the temporary folder)."""
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    cmd = f.read().replace(b"\0", b" ").decode("latin-1")
                with open("/proc/%s/environ" % pid, "rb") as f:
                    env = f.read().split(b"\0")
            except OSError:
                continue
            if "~nsu" in cmd and ("WINEPREFIX=" + os.environ["WINEPREFIX"]).encode() in env:
                found.append(cmd)
        return found

    def own_map(self):
        """A map of the user's own in the working folder: other pixels, a
        later time; every map has the same size."""
        with open(harness.QARN_MAP, "rb") as f:
            data = bytearray(f.read())
        data[-4096:] = bytes(4096)
        with open(self.map, "wb") as f:
            f.write(data)
        return bytes(data)

    def read(self, path):
        with open(path, "rb") as f:
            return f.read()

    def test_uninstall_keeps_a_changed_map_and_removes_an_unchanged_one(self):
        self.install()
        mine = self.own_map()
        # In place, the uninstaller returns once its work is done: all but its
        # own file is gone then, and that goes when it has ended.
        self.uninstall_in_place()
        self.assertIsNone(self.key())
        self.assertFalse(os.path.exists(self.link))
        self.assertLessEqual(set(os.listdir(self.prog)) if os.path.isdir(self.prog) else set(),
                             {"Uninstall.exe"})
        self.wait_for("the program folder removed", lambda: not os.path.exists(self.prog), 30)
        self.assertEqual(os.listdir(self.work), ["Qarns.Bmp"])
        self.assertEqual(self.read(self.map), mine)

        # Installed again over it: the user's map stays, and stays on uninstall.
        self.install()
        self.assertEqual(self.read(self.map), mine)
        self.uninstall_in_place()
        self.assertEqual(self.read(self.map), mine)

        # Without it: the installer's copy, removed with the folder.
        os.remove(self.map)
        self.install()
        self.assertEqual(self.read(self.map), self.read(harness.QARN_MAP))
        r = wine([os.path.join(self.prog, "Uninstall.exe"), "/S"], timeout=120)
        self.assertEqual(r.returncode, 0)
        self.wait_for("the working folder removed", lambda: not os.path.exists(self.work))
        self.wait_for("the program folder removed", lambda: not os.path.exists(self.prog))

    def test_install_and_uninstall_refused_while_qarn_runs(self):
        self.install()
        before, key = files_under(self.prog, self.work), self.key()
        v = self.start(command=os.path.join(self.prog, "qarn.exe"), workdir=self.work, surface=None)
        self.install(status=2)
        self.uninstall_in_place(status=2)
        # The usual way returns 0 once its copy in the temporary folder has
        # started (NSIS's doing); the copy changes nothing either.
        r = wine([os.path.join(self.prog, "Uninstall.exe"), "/S"], timeout=120)
        self.assertEqual(r.returncode, 0)
        self.wait_for("the uninstaller's copy ended", lambda: not self.uninstaller_copies(), 60)
        self.assertTrue(v.alive())
        self.assertEqual(files_under(self.prog, self.work), before)
        self.assertEqual(self.key(), key)
        self.assertTrue(os.path.exists(self.link))
        v.key("q", settle=0.0)
        self.assertEqual(v.wait_exit(30), 0)
        # Closed, both go ahead.
        self.install()
        self.uninstall_in_place()
        self.assertIsNone(self.key())

    def older_installer(self, folder):
        """A 0.1 installer made with this one's script from the same build
        tree, which also installs old-only.txt."""
        build = os.path.abspath(OPTS.win_build or os.path.dirname(OPTS.installer))
        extra = os.path.join(folder, "extra")
        os.makedirs(extra)
        with open(os.path.join(extra, "old-only.txt"), "w") as f:
            f.write("installed by 0.1 alone\n")
        r = subprocess.run(
            ["cpack", "-G", "NSIS", "--config", os.path.join(build, "CPackConfig.cmake"),
             "-B", os.path.join(folder, "out"), "-D", "CPACK_PACKAGE_VERSION=0.1",
             "-D", "CPACK_PACKAGE_FILE_NAME=qarn-0.1-win64", "-D", "CPACK_NSIS_DISPLAY_NAME=qarn 0.1",
             "-D", "CPACK_INSTALLED_DIRECTORIES=%s;." % extra],
            cwd=build, capture_output=True, timeout=300)
        self.assertEqual(r.returncode, 0, r.stdout[-2000:] + r.stderr[-2000:])
        return os.path.join(folder, "out", "qarn-0.1-win64.exe")

    def test_upgrade_removes_old_only_files_and_keeps_the_users_map(self):
        folder = tempfile.mkdtemp(prefix="qarn-older-", dir=ROOT)
        self.install(self.older_installer(folder))
        self.assertEqual(self.value("DisplayVersion"), "0.1")
        self.assertTrue(os.path.isfile(os.path.join(self.prog, "old-only.txt")))
        mine = self.own_map()
        self.install()
        self.assertEqual(sorted(os.listdir(self.prog)),
                         ["Qarns.Bmp", "Uninstall.exe", "copyright.txt", "freeglut-copying.txt",
                          "qarn.exe"])
        self.assertEqual(self.value("DisplayVersion"), RELEASE)
        self.assertNotIn("old-only", self.value("InstalledFiles"))
        self.assertEqual(self.read(self.map), mine)
        size = int(self.value("EstimatedSize"), 16)
        total = sum(os.path.getsize(os.path.join(self.prog, n)) for n in os.listdir(self.prog))
        self.assertLess(abs(size - total / 1024), 8, (size, total))
        self.uninstall_in_place()
        self.assertEqual(self.read(self.map), mine)

    def test_the_working_folder_and_the_users_folders_are_refused(self):
        # An earlier installation in the programs folder, whose list names
        # the files of a folder of the user's by their names and wildcards.
        self.install()
        mine = self.own_map()
        docs = self.users_folder()
        self.user_files(docs, ["copyright.txt", "notes.txt", "thesis.doc", "sub\\a.txt"])
        self.set_value("InstalledFiles", "qarn.exe|notes.txt|*.doc|sub\\*")
        before, key = files_under(self.prog, self.work, docs), self.key()
        work = self.windows_path(self.work)
        # The working folder named four ways, a folder within it and one
        # around it, and the folder of the user's files.
        for folder in (work, work + "\\", work.upper(), self.windows_path(docs) + "\\..\\..\\Pictures\\qarn",
                       work + "\\bin", self.windows_path(self.home), self.windows_path(docs)):
            self.install(folder=folder, status=3)
            self.assertEqual(files_under(self.prog, self.work, docs), before, folder)
            self.assertEqual(self.key(), key, folder)
        self.assertEqual(self.read(self.map), mine)
        self.uninstall_in_place()

    def test_a_recorded_list_deletes_plain_names_in_its_own_folder_only(self):
        self.install()
        docs = self.users_folder()
        outside = os.path.join(os.path.dirname(self.prog), "outside.txt")
        self.addCleanup(lambda: os.path.exists(outside) and os.remove(outside))
        self.user_files(self.prog, ["old-only.txt", "thesis.doc", "sub\\a.txt"])
        self.user_files(docs, ["keep.txt"])
        self.user_files(os.path.dirname(self.prog), ["outside.txt"])
        # What an earlier version recorded, doctored: wildcards, paths.
        self.set_value("InstalledFiles", "qarn.exe|old-only.txt|*.doc|th?sis.doc|sub\\*|sub\\a.txt|"
                       "..\\outside.txt|sub/a.txt|%s|.|..|Qarns.Bmp" % self.windows_path(
                           os.path.join(docs, "keep.txt")))
        kept = files_under(docs, os.path.join(self.prog, "sub"))
        self.install()
        self.assertFalse(os.path.exists(os.path.join(self.prog, "old-only.txt")))
        self.assertTrue(os.path.isfile(os.path.join(self.prog, "thesis.doc")))
        self.assertTrue(os.path.isfile(outside))
        self.maxDiff = None
        self.assertEqual(files_under(docs, os.path.join(self.prog, "sub")), kept)
        self.assertNotIn("old-only", self.value("InstalledFiles"))
        self.uninstall_in_place()
        # The user's files keep the program folder.
        self.wait_for("the uninstaller gone", lambda: sorted(os.listdir(self.prog)) == ["sub", "thesis.doc"],
                      30)

    def test_an_install_into_another_folder_moves_the_earlier_one(self):
        self.install()
        self.user_files(self.prog, ["mine.txt"])
        second = os.path.join(self.home, "Apps", "qarn")
        self.addCleanup(shutil.rmtree, os.path.dirname(second), True)
        self.install(folder=self.windows_path(second))
        installed = ["Qarns.Bmp", "Uninstall.exe", "copyright.txt", "freeglut-copying.txt", "qarn.exe"]
        self.assertEqual(os.listdir(self.prog), ["mine.txt"])
        self.assertEqual(sorted(os.listdir(second)), installed)
        self.assertEqual(self.value("InstallLocation").lower(), self.windows_path(second).lower())
        target = "Apps\\qarn\\qarn.exe"
        link = self.read(self.link)
        self.assertTrue(target.encode("utf-16-le") in link or target.encode() in link)
        # A folder left by an earlier installation whose record is gone (no
        # uninstall key) is still one: installed into again.
        wine(["reg", "delete", UNINSTALL_KEY, "/f"])
        self.install(folder=self.windows_path(second))
        self.assertEqual(sorted(os.listdir(second)), installed)
        self.uninstall_in_place(prog=second)
        self.wait_for("the second folder removed", lambda: not os.path.exists(second), 30)
        self.assertEqual(os.listdir(self.prog), ["mine.txt"])
        # An installation that recorded no list (made before lists were) stays
        # where it is: which of its files are qarn's is not known.
        third = os.path.join(self.home, "Apps", "qarn-old")
        self.install(folder=self.windows_path(third))
        wine(["reg", "delete", UNINSTALL_KEY, "/v", "InstalledFiles", "/f"])
        self.install(folder=self.windows_path(second))
        self.assertEqual(sorted(os.listdir(third)), installed)
        self.uninstall_in_place(prog=second)

    def xdo(self, *args):
        """xdotool on the group's display; its output's words."""
        return subprocess.run(["xdotool"] + list(args), env=self.xvfb.env(), capture_output=True, text=True,
                              timeout=15).stdout.split()

    def test_an_interactive_install_into_the_working_folder_says_why_and_stays(self):
        os.makedirs(self.work)
        mine = self.own_map()
        # Wine's trace of each message box holds its text.
        trace = os.path.join(tempfile.mkdtemp(prefix="qarn-box-", dir=ROOT), "msgbox.txt")
        folder = "/D=" + self.windows_path(self.work)
        with open(trace, "wb") as err:
            setup = subprocess.Popen(["wine", os.path.abspath(OPTS.installer), folder],
                                     env=dict(self.xvfb.env(), WINEDEBUG="+msgbox"),
                                     stdout=subprocess.DEVNULL, stderr=err)

        def windows():
            return self.xdo("search", "--onlyvisible", "--name", SETUP)

        try:
            self.wait_for("the installer's window", windows, 60)
            page = windows()[0]
            # Install on the folder page: a box says why not.
            self.xdo("windowactivate", "--sync", page)
            self.xdo("key", "Return")
            self.wait_for("the box saying why", lambda: b"is qarn's working folder" in self.read(trace), 30)
            self.wait_for("the box's window", lambda: len(windows()) == 2, 30)
            box = [w for w in windows() if w != page][0]
            # Its OK closes it; the folder page stays, the installer runs on.
            self.xdo("windowactivate", "--sync", box)
            self.xdo("key", "Return")
            self.wait_for("the box closed", lambda: windows() == [page], 30)
            self.assertIsNone(setup.poll())
            self.xdo("windowactivate", "--sync", page)
            self.xdo("key", "Escape")
            self.assertNotEqual(setup.wait(30), 0)
        finally:
            harness.end_process(setup)
        self.assertFalse(os.path.exists(self.prog))
        self.assertFalse(os.path.exists(self.link))
        self.assertIsNone(self.key())
        self.assertEqual(os.listdir(self.work), ["Qarns.Bmp"])
        self.assertEqual(self.read(self.map), mine)

    def test_the_finish_pages_box_starts_qarn_in_the_working_folder(self):
        # An earlier installation in another folder, one that recorded no
        # list of its files: it stays, and the install says so in a box.
        older = os.path.join(self.home, "Apps", "qarn-old")
        self.addCleanup(shutil.rmtree, os.path.dirname(older), True)
        self.install(folder=self.windows_path(older))
        wine(["reg", "delete", UNINSTALL_KEY, "/v", "InstalledFiles", "/f"])
        kept = files_under(older)
        # An interactive install into the usual folder: Return takes the
        # default button, Install on the folder page, OK in the box, Finish
        # (with "Run qarn" ticked) on the last page. Wine's trace of each
        # message box holds its text.
        env = self.xvfb.env()
        xdo = self.xdo
        trace = os.path.join(tempfile.mkdtemp(prefix="qarn-box-", dir=ROOT), "msgbox.txt")
        folder = "/D=" + self.windows_path(self.prog)
        with open(trace, "wb") as err:
            setup = subprocess.Popen(["wine", os.path.abspath(OPTS.installer), folder],
                                     env=dict(env, WINEDEBUG="+msgbox"), stdout=subprocess.DEVNULL,
                                     stderr=err)
        try:
            self.wait_for("the installer's window", lambda: xdo("search", "--onlyvisible", "--name",
                                                                SETUP), 60)
            deadline = time.time() + 120
            while setup.poll() is None and time.time() < deadline:
                # The newest window: a box stands over the page.
                wins = xdo("search", "--onlyvisible", "--name", SETUP)
                if wins:
                    xdo("windowactivate", "--sync", wins[-1])
                    xdo("key", "Return")
                time.sleep(1.0)
            self.assertEqual(setup.wait(30), 0)
        finally:
            harness.end_process(setup)
        self.wait_for("the viewer's window", lambda: xdo("search", "--onlyvisible", "--name", "Palwin"),
                      60)
        viewer = xdo("search", "--onlyvisible", "--name", "Palwin")[0]
        # The viewer the installer started, ended by its id should the test fail.
        pid = int(xdo("getwindowpid", viewer)[0])
        self.addCleanup(end_viewer, pid)
        # A key goes to the focused window: the viewer's, once the window
        # manager has moved the focus from the closing installer.
        self.wait_for("the viewer focused", lambda: xdo("windowactivate", "--sync", viewer) == [] and
                      xdo("getactivewindow") == [viewer], 30)
        time.sleep(0.8)  # its first frames, as the harness waits
        dump = os.path.join(self.work, "ScrnDmp1.Bmp")
        xdo("key", "asciitilde")
        self.wait_for("a dump in the working folder",
                      lambda: os.path.exists(dump) and os.path.getsize(dump) == SIZE, 30)
        xdo("key", "q")
        self.wait_for("the viewer ended", lambda: not xdo("search", "--name", "Palwin"), 30)
        self.uninstall_in_place()
        self.assertTrue(b"qarn-old stays where it is" in self.read(trace), "no box said so")
        self.assertEqual(files_under(older), kept)

    def test_installer_version_resource_and_manifest(self):
        release = RELEASE
        with open(os.path.join(SOURCE, "packaging", "copyright")) as f:
            holder = re.search(r"^Copyright: (.+)$", f.read(), re.M).group(1)
        info = version_resource(OPTS.installer)
        self.assertEqual(info["file"], RELEASE4)
        self.assertEqual(info["product"], RELEASE4)
        strings = info["strings"]
        self.assertEqual(strings.get("ProductName"), "qarn")
        self.assertEqual(strings.get("FileVersion"), release)
        self.assertEqual(strings.get("ProductVersion"), release)
        self.assertEqual(strings.get("OriginalFilename"), os.path.basename(OPTS.installer))
        self.assertIn(holder, strings.get("LegalCopyright", ""))
        self.assertTrue(strings.get("FileDescription"))
        manifest = subprocess.run(["wrestool", "-x", "--raw", "--type=24", OPTS.installer],
                                  capture_output=True, check=True, timeout=60).stdout.decode()
        self.assertRegex(manifest, r"<dpiAware[^>]*>true</dpiAware>")
        # Windows 10 and 11's id among the supported systems.
        self.assertIn("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", manifest)

    def test_zip_files_bytes_and_a_start_from_it(self):
        zpath = OPTS.zip or os.path.splitext(OPTS.installer)[0] + ".zip"
        top = os.path.basename(os.path.splitext(zpath)[0]) + "/"
        with zipfile.ZipFile(zpath) as z:
            names = z.namelist()
            self.assertEqual(sorted(names), [top + n for n in (
                "", "Qarns.Bmp", "README.txt", "copyright.txt", "freeglut-copying.txt", "qarn.exe")])
            readme = z.read(top + "README.txt")
            self.assertEqual(z.read(top + "Qarns.Bmp"), self.read(harness.QARN_MAP))
            self.assertEqual(z.read(top + "copyright.txt"),
                             self.read(os.path.join(SOURCE, "packaging", "copyright")))
            epoch = calendar.timegm(z.getinfo(top + "qarn.exe").date_time + (0, 0, 0))
            unpacked = tempfile.mkdtemp(prefix="qarn-zip-", dir=ROOT)
            z.extractall(unpacked)
        # README.txt in CRLF lines, saying to unpack first.
        self.assertNotIn(b"\n", readme.replace(b"\r\n", b""))
        self.assertIn(b"Extract All", readme)
        # SHA256SUMS beside it names both packages.
        with open(os.path.join(os.path.dirname(zpath), "SHA256SUMS")) as f:
            sums = dict(reversed(line.split()) for line in f)
        for path in (zpath, OPTS.installer):
            self.assertEqual(sums.get(os.path.basename(path)),
                             hashlib.sha256(self.read(path)).hexdigest(), path)

        # The same files, with other times and written in another order,
        # give the same bytes.
        stage = os.path.join(ROOT, "zip-stage")
        for name in sorted(os.listdir(os.path.join(unpacked, top)), reverse=True):
            if name != "README.txt":
                os.makedirs(stage, exist_ok=True)
                shutil.copyfile(os.path.join(unpacked, top, name), os.path.join(stage, name))
                os.utime(os.path.join(stage, name), (12345, 12345 + len(name)))
        again = os.path.join(ROOT, "again.zip")
        subprocess.run([sys.executable, os.path.join(SOURCE, "packaging", "windows", "make-zip.py"),
                        "--stage", stage, "--readme",
                        os.path.join(SOURCE, "packaging", "windows", "README.txt"),
                        "--version", top[len("qarn-"):-len("-win64/")], "--epoch", str(epoch),
                        "--out", again], check=True, timeout=60)
        self.assertEqual(self.read(again), self.read(zpath))

        # qarn.exe started in the unpacked folder reads the map and dumps
        # there. Beside it, as a download can leave them, DLLs named as those
        # it takes from the system folder, which mark their loading: Windows
        # looks beside the program first for these names, and so does Wine
        # when told to prefer files to its own copies.
        folder = os.path.join(unpacked, top)
        planted = os.path.join(os.path.dirname(os.path.abspath(OPTS.exe)), "tests", "planted.dll")
        for name in PLANTED:
            shutil.copyfile(planted, os.path.join(folder, name))
        prefer = os.environ["WINEDLLOVERRIDES"] + ";" + ",".join(n[:-4].lower() for n in PLANTED) + "=n,b"
        v = self.start(command=os.path.join(folder, "qarn.exe"), workdir=folder, surface=None,
                       env={"WINEDLLOVERRIDES": prefer})
        v.move(512, 384, settle=0.8)
        self.assertEqual(len(v.dump(1)), SIZE)
        v.key("q", settle=0.0)
        self.assertEqual(v.wait_exit(30), 0)
        self.assertEqual(v.lines[0], IDENT)
        self.assertEqual([n for n in os.listdir(folder) if n.endswith(".loaded")], [])


# ---- qarn.exe at home on Windows: its resources, the desktop's DPI, the stop
# messages of a console of its own, no X11 DISPLAY read by GLUT. ----------------

def pe_resources(exe):
    """(type, name) of every resource of a PE file, as wrestool lists them."""
    r = subprocess.run(["wrestool", "-l", exe], capture_output=True, text=True, timeout=60)
    if r.returncode != 0:
        raise AssertionError("wrestool -l failed: %s" % r.stderr)
    return re.findall(r"--type=(\S+) --name=(\S+)", r.stdout)


def pe_resource(exe, rtype, name):
    """The raw bytes of one resource."""
    r = subprocess.run(["wrestool", "-x", "--raw", "--type=%s" % rtype, "--name=%s" % name, exe],
                       capture_output=True, timeout=60)
    if r.returncode != 0 or not r.stdout:
        raise AssertionError("no resource type %s name %s: %r" % (rtype, name, r.stderr))
    return r.stdout


class ResourcesTest(unittest.TestCase):
    """What Windows and Explorer read from qarn.exe itself: one application
    manifest, declaring per-monitor DPI awareness and the Windows versions
    qarn supports, and the version resource of File > Properties."""

    exe = os.path.abspath(OPTS.exe)

    def test_one_manifest_declaring_dpi_awareness_and_supported_windows(self):
        manifests = [n for t, n in pe_resources(self.exe) if t in ("24", "manifest")]
        # Resource 1 is what Windows reads at process start; a second one
        # (a default manifest linked beside it) would go unread or conflict.
        self.assertEqual(manifests, ["1"])
        xml = pe_resource(self.exe, 24, 1).decode("utf-8")
        aware = re.search(r"<dpiAwareness[^>]*>([^<]*)</dpiAwareness>", xml)
        self.assertIsNotNone(aware, xml)
        self.assertEqual(aware.group(1).replace(" ", "").split(",")[0], "PerMonitorV2")
        self.assertRegex(xml, r"<dpiAware[^>]*>\s*true/pm\s*</dpiAware>")
        supported = set(re.findall(r'<supportedOS Id="\{([0-9a-f-]+)\}"', xml))
        self.assertIn("8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a", supported)  # Windows 10 and 11
        self.assertIn('level="asInvoker"', xml)

    def test_version_resource_names_the_release(self):
        versions = [n for t, n in pe_resources(self.exe) if t in ("16", "version")]
        self.assertEqual(versions, ["1"])
        info = version_resource(self.exe)
        self.assertEqual(info["file"], RELEASE4)
        self.assertEqual(info["product"], RELEASE4)
        values = info["strings"]
        self.assertEqual(values.get("FileVersion"), "%d.%d.%d.%d" % RELEASE4, values)
        self.assertEqual(values.get("ProductVersion"), "%d.%d.%d.%d" % RELEASE4, values)
        self.assertEqual(values.get("ProductName"), "qarn")
        self.assertEqual(values.get("OriginalFilename"), "qarn.exe")
        self.assertTrue(values.get("FileDescription"), values)
        with open(os.path.join(SOURCE, "packaging", "copyright")) as f:
            holder = re.search(r"^Copyright: *(.+)$", f.read(), re.M).group(1)
        self.assertEqual(values.get("LegalCopyright"), "Copyright " + holder)


def console_text(raw):
    """What a console under script(1) shows, with Wine's cursor and erase
    sequences taken out and blanks dropped (Wine draws a run of blanks as a
    cursor move)."""
    text = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", raw).decode("latin-1")
    return "".join(text.split())


class OwnConsoleTest(ViewerTest):
    """qarn.exe started as the Start menu starts it, with a console of its
    own: script(1) gives Wine a terminal, and Wine then gives the program a
    console that lists only it. A failing stop then shows its line in a box
    titled "qarn" as well, and the process ends when the box is closed. In
    cmd's console, with output redirected or through pipes (the harness),
    nothing changes."""
    window_manager = True

    def run_in_terminal(self, command, workdir):
        """`command` (a shell line) under script(1) in workdir; its terminal's
        output goes to a file, read by console()."""
        out = open(os.path.join(workdir, "..", os.path.basename(workdir) + ".out"), "wb")
        self.addCleanup(out.close)
        p = subprocess.Popen(["script", "-qec", command, "/dev/null"], cwd=workdir,
                             env=self.xvfb.env(), stdin=subprocess.DEVNULL, stdout=out,
                             stderr=subprocess.STDOUT)
        self.addCleanup(harness.end_process, p)
        p.out_path = out.name
        return p

    def console(self, p):
        with open(p.out_path, "rb") as f:
            return console_text(f.read())

    def workdir(self, prepare):
        d = tempfile.mkdtemp(prefix="qarn-e2e-console-", dir=ROOT)
        prepare(d)
        return d

    def windows(self, name, visible=False):
        args = ["search"] + (["--onlyvisible"] if visible else []) + ["--name", name]
        r = subprocess.run(["xdotool"] + args, env=self.xvfb.env(), capture_output=True, text=True,
                           timeout=15)
        return r.stdout.split()

    def wait_box(self, p, timeout=60.0):
        """The box's window once it is shown; None if the process ends first."""
        found = harness.wait_for(lambda: self.windows("^qarn$", visible=True) or p.poll() is not None,
                                 timeout=timeout, interval=0.2)
        return found[0] if isinstance(found, list) else None

    def close_box(self, p, box, timeout=30.0):
        """Return on the box's button, the box activated first (Wine takes
        keys once the window manager has focused it); the process's status."""
        def press_return():
            subprocess.run(["xdotool", "windowactivate", "--sync", box], env=self.xvfb.env(),
                           capture_output=True, timeout=15)
            subprocess.run(["xdotool", "key", "Return"], env=self.xvfb.env(), capture_output=True,
                           timeout=15)
            try:
                return p.wait(3), True
            except subprocess.TimeoutExpired:
                return None, False
        return harness.wait_for(press_return, lambda got: got[1], timeout, "the box closed", 0)[0]

    def test_a_missing_map_is_shown_in_a_box_on_a_console_of_its_own(self):
        exe = shlex.quote(os.environ["QARN_BIN"])
        d = self.workdir(lambda d: None)
        p = self.run_in_terminal("wine " + exe, d)
        box = self.wait_box(p)
        self.assertIsNotNone(box, "no box; console: %r" % self.console(p))
        self.assertIsNone(p.poll(), "the process ended while the box stands")
        self.assertEqual(self.close_box(p, box), 1)
        want = "BmpRead: I/O error on unit 14, file Qarns.Bmp: cannot open for reading"
        self.assertIn("".join(want.split()), self.console(p))

        # cmd's console lists cmd too: the line stays on it, no box.
        p = self.run_in_terminal("wine cmd /c " + exe, self.workdir(lambda d: None))
        deadline = time.time() + 60
        while p.poll() is None and time.time() < deadline:
            self.assertEqual(self.windows("^qarn$"), [], "a box in a shared console")
            time.sleep(0.2)
        self.assertEqual(p.wait(5), 1)
        self.assertIn("".join(want.split()), self.console(p))

    def test_a_stop_in_the_viewer_hides_it_while_the_box_stands(self):
        def prepare(d):
            shutil.copyfile(harness.QARN_MAP, os.path.join(d, "Qarns.Bmp"))
            os.mkdir(os.path.join(d, "ScrnDmp1.Bmp"))
        p = self.run_in_terminal("wine " + shlex.quote(os.environ["QARN_BIN"]), self.workdir(prepare))
        deadline = time.time() + 60
        while not self.windows("^Palwin", visible=True):
            self.assertIsNone(p.poll(), "ended early: %r" % self.console(p))
            self.assertLess(time.time(), deadline, "no viewer window")
            time.sleep(0.2)
        # The first '~' the viewer takes fails on the folder in the dump's place.
        box = None
        while box is None and time.time() < deadline:
            subprocess.run(["xdotool", "key", "asciitilde"], env=self.xvfb.env(), timeout=15)
            box = self.wait_box(p, timeout=3.0)
        self.assertIsNotNone(box, "no box; console: %r" % self.console(p))
        self.assertEqual(self.windows("^Palwin", visible=True), [], "the viewer still shown")
        # 'q' (status 0) and '~' go to the box, not to the viewer.
        subprocess.run(["xdotool", "key", "q", "asciitilde"], env=self.xvfb.env(), timeout=15)
        end = time.time() + 2.0
        while time.time() < end:
            self.assertIsNone(p.poll(), "a key reached the viewer under the box")
            time.sleep(0.1)
        self.assertEqual(self.windows("^qarn$", visible=True), [box])
        self.assertEqual(self.close_box(p, box), 1)
        self.assertIn("GLScrSup:ScrnDmp:I/Oerroronunit20,fileScrnDmp1.Bmp:notaregularfile(adirectory)",
                      self.console(p))

    def test_a_minimised_start_comes_up_full_screen(self):
        # As the Start-menu entry starts it: STARTF_USESHOWWINDOW with a
        # minimised show mode, which Windows hands to the first ShowWindow.
        # start runs a program by its Windows name in the current folder.
        def prepare(d):
            shutil.copyfile(harness.QARN_MAP, os.path.join(d, "Qarns.Bmp"))
            shutil.copyfile(os.environ["QARN_BIN"], os.path.join(d, "qarn.exe"))
        p = subprocess.Popen(["wine", "start", "/min", "/wait", "qarn.exe"], cwd=self.workdir(prepare),
                             env=self.xvfb.env(), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
        self.addCleanup(harness.end_process, p)
        deadline = time.time() + 60
        size = None
        while size != self.screen and time.time() < deadline:
            self.assertIsNone(p.poll(), "ended early")
            found = self.windows("^Palwin", visible=True)
            if found:
                out = subprocess.run(["xdotool", "getwindowgeometry", found[0]], env=self.xvfb.env(),
                                     capture_output=True, text=True, timeout=15).stdout
                m = re.search(r"Geometry: (\d+)x(\d+)", out)
                size = (int(m.group(1)), int(m.group(2))) if m else None
            time.sleep(0.2)
        self.assertEqual(size, self.screen)
        subprocess.run(["xdotool", "key", "q"], env=self.xvfb.env(), timeout=15)
        self.assertEqual(p.wait(30), 0)

    def test_glut_reads_no_display(self):
        # Under Wine DISPLAY is always set; freeglut took it for a display
        # device's name and warned on every start.
        v = self.start()
        v.key("q", settle=0.0)
        self.assertEqual(v.wait_exit(30), 0)
        v._errreader.join(5)
        self.assertNotIn(b"freeglut", v.stderr)
        self.assertNotIn(b"-display", v.stderr)


DESKTOP = r"HKCU\Control Panel\Desktop"


class DpiTest(ViewerTest):
    """The desktop's scaling, as Wine sets it: LogPixels 192 is 200 %. The
    window covers the screen's real pixels and the dump has them; the panel's
    text is as large as the desktop's own, within what the window holds: on
    this 2048 x 1536 screen twice the font at 200 %, the font's own size at
    100 %, where the window alone would make it twice."""
    window_manager = True
    screen = (2048, 1536)

    @classmethod
    def setUpClass(cls):
        # Wine's desktop process, kept by a server that an earlier group's
        # programs kept alive, still reports that group's smaller screen as
        # the monitor: this group's programs start a Wine of their own.
        end_wine()
        super().setUpClass()

    def set_dpi(self, dpi):
        r = wine(["reg", "add", DESKTOP, "/v", "LogPixels", "/t", "REG_DWORD", "/d", str(dpi), "/f"])
        self.assertEqual(r.returncode, 0, r.stderr[-2000:])

    def panel_scales(self, timeout=20.0):
        """The scales at which "Radius= 1738.km" stands once where the full
        window anchors it (its right end as far from the window's as on the
        1024 x 768 frame, times the scale), when it does: the first frames
        still show the window before it went full screen."""
        cls = type(self)
        if getattr(cls, "font", None) is None:
            cls.font = textref.Font(self.xvfb)
        text, (fx, _) = "Radius= 1738.km", textref.cell_origin(12, 107)

        def scales():
            pic = harness.capture_screen(self.xvfb)
            return [k for k in (1, 2)
                    if [x for x, _ in cls.font.find(pic, text, 9, k)] == [self.screen[0] - k * (1024 - fx)]]
        return harness.wait_for(scales, timeout=timeout, interval=0.3)

    def test_panel_and_dump_at_200_and_100_percent(self):
        w, h = self.screen
        for dpi, k in ((192, 2), (96, 1)):
            with self.subTest(dpi=dpi):
                self.set_dpi(dpi)
                try:
                    v = self.start()
                    self.assertEqual(v.wait_size((w, h), 20), (w, h))
                    self.assertEqual(self.panel_scales(), [k])
                    if dpi == 192:
                        pic = Picture.from_bmp(v.dump(1))
                        self.assertEqual((pic.width, pic.height), (w, h))
                    v.key("q", settle=0.0)
                    self.assertEqual(v.wait_exit(30), 0)
                finally:
                    wine(["reg", "delete", DESKTOP, "/v", "LogPixels", "/f"])

def main():
    make_prefix()
    try:
        prog = unittest.main(argv=[sys.argv[0]] + REST, verbosity=2, exit=False)
    finally:
        end_prefix()
    sys.exit(0 if prog.result.wasSuccessful() else 1)


if __name__ == "__main__":
    main()
