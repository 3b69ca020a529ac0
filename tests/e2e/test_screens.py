"""Screens other than 1024 x 768, with and without a window manager.

One viewer run per screen checks, in turn: the window covers the screen; the
globe is round, centred and about 83% of the screen height across; the
pointer at the screen centre shows the near side at longitude 0, latitude 0;
'~' dumps the whole window (rows padded where the BMP format needs it); an up
arrow followed at once by Shift still zooms; Shift+a steps the Apollo mission
and no modifier key reaches the "ArrowKey=" status line; auto mode then a
drag hands the globe to the pointer without a jump; a stereo pair shows both
images.
"""

import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import harness  # noqa: E402
import textref  # noqa: E402
from harness import Picture  # noqa: E402
from probes import (SITES, centre_probe, changing_rows, disc_fov_radius, lat_gray,  # noqa: E402
                    lat_of_gray, lon_diff, lon_gray, lon_of_gray, make_surface, mouse_lon,
                    pair_centres, runs, surface_pixel)

FOV0 = 0.5241000056266785

# Texts of the panel that stay as they are at start: text, line, column, colour.
PANEL_TEXTS = [
    (harness.IDENT_TEXT.rstrip(), 1, 105, 15), ("MenuNew=", 3, 105, 8), ("ArrowKey=", 5, 105, 8),
    ("RMB:menu Qq:quit", 7, 105, 11), ("LMB+mouse:motion", 8, 105, 11),
    (" ~ :screen dump", 9, 105, 9), ("Arrows: zoom", 10, 105, 9),
    ("Gray - near side", 11, 106, 7), ("Radius= 1738.km", 12, 107, 9),
    ("Elev=378267.km", 13, 108, 9), ("Lat=", 29, 117, 15), ("Lon=", 30, 117, 15),
    ("Lunar Surface:  Courtesy USGS Astrogeology Research Program", 1, 1, 15),
    ("Uses GLUT32.DLL & 1024x768 screen res.", 4, 1, 11), ("2002.05.31", 6, 36, 15),
    ("Iteration:", 8, 1, 8),
    ("Disclaimer: Use this program", 52, 2, 12), ("only at your own risk.", 53, 11, 12),
    ("Image ID: QarnS.Bmp 1024x512 gray scale", 56, 2, 7),
    ("525,366 bytes 2002.02.28.1102", 57, 12, 7),
]


