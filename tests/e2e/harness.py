"""End-to-end harness: runs the real viewer under its own Xvfb display.

Each test script starts one Xvfb for its group on a free display and runs
every viewer in a fresh temporary working directory. Every wait is bounded
and every process started here is ended by its id.
"""

import os
import queue
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import threading
import time
import unittest

QARN_BIN = os.environ.get("QARN_BIN", "build/qarn")
# What runs the program: empty for a native binary, "wine" for qarn.exe
# (the Windows build's tests set it; words split on blanks).
QARN_RUNNER = os.environ.get("QARN_RUNNER", "").split()
QARN_MAP = os.environ.get("QARN_MAP", "data/Qarns.Bmp")
QARN_MKSURFACE = os.environ.get("QARN_MKSURFACE", "build/tools/qarn-mksurface")
SCREEN_W, SCREEN_H = 1024, 768


SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))


def _release():
    """The release, project(VERSION) of the top CMakeLists.txt: the one place
    that names it."""
    with open(os.path.join(SOURCE, "CMakeLists.txt")) as f:
        return re.search(r"project\(qarn VERSION ([0-9.]+)", f.read()).group(1)


RELEASE = _release()
# The identification field's 19 characters.
IDENT_TEXT = ("Qarn.Exe  v%ss" % RELEASE).ljust(19)


def wait_for(fetch, done=bool, timeout=20.0, what=None, interval=0.05):
    """The tests' one bounded wait: calls fetch() until done(value) holds (an
    AssertionError from done counts as not yet) and returns that value. At
    the deadline it returns the last value, on which the caller's own checks
    then report, or, given what, fails naming it."""
    deadline = time.time() + timeout
    while True:
        value = fetch()
        try:
            if done(value):
                return value
        except AssertionError:
            pass
        if time.time() > deadline:
            if what is not None:
                raise AssertionError("%s: not within %.0f s" % (what, timeout))
            return value
        time.sleep(interval)


def tree_files(root):
    """Files and links under root, as paths relative to it."""
    out = set()
    for base, _, files in os.walk(root):
        out.update(os.path.relpath(os.path.join(base, f), root) for f in files)
    return out


def end_process(proc):
    """Ends a process this harness started, by its id: TERM, then KILL after 10 s."""
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(5)


class Xvfb:
    """One X server for a test group, on a display number it picks itself
    (-displayfd), so that test runs side by side never meet on one display."""

    def __init__(self, size="1024x768x24"):
        rfd, wfd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(wfd), "-screen", "0", size, "-nolisten", "tcp",
             "+extension", "GLX", "-noreset"],
            pass_fds=(wfd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(wfd)
        number = b""
        deadline = time.time() + 20
        os.set_blocking(rfd, False)
        try:
            while not number.endswith(b"\n"):
                if self.proc.poll() is not None or time.time() > deadline:
                    self.stop()
                    raise RuntimeError("Xvfb did not start")
                try:
                    chunk = os.read(rfd, 16)
                except BlockingIOError:
                    chunk = b""
                if chunk:
                    number += chunk
                else:
                    time.sleep(0.05)
        finally:
            os.close(rfd)
        self.display = ":" + number.decode().strip()

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("XAUTHORITY", None)
        return env

    def stop(self):
        end_process(self.proc)


class Openbox:
    """Debian's openbox as the window manager of an Xvfb display, as on a
    user's desktop: it maps, decorates and focuses the viewer's window and
    makes it full screen on request. Its config and cache directories are
    temporary, so the user's own settings play no part."""

    def __init__(self, xvfb, timeout=20.0, applications=""):
        """applications: <application> rules added to Debian's own rc.xml,
        which openbox applies to a window when it first maps it."""
        self.xvfb = xvfb
        self.home = tempfile.mkdtemp(prefix="qarn-openbox-")
        if applications:
            with open("/etc/xdg/openbox/rc.xml") as f:
                rc = f.read()
            rc = rc.replace("<applications>", "<applications>" + applications, 1)
            os.makedirs(os.path.join(self.home, "config", "openbox"))
            with open(os.path.join(self.home, "config", "openbox", "rc.xml"), "w") as f:
                f.write(rc)
        env = xvfb.env()
        env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, "config"),
                   XDG_CACHE_HOME=os.path.join(self.home, "cache"))
        self.proc = subprocess.Popen(["openbox", "--sm-disable"], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # Ready once it has announced itself on the root window.
        def announced():
            if self.proc.poll() is not None:
                self.stop()
                raise RuntimeError("openbox ended at start")
            r = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=xvfb.env(),
                               capture_output=True, text=True, timeout=10)
            return "window id" in r.stdout

        if not wait_for(announced, timeout=timeout, interval=0.1):
            self.stop()
            raise RuntimeError("openbox did not start within %.0f s" % timeout)

    def stop(self):
        end_process(self.proc)
        shutil.rmtree(self.home, ignore_errors=True)


