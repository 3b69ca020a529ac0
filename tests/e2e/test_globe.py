"""The globe as the user sees it: size, orientation, zoom, pairs and switches.

The viewer runs on synthetic surfaces whose gray levels encode longitude or
latitude, so the pixels near the cross-hair tell which point of the globe lies
at the view centre and whether it is on the near side (gray, R = G = B) or on
the far side (cyan, R = 0).
"""

import math
import re
import time

import harness
import textref
from probes import (CX, CY, SITES, centre_probe, column_extent, count_blue, count_surface,
                    disc_fov_radius, lat_gray, lat_of_gray, lon_diff, lon_gray, lon_of_gray,
                    make_surface, mouse_lat, mouse_lon, pair_centres, press, runs)


def parallel10_row(n):
    """Window y (from the top, pixel centres at k + 0.5) of the 10-degree
    parallel of the grid sphere on the centre column, with the view centre
    at longitude 5, latitude 0, after n up presses from the start. The
    parallel is a 36-sided polygon, so at longitude 5 it runs on the chord
    between its vertices at 0 and 10."""
    fov = 0.5241000056266785 + 0.5 * n
    f = 384.0 / math.tan(math.radians((fov + 0.11) / 2.0))
    alt = 20.0 / math.sin(math.radians(fov / 2.0)) - 20.0
    r, lat = 20.3, math.radians(10.0)
    depth = alt + 20.0 - r * math.cos(lat) * math.cos(math.radians(5.0))
    return 384.0 - f * r * math.sin(lat) / depth


def zoom_presses(pic):
    """Number of up presses applied since the start (150..238), from the
    position of the 10-degree parallel above the view centre; the view must
    be centred on longitude 5, latitude 0 (pointer at 520, 382). Between 150
    and 238 presses the parallel moves by 0.7 to 2 pixels per press."""
    rows = [y for y in range(60, 300) if count_blue(pic, (513, y, 514, y + 1))]
    assert rows, "no grid parallel above the centre"
    y = rows[-1] + 0.5
    best = min(range(150, 239), key=lambda n: abs(parallel10_row(n) - y))
    assert abs(parallel10_row(best) - y) < 0.7, "parallel at row %d fits no press count" % rows[-1]
    return best


