"""The release as scripts/release.sh makes it: the same bytes from a clone with Windows line
ends built elsewhere, and an Authenticode signature that verifies, or no release at all."""
import hashlib
import os
import re
import secrets
import shutil
import subprocess
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

from check_package import check_zip

SOURCE = Path(os.environ["TESSARY_SOURCE_DIR"])
BUILD = Path(os.environ["TESSARY_BUILD"])  # the tests' Windows build, already built
EXE = Path(os.environ["TESSARY_EXE"])
SIGNED_RELEASE = Path(os.environ["TESSARY_SIGNED_RELEASE"])  # the end-to-end tests run its exe


def release(source, cwd=None, **settings):
    """Runs release.sh of the sources in `source`, typed in `cwd`, with only the given release settings."""
    env = {k: v for k, v in os.environ.items()
           if not k.startswith(("TESSARY_SIGN_", "TESSARY_RELEASE_")) and k != "SOURCE_DATE_EPOCH"}
    env.update({k: str(v) for k, v in settings.items()})
    return subprocess.run(["bash", str(source / "scripts" / "release.sh")], env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=1500)


def sha256(path):
    return hashlib.sha256(Path(path).read_bytes()).hexdigest()


def check_release(test, result, folder, exe):
    """A release folder: the zip holding `exe` with the commit's time, and true sums of both."""
    test.assertEqual(result.returncode, 0, result.stdout + result.stderr)
    test.assertEqual(sha256(folder / "Tessary.exe"), sha256(exe))
    check_zip(folder / "Tessary-1.00.zip", exe)
    sums = subprocess.run(["sha256sum", "--check", "--strict", "SHA256SUMS"], cwd=folder, capture_output=True, text=True)
    test.assertEqual(sums.stdout.split(), ["Tessary-1.00.zip:", "OK", "Tessary.exe:", "OK"], sums.stderr)
    commit_time = int(subprocess.check_output(["git", "-C", str(SOURCE), "log", "-1", "--format=%ct"]))
    with zipfile.ZipFile(folder / "Tessary-1.00.zip") as z:
        for entry in z.infolist():
            test.assertEqual(entry.date_time, time.gmtime(commit_time - commit_time % 2)[:6], entry.filename)


class ReproducibleTest(unittest.TestCase):
    def test_a_copy_of_the_sources_elsewhere_builds_the_same_release(self):
        work = BUILD / "reproduce"
        shutil.rmtree(work, ignore_errors=True)
        copy = work / "another place" / "tessary"  # a space, as in "Program Files"
        # A clone that gets Windows line ends, as with Git for Windows. It holds only what is
        # committed: uncommitted changes to the product make the two releases differ.
        subprocess.run(["git", "clone", "--quiet", "-c", "core.autocrlf=true", str(SOURCE), str(copy)], check=True)
        self.assertIn(b"\r\n", (copy / "README.md").read_bytes(), "the clone's line ends were not converted")

        # The copy builds from scratch, as a release does, on one core: the other runs the Wine tests.
        theirs = release(copy, CMAKE_BUILD_PARALLEL_LEVEL=1)
        ours = release(SOURCE, TESSARY_RELEASE_DIR=work / "ours", TESSARY_RELEASE_BUILD=BUILD)

        check_release(self, ours, work / "ours", EXE)
        check_release(self, theirs, copy / "build" / "release", EXE)
        self.assertEqual((copy / "build" / "release" / "SHA256SUMS").read_text(),
                         (work / "ours" / "SHA256SUMS").read_text())
        self.assertEqual(sorted(p.name for p in (copy / "build").iterdir()), ["release"], "a work folder was left")


class SignedReleaseTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # A throwaway self-signed code-signing certificate, made for this run only.
        cls.keys = Path(tempfile.mkdtemp())
        cls.password = secrets.token_hex(12)
        _, cls.certificate, cls.pfx = cls.make_certificate("signing")
        # One issued by an authority whose certificate its file leaves out: it cannot verify.
        authority_key, authority, _ = cls.make_certificate("authority")
        cls.unchained_pfx = cls.make_certificate("unchained", "-CA", authority, "-CAkey", authority_key)[2]
        # ECDSA, which Smart App Control refuses.
        _, cls.ec_certificate, cls.ec_pfx = cls.make_certificate("ecdsa", "-pkeyopt", "ec_paramgen_curve:P-256", key="ec")
        # The signing key again, in a token as in a hardware one or a key service: SoftHSM's, kept here.
        conf = cls.keys / "softhsm2.conf"
        conf.write_text(f"directories.tokendir = {cls.keys}\n")
        cls.pin = secrets.token_hex(4)
        for command in (["--init-token", "--free", "--label", "tessary", "--so-pin", cls.pin],
                        ["--import", cls.keys / "signing-key.pem", "--token", "tessary", "--label", "signing", "--id", "01"]):
            subprocess.run(["softhsm2-util", *command, "--pin", cls.pin], env=dict(os.environ, SOFTHSM2_CONF=str(conf)),
                           check=True, capture_output=True)
        cls.pkcs11 = {"SOFTHSM2_CONF": conf, "TESSARY_SIGN_PKCS11_MODULE": "/usr/lib/softhsm/libsofthsm2.so",
                      "TESSARY_SIGN_PKCS11_KEY": "pkcs11:token=tessary;object=signing;type=private",
                      "TESSARY_SIGN_CERT": cls.certificate, "TESSARY_SIGN_PKCS11_PIN": cls.pin}

    @classmethod
    def make_certificate(cls, name, *options, key="rsa:2048"):
        key_file, certificate, pfx = (cls.keys / (name + ending) for ending in ("-key.pem", ".pem", ".pfx"))
        subprocess.run(["openssl", "req", "-x509", "-newkey", key, "-nodes", "-days", "7",
                        "-subj", f"/CN=Tessary test {name}", "-addext", "extendedKeyUsage=codeSigning",
                        "-keyout", key_file, "-out", certificate, *options],
                       check=True, capture_output=True)
        subprocess.run(["openssl", "pkcs12", "-export", "-inkey", key_file, "-in", certificate,
                        "-out", pfx, "-passout", "env:PFX_PASSWORD"],
                       env=dict(os.environ, PFX_PASSWORD=cls.password), check=True, capture_output=True)
        return key_file, certificate, pfx

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.keys)

    def test_signed_exe_verifies_and_differs_only_by_its_signature(self):
        # With the key in a file, in a token, and an ECDSA key where that is allowed.
        in_token = BUILD / "release-pkcs11"
        cases = [(SIGNED_RELEASE, self.certificate, {"TESSARY_SIGN_PFX": self.pfx, "TESSARY_SIGN_PASSWORD": self.password}),
                 (in_token, self.certificate, self.pkcs11),
                 (BUILD / "release-ecdsa", self.ec_certificate,
                  {"TESSARY_SIGN_PFX": self.ec_pfx, "TESSARY_SIGN_PASSWORD": self.password, "TESSARY_SIGN_ALLOW_NON_RSA": 1})]
        for release_dir, certificate, settings in cases:
            with self.subTest(release_dir.name):
                # Over a previous release, beside a folder of someone else's named as if for the old one.
                beside = release_dir.with_name(release_dir.name + ".old")
                for folder in release_dir, beside:
                    shutil.rmtree(folder, ignore_errors=True)
                    folder.mkdir()
                    (folder / "SHA256SUMS").write_text("the previous release\n")
                result = release(SOURCE, TESSARY_RELEASE_DIR=release_dir, TESSARY_RELEASE_BUILD=BUILD, **settings)

                signed = release_dir / "Tessary.exe"
                check_release(self, result, release_dir, signed)
                verify = subprocess.run(["osslsigncode", "verify", "-CAfile", str(certificate), "-in", str(signed)],
                                        capture_output=True, text=True)
                self.assertEqual(verify.returncode, 0, verify.stdout + verify.stderr)
                self.assertRegex(verify.stdout, r"Message digest algorithm *: SHA256")
                self.assertIn("Succeeded", verify.stdout)
                unsigned = self.keys / (release_dir.name + "-unsigned.exe")
                subprocess.run(["osslsigncode", "remove-signature", "-in", str(signed), "-out", str(unsigned)],
                               check=True, capture_output=True)
                self.assertEqual(sha256(unsigned), sha256(EXE))
                self.assertEqual([p.read_text() for p in beside.iterdir()], ["the previous release\n"])
                shutil.rmtree(beside)
        # The same RSA key signs the same bytes, from a file or from a token.
        self.assertEqual(sha256(in_token / "Tessary.exe"), sha256(SIGNED_RELEASE / "Tessary.exe"))

    def test_wrong_settings_fail_before_the_release_is_touched(self):
        out, shared = BUILD / "release-untouched", BUILD / "release-shared"
        notes, two = BUILD / "release-notes", BUILD / "release-two"
        before = {out: {"SHA256SUMS": b"the previous release\n"},
                  shared: {"SHA256SUMS": b"the previous release\n", "other-product.zip": b"not ours\n"},
                  notes: {"SHA256SUMS": b"the previous release\n", "Tessary-notes.zip": b"not ours\n"},
                  two: {"Tessary-0.99.zip": b"a release\n", "Tessary-1.00.zip": b"another\n"}}
        for folder, files in before.items():
            shutil.rmtree(folder, ignore_errors=True)
            folder.mkdir()
            for name, data in files.items():
                (folder / name).write_bytes(data)
        link = BUILD / "release-link"  # leads to `out`
        link.unlink(missing_ok=True)
        link.symlink_to(out)
        pkcs11_settings = "set TESSARY_SIGN_PKCS11_MODULE, TESSARY_SIGN_PKCS11_KEY and TESSARY_SIGN_CERT"
        only_rsa = "has an ECDSA key, not RSA: Smart App Control accepts only RSA signatures"
        cases = [
            ({"TESSARY_SIGN_PFX": self.pfx}, "set both TESSARY_SIGN_PFX and TESSARY_SIGN_PASSWORD"),
            ({"TESSARY_SIGN_PASSWORD": self.password}, "set both TESSARY_SIGN_PFX and TESSARY_SIGN_PASSWORD"),
            ({"TESSARY_SIGN_PFX": self.keys / "missing.pfx", "TESSARY_SIGN_PASSWORD": self.password}, "cannot read"),
            ({"TESSARY_SIGN_PFX": self.pfx, "TESSARY_SIGN_PASSWORD": "not " + self.password}, "wrong password"),
            ({"TESSARY_SIGN_PFX": self.certificate, "TESSARY_SIGN_PASSWORD": self.password}, "not a PKCS#12 file"),
            ({"TESSARY_SIGN_PFX": self.unchained_pfx, "TESSARY_SIGN_PASSWORD": self.password},
             r"does not verify .*\(osslsigncode's output: .*/build/release-signing\.log\)$"),
            # A key in a token: all three settings or none, and not beside a PFX.
            ({"TESSARY_SIGN_PKCS11_MODULE": self.pkcs11["TESSARY_SIGN_PKCS11_MODULE"],
              "TESSARY_SIGN_PKCS11_KEY": self.pkcs11["TESSARY_SIGN_PKCS11_KEY"]}, pkcs11_settings),
            ({"TESSARY_SIGN_CERT": self.certificate}, pkcs11_settings),
            ({"TESSARY_SIGN_PKCS11_PIN": self.pin}, pkcs11_settings),
            ({**self.pkcs11, "TESSARY_SIGN_PFX": self.pfx, "TESSARY_SIGN_PASSWORD": self.password}, "not both"),
            ({**self.pkcs11, "TESSARY_SIGN_PKCS11_KEY": "signing"}, "TESSARY_SIGN_PKCS11_KEY is no pkcs11: URI"),
            ({**self.pkcs11, "TESSARY_SIGN_PKCS11_PIN": "0" + self.pin},
             r"could not sign .*\(osslsigncode's output: .*/build/release-signing\.log\)$"),
            # Smart App Control accepts only RSA signatures: ECDSA only with TESSARY_SIGN_ALLOW_NON_RSA=1.
            ({"TESSARY_SIGN_PFX": self.ec_pfx, "TESSARY_SIGN_PASSWORD": self.password}, only_rsa),
            ({**self.pkcs11, "TESSARY_SIGN_CERT": self.ec_certificate}, only_rsa),
            # The folder is replaced whole: one that holds more than a release, or a file, is not.
            ({"TESSARY_RELEASE_DIR": shared}, "holds other-product.zip"),
            ({"TESSARY_RELEASE_DIR": out / "SHA256SUMS"}, "is not a folder"),
            ({"TESSARY_RELEASE_DIR": notes}, "holds Tessary-notes.zip"),
            ({"TESSARY_RELEASE_DIR": two}, r"holds both Tessary-[\d.]+\.zip and Tessary-[\d.]+\.zip"),
            # A link would be replaced itself, and the release it leads to left as it was.
            ({"TESSARY_RELEASE_DIR": f"{link}/"}, f"^release: {re.escape(str(link))} is a symbolic link"),
            ({"TESSARY_RELEASE_DIR": link / "new"}, f"lies inside the symbolic link {re.escape(str(link))}"),
            # A relative folder is taken from where the command is typed.
            ({"TESSARY_RELEASE_DIR": ".", "cwd": shared}, f"^release: {re.escape(str(shared))} holds other-product.zip"),
        ]
        for settings, message in cases:
            with self.subTest(settings=sorted(settings), message=message):
                result = release(SOURCE, **{"TESSARY_RELEASE_DIR": out, "TESSARY_RELEASE_BUILD": BUILD, **settings})
                self.assertNotEqual(result.returncode, 0)
                self.assertEqual(len(result.stderr.strip().splitlines()), 1, result.stderr)
                self.assertRegex(result.stderr, message)
                for folder, files in before.items():
                    self.assertEqual({p.name: p.read_bytes() for p in folder.iterdir()}, files)
                self.assertEqual(list(BUILD.glob(".release.*")), [], "a work folder was left")


if __name__ == "__main__":
    unittest.main()