class Viewer:
    """One run of build/qarn in a fresh working directory."""

    def __init__(self, xvfb, surface=QARN_MAP, workdir=None, prepare=None, wait_frames=True,
                 args=(), command=None, env=None, dump_dir=None):
        """surface: map copied in as Qarns.Bmp (None: none); prepare(dir) runs
        before the viewer starts; wait_frames waits for the window. command
        replaces the viewer binary (a launcher that execs it keeps the pid);
        env adds variables to the display's environment, a None value removes
        one; dump_dir is where the dumps are looked for (default: the working
        directory)."""
        self.xvfb = xvfb
        self.dir = workdir or tempfile.mkdtemp(prefix="qarn-e2e-")
        self.own_dir = workdir is None
        if surface is not None and not os.path.exists(os.path.join(self.dir, "Qarns.Bmp")):
            shutil.copyfile(surface, os.path.join(self.dir, "Qarns.Bmp"))
        if prepare is not None:
            prepare(self.dir)
        self.dump_dir = dump_dir or self.dir
        self.lines = []
        self.raw = b""
        self.stderr = b""  # before the reader threads start, which append to it
        self._queue = queue.Queue()
        environ = xvfb.env()
        for name, value in (env or {}).items():
            if value is None:
                environ.pop(name, None)
            else:
                environ[name] = value
        self.proc = subprocess.Popen(
            QARN_RUNNER + [os.path.abspath(command or QARN_BIN)] + list(args), cwd=self.dir, env=environ,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self._errreader = threading.Thread(target=self._read_err, daemon=True)
        self._errreader.start()
        if wait_frames:
            self.wait_window()

    def _read(self):
        for raw in iter(self.proc.stdout.readline, b""):
            self.raw += raw
            line = raw.rstrip(b"\n").decode("latin-1")
            self.lines.append(line)
            self._queue.put(line)
        self._queue.put(None)
        self.proc.stdout.close()

    def _read_err(self):
        for raw in iter(self.proc.stderr.readline, b""):
            self.stderr += raw
        self.proc.stderr.close()

    # ---- console -------------------------------------------------------
    def wait_line(self, pattern, timeout=15.0):
        """Waits for a console line matching pattern (a regex); returns it."""
        rx = re.compile(pattern)
        for line in self.lines:
            if rx.search(line):
                return line
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                line = self._queue.get(timeout=max(0.01, deadline - time.time()))
            except queue.Empty:
                break
            if line is None:
                break
            if rx.search(line):
                return line
        raise AssertionError("no console line matching %r; got %r" % (pattern, self.lines))

    def wait_exit(self, timeout=15.0):
        try:
            rc = self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("viewer did not end within %.0f s" % timeout)
        self._reader.join(5)
        return rc

    def alive(self):
        return self.proc.poll() is None

    # ---- window --------------------------------------------------------
    def wait_window(self, timeout=20.0):
        deadline = time.time() + timeout

        def search():
            if not self.alive():
                raise AssertionError("viewer ended early: %r %r" % (self.lines, self.stderr))
            return self.xdo(["search", "--pid", str(self.proc.pid), "--onlyvisible", "--name", "Palwin"],
                            check=False).split()

        found = wait_for(search, timeout=timeout, interval=0.1)
        if not found:
            raise AssertionError("no viewer window within %.0f s" % timeout)
        self.window = found[0]
        self.wait_first_frame(deadline)
        time.sleep(0.8)  # let the first frames run
        return self.window

    def wait_first_frame(self, deadline):
        """Waits, until the deadline, for a frame on an Xvfb screen: the
        disclaimer's light red first line, which every frame prints at the
        bottom left. A window can stand black for seconds on a busy machine."""
        if not isinstance(self.xvfb, Xvfb):
            return
        red = bytes((255, 85, 85))

        def capture():
            try:
                return capture_screen(self.xvfb)
            except AssertionError:
                # xwd's read of the root fails (BadMatch) while Wine is still
                # putting its full-screen window in place: try again.
                return None

        def shows_red(pic):
            for row in pic.rows[max(0, pic.height - 400):]:
                at = row.find(red, 0, 3 * 700)
                while at >= 0 and at % 3:
                    at = row.find(red, at + 1, 3 * 700)
                if at >= 0:
                    return True
            return False

        wait_for(capture, lambda pic: pic is not None and shows_red(pic), deadline - time.time())

    def xdo(self, args, check=True):
        r = subprocess.run(["xdotool"] + args, env=self.xvfb.env(), capture_output=True,
                           text=True, timeout=15)
        if check and r.returncode != 0:
            raise AssertionError("xdotool %s failed: %s" % (args, r.stderr))
        return r.stdout

    def move(self, x, y, settle=0.3):
        self.xdo(["mousemove", str(x), str(y)])
        time.sleep(settle)

    def key(self, name, settle=0.3):
        self.xdo(["key", name])
        time.sleep(settle)

    def type(self, text, settle=0.3):
        self.xdo(["type", "--delay", "60", text])
        time.sleep(settle)

    def geometry(self):
        """Size of the viewer's window (width, height) as X reports it."""
        out = self.xdo(["getwindowgeometry", self.window])
        w, h = re.search(r"Geometry: (\d+)x(\d+)", out).groups()
        return int(w), int(h)

    def wait_size(self, size, timeout=10.0):
        """The window's size once it is size (width, height), or at the deadline."""
        return wait_for(self.geometry, lambda got: got == size, timeout, interval=0.1)

    def pointer(self):
        out = self.xdo(["getmouselocation", "--shell"])
        vals = dict(l.split("=") for l in out.split())
        return int(vals["X"]), int(vals["Y"])

    def drag_up(self, step=20):
        """A left-button drag upward in two steps of `step` pixels: a warp of a
        frame already under way may still undo the first one."""
        self.xdo(["mousedown", "1"])
        self.xdo(["mousemove_relative", "--", "0", str(-step)])
        time.sleep(0.2)
        self.xdo(["mousemove_relative", "--", "0", str(-step)])
        self.xdo(["mouseup", "1"])

    def dump(self, index, timeout=20.0):
        """Types '~' and returns the dump file's bytes once it is written."""
        count = sum(1 for l in self.lines if "Writing:" in l)
        self.key("asciitilde", settle=0.0)
        wait_for(lambda: sum(1 for l in self.lines if "Writing:" in l) > count, timeout=timeout)
        wait_for(lambda: self.lines.count("\x07") > count or not self.alive(), timeout=timeout)
        with open(os.path.join(self.dump_dir, "ScrnDmp%d.Bmp" % index), "rb") as f:
            return f.read()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)
        for reader, s in ((self._reader, self.proc.stdout), (self._errreader, self.proc.stderr)):
            # A process the viewer started may hold the pipe open after it
            # has ended (Wine's desktop process inherits the first viewer's):
            # closing it under a reader still in readline would block for
            # good. The reader closes it at its end.
            reader.join(2)
            if reader.is_alive():
                continue
            try:
                s.close()
            except Exception:
                pass
        if self.own_dir:
            shutil.rmtree(self.dir, ignore_errors=True)


