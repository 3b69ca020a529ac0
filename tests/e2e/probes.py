"""Picture probes shared by the end-to-end tests, the soak run and the README
pictures: synthetic surfaces that encode longitude or latitude in their gray
levels, the pixel classes of a frame (near side, far side, grid), the view
centre read off the picture, the mouse-mode pointer formula, the pop-up
menu's entry rows, and the globe's expected size and pair positions.
"""

import atexit
import math
import os
import shutil
import tempfile
import time

import harness

CX, CY = 511.5, 383.5  # screen centre between pixel columns 511/512, rows 383/384

# Longitude map: 5 columns per gray level from 40 up (40..244). Column j
# (0-based) covers longitude (j + 0.5) * 360 / 1024 - 180.
LON_BASE, LON_COLS = 40, 5
# Latitude map: 3 rows per gray level from 40 up (40..210), row 0 at the top.
LAT_BASE, LAT_ROWS = 40, 3

# Landing sites: latitude, longitude.
SITES = [(0.7, 23.4), (-3.2, -23.4), (-3.7, -17.5), (26.1, 3.7), (-9.0, 15.5), (20.2, 30.8)]

# Mouse mode turns the globe by half a degree per pixel of the 1024 x 768
# frame: dTilt = TILT0 - y/2, dSpin = -SPIN0 - x/2 (degrees).
TILT0, SPIN0 = 101.0, 105.0

MENU_BG = 178  # freeglut's menu background gray

# Box of the middle of the screen where the grid and surface are counted.
MIDDLE = (250, 100, 780, 660)


# ---- synthetic surfaces ------------------------------------------------------

def lon_gray(col, _row):
    return LON_BASE + col // LON_COLS


def lat_gray(_col, row):
    return LAT_BASE + row // LAT_ROWS


def lon_of_gray(g):
    j = LON_COLS * (g - LON_BASE) + (LON_COLS - 1) / 2.0
    return (j + 0.5) * 360.0 / 1024.0 - 180.0


def lat_of_gray(g):
    i = LAT_ROWS * (g - LAT_BASE) + (LAT_ROWS - 1) / 2.0
    return 90.0 - (i + 0.5) * 180.0 / 512.0


_SURFACES = {}


def make_surface(gray_at):
    """Path of a surface image made from gray_at (written once per run, in a
    directory removed at exit)."""
    if gray_at not in _SURFACES:
        d = tempfile.mkdtemp(prefix="qarn-surface-")
        atexit.register(shutil.rmtree, d, True)
        path = os.path.join(d, "Qarns.Bmp")
        harness.write_gray_bmp(path, gray_at)
        _SURFACES[gray_at] = path
    return _SURFACES[gray_at]


# ---- pixel classes -----------------------------------------------------------

def is_grid(r, g, b):
    """A pixel of the blue wire grid."""
    return b >= 200 and r <= 60 and g <= 60


def side_of(r, g, b, lo):
    """'near' for gray (R = G = B), 'far' for cyan (R = 0), both with G from
    lo to 250; None for anything else (background, grid, labels)."""
    if abs(g - b) > 2 or g < lo or g > 250:
        return None
    if abs(r - g) <= 2:
        return "near"
    if r <= 2:
        return "far"
    return None


def surface_pixel(p):
    """('near', g) or ('far', g) on a synthetic surface, None otherwise."""
    kind = side_of(p[0], p[1], p[2], LON_BASE - 2)
    return (kind, p[1]) if kind else None


def counts(pic, box):
    """Pixels in box by kind on the shipped map: near side (gray), far side
    (cyan), grid (blue), other ink (labels, cross-hair); black is skipped."""
    n = {"near": 0, "far": 0, "blue": 0, "other": 0}
    x0, y0, x1, y1 = box
    for y in range(y0, y1):
        row = pic.rows[y]
        for x in range(x0, x1):
            r, g, b = row[3 * x], row[3 * x + 1], row[3 * x + 2]
            if r == g == b == 0:
                continue
            kind = side_of(r, g, b, 8)
            n[kind or ("blue" if is_grid(r, g, b) else "other")] += 1
    return n


def count_blue(pic, box=MIDDLE):
    """Pixels of the blue wire grid in the middle of the screen."""
    x0, y0, x1, y1 = box
    n = 0
    for y in range(y0, y1):
        row = pic.rows[y]
        for x in range(x0, x1):
            n += is_grid(row[3 * x], row[3 * x + 1], row[3 * x + 2])
    return n


def count_surface(pic, box=MIDDLE):
    x0, y0, x1, y1 = box
    return sum(1 for y in range(y0, y1) for x in range(x0, x1)
               if surface_pixel(pic.pixel(x, y)))


def centre_probe(pic, offset=8, cx=CX, cy=CY):
    """Side and mean gray of the surface around the view centre (cx, cy), from
    four 3 x 3 patches on the diagonals (clear of the cross-hair), so a linear
    gradient averages out to its value at the centre."""
    kinds, grays = set(), []
    for sx in (-1, 1):
        for sy in (-1, 1):
            x0 = int(round(cx + sx * (offset + 0.5)))
            y0 = int(round(cy + sy * (offset + 0.5)))
            for x in range(x0 - 1, x0 + 2):
                for y in range(y0 - 1, y0 + 2):
                    s = surface_pixel(pic.pixel(x, y))
                    if s:
                        kinds.add(s[0])
                        grays.append(s[1])
    if len(grays) < 24:
        raise AssertionError("view centre is not plain surface (%d of 36 pixels)" % len(grays))
    return kinds, sum(grays) / len(grays)


