"""The shared driver of the end-to-end tests: the launchers as the cases
drive them (the Linux one on Xvfb, the aarch64 one on Xvfb through the
emulator that binfmt_misc hands ARM programs to, Kivora.exe under Wine on
Xvfb), the case table every cases_*.py file adds to, and the menus several of
them use.
Every coordinate comes from the core's own layout (tests/helpers/print_layout)."""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tarfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.dirname(__file__))
from winerig import WinePrefix  # noqa: E402
from xrig import Folder, Xvfb, read_bmp24, wait_for  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NORMAL = read_bmp24(os.path.join(ROOT, "resources", "close-normal.bmp"))
PRESSED = read_bmp24(os.path.join(ROOT, "resources", "close-pressed.bmp"))
ARGS = argparse.Namespace()  # filled by main(), before any case runs
LAYOUTS = {}
# The longer of the systems' double-click times (Wine's 500 ms, GTK's 400 ms),
# and how long past it the driver presses "Next" again on a busy machine.
DOUBLE_CLICK, MARGIN = 0.5, 0.5


def layout(dpi=96):
    if dpi not in LAYOUTS:
        LAYOUTS[dpi] = json.loads(subprocess.run([ARGS.layout, str(dpi)], capture_output=True, text=True,
                                                 check=True).stdout)
    return LAYOUTS[dpi]


def centre(control, dpi=96):
    left, top, width, height = layout(dpi)[control]
    return left + width // 2, top + height // 2