class Picture:
    """An RGB picture with the origin at the top left."""

    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows  # rows[y] = bytes RGB

    @staticmethod
    def from_bmp(data):
        assert data[:2] == b"BM", "not a BMP"
        off, = struct.unpack_from("<i", data, 10)
        w, h = struct.unpack_from("<ii", data, 18)
        bpp, = struct.unpack_from("<h", data, 28)
        assert bpp == 24
        stride = (3 * w + 3) // 4 * 4
        rows = []
        for y in range(h):
            src = data[off + (h - 1 - y) * stride: off + (h - 1 - y) * stride + 3 * w]
            row = bytearray(3 * w)
            row[0::3], row[1::3], row[2::3] = src[2::3], src[1::3], src[0::3]
            rows.append(bytes(row))
        return Picture(w, h, rows)

    @staticmethod
    def from_xwd(data):
        """Picture from an xwd dump of a TrueColor screen, 24- or 32-bit pixels
        (xwd writes packed 24-bit pixels while a freeglut menu is open)."""
        f = struct.unpack_from(">25I", data, 0)
        hsize, w, h, byte_order, bpp, bpl, ncolors = f[0], f[4], f[5], f[7], f[11], f[12], f[19]
        step = bpp // 8
        assert step in (3, 4), "unexpected xwd pixel size %d" % bpp
        off = hsize + ncolors * 12
        lsb = byte_order == 0
        rows = []
        for y in range(h):
            src = data[off + y * bpl: off + y * bpl + step * w]
            row = bytearray(3 * w)
            if lsb:  # bytes B, G, R(, 0)
                row[0::3], row[1::3], row[2::3] = src[2::step], src[1::step], src[0::step]
            else:    # bytes (0,) R, G, B
                o = step - 3
                row[0::3], row[1::3], row[2::3] = src[o::step], src[o + 1::step], src[o + 2::step]
            rows.append(bytes(row))
        return Picture(w, h, rows)

    def pixel(self, x, y):
        r = self.rows[y]
        return r[3 * x], r[3 * x + 1], r[3 * x + 2]

    def crop(self, x0, y0, x1, y1):
        return Picture(x1 - x0, y1 - y0, [r[3 * x0:3 * x1] for r in self.rows[y0:y1]])

    def save_png(self, path):
        """Writes the picture as a PNG (ImageMagick's convert from a PPM)."""
        ppm = b"P6 %d %d 255\n" % (self.width, self.height) + b"".join(self.rows)
        subprocess.run(["convert", "ppm:-", path], input=ppm, check=True, timeout=30)