def runs(pic, y, x0=0, x1=1024, gap=6):
    """Runs of surface-coloured pixels (G >= 30) along row y; gaps up to
    `gap` pixels (grid labels, cross-hair) are bridged."""
    out = []
    for x in range(x0, x1):
        if pic.pixel(x, y)[1] >= 30:
            if out and x - out[-1][1] <= gap:
                out[-1][1] = x
            else:
                out.append([x, x])
    return [(a, b) for a, b in out if b - a > 20]


def column_extent(pic, x):
    ys = [y for y in range(pic.height) if pic.pixel(x, y)[1] >= 30]
    return ys[0], ys[-1]


LINE_H = 13  # text grid cell height, pixels


def changing_rows(a, b):
    """Rows that differ between two pictures, widened by a glyph's height either
    way: a counter's digits can share a scan line in both pictures and differ
    on it in a frame between them, wherever the text line falls."""
    rows = set()
    for y in range(a.height):
        if a.rows[y] != b.rows[y]:
            rows.update(range(max(0, y - LINE_H + 1), min(a.height, y + LINE_H)))
    return rows


# ---- the pointer in mouse mode -------------------------------------------------

def lon_diff(a, b):
    return (a - b + 180.0) % 360.0 - 180.0


def pointer_tilt(y):
    return TILT0 - y / 2.0


def pointer_spin(x):
    return -SPIN0 - x / 2.0


def mouse_lon(x):
    """View centre longitude in mouse mode, -180..180."""
    return lon_diff(-pointer_spin(x), 0.0)


def mouse_lat(y):
    return math.degrees(math.asin(math.cos(math.radians(pointer_tilt(y)))))


def pointer_for(lat, lon):
    """Mouse-mode pointer position that centres the view on (lat, lon): the
    equator on row 382, longitude 0 at column 510."""
    return (int(round(2 * (lon + 360.0 - SPIN0))), int(round(2 * (TILT0 + 90.0 - lat))))


# ---- the pop-up menu -----------------------------------------------------------

def menu_rows(pic, px, py, bg_gray=MENU_BG):
    """Centre rows of the entries of a menu opened at (px, py), found as
    bands of dark text on the menu's flat gray (bg_gray) below the press
    point."""
    bands = []
    for y in range(py, min(py + 320, pic.height)):
        seg = [pic.pixel(x, y) for x in range(px + 4, min(px + 120, pic.width))]
        bg = sum(1 for p in seg if all(abs(c - bg_gray) <= 3 for c in p))
        dark = sum(1 for p in seg if max(p) < 60)
        if bg + dark < 0.9 * len(seg):
            if bands:
                break  # below the menu
            continue
        if dark:
            if bands and y - bands[-1][1] <= 2:
                bands[-1][1] = y
            else:
                bands.append([y, y])
    return [(a + b) / 2.0 for a, b in bands]


# ---- where the globe should be ---------------------------------------------------

def disc_fov_radius(fov, pair=False, height=768):
    """Screen radius in pixels of a globe subtending fov degrees."""
    half = math.radians(fov / 2.0)
    if pair:
        fovy_half = math.atan(2.0 * math.tan(half))
    else:
        fovy_half = math.radians((fov + 0.11) / 2.0)
    return height / 2.0 * math.tan(half) / math.tan(fovy_half)


def pair_centres(fov, mode):
    """Screen x of the centres of the two pair images, left one first. Each
    eye image is shifted by its NDC offset; the eye itself sits dAlt/10 to
    the side, and since the globe fills a wide cone the midpoint of its
    outline lies about twice as far out as its projected centre."""
    alt = 20.0 / math.sin(math.radians(fov / 2.0)) - 20.0
    half_fovy = math.atan(2.0 * math.tan(math.radians(fov / 2.0)))
    fx = 1.0 / (math.tan(half_fovy) * (1024.0 / 768.0))
    alpha = math.asin(20.0 / (20.0 + alt))
    xs = []
    for eye in (-mode, mode):
        shift = eye * (0.41 - alt * 0.4000000059604645 / 213.4)
        if mode > 0:
            shift += eye * -0.825
        theta = math.atan(eye * alt / 10.0 / (20.0 + alt))
        mid = (math.tan(theta + alpha) + math.tan(theta - alpha)) / 2.0
        xs.append(512.0 + 512.0 * (shift + fx * mid))
    return sorted(xs)


def press(viewer, key, count, delay_ms):
    """`count` presses of one key, `delay_ms` apart (one frame each when the
    delay is longer than a frame)."""
    left = count
    while left > 0:
        n = min(left, 60)
        viewer.xdo(["key", "--delay", str(delay_ms)] + [key] * n)
        left -= n
    time.sleep(0.4)
