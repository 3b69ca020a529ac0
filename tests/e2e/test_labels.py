"""Globe labels: grid numbers and feature names on the globe, F7 and F8.

The viewer runs on a plain mid-gray surface so that the label strokes
(white, Copernicus light green, Tycho light red) stand out from the globe and
from the blue grid. The pointer sits where mouse mode centres latitude 0,
longitude 0 (dTilt -90, dSpin -360) and the view is zoomed in to dFov 10.5241.
"""

import math
import os
import tempfile
import time

import harness
import textref
from harness import ViewerTest, write_gray_bmp
from probes import pointer_for

WHITE = (255, 255, 255)
GREEN = (85, 255, 85)    # palette 10, Copernicus
RED = (255, 85, 85)      # palette 12, Tycho
BLUE = (0, 0, 255)       # grid sphere
GRAY = (128, 128, 128)   # near-side surface

CENTRE_POINTER = pointer_for(0.0, 0.0)   # (510, 382): dTilt -90, dSpin -360
ZOOM_PRESSES = 20
FOV = 0.5241 + 0.5 * ZOOM_PRESSES

# The globe without the text panel: the status lines lie right of x = 830,
# the read-outs right of 925 and the disclaimer and image lines below y = 660.
GLOBE = (120, 0, 820, 658)
# Tycho lies just below GLOBE; the red disclaimer line ends left of x = 260.
RED_AREA = (300, 0, 820, 768)
# The cross-hair is white too; it sits inside this box at the centre.
CROSS = (460, 330, 565, 440)


# ---- where things land on the screen ---------------------------------------

def rot_x(a, v):
    c, s = math.cos(math.radians(a)), math.sin(math.radians(a))
    return (v[0], c * v[1] - s * v[2], s * v[1] + c * v[2])


def rot_z(a, v):
    c, s = math.cos(math.radians(a)), math.sin(math.radians(a))
    return (c * v[0] - s * v[1], s * v[0] + c * v[1], v[2])


def project(p, fov=FOV, tilt=-90.0, spin=-360.0):
    """Window pixel (x, y) of a globe-frame point in the single view."""
    alt = 20.0 / math.sin(math.radians(fov) / 2) - 20.0
    x, y, z = rot_x(tilt, rot_z(spin, p))
    z -= 20.0 + alt
    t = math.tan(math.radians(fov + 0.11) / 2)
    return 512 + x / -z / t * 384, 384 - y / -z / t * 384


def on_globe(lat, lon, r):
    la, lo = math.radians(lat), math.radians(lon)
    return (r * math.cos(la) * math.sin(lo), -r * math.cos(la) * math.cos(lo), r * math.sin(la))


def name_centre(lat, lon, size, letters):
    """Screen centre of a feature name's letter boxes (blanks excluded)."""
    pts = []
    for j, ch in enumerate(letters):
        if ch == " ":
            continue
        lam = lon + j * size * 5.0
        la, lo = math.radians(lat), math.radians(lam)
        base = on_globe(lat, lam, 20.1 + size / 2)
        east = (math.cos(lo), math.sin(lo), 0.0)
        north = (-math.sin(la) * math.sin(lo), math.sin(la) * math.cos(lo), math.cos(la))
        pts.append(project(tuple(base[i] + 0.5 * size * east[i] + 0.75 * size * north[i]
                                 for i in range(3))))
    return (sum(p[0] for p in pts) / len(pts), sum(p[1] for p in pts) / len(pts))


def meridian_box(v):
    """Screen box of the number of meridian v: one degree west of it, from
    z = 2.5 down the meridian, 4 x 1.5 x 0.5 long, 1.5 x 0.5 wide eastward."""
    lam = math.radians(v - 1)
    top = (20.6 * math.sin(lam), -20.6 * math.cos(lam), 2.5)
    east = (math.cos(lam), math.sin(lam), 0.0)
    corners = []
    for down in (0.0, 3.0):
        for across in (0.0, 0.75):
            corners.append(project((top[0] + across * east[0], top[1] + across * east[1],
                                    top[2] - down)))
    xs, ys = [c[0] for c in corners], [c[1] for c in corners]
    return int(min(xs)) - 2, int(min(ys)) - 2, int(max(xs)) + 3, int(max(ys)) + 3


# ---- pictures ----------------------------------------------------------------

def pixels(pic, colour, box, skip=None):
    """Positions of the pixels of one colour inside box (x0, y0, x1, y1)."""
    x0, y0, x1, y1 = box
    found = []
    for y in range(max(0, y0), min(pic.height, y1)):
        row = pic.rows[y]
        for x in range(max(0, x0), min(pic.width, x1)):
            if (row[3 * x], row[3 * x + 1], row[3 * x + 2]) == colour:
                if skip and skip[0] <= x < skip[2] and skip[1] <= y < skip[3]:
                    continue
                found.append((x, y))
    return found


def centroid(pts):
    return (sum(p[0] for p in pts) / len(pts), sum(p[1] for p in pts) / len(pts))