class GlobeTest(textref.FrameCount, harness.ViewerTest):

    def centre(self, v, lon=None, lat=None, side=None, tol=2.0, what=""):
        """check_centre on the first capture that passes it, or the last."""
        def ok(pic):
            kinds, g = centre_probe(pic)
            return ((side is None or kinds == {side})
                    and (lon is None or abs(lon_diff(lon_of_gray(g), lon)) < tol)
                    and (lat is None or abs(lat_of_gray(g) - lat) < tol))
        self.check_centre(self.until(ok), lon, lat, side, tol, what)

    def fov_presses(self, pic):
        """Up presses applied since the start, from the "Fov =" read-out."""
        self.frame_from(0)  # the font
        text = self.font().read(pic, 14, 109, 14, 9)
        m = re.match(rb"^Fov = *([0-9]+\.[0-9]{2})\xb0$", text)
        self.assertIsNotNone(m, text)
        return round((float(m.group(1)) - 0.5241) / 0.5)

    def settle(self):
        """A screen drawn once the input sent so far has been applied."""
        _, n = self.frame_from(0)
        return self.frame_from(n + 4)[0]

    def check_centre(self, pic, lon=None, lat=None, side=None, tol=2.0, what=""):
        kinds, g = centre_probe(pic)
        if side is not None:
            self.assertEqual(kinds, {side}, what)
        if lon is not None:
            self.assertLess(abs(lon_diff(lon_of_gray(g), lon)), tol,
                            "%s: centre longitude %.2f, expected %.2f" % (what, lon_of_gray(g), lon))
        if lat is not None:
            self.assertLess(abs(lat_of_gray(g) - lat), tol,
                            "%s: centre latitude %.2f, expected %.2f" % (what, lat_of_gray(g), lat))

    def test_longitudes_sides_switches_and_apollo(self):
        v = self.start(surface=make_surface(lon_gray))
        v.move(520, 382, settle=0.5)  # longitude 5, latitude 0

        # Size at the start distance, measured with the grid off so that only
        # the textured disc counts.
        v.key("F5", settle=0.0)
        pic = self.until(lambda p: count_blue(p) == 0)
        radii, centres_x, centres_y = [], [], []
        for x in (412, 612):
            top, bottom = column_extent(pic, x)
            centres_y.append((top + bottom) / 2.0)
            radii.append(math.hypot((bottom - top + 1) / 2.0, x + 0.5 - 512))
        for y in (284, 484):
            (a, b), = runs(pic, y)
            centres_x.append((a + b) / 2.0)
            radii.append(math.hypot((b - a + 1) / 2.0, y + 0.5 - 384))
        expected = disc_fov_radius(0.5241000056266785)
        for r in radii:
            self.assertAlmostEqual(2 * r, 2 * expected, delta=4.0)
        self.assertAlmostEqual(2 * expected / 768.0, 0.83, delta=0.01)
        for c in centres_x:
            self.assertAlmostEqual(c, CX, delta=1.5)
        for c in centres_y:
            self.assertAlmostEqual(c, CY, delta=1.5)
        self.assertEqual(count_blue(pic), 0)
        self.check_centre(pic, lon=5.0, side="near", tol=2.5, what="start")

        # Grid back; zoom in so the centre region is large.
        v.key("F5", settle=0.0)
        self.assertGreater(count_blue(self.until(lambda p: count_blue(p) > 1000)), 1000)
        press(v, "Up", 100, 20)

        # Mouse mode: longitude 105 + x/2 under the cross-hair (clear of the
        # meridian numbers, which stand just west of each 10-degree meridian).
        for x in (575, 425, 605, 815, 215, 995, 85):
            v.move(x, 382, settle=0.0)
            lon = mouse_lon(x)
            side = "near" if abs(lon) < 90 else "far"
            self.centre(v, lon=lon, side=side, what="pointer x=%d" % x)

        # F6 hides the globe, the grid stays; F5 hides the grid.
        v.move(520, 382)
        pic = harness.capture_screen(v.xvfb)
        self.assertGreater(count_surface(pic), 100000)
        blue = count_blue(pic)
        self.assertGreater(blue, 1000)
        # One key a frame: each once the one before shows.
        v.key("F6", settle=0.0)
        pic = self.until(lambda p: count_surface(p) == 0)
        self.assertEqual(count_surface(pic), 0)
        self.assertGreater(count_blue(pic), blue)  # the far half of the grid shows through
        v.key("F6", settle=0.0)
        self.until(lambda p: count_surface(p) > 100000)
        v.key("F5", settle=0.0)
        pic = self.until(lambda p: count_blue(p) == 0)
        self.assertEqual(count_blue(pic), 0)
        self.assertGreater(count_surface(pic), 100000)
        v.key("F5", settle=0.0)
        self.until(lambda p: count_blue(p) > 1000)

        # Apollo mode: an 'a' typed before F1 advances the first Apollo frame
        # to mission 2; then 'a' steps 3, 4, 5, 6 and wraps to 1, 2.
        v.key("a")
        self.check_centre(harness.capture_screen(v.xvfb), lon=5.0, what="'a' in mouse mode")
        v.key("F1", settle=0.0)
        self.centre(v, lon=SITES[1][1], side="near", what="mission 2")
        for k in (2, 3, 4, 5, 0, 1):
            v.key("a", settle=0.0)
            self.centre(v, lon=SITES[k][1], side="near", what="mission %d" % (k + 1))
        # The pointer does not move the globe in Apollo mode.
        v.move(900, 600)
        self.check_centre(harness.capture_screen(v.xvfb), lon=SITES[1][1], what="pointer moved in Apollo mode")

    def test_latitudes_and_apollo_sites(self):
        v = self.start(surface=make_surface(lat_gray))
        v.move(540, 382, settle=0.5)  # longitude 15, latitude 0
        self.check_centre(harness.capture_screen(v.xvfb), lat=0.0, side="near", tol=2.5, what="start")
        press(v, "Up", 100, 20)
        for y in (382, 322, 262, 442, 502):
            v.move(540, y, settle=0.0)
            self.centre(v, lat=mouse_lat(y), side="near", what="pointer y=%d" % y)
        v.move(815, 322, settle=0.0)  # longitude 152.5, latitude 30
        self.centre(v, lat=30.0, side="far", what="far side")

        v.key("F1", settle=0.0)
        self.centre(v, lat=SITES[0][0], side="near", what="mission 1")
        for k in range(1, 6):
            v.key("A" if k % 2 else "a", settle=0.0)
            self.centre(v, lat=SITES[k][0], side="near", what="mission %d" % (k + 1))

    def test_grid_limit_and_pairs_near_the_surface(self):
        v = self.start(surface=make_surface(lon_gray))
        v.move(520, 382, settle=0.0)
        # The credits kept on: their Iteration line numbers the frames.
        v.key("F4", settle=0.0)
        self.settle()
        # 238 presses give 119.5241 degrees, the 239th 120.0241. A press can be
        # lost when two fall between the same two frames, so the count actually
        # applied is read back from the picture, once every press sent has
        # been taken, and topped up with single presses.
        press(v, "Up", 232, 60)
        n = self.fov_presses(self.settle())
        self.assertLessEqual(n, 232)
        for _ in range(20):
            if n >= 238:
                break
            press(v, "Up", 238 - n, 150)
            n = self.fov_presses(self.settle())
        pic = self.settle()
        self.assertEqual(self.fov_presses(pic), 238)
        self.assertEqual(zoom_presses(pic), 238)
        self.assertGreater(count_blue(pic), 1000)
        press(v, "Up", 1, 0)
        self.assertEqual(count_blue(self.settle()), 0)
        # On to the clamp at 140 (40 presses needed); lost presses and presses
        # beyond the clamp change nothing, so plenty are sent.
        press(v, "Up", 150, 60)
        self.settle()

        # Near the surface the limb is seen at a grazing angle, so the outline
        # of the faceted sphere (5-degree facets) lies a few pixels inside the
        # true circle and is not quite symmetric on a single row: centres are
        # taken as the median over several rows.
        rows = (250, 300, 360, 410, 470, 520)
        pic = harness.capture_screen(v.xvfb)
        r1 = disc_fov_radius(140.0)
        mids = []
        for y in rows:
            (a, b), = runs(pic, y)
            mids.append((a + b + 1) / 2.0)
            self.assertAlmostEqual(b - a + 1, 2 * math.sqrt(r1 ** 2 - (y + 0.5 - 384) ** 2), delta=10)
        self.assertAlmostEqual(sorted(mids)[len(mids) // 2], 512.0, delta=1.0)
        self.check_centre(pic, lon=5.0, side="near", tol=1.0, what="dFov 140")

        # F9: pair L:R, then R:L, then the single view again. The pair images
        # are half size, shifted sideways by the stereo set-up.
        r2 = disc_fov_radius(140.0, pair=True)
        self.assertAlmostEqual(r2, 192.0, delta=0.1)
        for name, mode in (("L:R", 1), ("R:L", -1)):
            v.key("F9", settle=0.0)
            pic = self.settle()
            mids = ([], [])
            for y in rows:
                found = runs(pic, y)
                self.assertEqual(len(found), 2, "%s row %d: %r" % (name, y, found))
                chord = 2 * math.sqrt(r2 ** 2 - (y + 0.5 - 384) ** 2)
                for k, (a, b) in enumerate(found):
                    mids[k].append((a + b + 1) / 2.0)
                    self.assertAlmostEqual(b - a + 1, chord, delta=6.0)
            for k, centre in enumerate(pair_centres(140.0, mode)):
                self.assertAlmostEqual(sorted(mids[k])[len(rows) // 2], centre, delta=1.0,
                                       msg="%s image %d: %r" % (name, k, mids[k]))
            # Nothing of the globe at the screen centre between the two images.
            self.assertEqual([pic.pixel(x, 384)[1] for x in range(505, 519)], [0] * 14)
        v.key("F9", settle=0.0)
        (a, b), = runs(self.settle(), 434)
        self.assertAlmostEqual((a + b) / 2.0, CX, delta=1.5)


if __name__ == "__main__":
    harness.main()
