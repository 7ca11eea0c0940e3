"""The launcher against what the real world does to it: odd registry data, damaged or
locked files, unusual folders, missing programs, impatient users and planted programs.
Every case must end with the server started correctly or with boxes that say what is
wrong, an exit code that fits, and no half-copied file anywhere."""
import os
import shutil
import subprocess
import time
import unittest

from launcher_env import (DRIVE_C, SERVER_JARS, SUPPORT_FILES, SUPPORT_FOLDER, Case, expected_class_path,
                          lay_out_support_folder, make_runtime, register_runtimes, run_wine, support_content, win)

SEARCH_FAILED = "Error While Searching JVM on Your Machine"
COPY_FAILED = "Error While Copying JAR File"


def partial_files(folder):
    return [p for p in folder.rglob("*") if p.name.endswith(".tessary-partial")]


def unix_folder(windows_path):
    """Where a Windows path, short names and all, leads on the Linux side."""
    result = run_wine("winepath", "-u", windows_path)
    return os.path.realpath(result.stdout.decode("utf-8", "replace").strip())


def argv(java):
    return [java["argv.%d" % i] for i in range(java.int("argc"))]


class RegistryDataTest(unittest.TestCase):
    """The JavaHome value of the chosen version in every shape the registry allows."""

    def run_with_home_value(self, name, value):
        case = Case(name).lay_out_app()
        home = make_runtime(case.root / "jre")
        register_runtimes([("1.6", {"JavaHome": value(home) if callable(value) else value})])
        lay_out_support_folder()
        case.put_java_on_search_path()
        watcher, javas = case.run()
        return case, home, watcher, javas

    def assert_search_path_fallback(self, watcher, javas, first_box):
        self.assertEqual(len(watcher.boxes()), 2)
        self.assertIn(first_box, watcher.box_texts()[0])
        self.assertEqual(watcher.box_texts()[1], SEARCH_FAILED)
        self.assertEqual(len(javas), 1)
        self.assertEqual(argv(javas[0])[0], "java")
        self.assertEqual(len(argv(javas[0])), 4)
        self.assertEqual(watcher.int("launcher.exit_code"), 0)

    def test_values_of_the_wrong_type_fall_back_to_java_on_the_search_path(self):
        for name, value, first_box in [
                ("binary", (3, b"C:\\jre"), "Type mismatch"),
                ("none", (0, "C:\\jre\0".encode("utf-16-le")), "Unsupported value type"),
                # Two strings: a zero inside a path would cut every path built on it short.
                ("multi", (7, "C:\\jre\0C:\\other\0\0".encode("utf-16-le")), "is not a folder path"),
                ("megabyte", "C:\\" + "x" * (1 << 20), "is not a folder path")]:
            with self.subTest(name):
                _, _, watcher, javas = self.run_with_home_value("value-" + name, value)
                self.assert_search_path_fallback(watcher, javas, first_box)
                self.assertLess(len(watcher.box_texts()[0]), 2000)

    def test_string_forms_that_name_the_runtime_are_used(self):
        for name, value in [
                # Written without its terminating zero: no character may be lost.
                ("unterminated", lambda home: (1, win(home).encode("utf-16-le"))),
                ("multi-single", lambda home: (7, (win(home) + "\0\0").encode("utf-16-le")))]:
            with self.subTest(name):
                case, home, watcher, javas = self.run_with_home_value("value-" + name, value)
                self.assertEqual(watcher.box_texts(), [])
                self.assertEqual([j["module"] for j in javas], [win(home / "bin" / "java.exe")])

    def test_an_integer_or_unexpanded_home_is_reported_not_guessed(self):
        for name, value, shown in [("dword", 42, "42\\lib\\ext\\Comm.jar"),
                                   ("expand", (2, "%SystemDrive%\\jre\0".encode("utf-16-le")),
                                    "%SystemDrive%\\jre\\lib\\ext\\Comm.jar")]:
            with self.subTest(name):
                _, _, watcher, javas = self.run_with_home_value("value-" + name, value)
                texts = watcher.box_texts()
                self.assertIn(shown, texts[0])
                self.assertEqual(texts[1], COPY_FAILED)
                self.assertEqual(len(texts), 3, "then the server cannot start: %r" % texts)
                self.assertEqual(javas, [])
                self.assertEqual(watcher.int("launcher.exit_code"), 4)

    def test_characters_outside_the_ansi_code_page_survive(self):
        case = Case("unicode-home").lay_out_app()
        home = make_runtime(case.root / "Ява 短信 ñ" / "jre")
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        lay_out_support_folder()
        watcher, javas = case.run()
        self.assertEqual(watcher.box_texts(), [])
        self.assertEqual([j["module"] for j in javas], [win(home / "bin" / "java.exe")])
        # Named by its short name, which Java reads in the ANSI code page as it is.
        self.assertEqual(javas[0]["ansi_command_line"], javas[0]["command_line"])
        self.assertEqual(unix_folder(argv(javas[0])[0]), os.path.realpath(home / "bin" / "java.exe"))

    def test_many_and_long_version_names(self):
        case = Case("many-versions").lay_out_app()
        home = make_runtime(case.root / "jre")
        other = win(case.root / "old")
        versions = [("1.4.%05d" % i, {"JavaHome": other}) for i in range(9999)]
        versions.append(("1.4" + "x" * 252, {"JavaHome": other}))
        versions.append(("1.6" + "y" * 252, {"JavaHome": win(home)}))  # 255 characters, listed last
        register_runtimes(versions)
        lay_out_support_folder()
        watcher, javas = case.run()
        self.assertEqual(watcher.box_texts(), [])
        self.assertEqual([j["module"] for j in javas], [win(home / "bin" / "java.exe")])


