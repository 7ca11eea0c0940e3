"""Finding the Java runtime through the registry, as the 32-bit launcher sees it."""
import unittest

from launcher_env import (JAVA_KEY_64, SUPPORT_FILES, Case, lay_out_support_folder, make_runtime,
                          register_runtimes, run_wine, win)

NOT_INSTALLED = ("You have not Installed Java Runtime Environment on your computer.\r\n"
                 "Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
                 "Please refer installtion guide of Halvery for further help")
NO_RECENT_VERSION = "Java Runtime Environment version 1.5 or higher version is not avaiable"
SEARCH_FAILED = "Error While Searching JVM on Your Machine"


def only_64_bit(version, home):
    return ("Java Runtime Environment %s is installed in %s, but it is a 64-bit runtime.\r\n"
            "Quorlane's serial-port support needs the 32-bit (x86) Java Runtime Environment, version 1.5 "
            "or higher. Install that one as well; the 64-bit runtime can stay." % (version, home))


class NoUsableRuntimeTest(unittest.TestCase):
    """Nothing to run the server with: a plain box (and one more when a runtime is there for
    64-bit programs only), a telling exit code, no server."""

    def run_without_server(self, case, versions, **register):
        register_runtimes(versions, **register)
        lay_out_support_folder()
        watcher, javas = case.run()
        self.assertEqual(javas, [])
        # The box comes as soon as the splash is gone, and the launcher does not linger after it.
        self.assertLess(watcher.int("launcher.ended") - watcher.int("splash.gone"), 8000)
        return watcher

    def test_a_runtime_registered_only_for_64_bit_programs_is_not_used_but_named(self):
        # 64-bit: 1.4.2, 1.8 (the first recent one) and 1.9; 32-bit: nothing, or only 1.4.2.
        for name, versions_32, first_box, exit_code in [("none", None, NOT_INSTALLED, 2),
                                                        ("old", [("1.4.2", {})], NO_RECENT_VERSION, 3)]:
            with self.subTest(name):
                case = Case("locator-64-bit-only-" + name).lay_out_app()
                homes = {v: make_runtime(case.root / ("jre-" + v), support_files=()) for v in ("1.4.2", "1.8", "1.9")}
                register_runtimes(versions_32)
                watcher = self.run_without_server(case, [(v, {"JavaHome": win(h)}) for v, h in homes.items()],
                                                  key=JAVA_KEY_64, clear_64_bit_view=False)
                # The runtime is there for a 64-bit program to find.
                self.assertEqual(run_wine("reg", "query", JAVA_KEY_64 + "\\1.8", "/v", "JavaHome").returncode, 0)

                self.assertEqual(watcher.boxes(), [(first_box, "Tessary", "OK", 0),
                                                   (only_64_bit("1.8", win(homes["1.8"])), "Tessary", "OK", 0)])
                self.assertEqual(watcher.int("launcher.exit_code"), exit_code)
                for home in homes.values():
                    self.assertEqual(list((home / "lib" / "ext").iterdir()), [])

    def test_only_versions_before_1_5(self):
        # "1.10" is read by its first three characters, as 1.1.
        case = Case("locator-old").lay_out_app()
        homes = [make_runtime(case.root / ("jre-" + v), support_files=()) for v in ("1.3", "1.4.2_19", "1.10")]
        versions = [(v, {"JavaHome": win(h)}) for v, h in zip(("1.3", "1.4.2_19", "1.10"), homes)]
        # Nothing recent for 64-bit programs either, so nothing more to say.
        register_runtimes(versions, key=JAVA_KEY_64)
        watcher = self.run_without_server(case, versions, clear_64_bit_view=False)

        self.assertEqual(watcher.boxes(), [(NO_RECENT_VERSION, "Tessary", "OK", 0)])
        self.assertEqual(watcher.int("launcher.exit_code"), 3)
        for home in homes:
            self.assertEqual(list((home / "lib" / "ext").iterdir()), [])

    def test_a_runtime_key_without_versions(self):
        watcher = self.run_without_server(Case("locator-empty-key").lay_out_app(), [])

        self.assertEqual(watcher.boxes(), [(NO_RECENT_VERSION, "Tessary", "OK", 0)])
        self.assertEqual(watcher.int("launcher.exit_code"), 3)


class ChoiceTest(unittest.TestCase):
    def test_the_first_version_of_1_5_or_later_in_registry_order_is_used(self):
        # The registry lists subkeys sorted by name, whatever order they were written in:
        # 1.4.2, 1.5, 1.6, Run. The name that is no number comes after the choice and is never read.
        case = Case("locator-order").lay_out_app()
        homes = {v: make_runtime(case.root / ("jre-" + v), support_files=()) for v in ("1.6", "1.4.2", "1.5")}
        register_runtimes([("Run", {})] + [(v, {"JavaHome": win(h)}) for v, h in homes.items()])
        lay_out_support_folder()

        watcher, javas = case.run()

        self.assertEqual(watcher.int("box.count"), 0)
        self.assertEqual([j["module"] for j in javas], [win(homes["1.5"] / "bin" / "java.exe")])
        self.assertEqual(watcher.int("launcher.exit_code"), 0)
        # The support files go into the runtime that is started, and only there.
        for name, folder in SUPPORT_FILES.items():
            self.assertTrue((homes["1.5"] / folder / name).is_file(), name)
            self.assertFalse((homes["1.6"] / folder / name).exists(), name)
            self.assertFalse((homes["1.4.2"] / folder / name).exists(), name)


class SearchFailureTest(unittest.TestCase):
    """A registry entry that cannot be used is reported, then the server is started with
    whatever java the search path finds."""

    def run_with_search_path_java(self, case, versions):
        case.lay_out_app()
        path_folder = case.put_java_on_search_path()
        register_runtimes(versions)
        lay_out_support_folder()

        watcher, javas = case.run()

        texts = watcher.box_texts()
        self.assertEqual(len(texts), 2, texts)
        self.assertEqual(texts[1], SEARCH_FAILED)
        self.assertEqual({box[1:] for box in watcher.boxes()}, {("Tessary", "OK", 0)})
        self.assertEqual(len(javas), 1)
        java = javas[0]
        self.assertEqual(java["module"], win(path_folder / "java.exe"))
        self.assertEqual(java["argv.0"], "java")
        self.assertEqual(java["argv.1"], "-classpath")
        self.assertEqual(java.int("argc"), 4)
        self.assertEqual(watcher.int("launcher.exit_code"), 0)
        return texts[0]

    def test_a_version_without_a_home(self):
        first = self.run_with_search_path_java(
            Case("locator-no-home"), [("1.5", {"RuntimeLib": r"C:\jre\bin\client\jvm.dll"})])
        self.assertEqual(first, "Unsupported value type")

    def test_a_version_name_that_is_no_number(self):
        # "(Run)" sorts before the digits, so it is met before 1.6.
        case = Case("locator-not-a-number")
        home = make_runtime(case.root / "jre", support_files=())
        first = self.run_with_search_path_java(
            case, [("1.6", {"JavaHome": win(home)}), ("(Run)", {"JavaHome": win(home)})])
        self.assertEqual(first, "Type mismatch")
        self.assertEqual(list((home / "lib" / "ext").iterdir()), [])

    def test_a_home_with_a_quotation_mark_never_reaches_the_command_line(self):
        home = 'C:\\jre" -Dx=1 "'
        first = self.run_with_search_path_java(Case("locator-quote"), [("1.6", {"JavaHome": home})])
        self.assertIn(home, first)


if __name__ == "__main__":
    unittest.main()
