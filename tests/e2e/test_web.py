"""End-to-end tests of the web build: the page in Debian's headless Chromium.

The page (build-web/) is served from 127.0.0.1 by a server in this process;
each group drives a browser of its own through chromedriver and the DevTools
protocol, with WebGL on SwiftShader, and ends it by its process ids. The
canvas is read back from its WebGL context (the page keeps its drawing
buffer), its text read with the desktop's own glyphs (textref's reference
font, drawn by GLUT on an Xvfb), and waits count the viewer's frames by the
credits' Iteration line. Every wait is bounded.

    test_web.py --page build-web --linux-bin build/qarn
"""

import argparse
import base64
import functools
import http.server
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import harness
import textref
from harness import Picture, Viewer, Xvfb

OPTS = None
CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def serve(folder):
    """A static server of folder on 127.0.0.1, in a thread of this process."""
    srv = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(QuietHandler, directory=folder))
    threading.Thread(target=srv.serve_forever, daemon=True).start()
    return srv


# The canvas as the viewer last drew it, RGB rows from the top, base64.
READ_CANVAS = """
var gl = Module.ctx, w = gl.drawingBufferWidth, h = gl.drawingBufferHeight;
var px = new Uint8Array(4 * w * h);
gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, px);
var rgb = new Uint8Array(3 * w * h);
for (var y = 0; y < h; y++) {
  var src = 4 * w * (h - 1 - y), dst = 3 * w * y;
  for (var x = 0; x < w; x++) {
    rgb[dst + 3 * x] = px[src + 4 * x]; rgb[dst + 3 * x + 1] = px[src + 4 * x + 1];
    rgb[dst + 3 * x + 2] = px[src + 4 * x + 2];
  }
}
var s = '';
for (var i = 0; i < rgb.length; i += 32768) s += String.fromCharCode.apply(null, rgb.subarray(i, i + 32768));
return [w, h, btoa(s)];
"""

# GLUT's special keys as the DevTools protocol types them: key, code, key code.
KEYS = {"F%d" % n: ("F%d" % n, "F%d" % n, 111 + n) for n in range(1, 13)}
KEYS.update({"Up": ("ArrowUp", "ArrowUp", 38), "Down": ("ArrowDown", "ArrowDown", 40),
             "Escape": ("Escape", "Escape", 27)})


class Page:
    """One headless Chromium with the page open at width x height CSS pixels
    and the given device pixel ratio."""

    def __init__(self, url, width=1024, height=768, ratio=1):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        self.profile = tempfile.mkdtemp(prefix="qarn-web-profile-")
        self.downloads = tempfile.mkdtemp(prefix="qarn-web-downloads-")
        opts = webdriver.ChromeOptions()
        opts.binary_location = CHROMIUM
        for a in ("--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--no-first-run", "--hide-scrollbars", "--user-data-dir=" + self.profile):
            opts.add_argument(a)
        opts.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        self.service = Service(CHROMEDRIVER)
        self.driver = webdriver.Chrome(service=self.service, options=opts)
        self.cdp("Browser.setDownloadBehavior", behavior="allow", downloadPath=self.downloads)
        self.size(width, height, ratio)
        self.opened = time.time()
        self.driver.get(url)

    def cdp(self, cmd, **args):
        return self.driver.execute_cdp_cmd(cmd, args)

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    def size(self, width, height, ratio=1):
        self.cdp("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=ratio,
                 mobile=False)

    def wait(self, what, cond, timeout=60.0):
        return harness.wait_for(cond, timeout=timeout, what=what, interval=0.1)

    def shot(self):
        w, h, data = self.js(READ_CANVAS)
        raw = base64.b64decode(data)
        return Picture(w, h, [raw[3 * w * y:3 * w * (y + 1)] for y in range(h)])

    def frame_from(self, font, n, k=1, timeout=90.0):
        """The first canvas of viewer frame n or later, and its number."""
        deadline = time.time() + timeout
        while True:
            shot = self.shot()
            count = textref.iteration(font, shot, k)
            if count is not None and count >= n:
                return shot, count
            if time.time() > deadline:
                raise AssertionError("no frame %d within %.0f s (last read %r)" % (n, timeout, count))
            time.sleep(0.05)

    def next_frames(self, font, n=3, k=1):
        """A canvas drawn n frames after the one on show now."""
        _, now = self.frame_from(font, 0, k)
        return self.frame_from(font, now + n, k)[0]

    def key(self, name):
        if name in KEYS:
            key, code, vk = KEYS[name]
            self.cdp("Input.dispatchKeyEvent", type="rawKeyDown", key=key, code=code, windowsVirtualKeyCode=vk)
            self.cdp("Input.dispatchKeyEvent", type="keyUp", key=key, code=code, windowsVirtualKeyCode=vk)
        else:
            self.cdp("Input.dispatchKeyEvent", type="keyDown", key=name, text=name)
            self.cdp("Input.dispatchKeyEvent", type="keyUp", key=name)

    def mouse(self, kind, x, y, button="none", buttons=0):
        self.cdp("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button, buttons=buttons,
                 clickCount=1 if kind != "mouseMoved" else 0)

    def touch(self, kind, points):
        self.cdp("Input.dispatchTouchEvent", type=kind,
                 touchPoints=[{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)])

    def lines(self):
        return self.js("return QarnPage.lines.slice()")

    def console(self):
        return [e["message"] for e in self.driver.get_log("browser")]

    def close(self):
        """Ends the browser and its driver by their ids."""
        pids = []
        driver_pid = self.service.process.pid if self.service.process else None
        if driver_pid:
            pids = children_of(driver_pid)
        try:
            self.driver.quit()
        except Exception:
            pass
        for pid in pids + ([driver_pid] if driver_pid else []):
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)
        shutil.rmtree(self.downloads, ignore_errors=True)


