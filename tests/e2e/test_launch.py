"""The launcher as its user sees it: the splash, the started server, the end."""
import os
import re
import shutil
import subprocess
import sys
import time
import unittest

from launcher_env import (PREFIX, Case, Report, expected_class_path, expected_command_line, import_registry,
                          lay_out_support_folder, make_runtime, register_runtimes, win)

WS_CAPTION, WS_SYSMENU, WS_THICKFRAME = 0x00C00000, 0x00080000, 0x00040000
WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_EX_APPWINDOW, WS_EX_TOOLWINDOW = 0x00020000, 0x00010000, 0x40000, 0x80
SW_HIDE = 0


class LaunchTest(unittest.TestCase):
    def test_splash_then_server_in_the_application_folder(self):
        case = Case("normal").lay_out_app()
        home = make_runtime(case.root / "jre")
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        lay_out_support_folder()
        shot = case.reports / "splash.bmp"

        watcher, javas = case.run(cwd="C:\\windows", screenshot=shot)

        # The splash: the form's properties, shown for one timer interval.
        self.assertEqual(watcher["splash.caption"], "Tessary")
        self.assertEqual((watcher.int("splash.client_width"), watcher.int("splash.client_height")), (496, 444))
        centre_x = watcher.int("splash.client_left") + 248
        centre_y = watcher.int("splash.client_top") + 222
        self.assertLessEqual(abs(centre_x - watcher.int("screen.width") // 2), 12)
        self.assertLessEqual(abs(centre_y - watcher.int("screen.height") // 2), 20)
        style, exstyle = int(watcher["splash.style"], 16), int(watcher["splash.exstyle"], 16)
        for bit in (WS_CAPTION, WS_SYSMENU, WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX):
            self.assertTrue(style & bit, hex(bit))
        self.assertTrue(exstyle & WS_EX_APPWINDOW)
        self.assertFalse(exstyle & WS_EX_TOOLWINDOW)
        self.assertEqual((watcher["splash.owner"], watcher["splash.iconic"], watcher["splash.zoomed"]), ("0", "0", "0"))
        self.assertEqual(watcher["splash.count"], "1")
        self.assertGreaterEqual(watcher.int("splash.lifetime_ms"), 1900)
        self.assertLess(watcher.int("splash.lifetime_ms"), 6000)
        # The picture is drawn: many colours, hardly any of the grey background.
        self.assertGreater(watcher.int("shot.colors"), 64)
        self.assertLess(watcher.int("shot.grey_per_mille"), 100)
        self.assertTrue(shot.exists())

        # The server: the runtime's own java.exe, the exact command line, hidden, in the app folder.
        self.assertEqual(watcher.int("box.count"), 0)
        self.assertEqual(len(javas), 1)
        java = javas[0]
        app = win(case.app)
        self.assertEqual(java["module"], win(home / "bin" / "java.exe"))
        self.assertEqual(java["command_line"], expected_command_line(win(home), app))
        self.assertEqual([java["argv.%d" % i] for i in range(java.int("argc"))],
                         [win(home / "bin" / "java.exe"), "-classpath", expected_class_path(app), "Quorlane.Frame11"])
        self.assertEqual(java["cwd"].rstrip("\\"), app)
        self.assertEqual(java.int("show_window"), SW_HIDE)
        self.assertGreaterEqual(java.int("started"), watcher.int("splash.gone") - 100)

        # The launcher lingers about ten seconds after starting the server, then ends with
        # the server still running.
        self.assertEqual(watcher.int("launcher.exit_code"), 0)
        self.assertGreaterEqual(watcher.int("launcher.ended") - watcher.int("splash.gone"), 10000)
        self.assertNotIn("ended", java)

    def test_closing_the_splash_ends_the_launcher_at_once(self):
        case = Case("closed").lay_out_app()
        home = make_runtime(case.root / "jre", support_files=())
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        lay_out_support_folder()

        watcher, javas = case.run(close_after_ms=500)

        self.assertEqual(watcher.int("launcher.exit_code"), 0)
        self.assertLess(watcher.int("splash.lifetime_ms"), 1900)
        self.assertLess(watcher.int("launcher.ended") - watcher.int("splash.gone"), 1500)
        self.assertEqual(watcher.int("box.count"), 0)
        self.assertEqual(javas, [])
        self.assertEqual(list((home / "lib" / "ext").iterdir()), [], "no support file is copied")

    def test_a_server_that_cannot_start_is_reported_without_the_wait(self):
        # A runtime uninstalled, its two keys left behind, and Java 8 registered after them: its
        # folder emptied of java.exe, or gone, when the support files cannot be copied either.
        for name, gone in [("no-java-exe", False), ("stale-home", True)]:
            with self.subTest(name):
                case = Case(name).lay_out_app()
                home = make_runtime(case.root / "jre", java=False)
                java8 = make_runtime(case.root / "jre8")
                if gone:
                    shutil.rmtree(home)
                register_runtimes([("1.6", {"JavaHome": win(home)}), ("1.6.0_45", {"JavaHome": win(home)}),
                                   ("1.8", {"JavaHome": win(java8)})])
                lay_out_support_folder()

                watcher, javas = case.run()

                self.assertEqual(javas, [])
                texts = watcher.box_texts()
                self.assertEqual(len(texts), 3 if gone else 1)
                stale = ("Java 1.6 is registered for %s, which no longer holds java.exe: it was uninstalled or moved, "
                         "but its registry entry stayed. Tessary takes the first Java registered. Java 1.8, in %s, has "
                         "its java.exe: Tessary will take it once the stale entries are gone. To remove them, reinstall "
                         "Java 1.6 and uninstall it (Control Panel, Programs), or have an administrator delete these "
                         "registry keys:\r\nHKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6\r\n"
                         "HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\1.6.0_45\r\nOn this 64-bit "
                         "Windows, Registry Editor shows them under HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\JavaSoft\\"
                         "Java Runtime Environment." % (win(home), win(java8)))
                # The system's text first, naming the file, then what the registry shows.
                for text, named in zip(texts[::2], ([win(home / "lib" / "ext" / "Comm.jar")] if gone else []) +
                                       [win(home / "bin" / "java.exe")]):
                    self.assertRegex(text.splitlines()[0], r"\w")
                    self.assertTrue(text.endswith("\r\n%s\r\n\r\n%s" % (named, stale)), text)
                self.assertEqual(watcher.boxes()[-1][1], "Tessary")
                self.assertEqual(watcher.int("launcher.exit_code"), 4)
                self.assertLess(watcher.int("launcher.ended") - watcher.int("splash.gone"), 8000)

    def test_a_server_that_ends_at_once_is_reported_only_when_it_failed(self):
        for exit_code, boxes, launcher_exit_code in [(0xC0000005, 1, 6), (0, 0, 0)]:
            with self.subTest(exit_code):
                case = Case("ends-%d" % exit_code).lay_out_app()
                home = make_runtime(case.root / "jre")
                register_runtimes([("1.6", {"JavaHome": win(home)})])
                lay_out_support_folder()

                watcher, javas = case.run(java_seconds=1, java_exit_code=exit_code)

                self.assertEqual(len(javas), 1)
                self.assertEqual(watcher.int("launcher.exit_code"), launcher_exit_code)
                # No waiting out the ten seconds once the server has ended.
                self.assertLess(watcher.int("launcher.ended") - javas[0].int("ended"), 5000)
                self.assertEqual(watcher.int("box.count"), boxes)
                if boxes:
                    text, caption, buttons, icon = watcher.boxes()[0]
                    self.assertEqual((caption, buttons, icon), ("Tessary", "OK", 0))
                    self.assertRegex(text, (
                        r"^The Quorlane server stopped right after it was started\.\r\n"
                        r"It ran for \d+\.\d seconds and ended with exit code 3221225477 \(0xC0000005\)\.\r\n"
                        r"Program: %s\r\n"
                        r"Check the Quorlane folder beside Tessary\.exe \(%s\) and its lib folder, "
                        r"and the Java runtime\.$") % (re.escape(win(home / "bin" / "java.exe")),
                                                         re.escape(win(case.app / "Quorlane"))))

    def test_a_failing_server_is_quoted_with_what_its_words_mean(self):
        ansi = "cp" + re.search(r'"ACP"="(\d+)"', (PREFIX / "system.reg").read_text(errors="replace")).group(1)
        too_new = (b'Exception in thread "main" java.lang.UnsupportedClassVersionError: Quorlane/Frame11 : '
                   b'Unsupported major.minor version 52.0\r\n\tat java.lang.ClassLoader.defineClass1(Native Method)'
                   b'\r\n\tat java.lang.ClassLoader.defineClass(Unknown Source)\r\n'
                   b'\tat java.security.SecureClassLoader.defineClass(Unknown Source)\r\n')
        quoted_too_new = ['Exception in thread "main" java.lang.UnsupportedClassVersionError: Quorlane/Frame11 : '
                          'Unsupported major.minor version 52.0', "    at java.lang.ClassLoader.defineClass1(Native Method)",
                          "    at java.lang.ClassLoader.defineClass(Unknown Source)"]
        older_first = ("The server was built for Java 8, which is newer than the Java that ran it. Java 8 is installed "
                       "as well (version 1.8, in %s), but Tessary takes the first Java registered, and Java 6 (version "
                       "1.6, in %s) comes before it: removing it (Control Panel, Programs) makes Tessary take Java 8. "
                       "Whoever removes it should first check that no other program needs it.")
        for name, stdout, stderr, quoted, advice, options in [
            ("too-new", b"", too_new, quoted_too_new,
             "The server was built for Java 8, which is newer than the Java that ran it: install the 32-bit "
             "(x86) Java Runtime Environment 8.", {}),
            # The Java 8 it needs is registered too, after the Java 6 that the launcher takes.
            ("older-first", b"", too_new, quoted_too_new, older_first, {"also": "1.8"}),
            # Words that mean nothing in particular, on the output alone, in the ANSI code page.
            ("stdout", "Quorlane 2.1 d\u00e9marre\a\r\nPort\tCOM3 occup\u00e9\n".encode(ansi), b"",
             ["Quorlane 2.1 d\u00e9marre", "Port    COM3 occup\u00e9"], None, {}),
            # The stand-in, as Java does, finds no main class when an entry of its class path is missing.
            ("missing-jar", b"", b"", ["Error: Could not find or load main class Quorlane.Frame11"],
             "The server's file Quorlane\\lib\\Quorlane.jar is missing from the folder of Tessary.exe (%s): reinstall "
             "Quorlane.", {"missing": "Quorlane.jar"}),
            # A real runtime ends in the instant after its last words, which are then still in the pipe.
            ("last-words", b"Quorlane: polling COM3\r\n", b"Quorlane: no phone answers\r\n",
             ["Quorlane: polling COM3"] * 14 + ["Quorlane: no phone answers"], None,
             {"java_repeat": 2500, "java_seconds": 0}),
        ]:
            with self.subTest(name):
                case = Case("said-" + name).lay_out_app()
                home = make_runtime(case.root / "jre")
                runtimes = [("1.6", {"JavaHome": win(home)})]
                options = dict(options)
                also = options.pop("also", None)
                missing = options.pop("missing", None)
                if missing:
                    (case.app / "Quorlane" / "lib" / missing).unlink()
                    advice %= win(case.app)
                if also:
                    runtimes.append((also, {"JavaHome": win(make_runtime(case.root / "jre8"))}))
                    advice %= (win(case.root / "jre8"), win(home))
                register_runtimes(runtimes)
                lay_out_support_folder()

                watcher, javas = case.run(**{"java_seconds": 1, **options}, java_exit_code=1,
                                          java_stdout=stdout, java_stderr=stderr)

                self.assertEqual(watcher.int("launcher.exit_code"), 6)
                if advice is None:
                    advice = ("Check the Quorlane folder beside Tessary.exe (%s) and its lib folder, and the Java "
                              "runtime." % win(case.app / "Quorlane"))
                self.assertRegex(watcher.box_texts()[0], "^%s$" % re.escape(
                    "The Quorlane server stopped right after it was started.\r\nIt ran for 9.9 seconds and ended "
                    "with exit code 1.\r\nProgram: %s\r\n\r\nIt said:\r\n%s\r\n\r\n%s"
                    % (win(home / "bin" / "java.exe"), "\r\n".join(quoted), advice)).replace("9\\.9", r"\d+\.\d"))

    def test_a_running_server_that_cannot_reach_the_phones_is_told_after_the_wait(self):
        tail = " Then end the server (java.exe in Task Manager's Details) and start Tessary again."
        for name, said, advice, smart_app_control in [
            ("no-win32com", "Error loading win32com: java.lang.UnsatisfiedLinkError: no win32com in java.library.path",
             "The serial-port library Win32com.dll is missing or damaged in the Java runtime's bin folder (%s): "
             "copy it there again from C:\\dunmere\\GsmModemJar\\." + tail, None),
            # In place, and refused by application control: copying it again would not help.
            ("refused-win32com", "Error loading win32com: java.lang.UnsatisfiedLinkError: %s\\Win32com.dll: An "
             "Application Control policy has blocked this file",
             "Windows or security software refused to load the serial-port library %s\\Win32com.dll (\"An "
             "Application Control policy has blocked this file\"), which is in place: copying it again does not help. "
             "An administrator must allow that file in the antivirus software or in the company's application "
             "control. Smart App Control is on in this Windows, and it allows no exception for one file: it can only "
             "be turned off (Windows Security, App & browser control), and on most PCs it cannot be turned on "
             "again." + tail, 1),
        ]:
            with self.subTest(name):
                case = Case(name).lay_out_app()
                home = make_runtime(case.root / "jre")
                register_runtimes([("1.6", {"JavaHome": win(home)})])
                lay_out_support_folder()
                policy = r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\CI\Policy"
                import_registry(["[%s]" % policy, '"VerifiedAndReputablePolicyState"=dword:%08x' % smart_app_control]
                                if smart_app_control is not None else ["[-%s]" % policy])
                bin_folder = win(home / "bin")
                said = said.replace("%s", bin_folder)

                watcher, javas = case.run(java_stderr=said.encode() + b"\r\n")

                self.assertEqual(watcher.box_texts(), [
                    "The Quorlane server is running, but it cannot reach the phones: Java could not load its "
                    "serial-port library.\r\n\r\nIt said:\r\n%s\r\n\r\n%s" % (said, advice.replace("%s", bin_folder))])
                self.assertEqual(watcher.int("launcher.exit_code"), 8)
                self.assertGreaterEqual(watcher.int("box.1.at") - watcher.int("splash.gone"), 10000)
                self.assertNotIn("ended", javas[0])
        import_registry(["[-%s]" % policy])

    def test_a_talkative_server_is_never_held_up_and_its_input_waits(self):
        case = Case("talks").lay_out_app()
        home = make_runtime(case.root / "jre")
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        lay_out_support_folder()

        watcher, javas = case.run(java_seconds=16, java_talks=True)

        self.assertEqual((watcher.int("launcher.exit_code"), watcher.int("box.count")), (0, 0))
        self.assertEqual(len(javas), 1)
        report = case.reports / ("java-%s.txt" % javas[0]["pid"])
        for _ in range(300):
            java = Report.load(report)
            if "ended" in java:
                break
            time.sleep(0.1)
        # Still running when the launcher ended, and no write of its waited on the launcher:
        # those after it ended failed at once.
        self.assertGreater(java.int("ended"), watcher.int("launcher.ended"))
        self.assertGreaterEqual(watcher.int("launcher.ended") - watcher.int("splash.gone"), 10000)
        self.assertGreater(java.int("talk.writes"), 100)
        self.assertLess(java.int("talk.slowest_write_ms"), 500)
        self.assertGreater(java.int("talk.first_failed_write"), watcher.int("splash.gone") + 9500)
        # A read of its input waited all the while, as on a console nobody types into.
        self.assertNotIn("input.returned", java)

    def test_a_home_with_spaces_never_runs_a_program_in_its_place(self):
        case = Case("spaces").lay_out_app()
        home = make_runtime(case.root / "Program Files" / "Java" / "jre 1.6")
        register_runtimes([("1.6.0_45", {"JavaHome": win(home)})])
        lay_out_support_folder()
        # What Windows would start for an unquoted C:\cases\spaces\Program Files\...:
        decoy = case.root / "Program.exe"
        decoy.write_bytes((home / "bin" / "java.exe").read_bytes())

        watcher, javas = case.run()

        self.assertEqual([j["module"] for j in javas], [win(home / "bin" / "java.exe")])
        java = javas[0]
        self.assertEqual(java["command_line"], expected_command_line(win(home), win(case.app), quoted=True))
        self.assertEqual(java["argv.1"], "-classpath")
        self.assertEqual(java.int("argc"), 4)
        self.assertEqual(watcher.int("launcher.exit_code"), 0)


class ResourcesTest(unittest.TestCase):
    """What Explorer shows of the exe: its icon group and its version block."""

    def check(self, mode):
        script = os.path.join(os.environ["TESSARY_SOURCE_DIR"], "resources", "check_icon.py")
        result = subprocess.run([sys.executable, script, mode, os.environ["TESSARY_EXE"]],
                                capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        return result.stdout.splitlines()

    def test_icon_group_has_the_ten_images(self):
        self.assertEqual(self.check("icon"), [
            "16x16 4 bmp", "16x16 8 bmp", "16x16 32 bmp", "24x24 32 bmp", "32x32 32 bmp",
            "48x48 32 png", "64x64 32 png", "72x72 32 png", "96x96 32 png", "128x128 32 png"])

    def test_version_block(self):
        lines = self.check("version")
        for line in ["CompanyName=dunmere", "FileVersion=1.00", "ProductVersion=1.00", "ProductName=Tessary",
                     "InternalName=Tessary", "OriginalFilename=Tessary.exe",
                     "FileVersion=1.0.0.0 ProductVersion=1.0.0.0"]:
            self.assertIn(line, lines)


if __name__ == "__main__":
    unittest.main()
