#!/usr/bin/env python3
"""Pictures of the viewer for the README, and its icon.

Runs the real viewer on the shipped map under its own Xvfb (the end-to-end
harness), steers it with xdotool through six views, checks that each frame
shows what it should (panel lines read back off the screen, grid, surface
and far-side pixels counted) and writes them to docs/ as PNGs of at most
250 KB. The icon is cut from the near side with the grid, figures and names
off: the globe disc, the cross-hair painted over from its neighbours, the
outside transparent, at the hicolor sizes in packaging/icons/qarn-N.png.

    PYTHONPATH=tests/e2e docs/screenshots.py [--bin build/qarn] [--map data/Qarns.Bmp]
                                             [--docs docs] [--icons packaging/icons]

Every wait is bounded; Xvfb and the viewer are ended by their ids.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

# The end-to-end harness and its probes, from tests/e2e on PYTHONPATH (as
# `make screenshots` sets it).
try:
    import harness
    import probes
    import textref
    from probes import pointer_for
except ImportError as e:
    sys.exit("screenshots: %s; run it with PYTHONPATH=tests/e2e (as `make screenshots` does)" % e)

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

MAX_BYTES = 250 * 1024
ICON_SIZES = (16, 32, 48, 64, 128, 256)
CX, CY = 512, 384
DEG = "\xb0"
BOX = (200, 110, 824, 660)  # middle of the screen, clear of the panel text


def counts(pic, box=BOX):
    """Pixels in box by kind: near side (gray), far side (cyan), grid (blue),
    other ink (labels, cross-hair)."""
    return probes.counts(pic, box)


class Session:
    def __init__(self, viewer, font):
        self.v, self.font = viewer, font
        self.failures = []

    def grab(self, settle=0.8):
        time.sleep(settle)
        return harness.capture_screen(self.v.xvfb)

    def text(self, pic, line, col, clr, n):
        return self.font.read(pic, line, col, n, clr).decode("latin-1")

    def expect(self, what, ok, detail):
        print("screenshots: %s %s: %s" % ("ok" if ok else "FAIL", what, detail), flush=True)
        if not ok:
            self.failures.append("%s: %s" % (what, detail))

    def expect_text(self, what, pic, line, col, clr, text):
        got = self.text(pic, line, col, clr, len(text))
        self.expect(what, got == text, "line %d col %d reads %r, expected %r"
                    % (line, col, got, text))

    def fov(self, pic):
        t = self.text(pic, 14, 109, 9, 14)
        try:
            return float(t[5:13])
        except ValueError:
            raise RuntimeError("no Fov read-out: %r" % t)

    def zoom(self, target):
        """Up or down presses until the Fov read-out shows target; a press
        that falls between the same two frames as another is lost, so the
        read-out is checked and topped up."""
        for _ in range(8):
            steps = int(round((target - self.fov(self.grab(0.5))) / 0.5))
            if steps == 0:
                return
            key = "Up" if steps > 0 else "Down"
            for k in range(0, abs(steps), 50):
                self.v.xdo(["key", "--delay", "60"] + [key] * min(50, abs(steps) - k))
        raise RuntimeError("Fov did not reach %.2f" % target)

    def aim(self, lat, lon):
        self.v.move(*pointer_for(lat, lon), settle=0.3)

    def keys(self, *names):
        for k in names:
            self.v.key(k, settle=0.3)


def write_png(pic, path):
    """PNG of the picture: full size and lossless when that fits in
    MAX_BYTES, else quantised to 256 colours without dithering (the panel
    and grid use 16 colours, the surface gray and cyan ramps the rest)."""
    ppm = b"P6 %d %d 255\n" % (pic.width, pic.height) + b"".join(pic.rows)
    for opts in ([], ["-dither", "None", "-colors", "256", "-define", "png:color-type=3"]):
        subprocess.run(["convert", "ppm:-"] + opts + ["-strip", path], input=ppm, check=True,
                       timeout=60)
        if os.path.getsize(path) <= MAX_BYTES:
            return "lossless" if not opts else "256 colours"
    raise RuntimeError("%s: %d bytes after quantising" % (path, os.path.getsize(path)))


def disc(pic):
    """Centre and radius of the globe disc: its extent along the middle row
    and column, walked out from the centre to the first black pixel (the
    near side's texture is never black)."""
    def edge(at, start, step, stop):
        k = start
        while k + step != stop and max(at(k + step)) > 0:
            k += step
        return k
    row = lambda x: pic.pixel(x, CY)
    col = lambda y: pic.pixel(CX, y)
    x0, x1 = edge(row, CX, -1, -1), edge(row, CX, 1, pic.width)
    y0, y1 = edge(col, CY, -1, -1), edge(col, CY, 1, pic.height)
    return (x0 + x1 + 1) / 2.0, (y0 + y1 + 1) / 2.0, max(x1 - x0 + 1, y1 - y0 + 1) / 2.0


def without_crosshair(pic, reach=24):
    """The picture with the white cross-hair at the centre painted over by
    the mean of the nearest non-white pixels on either side of each arm."""
    white = (255, 255, 255)
    rows = [bytearray(r) for r in pic.rows]
    for y in range(CY - reach, CY + reach):
        for x in range(CX - reach, CX + reach):
            if pic.pixel(x, y) != white:
                continue
            near = []
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                for k in range(1, 4):
                    p = pic.pixel(x + k * dx, y + k * dy)
                    if p != white:
                        near.append(p)
                        break
            if near:
                rows[y][3 * x:3 * x + 3] = bytes(sum(c) // len(near) for c in zip(*near))
    return harness.Picture(pic.width, pic.height, [bytes(r) for r in rows])


def write_icons(pic, outdir):
    """The disc cut square, the outside transparent, scaled to each size."""
    cx, cy, r = disc(pic)
    side = int(2 * r + 2)
    x0, y0 = int(round(cx - side / 2.0)), int(round(cy - side / 2.0))
    c = side / 2.0
    ppm = b"P6 %d %d 255\n" % (pic.width, pic.height) + b"".join(pic.rows)
    os.makedirs(outdir, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="qarn-icon-") as tmp:
        master = os.path.join(tmp, "disc.png")
        subprocess.run(["convert", "ppm:-", "-crop", "%dx%d+%d+%d" % (side, side, x0, y0),
                        "+repage", "(", "-size", "%dx%d" % (side, side), "xc:black", "-fill",
                        "white", "-draw", "circle %.1f,%.1f %.1f,%.1f" % (c, c, c + r - 0.5, c),
                        ")", "-alpha", "off", "-compose", "CopyOpacity", "-composite", master],
                       input=ppm, check=True, timeout=60)
        for n in ICON_SIZES:
            subprocess.run(["convert", master, "-filter", "Lanczos", "-resize", "%dx%d" % (n, n),
                            "-strip", os.path.join(outdir, "qarn-%d.png" % n)],
                           check=True, timeout=60)
    return cx, cy, r


def shoot(s):
    """The six views and the icon source in one run, each checked; returns
    the pictures by file name."""
    v, shots = s.v, {}

    # Start view, mouse mode, centred on latitude 0, longitude 0.
    s.aim(0, 0)
    pic = s.grab(1.5)
    n = counts(pic)
    s.expect_text("start view", pic, 1, 1, 15, "Lunar Surface:  Courtesy USGS Astrogeology")
    s.expect_text("start view", pic, 14, 109, 9, "Fov =    0.52" + DEG)
    s.expect("start view", n["near"] > 200000 and n["far"] == 0 and n["blue"] > 5000, n)
    shots["screenshot.png"] = pic

    # Icon source: the same view with grid, figures and names off.
    s.keys("F5", "F7", "F8")
    pic = s.grab()
    n, nc = counts(pic), counts(pic, (CX - 24, CY - 24, CX + 24, CY + 24))
    s.expect("icon source", n["blue"] == 0 and n["other"] - nc["other"] < 200, (n, nc))
    cx, cy, r = disc(pic)
    s.expect("icon source", abs(cx - 512) < 2 and abs(cy - 384) < 2 and abs(r - 317) < 3,
             "disc at (%.1f, %.1f), radius %.1f" % (cx, cy, r))
    shots["icon"] = pic

    # Plain textured globe turned east, so the far side shows cyan at the limb.
    s.aim(15, 55)
    pic = s.grab()
    n = counts(pic)
    s.expect("plain globe", n["blue"] == 0 and n["far"] > 10000 and n["near"] > 100000, n)
    shots["plain-globe.png"] = pic
    s.keys("F5", "F7", "F8")

    # Globe off, from 35 degrees north at dFov 60: the grid sphere's far
    # side, up to the far clipping plane 5 units behind the globe centre,
    # shows through, so there are far more grid pixels than with the globe.
    s.aim(35, 0)
    s.zoom(60.02)
    with_globe = counts(s.grab())
    s.keys("F6")
    pic = s.grab()
    n = counts(pic)
    s.expect("globe off", n["near"] < 500 and n["far"] == 0
             and n["blue"] > 1.3 * with_globe["blue"], (with_globe, n))
    shots["globe-off.png"] = pic
    s.keys("F6")

    # Apollo mode on Apollo 11, closer in.
    s.keys("F1")
    s.zoom(20.02)
    pic = s.grab()
    s.expect_text("apollo", pic, 50, 104, 14, "Aa:show next mission")
    s.expect_text("apollo", pic, 51, 99, 14, "Apollo 11 - 1969.07.16-.07.24")
    s.expect_text("apollo", pic, 29, 117, 14, "Lat=   0.7" + DEG)
    s.expect_text("apollo", pic, 30, 117, 14, "Lon=  23.4" + DEG)
    shots["apollo.png"] = pic

    # Near the surface between Tycho and Clavius, then the L:R pair of the
    # same view.
    s.keys("F3")
    s.aim(-51, -13)
    s.zoom(140.0)
    pic = s.grab()
    n = counts(pic)
    s.expect_text("near surface", pic, 14, 109, 9, "Fov =  140.00" + DEG)
    s.expect("near surface", n["blue"] == 0 and n["near"] > 300000, n)
    shots["near-surface.png"] = pic
    s.keys("F9")
    pic = s.grab()
    s.expect_text("pair", pic, 50, 37, 13, "Left ")
    s.expect_text("pair", pic, 50, 89, 13, "Right")
    left, right = counts(pic, (150, 300, 450, 460)), counts(pic, (574, 300, 874, 460))
    mid = counts(pic, (CX - 8, 200, CX + 8, 560))
    s.expect("pair", left["near"] > 40000 and right["near"] > 40000 and mid["near"] == 0,
             (left, right, mid))
    shots["pair-lr.png"] = pic

    errors = [l for l in v.lines if "CheckGL" in l]
    s.expect("console", not errors, errors)
    v.key("q", settle=0.0)
    rc = v.wait_exit(20)
    s.expect("quit", rc == 0, "exit status %r" % rc)
    return shots


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "qarn"))
    ap.add_argument("--map", default=os.path.join(ROOT, "data", "Qarns.Bmp"))
    ap.add_argument("--docs", default=os.path.join(ROOT, "docs"))
    ap.add_argument("--icons", default=os.path.join(ROOT, "packaging", "icons"))
    args = ap.parse_args()
    harness.QARN_BIN = args.bin
    textref.TEXTREF = os.path.join(os.path.dirname(os.path.abspath(args.bin)), "tests",
                                   "qarn-textref")

    xvfb = harness.Xvfb()
    viewer = None
    try:
        font = textref.Font(xvfb)
        viewer = harness.Viewer(xvfb, surface=args.map)
        s = Session(viewer, font)
        shots = shoot(s)
    finally:
        if viewer is not None:
            viewer.stop()
        xvfb.stop()
    if s.failures:
        print("screenshots: %d checks failed, nothing written" % len(s.failures))
        return 1
    icon = shots.pop("icon")
    cx, cy, r = write_icons(without_crosshair(icon), args.icons)
    print("screenshots: icons %s px in %s, from the disc at (%.1f, %.1f), radius %.1f px"
          % (", ".join(map(str, ICON_SIZES)), args.icons, cx, cy, r))
    for name, pic in shots.items():
        path = os.path.join(args.docs, name)
        how = write_png(pic, path)
        print("screenshots: %s: %d bytes, %s" % (path, os.path.getsize(path), how))
    return 0


if __name__ == "__main__":
    sys.exit(main())
