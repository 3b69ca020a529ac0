"""Reading the viewer's text off the screen.

The grid and palette are worked out here on their own, from the screen size
and the single-precision layout constants; the reference pictures come from
the small GLUT program qarn-textref, which draws given characters with the
same bitmap font at given positions. A cell of the grid is 8 x 13 pixels at
1024 x 768: column c starts near pixel (c - 1) * 8.01, line l has its base
line near pixel row l * 13.02 from the top.
"""

import math
import os
import struct
import subprocess
import tempfile

import harness

HELPERS = os.environ.get("QARN_HELPERS", os.path.join(os.path.dirname(harness.QARN_BIN), "tests"))
TEXTREF = os.path.join(HELPERS, "qarn-textref")

W, H = harness.SCREEN_W, harness.SCREEN_H
COLS, LINES = W // 8, H // 13

PALETTE = [(0, 0, 0), (0, 0, 170), (0, 170, 0), (0, 170, 170), (170, 0, 0), (170, 0, 170),
           (170, 85, 0), (170, 170, 170), (85, 85, 85), (85, 85, 255), (85, 255, 85),
           (85, 255, 255), (255, 85, 85), (255, 85, 255), (255, 255, 85), (255, 255, 255)]


def f32(v):
    return struct.unpack("<f", struct.pack("<f", v))[0]


DX = (f32(2.666) / COLS) * f32(0.75108)
DY = 2.0 / LINES


def ndc(line, col):
    return (col - 1) * DX - f32(1.333) + f32(0.333), 1.0 - line * DY


def cell_origin(line, col):
    """Pixel column of the cell's left edge and pixel row (from the top) of its base line."""
    x, y = ndc(line, col)
    px = math.floor((x + 1.0) * W / 2.0 + 1e-4)
    py = math.floor((y + 1.0) * H / 2.0 + 1e-4)
    return px, H - 1 - py


ASCENT, DESCENT = 11, 2  # glyph rows above and below the base line row


def line_rect(line, col, n):
    px, base = cell_origin(line, col)
    return px, base - ASCENT + 1, px + 8 * n, base + DESCENT + 1


# ---- Fortran-style fields -------------------------------------------------

def fld_i(v, w):
    s = "%d" % v
    return s.rjust(w) if len(s) <= w else "*" * w


def fld_z(v, w):
    s = "%X" % (v & 0xFFFFFFFF)
    return s.rjust(w) if len(s) <= w else "*" * w


def fld_f(v, w, d):
    if math.isinf(v):
        s = "Infinity" if v > 0 else "-Infinity"
        return s.rjust(w) if len(s) <= w else "*" * w
    s = "%.*f" % (d, abs(v))
    if d == 0:
        s += "."
    if v < 0:
        s = "-" + s
    if len(s) > w and (s.startswith("0.") or s.startswith("-0.")):
        s = s.replace("0.", ".", 1)
    return s.rjust(w) if len(s) <= w else "*" * w


# ---- Pictures ---------------------------------------------------------------

class Text:
    """One run of characters at a grid cell in a palette colour."""

    def __init__(self, line, col, clr, text):
        self.line, self.col, self.clr = line, col, clr
        self.text = text if isinstance(text, bytes) else text.encode("latin-1")

    def rect(self):
        return line_rect(self.line, self.col, len(self.text))

    def __repr__(self):
        return "Text(%d, %d, %d, %r)" % (self.line, self.col, self.clr, self.text)


def load_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    magic, size, maxval, pix = data.split(b"\n", 3)
    assert magic == b"P6" and maxval == b"255"
    w, h = map(int, size.split())
    return harness.Picture(w, h, [pix[y * 3 * w:(y + 1) * 3 * w] for y in range(h)])


def render(xvfb, texts):
    """Picture of the given texts on black, drawn by the reference renderer."""
    lines = []
    for t in texts:
        x, y = ndc(t.line, t.col)
        r, g, b = PALETTE[t.clr]
        lines.append("%r %r %d %d %d %s\n" % (x, y, r, g, b, t.text.hex() or "-"))
    fd, path = tempfile.mkstemp(prefix="qarn-textref-", suffix=".ppm")
    os.close(fd)
    try:
        r = subprocess.run([TEXTREF, path], input="".join(lines).encode(), env=xvfb.env(),
                           capture_output=True, timeout=30)
        if r.returncode != 0:
            raise AssertionError("qarn-textref failed: %r" % r.stderr)
        return load_ppm(path)
    finally:
        os.unlink(path)


def differences(shot, ref, rect):
    """Pixels of rect (x0, y0, x1, y1) that differ between two pictures."""
    x0, y0, x1, y1 = rect
    out = []
    for y in range(max(0, y0), min(shot.height, y1)):
        a = shot.rows[y]
        b = ref.rows[y]
        if a[3 * x0:3 * x1] == b[3 * x0:3 * x1]:
            continue
        for x in range(x0, x1):
            if a[3 * x:3 * x + 3] != b[3 * x:3 * x + 3]:
                out.append((x, y))
    return out


def ink(pic, rect, colour=None):
    """Number of pixels in rect that are not black (or that have the given colour)."""
    x0, y0, x1, y1 = rect
    n = 0
    for y in range(y0, y1):
        for x in range(x0, x1):
            p = pic.pixel(x, y)
            n += (p == colour) if colour is not None else (p != (0, 0, 0))
    return n


