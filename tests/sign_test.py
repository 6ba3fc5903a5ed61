"""Kivora.exe signed by `tools/dist windows` with a throwaway self-signed
certificate: the signature verifies, the signed launcher still starts under
Wine, the same certificate gives the same bytes, and without a certificate
Kivora.exe goes into the zip as built.

    sign_test.py SOURCE_DIR"""
import os
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "e2e"))
from winerig import WinePrefix  # noqa: E402
from xrig import Xvfb, wait_for  # noqa: E402

ROOT = sys.argv[1]
BUILT = os.path.join(ROOT, "build", "windows", "Kivora.exe")


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.cert, cls.key, cls.p12 = (os.path.join(cls.tmp.name, n) for n in ("cert.pem", "key.pem", "cert.p12"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", cls.key, "-out",
                        cls.cert, "-subj", "/CN=Kivora test", "-days", "2", "-addext",
                        "extendedKeyUsage=codeSigning"], check=True, capture_output=True)
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", cls.key, "-in", cls.cert, "-out", cls.p12,
                        "-passout", "pass:secret"], check=True, capture_output=True)
        cls.runs = 0

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def dist(self, **sign):
        """tools/dist windows with KIVORA_SIGN_<name> as given (and no other): its
        exit status, what it said, and the zip's Kivora.exe."""
        Signing.runs += 1
        out = os.path.join(self.tmp.name, f"dist{self.runs}")
        env = {k: v for k, v in os.environ.items() if not k.startswith("KIVORA_SIGN_")}
        env.update({"KIVORA_SIGN_" + k: v for k, v in sign.items()})
        done = subprocess.run([os.path.join(ROOT, "tools", "dist"), "windows", "--out", out], env=env,
                              capture_output=True, text=True, timeout=120)
        if done.returncode != 0:
            return done.returncode, done.stderr, None
        with zipfile.ZipFile(os.path.join(out, os.listdir(out)[0])) as z:
            return 0, done.stderr, z.read("Kivora.exe")

    def verify(self, exe):
        path = os.path.join(self.tmp.name, "verify.exe")
        with open(path, "wb") as f:
            f.write(exe)
        return subprocess.run(["osslsigncode", "verify", "-CAfile", self.cert, "-in", path],
                              capture_output=True, text=True, timeout=60)

    def test_without_a_certificate_kivora_exe_goes_in_as_built(self):
        status, _, exe = self.dist()
        self.assertEqual(status, 0)
        with open(BUILT, "rb") as f:
            self.assertTrue(exe == f.read(), "Kivora.exe was changed")

    def test_signed_from_pem_or_pkcs12_it_verifies_and_twice_gives_the_same_bytes(self):
        pem = self.dist(CERT=self.cert, KEY=self.key)[2]
        time.sleep(1.1)  # a second later: a signing time of the day would differ
        again = self.dist(CERT=self.cert, KEY=self.key)[2]
        p12 = self.dist(PKCS12=self.p12, PASSWORD="secret")[2]
        with open(BUILT, "rb") as f:
            self.assertTrue(pem != f.read(), "not signed")
        self.assertTrue(again == pem, "two signings differ")
        self.assertTrue(p12 == pem, "the PKCS#12 file signs otherwise")
        checked = self.verify(pem)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertRegex(checked.stdout, r"digest algorithm\s*:\s*SHA256")
        self.assertIn("Subject: /CN=Kivora test", checked.stdout)

    def test_what_cannot_sign_stops_the_archive_with_a_reason(self):
        cases = [
            ({"CERT": self.cert}, "KIVORA_SIGN_CERT and KIVORA_SIGN_KEY go together"),
            ({"PKCS12": self.p12, "KEY": self.key}, "not both"),
            ({"PKCS12": self.p12 + ".missing"}, "no such file"),
            ({"PKCS12": self.p12, "PASSWORD": "wrong"}, "could not sign"),
            # A time stamp that was asked for and cannot be had: no unstamped release.
            ({"CERT": self.cert, "KEY": self.key, "TIMESTAMP": "http://127.0.0.1:9/"}, "could not sign"),
        ]
        for sign, reason in cases:
            with self.subTest(sorted(sign)):
                status, said, _ = self.dist(**sign)
                self.assertEqual(status, 1)
                self.assertIn(reason, said)
                self.assertLess(len(said.splitlines()), 8, said)

    def test_the_signed_launcher_starts_under_wine(self):
        exe = self.dist(CERT=self.cert, KEY=self.key)[2]
        disc = os.path.join(self.tmp.name, "disc")
        os.makedirs(disc)
        with open(os.path.join(disc, "Kivora.exe"), "wb") as f:
            f.write(exe)
        with open(os.path.join(disc, "Kivora.ini"), "wb") as f:
            f.write(b"Choose\r\nA\r\nB\r\nC\r\na\r\nb\r\nc\r\n")
        x = Xvfb(1024, 768)
        prefix = WinePrefix(x.env)
        try:
            proc = subprocess.Popen(["wine", os.path.join(disc, "Kivora.exe")], env=prefix.env,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            window = wait_for(lambda: x.run("xdotool", "search", "--onlyvisible", "--name", "^Kivora$").split(),
                              timeout=60)
            self.assertTrue(window, "the signed Kivora.exe showed no window")
            time.sleep(0.5)
            x.key(window[0], "Escape")
            self.assertEqual(proc.wait(timeout=30), 0)
        finally:
            prefix.close()
            x.close()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
