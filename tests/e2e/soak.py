#!/usr/bin/env python3
"""Soak test: the viewer under its own Xvfb for a long run in auto mode, with
bursts of keys, pointer moves, zoom presses and pop-up menu choices every few
seconds.

It passes when no OpenGL error was reported (no "CheckGL" console line), the
viewer is alive at the end, then quits with 'q' (exit 0, "End of run
(keyboard)."), and its resident memory at the end is within 1 MiB of what it
was after the first 30 seconds. No screen dump is ever asked for.

    tests/e2e/soak.py [--seconds N] [--bin build/qarn] [--map data/Qarns.Bmp] [--seed S]

SOAK_SECONDS sets the default length (600). Every wait is bounded; Xvfb and
the viewer are ended by their ids.
"""

import argparse
import os
import random
import sys
import time

import harness
from probes import menu_rows

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

SETTLE_S = 30.0         # memory reference taken this long after the start
RSS_SLACK_KIB = 1024    # allowed growth after it
MENU_ENTRIES = 10       # F1..F9 and the quit entry, which is never chosen
# Ordinary keys as xdotool key names: letters but 'q' and 'Q', digits, a few
# signs; never '~'.
SAFE_KEYS = ([c for c in "abcdefghijklmnoprstuvwxyzABCDEFGHIJKLMNOPRSTUVWXYZ0123456789"]
             + ["space", "minus", "plus", "asterisk", "slash", "comma", "period", "Return"])
FKEYS = ["F%d" % k for k in range(1, 10)]


def rss_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS for pid %d" % pid)


FOV_MIN, FOV_MAX, FOV_STEP = 0.5241, 140.0, 0.5
TOGGLES = {"F4": "credits", "F5": "grid", "F6": "image", "F7": "labels", "F8": "places"}


