"""End-to-end cases. Installers as they come, from a medium without execute bits: a makeself archive that
re-runs itself in a terminal, a program that reads its payload from its own file, a script that reads what
lies beside it; the whole name of a program beside a shorter one; a file the system cannot read."""
import tempfile

from driver import *  # noqa: F401,F403
from cases_media import mounted, with_launcher



def helper(name):
    return os.path.join(os.path.dirname(os.path.abspath(ARGS.remover)), name)


def makeself_archive(t, recorder):
    """A makeself archive whose one script runs recorder with the archive's arguments."""
    work = tempfile.mkdtemp(prefix="kivora makeself ")
    t.addCleanup(shutil.rmtree, work, True)
    content = os.path.join(work, "content")
    os.makedirs(content)
    with open(os.path.join(content, "install.sh"), "w") as f:
        f.write(f"#!/bin/sh\nexec '{recorder}' \"$@\"\n")
    os.chmod(os.path.join(content, "install.sh"), 0o755)
    out = os.path.join(work, "setup.run")
    subprocess.run(["makeself", "--quiet", content, out, "Kivora test", "./install.sh"], check=True,
                   capture_output=True)
    with open(out, "rb") as f:
        return f.read()


@case("linux")
def installers_on_a_joliet_disc_started_by_sh_autorun_sh_run_as_they_would_by_themselves(t):
    recorders = [t.folder.install(ARGS.recorder, f"rec{n}") for n in (1, 2, 3)]
    with open(helper("self_reader"), "rb") as f:
        self_reader = f.read() + b"PAYLOAD:" + recorders[1].encode() + b"\n"
    menu = b"P\r\nA\r\nB\r\nC\r\nsetup.run -- --go\r\ntools\\selfread -x\r\nbeside\\run.sh\r\n"
    disc = mounted(t, with_launcher(menu, **{
        "setup.run": makeself_archive(t, recorders[0]),
        "tools/selfread": self_reader,
        "beside/run.sh": b'#!/bin/sh\nexec "$(cat "$(dirname "$0")/target.txt")" "$@"\n',
        "beside/target.txt": recorders[2].encode()}))
    # The copies go to a cache of the case's own; a terminal left waiting for Return is ended with it.
    cache = tempfile.mkdtemp(prefix="kivora-cache-")  # makeself breaks on a blank in its own path
    t.addCleanup(lambda: (subprocess.run(["pkill", "-f", cache]), shutil.rmtree(cache, True)))
    proc = t.start(env={"XDG_CACHE_HOME": cache}, prefix=("sh",), exe=os.path.join(disc, "autorun.sh"))
    window, x, y = t.main_window()
    t.assertIn('"kivora", "Kivora"', t.x.run("xprop", "-id", window, "WM_CLASS"), "named after the loader")
    # The archive last: its terminal, waiting for Return, may cover the menu.
    for choice, index, args in (("choice2", 1, ["-x"]), ("choice3", 2, []), ("choice1", 0, ["--go"])):
        with t.subTest(choice):
            time.sleep(0.6)  # past the double-click time of the last start
            t.click((x, y), choice)
            t.click((x, y), "next")
            found, _ = t.record(f"rec{index + 1}", timeout=20)
            t.assertEqual(found, args)
    t.assertIsNone(proc.poll(), "the launcher ended")


@case("linux", "wine")
def the_whole_name_of_a_program_wins_over_a_shorter_one_beside_it(t):
    t.b.install_recorder(t.folder, "Setup")
    t.b.install_recorder(t.folder, "Setup Files/My Setup")
    t.folder.write("Kivora.ini", b"P\r\nA\r\nB\r\nC\r\nSetup Files\\My Setup /S\r\n\"Setup Files\\My Setup\" /T\r\nc\r\n")
    t.start()
    _, x, y = t.main_window()
    for choice, args in (("choice1", ["/S"]), ("choice2", ["/T"])):
        time.sleep(1.2)  # past the double-click time of the last start, and a start after the first record
        t.click((x, y), choice)
        t.click((x, y), "next")
        found = wait_for(lambda: (t.b.record(t.folder, "Setup Files/My Setup") or [None])[0] == args, timeout=10)
        t.assertTrue(found, f"{choice}: not started with {args}")
    t.assertIsNone(t.b.record(t.folder, "Setup"), "the shorter name was started")


@case("linux")
def a_file_the_system_cannot_read_is_reported_and_nothing_opens_or_starts(t):
    t.folder.write("Kivora.ini", b"P\r\nA\r\nB\r\nC\r\nsetup.sh --go\r\nb\r\nc\r\n")
    t.folder.write("setup.sh", b"#!/bin/sh\nexit 0\n")
    proc = t.start(env={"LD_PRELOAD": helper("libunreadable.so"), "KIVORA_UNREADABLE": "/setup.sh"})
    _, x, y = t.main_window()
    t.click((x, y), "next")
    status, err, _ = t.report_after(proc)
    t.assertEqual(status, 2)
    t.assertIn("Run-time error '57': Device I/O error", err)
    t.assertIn("Kivora.ini, line 5: ", err)
    t.assertIn("/setup.sh: the system cannot read it: Input/output error", err)