class LabelsTest(ViewerTest):

    def setUp(self):
        super().setUp()
        self.tmp = tempfile.mkdtemp(prefix="qarn-labels-")
        self.surface = os.path.join(self.tmp, "gray.bmp")
        write_gray_bmp(self.surface, lambda col, row: 128)

    def tearDown(self):
        super().tearDown()
        for name in os.listdir(self.tmp):
            os.unlink(os.path.join(self.tmp, name))
        os.rmdir(self.tmp)

    def zoomed_viewer(self):
        v = self.start(surface=self.surface)
        v.move(*CENTRE_POINTER)
        # The command step takes one pending key a frame: each press once the
        # "Fov =" read-out shows the one before.
        cls = type(self)
        if getattr(cls, "_font", None) is None:
            cls._font = textref.Font(self.xvfb)
        for i in range(1, ZOOM_PRESSES + 1):
            v.key("Up", settle=0.0)
            want = b"Fov =" + textref.fld_f(0.5241 + 0.5 * i, 8, 2).encode() + b"\xb0"
            harness.wait_for(lambda: cls._font.read(harness.capture_screen(self.xvfb), 14, 109, 14, 9),
                             lambda got: got == want, what="%r shown" % want)
        # The moves and keys are all in once the next frames are drawn.
        time.sleep(0.3)
        return v

    def save(self, pic, name):
        out = os.environ.get("QARN_E2E_PICTURES")
        if out:
            pic.save_png(os.path.join(out, name))

    def counts(self, pic):
        return {
            "white": len(pixels(pic, WHITE, GLOBE, skip=CROSS)),
            "green": len(pixels(pic, GREEN, GLOBE)),
            "red": len(pixels(pic, RED, RED_AREA)),
            "blue": len(pixels(pic, BLUE, GLOBE)),
        }

    def grid_number_pixels(self, pic):
        # Meridian numbers -50..10: no feature name comes near them ("Sea of
        # Tranquility" runs just above those of 20 and 30).
        return {v: len(pixels(pic, WHITE, meridian_box(v))) for v in (-50, -40, -30, -20, -10, 10)}

    def test_labels_on_the_globe_and_the_f7_f8_switches(self):
        v = self.zoomed_viewer()
        shown = harness.capture_screen(v.xvfb)
        self.save(shown, "labels_shown.png")
        self.assertEqual(shown.pixel(512, 200), GRAY, "the surface is not the synthetic gray")
        c0 = self.counts(shown)
        self.assertGreater(c0["white"], 1500, c0)
        self.assertGreater(c0["green"], 15, c0)
        self.assertGreater(c0["red"], 15, c0)
        self.assertGreater(c0["blue"], 5000, c0)

        # Every checked meridian number is drawn where its box projects.
        numbers = self.grid_number_pixels(shown)
        for meridian, n in numbers.items():
            self.assertGreater(n, 20, (meridian, numbers))

        # The coloured names stand at their latitude and longitude.
        for colour, (lat, lon, size, name) in ((GREEN, (9.5, -22.5, 0.1, "Copernicus")),
                                               (RED, (-43.5, -13.5, 0.2, "Tycho"))):
            got = centroid(pixels(shown, colour, RED_AREA if colour == RED else GLOBE))
            want = name_centre(lat, lon, size, name)
            self.assertLess(math.hypot(got[0] - want[0], got[1] - want[1]), 6.0,
                            (name, got, want))

        # F7: the grid numbers go, the names and the grid stay.
        v.key("F7", settle=0.0)
        no_numbers = self.until(lambda p: sum(self.grid_number_pixels(p).values()) == 0)
        self.save(no_numbers, "labels_f7.png")
        c1 = self.counts(no_numbers)
        self.assertEqual(sum(self.grid_number_pixels(no_numbers).values()), 0, c1)
        self.assertLess(c1["white"], c0["white"] - 500, (c0, c1))
        self.assertGreater(c1["white"], 300, c1)   # the white feature names
        self.assertEqual(c1["green"], c0["green"])
        self.assertEqual(c1["red"], c0["red"])
        self.assertGreater(c1["blue"], c0["blue"])  # grid lines no longer behind numbers

        # F8: the names go too; only the grid is left.
        v.key("F8", settle=0.0)
        bare = self.until(lambda p: not pixels(p, GREEN, GLOBE))
        self.save(bare, "labels_f7_f8.png")
        c2 = self.counts(bare)
        self.assertEqual((c2["white"], c2["green"], c2["red"]), (0, 0, 0), c2)
        self.assertGreater(c2["blue"], 5000, c2)

        # F7 and F8 again bring everything back.
        # One key a frame: F8 once F7's numbers are back.
        v.key("F7", settle=0.0)
        self.until(lambda p: sum(self.grid_number_pixels(p).values()) > 0)
        v.key("F8", settle=0.0)
        again = self.until(lambda p: len(pixels(p, GREEN, GLOBE)) == c0["green"])
        c3 = self.counts(again)
        self.assertEqual(c3, c0)

    def test_f8_alone_keeps_the_grid_numbers(self):
        v = self.zoomed_viewer()
        v.key("F8", settle=0.0)
        pic = self.until(lambda p: not pixels(p, GREEN, GLOBE))
        self.save(pic, "labels_f8.png")
        c = self.counts(pic)
        self.assertEqual((c["green"], c["red"]), (0, 0), c)
        numbers = self.grid_number_pixels(pic)
        for meridian, n in numbers.items():
            self.assertGreater(n, 20, (meridian, numbers))
        # The parallel number "  10" stands at x = -2.5, one degree south of
        # latitude 10 and reads eastward: white pixels just west of meridian 0.
        lo = project((-2.5, -20.6 * math.cos(math.radians(-11)), -20.6 * math.sin(math.radians(-11))))
        box = (int(lo[0]) - 2, int(lo[1]) - 25, int(lo[0]) + 60, int(lo[1]) + 3)
        self.assertGreater(len(pixels(pic, WHITE, box)), 20, box)


if __name__ == "__main__":
    harness.main()
