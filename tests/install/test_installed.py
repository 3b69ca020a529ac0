"""The installed program: the launcher of a `make install` DESTDIR tree and of
the unpacked Debian package, run under Xvfb with a scratch HOME; as root with
QARN_DPKG_TEST=1 also the package installed with dpkg -i and removed again.

    python3 tests/install/test_installed.py --deb build-deb/qarn_*.deb --build build
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(REPO, "tests", "e2e"))

import harness  # noqa: E402
from harness import Picture, ViewerTest, tree_files, wait_for, write_gray_bmp  # noqa: E402

OPTIONS = argparse.Namespace(deb=None, build="build")
WHITE = b"\xff\xff\xff"
NOBODY = 65534


def white_share(pic):
    """Share of pure-white pixels in the middle of the globe: about 0.7 with an
    all-white map (grid lines and names cover the rest), near 0 with the lunar
    map."""
    n = hits = 0
    for y in range(260, 540, 4):
        row = pic.rows[y]
        for x in range(320, 700, 4):
            n += 1
            hits += row[3 * x:3 * x + 3] == WHITE
    return hits / n


def write_white_map(folder):
    os.makedirs(folder, exist_ok=True)
    write_gray_bmp(os.path.join(folder, "Qarns.Bmp"), lambda x, y: 255)


class LauncherRuns:
    """Runs of the launcher of one installed tree; prefix is set by the tree's class."""

    prefix = None

    def scratch(self):
        d = tempfile.mkdtemp(prefix="qarn-inst-")
        self.addCleanup(shutil.rmtree, d, True)
        return d

    def launcher(self):
        return os.path.join(self.prefix, "bin", "qarn")

    def launch(self, cwd, home, xdg=None, wrap=(), env=None, **kw):
        """The launcher on the display; wrap is a command line it runs under
        (another user, a redirection), env more variables."""
        environ = {"HOME": home, "XDG_DATA_HOME": xdg}
        environ.update(env or {})
        cmd = list(wrap) + [self.launcher()]
        return self.start(surface=None, workdir=cwd, command=cmd[0], args=cmd[1:], env=environ, **kw)

    def refused(self, cwd, env, wrap=()):
        """A launcher run that must stop before the viewer: (status, console).
        No display, so a viewer started by mistake ends at once."""
        environ = {k: v for k, v in os.environ.items()
                   if k not in ("DISPLAY", "XDG_DATA_HOME", "CDPATH")}
        environ.update(env)
        r = subprocess.run(list(wrap) + [self.launcher()], cwd=cwd, env=environ,
                           stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
        return r.returncode, (r.stdout + r.stderr).decode("latin-1")

    def other_user(self, *paths):
        """As root, a setpriv prefix that runs the launcher as nobody, who is
        given paths and may read the installed tree: root would write through
        file modes that stop a user. Not root: no prefix."""
        if os.geteuid() != 0:
            return []
        setpriv = shutil.which("setpriv")
        if setpriv is None:
            self.skipTest("setpriv is needed to run the launcher as a user other than root")
        os.chmod(self.root, 0o755)
        for path in paths:
            os.chown(path, NOBODY, NOBODY, follow_symlinks=False)
            for base, dirs, files in os.walk(path):
                for name in dirs + files:
                    os.chown(os.path.join(base, name), NOBODY, NOBODY, follow_symlinks=False)
        return [setpriv, "--reuid=%d" % NOBODY, "--regid=%d" % NOBODY, "--clear-groups"]

    def assert_all_ours(self, out):
        """Every line of a refused run is one of the launcher's own."""
        lines = [line for line in out.splitlines() if line]
        self.assertTrue(lines)
        for line in lines:
            self.assertTrue(line.startswith("qarn: "), out)

    def wait_note(self, v, folder, note="qarn: running in %s "):
        """A console note of the launcher's naming folder, by default the one
        naming the folder it runs in."""
        note = (note % folder).encode()
        self.assertIn(note, wait_for(lambda: v.stderr, lambda err: note in err, 10.0))

    def dump_and_quit(self, v):
        pic = Picture.from_bmp(v.dump(1))
        v.key("q", settle=0.0)
        self.assertEqual(v.wait_exit(15), 0)
        self.assertIn("End of run (keyboard).", v.lines)
        return pic

    def check_per_user_folder(self):
        home, cwd = self.scratch(), self.scratch()
        folder = os.path.join(home, ".local", "share", "qarn")
        v = self.launch(cwd, home, dump_dir=folder)
        self.wait_note(v, folder)
        with open(os.path.join(self.prefix, "share", "qarn", "Qarns.Bmp"), "rb") as f:
            installed = f.read()
        with open(os.path.join(folder, "Qarns.Bmp"), "rb") as f:
            self.assertEqual(f.read(), installed)
        pic = self.dump_and_quit(v)
        self.assertLess(white_share(pic), 0.05)
        self.assertEqual(os.listdir(cwd), [])



class LauncherChecks(LauncherRuns):
    """The launcher's folder rule and exit status."""

    def test_per_user_folder_gets_the_installed_map_and_the_dump(self):
        self.check_per_user_folder()

    def test_xdg_data_home_folder_keeps_a_map_placed_there(self):
        home, cwd = self.scratch(), self.scratch()
        # A backslash in the path is printed as it is, not read as an escape.
        xdg = os.path.join(self.scratch(), "data\\no \\c")
        folder = os.path.join(xdg, "qarn")
        write_white_map(folder)
        v = self.launch(cwd, home, xdg=xdg, dump_dir=folder)
        self.wait_note(v, folder)
        self.assertGreater(white_share(self.dump_and_quit(v)), 0.5)
        self.assertFalse(os.path.exists(os.path.join(home, ".local")))

    def test_current_directory_with_its_own_map(self):
        home, cwd = self.scratch(), self.scratch()
        write_white_map(cwd)
        v = self.launch(cwd, home)
        self.wait_note(v, os.path.realpath(cwd))
        self.assertGreater(white_share(self.dump_and_quit(v)), 0.5)
        self.assertTrue(os.path.exists(os.path.join(cwd, "ScrnDmp1.Bmp")))
        self.assertFalse(os.path.exists(os.path.join(home, ".local")))

    def test_the_viewers_exit_status_is_the_launchers(self):
        home, cwd = self.scratch(), self.scratch()
        with open(os.path.join(cwd, "Qarns.Bmp"), "wb") as f:
            f.write(b"BM" + bytes(98))
        v = self.launch(cwd, home, wait_frames=False)
        self.assertEqual(v.wait_exit(15), 1)
        self.assertIn("Qarns.Bmp", v.lines[-1])


class LauncherFaults(LauncherRuns):
    """The launcher against a hostile or broken per-user folder and console."""

    def test_a_folder_or_a_link_to_one_named_qarns_bmp_is_refused(self):
        for kind in ("folder", "link"):
            home, cwd, elsewhere = self.scratch(), self.scratch(), self.scratch()
            folder = os.path.join(home, ".local", "share", "qarn")
            os.makedirs(folder)
            target = os.path.join(folder, "Qarns.Bmp")
            if kind == "folder":
                os.mkdir(target)
                inside = target
            else:
                os.symlink(elsewhere, target)
                inside = elsewhere
            rc, out = self.refused(cwd, {"HOME": home})
            self.assertEqual(rc, 1, kind)
            self.assertIn("qarn: %s is not a regular file" % target, out)
            self.assertEqual(os.listdir(inside), [], kind)
            self.assertEqual(os.listdir(folder), ["Qarns.Bmp"], kind)
            self.assertEqual(os.listdir(cwd), [], kind)

    def test_the_first_copy_writes_through_no_planted_link(self):
        home, cwd, keep = self.scratch(), self.scratch(), self.scratch()
        folder = os.path.join(home, ".local", "share", "qarn")
        os.makedirs(folder)
        victim = os.path.join(keep, "precious")
        with open(victim, "wb") as f:
            f.write(b"precious")
        wrap = self.other_user(home, cwd, keep)
        # Every temporary name a launcher is likely to pick: its own process
        # id over the next few thousand, and the usual suffixes.
        with open("/proc/sys/kernel/pid_max") as f:
            pid_max = int(f.read())
        with open("/proc/sys/kernel/ns_last_pid") as f:
            last = int(f.read())
        names = [".Qarns.Bmp.%d" % ((last + k) % pid_max) for k in range(1, 4000)]
        names += [".Qarns.Bmp", ".Qarns.Bmp.tmp", "Qarns.Bmp.tmp", ".Qarns.Bmp~", "Qarns.Bmp.new"]
        for name in names:
            os.symlink(victim, os.path.join(folder, name))
        v = self.launch(cwd, home, wrap=wrap, dump_dir=folder)
        self.wait_note(v, folder)
        with open(victim, "rb") as f:
            self.assertEqual(f.read(), b"precious")
        with open(os.path.join(self.prefix, "share", "qarn", "Qarns.Bmp"), "rb") as f:
            installed = f.read()
        with open(os.path.join(folder, "Qarns.Bmp"), "rb") as f:
            self.assertEqual(f.read(), installed)
        self.assertEqual(sorted(os.listdir(folder)), sorted(names + ["Qarns.Bmp"]))

    @unittest.skipUnless(os.geteuid() == 0, "a small tmpfs as HOME needs root to mount")
    def test_a_full_disk_leaves_no_partial_copy(self):
        home, cwd = self.scratch(), self.scratch()
        r = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", home],
                           capture_output=True, text=True, timeout=30)
        if r.returncode != 0:
            self.skipTest("cannot mount a tmpfs here: %s" % r.stderr.strip())
        self.addCleanup(subprocess.run, ["umount", home], timeout=30)
        rc, out = self.refused(cwd, {"HOME": home})
        self.assertEqual(rc, 1)
        folder = os.path.join(home, ".local", "share", "qarn")
        self.assertIn("qarn: could not copy the installed map to %s (" % folder, out)
        self.assert_all_ours(out)
        self.assertNotIn("created", out)
        self.assertEqual(tree_files(home), set())

    def test_a_data_folder_in_the_way_is_named_with_what_to_do(self):
        base = self.scratch()
        plain = os.path.join(base, "plain")
        open(plain, "w").close()
        os.mkdir(os.path.join(base, "file"))
        open(os.path.join(base, "file", "qarn"), "w").close()
        os.mkdir(os.path.join(base, "dangling"))
        os.symlink(os.path.join(base, "nowhere"), os.path.join(base, "dangling", "qarn"))
        cases = {
            plain: "XDG_DATA_HOME (%s) is not a folder; set it" % plain,
            os.path.join(plain, "sub"): "cannot create the folder %s/sub/qarn: %s is not a folder" % (plain, plain),
            os.path.join(base, "file"): "%s/file/qarn is not a folder; remove or rename it" % base,
            os.path.join(base, "dangling"):
                "%s/dangling/qarn is a link to %s/nowhere, which does not exist" % (base, base),
        }
        before = sorted(os.walk(base))
        for xdg, message in cases.items():
            home, cwd = self.scratch(), self.scratch()
            rc, out = self.refused(cwd, {"HOME": home, "XDG_DATA_HOME": xdg})
            self.assertEqual(rc, 1, xdg)
            self.assertIn("qarn: " + message, out)
            self.assert_all_ours(out)
            self.assertEqual(sorted(os.walk(base)), before, xdg)
            self.assertEqual(os.listdir(home) + os.listdir(cwd), [], xdg)

    def test_a_read_only_home_is_named_with_what_to_do(self):
        # A home and a data folder the user may not write to, then a
        # read-only file system as home (root only, so last).
        for kind in ("home", "folder", "read-only"):
            home, cwd = self.scratch(), self.scratch()
            folder = os.path.join(home, ".local", "share", "qarn")
            if kind == "read-only":
                if os.geteuid() != 0:
                    continue
                r = subprocess.run(["mount", "-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", home],
                                   capture_output=True, text=True, timeout=30)
                if r.returncode != 0:
                    self.skipTest("cannot mount a tmpfs here: %s" % r.stderr.strip())
                self.addCleanup(subprocess.run, ["umount", home], timeout=30)
                wrap = []
            else:
                locked = folder if kind == "folder" else home
                os.makedirs(locked, exist_ok=True)
                wrap = self.other_user(home, cwd)
                os.chmod(locked, 0o555)
                self.addCleanup(os.chmod, locked, 0o755)
            rc, out = self.refused(cwd, {"HOME": home, "LC_ALL": "C"}, wrap)
            self.assertEqual(rc, 1, kind)
            reason = "Read-only file system" if kind == "read-only" else "Permission denied"
            if kind == "folder":
                self.assertIn("qarn: cannot create a file in %s (%s); make it writable" % (folder, reason), out)
            else:
                self.assertIn("qarn: cannot create the folder %s (%s); make %s writable" % (folder, reason, home),
                              out)
            self.assert_all_ours(out)
            self.assertEqual(tree_files(home), set(), kind)
            self.assertEqual(os.listdir(cwd), [], kind)

    def test_an_interrupted_first_copy_leaves_nothing(self):
        # A cp that has written part of the map and then waits, as on a slow
        # disk; the hang-up of a closed terminal reaches the whole group.
        home, cwd, fake = self.scratch(), self.scratch(), self.scratch()
        with open(os.path.join(fake, "cp"), "w") as f:
            f.write('#!/bin/sh\nfor last; do :; done\nprintf BM >"$last"\nexec sleep 60\n')
        os.chmod(os.path.join(fake, "cp"), 0o755)
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "XDG_DATA_HOME")}
        env.update(HOME=home, PATH=fake + os.pathsep + os.environ["PATH"])
        proc = subprocess.Popen([self.launcher()], cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                start_new_session=True)
        self.addCleanup(harness.end_process, proc)
        folder = os.path.join(home, ".local", "share", "qarn")
        wait_for(lambda: any(os.path.getsize(os.path.join(home, p)) for p in tree_files(home)))
        self.assertTrue(tree_files(home), "no temporary copy appeared in %s" % folder)
        os.killpg(proc.pid, signal.SIGHUP)
        self.assertNotEqual(proc.wait(20), 0)
        self.assertEqual(tree_files(home), set())

    def test_the_viewer_starts_with_standard_error_closed_or_full(self):
        for redirect in ("2>&-", "2>/dev/full"):
            home, cwd = self.scratch(), self.scratch()
            folder = os.path.join(home, ".local", "share", "qarn")
            v = self.launch(cwd, home, wrap=["/bin/sh", "-c", 'exec "$0" ' + redirect],
                            dump_dir=folder)
            self.assertLess(white_share(self.dump_and_quit(v)), 0.05, redirect)

    def test_a_relative_home_is_not_used_even_through_cdpath(self):
        cwd, other = self.scratch(), self.scratch()
        write_white_map(os.path.join(other, "rel", ".local", "share", "qarn"))
        before = tree_files(other)
        for env in ({"HOME": "rel"}, {"HOME": "rel", "CDPATH": other},
                    {"HOME": "rel", "XDG_DATA_HOME": "data"}):
            rc, out = self.refused(cwd, env)
            self.assertEqual(rc, 1, env)
            self.assertIn("qarn: HOME is not an absolute path (rel)", out)
            self.assertNotIn("running in", out)
            self.assertEqual(os.listdir(cwd), [], env)
            self.assertEqual(tree_files(other), before, env)

    def test_an_unwritable_current_folder_is_named_at_start(self):
        home, cwd = self.scratch(), self.scratch()
        write_white_map(cwd)
        wrap = self.other_user(home, cwd)
        os.chmod(cwd, 0o555)
        self.addCleanup(os.chmod, cwd, 0o755)
        v = self.launch(cwd, home, wrap=wrap)
        real = os.path.realpath(cwd)
        self.wait_note(v, real)
        self.wait_note(v, real, "qarn: %s cannot be written: a screen dump (~) will fail and end the run")
        self.assertTrue(v.alive())
        v.key("q", settle=0.0)
        self.assertEqual(v.wait_exit(15), 0)