# ---- Reading characters -----------------------------------------------------

class Font:
    """Ink masks of all 256 characters, from one reference picture."""

    def __init__(self, xvfb):
        texts = [Text(2 + 2 * (k // 32), 1 + 4 * (k % 32), 15, bytes([k])) for k in range(256)]
        pic = render(xvfb, texts)
        self.masks = {}
        # Codes 0..31 repeat glyphs of the upper half (7 and 176 are both the
        # degree sign): printable codes win, and a blank reads as ' '.
        for k in list(range(32, 256)) + list(range(32)):
            self.masks.setdefault(self._mask(pic, *cell_origin(texts[k].line, texts[k].col), PALETTE[15]), k)

    @staticmethod
    def _mask(pic, px, base, colour):
        bits = []
        for y in range(base - ASCENT + 1, base + DESCENT + 1):
            for x in range(px, px + 8):
                bits.append(pic.pixel(x, y) == colour)
        return tuple(bits)

    def glyph(self, code):
        """The ink mask of one character code (13 rows of 8, top row first)."""
        if not hasattr(self, "_by_code"):
            self._by_code = {}
            for m, k in self.masks.items():
                self._by_code[k] = m
        return self._by_code.get(code, self._by_code[ord(" ")])

    def find(self, shot, text, clr, k=1):
        """Every place where text is drawn in palette colour clr with each font
        pixel a k x k square, on black: (left edge, base line row from the top)
        of the first character. Every pixel of the text's cells must be the
        colour where the glyph has ink and black elsewhere, so blur, another
        font or another scale does not match."""
        text = text.encode("latin-1") if isinstance(text, str) else text
        ink = bytes(PALETTE[clr])
        black = b"\0\0\0"
        rows = []
        for r in range(ASCENT + DESCENT):
            row = b""
            for ch in text:
                m = self.glyph(ch)
                row += b"".join((ink if m[r * 8 + x] else black) * k for x in range(8))
            rows.extend([row] * k)
        # The first row with ink and its first ink pixel anchor the search.
        r0 = next((r for r, row in enumerate(rows) if ink in row[0::1]), None)
        if r0 is None:
            raise ValueError("no ink in %r" % text)
        x0 = next(x for x in range(len(rows[r0]) // 3) if rows[r0][3 * x:3 * x + 3] == ink)
        width = len(rows[0]) // 3
        found = []
        for y in range(r0, shot.height - (len(rows) - r0) + 1):
            line = shot.rows[y]
            at = line.find(ink)
            while at >= 0:
                if at % 3 == 0:
                    left, top = at // 3 - x0, y - r0
                    if 0 <= left <= shot.width - width and all(
                            shot.rows[top + r][3 * left:3 * (left + width)] == rows[r]
                            for r in range(len(rows))):
                        found.append((left, top + ASCENT * k - 1))
                at = line.find(ink, at + 1)
        return found

    def read(self, shot, line, col, n, clr):
        """The n characters at (line, col) drawn in palette colour clr; '?' where no glyph fits."""
        px, base = cell_origin(line, col)
        out = bytearray()
        for k in range(n):
            # The font advances exactly 8 pixels per character from the start.
            m = self._mask(shot, px + 8 * k, base, PALETTE[clr])
            out.append(self.masks.get(m, ord("?")))
        return bytes(out)


# ---- Frames -------------------------------------------------------------------

def iteration(font, shot, k=1):
    """The frame count of the credits' "Iteration:" line at glyph scale k,
    read by its glyphs; None where the line is not whole on the screen (the
    credits hidden). The count and the rest of the picture come from one
    frame."""
    found = font.find(shot, "Iteration:", 8, k)
    if len(found) != 1:
        return None
    x, base = found[0]
    top = base - ASCENT * k + 1
    colour = PALETTE[8]
    digits = bytearray()
    for i in range(10, 21):
        left = x + 8 * k * i
        mask = tuple(shot.pixel(left + c * k, top + r * k) == colour
                     for r in range(ASCENT + DESCENT) for c in range(8))
        digits.append(font.masks.get(mask, ord("?")))
    try:
        return int(digits.decode("latin-1"))
    except ValueError:
        return None


def frame_from(xvfb, font, n, k=1, timeout=60.0):
    """Captures until a frame numbered n or later is on the screen; returns
    (shot, its frame number). The credits must be shown; the wait is bounded
    by frames, with a deadline only against a viewer that stopped drawing."""
    def numbered():
        shot = harness.capture_screen(xvfb)
        return shot, iteration(font, shot, k)

    shot, count = harness.wait_for(numbered, lambda got: got[1] is not None and got[1] >= n, timeout,
                                   interval=0.02)
    if count is None or count < n:
        shot.save_png("/tmp/qarn-frame-fail.png")
        raise AssertionError("no frame %d within %.0f s; last read %r (saved /tmp/qarn-frame-fail.png)"
                             % (n, timeout, count))
    return shot, count


class FrameCount:
    """For a test class with an Xvfb of its own: the reference font, made once
    a class, and the screens numbered by the credits' Iteration line, at the
    class's glyph scale k (1 unless it has one)."""

    def font(self):
        cls = type(self)
        if getattr(cls, "_font", None) is None:
            cls._font = Font(self.xvfb)
        return cls._font

    def frame_from(self, n):
        """The first screen of frame n or later and its frame number."""
        return frame_from(self.xvfb, self.font(), n, getattr(self, "k", 1))
