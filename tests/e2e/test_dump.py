"""Screen dump: '~' writes ScrnDmp1.Bmp .. ScrnDmp5.Bmp, the fifth ends the run."""

import os
import shutil
import struct
import subprocess
import tempfile

import harness
from harness import Picture, ViewerTest
from probes import changing_rows

W, H = 1024, 768
SIZE = 54 + 3 * W * H  # 2,359,350
HEADER = b"BM" + struct.pack("<iiiiiihhiiiiii", SIZE, 0, 54, 40, W, H, 1, 24, 0, 0,
                             3780, 3780, 0, 0)
WRITING = " Writing: ScrnDmp%d.Bmp  size:     1024 x       768"
BELL = "\x07"
FIFTH = "GLScrSup:ScrnDmp: ~: 5 screens dumped. Execution stopped."


class DumpTest(ViewerTest):

    def steady(self, v):
        """Pointer in the middle of the window and left there: the globe stands still."""
        v.move(W // 2, H // 2, settle=0.8)

    def test_five_dumps_then_the_program_ends(self):
        v = self.start()
        self.steady(v)
        for i in range(1, 6):
            data = v.dump(i)
            self.assertEqual(len(data), SIZE, "dump %d" % i)
            self.assertEqual(data[:54], HEADER, "dump %d" % i)
            if i < 5:
                self.assertTrue(v.alive(), "ended after dump %d: %r" % (i, v.lines))
        rc = v.wait_exit(15)
        self.assertEqual(rc, 0)
        console = v.lines[1:]
        want = []
        for i in range(1, 6):
            want += [WRITING % i, BELL]
        want.append(FIFTH)
        self.assertEqual(console, want)
        self.assertIn(b"\n\x07\n", v.raw)
        names = sorted(os.listdir(v.dir))
        self.assertEqual(names, ["Qarns.Bmp"] + ["ScrnDmp%d.Bmp" % i for i in range(1, 6)])

    def test_dump_holds_what_the_screen_shows(self):
        v = self.start()
        self.steady(v)
        before = harness.capture_screen(v.xvfb)
        dump = Picture.from_bmp(v.dump(1))
        after = harness.capture_screen(v.xvfb)
        self.assertEqual((dump.width, dump.height), (W, H))
        moving = changing_rows(before, after)
        # Only text (frame counter, benchmark) may change while the pointer rests.
        self.assertLess(len(moving), H // 4, "the scene is not still: %d rows move" % len(moving))
        bad = [y for y in range(H) if y not in moving and dump.rows[y] != after.rows[y]]
        if bad:
            dump.save_png(os.path.join(tempfile.gettempdir(), "qarn-dump-mismatch.png"))
            after.save_png(os.path.join(tempfile.gettempdir(), "qarn-screen-mismatch.png"))
        self.assertEqual(bad, [], "%d rows differ from the screen, first %s" % (len(bad), bad[:5]))
        # The comparison covered the globe: the centre row is not all black.
        self.assertNotIn(H // 2, moving)
        self.assertNotEqual(set(dump.rows[H // 2]), {0})
        # Bottom-left pixel first, top-right last, each blue, green, red.
        with open(os.path.join(v.dir, "ScrnDmp1.Bmp"), "rb") as f:
            raw = f.read()
        if H - 1 not in moving:
            self.assertEqual(tuple(raw[54:57]), after.pixel(0, H - 1)[::-1])
        if 0 not in moving:
            self.assertEqual(tuple(raw[-3:]), after.pixel(W - 1, 0)[::-1])

    def test_unwritable_dump_stops_with_the_io_message(self):
        v = self.start(prepare=lambda d: os.mkdir(os.path.join(d, "ScrnDmp1.Bmp")))
        self.steady(v)
        v.key("asciitilde", settle=0.0)
        rc = v.wait_exit(20)
        self.assertEqual(rc, 1)
        self.assertEqual(v.lines[1], WRITING % 1)
        self.assertEqual(len(v.lines), 3, v.lines)
        self.assertEqual(v.lines[2], "GLScrSup:ScrnDmp: I/O error on unit 20, file ScrnDmp1.Bmp: "
                                     "not a regular file (a directory)")
        self.assertEqual(sorted(os.listdir(v.dir)), ["Qarns.Bmp", "ScrnDmp1.Bmp"])
        self.assertTrue(os.path.isdir(os.path.join(v.dir, "ScrnDmp1.Bmp")))

    def test_dump_is_written_when_the_console_reader_is_gone(self):
        # `qarn | head -1`: the reader takes the identification line and ends,
        # so every later console line goes to a pipe nobody reads.
        work = tempfile.mkdtemp(prefix="qarn-e2e-dump-")
        self.addCleanup(shutil.rmtree, work, True)
        fifo = os.path.join(work, "console")
        os.mkfifo(fifo)
        head = subprocess.Popen(["sh", "-c", 'exec head -1 <"$0"', fifo], stdout=subprocess.PIPE)
        self.addCleanup(harness.end_process, head)
        v = self.start(workdir=work, command="/bin/sh",
                       args=["-c", 'exec "$0" >"$1"', os.path.abspath(harness.QARN_BIN), fifo])
        first, _ = head.communicate(timeout=15)
        self.assertTrue(first.startswith(b" Qarn"), first)
        self.steady(v)
        v.key("asciitilde", settle=0.0)
        path = os.path.join(work, "ScrnDmp1.Bmp")
        harness.wait_for(lambda: os.path.exists(path) or not v.alive())
        self.assertTrue(v.alive(), "the viewer ended on the dump's console line")
        with open(path, "rb") as f:
            data = f.read()
        self.assertEqual(len(data), SIZE)
        self.assertEqual(data[:54], HEADER)
        v.key("q", settle=0.0)
        self.assertEqual(v.wait_exit(15), 0)

    def test_a_new_run_overwrites_the_dumps_from_one(self):
        work = tempfile.mkdtemp(prefix="qarn-e2e-dump-")
        self.addCleanup(shutil.rmtree, work, True)
        with open(os.path.join(work, "ScrnDmp1.Bmp"), "wb") as f:
            f.write(b"\xff" * (SIZE + 4096))  # longer than a dump: must be replaced, not patched
        first = self.start(workdir=work)
        first.move(300, 300, settle=0.8)
        one = first.dump(1)
        self.assertEqual(len(one), SIZE)
        self.assertEqual(one[:54], HEADER)
        first.key("q", settle=0.0)
        self.assertEqual(first.wait_exit(15), 0)

        second = self.start(workdir=work)
        second.move(700, 500, settle=0.8)  # another view, so the picture differs
        two = second.dump(1)
        self.assertEqual(len(two), SIZE)
        self.assertEqual(two[:54], HEADER)
        self.assertTrue(one[54:] != two[54:], "the second run's dump equals the first")
        self.assertEqual(second.lines[1], WRITING % 1)
        self.assertFalse(os.path.exists(os.path.join(work, "ScrnDmp2.Bmp")))
        self.assertEqual(sorted(n for n in os.listdir(work) if n.startswith(".")), [])


if __name__ == "__main__":
    harness.main()