class FilesTest(unittest.TestCase):
    def run_case(self, case, home):
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        return case.run()

    def test_zero_byte_and_large_support_files_are_copied_whole(self):
        case = Case("sizes").lay_out_app()
        home = make_runtime(case.root / "jre", support_files=())
        lay_out_support_folder()
        (SUPPORT_FOLDER / "jdc.jar").write_bytes(b"")
        with open(SUPPORT_FOLDER / "Comm.jar", "wb") as f:
            f.write(os.urandom(1 << 20) * 50)
        watcher, javas = self.run_case(case, home)
        self.assertEqual(watcher.box_texts(), [])
        for name, folder in SUPPORT_FILES.items():
            self.assertEqual((home / folder / name).read_bytes(), (SUPPORT_FOLDER / name).read_bytes(), name)
        self.assertEqual(partial_files(home), [])
        self.assertEqual(len(javas), 1)

    def test_a_folder_in_place_of_a_support_file_is_named(self):
        case = Case("dir-source").lay_out_app()
        home = make_runtime(case.root / "jre", support_files=())
        lay_out_support_folder()
        (SUPPORT_FOLDER / "Comm.jar").unlink()
        (SUPPORT_FOLDER / "Comm.jar").mkdir()
        watcher, javas = self.run_case(case, home)
        texts = watcher.box_texts()
        self.assertEqual(len(texts), 2)
        self.assertIn("C:\\dunmere\\GsmModemJar\\Comm.jar", texts[0])
        self.assertEqual(texts[1], COPY_FAILED)
        self.assertEqual(partial_files(home), [])
        self.assertEqual(len(javas), 1)

    def test_a_folder_nobody_may_write_to(self):
        for as_administrator, advice in [
                (False, 'Run Tessary once as administrator (right-click Tessary.exe, "Run as administrator") so that '
                        'it can put the file into the Java runtime. The server started by that run runs as '
                        'administrator too.'),
                # Refused even to an administrator: running as one again cannot help.
                (True, "Windows or security software refused the write, even though Tessary runs as administrator: "
                       "ask whoever looks after this PC to let Tessary write into %s, or to put the file there.")]:
            with self.subTest(as_administrator=as_administrator):
                case = Case("immutable-admin" if as_administrator else "immutable").lay_out_app()
                home = make_runtime(case.root / "jre", support_files=())
                lay_out_support_folder()
                ext = home / "lib" / "ext"
                # Tests run as root, who ignores permission bits; the immutable flag stops root too.
                if subprocess.run(["chattr", "+i", str(ext)], capture_output=True).returncode != 0:
                    self.skipTest("chattr +i is not available on this file system")
                try:
                    register_runtimes([("1.6", {"JavaHome": win(home)})])
                    watcher, javas = case.run(as_administrator=as_administrator)
                finally:
                    subprocess.run(["chattr", "-i", str(ext)])
                texts = watcher.box_texts()
                self.assertEqual(len(texts), 2)
                # The system's text, the file and what to do about it.
                self.assertEqual(texts[0].split("\r\n")[1:], [win(ext / "Comm.jar"), advice.replace("%s", win(ext))])
                self.assertEqual(texts[1], COPY_FAILED)
                self.assertEqual(list(ext.iterdir()), [])
                self.assertEqual(len(javas), 1)

    def test_a_copy_cut_short_is_never_taken_for_the_file(self):
        case = Case("killed").lay_out_app()
        home = make_runtime(case.root / "jre", support_files=())
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        lay_out_support_folder()
        with open(SUPPORT_FOLDER / "Comm.jar", "wb") as f:
            for _ in range(12):
                f.write(os.urandom(1 << 20) * 32)  # 384 MiB: long enough to be caught mid-copy
        ext = home / "lib" / "ext"
        case.start()
        deadline = time.time() + 120
        while not partial_files(ext) and time.time() < deadline:
            time.sleep(0.02)
        self.assertTrue(partial_files(ext), "the copy was never seen in progress")
        subprocess.run(["pkill", "-9", "-f", r"C:.*\\Tessary\.exe$"])
        case.collect()
        self.assertFalse((ext / "Comm.jar").exists(), "a killed copy must not leave the file in place")

        watcher, javas = case.run()
        self.assertEqual(watcher.box_texts(), [])
        self.assertEqual((ext / "Comm.jar").read_bytes(), (SUPPORT_FOLDER / "Comm.jar").read_bytes())
        self.assertEqual(partial_files(home), [], "the next start clears what the killed one left")


