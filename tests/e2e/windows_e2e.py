"""End-to-end tests of Kivora.exe under Wine on Xvfb: one virtual display and
one Wine prefix for the whole run, the real Win32 window driven through XTest
and read back from screenshots."""
import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
from winerig import WinePrefix  # noqa: E402
from xrig import Folder, Xvfb, read_bmp24, wait_for  # noqa: E402

BUILD = None
ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NORMAL = read_bmp24(os.path.join(ROOT, "resources", "close-normal.bmp"))
PRESSED = read_bmp24(os.path.join(ROOT, "resources", "close-pressed.bmp"))
MENU = (b"Choose\r\nFirst\r\nSecond\r\nThird\r\ninst\\one.exe\r\n"
        b"inst\\two prog.exe -x \"a b\"\r\ninst\\three.exe\r\n")
WINDOW = (421, 247)
X = WINE = None


def setUpModule():
    global X, WINE
    X = Xvfb(1024, 768)
    WINE = WinePrefix(X.env)


def tearDownModule():
    WINE.close()
    X.close()


class WineCase(unittest.TestCase):
    def setUp(self):
        self.folder = Folder(os.path.join(BUILD, "Kivora.exe"))
        self.procs = []

    def tearDown(self):
        X.run("xdotool", "mouseup", "1", "mouseup", "2", "mouseup", "3")
        for p in self.procs:
            if p.poll() is None:
                p.kill()
                p.wait(timeout=10)
        WINE.wait_server()
        self.folder.remove()

    def start(self, env=None, exe=None, cwd=None):
        proc = subprocess.Popen(["wine", exe or self.folder.exe], env=dict(WINE.env, **(env or {})), cwd=cwd,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.procs.append(proc)
        return proc

    def windows(self, size=None):
        out = X.run("xdotool", "search", "--onlyvisible", "--name", "^Kivora$").split()
        return [w for w in out if size is None or X.geometry(w)[2:] == size]

    def main_window(self, size=WINDOW):
        window = wait_for(lambda: self.windows(size), timeout=15)
        self.assertTrue(window, "the launcher's window did not appear")
        x, y, _, _ = X.geometry(window[0])
        X.run("xdotool", "mousemove", str(x + 300), str(y + 240))  # no control drawn hot
        return window[0], x, y

    def ended(self, proc):
        try:
            return proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.fail("the launcher did not end")

    def only_box_then_ok(self, proc):
        box = wait_for(lambda: self.windows(), timeout=15)
        self.assertTrue(box, "no box appeared")
        self.assertEqual(len(box), 1)
        self.assertNotEqual(X.geometry(box[0])[2:], WINDOW, "the main window was shown")
        time.sleep(0.3)
        X.key(box[0], "Return")
        return self.ended(proc)


class WindowTest(WineCase):
    def test_window_centred_first_choice_and_close_picture(self):
        self.folder.write("Kivora.ini", MENU)
        os.chmod(os.path.join(self.folder.path, "Kivora.ini"), 0o444)  # read-only, as on a CD
        self.start()
        window, x, y = self.main_window()
        self.assertLessEqual(abs(x - (1024 - 421) / 2), 1)
        self.assertLessEqual(abs(y - (768 - 247) / 2), 1)
        shot = X.stable_screenshot()
        self.assertEqual(shot.crop(x + 395, y + 2, 21, 21), NORMAL)
        background = shot.pixel(x + 418, y + 100)
        self.assertEqual(set(shot.crop(x + 417, y + 30, 4, 200)), {background}, "an image store is visible")

        def indicator(top):
            return shot.crop(x + 12, y + top + 7, 14, 14)
        first, second = indicator(62), indicator(104)
        self.assertNotEqual(first, second)
        X.click(x + 60, y + 104 + 14)
        X.run("xdotool", "mousemove", str(x + 300), str(y + 240))
        time.sleep(0.3)
        shot = X.stable_screenshot()
        self.assertNotEqual(indicator(62), first, "Option1 still drawn as selected")
        self.assertNotEqual(indicator(104), second, "Option2 not drawn as selected")

    def test_at_144_dpi_everything_scales_by_one_and_a_half(self):
        self.folder.write("Kivora.ini", MENU)
        WINE.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", 144)
        try:
            self.start()
            _, x, y = self.main_window(size=None)
            w, h = X.geometry(self.windows()[0])[2:]
            self.assertLessEqual(abs(w - 632), 1)
            self.assertLessEqual(abs(h - 371), 1)
            shot = X.stable_screenshot()
            # The close picture: 32 px square at (593, 3), stretched, white cross in the middle.
            self.assertEqual(shot.pixel(x + 593 + 16, y + 3 + 16), (255, 255, 255))
            r, g, b = shot.pixel(x + 593 + 16, y + 3 + 5)
            self.assertGreater(r, 150)
            self.assertLess(g, 150)
            # "Next": 188 x 53 at (225, 285): its face differs from the window's background.
            self.assertNotEqual(shot.pixel(x + 225 + 3, y + 285 + 26), shot.pixel(x + 225 - 4, y + 285 + 26))
        finally:
            for p in self.procs:
                p.kill()
                p.wait(timeout=10)
            WINE.reg_add(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", 96)

    def test_a_big5_caption_in_code_page_950_renders(self):
        def caption(text):
            self.folder.write("Kivora.ini", b"P\r\nA\r\n" + text.encode("big5") + b"\r\nC\r\na\r\nb\r\nc\r\n")
            proc = self.start({"LANG": "zh_TW.BIG5", "LC_ALL": "zh_TW.BIG5"})
            _, x, y = self.main_window()
            shot = X.stable_screenshot()
            proc.kill()
            proc.wait(timeout=10)
            WINE.wait_server()
            return shot.crop(x + 30, y + 104, 200, 29)
        one, other = caption("安裝程式"), caption("說明文件")
        self.assertGreater(sum(1 for p in one if p[0] < 150), 30, "nothing drawn")
        # Missing glyphs are drawn as the same box whatever the character.
        self.assertNotEqual(one, other, "the characters are drawn as boxes")


class MenuFileTest(WineCase):
    def test_missing_folder_or_hidden_menu_gives_only_the_error_box(self):
        ini = os.path.join(self.folder.path, "Kivora.ini")
        self.assertEqual(self.only_box_then_ok(self.start()), 1, "missing")
        os.mkdir(ini)
        self.assertEqual(self.only_box_then_ok(self.start()), 1, "a folder")
        os.rmdir(ini)
        self.folder.write("Kivora.ini", MENU)
        dos_ini = "Z:" + ini.replace("/", "\\")
        subprocess.run(["wine", "attrib", "+h", dos_ini], env=WINE.env, capture_output=True, timeout=60)
        WINE.wait_server()
        attrib = subprocess.run(["wine", "attrib", dos_ini], env=WINE.env, capture_output=True, text=True,
                                timeout=60).stdout
        if "H" not in attrib.split("Z:")[0]:
            self.skipTest("this file system keeps no hidden attribute for Wine")
        self.assertEqual(self.only_box_then_ok(self.start()), 1, "hidden")

    def test_six_lines_and_lf_only_give_the_error_report(self):
        for name, menu in (("six lines", b"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n"),
                           ("LF only", b"1\n2\n3\n4\n5\n6\n7\n")):
            with self.subTest(name):
                self.folder.write("Kivora.ini", menu)
                self.assertEqual(self.only_box_then_ok(self.start()), 2)


class VersionTest(unittest.TestCase):
    def test_version_information_and_icon(self):
        out = subprocess.run(["wine", os.path.join(BUILD, "win_probe.exe"), os.path.join(BUILD, "Kivora.exe")],
                             env=WINE.env, capture_output=True, text=True, timeout=60).stdout
        values = dict(line.strip().split("=", 1) for line in out.splitlines() if "=" in line)
        expected = {"FileVersionNumber": "1.2.0.0", "ProductVersionNumber": "1.2.0.0", "Translation": "0404 1200",
                    "FileVersion": "1.02", "ProductVersion": "1.02", "ProductName": "Kivora",
                    "InternalName": "Kivora", "OriginalFilename": "Kivora.exe", "IconImages": "3"}
        for key, value in expected.items():
            self.assertEqual(values.get(key), value, key)
        icons = [line.split("=")[1].strip() for line in out.splitlines() if line.startswith("Icon=")]
        self.assertEqual(sorted(icons), ["16x16@4", "32x32@1", "32x32@4"])


class LaunchAndCloseTest(WineCase):
    def setUp(self):
        super().setUp()
        for name in ("one.exe", "two prog.exe", "three.exe"):
            os.makedirs(os.path.join(self.folder.path, "inst"), exist_ok=True)
            shutil.copy(os.path.join(BUILD, "win_record_args.exe"), os.path.join(self.folder.path, "inst", name))
        self.folder.write("Kivora.ini", MENU)
        self.proc = self.start()
        self.window, self.wx, self.wy = self.main_window()

    def record(self, name, timeout=10):
        path = os.path.join(self.folder.path, "inst", name + ".out")
        if wait_for(lambda: os.path.exists(path) and os.path.getsize(path) > 0, timeout=timeout):
            with open(path, encoding="utf-8") as f:
                return f.read()
        return None

    def test_next_starts_the_second_target_quoted_with_its_arguments(self):
        X.click(self.wx + 60, self.wy + 104 + 14)
        X.click(self.wx + 212, self.wy + 207)
        record = self.record("two prog.exe")
        self.assertIsNotNone(record, "the second target did not run")
        folder = "Z:" + self.folder.path.replace("/", "\\")
        self.assertEqual(record, f"\"{folder}\\inst\\two prog.exe\" -x \"a b\"")
        self.assertIsNone(self.record("one.exe", timeout=0.5))
        self.assertIsNone(self.proc.poll(), "the launcher ended")

    def test_a_utf16_menu_file_is_read_in_full_whatever_the_code_page(self):
        self.proc.kill()
        self.proc.wait(timeout=10)
        WINE.wait_server()
        menu = MENU.decode("ascii").replace("inst\\one.exe", "inst\\one.exe \u5b89\u88dd \u00e9")
        self.folder.write("Kivora.ini", b"\xff\xfe" + menu.encode("utf-16-le"))
        self.proc = self.start()
        _, wx, wy = self.main_window()
        X.click(wx + 212, wy + 207)
        record = self.record("one.exe")
        folder = "Z:" + self.folder.path.replace("/", "\\")
        self.assertEqual(record, f"\"{folder}\\inst\\one.exe\" \u5b89\u88dd \u00e9")

    def test_fifty_fast_clicks_start_fifty_programs_and_the_launcher_runs_on(self):
        X.run("xdotool", "mousemove", str(self.wx + 212), str(self.wy + 207), "sleep", "0.2",
              "click", "--repeat", "50", "--delay", "0", "1")
        inst = os.path.join(self.folder.path, "inst")

        def starts():
            return sum(1 for name in os.listdir(inst) if name.startswith("one.exe.") and name.endswith(".start"))
        self.assertTrue(wait_for(lambda: starts() == 50, timeout=60), f"{starts()} starts")
        time.sleep(1)
        self.assertEqual(starts(), 50, "more starts than clicks")
        self.assertIsNone(self.proc.poll(), "the launcher ended")
        X.key(self.window, "Escape")
        self.assertEqual(self.ended(self.proc), 0)

    def test_down_then_enter_starts_the_second_target_and_escape_ends(self):
        X.key(self.window, "Down", "Return")
        self.assertIsNotNone(self.record("two prog.exe"))
        X.key(self.window, "Escape")
        self.assertEqual(self.ended(self.proc), 0)

    def test_each_button_shows_the_pressed_look_and_ends_on_release(self):
        for button in ("1", "2", "3"):
            with self.subTest(button=button):
                if button != "1":
                    self.proc = self.start()
                    _, self.wx, self.wy = self.main_window()
                X.run("xdotool", "mousemove", str(self.wx + 405), str(self.wy + 12), "sleep", "0.2",
                      "mousedown", button)
                time.sleep(0.3)
                shot = X.stable_screenshot()
                self.assertEqual(shot.crop(self.wx + 395, self.wy + 2, 21, 21), PRESSED)
                # Released off the picture for the last button: it still ends.
                if button == "3":
                    X.run("xdotool", "mousemove", str(self.wx + 100), str(self.wy + 200), "sleep", "0.2")
                X.run("xdotool", "mouseup", button)
                self.assertEqual(self.ended(self.proc), 0)
                WINE.wait_server()

    def test_a_missing_target_gives_the_report_and_ends(self):
        os.remove(os.path.join(self.folder.path, "inst", "one.exe"))
        X.click(self.wx + 212, self.wy + 207)
        box = wait_for(lambda: [w for w in self.windows() if X.geometry(w)[2:] != WINDOW], timeout=10)
        self.assertTrue(box, "no report shown")
        time.sleep(0.3)
        X.key(box[0], "Return")
        self.assertEqual(self.ended(self.proc), 2)


class ClimbingTargetTest(WineCase):
    def test_a_target_climbing_out_with_dotdot_is_found_from_the_launchers_folder(self):
        # <folder>\menu\Kivora.exe starts ..\tools\one.exe, which is <folder>\tools\one.exe, even
        # when it is started from a folder that has a ..\tools\one.exe of its own.
        exe = os.path.join(self.folder.path, "menu", "Kivora.exe")
        os.makedirs(os.path.dirname(exe))
        os.rename(self.folder.exe, exe)
        self.folder.write("menu/Kivora.ini", b"P\r\nA\r\nB\r\nC\r\n..\\tools\\one.exe -a\r\nb\r\nc\r\n")
        for where in ("tools/one.exe", "decoy/tools/one.exe"):
            self.folder.install(os.path.join(BUILD, "win_record_args.exe"), where)
        os.makedirs(os.path.join(self.folder.path, "decoy", "cwd"))
        self.start(exe=exe, cwd=os.path.join(self.folder.path, "decoy", "cwd"))
        _, x, y = self.main_window()
        X.click(x + 212, y + 207)
        record = os.path.join(self.folder.path, "tools", "one.exe.out")
        self.assertTrue(wait_for(lambda: os.path.exists(record) and os.path.getsize(record) > 0, timeout=10),
                        "..\\tools\\one.exe did not run")
        with open(record, encoding="utf-8") as f:
            self.assertTrue(f.read().endswith("one.exe\" -a"))
        self.assertFalse(os.path.exists(os.path.join(self.folder.path, "decoy", "tools", "one.exe.out")))


if __name__ == "__main__":
    BUILD = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