def children_of(pid):
    """Every descendant of process pid, from /proc."""
    kids = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                ppid = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
        kids.setdefault(ppid, []).append(int(name))
    out, todo = [], [pid]
    while todo:
        for k in kids.get(todo.pop(), []):
            out.append(k)
            todo.append(k)
    return out


class WebTest(unittest.TestCase):
    """One Xvfb for the reference glyphs (and the Linux viewer), one server,
    and a browser of its own for each test."""

    @classmethod
    def setUpClass(cls):
        cls.xvfb = Xvfb()
        cls.font = textref.Font(cls.xvfb)
        cls.server = serve(OPTS.page)
        cls.url = "http://127.0.0.1:%d/index.html" % cls.server.server_address[1]

    @classmethod
    def tearDownClass(cls):
        cls.server.shutdown()
        cls.xvfb.stop()

    def setUp(self):
        self.pages = []

    def tearDown(self):
        for p in self.pages:
            p.close()

    def open(self, **kw):
        p = Page(self.url, **kw)
        self.pages.append(p)
        p.wait("the viewer running", lambda: p.js("return typeof QarnPage != 'undefined' && QarnPage.running"))
        return p

    def read(self, shot, line, col, n, clr):
        return self.font.read(shot, line, col, n, clr).decode("latin-1")

    def stopped_with(self, p, line):
        p.wait("the stop's line on the page",
               lambda: p.js("return document.getElementById('stop').textContent") == line, 30)
        self.assertIn(line, p.lines())
        self.assertTrue(any(line in m for m in p.console()), "the stop's line reaches the browser console")
        # No frame after the stop: the canvas stands still.
        a = p.shot()
        time.sleep(1.0)
        self.assertEqual(a.rows, p.shot().rows)


# ---- The page loads -----------------------------------------------------------

