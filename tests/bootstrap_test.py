"""tools/bootstrap against a package mirror that misbehaves: apt-get, dpkg and
the rest are stand-ins on PATH that fail as a mirror in the middle of a sync
does, for a given number of tries or for good.

    bootstrap_test.py SOURCE_DIR"""
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Each stand-in logs its arguments to $FAKE/calls. apt-get fails the first
# $UPDATE_FAILS updates and $INSTALL_FAILS installs, and never installs a
# package named in $BROKEN, alone or with others.
FAKES = {
    "apt-get": r"""#!/bin/sh
echo "apt-get $*" >>"$FAKE/calls"
count() { n=$(cat "$FAKE/$1" 2>/dev/null || echo 0); echo $((n + 1)) >"$FAKE/$1"; echo $((n + 1)); }
broken() { for p in "$@"; do case " $BROKEN " in *" $p "*) echo "$p"; esac; done; }
case " $* " in
  *" update "*)
    if [ "$(count updates)" -le "${UPDATE_FAILS:-0}" ]; then
      echo "E: Failed to fetch http://mirror/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (1000 != 999). Mirror sync in progress? [IP: 192.0.2.1 80]"
      echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
      exit 100
    fi ;;
  *" -s install "*)
    for p in $(broken "$@"); do
      echo " $p : Depends: libwine:i386 (= 8.0~repack-4) but 8.0~repack-3 is to be installed"
      echo "E: Unable to correct problems, you have held broken packages."; exit 100
    done ;;
  *" install "*)
    if [ "$(count installs)" -le "${INSTALL_FAILS:-0}" ] || [ -n "$(broken "$@")" ]; then
      echo "E: Unable to correct problems, you have held broken packages."; exit 100
    fi ;;
esac
exit 0
""",
    # Every package is installed but those in $MISSING.
    "dpkg-query": """#!/bin/sh
for p; do :; done
case " $MISSING " in *" $p "*) exit 1 ;; esac
echo "install ok installed"
""",
    "dpkg": "#!/bin/sh\necho i386\n",
    "locale": "#!/bin/sh\necho zh_TW.big5\n",
    "localedef": '#!/bin/sh\necho "localedef $*" >>"$FAKE/calls"\n',  # the machine's locales are left alone
    "sleep": '#!/bin/sh\necho "sleep $*" >>"$FAKE/calls"\n',
    "sudo": '#!/bin/sh\nexec "$@"\n',
}

# name, command, what apt-get does, and what is expected: exit status, apt-get
# installs tried, lines that must and must not be in what bootstrap says.
CASES = [
    ("nothing missing, apt is not asked", ["tools/bootstrap", "--linux"], {"MISSING": ""},
     0, 0, [], ["installing"]),
    ("an index fails once, then the install once: passes on the second try", ["tools/bootstrap"],
     {"MISSING": "wine wine32:i386", "UPDATE_FAILS": "1", "INSTALL_FAILS": "1"},
     0, 2, ["try 1 of 3"], ["bootstrap: could not install"]),
    ("Wine's 32-bit half never resolves", ["tools/bootstrap", "--windows"],
     {"MISSING": "wine wine32:i386", "UPDATE_FAILS": "9", "BROKEN": "wine32:i386"},
     1, 3, ["could not install wine32:i386 (tried 3 times", "Mirror sync in progress?",
            "wine32:i386 : Depends: libwine:i386", "needed by make build, build-windows, test, test-windows",
            "make test-linux runs without them"], ["try 3 of 3"]),
    ("a package of the Linux build never resolves", ["tools/bootstrap", "--linux"],
     {"MISSING": "libgtk-3-dev", "BROKEN": "libgtk-3-dev"},
     1, 3, ["could not install libgtk-3-dev", "needed by every make target"], ["test-linux runs without"]),
    ("nothing resolves alone or together: all are named", ["tools/bootstrap", "--bench"],
     {"MISSING": "yad zenity", "INSTALL_FAILS": "9"},
     1, 3, ["could not install zenity yad", "needed by make bench", "make test-linux runs without them"], []),
    ("make stops at the Windows half, it does not skip it", ["make", "--no-print-directory", "build-windows"],
     {"MISSING": "wine32:i386", "BROKEN": "wine32:i386"},
     2, 3, ["could not install wine32:i386", "make test-linux runs without them"], []),
]


class Bootstrap(unittest.TestCase):
    def test_cases(self):
        for name, command, env, status, installs, said, unsaid in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as fake:
                for tool, script in FAKES.items():
                    path = os.path.join(fake, tool)
                    with open(path, "w") as f:
                        f.write(script)
                    os.chmod(path, 0o755)
                run_env = dict(os.environ, FAKE=fake, PATH=fake + ":" + os.environ["PATH"], **env)
                out = subprocess.run(command, cwd=ROOT, env=run_env, capture_output=True, text=True, timeout=60)
                calls = []
                if os.path.exists(os.path.join(fake, "calls")):
                    with open(os.path.join(fake, "calls")) as f:
                        calls = f.read().splitlines()
                tried = [c for c in calls if " install " in c and " -s " not in c]
                self.assertEqual(out.returncode, status, out.stderr)
                self.assertEqual(len(tried), installs, calls)
                self.assertEqual(len([c for c in calls if c.startswith("sleep ")]), max(installs - 1, 0), calls)
                for line in said:
                    self.assertIn(line, out.stderr)
                for line in unsaid:
                    self.assertNotIn(line, out.stderr)
                self.assertLess(len(out.stderr.splitlines()), 16, out.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
