"""End-to-end tests of the Linux launcher: the real GTK window on Xvfb,
driven and read back through XTest and screenshots, as a user would."""
import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from xrig import Folder, Xvfb, read_bmp24, wait_for  # noqa: E402

LAUNCHER = None
RECORDER = None  # a program that writes what it was started with to <itself>.out
REMOVER = None  # preloaded: removes Kivora.ini as soon as a stat() has found it
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MENU = b"Choose one\r\nFirst\r\nSecond\r\nThird\r\none.sh\r\ntwo.sh\r\nthree.sh\r\n"
WINDOW = (421, 247)
NORMAL = read_bmp24(os.path.join(ROOT, "resources", "close-normal.bmp"))


class LauncherCase(unittest.TestCase):
    screen = (1024, 768)

    @classmethod
    def setUpClass(cls):
        cls.x = Xvfb(*cls.screen)

    @classmethod
    def tearDownClass(cls):
        cls.x.close()

    def setUp(self):
        self.folder = Folder(LAUNCHER)
        self.procs = []

    def tearDown(self):
        for p in self.procs:
            if p.poll() is None:
                p.kill()
                p.wait(timeout=5)
            p.stdout.close()
            p.stderr.close()
        self.folder.remove()

    def start(self, env=None, prefix=(), exe=None, cwd=None):
        proc = subprocess.Popen([*prefix, exe or self.folder.exe], env=dict(self.x.env, **(env or {})),
                                cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.procs.append(proc)
        return proc

    def main_window(self, proc):
        def found():
            for w in self.x.visible_windows(proc.pid):
                if self.x.geometry(w)[2:] == WINDOW:
                    return w
            return None
        window = wait_for(found)
        self.assertIsNotNone(window, "the launcher's window did not appear")
        # Drawn once the close picture is there; then wait for the rest to settle.
        x, y, _, _ = self.x.geometry(window)
        drawn = wait_for(lambda: self.x.screenshot().crop(x + 395, y + 2, 21, 21) == NORMAL, timeout=5)
        self.assertTrue(drawn, "the close picture was never drawn")
        return window

    def only_box(self, proc):
        """Waits for the one window the launcher shows and checks it is a box."""
        window = wait_for(lambda: self.x.visible_windows(proc.pid))
        self.assertTrue(window, "no box appeared")
        self.assertEqual(len(window), 1, "more than one window")
        self.assertNotEqual(self.x.geometry(window[0])[2:], WINDOW, "the main window was shown")
        self.assertEqual(self.x.name(window[0]), "Kivora")
        return window[0]

    def dismiss_and_wait(self, proc, window):
        self.x.key(window, "Return")
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.fail("the launcher did not end after OK")
        return proc.returncode


class WindowTest(LauncherCase):
    def test_window_opens_centred_with_the_first_choice_and_the_close_picture(self):
        self.folder.write("Kivora.ini", MENU)
        proc = self.start()
        window = self.main_window(proc)
        x, y, w, h = self.x.geometry(window)
        sw, sh = self.screen
        self.assertLessEqual(abs(x - (sw - w) / 2), 1)
        self.assertLessEqual(abs(y - (sh - h) / 2), 1)
        self.assertEqual(len(self.x.visible_windows(proc.pid)), 1, "only the main window is shown")

        shot = self.x.stable_screenshot()
        self.assertEqual(shot.crop(x + 395, y + 2, 21, 21), NORMAL, "the close picture shows the normal image")
        # Nothing right of the close picture but the window's background.
        background = shot.pixel(x + 418, y + 100)
        self.assertEqual(set(shot.crop(x + 417, y, 4, h)), {background})

        # The selected indicator is drawn for Option1; clicking Option2 swaps them.
        def indicator(top):
            return shot.crop(x + 14, y + top + 6, 16, 16)
        first, second = indicator(62), indicator(104)
        self.assertNotEqual(first, second, "Option1 and Option2 are drawn alike")
        self.x.click(x + 60, y + 104 + 14)
        self.x.run("xdotool", "mousemove", str(x + 300), str(y + 240))
        time.sleep(0.3)
        shot = self.x.stable_screenshot()
        self.assertEqual(indicator(104), first, "Option2 now drawn as selected")
        self.assertNotEqual(indicator(62), first, "Option1 still drawn as selected")
        self.assertIsNone(proc.poll(), "choosing an option did something")


class WindowOnALargerScreenTest(LauncherCase):
    screen = (1280, 1024)

    def test_window_is_centred(self):
        self.folder.write("Kivora.ini", MENU)
        proc = self.start()
        x, y, w, h = self.x.geometry(self.main_window(proc))
        self.assertLessEqual(abs(x - (1280 - 421) / 2), 1)
        self.assertLessEqual(abs(y - (1024 - 247) / 2), 1)


class MenuFileTest(LauncherCase):
    def test_no_usable_menu_file_gives_only_the_error_box(self):
        ini = os.path.join(self.folder.path, "Kivora.ini")
        cases = (("missing", lambda: None), ("a folder", lambda: os.mkdir(ini)),
                 ("a FIFO", lambda: os.mkfifo(ini)), ("a device", lambda: os.symlink("/dev/zero", ini)))
        for name, make in cases:
            with self.subTest(name):
                make()
                proc = self.start()
                box = self.only_box(proc)
                self.assertEqual(self.dismiss_and_wait(proc, box), 1)
                if os.path.isdir(ini) and not os.path.islink(ini):
                    os.rmdir(ini)
                elif os.path.lexists(ini):
                    os.remove(ini)

    def test_a_menu_file_that_cannot_be_read_whole_gives_the_report(self):
        ini = os.path.join(self.folder.path, "Kivora.ini")
        # Root reads any file; without these two capabilities it is refused as anyone else is.
        unprivileged = ("setpriv", "--bounding-set", "-dac_override,-dac_read_search") if os.geteuid() == 0 else ()

        def unreadable():
            self.folder.write("Kivora.ini", MENU)
            os.chmod(ini, 0)

        def one_huge_line():
            with open(ini, "wb") as f:
                f.truncate(1 << 30)  # 1 GiB of NUL bytes and no line end

        cases = (
            ("no read permission", unreadable, {}, unprivileged,
             "Run-time error '70': Permission denied", "Kivora.ini: Permission denied"),
            ("removed between the presence check and the open", lambda: self.folder.write("Kivora.ini", MENU),
             {"LD_PRELOAD": REMOVER}, (), "Run-time error '53': File not found", "Kivora.ini: No such file"),
            ("empty", lambda: self.folder.write("Kivora.ini", b""), {}, (),
             "Run-time error '62': Input past end of file", "Kivora.ini, line 1"),
            ("six lines", lambda: self.folder.write("Kivora.ini", b"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n"), {}, (),
             "Run-time error '62': Input past end of file", "Kivora.ini, line 7"),
            ("a single line of 1 GiB", one_huge_line, {}, (),
             "Run-time error '7': Out of memory", "Kivora.ini, line 1 is longer than 32768 bytes"),
        )
        for name, make, env, prefix, error, concerns in cases:
            with self.subTest(name):
                make()
                proc = self.start(env, prefix)
                box = self.only_box(proc)
                with open(f"/proc/{proc.pid}/status") as f:
                    peak = int(next(line for line in f if line.startswith("VmHWM:")).split()[1])
                self.assertLess(peak, 200 * 1024, "peak resident KiB")
                self.assertEqual(self.dismiss_and_wait(proc, box), 2)
                err = proc.stderr.read()
                self.assertIn(error, err)
                self.assertIn(concerns, err)
                if os.path.exists(ini):
                    os.remove(ini)

    def caption_pixels(self, menu, env=None):
        self.folder.write("Kivora.ini", menu)
        proc = self.start(env)
        x, y, _, _ = self.x.geometry(self.main_window(proc))
        self.x.run("xdotool", "mousemove", str(x + 300), str(y + 240))
        shot = self.x.stable_screenshot()
        proc.kill()
        proc.wait(timeout=5)
        return shot.crop(x + 40, y + 104, 200, 29)

    def test_a_big5_caption_renders_as_its_characters(self):
        utf8 = self.caption_pixels("P\nA\n安裝程式\nC\na\nb\nc\n".encode("utf-8"), {"LC_ALL": "C.UTF-8"})
        big5 = self.caption_pixels("P\nA\n安裝程式\nC\na\nb\nc\n".encode("big5"), {"LC_ALL": "zh_TW.BIG5"})
        marks = self.caption_pixels(b"P\nA\n????\nC\na\nb\nc\n", {"LC_ALL": "C.UTF-8"})
        self.assertEqual(big5, utf8, "Big5 text is not drawn as the same characters")
        self.assertNotEqual(big5, marks, "drawn as question marks")
        self.assertGreater(sum(1 for p in big5 if p[0] < 150), 30, "nothing drawn")


PRESSED = read_bmp24(os.path.join(ROOT, "resources", "close-pressed.bmp"))
LAUNCH_MENU = (b"Choose\r\nFirst\r\nSecond\r\nThird\r\ninst\\one\r\n"
               b"inst\\two prog -x \"a b\" c; touch pwned\r\ninst\\three --linger 30\r\n")


class LaunchAndCloseTest(LauncherCase):
    def setUp(self):
        super().setUp()
        for name in ("one", "two prog", "three"):
            self.folder.install(RECORDER, "inst/" + name)
        self.folder.write("Kivora.ini", LAUNCH_MENU)
        self.proc = self.start()
        self.window = self.main_window(self.proc)
        self.wx, self.wy, _, _ = self.x.geometry(self.window)

    def tearDown(self):
        self.x.run("xdotool", "mouseup", "1", "mouseup", "2", "mouseup", "3")  # never leave a button held
        subprocess.run(["pkill", "-f", os.path.join(self.folder.path, "inst")], check=False)
        super().tearDown()

    def record(self, name):
        path = os.path.join(self.folder.path, "inst", name + ".out")
        if wait_for(lambda: os.path.exists(path), timeout=5):
            with open(path) as f:
                return f.read()
        return None

    def next_button(self):
        self.x.click(self.wx + 212, self.wy + 207)

    def ended(self):
        try:
            return self.proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            self.fail("the launcher did not end")

    def test_next_starts_exactly_the_second_target_with_its_arguments(self):
        self.x.click(self.wx + 60, self.wy + 104 + 14)
        self.next_button()
        record = self.record("two prog")
        self.assertIsNotNone(record, "the second target did not run")
        self.assertTrue(record.startswith("arg:-x\narg:a b\narg:c;\narg:touch\narg:pwned\n"), record)
        self.assertFalse(os.path.exists(os.path.join(self.folder.path, "inst", "one.out")))
        self.assertFalse(os.path.exists(os.path.join(self.folder.path, "pwned")), "a shell ran the line")
        self.assertIsNone(self.proc.poll(), "the launcher ended")

    def test_down_arrow_then_enter_starts_the_second_target(self):
        self.x.key(self.window, "Down", "Return")
        self.assertIsNotNone(self.record("two prog"))
        self.assertFalse(os.path.exists(os.path.join(self.folder.path, "inst", "one.out")))

    def test_every_button_shows_the_pressed_look_and_ends_on_release(self):
        for button in ("1", "2", "3"):
            with self.subTest(button=button):
                if button != "1":
                    self.proc = self.start()
                    self.window = self.main_window(self.proc)
                self.x.run("xdotool", "mousemove", str(self.wx + 405), str(self.wy + 12), "sleep", "0.1",
                           "mousedown", button)
                time.sleep(0.3)
                shot = self.x.stable_screenshot()
                self.assertEqual(shot.crop(self.wx + 395, self.wy + 2, 21, 21), PRESSED)
                self.assertIsNone(self.proc.poll(), "ended before the release")
                self.x.run("xdotool", "mouseup", button)
                self.assertEqual(self.ended(), 0)

    def test_release_off_the_picture_still_ends_and_started_programs_run_on(self):
        self.x.click(self.wx + 60, self.wy + 146 + 14)  # the third target lingers
        self.next_button()
        record = self.record("three")
        self.assertIsNotNone(record)
        child = int(record.split("pid:")[1].split()[0])
        self.x.run("xdotool", "mousemove", str(self.wx + 405), str(self.wy + 12), "sleep", "0.1", "mousedown", "1")
        self.x.run("xdotool", "mousemove", str(self.wx + 100), str(self.wy + 200), "sleep", "0.1", "mouseup", "1")
        self.assertEqual(self.ended(), 0)
        os.kill(child, 0)  # raises if the started program died with the launcher

    def test_fifty_fast_clicks_start_fifty_programs_and_the_launcher_runs_on(self):
        self.x.run("xdotool", "mousemove", str(self.wx + 212), str(self.wy + 207), "sleep", "0.1",
                   "click", "--repeat", "50", "--delay", "0", "1")
        log = os.path.join(self.folder.path, "inst", "one.log")

        def starts():
            with open(log) as f:
                return len(f.read().split())
        self.assertTrue(wait_for(lambda: os.path.exists(log) and starts() == 50, timeout=20),
                        f"{starts() if os.path.exists(log) else 0} starts")
        time.sleep(0.5)
        self.assertEqual(starts(), 50, "more starts than clicks")
        self.assertIsNone(self.proc.poll(), "the launcher ended")
        self.x.key(self.window, "Escape")
        self.assertEqual(self.ended(), 0)

    def test_escape_ends(self):
        self.x.key(self.window, "Escape")
        self.assertEqual(self.ended(), 0)

    def test_a_missing_target_gives_the_report_and_ends(self):
        os.remove(os.path.join(self.folder.path, "inst", "one"))
        self.next_button()
        box = wait_for(lambda: [w for w in self.x.visible_windows(self.proc.pid) if w != self.window])
        self.assertTrue(box, "no report shown")
        self.x.key(box[0], "Return")
        self.assertEqual(self.ended(), 2)
        self.assertIn("Run-time error '53': File not found", self.proc.stderr.read())


class ClimbingTargetTest(LauncherCase):
    def test_a_target_climbing_out_with_dotdot_is_found_from_the_launchers_folder(self):
        # <folder>/menu/kivora starts ..\tools\one, which is <folder>/tools/one, even when
        # it is started from a folder that has a ../tools/one of its own.
        exe = os.path.join(self.folder.path, "menu", "kivora")
        os.makedirs(os.path.dirname(exe))
        os.rename(self.folder.exe, exe)
        self.folder.write("menu/Kivora.ini", b"P\r\nA\r\nB\r\nC\r\n..\\tools\\one -a\r\nb\r\nc\r\n")
        for where in ("tools/one", "decoy/tools/one"):
            self.folder.install(RECORDER, where)
        os.makedirs(os.path.join(self.folder.path, "decoy", "cwd"))
        proc = self.start(exe=exe, cwd=os.path.join(self.folder.path, "decoy", "cwd"))
        x, y, _, _ = self.x.geometry(self.main_window(proc))
        self.x.click(x + 212, y + 207)
        record = os.path.join(self.folder.path, "tools", "one.out")
        self.assertTrue(wait_for(lambda: os.path.exists(record), timeout=5), "..\\tools\\one did not run")
        with open(record) as f:
            self.assertTrue(f.read().startswith("arg:-a\n"))
        self.assertFalse(os.path.exists(os.path.join(self.folder.path, "decoy", "tools", "one.out")))


def faults_of_our_own(log, exe):
    """The memory errors and the definitely lost blocks in a valgrind log that
    are the launcher's own: an error whose first three frames reach into the
    launcher's executable, a block whose first frame past the allocators is
    in it. Those of the libraries (fontconfig keeps blocks it no longer points
    to; ld.so's strncmp reads past a short string) are theirs, whoever called
    them."""
    allocators = ("vgpreload_memcheck", "libstdc++", "g_malloc", "g_malloc0", "g_realloc", "g_strdup",
                  "g_strndup", "g_memdup", "g_slice_alloc", "g_try_malloc")
    errors = ("Invalid read", "Invalid write", "Invalid free", "Conditional jump", "uninitialised",
              "Mismatched free", "Source and destination overlap")
    ours = []
    for record in re.split(r"==\d+== \n", log):
        lines = [line.split("== ", 1)[-1] for line in record.splitlines()]
        frames = [line for line in lines if line.lstrip().startswith(("at 0x", "by 0x"))]
        mine = [f"(in {exe})" in f or "kivora::" in f for f in frames]
        if any(e in record for e in errors) and any(mine[:3]):
            ours.append("\n".join(lines[:8]))
        if "are definitely lost" in record:
            first = next((i for i, f in enumerate(frames) if not any(a in f for a in allocators)), None)
            if first is not None and mine[first]:
                ours.append("\n".join(lines[:8]))
    return ours


class LeakTest(LauncherCase):
    def run_under_valgrind(self, menu, act):
        self.folder.install(RECORDER, "inst/one")
        self.folder.write("Kivora.ini", menu)
        log = os.path.join(self.folder.path, "valgrind.log")
        proc = self.start({"NO_AT_BRIDGE": "1"}, ("valgrind", "--leak-check=full", "--show-leak-kinds=definite",
                                                 "--num-callers=30", f"--log-file={log}"))
        status = act(proc)
        with open(log) as f:
            text = f.read()
        self.assertIn("LEAK SUMMARY", text, "valgrind did not finish")
        self.assertEqual(faults_of_our_own(text, self.folder.exe), [])
        return status

    def test_the_launcher_leaks_nothing_it_allocates(self):
        def launch_then_escape(proc):
            window = wait_for(lambda: [w for w in self.x.visible_windows(proc.pid)
                                       if self.x.geometry(w)[2:] == WINDOW], timeout=60)
            self.assertTrue(window, "no window under valgrind")
            x, y, _, _ = self.x.geometry(window[0])
            self.x.click(x + 212, y + 207)
            self.assertTrue(wait_for(lambda: os.path.exists(os.path.join(self.folder.path, "inst", "one.out")),
                                     timeout=20), "nothing started")
            self.x.key(window[0], "Escape")
            return proc.wait(timeout=60)
        self.assertEqual(self.run_under_valgrind(b"P\r\nA\r\nB\r\nC\r\ninst\\one\r\nb\r\nc\r\n",
                                                 launch_then_escape), 0)

    def test_the_error_report_path_leaks_nothing_either(self):
        def dismiss(proc):
            box = wait_for(lambda: self.x.visible_windows(proc.pid), timeout=60)
            self.assertTrue(box, "no report under valgrind")
            time.sleep(1)
            self.x.key(box[0], "Return")
            return proc.wait(timeout=60)
        self.assertEqual(self.run_under_valgrind(b"1\r\n2\r\n3\r\n", dismiss), 2)


if __name__ == "__main__":
    LAUNCHER = os.path.abspath(sys.argv.pop(1))
    RECORDER = os.path.abspath(sys.argv.pop(1))
    REMOVER = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