class LoadTest(WebTest):
    def test_identification_line_on_the_console_and_a_first_frame(self):
        p = self.open()
        shot, _ = p.frame_from(self.font, 1)
        first = p.js("return QarnPage.firstFrameMs") / 1000.0
        self.assertTrue(any(harness.IDENT_TEXT in m for m in p.console()), p.console())
        self.assertEqual(p.lines()[0], " " + harness.IDENT_TEXT)
        self.assertEqual((shot.width, shot.height), (1024, 768))
        self.assertEqual(self.read(shot, 1, 105, 19, 15), harness.IDENT_TEXT)
        print("first frame %.2f s after the page was opened" % first, file=sys.stderr)
        # Hidden, the page draws no frame; shown again, it draws on.
        set_shown = ("Object.defineProperty(document, 'visibilityState', {value: arguments[0], configurable: true});"
                     "document.dispatchEvent(new Event('visibilitychange'))")
        p.js(set_shown, "hidden")
        _, n = p.frame_from(self.font, 1)
        start = p.js("return QarnPage.animationFrames")
        p.wait("animation frames go on", lambda: p.js("return QarnPage.animationFrames") > start + 10)
        self.assertEqual(textref.iteration(self.font, p.shot()), n, "no frame while hidden")
        p.js(set_shown, "visible")
        p.frame_from(self.font, n + 3)


# ---- The font table beside the desktop's glyphs ------------------------------------