class Soak:
    """Sends the input and keeps track of the switches and the zoom it set,
    so that memory is compared in the same view as at the reference."""

    def __init__(self, viewer, rng):
        self.v = viewer
        self.rng = rng
        self.flipped = {name: False for name in TOGGLES.values()}
        self.view_mode = 0  # 0, 1 "L:R", -1 "R:L"
        self.fov = FOV_MIN
        self.counts = {"keys": 0, "fkeys": 0, "zoom": 0, "moves": 0, "menu": 0, "menu_missed": 0}

    def inside(self):
        return self.rng.randint(40, 980), self.rng.randint(40, 720)

    def keys(self):
        for _ in range(self.rng.randint(2, 6)):
            self.v.key(self.rng.choice(SAFE_KEYS), settle=0.05)
            self.counts["keys"] += 1

    def applied(self, fkey):
        """Notes the effect of F1..F9, by key or by menu entry."""
        if fkey in TOGGLES:
            self.flipped[TOGGLES[fkey]] = not self.flipped[TOGGLES[fkey]]
        elif fkey == "F9":
            self.view_mode = self.view_mode + 1 if self.view_mode < 1 else -1

    def fkey(self, fkey, settle=0.1):
        self.v.key(fkey, settle=settle)
        self.applied(fkey)

    def fkeys(self):
        for _ in range(self.rng.randint(1, 4)):
            self.fkey(self.rng.choice(FKEYS))
            self.counts["fkeys"] += 1

    def press_zoom(self, key, n):
        self.v.xdo(["key", "--delay", "8"] + [key] * n)
        for _ in range(n):
            self.fov = (min(FOV_MAX, self.fov + FOV_STEP) if key == "Up"
                        else max(FOV_MIN, self.fov - FOV_STEP))

    def zoom(self):
        key = self.rng.choice(["Up", "Down"])
        n = self.rng.randint(5, 120)
        self.press_zoom(key, n)
        self.counts["zoom"] += n

    def moves(self):
        for _ in range(self.rng.randint(3, 10)):
            x, y = self.inside()
            self.v.move(x, y, settle=0.03)
            self.counts["moves"] += 1

    def menu(self, index=None):
        """Opens the menu and picks one of the F1..F9 entries. The first
        opening is laid out differently and a press on an open menu only
        closes it, so up to three tries; a try whose entries are not found
        lets go outside the menu, so nothing is chosen. Auto mode warps the
        pointer every frame, so the menu is used in mouse mode."""
        self.fkey("F3", settle=0.2)
        for _ in range(3):
            px, py = self.rng.randint(100, 700), self.rng.randint(60, 360)
            self.v.move(px, py, settle=0.15)
            self.v.xdo(["mousedown", "3"])
            time.sleep(0.5)
            rows = menu_rows(harness.capture_screen(self.v.xvfb), px, py)
            if len(rows) == MENU_ENTRIES:
                pick = self.rng.randrange(MENU_ENTRIES - 1) if index is None else index
                self.v.move(px + 60, int(rows[pick]), settle=0.2)
                self.v.xdo(["mouseup", "3"])
                time.sleep(0.3)
                self.applied(FKEYS[pick])
                self.counts["menu"] += 1
                return
            self.v.move(max(0, px - 60), max(0, py - 40), settle=0.2)
            self.v.xdo(["mouseup", "3"])
            time.sleep(0.4)
        self.counts["menu_missed"] += 1

    def back_to_auto(self):
        x, y = self.inside()
        self.v.move(x, y, settle=0.05)
        self.fkey("F2")

    def restore(self):
        """Back to the start view in auto mode: switches as at the start,
        the least field of view, single view."""
        for fkey, name in TOGGLES.items():
            if self.flipped[name]:
                self.fkey(fkey, settle=0.2)
        while self.view_mode != 0:
            self.fkey("F9", settle=0.2)
        self.press_zoom("Down", int((self.fov - FOV_MIN) / FOV_STEP) + 2)
        self.back_to_auto()

    def walk_switches(self):
        """Every combination of the five switches, each in the three view
        modes: a Gray-code walk, one switch flipped per step."""
        fk = list(TOGGLES)
        for step in range(1, 2 ** len(fk) + 1):
            for _ in range(3):
                self.fkey("F9", settle=0.06)
            bit = (step & -step).bit_length() - 1
            self.fkey(fk[bit % len(fk)], settle=0.06)

    def warm_up(self):
        """Every kind of input once and every display combination at a few
        distances, so that what the viewer and the driver set up on first
        use is in the memory reference."""
        for k in FKEYS + FKEYS[3:]:
            self.fkey(k, settle=0.2)
        for k in "aAaAaAa":
            self.v.key(k, settle=0.1)
        self.back_to_auto()
        self.walk_switches()
        self.press_zoom("Up", 120)
        self.walk_switches()
        self.press_zoom("Up", 170)
        self.walk_switches()
        self.press_zoom("Down", 290)
        self.moves()
        self.keys()
        self.menu(index=4)  # grid off
        self.menu(index=4)  # and on again
        self.restore()

    def burst(self):
        actions = [self.keys, self.fkeys, self.zoom, self.moves, self.menu]
        for act in self.rng.sample(actions, self.rng.randint(1, 3)):
            act()
        self.back_to_auto()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seconds", type=float, default=float(os.environ.get("SOAK_SECONDS", "600")))
    ap.add_argument("--bin", default=os.path.join(ROOT, "build", "qarn"))
    ap.add_argument("--map", default=os.path.join(ROOT, "data", "Qarns.Bmp"))
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--report", type=float, default=60.0, help="seconds between progress lines")
    args = ap.parse_args()
    if args.seconds < SETTLE_S + 30:
        ap.error("--seconds must be at least %d" % (SETTLE_S + 30))
    harness.QARN_BIN = args.bin

    rng = random.Random(args.seed)
    xvfb = harness.Xvfb()
    viewer = None
    failures = []
    try:
        viewer = harness.Viewer(xvfb, surface=args.map)
        print("soak: viewer pid %d on %s for %.0f s" % (viewer.proc.pid, xvfb.display,
                                                        args.seconds), flush=True)
        soak = Soak(viewer, rng)
        t0 = time.time()
        soak.back_to_auto()
        soak.warm_up()
        # The reference: after the first 30 s (and the warm-up), in the start view.
        time.sleep(max(0.0, SETTLE_S - (time.time() - t0)))
        rss_ref = rss_kib(viewer.proc.pid)
        t_ref = time.time() - t0
        print("soak: %.0f s: reference resident memory %d KiB" % (t_ref, rss_ref), flush=True)
        bursts = 0
        rss_max = rss_min = rss_ref
        last_report = t0
        while time.time() - t0 < args.seconds:
            if not viewer.alive():
                failures.append("viewer ended after %.0f s" % (time.time() - t0))
                break
            now = time.time() - t0
            rss = rss_kib(viewer.proc.pid)
            rss_max, rss_min = max(rss_max, rss), min(rss_min, rss)
            if time.time() - last_report >= args.report:
                last_report = time.time()
                print("soak: %.0f s: %d bursts, resident %d KiB" % (now, bursts, rss), flush=True)
            # The next burst in 2 to 5 s, in auto mode meanwhile.
            time.sleep(min(rng.uniform(2.0, 5.0), max(0.0, args.seconds - now)))
            if time.time() - t0 >= args.seconds:
                break
            soak.burst()
            bursts += 1

        errors = [l for l in viewer.lines if "CheckGL" in l]
        if errors:
            failures.append("OpenGL errors reported: %r" % errors[:5])
        rss_end = None
        if viewer.alive():
            soak.restore()
            time.sleep(3.0)
            rss_end = rss_kib(viewer.proc.pid)
            rss_max = max(rss_max, rss_end)
            x, y = soak.inside()
            viewer.move(x, y, settle=0.1)
            viewer.key("q", settle=0.0)
            try:
                rc = viewer.wait_exit(20)
            except AssertionError as e:
                rc = None
                failures.append(str(e))
            if rc is not None and rc != 0:
                failures.append("exit status %d after 'q'" % rc)
            if "End of run (keyboard)." not in viewer.lines:
                failures.append("no \"End of run (keyboard).\" line; last lines %r"
                                % viewer.lines[-5:])
        elif not failures:
            failures.append("viewer not alive at the end")
        if rss_end is not None:
            growth = rss_end - rss_ref
            if abs(growth) > RSS_SLACK_KIB:
                failures.append("resident memory %d KiB at the end, %d KiB at %.0f s (%+d KiB)"
                                % (rss_end, rss_ref, t_ref, growth))

        print("soak: %.0f s, %d bursts: %s" % (time.time() - t0, bursts,
              ", ".join("%s %d" % kv for kv in soak.counts.items())))
        if rss_end is not None:
            print("soak: resident memory %d KiB at %.0f s, %d KiB at the end (%+d KiB), "
                  "%d to %d KiB during the run" % (rss_ref, t_ref, rss_end, rss_end - rss_ref,
                                                     rss_min, rss_max))
        print("soak: console lines: %d, CheckGL lines: %d" % (len(viewer.lines), len(errors)))
    finally:
        if viewer is not None:
            viewer.stop()
        xvfb.stop()

    if failures:
        for f in failures:
            print("soak: FAIL: " + f)
        return 1
    print("soak: PASS")
    return 0


if __name__ == "__main__":
    sys.exit(main())
