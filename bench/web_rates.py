"""Frame rates of the page beside the Linux viewer's, by their own Benchmark
lines, in scenes of the bench's 1024 x 768 table reached with keys; and the
page's weight (each file, and gzip-compressed).

    /usr/bin/python3 bench/web_rates.py --page build-web --linux-bin build/qarn

The page runs in Debian's headless Chromium (WebGL on SwiftShader), the
Linux viewer on its own Xvfb with Mesa; both with the pointer at the centre.
"""

import argparse
import gzip
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import harness  # noqa: E402
import textref  # noqa: E402
import test_web  # noqa: E402

# The credits (and with them the Benchmark line) shown at every zoom: F4.
SCENES = [
    ("start view", ["F4"]),
    ("start, labels and names off", ["F4", "F7", "F8"]),
    ("dFov 60", ["F4"] + ["Up"] * 119),
    ("pair L:R, start view", ["F4", "F9"]),
]
SETTLE_S = 10.0  # past the page's first seconds, when SwiftShader compiles its shaders
READS = 3        # Benchmark lines read, READ_GAP_S apart; the median is given
READ_GAP_S = 1.5


def benchmark_hz(font, shot):
    text = font.read(shot, 7, 1, 21, 7).decode("latin-1")
    try:
        return float(text[10:].split()[0])
    except (ValueError, IndexError):
        return None


def median_of(read):
    values = []
    for i in range(READS):
        if i:
            time.sleep(READ_GAP_S)
        v = read()
        if v is not None:
            values.append(v)
    return sorted(values)[len(values) // 2] if values else None


def web_rates(font, url):
    out = []
    for name, keys in SCENES:
        p = test_web.Page(url)
        try:
            p.wait("the page running", lambda: p.js("return typeof QarnPage != 'undefined' && QarnPage.running"))
            p.mouse("mouseMoved", 512, 384)
            for k in (k for k in keys if k != "Up"):
                p.key(k)
            # The zoom: one up arrow a frame, as the command step takes one a
            # frame (the page's own pinch steps, by its animation frames).
            ups = keys.count("Up")
            p.js("QarnPage.zoomSteps = arguments[0]", ups)
            p.wait("the zoom", lambda: p.js("return QarnPage.zoomSteps") == 0, 120)
            time.sleep(SETTLE_S)
            out.append(median_of(lambda: benchmark_hz(font, p.shot())))
            print("page, %s: %s Hz" % (name, out[-1]), file=sys.stderr, flush=True)
        finally:
            p.close()
    return out


def linux_rates(font, xvfb, binary):
    out = []
    harness.QARN_BIN = binary
    for name, keys in SCENES:
        v = harness.Viewer(xvfb)
        try:
            v.move(512, 384, settle=0.5)
            for k in keys:
                v.key(k, settle=0.03)
            time.sleep(SETTLE_S)
            out.append(median_of(lambda: benchmark_hz(font, harness.capture_screen(xvfb))))
            print("Linux, %s: %s Hz" % (name, out[-1]), file=sys.stderr, flush=True)
        finally:
            v.stop()
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--page", default="build-web")
    ap.add_argument("--linux-bin", default="build/qarn")
    o = ap.parse_args()
    print("| File | bytes | gzip -9 bytes |\n|---|---|---|")
    total = [0, 0]
    for name in ("index.html", "index.js", "index.wasm", "index.data"):
        with open(os.path.join(o.page, name), "rb") as f:
            data = f.read()
        z = len(gzip.compress(data, 9))
        total[0] += len(data)
        total[1] += z
        print("| %s | %d | %d |" % (name, len(data), z))
    print("| all | %d | %d |\n" % tuple(total))

    binary = os.path.abspath(o.linux_bin)
    textref.HELPERS = os.path.join(os.path.dirname(binary), "tests")
    textref.TEXTREF = os.path.join(textref.HELPERS, "qarn-textref")
    xvfb = harness.Xvfb()
    srv = test_web.serve(os.path.abspath(o.page))
    try:
        font = textref.Font(xvfb)
        url = "http://127.0.0.1:%d/index.html" % srv.server_address[1]
        web = web_rates(font, url)
        lin = linux_rates(font, xvfb, binary)
    finally:
        srv.shutdown()
        xvfb.stop()
    print("| Scene at 1024 x 768 | page, Hz | Linux viewer, Hz |\n|---|---|---|")
    for (name, _), w, l in zip(SCENES, web, lin):
        print("| %s | %s | %s |" % (name, w, l))


if __name__ == "__main__":
    main()
