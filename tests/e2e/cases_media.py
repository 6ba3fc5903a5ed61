"""End-to-end cases. The Linux launcher on real disc images mounted with FUSE, as a desktop mounts a disc:
started by autorun.sh, what Next starts from a medium without execute bits, a disc ejected under the window."""
import tempfile

from driver import *  # noqa: F401,F403

AUTORUN = os.path.join(ROOT, "dist", "autorun.sh")


def mounted(t, files, options=(), rock_ridge=False):
    """An ISO 9660 image of files ({path: bytes or (bytes, mode)}), with Joliet names, or with Rock Ridge (which
    keeps names and modes as they are) when rock_ridge; mounted with fuseiso, and unmounted after the case.
    The mount point's path."""
    missing = [p for p in ("genisoimage", "fuseiso", "fusermount") if not shutil.which(p)]
    if missing or not os.path.exists("/dev/fuse"):
        t.fail("FUSE is missing: these cases mount disc images with fuseiso, which needs /dev/fuse and the programs "
               + ", ".join(missing or ["(all there)"]) + " (tools/bootstrap installs genisoimage, fuseiso and fuse)")
    where = tempfile.mkdtemp(prefix="kivora medium ")  # not below the case's folder, which tearDown kills by name
    source, image, point = (os.path.join(where, name) for name in ("source", "disc.iso", "disc"))
    for name, data in files.items():
        data, mode = data if isinstance(data, tuple) else (data, 0o644)
        full = os.path.join(source, name)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        os.chmod(full, mode)
    subprocess.run(["genisoimage", "-quiet", "-R" if rock_ridge else "-J", "-o", image, source], check=True)
    os.makedirs(point)
    subprocess.run(["fuseiso", "-n", image, point, *options], check=True)

    def unmount():
        subprocess.run(["fusermount", "-u", "-z", point], capture_output=True)
        shutil.rmtree(where, ignore_errors=True)
    t.addCleanup(unmount)
    return point


def with_launcher(menu, **files):
    """The launcher, autorun.sh and the menu as the Linux package puts them on a disc, and more files."""
    with open(ARGS.linux, "rb") as f, open(AUTORUN, "rb") as g:
        disc = {"kivora": (f.read(), 0o755), "autorun.sh": (g.read(), 0o755), "Kivora.ini": menu}
    return dict(disc, **files)


def recording_script(t, line_end=b"\n"):
    """A script that hands its arguments to a recorder in the case's folder (the disc cannot be written to)."""
    recorder = t.folder.install(ARGS.recorder, "rec")
    return b"#!/bin/sh" + line_end + b"exec '" + recorder.encode() + b"' \"$@\"" + line_end


@case("linux")
def a_joliet_disc_started_by_sh_autorun_sh_runs_a_script_without_execute_bit_and_names_a_cr_in_another(t):
    # Joliet keeps no mode: fuseiso shows every file 0444, as a desktop's iso9660 mount shows fmode=400.
    menu = b"P\r\nA\r\nB\r\nC\r\nSetup\\Install.sh -x \"a b\"\r\nSetup\\Saved.sh\r\nc\r\n"
    disc = mounted(t, with_launcher(menu, **{"Setup/Install.sh": recording_script(t),
                                             "Setup/Saved.sh": recording_script(t, b"\r\n")}))
    t.assertFalse(os.stat(os.path.join(disc, "kivora")).st_mode & 0o111, "the image kept an execute bit")
    proc = t.start(prefix=("sh",), exe=os.path.join(disc, "autorun.sh"), cwd=t.folder.path)
    _, x, y = t.main_window()
    t.click((x, y), "next")
    args, _ = t.record("rec")
    t.assertEqual(args, ["-x", "a b"], "the script did not run with its arguments")
    time.sleep(0.6)  # past the double-click time of the first start, within which Next starts nothing more
    t.click((x, y), "choice2")
    t.click((x, y), "next")
    status, err, _ = t.report_after(proc)
    t.assertEqual(status, 2)
    t.assertIn("Setup/Saved.sh: the script's first line ends with a carriage return", err)


@case("linux")
def a_disc_ejected_under_the_window_starts_nothing_at_next(t):
    disc = mounted(t, with_launcher(b"P\r\nA\r\nB\r\nC\r\nSetup\\Install.sh\r\nb\r\nc\r\n",
                                    **{"Setup/Install.sh": recording_script(t)}))
    proc = t.start(prefix=("sh",), exe=os.path.join(disc, "autorun.sh"))
    _, x, y = t.main_window()
    subprocess.run(["fusermount", "-u", "-z", disc], check=True)  # what a forced eject does
    t.click((x, y), "next")
    status, err, _ = t.report_after(proc)
    t.assertEqual(status, 2)
    t.assertIn(f"{disc}: the disc or folder the launcher was started from is no longer there", err)
    t.assertIsNone(t.record("rec", timeout=0.5)[0], "something started")


@case("linux")
def a_disc_listing_iso_versions_finds_its_menu_and_targets(t):
    # The names a plain ISO 9660 disc shows with map=off; Rock Ridge keeps them, and the launcher's bit, as they are.
    disc = mounted(t, {"kivora": (open(ARGS.linux, "rb").read(), 0o755),
                       "KIVORA.INI;1": b"P\r\nA\r\nB\r\nC\r\nSetup\\Install.sh --go\r\nb\r\nc\r\n",
                       "SETUP/INSTALL.SH;1": (recording_script(t), 0o755)}, rock_ridge=True)
    t.start(exe=os.path.join(disc, "kivora"))
    _, x, y = t.main_window()
    t.click((x, y), "next")
    args, _ = t.record("rec")
    t.assertEqual(args, ["--go"])
    # The check finds them as Windows does too, which shows no version; an ISO 9660 disc keeps no hidden mark.
    done = subprocess.run([t.folder.exe, "--check", disc], capture_output=True, text=True, timeout=30)
    t.assertIn("  Windows: opens the document Setup\\Install.sh", done.stdout)
    t.assertNotIn("hidden mark", done.stdout)


@case("linux")
def on_a_noexec_mount_autorun_sh_says_so_in_one_line_and_runs_nothing_and_the_check_says_so_too(t):
    disc = mounted(t, with_launcher(b"P\r\nA\r\nB\r\nC\r\nrun.sh\r\nb\r\nc\r\n", **{"run.sh": b"#!/bin/sh\n"}),
                   options=("-o", "noexec"))
    done = subprocess.run(["sh", os.path.join(disc, "autorun.sh")], env=t.b.env(), capture_output=True, text=True,
                          timeout=30)
    t.assertEqual(done.returncode, 126)
    t.assertEqual(done.stderr.splitlines(),
                  [f"autorun.sh: this system does not allow programs to run from {disc} (the medium is mounted noexec)"])
    t.assertEqual(t.windows(), [], "the launcher ran")
    done = subprocess.run([t.folder.exe, "--check", disc], capture_output=True, text=True, timeout=30)
    t.assertIn("Run-time error '70': Permission denied (/media/disc/Kivora.ini, line 5: /media/disc/run.sh: this system "
               "does not allow programs to run from the medium it is on (it is mounted noexec))", done.stdout)
