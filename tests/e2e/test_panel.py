"""The text panel as it appears on the screen: status lines, credits with the
benchmark and iteration lines, the timed disclaimer, the read-outs, the
Apollo-mode mission lines and the stereo eye labels.

Lines are compared pixel for pixel with the same text drawn by the reference
renderer at the cell worked out from the grid; changing numbers (benchmark,
iteration) are read off the screen first and then compared the same way.
"""

import math
import os
import re
import shutil
import tempfile
import time

import harness
import textref
from probes import pointer_spin, pointer_tilt
from textref import Text, fld_f, fld_i, fld_z

DEG, PLUSMINUS, CROSS = b"\xb0", b"\xb1", b"\x0f"
VERSION = harness.IDENT_TEXT.encode() + b"\x00"
FOV0 = textref.f32(0.5241)
DEG_RAD = 0.017453292519943295
SITES = [(0.7, 23.4), (-3.2, -23.4), (-3.7, -17.5), (26.1, 3.7), (-9.0, 15.5), (20.2, 30.8)]
MISSIONS = [b"Apollo 11 - 1969.07.16-.07.24", b"Apollo 12 - 1969.11.14-.11.24",
            b"Apollo 14 - 1971.01.31-.02.09", b"Apollo 15 - 1971.07.26-.08.07",
            b"Apollo 16 - 1972.04.16-.04.27", b"Apollo 17 - 1972.12.07-.12.19"]
CREW = re.compile(rb"^[A-Z][a-z]+\*?, [A-Z][a-z]+\*? & [A-Z][a-z]+\*? *$")
# F8.1 rate or F6.3 seconds per frame, right-aligned.
BENCH = re.compile(rb"^Benchmark:(Infinity| *\d+\.\d) Hz$|^Benchmark:( *\d+\.\d{3}) sec\.$")


def status(mouse=(512, 384), menu=13, key=0, arrow=0, err=0):
    return [
        Text(1, 105, 15, VERSION),
        Text(2, 105, 8, "x=%s y=%s" % (fld_i(mouse[0], 4), fld_i(mouse[1], 4))),
        Text(3, 105, 8, "MenuNew=  " + fld_i(menu, 3)),
        Text(4, 105, 8, ("KeyChar=  " + fld_i(key, 3) + " ").encode() + bytes([key & 0xFF])),
        Text(5, 105, 8, "ArrowKey= " + fld_i(arrow, 3)),
        Text(6, 105, 12 if err else 8, "glGetError=" + fld_z(err, 8)),
        Text(7, 105, 11, "RMB:menu Qq:quit"),
        Text(8, 105, 11, "LMB+mouse:motion"),
        Text(9, 105, 9, " ~ :screen dump "),
    ]


def credits(bench, iteration):
    return [
        Text(1, 1, 15, "Lunar Surface:  Courtesy USGS Astrogeology Research Program"),
        Text(4, 1, 11, "Uses GLUT32.DLL & 1024x768 screen res."),
        Text(6, 36, 15, "2002.05.31"),
        Text(7, 1, 7, bench),
        Text(8, 1, 8, iteration),
    ]


def disclaimer(frame):
    out = [Text(52, 2, 12, "Disclaimer: Use this program"), Text(53, 11, 12, "only at your own risk.")]
    if frame < 300:
        out.append(Text(54, 2, 14, "Close other applications before testing."))
    if frame < 600:
        out.append(Text(55, 2, 14, "This program can lock out for no apparent reason."))
    out += [Text(56, 2, 7, "Image ID: QarnS.Bmp 1024x512 gray scale"),
            Text(57, 12, 7, "525,366 bytes 2002.02.28.1102")]
    return out


def elevation(fov):
    alt = max(1.0, 20.0 / math.sin(fov * DEG_RAD / 2.0) - 20.0)
    return alt / 20.0 * 1738.0


def mouse_view(mx, my):
    """Latitude and longitude of the view centre in mouse mode."""
    tilt, spin = pointer_tilt(my), pointer_spin(mx)
    lon = math.degrees(math.atan2(-math.sin(math.radians(spin)), math.cos(math.radians(spin))))
    return math.degrees(math.asin(math.cos(math.radians(tilt)))), lon