class FoldersTest(unittest.TestCase):
    def start_in(self, case):
        home = make_runtime(case.root / "jre")
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        lay_out_support_folder()
        watcher, javas = case.run(cwd="C:\\windows")
        self.assertEqual(watcher.box_texts(), [])
        self.assertEqual(len(javas), 1)
        return watcher, javas[0]

    def wine_starts_deep_programs(self, case):
        probe = case.app / "probe.exe"
        shutil.copy(os.environ["FAKE_JAVA_EXE"], probe)
        result = run_wine(os.environ["WATCHER_EXE"], win(case.reports / "probe.txt"), win(probe), "--timeout", "30")
        probe.unlink()
        report = case.reports / "probe.txt"
        return report.exists() and "start_error" not in report.read_text()

    def test_unusual_application_folders(self):
        deep = DRIVE_C / "cases" / "deep"
        for part in ["a" * 60, "b" * 60, "c" * 60, "d" * 60]:
            deep = deep / part
        for name, folder in [("unicode", DRIVE_C / "cases" / "unicode-app" / "Сервер 短信 ñ"),
                             # A short name longer than the name itself: C:\cases\ya\__~1XX for two letters.
                             ("ya", DRIVE_C / "cases" / "ya" / "Ян"),
                             ("deep", deep)]:
            with self.subTest(name):
                case = Case(name + "-app", app_folder=folder).lay_out_app()
                if name == "deep" and not self.wine_starts_deep_programs(case):
                    self.skipTest("Wine cannot start a program deeper than MAX_PATH, even by its short name; "
                                  "the Windows unit tests cover the launcher's side")
                watcher, java = self.start_in(case)
                # The server works in the folder, by whatever name the launcher was started
                # with: the short one for a folder too deep to start a program from by its long
                # name. Its class path names it so that Java reads it in the ANSI code page: by
                # its short name where its own has letters outside it.
                self.assertEqual(unix_folder(java["cwd"].rstrip("\\")), os.path.realpath(folder))
                app = argv(java)[2].rpartition(";")[2][:-len("\\Quorlane")]
                self.assertEqual(unix_folder(app), os.path.realpath(folder))
                self.assertEqual(argv(java)[2], expected_class_path(app))
                self.assertEqual(java["ansi_command_line"], java["command_line"])
                self.assertEqual(java["module"], win(case.root / "jre" / "bin" / "java.exe"))

    def test_a_drive_root(self):
        case = Case("root-app", app_folder=DRIVE_C)
        shutil.copy(os.environ["TESSARY_EXE"], DRIVE_C / "Tessary.exe")
        shutil.rmtree(DRIVE_C / "Quorlane", ignore_errors=True)
        (DRIVE_C / "Quorlane" / "lib").mkdir(parents=True)
        for jar in SERVER_JARS:
            (DRIVE_C / "Quorlane" / "lib" / jar).write_bytes(b"PK")
        try:
            watcher, java = self.start_in(case)
            self.assertEqual(argv(java)[2], expected_class_path("C:\\"))
            self.assertTrue(argv(java)[2].startswith("C:\\\\Quorlane\\lib\\comm.jar;"))
            self.assertEqual(java["cwd"], "C:\\")
        finally:
            (DRIVE_C / "Tessary.exe").unlink()
            shutil.rmtree(DRIVE_C / "Quorlane", ignore_errors=True)