class DestdirTree(LauncherChecks, LauncherFaults, ViewerTest):
    """`make install DESTDIR=... PREFIX=/usr/local`."""

    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="qarn-destdir-")
        subprocess.run(["make", "--no-print-directory", "-C", REPO, "install", "BUILD=" + OPTIONS.build,
                        "DESTDIR=" + cls.root, "PREFIX=/usr/local"],
                       check=True, stdout=subprocess.DEVNULL, timeout=900)
        cls.prefix = os.path.join(cls.root, "usr", "local")
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        shutil.rmtree(cls.root, ignore_errors=True)


class PackageTree(LauncherChecks, LauncherFaults, ViewerTest):
    """The package unpacked with dpkg-deb -x."""

    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="qarn-deb-")
        subprocess.run(["dpkg-deb", "-x", OPTIONS.deb, cls.root], check=True, timeout=120)
        cls.prefix = os.path.join(cls.root, "usr")
        super().setUpClass()

    @classmethod
    def tearDownClass(cls):
        super().tearDownClass()
        shutil.rmtree(cls.root, ignore_errors=True)

    def test_package_holds_what_make_install_installs(self):
        dest = self.scratch()
        subprocess.run(["make", "--no-print-directory", "-C", REPO, "install", "BUILD=" + OPTIONS.build,
                        "DESTDIR=" + dest, "PREFIX=/usr"],
                       check=True, stdout=subprocess.DEVNULL, timeout=900)
        files = tree_files(self.root)
        self.assertEqual(files, tree_files(dest))
        for path in ("usr/bin/qarn", "usr/bin/qarn-mksurface", "usr/libexec/qarn/qarn",
                     "usr/share/qarn/Qarns.Bmp", "usr/share/man/man1/qarn.1.gz",
                     "usr/share/man/man1/qarn-mksurface.1.gz", "usr/share/doc/qarn/copyright",
                     "usr/share/doc/qarn/changelog.gz"):
            self.assertIn(path, files)

    def test_two_builds_of_one_commit_give_the_same_package(self):
        # The commit built again in a clone under another path, later, with
        # another umask: the archive must not change by one byte.
        dirty = subprocess.run(["git", "-C", REPO, "status", "--porcelain", "--untracked-files=no"],
                               capture_output=True, text=True, timeout=60)
        if dirty.returncode != 0 or dirty.stdout.strip():
            self.skipTest("the package under test is not built from a clean commit")
        commit = subprocess.run(["git", "-C", REPO, "rev-parse", "HEAD"], check=True,
                                capture_output=True, text=True, timeout=60).stdout.strip()
        clone = os.path.join(self.scratch(), "another-folder", "qarn")
        subprocess.run(["git", "clone", "--quiet", "--no-checkout", REPO, clone], check=True, timeout=300)
        subprocess.run(["git", "-C", clone, "checkout", "--quiet", commit], check=True, timeout=300)
        # Not the variables of an outer make: a DEB_BUILD given to it would move this build.
        env = {k: v for k, v in os.environ.items() if k not in ("MAKEFLAGS", "MFLAGS", "MAKELEVEL")}
        r = subprocess.run(["sh", "-c", 'umask 002 && exec make --no-print-directory -C "$0" package', clone],
                           env=env, capture_output=True, timeout=1800)
        self.assertEqual(r.returncode, 0, r.stderr.decode("latin-1")[-3000:])
        with open(OPTIONS.deb, "rb") as f:
            first = f.read()
        with open(os.path.join(clone, "build-deb", os.path.basename(OPTIONS.deb)), "rb") as f:
            self.assertTrue(f.read() == first, "the two builds of %s differ" % commit)


