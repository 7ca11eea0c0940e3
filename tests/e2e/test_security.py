"""Nothing but the chosen runtime ever runs, and nothing planted beside the launcher loads."""
import os
import re
import shutil
import unittest
from pathlib import Path

from launcher_env import (DRIVE_C, FAKE_JAVA_EXE, Case, lay_out_support_folder, make_runtime,
                          register_runtimes, win)

# The DLLs Tessary.exe imports, and those that Windows or Wine load into it on its behalf.
LOADED_DLLS = ["advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "user32.dll",
               "combase.dll", "comctl32.dll", "dwmapi.dll", "gdiplus.dll", "imm32.dll", "kernelbase.dll",
               "propsys.dll", "rpcrt4.dll", "sechost.dll", "shcore.dll", "shell32.dll", "shlwapi.dll",
               "ucrtbase.dll", "uxtheme.dll", "version.dll", "win32u.dll", "windowscodecs.dll",
               # Loaded only to name another server that holds a port the server needs.
               "rstrtmgr.dll"]


class DecoyTest(unittest.TestCase):
    def test_programs_named_like_a_split_path_never_run(self):
        decoys = [DRIVE_C / "Program.exe", DRIVE_C / "Program Files" / "Java" / "jre.exe"]
        for decoy in decoys:
            decoy.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(FAKE_JAVA_EXE, decoy)
        try:
            for name, folder in [("decoy-jre", DRIVE_C / "Program Files" / "Java" / "jre 1.6.0_45"),
                                 ("decoy-search", None)]:
                with self.subTest(name):
                    case = Case(name).lay_out_app()
                    lay_out_support_folder()
                    if folder is not None:
                        home = make_runtime(folder)
                        register_runtimes([("1.6", {"JavaHome": win(home)})])
                        expected = win(home / "bin" / "java.exe")
                    else:
                        register_runtimes([("1.5", {})])
                        expected = win(case.put_java_on_search_path() / "java.exe")
                    watcher, javas = case.run()
                    self.assertEqual([j["module"] for j in javas], [expected])
                    self.assertEqual(javas[0]["argv.1"], "-classpath")
        finally:
            for decoy in decoys:
                decoy.unlink()


class PlantedDllTest(unittest.TestCase):
    def test_dlls_beside_the_launcher_are_never_loaded(self):
        case = Case("planted").lay_out_app()
        home = make_runtime(case.root / "jre")
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        lay_out_support_folder()
        markers = DRIVE_C / "e2e-planted"
        shutil.rmtree(markers, ignore_errors=True)
        for name in LOADED_DLLS:
            shutil.copy(os.environ["PLANTED_DLL"], case.app / name)
        # A second server, in words: the launcher then asks the Restart Manager which server holds
        # the port. Wine's names none, so the box claims no other server.
        watcher, javas = case.run(java_stderr=b"java.net.BindException: Address already in use: JVM_Bind\r\n")
        self.assertEqual(sorted(p.name for p in markers.glob("*")) if markers.exists() else [], [])
        self.assertEqual(watcher.box_texts(), [
            "Another program, perhaps a second Quorlane server, already uses a port that the server needs: only one "
            "program at a time can use it. The server Tessary has just started runs on without it, as java.exe with "
            "process ID %s in Task Manager's Details.\r\n\r\nIt said:\r\njava.net.BindException: Address already in "
            "use: JVM_Bind" % javas[0]["pid"]])
        self.assertEqual(watcher.int("launcher.exit_code"), 9)
        self.assertEqual(len(javas), 1)


class ElevationTest(unittest.TestCase):
    def test_declares_as_invoker_and_writes_where_java_looks(self):
        exe = Path(os.environ["TESSARY_EXE"]).read_bytes()
        manifest = re.search(rb"<assembly.*?</assembly>", exe, re.S)
        self.assertIsNotNone(manifest)
        self.assertIn(b'level="asInvoker"', manifest.group(0))

        case = Case("as-invoker").lay_out_app()
        home = make_runtime(DRIVE_C / "Program Files (x86)" / "Java" / "jre6", support_files=())
        register_runtimes([("1.6", {"JavaHome": win(home)})])
        lay_out_support_folder()
        watcher, javas = case.run()
        self.assertEqual(watcher.box_texts(), [])
        # Not redirected to a per-user VirtualStore: the files are in the runtime itself.
        self.assertTrue((home / "lib" / "ext" / "Comm.jar").is_file())
        self.assertTrue((home / "bin" / "Win32com.dll").is_file())
        self.assertEqual(list(DRIVE_C.glob("users/*/AppData/Local/VirtualStore/**/Comm.jar")), [])


if __name__ == "__main__":
    unittest.main()
