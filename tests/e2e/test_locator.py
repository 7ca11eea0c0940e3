"""Finding the Java runtime through the registry, as the 32-bit launcher sees it."""
import unittest

from launcher_env import (JAVA_KEY_64, SUPPORT_FILES, Case, import_registry, lay_out_support_folder, make_runtime,
                          reg_string, register_runtimes, run_wine, win)

NOT_INSTALLED = ("You have not Installed Java Runtime Environment on your computer.\r\n"
                 "Download and install Java Runtime Environment Version 1.5 or higher version.\r\n"
                 "Please refer installtion guide of Halvery for further help")
NO_RECENT_VERSION = "Java Runtime Environment version 1.5 or higher version is not avaiable"
SEARCH_FAILED = "Error While Searching JVM on Your Machine"


IS_64_BIT = "It is a 64-bit Java; Quorlane's serial-port support needs a 32-bit (x86) one."
TOO_NEW = "It is too new: Quorlane's serial-port support needs a 32-bit Java 1.5 to 8."
# Where vendors' installers register, as a 32-bit program on 64-bit Windows sees it or per user,
# and where Java 9 and later register for 64-bit programs.
ADOPTIUM_32 = r"HKEY_LOCAL_MACHINE\Software\Wow6432Node\Eclipse Adoptium"
ZULU_32 = r"HKEY_LOCAL_MACHINE\Software\Wow6432Node\Azul Systems"
LIBERICA_USER = r"HKEY_CURRENT_USER\Software\BellSoft"
JDK_64 = r"HKEY_LOCAL_MACHINE\Software\JavaSoft\JDK"


def survey(installations, step):
    """The box that names the Java installed that Tessary cannot use: (what, folder, why) each."""
    return ("Tessary found Java on this computer that it cannot use:\r\n" +
            "".join("\r\n%s\r\n%s\r\n%s\r\n" % installation for installation in installations) + "\r\n" + step)


class NoUsableRuntimeTest(unittest.TestCase):
    """Nothing to run the server with: a plain box (and one more naming the Java installed that
    cannot be used), a telling exit code, no server."""

    def run_without_server(self, case, versions=None, **register):
        if versions is not None:
            register_runtimes(versions, **register)
        lay_out_support_folder()
        watcher, javas = case.run()
        self.assertEqual(javas, [])
        # The box comes as soon as the splash is gone, and the launcher does not linger after it.
        self.assertLess(watcher.int("launcher.ended") - watcher.int("splash.gone"), 8000)
        return watcher

    def lay_out_64_bit_runtimes(self, case):
        """64-bit runtimes 1.4.2 (too old to name), 1.8 and 1.9 (Java 9), for 64-bit programs only."""
        homes = {v: make_runtime(case.root / ("jre-" + v), support_files=(), java=64) for v in ("1.4.2", "1.8", "1.9")}
        register_runtimes([(v, {"JavaHome": win(h)}) for v, h in homes.items()], key=JAVA_KEY_64, clear_64_bit_view=False)
        # The runtime is there for a 64-bit program to find.
        self.assertEqual(run_wine("reg", "query", JAVA_KEY_64 + "\\1.8", "/v", "JavaHome").returncode, 0)
        return homes.values(), survey(
            [("Java Runtime Environment 1.8 (64-bit)", win(homes["1.8"]), IS_64_BIT),
             ("Java Runtime Environment 1.9 (64-bit)", win(homes["1.9"]), TOO_NEW)],
            "Install the 32-bit (x86) Java Runtime Environment 8 as well; the 64-bit Java can stay.")

    def lay_out_vendor_installations(self, case):
        """Temurin 8 x86 under its own key, a per-user Liberica 8 JDK, Java 17 x64, and a Zulu whose
        folder is gone."""
        temurin = make_runtime(case.root / "jre-8.0.472.8-hotspot", support_files=(), release="1.8.0_472")
        liberica = make_runtime(case.root / "liberica-jdk-8", support_files=(), release="1.8.0_452")
        jdk = make_runtime(case.root / "jdk-17", support_files=(), java=64, release="17.0.9")
        self.addCleanup(import_registry, ["[-%s]" % key for key in (ADOPTIUM_32, ZULU_32, LIBERICA_USER, JDK_64)])
        import_registry(["[%s\\JRE\\8.0.472.8\\hotspot\\MSI]" % ADOPTIUM_32, '"Path"=' + reg_string(win(temurin) + "\\"),
                         "[%s\\Liberica\\jdk-8]" % LIBERICA_USER, '"InstallationPath"=' + reg_string(win(liberica)),
                         "[%s\\17.0.9]" % JDK_64, '"JavaHome"=' + reg_string(win(jdk)),
                         "[%s\\Zulu 32-bit\\zulu-8-jre]" % ZULU_32,
                         '"InstallationPath"=' + reg_string(win(case.root / "zulu-8-jre"))])
        temurin_8 = "Eclipse Adoptium Java Runtime Environment 1.8.0_472 (32-bit)"
        return (temurin, liberica, jdk), survey(
            [(temurin_8, win(temurin), "Its installer did not register it as the system's Java, so Tessary does not find it."),
             ("BellSoft Liberica Java Development Kit 1.8.0_452 (32-bit)", win(liberica),
              "It is a Java Development Kit; Tessary uses a Java Runtime Environment. "
              "It is also installed for one user only."),
             ("Java Development Kit 17.0.9 (64-bit)", win(jdk), TOO_NEW)],
            "To have Tessary use %s, run its installer again, choose Change, and add "
            "\"JavaSoft (Oracle) registry keys\"." % temurin_8)

    def test_java_that_cannot_be_used_is_named_with_what_to_do(self):
        for name, lay_out, versions_32, first_box, exit_code in [
                ("64-bit", self.lay_out_64_bit_runtimes, None, NOT_INSTALLED, 2),
                ("64-bit-old", self.lay_out_64_bit_runtimes, [("1.4.2", {})], NO_RECENT_VERSION, 3),
                ("vendors", self.lay_out_vendor_installations, None, NOT_INSTALLED, 2)]:
            with self.subTest(name):
                case = Case("locator-unused-" + name).lay_out_app()
                register_runtimes(versions_32)
                homes, second_box = lay_out(case)
                watcher = self.run_without_server(case)

                self.assertEqual(watcher.boxes(), [(first_box, "Tessary", "OK", 0), (second_box, "Tessary", "OK", 0)])
                self.assertEqual(watcher.int("launcher.exit_code"), exit_code)
                for home in homes:
                    self.assertEqual(list((home / "lib" / "ext").iterdir()), [])

    def test_only_versions_before_1_5(self):
        # "1.10" is read by its first three characters, as 1.1.
        case = Case("locator-old").lay_out_app()
        homes = [make_runtime(case.root / ("jre-" + v), support_files=()) for v in ("1.3", "1.4.2_19", "1.10")]
        versions = [(v, {"JavaHome": win(h)}) for v, h in zip(("1.3", "1.4.2_19", "1.10"), homes)]
        # Nothing recent for 64-bit programs either, so nothing more to say. (There, 1.10 would
        # be read as Java's own numbering reads it: Java 10.)
        register_runtimes(versions[:2], key=JAVA_KEY_64)
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
