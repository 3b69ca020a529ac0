#!/usr/bin/env python3
"""Surface-tool benchmark: qarn-mksurface against gdal_translate doing the same
reduction (-r average -outsize 1024 512) on a 32768 x 16384 8-bit tiled GeoTIFF
and an 8192 x 4096 RGB PNG. Prints wall seconds and peak resident memory of
each, the median of a few runs taken in turn, the inputs read once beforehand
so both tools find them in the page cache."""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time


def measure(cmd):
    """Wall seconds and peak resident MiB of one run of cmd."""
    t0 = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.monotonic() - t0
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("bench-surface: failed: " + " ".join(cmd))
    return seconds, usage.ru_maxrss / 1024.0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--tool", required=True)
    ap.add_argument("--gen", required=True)
    ap.add_argument("--dir", required=True)
    ap.add_argument("--runs", type=int, default=3)
    a = ap.parse_args()
    os.makedirs(a.dir, exist_ok=True)
    subprocess.run([a.gen, a.dir], check=True)
    inputs = [("32768 x 16384 gray GeoTIFF, tiled", "globe-32768.tif"),
              ("8192 x 4096 RGB PNG", "globe-8192.png")]
    print("| input | qarn-mksurface s | MiB | gdal_translate s | MiB | time ratio |")
    print("|---|---|---|---|---|---|")
    with tempfile.TemporaryDirectory() as tmp:
        for label, name in inputs:
            src = os.path.join(a.dir, name)
            with open(src, "rb") as f:
                while f.read(1 << 24):
                    pass
            ours, theirs = [], []
            for _ in range(a.runs):
                ours.append(measure([a.tool, "-q", src, os.path.join(tmp, "out.Bmp")]))
                theirs.append(measure(["gdal_translate", "-q", "-r", "average", "-outsize", "1024",
                                       "512", src, os.path.join(tmp, "out.tif")]))
            s1 = statistics.median(r[0] for r in ours)
            s2 = statistics.median(r[0] for r in theirs)
            m1 = max(r[1] for r in ours)
            m2 = max(r[1] for r in theirs)
            print(f"| {label} | {s1:.2f} | {m1:.0f} | {s2:.2f} | {m2:.0f} | {s1 / s2:.2f} |")


if __name__ == "__main__":
    main()
