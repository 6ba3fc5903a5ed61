"""The launchers of the Linux archive (build/release and build/release-aarch64,
made by tools/release) against Debian bullseye: each asks for no glibc newer
than 2.31, every library and symbol version it needs is in its bullseye root,
the aarch64 one needs the libraries the x86-64 one needs, and each starts in
its root, on bullseye's own libraries (the aarch64 one through the emulator),
and launches a program.

    release_test.py SOURCE_DIR"""
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "e2e"))
from xrig import Xvfb, wait_for  # noqa: E402

ROOT = sys.argv[1]
# name, the launcher, its bullseye root, what tools/release is told, its ELF machine, where its libraries are.
MACHINES = [
    ("x86-64", "build/release/bin/kivora", "build/bullseye", [], "Advanced Micro Devices X86-64",
     ("lib/x86_64-linux-gnu", "usr/lib/x86_64-linux-gnu", "lib64", "usr/lib")),
    ("aarch64", "build/release-aarch64/bin/kivora", "build/bullseye-aarch64", ["--aarch64"], "AArch64",
     ("lib/aarch64-linux-gnu", "usr/lib/aarch64-linux-gnu", "lib")),
]


def needed(path):
    """{library: set of symbol versions needed from it}, from the version needs."""
    out = subprocess.run(["readelf", "-d", "-V", "--wide", path], capture_output=True, text=True, check=True).stdout
    wanted = {name: set() for name in re.findall(r"\(NEEDED\)\s+Shared library: \[(.+?)\]", out)}
    library = None
    for line in out.splitlines():
        file = re.search(r"File: (\S+)", line)
        if file:
            library = file.group(1)
        name = re.search(r"Name: (\S+)\s+Flags", line)
        if name and library:
            wanted.setdefault(library, set()).add(name.group(1))
    return wanted


def defined(path):
    """The symbol versions a library defines."""
    out = subprocess.run(["readelf", "-V", "--wide", path], capture_output=True, text=True, check=True).stdout
    section = out.split("Version definition section", 1)[-1].split("Version needs section", 1)[0]
    return set(re.findall(r"Name: (\S+)", section))


def in_bullseye(library, root, folders):
    for folder in folders:
        path = os.path.join(ROOT, root, folder, library)
        if os.path.exists(path):
            return os.path.realpath(path)
    return None


def version(tag):
    return tuple(int(n) for n in tag.split("_", 1)[1].split("."))


class Release(unittest.TestCase):
    def test_needs_no_glibc_newer_than_2_31(self):
        for name, kivora, *_ in MACHINES:
            with self.subTest(name):
                tags = [v for versions in needed(os.path.join(ROOT, kivora)).values() for v in versions
                        if v.startswith("GLIBC_2")]
                self.assertTrue(tags, "no GLIBC versions read")
                self.assertLessEqual(max(map(version, tags)), (2, 31), sorted(tags, key=version)[-1])

    def test_every_library_and_version_it_needs_is_in_bullseye(self):
        for name, kivora, root, _, machine, folders in MACHINES:
            header = subprocess.run(["readelf", "-h", os.path.join(ROOT, kivora)], capture_output=True, text=True,
                                    check=True).stdout
            self.assertRegex(header, rf"Machine:\s+{machine}\n", f"the {name} launcher is for another machine")
            for library, versions in needed(os.path.join(ROOT, kivora)).items():
                with self.subTest(f"{name}: {library}"):
                    path = in_bullseye(library, root, folders)
                    self.assertIsNotNone(path, f"{library} is not in the bullseye root")
                    self.assertEqual(versions - defined(path), set(), f"versions {library} lacks in bullseye")

    def test_the_aarch64_launcher_needs_the_libraries_the_x86_64_one_needs(self):
        (_, x86_64, *_), (_, aarch64, *_) = MACHINES
        self.assertEqual(sorted(needed(os.path.join(ROOT, aarch64))), sorted(needed(os.path.join(ROOT, x86_64))))

    def test_starts_on_bullseye_and_launches_with_no_descriptor_of_its_own(self):
        for name, kivora, _, option, *_ in MACHINES:
            with self.subTest(name):
                self.starts_and_launches(os.path.join(ROOT, kivora), option)

    def starts_and_launches(self, kivora, option):
        x = Xvfb(1024, 768)
        folder = tempfile.mkdtemp(prefix="kivora-release-")
        try:
            subprocess.run(["cp", kivora, folder], check=True)
            os.makedirs(os.path.join(folder, "inst"))
            probe = os.path.join(folder, "inst", "probe")
            with open(probe, "w") as f:  # ls, with its own listing at 3, shows the descriptors it was given
                f.write('#!/bin/sh\nexec ls /proc/self/fd >"$(dirname "$0")/fds"\n')
            os.chmod(probe, 0o755)
            with open(os.path.join(folder, "Kivora.ini"), "wb") as f:
                f.write(b"Choose\r\nProbe\r\nB\r\nC\r\ninst\\probe\r\nb\r\nc\r\n")
            # The launcher is given a descriptor of its own to keep from the program.
            held = os.open(os.devnull, os.O_RDONLY)
            proc = subprocess.Popen([os.path.join(ROOT, "tools", "release"), *option, "run", folder, "env",
                                     "DISPLAY=" + x.display, "NO_AT_BRIDGE=1", os.path.join(folder, "kivora")],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, pass_fds=(held,))
            os.close(held)
            try:
                window = wait_for(lambda: x.run("xdotool", "search", "--onlyvisible", "--name", "^Kivora$").split(),
                                  timeout=30)
                self.assertTrue(window, "no window on bullseye")
                time.sleep(0.3)
                x.key(window[0], "Return")
                fds = os.path.join(folder, "inst", "fds")
                self.assertTrue(wait_for(lambda: os.path.exists(fds) and os.path.getsize(fds), timeout=10),
                                "the program was not started")
                with open(fds) as f:
                    self.assertEqual(f.read().split(), ["0", "1", "2", "3"])
                x.key(window[0], "Escape")
                self.assertEqual(proc.wait(timeout=10), 0, proc.stderr.read())
            finally:
                if proc.poll() is None:
                    subprocess.run(["pkill", "-f", folder], check=False)
                    proc.wait(timeout=10)
                proc.stderr.close()
        finally:
            subprocess.run(["rm", "-rf", folder], check=False)
            x.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