class FontTableTest(WebTest):
    """The page's 8 x 13 font, freeglut's own table compiled from its source,
    against the glyphs the desktop's GLUT draws (qarn-textref), all 256 codes
    cell by cell."""

    @classmethod
    def setUpClass(cls):
        cls.xvfb = Xvfb()

    @classmethod
    def tearDownClass(cls):
        cls.xvfb.stop()

    def test_every_glyph_as_glut_draws_it(self):
        tool = os.path.join(textref.HELPERS, "qarn-fonttable")
        out = subprocess.run([tool], capture_output=True, text=True, timeout=60, check=True).stdout
        table = {int(f[0]): [int(v, 16) for v in f[1:]] for f in (l.split() for l in out.splitlines())}
        self.assertEqual(sorted(table), list(range(256)))
        texts = [textref.Text(2 + 2 * (k // 32), 1 + 4 * (k % 32), 15, bytes([k])) for k in range(256)]
        pic = textref.render(self.xvfb, texts)
        for k in range(256):
            drawn = textref.Font._mask(pic, *textref.cell_origin(texts[k].line, texts[k].col), textref.PALETTE[15])
            # The cell's 13 rows from the top: table rows 13 down to 1 (row 3
            # the base line); rows 0, 14 and 15 lie outside the cell and hold
            # no ink in this font.
            rows = [table[k][13 - r] for r in range(textref.ASCENT + textref.DESCENT)]
            want = tuple(bool(rows[r] & (0x80 >> x)) for r in range(13) for x in range(8))
            self.assertEqual(want, drawn, "code %d" % k)
            self.assertEqual([table[k][0], table[k][14], table[k][15]], [0, 0, 0], "code %d" % k)


# ---- The picture beside the Linux viewer's ----------------------------------------

def globe_agreement(a, b):
    """The Windows build's metric: the share of samples of the 600 x 600
    square around the centre within 8 levels."""
    near = total = 0
    for y in range(84, 684):
        ra, rb = a.rows[y], b.rows[y]
        for x in range(3 * 212, 3 * 812):
            total += 1
            near += abs(ra[x] - rb[x]) <= 8
    return near / total


class PictureTest(WebTest):
    def linux(self, keys):
        harness.QARN_BIN = os.path.abspath(OPTS.linux_bin)
        v = Viewer(self.xvfb)
        try:
            v.move(512, 384, settle=0.8)
            for k in keys:
                v.key(k, settle=0.8)
            return Picture.from_bmp(v.dump(1))
        finally:
            v.stop()

    def web(self, keys):
        p = self.open()
        p.mouse("mouseMoved", 512, 384)
        p.next_frames(self.font)
        for k in keys:
            p.key(k)
            p.next_frames(self.font)
        pic = p.next_frames(self.font)
        p.close()
        self.pages.remove(p)
        return pic

    def test_globe_and_panel_as_on_linux(self):
        for name, keys in (("start", []), ("apollo", ["F1"])):
            web, lin = self.web(keys), self.linux(keys)
            share = globe_agreement(web, lin)
            self.assertGreater(share, 0.995, "%s: %.4f of the globe's samples agree" % (name, share))
            # The status lines and the disclaimer block, glyph for glyph (the
            # credits name the build and count frames, and two disclaimer
            # lines go after a count of frames, so those differ).
            for line, col, n in ((1, 105, 20), (3, 105, 13), (7, 105, 16), (8, 105, 16), (9, 105, 16),
                                 (52, 1, 40), (53, 1, 40), (56, 1, 45), (57, 1, 45)):
                rect = textref.line_rect(line, col, n)
                self.assertEqual(textref.differences(web, lin, rect), [], "%s: line %d" % (name, line))


# ---- Keys ----------------------------------------------------------------------------

class KeysTest(WebTest):
    def test_mode_zoom_switch_apollo_and_quit(self):
        p = self.open()
        p.mouse("mouseMoved", 512, 384)
        # The credits stay on whatever the zoom (a one-shot switch), so the
        # frames can be counted by their Iteration line.
        p.key("F4")
        p.next_frames(self.font)
        # A mode: F2 turns the globe (auto mode).
        p.key("F2")
        a = p.next_frames(self.font)
        self.assertEqual(self.read(a, 3, 105, 13, 8), "MenuNew=   12")
        b = p.next_frames(self.font, 5)
        self.assertNotEqual(a.rows[300:460], b.rows[300:460], "auto mode turns the globe")
        # A zoom: the up arrow widens the field of view by half a degree.
        p.key("F3")
        p.key("Up")
        c = p.next_frames(self.font)
        self.assertEqual(self.read(c, 14, 109, 14, 9), "Fov =    1.02\xb0")
        # A one-shot switch: F6 takes the globe's image away.
        def surface(shot):  # samples of the map's gray (not the white labels)
            return sum(1 for y in range(200, 560, 8) for x in range(300, 720, 8)
                       if 30 < shot.pixel(x, y)[0] < 240 and shot.pixel(x, y)[0] == shot.pixel(x, y)[2])
        before = surface(c)
        p.key("F6")
        d = p.next_frames(self.font)
        self.assertLess(surface(d), before / 10, "F6 hides the textured globe")
        self.assertEqual(self.read(d, 3, 105, 13, 8), "MenuNew=   13")
        # Apollo mode steps its mission with 'A'; the browser's own keys (F5
        # reloads a page) did nothing else: the run and its lines go on.
        p.key("F1")
        e = p.next_frames(self.font)
        p.key("A")
        f = p.next_frames(self.font)
        self.assertNotEqual(e.rows[0:768:13], f.rows[0:768:13], "'A' shows the next mission")
        p.key("F5")
        p.next_frames(self.font)
        self.assertEqual(len([l for l in p.lines() if "Qarn.Exe" in l]), 1, "F5 did not reload the page")
        # Quit.
        p.key("q")
        self.stopped_with(p, "End of run (keyboard).")


# ---- The menu -------------------------------------------------------------------------

MENU = ["F1 Rotate-Apollo", "F2       -auto", "F3       -mouse", "F4 Toggle-credit", "F5       -grid",
        "F6       -image", "F7       -labels", "F8       -places", "F9 Persp/L:R/R:L", "       ***Quit***"]


class MenuTest(WebTest):
    def menu_open(self, p):
        return p.js("return getComputedStyle(document.getElementById('menu')).display") == "block"

    def blue(self, shot):
        return sum(1 for y in range(100, 660, 2) for x in range(220, 800, 2) if shot.pixel(x, y) == (0, 0, 255))

    def test_entries_choice_escape_outside_and_quit(self):
        p = self.open()
        p.mouse("mouseMoved", 300, 200)
        p.mouse("mousePressed", 300, 200, "right", 2)
        p.mouse("mouseReleased", 300, 200, "right", 0)
        p.wait("the menu open", lambda: self.menu_open(p), 10)
        items = p.js("return Array.from(document.querySelectorAll('#menu div')).map(e => e.textContent)")
        self.assertEqual(items, MENU)
        where = p.js("var r = document.getElementById('menu').getBoundingClientRect(); return [r.left, r.top]")
        self.assertEqual(where, [300, 200])
        p.key("Escape")
        p.wait("Escape closes the menu", lambda: not self.menu_open(p), 10)
        # A choice: the grid goes.
        grid = self.blue(p.next_frames(self.font))
        p.mouse("mousePressed", 300, 200, "right", 2)
        p.mouse("mouseReleased", 300, 200, "right", 0)
        p.wait("the menu open", lambda: self.menu_open(p), 10)
        p.js("document.querySelectorAll('#menu div')[4].click()")
        self.assertFalse(self.menu_open(p))
        self.assertLess(self.blue(p.next_frames(self.font)), grid / 10, "F5 -grid takes the grid away")
        # A click outside closes it and chooses nothing.
        p.mouse("mousePressed", 300, 200, "right", 2)
        p.mouse("mouseReleased", 300, 200, "right", 0)
        p.wait("the menu open", lambda: self.menu_open(p), 10)
        p.mouse("mousePressed", 900, 600, "left", 1)
        p.mouse("mouseReleased", 900, 600, "left", 0)
        p.wait("a click outside closes the menu", lambda: not self.menu_open(p), 10)
        p.mouse("mousePressed", 300, 200, "right", 2)
        p.mouse("mouseReleased", 300, 200, "right", 0)
        p.wait("the menu open", lambda: self.menu_open(p), 10)
        p.js("document.querySelectorAll('#menu div')[9].click()")
        self.stopped_with(p, "End of run (menu).")


# ---- Screen dumps -----------------------------------------------------------------------

class DumpTest(WebTest):
    def downloaded(self, p, name):
        path = os.path.join(p.downloads, name)
        p.wait("the download of " + name, lambda: os.path.exists(path) and os.path.getsize(path) == 2359350, 30)
        with open(path, "rb") as f:
            return f.read()

    def test_five_dumps_downloaded_the_fifth_ends_the_run(self):
        p = self.open()
        p.mouse("mouseMoved", 512, 384)
        p.next_frames(self.font)
        p.key("~")
        data = self.downloaded(p, "ScrnDmp1.Bmp")
        self.assertIn(" Writing: ScrnDmp1.Bmp  size:     1024 x       768", p.lines())
        dump = Picture.from_bmp(data)
        shot = p.shot()
        # The dump is the canvas, bottom row first in the file: the same
        # panel text and the same globe.
        self.assertEqual(self.read(dump, 1, 105, 19, 15), harness.IDENT_TEXT)
        self.assertGreater(globe_agreement(dump, shot), 0.99)
        for n in range(2, 6):
            p.key("~")
            self.downloaded(p, "ScrnDmp%d.Bmp" % n)
        self.stopped_with(p, "GLScrSup:ScrnDmp: ~: 5 screens dumped. Execution stopped.")


# ---- Touch -----------------------------------------------------------------------------------

class TouchTest(WebTest):
    def fov(self, shot):
        """The field of view read-out, degrees."""
        text = self.read(shot, 14, 109, 14, 9)
        self.assertTrue(text.startswith("Fov =") and text.endswith("\xb0"), text)
        return float(text[5:-1])

    def test_drag_pinch_and_long_press(self):
        p = self.open()
        p.key("F4")  # the credits stay on while zoomed: frames are counted by them
        p.next_frames(self.font)
        # One finger dragging steers as a left-button drag: mouse mode, and
        # the pointer's place on the status line.
        p.key("F2")
        p.next_frames(self.font)
        p.touch("touchStart", [(500, 400)])
        for y in range(400, 300, -20):
            p.touch("touchMove", [(500, y)])
        p.touch("touchEnd", [])
        shot = p.next_frames(self.font)
        self.assertEqual(self.read(shot, 3, 105, 13, 8), "MenuNew=   13")
        self.assertEqual(self.read(shot, 2, 105, 13, 8), "x= 500 y= 320")
        # A pinch, fingers apart: nearer, in steps of half a degree.
        start = self.fov(shot)
        p.touch("touchStart", [(400, 400), (600, 400)])
        for d in range(0, 130, 10):
            p.touch("touchMove", [(400 - d, 400), (600 + d, 400)])
        p.touch("touchEnd", [])
        p.next_frames(self.font, 15)
        after = self.fov(p.next_frames(self.font))
        steps = (after - start) / 0.5
        self.assertAlmostEqual(steps, round(steps), places=2)
        self.assertGreaterEqual(round(steps), 5)
        # A long press opens the menu where the finger is.
        p.touch("touchStart", [(200, 300)])
        p.wait("the long press opens the menu",
               lambda: p.js("return getComputedStyle(document.getElementById('menu')).display") == "block", 10)
        p.touch("touchEnd", [])


# ---- Maps of one's own -------------------------------------------------------------------------

class MapTest(WebTest):
    def take(self, p, path):
        n = p.js("return QarnPage.mapsTaken || 0")
        p.driver.find_element("id", "mapfile").send_keys(path)
        p.wait("the map taken", lambda: p.js("return QarnPage.mapsTaken || 0") > n, 30)
        return p.js("return document.getElementById('mapmsg').textContent")

    def test_a_bad_map_is_refused_a_good_one_taken(self):
        p = self.open()
        p.mouse("mouseMoved", 512, 384)
        before = p.next_frames(self.font)
        work = tempfile.mkdtemp(prefix="qarn-web-maps-")
        try:
            bad = os.path.join(work, "bad.bmp")
            with open(bad, "wb") as f:
                f.write(b"not a map at all" * 10)
            why = self.take(p, bad)
            self.assertTrue(why.startswith("BmpRead: Qarns.Bmp is not a 1024 x 512 8-bit gray BMP ("), why)
            self.assertTrue(why.endswith("; make one with qarn-mksurface"), why)
            self.assertTrue(p.js("return QarnPage.running"), "a refused map does not stop the run")
            kept = p.next_frames(self.font)
            self.assertGreater(globe_agreement(kept, before), 0.99, "the map in use stays")
            good = os.path.join(work, "good.bmp")
            harness.write_gray_bmp(good, lambda col, row: 200)
            self.assertEqual(self.take(p, good), "")
            after = p.next_frames(self.font)
            # The near side of a uniform map: gray 200 at the view centre.
            self.assertEqual(after.pixel(520, 420), (200, 200, 200))
        finally:
            shutil.rmtree(work, ignore_errors=True)


# ---- Window shapes and densities ------------------------------------------------------------------

class ResizeTest(WebTest):
    def test_portrait_and_a_dense_screen(self):
        p = self.open()
        p.next_frames(self.font)
        p.size(600, 900)
        p.wait("the canvas at the new size", lambda: p.js("var c = document.getElementById('canvas'); return [c.width, c.height]") == [600, 900])
        shot = p.next_frames(self.font)
        self.assertEqual((shot.width, shot.height), (600, 900))
        self.assertEqual(len(self.font.find(shot, "RMB:menu Qq:quit", 11)), 1)
        # The globe round on a tall window: as wide as high (the read-outs
        # right of it left out).
        row = [x for x in range(500) if sum(shot.pixel(x, 450)) > 60]
        col = [y for y in range(900) if sum(shot.pixel(300, y)) > 60]
        width = max(row) - min(row)
        height = max(c for c in col if 150 < c < 750) - min(c for c in col if 150 < c < 750)
        self.assertLess(abs(width - height), 0.05 * width)
        # Twice the density: the screen's real pixels, glyphs at scale 2.
        p.size(1024, 768, 2)
        p.wait("the canvas at the screen's pixels",
               lambda: p.js("var c = document.getElementById('canvas'); return [c.width, c.height]") == [2048, 1536])
        shot = p.next_frames(self.font, k=2)
        self.assertEqual(len(self.font.find(shot, "RMB:menu Qq:quit", 11, 2)), 1)


def main():
    global OPTS
    ap = argparse.ArgumentParser()
    ap.add_argument("--page", default="build-web")
    ap.add_argument("--linux-bin", default="build/qarn")
    OPTS, rest = ap.parse_known_args()
    OPTS.page = os.path.abspath(OPTS.page)
    harness.QARN_BIN = os.path.abspath(OPTS.linux_bin)
    textref.HELPERS = os.path.join(os.path.dirname(harness.QARN_BIN), "tests")
    textref.TEXTREF = os.path.join(textref.HELPERS, "qarn-textref")
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
