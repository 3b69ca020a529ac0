#!/usr/bin/env python3
"""Soak test: the viewer under its own Xvfb for a long run in auto mode, with
bursts of keys, pointer moves, zoom presses and pop-up menu choices every few
seconds.

It passes when no OpenGL error was reported (no "CheckGL" console line), the
viewer is alive at the end, then quits with 'q' (exit 0, "End of run
(keyboard)."), and its resident memory does not keep rising after the
warm-up. No screen dump is ever asked for.

Resident memory is read twice a second. The viewer's heap keeps what it
frees (app/heap_posix.cpp), and Mesa's software renderer recycles its 512 KiB
and 1 MiB vertex buffers through it: when smaller blocks have taken a freed
buffer's place, the next one raises the heap by its size, once, at any time
of the run. A leak raises it on and on. So the part of the run after the
warm-up is cut into four quarters, and the run fails when three of them reach
a new high more than RISE_KIB above every earlier reading, or the highs rise
more than MAX_RISE_KIB in all.

    tests/e2e/soak.py [--seconds N] [--bin build/qarn] [--map data/Qarns.Bmp] [--seed S]

SOAK_SECONDS sets the default length (600); a warm-up slowed by a busy
machine lengthens the run, so that at least JUDGED_S seconds are judged.
Every wait is bounded; Xvfb and the viewer are ended by their ids.
"""

import argparse
import os
import random
import sys
import threading
import time

import harness
from probes import menu_rows

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

SETTLE_S = 30.0         # the warm-up lasts at least this long
JUDGED_S = 40.0         # and leaves at least this long to judge
RISE_KIB = 256          # a quarter's new high above this is growth
MAX_RISE_KIB = 4096     # more than a few of Mesa's buffers: a leak anyway
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


class Memory:
    """Resident memory of pid, read every `every` seconds on a thread of its
    own until stop(): (seconds since t0, KiB) pairs."""

    def __init__(self, pid, t0, every=0.5):
        self.pid, self.t0, self.every = pid, t0, every
        self.samples = []
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def _run(self):
        while not self._stop.is_set():
            try:
                self.samples.append((time.time() - self.t0, rss_kib(self.pid)))
            except (OSError, RuntimeError):
                return  # the viewer has ended
            self._stop.wait(self.every)

    def stop(self):
        self._stop.set()
        self._thread.join(5)
        return list(self.samples)


def quarter_rises(samples, t_from, t_to):
    """How far each quarter of [t_from, t_to] took resident memory above the
    highest reading before it (0 when it did not), KiB."""
    high = max([kib for t, kib in samples if t < t_from], default=0)
    rises = []
    for q in range(4):
        lo = t_from + (t_to - t_from) * q / 4
        hi = t_from + (t_to - t_from) * (q + 1) / 4
        quarter = [kib for t, kib in samples if lo <= t < hi or (q == 3 and t >= hi)]
        top = max(quarter, default=high)
        rises.append(max(0, top - high))
        high = max(high, top)
    return rises


def leak_verdict(rises):
    """The failure the rises of the four quarters show, or None."""
    if sum(1 for r in rises if r > RISE_KIB) >= 3 or sum(rises) > MAX_RISE_KIB:
        return ("resident memory kept rising after the warm-up: new highs %s KiB in its four "
                "quarters" % ", ".join("%+d" % r for r in rises))
    return None


TOGGLES = ["F4", "F5", "F6", "F7", "F8"]  # credits, grid, image, labels, places


class Soak:
    """Sends the input and counts it."""

    def __init__(self, viewer, rng):
        self.v = viewer
        self.rng = rng
        self.counts = {"keys": 0, "fkeys": 0, "zoom": 0, "moves": 0, "menu": 0, "menu_missed": 0}

    def inside(self):
        return self.rng.randint(40, 980), self.rng.randint(40, 720)

    def keys(self):
        for _ in range(self.rng.randint(2, 6)):
            self.v.key(self.rng.choice(SAFE_KEYS), settle=0.05)
            self.counts["keys"] += 1

    def fkey(self, fkey, settle=0.1):
        self.v.key(fkey, settle=settle)

    def fkeys(self):
        for _ in range(self.rng.randint(1, 4)):
            self.fkey(self.rng.choice(FKEYS))
            self.counts["fkeys"] += 1

    def press_zoom(self, key, n):
        self.v.xdo(["key", "--delay", "8"] + [key] * n)

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

    def walk_switches(self):
        """Every combination of the five switches, each in the three view
        modes: a Gray-code walk, one switch flipped per step."""
        fk = TOGGLES
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
        self.back_to_auto()

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
    if args.seconds < SETTLE_S + JUDGED_S:
        ap.error("--seconds must be at least %d" % (SETTLE_S + JUDGED_S))
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
        memory = Memory(viewer.proc.pid, t0)
        soak.back_to_auto()
        soak.warm_up()
        time.sleep(max(0.0, SETTLE_S - (time.time() - t0)))
        # A warm-up slowed by a busy machine lengthens the run rather than
        # leaving too little of it to judge.
        t_warm = time.time() - t0
        t_end = max(args.seconds, t_warm + JUDGED_S)
        print("soak: %.0f s: warm-up done, resident memory %d KiB" % (t_warm, rss_kib(viewer.proc.pid)),
              flush=True)
        bursts = 0
        last_report = t0
        while time.time() - t0 < t_end:
            if not viewer.alive():
                failures.append("viewer ended after %.0f s" % (time.time() - t0))
                break
            now = time.time() - t0
            if time.time() - last_report >= args.report:
                last_report = time.time()
                print("soak: %.0f s: %d bursts, resident %d KiB" % (now, bursts, memory.samples[-1][1]),
                      flush=True)
            # The next burst in 2 to 5 s, in auto mode meanwhile.
            time.sleep(min(rng.uniform(2.0, 5.0), max(0.0, t_end - now)))
            if time.time() - t0 >= t_end:
                break
            soak.burst()
            bursts += 1
        samples = memory.stop()
        t_last = time.time() - t0

        errors = [l for l in viewer.lines if "CheckGL" in l]
        if errors:
            failures.append("OpenGL errors reported: %r" % errors[:5])
        if viewer.alive():
            rises = quarter_rises(samples, t_warm, t_last)
            verdict = leak_verdict(rises)
            if verdict:
                failures.append(verdict)
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
            print("soak: resident memory at most %d KiB in the warm-up (%.0f s), %d KiB at the end; "
                  "new highs in the four quarters after it %s KiB"
                  % (max(kib for t, kib in samples if t < t_warm), t_warm, samples[-1][1],
                     ", ".join("%+d" % r for r in rises)))
        elif not failures:
            failures.append("viewer not alive at the end")

        print("soak: %.0f s, %d bursts: %s" % (time.time() - t0, bursts,
              ", ".join("%s %d" % kv for kv in soak.counts.items())))
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