def capture_screen(xvfb):
    """The whole X screen of a display, through xwd."""
    r = subprocess.run(["xwd", "-root", "-silent"], env=xvfb.env(), capture_output=True, timeout=20)
    if r.returncode != 0:
        raise AssertionError("xwd failed: %r" % r.stderr)
    return Picture.from_xwd(r.stdout)


def write_gray_bmp(path, gray_at, width=1024, height=512, palette=None, **overrides):
    """Writes an 8-bit surface BMP; gray_at(col, row_from_top) gives each index."""
    pal = palette if palette is not None else b"".join(bytes((k, k, k, 0)) for k in range(256))
    off = 54 + len(pal)
    pix = bytearray(width * height)
    for y in range(height):
        base = (height - 1 - y) * width
        for x in range(width):
            pix[base + x] = gray_at(x, y)
    fields = dict(nSizeF=off + len(pix), nOffBits=off, nSizeH=40, nWidth=width, nHeight=height,
                  nPlanes=1, nBitsPP=8, nCompr=0, nSizeC=0, nXPpm=3780, nYPpm=3780,
                  nClrUsed=0, nClrImp=0)
    fields.update(overrides)
    hdr = b"BM" + struct.pack("<iiiiiihhiiiiii", fields["nSizeF"], 0, fields["nOffBits"],
                              fields["nSizeH"], fields["nWidth"], fields["nHeight"],
                              fields["nPlanes"], fields["nBitsPP"], fields["nCompr"],
                              fields["nSizeC"], fields["nXPpm"], fields["nYPpm"],
                              fields["nClrUsed"], fields["nClrImp"])
    with open(path, "wb") as f:
        f.write(hdr + pal + bytes(pix))


class ViewerTest(unittest.TestCase):
    """Base class: one Xvfb for the whole test class, a fresh viewer per test.
    A class may set the screen size and ask for a window manager on it."""

    screen = (SCREEN_W, SCREEN_H)
    window_manager = False
    openbox_applications = ""

    def until(self, probe, timeout=20.0):
        """Captures the group's screen until probe(picture) holds, which is
        what the input just sent promises, bounded; returns that capture, or
        at the deadline the last one, on which the test's own checks then
        report."""
        return wait_for(lambda: capture_screen(self.xvfb), probe, timeout)

    @classmethod
    def setUpClass(cls):
        cls.xvfb = Xvfb(size="%dx%dx24" % cls.screen)
        cls.wm = None
        if cls.window_manager:
            try:
                cls.wm = Openbox(cls.xvfb, applications=cls.openbox_applications)
            except Exception:
                cls.xvfb.stop()
                raise

    @classmethod
    def tearDownClass(cls):
        if cls.wm is not None:
            cls.wm.stop()
        cls.xvfb.stop()

    def setUp(self):
        self.viewers = []

    def tearDown(self):
        for v in self.viewers:
            v.stop()

    def start(self, **kw):
        v = Viewer(self.xvfb, **kw)
        self.viewers.append(v)
        return v


def main():
    unittest.main(verbosity=2)
