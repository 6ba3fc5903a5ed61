"""A shared Wine prefix for the Windows end-to-end tests: made once per test
run, with the settings that make Wine behave on a display without a window
manager (see the comments), and helpers to run programs in it."""
import glob
import os
import shutil
import subprocess
import tempfile


class WinePrefix:
    def __init__(self, display_env):
        self.path = tempfile.mkdtemp(prefix="kivora-wine-")
        self.env = dict(display_env, WINEPREFIX=self.path, WINEARCH="win32", WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        subprocess.run(["wineboot", "-i"], env=self.env, capture_output=True, timeout=120)
        # Without a window manager, an unmanaged window neither waits 2 s on
        # hiding nor loses the keyboard focus.
        self.reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "REG_SZ", "N")
        fonts = os.path.join(self.path, "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        for font in glob.glob("/usr/share/wine/fonts/*.ttf"):
            shutil.copy(font, fonts)
        self.wait_server()

    def reg_add(self, key, name, kind, value):
        """Sets a value of key; name None is the key's default value."""
        which = ["/ve"] if name is None else ["/v", name]
        subprocess.run(["wine", "reg", "add", key, *which, "/t", kind, "/d", str(value), "/f"],
                       env=self.env, capture_output=True, timeout=60)
        self.wait_server()

    def wait_server(self):
        """Waits for the prefix's processes to end; a hung one is ended with the server, so
        that one failing case does not hold up the next."""
        try:
            subprocess.run(["wineserver", "-w"], env=self.env, capture_output=True, timeout=30)
        except subprocess.TimeoutExpired:
            subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=30)
        shutil.rmtree(self.path, ignore_errors=True)
