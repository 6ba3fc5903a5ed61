"""A small rig for end-to-end tests on a virtual X display: starts Xvfb,
finds a program's windows, reads their pixels back and sends input through
XTest (xdotool). Every wait is bounded; everything started is ended."""
import os
import shutil
import subprocess
import tempfile
import time


class Xvfb:
    def __init__(self, width, height):
        self.width, self.height = width, height
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            number = f.readline().strip()
        if not number:
            self.proc.kill()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env = dict(os.environ, DISPLAY=self.display, NO_AT_BRIDGE="1")
        self.env.pop("WAYLAND_DISPLAY", None)

    def close(self):
        self.proc.kill()
        self.proc.wait(timeout=10)

    def run(self, *args, timeout=10):
        return subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=timeout).stdout

    def visible_windows(self, pid):
        out = self.run("xdotool", "search", "--onlyvisible", "--pid", str(pid))
        return [w for w in out.split()]

    def geometry(self, window):
        values = {}
        for line in self.run("xdotool", "getwindowgeometry", "--shell", window).splitlines():
            key, _, value = line.partition("=")
            values[key] = int(value) if value.isdigit() else value
        return values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]

    def name(self, window):
        return self.run("xdotool", "getwindowname", window).strip()

    def screenshot(self):
        """The whole screen as (width, height, rgb bytes)."""
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=self.env,
                              capture_output=True, timeout=20).stdout
        # P6 header: magic, width, height, maxval, each followed by whitespace.
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not data[pos:pos + 1].isspace():
                pos += 1
            fields.append(data[start:pos])
        pos += 1
        return Image(int(fields[1]), int(fields[2]), data[pos:])

    def stable_screenshot(self):
        """Two screenshots 100 ms apart that agree: the window has painted."""
        last = self.screenshot()
        for _ in range(30):
            time.sleep(0.1)
            shot = self.screenshot()
            if shot.rgb == last.rgb:
                return shot
            last = shot
        return last

    def click(self, x, y, button=1):
        self.run("xdotool", "mousemove", str(x), str(y), "sleep", "0.1", "click", str(button))

    def key(self, window, *keys):
        self.run("xdotool", "windowfocus", "--sync", window, timeout=5)
        self.run("xdotool", "key", "--clearmodifiers", *keys)


class Image:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def crop(self, x, y, w, h):
        return [self.pixel(x + i, y + j) for j in range(h) for i in range(w)]


def wait_for(condition, timeout=5.0, step=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(step)
    return None


def read_bmp24(path):
    """The pixels of a 24-bit bottom-up BMP, top row first."""
    with open(path, "rb") as f:
        data = f.read()
    offset = int.from_bytes(data[10:14], "little")
    width = int.from_bytes(data[18:22], "little")
    height = int.from_bytes(data[22:26], "little")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        row = data[offset + stride * (height - 1 - y):]
        rows.append([(row[3 * x + 2], row[3 * x + 1], row[3 * x]) for x in range(width)])
    return [p for row in rows for p in row]


class Folder:
    """A folder with the launcher (or another program) in it."""

    def __init__(self, program):
        self.path = tempfile.mkdtemp(prefix="kivora e2e ")
        self.exe = os.path.join(self.path, os.path.basename(program))
        shutil.copy(program, self.exe)

    def write(self, name, data):
        full = os.path.join(self.path, name)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            f.write(data)
        return full

    def install(self, program, name):
        """Copies a program into the folder under name, runnable."""
        full = os.path.join(self.path, name)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        shutil.copy(program, full)
        return full

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)