class ProcessesTest(unittest.TestCase):
    def test_no_program_to_start_is_reported_and_ends_the_launcher(self):
        for name, setup, named in [
                ("no-java-on-path", lambda case, home: register_runtimes([("1.5", {})]), "java"),
                ("java-is-a-folder", lambda case, home: ((home / "bin" / "java.exe").unlink(),
                                                         (home / "bin" / "java.exe").mkdir(),
                                                         register_runtimes([("1.6", {"JavaHome": win(home)})])),
                 "java.exe")]:
            with self.subTest(name):
                case = Case(name).lay_out_app()
                home = make_runtime(case.root / "jre")
                lay_out_support_folder()
                setup(case, home)
                watcher, javas = case.run()
                self.assertEqual(javas, [])
                self.assertTrue(watcher.box_texts()[-1].rstrip().endswith(named), watcher.box_texts())
                self.assertEqual(watcher.int("launcher.exit_code"), 4)
                self.assertLess(watcher.int("launcher.ended") - watcher.int("splash.gone"), 8000)


class UserTest(unittest.TestCase):
    def test_closing_the_splash_at_any_moment(self):
        for at in (100, 1000, 1900):
            with self.subTest(at):
                case = Case("close-%d" % at).lay_out_app()
                home = make_runtime(case.root / "jre")
                register_runtimes([("1.6", {"JavaHome": win(home)})])
                lay_out_support_folder()
                watcher, javas = case.run(close_after_ms=at)
                self.assertEqual(watcher.int("launcher.exit_code"), 0)
                self.assertEqual(watcher.box_texts(), [])
                if javas:  # the timer won the race: then the launch runs in full
                    self.assertGreaterEqual(watcher.int("splash.lifetime_ms"), 1800)
                    self.assertEqual(at, 1900)
                else:
                    self.assertLess(watcher.int("launcher.ended") - watcher.int("splash.gone"), 1500)

    def test_two_launchers_at_once(self):
        first = Case("twice-1").lay_out_app()
        second = Case("twice-2", app_folder=first.app)
        home = make_runtime(first.root / "jre", support_files=())
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        lay_out_support_folder()
        for case in (first.start(), second.start()):
            watcher, javas = case.collect()
            self.assertEqual(watcher.int("launcher.exit_code"), 0)
            self.assertEqual(watcher.box_texts(), [])
            self.assertEqual(len(javas), 1)
        for name, folder in SUPPORT_FILES.items():
            self.assertEqual((home / folder / name).read_bytes(), support_content(name))
        self.assertEqual(partial_files(home), [])


if __name__ == "__main__":
    unittest.main()