class ScreenChecks(textref.FrameCount):
    """The checks of one screen size; the subclasses choose size and desktop."""

    def setUp(self):
        super().setUp()
        self.w, self.h = self.screen
        self.cx, self.cy = self.w / 2.0 - 0.5, self.h / 2.0 - 0.5
        # The centred 1024 x 768 frame from which the pointer is measured.
        self.ox, self.oy = (self.w - 1024) / 2.0, (self.h - 768) / 2.0
        # Glyph scale: whole multiples of the 1024 x 768 frame.
        self.k = max(1, min(self.w // 1024, self.h // 768))
        # The frame fitted into the screen: it fills the height on screens of
        # 4:3 or wider, the width on narrower ones, and sizes globe and pair.
        self.scale = min(self.w / 1024.0, self.h / 768.0)
        # The pair: on narrower screens no larger than takes the frame's
        # column of the read-outs (117) to where they begin on the screen.
        self.pair_scale = self.scale
        if self.w * 3 < self.h * 4:
            col = textref.cell_origin(29, 117)[0]
            self.pair_scale = min(self.scale, (self.w / 2.0 - self.k * (1024 - col)) / (col - 512.0))

    def mouse_lon(self, x):
        return mouse_lon(x - self.ox)

    def probe(self, pic):
        return centre_probe(pic, cx=self.cx, cy=self.cy)

    def assert_lon(self, pic, lon, tol=2.0, what=""):
        kinds, g = self.probe(pic)
        self.assertEqual(kinds, {"near"}, what)
        self.assertLess(abs(lon_diff(lon_of_gray(g), lon)), tol,
                        "%s: centre longitude %.2f, expected %.2f" % (what, lon_of_gray(g), lon))

    def disc(self, pic):
        """Horizontal and vertical diameters of the globe through the screen
        centre and the disc's centre, from the longest surface runs."""
        row = int(self.cy + 0.5)
        a, b = max(runs(pic, row, 0, self.w), key=lambda r: r[1] - r[0])
        col = int(self.cx + 0.5)
        ys = [y for y in range(self.h) if pic.pixel(col, y)[1] >= 30]
        return b - a + 1, ys[-1] - ys[0] + 1, (a + b) / 2.0, (ys[0] + ys[-1]) / 2.0

    def assert_disc(self, pic, fov, what):
        dx, dy, mx, my = self.disc(pic)
        want = 2 * disc_fov_radius(fov, height=768 * self.scale)
        self.assertAlmostEqual(dx, want, delta=4.0, msg=what)
        self.assertAlmostEqual(dy, want, delta=4.0, msg=what)
        self.assertAlmostEqual(mx, self.cx, delta=1.5, msg=what)
        self.assertAlmostEqual(my, self.cy, delta=1.5, msg=what)

    def arrow_status(self, pic):
        """The pixels of the "ArrowKey=" status line (line 5, column 105),
        found on the screen by its glyphs."""
        found = self.font().find(pic, "ArrowKey=", 8, self.k)
        self.assertEqual(len(found), 1, "ArrowKey= on the screen: %r" % found)
        px, base = found[0]
        k = self.k
        return pic.crop(px - 2, base - 12 * k, px + 8 * 13 * k + 2, base + 4 * k).rows

    def keys(self, v, *keys):
        """Types the keys one at a time, each once the one before has been
        applied (a key that comes before the frame has taken the last is
        lost), and returns the first screen on which the last has been."""
        pic = None
        for key in keys:
            v.xdo(["key", key])
            pic = self.settle(v)
        return pic

    def settle(self, v):
        """The first screen of a frame drawn after whatever was sent to the
        viewer so far has been applied: input sent before a frame is on the
        screen is read before the frame after the next one starts."""
        _, n = self.frame_from(0)
        return self.frame_from(n + self.settle_frames)[0]

    settle_frames = 4

    def plain(self, v):
        """Grid and grid labels off: only the textured disc and the feature
        names remain, so the disc's outline and the centre are plain surface.
        Returns the first screen drawn so."""
        return self.keys(v, "F5", "F7")

    def test_latitude_at_the_screen_centre(self):
        v = self.start(surface=make_surface(lat_gray))
        v.move(self.w // 2, self.h // 2, settle=0.0)
        kinds, g = self.probe(self.plain(v))
        self.assertEqual(kinds, {"near"})
        # (512, 384) of the frame: latitude -1.
        self.assertLess(abs(lat_of_gray(g) + 1.0), 2.0, "centre latitude %.2f" % lat_of_gray(g))

    def test_pointer_resting_at_the_centre_at_start(self):
        """The pointer at the screen centre before the window appears, never
        moved: the start view at once, the near side at latitude -1 and
        longitude 1, its read-outs whole beside the globe."""
        subprocess.run(["xdotool", "mousemove", str(self.w // 2), str(self.h // 2)],
                       env=self.xvfb.env(), check=True, timeout=15)
        v = self.start(surface=make_surface(lon_gray))
        self.assertEqual(v.wait_size((self.w, self.h)), (self.w, self.h))
        pic = self.plain(v)
        self.assert_lon(pic, 1.0, tol=2.5, what="pointer resting at the screen centre")
        font = self.font()
        for text in (b"Lat=" + textref.fld_f(-1.0, 6, 1).encode() + b"\xb0",
                     b"Lon=" + textref.fld_f(1.0, 6, 1).encode() + b"\xb0"):
            self.assertEqual(len(font.find(pic, text, 15, self.k)), 1, text)
        xy = "x=%s y=%s" % (textref.fld_i(self.w // 2, 4), textref.fld_i(self.h // 2, 4))
        self.assertEqual(len(font.find(pic, xy, 8, self.k)), 1, xy)

    def test_panel_keeps_its_shape(self):
        """Globe, grid and names off: only the text and the cross-hair are on
        black. Each text is found by the 8 x 13 glyphs at the window's scale
        and set against where the 1024 x 768 frame has it."""
        v = self.start()
        self.assertEqual(v.wait_size((self.w, self.h)), (self.w, self.h))
        v.move(self.w // 2, self.h // 2, settle=0.0)
        pic = self.keys(v, "F6", "F5", "F7", "F8")
        w, h, k = self.w, self.h, self.k
        font = self.font()
        places = {}
        for text, line, col, clr in PANEL_TEXTS:
            found = font.find(pic, text.strip(), clr, k)
            self.assertEqual(len(found), 1, "%r at %dx%d: %r" % (text, w, h, found))
            lead = len(text) - len(text.lstrip())
            places[(line, col)] = (found[0][0] - 8 * k * lead, found[0][1], len(text))
        if k > 1:
            # Not the plain font as well: nothing of the panel at scale 1.
            self.assertEqual(font.find(pic, "Radius= 1738.km", 9, 1), [])

        # Read-outs: right-anchored, their ends as on the frame, times k.
        for key in ((11, 106), (12, 107), (13, 108), (10, 105), (5, 105)):
            x, base, n = places[key]
            fx, fbase = textref.cell_origin(*key)
            self.assertEqual(w - (x + 8 * k * n), k * (1024 - (fx + 8 * n)), key)
            self.assertEqual(base, k * (fbase + 1) - 1, key)
        # Credits at the top left, disclaimer and image ID at the bottom left.
        for key in ((1, 1), (4, 1), (8, 1)):
            x, base, _ = places[key]
            fx, fbase = textref.cell_origin(*key)
            self.assertEqual((x, base), (k * fx, k * (fbase + 1) - 1), key)
        for key in ((52, 2), (53, 11), (56, 2), (57, 12)):
            x, base, _ = places[key]
            fx, fbase = textref.cell_origin(*key)
            self.assertEqual((x, h - 1 - base), (k * fx, k * (767 - fbase)), key)

        # Lat= and Lon= at the right edge, as far below the centre row as on the frame.
        for key in ((29, 117), (30, 117)):
            x, base, _ = places[key]
            fx, fbase = textref.cell_origin(*key)
            self.assertEqual(w - x, k * (1024 - fx), key)
            self.assertEqual((h - 1 - base) - (h - k * 768) // 2, k * (767 - fbase), key)

        # No two texts' cells overlap.
        boxes = [(x, base - 11 * k + 1, x + 8 * k * n, base + 2 * k + 1, key)
                 for key, (x, base, n) in places.items()]
        for i, a in enumerate(boxes):
            for b in boxes[i + 1:]:
                self.assertFalse(a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3],
                                 "texts at %r and %r overlap" % (a[4], b[4]))

    def test_pointer_dump_keys_and_drag(self):
        w, h = self.w, self.h
        v = self.start(surface=make_surface(lon_gray))
        self.assertEqual(v.wait_size((w, h)), (w, h))
        if self.window_manager:
            # Keys come through the window manager's focus, as a user's do.
            self.assertEqual(v.xdo(["getactivewindow"]).strip(), v.window)
        v.move(w // 2, h // 2, settle=0.0)
        # The credits kept on at every distance: their Iteration line numbers
        # the frames.
        self.keys(v, "F4")
        pic = self.plain(v)

        # Round, centred, 83% of the screen height; longitude 1 at the centre.
        self.assert_disc(pic, FOV0, "start")
        self.assertAlmostEqual(2 * disc_fov_radius(FOV0, height=h) / h, 0.83, delta=0.01)
        self.assertLess(2 * disc_fov_radius(FOV0, height=768 * self.scale), w)
        self.assert_lon(pic, 1.0, tol=2.5, what="pointer at the screen centre")
        idle = self.arrow_status(pic)

        # The dump is the whole window, header and length exact, rows padded
        # with zeros to a multiple of 4 bytes, pixels as on the screen.
        before = harness.capture_screen(v.xvfb)
        data = v.dump(1)
        after = harness.capture_screen(v.xvfb)
        stride = (3 * w + 3) // 4 * 4
        size = 54 + stride * h
        self.assertEqual(len(data), size)
        self.assertEqual(data[:54], b"BM" + struct.pack("<iiiiiihhiiiiii", size, 0, 54, 40, w, h,
                                                        1, 24, 0, 0, 3780, 3780, 0, 0))
        self.assertIn(" Writing: ScrnDmp1.Bmp  size:%9d x %9d" % (w, h), v.lines)
        pads = {data[54 + y * stride + 3 * w: 54 + (y + 1) * stride] for y in range(h)}
        self.assertEqual(pads, {bytes(stride - 3 * w)})
        dump = Picture.from_bmp(data)
        moving = changing_rows(before, after)
        self.assertLess(len(moving), h // 4)
        bad = [y for y in range(h) if y not in moving and dump.rows[y] != after.rows[y]]
        self.assertEqual(bad, [], "%d rows differ from the screen" % len(bad))

        # An up arrow followed at once by Shift: the zoom is applied and the
        # Shift leaves no code behind.
        v.xdo(["key", "--delay", "0", "Up", "shift"])
        pic = self.settle(v)
        self.assert_disc(pic, FOV0 + 0.5, "up arrow then Shift")
        self.assertEqual(self.arrow_status(pic), idle, "a modifier key reached ArrowKey")

        # Shift+a in Apollo mode steps to the next mission.
        self.assert_lon(self.keys(v, "F1"), SITES[0][1], what="mission 1")
        pic = self.keys(v, "shift+a")
        self.assert_lon(pic, SITES[1][1], what="Shift+a")
        self.assertEqual(self.arrow_status(pic), idle, "a modifier key reached ArrowKey")
        # The line does show a key that counts, and keeps it through Shift, Ctrl and Alt.
        left = self.arrow_status(self.keys(v, "Left"))
        self.assertNotEqual(left, idle)
        self.assertEqual(self.arrow_status(self.keys(v, "shift", "ctrl", "alt")), left)

        # Auto mode keeps the pointer at the spin's x on its row; a drag then
        # takes the globe over without a jump.
        v.xdo(["key", "F2"])
        pic, n = self.frame_from(0)
        deadline = time.time() + 30.0
        while self.font().find(pic, "MenuNew=   12", 8, self.k) == []:
            pic, n = self.frame_from(n + 1)
            self.assertLess(time.time(), deadline, "F2 not applied")
        xb, yb = v.pointer()
        pic, n0 = self.frame_from(n + 1)
        xa, ya = v.pointer()
        self.assertEqual((yb, ya), (h // 2, h // 2))
        self.assertTrue(self.ox + 150 <= xa <= xb <= self.ox + 1022, (xa, xb))
        lon = lon_of_gray(self.probe(pic)[1])
        self.assertGreater(lon_diff(lon, self.mouse_lon(xa)), -2.0)
        self.assertLess(lon_diff(lon, self.mouse_lon(xb)), 2.0)
        # At the press the globe is where the last warp left the pointer:
        # after the drag it stands at the pointer's longitude, west of the
        # one of the last picture before by at most the turns of the frames
        # between them, never east.
        v.drag_up()
        _, n = self.frame_from(0)
        pic, n1 = self.frame_from(n + self.settle_frames)
        x1, _ = v.pointer()
        after = lon_of_gray(self.probe(pic)[1])
        self.assertLess(abs(lon_diff(after, self.mouse_lon(x1))), 2.0)
        moved = lon_diff(after, lon)
        self.assertTrue(-0.2 * (n1 - n0) - 2.0 < moved < 2.0,
                        "%.2f -> %.2f over %d frames" % (lon, after, n1 - n0))
        self.settle(v)
        self.assertEqual(v.pointer()[0], x1)  # no more warps

        # A stereo pair: both half-size images wholly on screen where they
        # stand in the centred 1024 x 768 frame, scaled as the frame is. The
        # feature names go first: one standing over the limb widens a run.
        pic = self.keys(v, "F8", "F9")
        for caption in ("Left", "Right"):
            self.assertEqual(len(self.font().find(pic, caption, 13, self.k)), 1, caption)
        found = runs(pic, int(self.cy + 0.5), 0, w)
        want = [w / 2.0 + (x - 512.0) * self.pair_scale for x in pair_centres(FOV0 + 0.5, 1)]
        across = 2 * disc_fov_radius(FOV0 + 0.5, pair=True, height=768 * self.pair_scale)
        self.assertEqual(len(found), 2, "L:R images on the centre row: %r" % found)
        self.assertTrue(0 < found[0][0] and found[1][1] < w - 1, "L:R: %r" % found)
        for (a, b), c in zip(found, want):
            self.assertAlmostEqual((a + b + 1) / 2.0, c, delta=2.0, msg="L:R: %r" % found)
            self.assertAlmostEqual(b - a + 1, across, delta=4.0, msg="L:R: %r" % found)
        self.assertTrue(v.alive())


class Wide(ScreenChecks, harness.ViewerTest):
    screen = (1920, 1080)


class Laptop(ScreenChecks, harness.ViewerTest):
    screen = (1366, 768)

    # The frame fills the height: nothing new to see in latitude.
    test_latitude_at_the_screen_centre = None


class WideUnderOpenbox(ScreenChecks, harness.ViewerTest):
    screen = (1920, 1080)
    window_manager = True
    # Matched by the window's class when openbox takes the window on, as a
    # desktop's rules and docks do: a class set later goes unseen.
    openbox_applications = ('<application class="Qarn" name="qarn">'
                            '<skip_taskbar>yes</skip_taskbar></application>')

    test_latitude_at_the_screen_centre = None
    test_panel_keeps_its_shape = None

    def iteration(self, pic):
        """The frame count of the "Iteration:" line; None when it is not on
        the screen."""
        return textref.iteration(self.font(), pic)

    def cpu_seconds(self, pid):
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def test_minimised_viewer_rests(self):
        v = self.start()
        self.assertEqual(v.wait_size((self.w, self.h)), (self.w, self.h))
        pic, n0 = self.frame_from(0)
        # The frame rate while shown, over a second at least.
        t0 = time.time()
        time.sleep(1.0)
        pic, n = self.frame_from(n0 + 1)
        rate = (n - n0) / (time.time() - t0)
        ta = time.time()
        n1 = self.iteration(harness.capture_screen(v.xvfb))
        self.assertIsNotNone(n1)
        v.xdo(["windowminimize", "--sync", v.window])
        tb = time.time()
        time.sleep(0.5)
        c0 = self.cpu_seconds(v.proc.pid)
        t0 = time.time()
        time.sleep(3.0)
        share = (self.cpu_seconds(v.proc.pid) - c0) / (time.time() - t0)
        sys.stderr.write("minimised viewer: %.2f %% of a core over 3 s\n" % (100 * share))
        self.assertLess(share, 0.05, "minimised viewer uses %.1f %% of a core" % (100 * share))
        # Restored, it draws again, its count where it stopped: no more
        # frames than it draws shown in the time of the two round trips
        # (with half as much again), not those of the 3.5 s minimised too.
        tc = time.time()
        v.xdo(["windowactivate", v.window])
        n2 = harness.wait_for(lambda: self.iteration(harness.capture_screen(v.xvfb)),
                              lambda n: n is not None, 10.0, interval=0)
        td = time.time()
        self.assertIsNotNone(n2, "no frame within 10 s of the restore")
        shown = (tb - ta) + (td - tc)
        self.assertLess(n2 - n1, 2.0 + 1.5 * rate * shown,
                        "Iteration went on while minimised: %d -> %d at %.0f frames/s, %.1f s shown"
                        % (n1, n2, rate, shown))
        self.frame_from(n2 + 1)
        self.assertTrue(v.alive())

    def test_window_class_and_close(self):
        v = self.start()
        r = subprocess.run(["xprop", "-id", v.window, "WM_CLASS"], env=self.xvfb.env(),
                           capture_output=True, text=True, timeout=10)
        self.assertEqual(r.stdout.strip(), 'WM_CLASS(STRING) = "qarn", "Qarn"')
        r = subprocess.run(["xprop", "-id", v.window, "_NET_WM_STATE"], env=self.xvfb.env(),
                           capture_output=True, text=True, timeout=10)
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", r.stdout, "openbox's rule for the class at map time")
        # Closed through the window manager: the run ends like the quit key.
        subprocess.run(["wmctrl", "-i", "-c", v.window], env=self.xvfb.env(), check=True, timeout=10)
        self.assertEqual(v.wait_exit(), 0)
        self.assertEqual(v.lines[-1], "End of run (window closed).")


class WestonDisplay:
    """Debian's weston nested on an Xvfb display as a Wayland compositor with
    a seat, on its own socket and runtime directory, with Xwayland for X11
    programs; env() aims X11 programs at that Xwayland display."""

    def __init__(self, outer, timeout=20.0):
        self.outer = outer
        self.runtime = tempfile.mkdtemp(prefix="qarn-weston-")
        os.chmod(self.runtime, 0o700)
        log = os.path.join(self.runtime, "weston.log")
        env = outer.env()
        env["XDG_RUNTIME_DIR"] = self.runtime
        env.pop("WAYLAND_DISPLAY", None)
        w, h = outer.size
        try:
            self.proc = subprocess.Popen(
                ["weston", "--backend=x11-backend.so", "--use-pixman", "--xwayland",
                 "--socket=qarn-e2e", "--width=%d" % w, "--height=%d" % h, "--idle-time=0",
                 "--log=" + log], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        except OSError as e:
            shutil.rmtree(self.runtime, ignore_errors=True)
            raise RuntimeError("weston cannot start: %s" % e)
        deadline = time.time() + timeout
        self.display = None
        while self.display is None:
            if self.proc.poll() is not None or time.time() > deadline:
                self.stop()
                raise RuntimeError("weston did not start Xwayland within %.0f s" % timeout)
            try:
                with open(log) as f:
                    m = re.search(r"xserver listening on display (:\d+)", f.read())
                self.display = m.group(1) if m else None
            except OSError:
                pass
            time.sleep(0.1)

    def env(self):
        env = self.outer.env()
        env["DISPLAY"] = self.display
        env["XDG_RUNTIME_DIR"] = self.runtime
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def stop(self):
        harness.end_process(self.proc)
        shutil.rmtree(self.runtime, ignore_errors=True)


class UnderXwayland(textref.FrameCount, harness.ViewerTest):
    """The viewer on weston's Xwayland, the pointer and keys driven on the
    outer Xvfb, so they pass through the compositor as a user's do."""

    screen = (1024, 768)

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.xvfb.size = cls.screen
        try:
            cls.weston = WestonDisplay(cls.xvfb)
        except RuntimeError as e:
            cls.weston = None
            cls.why = str(e)

    @classmethod
    def tearDownClass(cls):
        if cls.weston is not None:
            cls.weston.stop()
        super().tearDownClass()

    def outer(self, args):
        subprocess.run(["xdotool"] + args, env=self.xvfb.env(), check=True, timeout=15,
                       capture_output=True)

    def lon(self, pic):
        kinds, g = centre_probe(pic)
        self.assertEqual(kinds, {"near"})
        return lon_of_gray(g)

    def settle(self):
        """The first screen, and its number, of a frame drawn once what was
        sent so far has passed the compositor and been applied."""
        _, n = self.frame_from(0)
        return self.frame_from(n + 6)

    def test_auto_mode_hands_the_globe_to_a_drag(self):
        if self.weston is None:
            self.skipTest("no Wayland compositor to test under: " + self.why)
        v = harness.Viewer(self.weston, surface=make_surface(lon_gray))
        self.viewers.append(v)
        # The compositor's pointer follows the outer one's motion from the
        # top-left corner: to the corner, then to the centre.
        self.outer(["mousemove", "0", "0"])
        self.settle()
        # Clear of the centre, where the compositor draws its cursor.
        self.outer(["mousemove", "600", "384"])
        self.settle()
        self.outer(["click", "1"])
        self.settle()
        for key in ("F5", "F7"):
            self.outer(["key", key])
            pic, _ = self.settle()
        start = self.lon(pic)
        self.assertLess(abs(lon_diff(start, mouse_lon(600))), 2.5, "pointer at x 600: %.1f" % start)
        self.outer(["key", "F2"])
        self.settle()
        # 0.2 degrees west a frame, counted between two pictures.
        pic, n0 = self.frame_from(0)
        first = self.lon(pic)
        pic, n1 = self.frame_from(n0 + 40)
        auto = self.lon(pic)
        turned = lon_diff(first, auto)
        self.assertLess(abs(lon_diff(turned, 0.2 * (n1 - n0))), 2.0,
                        "auto mode turned the globe by %.1f degrees in %d frames" % (turned, n1 - n0))
        # A drag of 8 pixels to the left: 4 degrees further west of where auto
        # mode has turned the globe meanwhile, not back east to where the
        # compositor's cursor was left. Auto mode turns on until the press,
        # at most for the frames up to the picture after the drag.
        self.outer(["mousedown", "1"])
        self.outer(["mousemove_relative", "--", "-4", "0"])
        self.settle()
        self.outer(["mousemove_relative", "--", "-4", "0"])
        self.outer(["mouseup", "1"])
        pic, n2 = self.settle()
        after = self.lon(pic)
        drift = 0.2 * (n2 - n1)
        moved = lon_diff(after, auto)
        what = "drag after auto mode: %.1f -> %.1f (start %.1f, drift %.1f)" % (auto, after, start, drift)
        self.assertLess(moved, 2.0, what)
        self.assertGreater(moved, -(4.0 + drift) - 5.0, what)
        self.assertTrue(v.alive())


class NarrowPair:
    """On screens narrower than 4:3, where the frame fills the width: the
    stereo captions under their images, the read-outs beside the pair."""

    def image_bottom(self, pic, x):
        """The last row of surface going down column x from below the
        cross-hair at the centre row."""
        y = self.h // 2 + 30
        while y + 1 < self.h and surface_pixel(pic.pixel(x, y + 1)):
            y += 1
        return y

    def test_pair_captions_under_their_images_and_the_readouts_beside(self):
        w, h, k = self.w, self.h, self.k
        v = self.start(surface=make_surface(lon_gray))
        self.assertEqual(v.wait_size((w, h)), (w, h))
        v.move(w // 2, h // 2, settle=0.0)
        # One zoom step, 1.02 degrees; grid, grid labels and names off.
        self.keys(v, "F4", "F5", "F7", "F8", "Up")
        font = self.font()
        fov = FOV0 + 0.5
        # Where the 1024 x 768 frame has the captions: the image's bottom row
        # 575, its centre from the pair's geometry.
        frame_centres = pair_centres(fov, 1)
        for names in (("Left ", "Right"), ("Right", "Left ")):
            pic = self.keys(v, "F9")
            found = runs(pic, h // 2, 0, w)
            self.assertEqual(len(found), 2, "%s images on the centre row: %r" % (names, found))
            for (a, b), name, col, fc in zip(found, names, (37, 89), frame_centres):
                centre = (a + b) / 2.0
                bottom = self.image_bottom(pic, int(centre))
                at = font.find(pic, name.strip(), 13, k)
                self.assertEqual(len(at), 1, "%r at %dx%d: %r" % (name, w, h, at))
                x, base = at[0]
                fx, fbase = textref.cell_origin(50, col)
                what = "%r: image %d..%d bottom %d, caption at (%d, %d)" % (name, a, b, bottom, x, base)
                # Under its image, clear of it, where the frame has it within
                # a caption's height or two.
                self.assertGreater(base - 11 * k + 1, bottom, what)
                self.assertLessEqual(abs((base - bottom) - k * (fbase - 575)), 2 * 13 * k, what)
                self.assertLessEqual(abs((x - centre) - k * (fx - fc)), 2 * 8 * k, what)
            # The read-outs whole beside the right image.
            lat, lon = textref.fld_f(-1.0, 6, 1), textref.fld_f(1.0, 6, 1)
            for text in (b"\x0f :\xb1100.km", b"Lat=" + lat.encode() + b"\xb0",
                         b"Lon=" + lon.encode() + b"\xb0"):
                at = font.find(pic, text, 15, k)
                self.assertEqual(len(at), 1, "%r beside the pair %r at %dx%d" % (text, found, w, h))
                self.assertGreater(at[0][0], found[1][1], text)
        self.assertTrue(v.alive())


class Portrait(NarrowPair, ScreenChecks, harness.ViewerTest):
    """A 1920 x 1080 monitor turned upright: the frame fills the width."""
    screen = (1080, 1920)


class PortraitTablet(NarrowPair, ScreenChecks, harness.ViewerTest):
    screen = (768, 1024)


class HalfHd(ScreenChecks, harness.ViewerTest):
    """A 1920 x 1080 screen at 200 % scaling, as an X11 program sees it under Xwayland."""
    screen = (960, 540)

    # Narrower and lower than the frame: the pointer checks assume the frame fits.
    test_pointer_dump_keys_and_drag = None
    test_latitude_at_the_screen_centre = None


class Uhd(ScreenChecks, harness.ViewerTest):
    """3840 x 2160: text at glyph scale 2."""
    screen = (3840, 2160)

    test_pointer_dump_keys_and_drag = None
    test_latitude_at_the_screen_centre = None


if __name__ == "__main__":
    harness.main()