def split_windows(line):
    """The arguments of a Windows command line, by the C run time's rules."""
    args, i = [], 0
    while True:
        while i < len(line) and line[i] in " \t":
            i += 1
        if i == len(line):
            return args
        arg, quoted = "", False
        while i < len(line) and (quoted or line[i] not in " \t"):
            if line[i] == "\\":
                n = len(line[i:]) - len(line[i:].lstrip("\\"))
                i += n
                if i < len(line) and line[i] == '"':
                    arg += "\\" * (n // 2)
                    if n % 2:
                        arg, i = arg + '"', i + 1
                else:
                    arg += "\\" * n
            elif line[i] == '"':
                if quoted and line[i + 1:i + 2] == '"':
                    arg, i = arg + '"', i + 2
                else:
                    quoted, i = not quoted, i + 1
            else:
                arg, i = arg + line[i], i + 1
        args.append(arg)


class Linux:
    """The Linux launcher, and the recorder it starts in the tests."""
    name = "linux"
    patience = 15  # seconds for the window to come

    def __init__(self, x):
        self.x, self.exe = x, ARGS.linux

    def program(self, name):
        return name

    def install_recorder(self, folder, name):
        folder.install(ARGS.recorder, name)

    def command(self, exe):
        return [exe]

    def env(self):
        return self.x.env

    def record(self, folder, name):
        """The arguments the recorder named name was started with, and its record, or None."""
        path = os.path.join(folder.path, name + ".out")
        if not os.path.exists(path):
            return None
        with open(path, encoding="utf-8") as f:
            text = f.read()
        return [line[4:] for line in text.splitlines() if line.startswith("arg:")], text

    def folder_of(self, folder, name):
        """The current folder the recorder named name ran in."""
        text = self.record(folder, name)[1]
        return next(line[4:] for line in text.splitlines() if line.startswith("cwd:"))

    def starts(self, folder, name):
        log = os.path.join(folder.path, name + ".log")
        if not os.path.exists(log):
            return 0
        with open(log) as f:
            return len(f.read().split())

    def settle(self):
        pass

    def native_path(self, path):
        return path


class Aarch64(Linux):
    """The 64-bit ARM launcher, run by qemu-user as the kernel hands it over; what it starts runs natively."""
    name = "aarch64"
    patience = 60  # an emulated start takes seconds, more when the machine is busy

    def __init__(self, x):
        super().__init__(x)
        self.exe = ARGS.aarch64
        with open(self.exe, "rb") as f:
            header = f.read(20)
        if header[:4] != b"\x7fELF" or header[18:20] != b"\xb7\x00":  # e_machine EM_AARCH64, little-endian
            raise SystemExit(f"{self.exe} is not an aarch64 program")


class Wine:
    """Kivora.exe in a Wine prefix made for the run."""
    name = "wine"
    patience = 15

    def __init__(self, x):
        self.x, self.exe = x, os.path.join(ARGS.windows, "Kivora.exe")
        self.prefix = WinePrefix(x.env)

    def program(self, name):
        return name + ".exe"

    def install_recorder(self, folder, name):
        folder.install(os.path.join(ARGS.windows, "win_record_args.exe"), name + ".exe")

    def command(self, exe):
        return ["wine", exe]

    def env(self):
        return self.prefix.env

    def record(self, folder, name):
        path = os.path.join(folder.path, name + ".exe.out")
        if not os.path.exists(path) or os.path.getsize(path) == 0:
            return None
        with open(path, encoding="utf-8") as f:
            line = f.read()
        return split_windows(line)[1:], line

    def folder_of(self, folder, name):
        with open(os.path.join(folder.path, name + ".exe.cwd"), encoding="utf-8") as f:
            return f.read()

    def starts(self, folder, name):
        inst = os.path.join(folder.path, os.path.dirname(name))
        stem = os.path.basename(name) + ".exe."
        return sum(1 for f in os.listdir(inst) if f.startswith(stem) and f.endswith(".start"))

    def settle(self):
        self.prefix.wait_server()

    def dos_path(self, path):
        return "Z:" + path.replace("/", "\\")

    def native_path(self, path):
        return self.dos_path(path)


CASES = []


def case(*on):
    """Adds the function below to the case table, for the launchers named."""
    def add(function):
        CASES.append((function, on))
        return function
    return add


class E2E(unittest.TestCase):
    """One case on one launcher; self.b is the launcher, self.x the display."""
    x = backend = linux = None

    def __init__(self, function, backend):
        super().__init__()
        self.function, self.b = function, backend

    def id(self):
        return f"{self.b.name}: {self.function.__name__}"

    __str__ = id

    def runTest(self):
        self.function(self)

    def setUp(self):
        self.folder = Folder(self.b.exe)
        self.procs = []
        self.last_start = None  # when "Next" was last pressed or its start last seen

    def tearDown(self):
        self.x.run("xdotool", "mouseup", "1", "mouseup", "2", "mouseup", "3")  # never leave a button held
        subprocess.run(["pkill", "-f", self.folder.path], check=False)
        for p in self.procs:
            if p.poll() is None:
                p.kill()
            p.wait(timeout=10)
            p.stderr.close()
        self.b.settle()
        self.folder.remove()

    # --- driving the launcher
    def start(self, env=None, prefix=(), exe=None, cwd=None, backend=None, folder=None):
        b = backend or self.b
        exe = exe or (folder.exe if folder else self.folder.exe)
        # As from a desktop: no terminal on standard input.
        proc = subprocess.Popen([*prefix, *b.command(exe)], env=dict(b.env(), **(env or {})), cwd=cwd,
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.procs.append(proc)
        return proc

    def windows(self, size=None):
        found = self.x.run("xdotool", "search", "--onlyvisible", "--name", "^Kivora$").split()
        return [w for w in found if size is None or self.x.geometry(w)[2:] == size]

    def main_window(self, dpi=96, timeout=None):
        """Waits for the launcher's window and its close picture; moves the pointer off every control."""
        timeout = timeout or self.b.patience
        size = tuple(layout(dpi)["client"])
        window = wait_for(lambda: self.windows(size), timeout=timeout)
        self.assertTrue(window, "the launcher's window did not appear")
        x, y, _, _ = self.x.geometry(window[0])
        self.x.run("xdotool", "mousemove", str(x + size[0] * 7 // 10), str(y + size[1] - 7))
        if dpi == 96:
            left, top, _, _ = layout()["close"]
            drawn = wait_for(lambda: self.x.screenshot().crop(x + left, y + top, 21, 21) == NORMAL, timeout=timeout)
            self.assertTrue(drawn, "the close picture was never drawn")
        return window[0], x, y

    def click(self, at, control, button=1):
        """Clicks control; "Next" only once past the double-click time of the last start (a case that means to
        press quickly sends its clicks itself)."""
        window_x, window_y = at
        cx, cy = centre(control)
        if control == "next" and self.last_start is not None:
            time.sleep(max(0.0, self.last_start + DOUBLE_CLICK + MARGIN - time.monotonic()))
        self.x.click(window_x + cx, window_y + cy, button)
        if control == "next":
            self.last_start = time.monotonic()

    def assertPixels(self, got, expected, msg, same=True):
        """Compares two pixel lists and fails at once with a count and the first difference (unittest's diff of
        long lists runs for minutes)."""
        differ = [i for i, (a, b) in enumerate(zip(got, expected)) if a != b] + \
            ([min(len(got), len(expected))] if len(got) != len(expected) else [])
        if same and differ:
            self.fail(f"{msg}: {len(differ)} of {max(len(got), len(expected))} pixels differ, the first at "
                      f"{differ[0]}: {got[differ[0]:differ[0] + 1]} against {expected[differ[0]:differ[0] + 1]}")
        if not same and not differ:
            self.fail(f"{msg}: all {len(got)} pixels are the same")

    def only_box(self):
        """Waits for the one window the launcher shows and checks it is a box."""
        box = wait_for(lambda: self.windows(), timeout=15)
        self.assertTrue(box, "no box appeared")
        self.assertEqual(len(box), 1, "more than one window")
        self.assertNotEqual(self.x.geometry(box[0])[2:], tuple(layout()["client"]), "the main window was shown")
        time.sleep(0.3)
        return box[0]

    def report_after(self, proc):
        """The report the launcher shows after Next: its box's size; then, the box dismissed, the launcher's exit
        status and standard error."""
        box = wait_for(lambda: [w for w in self.windows() if self.x.geometry(w)[2:] != tuple(layout()["client"])],
                       timeout=10)
        self.assertTrue(box, "no report shown")
        time.sleep(0.3)
        size = self.x.geometry(box[0])[2:]
        self.x.key(box[0], "Return")
        return self.ended(proc), proc.stderr.read(), size

    def ok_and_wait(self, proc, box):
        self.x.key(box, "Return")
        return self.ended(proc)

    def ended(self, proc, timeout=10):
        try:
            return proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("the launcher did not end")

    def record(self, name, timeout=10):
        found = wait_for(lambda: self.b.record(self.folder, name), timeout=timeout)
        if found:
            self.last_start = time.monotonic()  # the launcher took the time of the start about now
        return found or (None, None)

    def start_afresh(self):
        """Ends the launcher and what it started, for a next subtest in a new folder."""
        self.proc.kill()
        self.proc.wait(timeout=10)
        subprocess.run(["pkill", "-f", self.folder.path], check=False)  # the third target lingers
        self.b.settle()
        self.folder.remove()
        self.folder = Folder(self.b.exe)
        self.last_start = None

    def launch_menu(self, menu=None, env=None):
        """A launcher on LAUNCH_MENU (or menu), with its three recorders, up and waiting."""
        for name in ("inst/one", "inst/two prog", "inst/three"):
            self.b.install_recorder(self.folder, name)
        self.folder.write("Kivora.ini", menu or LAUNCH_MENU)
        self.proc = self.start(env)
        self.window, wx, wy = self.main_window()
        self.at = (wx, wy)


MENU = b"Choose one\r\nFirst\r\nSecond\r\nThird\r\none\r\ntwo\r\nthree\r\n"
# Without ".exe": Kivora.exe adds it as Windows does, so one menu serves both.
LAUNCH_MENU = (b"Choose\r\nFirst\r\nSecond\r\nThird\r\ninst\\one\r\n"
               b"inst\\two prog -x \"a b\" c; touch pwned\r\ninst\\three --linger 30\r\n")


def main():
    parser = argparse.ArgumentParser()
    for option in ("--on", "--layout", "--version", "--linux", "--recorder", "--remover", "--fat", "--monitor",
                   "--windows", "--dist"):
        parser.add_argument(option, required=True)
    parser.add_argument("--aarch64", help="the aarch64 launcher, for --on aarch64")
    _, rest = parser.parse_known_args(namespace=ARGS)
    if ARGS.on == "aarch64" and not ARGS.aarch64:
        parser.error("--on aarch64 needs --aarch64 LAUNCHER")
    x = Xvfb(1024, 768)
    try:
        E2E.x = x
        E2E.linux = Linux(x)
        backend = E2E.linux if ARGS.on == "linux" else Aarch64(x) if ARGS.on == "aarch64" else Wine(x)
        wanted = ("wine", "both") if ARGS.on == "wine" else (ARGS.on,)
        suite = unittest.TestSuite(E2E(f, backend) for f, on in CASES if set(on) & set(wanted))
        if rest:
            suite = unittest.TestSuite(c for c in suite if any(r in c.id() for r in rest))
        result = unittest.TextTestRunner(verbosity=2).run(suite)
        if isinstance(backend, Wine):
            backend.prefix.close()
    finally:
        x.close()
    sys.exit(0 if result.wasSuccessful() else 1)
