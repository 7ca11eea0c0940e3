"""The serial-port support files, copied into the chosen runtime before the server starts."""
import os
import shutil
import subprocess
import unittest

from launcher_env import (SUPPORT_FILES, SUPPORT_FOLDER, Case, lay_out_support_folder, make_runtime,
                          register_runtimes, support_content, win)

COPY_FAILED = "Error While Copying JAR File"
LONG_AGO = 1_000_000_000 * 10**9  # September 2001, in nanoseconds
UNIX_EPOCH_MS = 11_644_473_600_000  # 1970 on the clock of FILETIME, which starts in 1601
UNPROTECTED = [
    "The support folder C:\\dunmere\\GsmModemJar\\ is not protected: users who are not administrators can change "
    "it, and Tessary, running as administrator, copies files from it into the Java runtime that every Java program "
    "on this PC uses. Tessary copies them now. To protect the folder, an administrator runs these lines in a "
    "Command Prompt opened as administrator:",
    "",
    "icacls C:\\dunmere /setowner *S-1-5-32-544 /T /C",
    'icacls C:\\dunmere /inheritance:r /grant:r "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-18:(OI)(CI)F" '
    '"*S-1-5-32-545:(OI)(CI)RX"',
    "icacls C:\\dunmere\\* /reset /T /C",
    "",
]


def run_with_runtime(name, **runtime):
    """Registers one runtime (version 1.6) laid out as asked and runs the launcher."""
    case = Case(name).lay_out_app()
    home = make_runtime(case.root / "jre", **runtime)
    register_runtimes([("1.6", {"JavaHome": win(home)})])
    return case, home


def partial_copies(home):
    return sorted(str(p.relative_to(home)) for p in home.rglob("*.tessary-partial"))


class CopyTest(unittest.TestCase):
    def test_every_missing_file_is_copied_whole_into_its_folder(self):
        case, home = run_with_runtime("support-all-missing", support_files=())
        lay_out_support_folder()
        # What an earlier launcher left when it was stopped in the middle of a copy.
        (home / "lib" / "ext" / "Comm.jar.1234.tessary-partial").write_bytes(b"half a jar")

        watcher, javas = case.run()

        self.assertEqual(watcher.box_texts(), [])
        for name, folder in SUPPORT_FILES.items():
            self.assertEqual((home / folder / name).read_bytes(), support_content(name), name)
        self.assertEqual(sorted(os.listdir(home / "lib" / "ext")), ["Comm.jar", "jdc.jar"])
        self.assertEqual(sorted(os.listdir(home / "lib")), ["ext", "javax.comm.properties"])
        self.assertEqual(sorted(os.listdir(home / "bin")), ["Win32com.dll", "java.exe"])
        self.assertEqual(partial_copies(home), [])
        self.assertEqual([j["module"] for j in javas], [win(home / "bin" / "java.exe")])
        self.assertEqual(watcher.int("launcher.exit_code"), 0)

    def test_files_already_installed_are_left_alone(self):
        installed = ("Comm.jar", "javax.comm.properties", "jdc.jar")
        case, home = run_with_runtime("support-one-missing", support_files=installed)
        lay_out_support_folder()
        before = {}
        for name in installed:
            path = home / SUPPORT_FILES[name] / name
            os.utime(path, ns=(LONG_AGO, LONG_AGO))
            before[name] = (path.read_bytes(), path.stat().st_mtime_ns)

        watcher, javas = case.run()

        self.assertEqual(watcher.box_texts(), [])
        self.assertEqual((home / "bin" / "Win32com.dll").read_bytes(), support_content("Win32com.dll"))
        for name in installed:
            path = home / SUPPORT_FILES[name] / name
            self.assertEqual((path.read_bytes(), path.stat().st_mtime_ns), before[name], name)
        self.assertEqual([j["module"] for j in javas], [win(home / "bin" / "java.exe")])