@unittest.skipUnless(os.geteuid() == 0 and os.environ.get("QARN_DPKG_TEST") == "1",
                     "dpkg -i and -r only as root with QARN_DPKG_TEST=1 (CI)")
class DpkgInstall(LauncherRuns, ViewerTest):
    """dpkg -i, the launcher from /usr/bin, dpkg -r leaving nothing behind."""

    prefix = "/usr"

    def test_install_run_and_remove(self):
        state = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "qarn"], capture_output=True, text=True)
        self.assertNotIn("installed", state.stdout.replace("not-installed", ""),
                         "qarn is already installed on this machine")
        listing = subprocess.run(["dpkg-deb", "-c", OPTIONS.deb], check=True, capture_output=True,
                                 text=True).stdout.splitlines()
        files = [line.split()[-1].lstrip(".") for line in listing if not line.startswith("d")]
        dirs = [line.split()[-1].lstrip(".").rstrip("/") for line in listing if line.startswith("d")]
        subprocess.run(["dpkg", "-i", OPTIONS.deb], check=True, stdout=subprocess.DEVNULL, timeout=300)
        try:
            for path in files:
                self.assertTrue(os.path.isfile(path), path)
            self.check_per_user_folder()
        finally:
            subprocess.run(["dpkg", "-r", "qarn"], check=True, stdout=subprocess.DEVNULL, timeout=300)
        self.assertEqual([p for p in files if os.path.lexists(p)], [])
        # The package's own folders go with it; shared ones such as /usr/bin stay.
        own = [d for d in dirs if "qarn" in os.path.basename(d)]
        self.assertTrue(own)
        self.assertEqual([d for d in own if os.path.exists(d)], [])


if __name__ == "__main__":
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--deb", required=True)
    parser.add_argument("--build", default="build")
    OPTIONS, rest = parser.parse_known_args()
    OPTIONS.deb = os.path.abspath(OPTIONS.deb)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)