def readouts(fov, lat, lon, clr=15):
    return [
        Text(10, 105, 9, "Arrows: zoom    "),
        Text(11, 106, 7, "Gray - near side"),
        Text(12, 107, 9, "Radius= 1738.km"),
        Text(13, 108, 9, "Elev=" + fld_f(elevation(fov), 7, 0) + "km"),
        Text(14, 109, 9, ("Fov =" + fld_f(fov, 8, 2)).encode() + DEG),
        Text(27, 117, clr, b" " + CROSS + b" :" + PLUSMINUS + b"100.km"),
        Text(29, 117, clr, ("Lat=" + fld_f(lat, 6, 1)).encode() + DEG),
        Text(30, 117, clr, ("Lon=" + fld_f(lon, 6, 1)).encode() + DEG),
    ]


class PanelTest(harness.ViewerTest):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.font = textref.Font(cls.xvfb)

    def begin(self, mouse=(512, 384)):
        v = self.start()
        v.move(*mouse, settle=0.5)
        return v

    def read(self, shot, line, col, n, clr):
        return self.font.read(shot, line, col, n, clr)

    def assertShows(self, shot, texts, where="", over_globe=()):
        """Each text is on the screen, pixel for pixel, at its cell. For the
        texts in over_globe only the glyphs are compared, and the cell must
        read as the text."""
        ref = textref.render(self.xvfb, texts)
        for t in texts:
            rect = t.rect()
            if t.text.strip(b" \x00"):
                self.assertGreater(textref.ink(ref, rect), 0, "reference of %r is blank" % t)
            diff = textref.differences(shot, ref, rect)
            if t in over_globe:
                diff = [(x, y) for x, y in diff if ref.pixel(x, y) != (0, 0, 0)]
                if self.read(shot, t.line, t.col, len(t.text), t.clr) != t.text:
                    diff.append(None)
            if diff:
                got = self.read(shot, t.line, t.col, len(t.text), t.clr)
                shot.save_png("/tmp/qarn-panel-fail.png")
                self.fail("%s%r: %d pixels differ, screen reads %r (saved /tmp/qarn-panel-fail.png)"
                          % (where, t, len(diff), got))

    def assertBlank(self, shot, line, col, n, clr=None):
        """No text at the cell: nothing but black, or nothing of colour clr
        where the globe may lie behind the cell."""
        rect = textref.line_rect(line, col, n)
        colour = None if clr is None else textref.PALETTE[clr]
        self.assertEqual(textref.ink(shot, rect, colour), 0, "text at line %d column %d" % (line, col))

    def counters(self, shot):
        """The benchmark and iteration lines as they read on the screen."""
        bench = self.read(shot, 7, 1, 21, 7)
        it = self.read(shot, 8, 1, 21, 8)
        m = BENCH.match(bench)
        self.assertIsNotNone(m, bench)
        self.assertEqual(len(m.group(1) or m.group(2)), 8 if m.group(1) else 6, bench)
        self.assertRegex(it, rb"^Iteration: {1,10}\d+$")
        return bench, it, int(it[10:])

    def wait_for(self, probe, timeout=10.0):
        """Captures until probe(shot) is true; returns that capture."""
        shot = self.until(probe, timeout)
        if not probe(shot):
            shot.save_png("/tmp/qarn-panel-fail.png")
            self.fail("screen did not change as expected (saved /tmp/qarn-panel-fail.png)")
        return shot

    def reads(self, line, col, clr, text):
        text = text if isinstance(text, bytes) else text.encode("latin-1")
        return lambda shot: self.read(shot, line, col, len(text), clr) == text

    # ---- tests -----------------------------------------------------------

    def test_start_screen_shows_the_whole_panel(self):
        self.begin()
        shot = harness.capture_screen(self.xvfb)
        bench, it, frame = self.counters(shot)
        self.assertGreater(frame, 1)
        lat, lon = mouse_view(512, 384)
        self.assertEqual((fld_f(lat, 6, 1), fld_f(lon, 6, 1)), ("  -1.0", "   1.0"))
        texts = status() + credits(bench, it) + disclaimer(frame) + readouts(FOV0, lat, lon)
        self.assertShows(shot, texts)
        # The blank credits lines and the lines of the other modes are empty.
        self.assertBlank(shot, 2, 1, 54)
        self.assertBlank(shot, 1, 75, 25)
        self.assertBlank(shot, 50, 37, 5, clr=13)  # the grid sphere reaches into this cell
        self.assertBlank(shot, 50, 89, 5, clr=13)
        self.assertBlank(shot, 50, 104, 20)

    def test_status_lines_follow_the_pointer_and_the_keys(self):
        v = self.begin((300, 200))
        self.assertShows(self.wait_for(self.reads(2, 105, 8, "x= 300 y= 200")), status((300, 200)))
        v.move(1023, 767)
        self.assertShows(self.wait_for(self.reads(2, 105, 8, "x=1023 y= 767")), status((1023, 767))[1:2])

        v.move(640, 480)
        # Lower case: freeglut reports a shift key as a special key of its own.
        v.key("a")
        self.assertShows(self.wait_for(self.reads(4, 105, 8, "KeyChar=   97 a")),
                         status((640, 480), key=97))
        v.key("z")
        self.assertShows(self.wait_for(self.reads(4, 105, 8, "KeyChar=  122 z")), status(key=122)[3:4])

        # A function key is consumed by the next frame: the code shows in
        # MenuNew and ArrowKey is already back to 0.
        v.key("F2")
        shot = self.wait_for(self.reads(3, 105, 8, "MenuNew=   12"))
        self.assertShows(shot, status(menu=12, key=122)[2:6])
        # Auto mode warps the pointer along with the globe; y stays.
        xs = set()
        deadline = time.time() + 20.0
        while len(xs) < 2 and time.time() < deadline:
            line = self.read(harness.capture_screen(self.xvfb), 2, 105, 13, 8)
            m = re.match(rb"^x= {0,3}(\d+) y= 480$", line)
            self.assertIsNotNone(m, line)
            xs.add(int(m.group(1)))
        self.assertGreater(len(xs), 1, "pointer did not travel in auto mode")
        self.assertTrue(all(150 <= x <= 1022 for x in xs), xs)

        # A one-shot command reads 13 once it has been applied.
        v.key("F6")
        shot = self.wait_for(self.reads(3, 105, 8, "MenuNew=   13"))
        self.assertShows(shot, status(menu=13, key=122)[2:6])
        # The left arrow stays pending in ArrowKey.
        v.key("Left")
        self.assertShows(self.wait_for(self.reads(5, 105, 8, "ArrowKey= 100")), status(arrow=100)[4:5])

    def test_credits_go_with_the_first_zoom_step_and_return_with_f4(self):
        v = self.begin()
        self.assertShows(harness.capture_screen(self.xvfb), credits(b"", b"")[:3])
        v.key("Up")
        fov = FOV0 + 0.5
        fov_line = ("Fov =" + fld_f(fov, 8, 2)).encode() + DEG
        self.assertEqual(fov_line, b"Fov =    1.02" + DEG)
        shot = self.wait_for(self.reads(14, 109, 9, fov_line))
        lat, lon = mouse_view(512, 384)
        self.assertShows(shot, readouts(fov, lat, lon)[3:5])
        for line in range(1, 9):  # the left part, clear of the larger globe
            self.assertBlank(shot, line, 1, 30)
        # Shown again at this distance once switched on.
        v.key("F4")
        shot = self.wait_for(self.reads(1, 1, 15, "Lunar Surface:"))
        bench, it, frame = self.counters(shot)
        texts = credits(bench, it)
        self.assertShows(shot, texts + status(menu=13)[2:3], over_globe=texts[2:3])

    def test_timed_disclaimer_lines_go_after_300_and_600_frames(self):
        self.begin()
        seen = set()
        deadline = time.time() + 90
        while time.time() < deadline:
            shot = harness.capture_screen(self.xvfb)
            _, _, frame = self.counters(shot)
            # The iteration line and the disclaimer come from the same frame.
            self.assertShows(shot, disclaimer(frame), "frame %d: " % frame)
            if frame >= 300:
                self.assertBlank(shot, 54, 2, 40)
            if frame >= 600:
                self.assertBlank(shot, 55, 2, 49)
                seen.add("after 600")
                break
            seen.add("before 300" if frame < 300 else "before 600")
            time.sleep(0.2)
        self.assertEqual(seen, {"before 300", "before 600", "after 600"})

    def test_an_unchanged_frame_uploads_only_the_runs_that_changed(self):
        # The viewer left alone, its texture uploads counted frame by frame by
        # a stand-in for libGL's calls (tests/tools/gl_uploads.cpp). Before the
        # first disclaimer line goes at frame 300 no line appears or vanishes,
        # and only the Iteration line (every frame) and the Benchmark line
        # (once an interval) change: each frame uploads one or two runs of 21
        # characters, always the same slot or two of the text texture, and
        # makes no texture anew.
        workdir = tempfile.mkdtemp(prefix="qarn-uploads-")
        log = os.path.join(workdir, "uploads")
        asan = (os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0").lstrip(":")
        lib = os.path.abspath(os.path.join(textref.HELPERS, "libqarn-gl-uploads.so"))
        v = self.start(env={"LD_PRELOAD": lib, "QARN_GL_UPLOADS": log, "ASAN_OPTIONS": asan})
        def swapped():
            if not os.path.exists(log):
                return []
            with open(log) as f:
                return f.read().split("\n")[:-1]
        frames = harness.wait_for(swapped, lambda f: len(f) >= 290 or not v.alive(), timeout=240,
                                  interval=0.5)
        self.assertGreaterEqual(len(frames), 290, "frames swapped in 240 s")
        slots = []
        for n, line in enumerate(frames[40:285], 40):
            words = line.split()
            self.assertEqual(words[0], "swap")
            self.assertFalse([w for w in words if w.startswith("new:")], "frame %d: %s" % (n, line))
            ups = [tuple(map(int, re.match(r"(\d+)\+(\d+):(\d+)$", w).groups())) for w in words[1:]]
            self.assertIn(len(ups), (1, 2), "frame %d: %s" % (n, line))
            for y, h, w in ups:
                self.assertEqual((h, w, y % h), (16, 21 * 8, 0), "frame %d: %s" % (n, line))
            slots.append({y // h for y, h, _ in ups})
        every, seen = set.intersection(*slots), set.union(*slots)
        self.assertEqual(len(every), 1, "the Iteration line's slot is uploaded every frame: %s" % slots)
        self.assertLessEqual(len(seen), 2, "slots uploaded: %s" % sorted(seen))
        shutil.rmtree(workdir, ignore_errors=True)

    def test_apollo_mode_shows_the_mission_in_yellow(self):
        v = self.begin()
        v.key("F1")
        shot = self.wait_for(self.reads(50, 104, 14, "Aa:show next mission"))
        for mission in (1, 2):
            if mission == 2:
                v.key("a")
                shot = self.wait_for(self.reads(50 + mission, 99, 14, MISSIONS[1]))
            crew = self.read(shot, 51 + mission, 99, 29, 14)
            self.assertRegex(crew, CREW)
            self.assertEqual(crew.count(b"*"), 2, crew)
            lat, lon = SITES[mission - 1]
            texts = (readouts(FOV0, lat, lon, clr=14)
                     + [Text(50, 104, 14, "Aa:show next mission"),
                        Text(50 + mission, 99, 14, MISSIONS[mission - 1]),
                        Text(51 + mission, 99, 14, crew)]
                     + status(menu=11, key=0)[2:5])
            self.assertShows(shot, texts, "mission %d: " % mission)
        self.assertBlank(shot, 51, 99, 29)
        # Back in mouse mode: white read-outs, no mission.
        v.key("F3")
        shot = self.wait_for(self.reads(29, 117, 15, ("Lat=" + fld_f(mouse_view(512, 384)[0], 6, 1)).encode() + DEG))
        self.assertShows(shot, readouts(FOV0, *mouse_view(512, 384))[5:])
        self.assertBlank(shot, 50, 104, 20)
        self.assertBlank(shot, 52, 99, 29)
        self.assertBlank(shot, 53, 99, 29)

    def test_eye_labels_in_the_pair_modes(self):
        v = self.begin()
        self.assertBlank(harness.capture_screen(self.xvfb), 50, 37, 5, clr=13)
        v.key("F9")
        shot = self.wait_for(self.reads(50, 37, 13, "Left "))
        self.assertShows(shot, [Text(50, 37, 13, "Left "), Text(50, 89, 13, "Right")] + status()[2:3])
        v.key("F9")
        shot = self.wait_for(self.reads(50, 37, 13, "Right"))
        self.assertShows(shot, [Text(50, 37, 13, "Right"), Text(50, 89, 13, "Left ")])
        v.key("F9")
        shot = self.wait_for(lambda s: textref.ink(s, textref.line_rect(50, 37, 5), textref.PALETTE[13]) == 0)
        self.assertBlank(shot, 50, 89, 5, clr=13)


if __name__ == "__main__":
    harness.main()