class UnprotectedFolderTest(unittest.TestCase):
    def test_a_run_as_administrator_warns_once_before_it_copies_from_a_folder_others_may_change(self):
        for row, (as_administrator, opened, installed, warned) in enumerate([
                (True, SUPPORT_FOLDER, (), True),
                (True, SUPPORT_FOLDER.parent, ("Comm.jar", "jdc.jar"), True),  # renaming it swaps the folder
                (False, SUPPORT_FOLDER, (), False),  # a standard run cannot write into the runtime anyway
                (True, SUPPORT_FOLDER, tuple(SUPPORT_FILES), False)]):  # nothing to copy
            with self.subTest(as_administrator=as_administrator, opened=win(opened), installed=installed):
                case, home = run_with_runtime("support-unprotected-%d" % row, support_files=installed)
                lay_out_support_folder()
                os.chmod(opened, 0o777)  # Wine: Everyone may write and delete
                self.addCleanup(os.chmod, opened, 0o755)

                watcher, javas = case.run(as_administrator=as_administrator)

                texts = watcher.box_texts()
                if warned:
                    self.assertEqual(len(texts), 1, texts)
                    self.assertEqual(texts[0].split("\r\n"), UNPROTECTED + [
                        "Not protected: %s (users who are not administrators may change it)" % win(opened)])
                    shown_at = watcher.int("box.1.at") - UNIX_EPOCH_MS
                else:
                    self.assertEqual(texts, [])
                for name, folder in SUPPORT_FILES.items():
                    if name in installed:
                        continue
                    path = home / folder / name
                    self.assertEqual(path.read_bytes(), support_content(name), name)
                    if warned:  # put in place after the box was seen
                        self.assertGreaterEqual(path.stat().st_ctime_ns // 10**6, shown_at, name)
                self.assertEqual(len(javas), 1)


class CopyFailureTest(unittest.TestCase):
    """A copy that fails is reported in two boxes, the walk stops there, and the launcher
    goes on to start the server."""

    def check_failure(self, watcher, javas, home, named, boxes=2):
        texts = watcher.box_texts()
        self.assertEqual(len(texts), boxes, texts)
        self.assertIn(named, texts[0])
        self.assertEqual(texts[1], COPY_FAILED)
        self.assertEqual(partial_copies(home), [])
        if boxes == 2:
            self.assertEqual([j["module"] for j in javas], [win(home / "bin" / "java.exe")])
            self.assertEqual(watcher.int("launcher.exit_code"), 0)
        return texts

    def test_a_missing_support_folder_names_the_missing_source(self):
        case, home = run_with_runtime("support-no-source",
                                      support_files=("javax.comm.properties", "Win32com.dll", "jdc.jar"))
        lay_out_support_folder(False)

        watcher, javas = case.run()

        texts = self.check_failure(watcher, javas, home, win(SUPPORT_FOLDER / "Comm.jar"))
        self.assertNotIn(win(home), texts[0])
        self.assertEqual(os.listdir(home / "lib" / "ext"), ["jdc.jar"])

    def test_a_runtime_without_bin_gets_the_files_before_it_and_then_fails_to_start(self):
        case, home = run_with_runtime("support-no-bin", folders=("lib/ext",), support_files=(), java=False)
        lay_out_support_folder()

        watcher, javas = case.run()

        texts = self.check_failure(watcher, javas, home, win(home) + "\\bin\\Win32com.dll", boxes=3)
        self.assertEqual((home / "lib" / "ext" / "Comm.jar").read_bytes(), support_content("Comm.jar"))
        self.assertEqual((home / "lib" / "javax.comm.properties").read_bytes(),
                         support_content("javax.comm.properties"))
        self.assertFalse((home / "lib" / "ext" / "jdc.jar").exists(), "the walk stops at the first failure")
        self.assertFalse((home / "bin").exists())
        # Then the server cannot start: its own box, and no ten-second wait.
        self.assertIn(win(home) + "\\bin\\java.exe", texts[2])
        self.assertEqual(javas, [])
        self.assertEqual(watcher.int("launcher.exit_code"), 4)
        self.assertLess(watcher.int("launcher.ended") - watcher.int("box.3.at"), 8000)

    def test_a_missing_extension_folder_is_not_created(self):
        case, home = run_with_runtime("support-no-ext", folders=("bin", "lib"), support_files=())
        lay_out_support_folder()

        watcher, javas = case.run()

        self.check_failure(watcher, javas, home, win(home) + "\\lib\\ext\\Comm.jar")
        self.assertFalse((home / "lib" / "ext").exists())
        self.assertEqual(os.listdir(home / "lib"), [])

    def test_a_destination_folder_that_cannot_be_written(self):
        case, home = run_with_runtime("support-read-only", support_files=())
        lay_out_support_folder()
        ext = home / "lib" / "ext"
        # Root writes through any permission bits; the immutable attribute stops it too.
        if os.geteuid() == 0:
            if shutil.which("chattr") is None or subprocess.run(["chattr", "+i", str(ext)]).returncode != 0:
                self.skipTest("no way to make a folder read-only for root here")
            self.addCleanup(subprocess.run, ["chattr", "-i", str(ext)])
        else:
            os.chmod(ext, 0o555)
            self.addCleanup(os.chmod, ext, 0o755)

        watcher, javas = case.run()

        self.check_failure(watcher, javas, home, win(home) + "\\lib\\ext\\Comm.jar")
        self.assertEqual(os.listdir(ext), [])
        self.assertFalse((home / "lib" / "javax.comm.properties").exists())

    def test_a_folder_in_place_of_a_file(self):
        # The copy itself succeeds; putting it in place under its name does not.
        case, home = run_with_runtime("support-folder-in-the-way", support_files=())
        lay_out_support_folder()
        (home / "lib" / "javax.comm.properties").mkdir()

        watcher, javas = case.run()

        self.check_failure(watcher, javas, home, win(home) + "\\lib\\javax.comm.properties")
        self.assertEqual((home / "lib" / "ext" / "Comm.jar").read_bytes(), support_content("Comm.jar"))
        self.assertEqual(os.listdir(home / "lib" / "javax.comm.properties"), [])
        self.assertFalse((home / "bin" / "Win32com.dll").exists())
        self.assertFalse((home / "lib" / "ext" / "jdc.jar").exists())


if __name__ == "__main__":
    unittest.main()
