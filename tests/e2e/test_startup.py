"""Start-up: identification line, the surface-image checks, the window."""

import os
import harness
from harness import QARN_MAP, Viewer, ViewerTest, write_gray_bmp

IDENT = " " + harness.IDENT_TEXT


class StartupTest(ViewerTest):

    def no_window(self, v):
        out = v.xdo(["search", "--pid", str(v.proc.pid), "--name", "Palwin"], check=False)
        return out.strip() == ""

    def test_identification_line_is_the_only_line_before_the_window(self):
        v = self.start()
        self.assertEqual(v.lines[0], IDENT)
        self.assertEqual(v.raw.split(b"\n")[0], IDENT.encode())
        self.assertEqual(len(v.lines), 1, v.lines)

    def test_window_title_and_full_screen_size(self):
        v = self.start()
        self.assertEqual(v.xdo(["getwindowname", v.window]).strip(), "Palwin: width=1024 height=768")
        geo = dict(l.split("=") for l in v.xdo(["getwindowgeometry", "--shell", v.window]).split())
        self.assertEqual((int(geo["WIDTH"]), int(geo["HEIGHT"])), (1024, 768))
        self.assertEqual((int(geo["X"]), int(geo["Y"])), (0, 0))
        self.assertTrue(v.alive())

    def test_command_line_arguments_are_ignored(self):
        v = self.start(args=["-display", ":0", "--help", "-geometry", "10x10"])
        self.assertTrue(v.alive())
        self.assertEqual(v.lines, [IDENT])

    def failing_run(self, prepare):
        v = self.start(surface=None, prepare=prepare, wait_frames=False)
        rc = v.wait_exit(15)
        return v, rc

    def test_missing_image_stops_before_any_window(self):
        v, rc = self.failing_run(None)
        self.assertEqual(rc, 1)
        self.assertEqual(v.lines[0], IDENT)
        self.assertEqual(len(v.lines), 2, v.lines)
        self.assertRegex(v.lines[1], r"^BmpRead: I/O error on unit 14, file Qarns\.Bmp")
        self.assertTrue(self.no_window(v))

    def test_a_named_pipe_as_the_map_stops_at_once(self):
        v, rc = self.failing_run(lambda d: os.mkfifo(os.path.join(d, "Qarns.Bmp")))
        self.assertEqual(rc, 1)
        self.assertEqual(v.lines[1], "BmpRead: I/O error on unit 14, file Qarns.Bmp: "
                                     "not a regular file (a named pipe)")
        self.assertTrue(self.no_window(v))

    def test_short_images_stop_with_the_io_message(self):
        with open(QARN_MAP, "rb") as f:
            data = f.read()
        for n in (525365, 1078, 20, 0):
            with self.subTest(n):
                def prepare(d):
                    with open(os.path.join(d, "Qarns.Bmp"), "wb") as f:
                        f.write(data[:n])
                v, rc = self.failing_run(prepare)
                self.assertEqual(rc, 1)
                self.assertEqual(len(v.lines), 2, v.lines)
                self.assertRegex(v.lines[1], r"I/O error on unit 14, file Qarns\.Bmp")

    def test_malformed_images_name_the_file_the_fault_and_the_tool(self):
        cases = {
            "depth": dict(nBitsPP=24),
            "width": dict(nWidth=2048),
            "compression": dict(nCompr=1),
            "top-down": dict(nHeight=-512),
        }
        for name, fields in cases.items():
            with self.subTest(name):
                def prepare(d):
                    write_gray_bmp(os.path.join(d, "Qarns.Bmp"), lambda x, y: 128, **fields)
                v, rc = self.failing_run(prepare)
                self.assertEqual(rc, 1)
                self.assertEqual(len(v.lines), 2, v.lines)
                self.assertIn("Qarns.Bmp", v.lines[1])
                self.assertIn("make one with qarn-mksurface", v.lines[1])
                self.assertTrue(self.no_window(v))

    def test_a_map_longer_than_needed_loads(self):
        def prepare(d):
            with open(os.path.join(d, "Qarns.Bmp"), "ab") as f:
                f.write(b"\0" * 4096)
        v = self.start(prepare=prepare)
        self.assertTrue(v.alive())

    def test_a_lost_display_ends_the_run_with_status_1(self):
        # The viewer's connection killed by a client (xdotool windowkill, as
        # xkill does), its window destroyed by a client (windowclose: no
        # close request, the next frame draws into a window that is gone),
        # then the X server itself ended under it.
        v = self.start()
        v.xdo(["windowkill", v.window])
        self.assert_lost(v, self.xvfb.display)
        v = self.start()
        v.xdo(["windowclose", v.window])
        self.assert_lost(v, self.xvfb.display,
                         "Qarn: window on display %s destroyed by another client. Execution stopped.")
        own = harness.Xvfb()
        try:
            v = Viewer(own)
            self.viewers.append(v)
            own.stop()
            self.assert_lost(v, own.display)
        finally:
            own.stop()

    def assert_lost(self, v, display,
                    line="Qarn: connection to display %s lost. Execution stopped."):
        self.assertEqual(v.wait_exit(15), 1, v.lines)
        self.assertEqual(v.lines, [IDENT, line % display])
        self.assertEqual(v.stderr, b"")


if __name__ == "__main__":
    harness.main()
