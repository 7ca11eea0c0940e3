"""A throwaway Windows machine for end-to-end runs of the real Tessary.exe under Wine.

Each case lays out its own folders on the prefix's C: drive, writes the registry the
way Java runtime installers do (the 32-bit view), and runs Tessary.exe through the
watcher program, which reports what a person would have seen.
"""
import os
import shutil
import subprocess
import tempfile
from pathlib import Path, PureWindowsPath

PREFIX = Path(os.environ["WINEPREFIX"])
DRIVE_C = PREFIX / "drive_c"
WINE = os.environ.get("TESSARY_WINE", "wine")
TESSARY_EXE = Path(os.environ["TESSARY_EXE"])
FAKE_JAVA_EXE = Path(os.environ["FAKE_JAVA_EXE"])
FAKE_JAVA64_EXE = FAKE_JAVA_EXE.with_name("fake_java64.exe")  # built beside it
WATCHER_EXE = Path(os.environ["WATCHER_EXE"])

# Where 32-bit runtimes register on 64-bit Windows, and where 64-bit ones do.
JAVA_KEY_32 = r"HKEY_LOCAL_MACHINE\Software\Wow6432Node\JavaSoft\Java Runtime Environment"
JAVA_KEY_64 = r"HKEY_LOCAL_MACHINE\Software\JavaSoft\Java Runtime Environment"
SUPPORT_FOLDER = DRIVE_C / "dunmere" / "GsmModemJar"
SUPPORT_FILES = {  # name -> folder inside the runtime home
    "Comm.jar": "lib/ext",
    "javax.comm.properties": "lib",
    "Win32com.dll": "bin",
    "jdc.jar": "lib/ext",
}
SERVER_JARS = ["comm.jar", "jdc.jar", "jxl.jar", "Quorlane.jar", "swing-layout-1.0.jar"]


def win(path):
    """The Windows path of a file on the prefix's C: drive."""
    relative = Path(path).relative_to(DRIVE_C)
    return str(PureWindowsPath("C:\\", *relative.parts))


def unix(windows_path):
    parts = PureWindowsPath(windows_path).parts
    assert parts[0].upper() == "C:\\", windows_path
    return DRIVE_C.joinpath(*parts[1:])


def run_wine(*args, env=None, timeout=600):
    """Runs a Windows program to its end and returns its exit code and output. The output
    goes through a file: a pipe would stay open as long as any process it started."""
    with tempfile.TemporaryFile() as output:
        result = subprocess.run([WINE, *map(str, args)], env=env, timeout=timeout,
                                stdin=subprocess.DEVNULL, stdout=output, stderr=subprocess.STDOUT)
        output.seek(0)
        result.stdout = output.read()
    return result


# --- registry ---------------------------------------------------------------------------

def reg_string(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def reg_value(value):
    """A value for a .reg file: a str is REG_SZ, an int REG_DWORD, and (type, bytes) any raw data."""
    if isinstance(value, str):
        return reg_string(value)
    if isinstance(value, int):
        return "dword:%08x" % (value & 0xFFFFFFFF)
    kind, data = value
    body = ",".join("%02x" % b for b in data)
    return ("hex:" if kind == 3 else "hex(%x):" % kind) + body


def import_registry(lines):
    """Imports .reg lines with the 64-bit regedit, which writes exactly the paths given."""
    text = "Windows Registry Editor Version 5.00\r\n\r\n" + "\r\n".join(lines) + "\r\n"
    path = DRIVE_C / "e2e-import.reg"
    path.write_bytes(b"\xff\xfe" + text.encode("utf-16-le"))
    result = run_wine("regedit", "/S", win(path))
    assert result.returncode == 0, result.stdout


def register_runtimes(versions, key=JAVA_KEY_32, clear_64_bit_view=True):
    """Replaces the runtime registrations: versions is a list of (subkey name, {value name: value})."""
    lines = ["[-%s]" % JAVA_KEY_32, "[-%s]" % JAVA_KEY_64] if clear_64_bit_view else ["[-%s]" % key]
    if versions is not None:
        lines.append("[%s]" % key)
        for name, values in versions:
            lines.append("[%s\\%s]" % (key, name))
            lines += ['%s=%s' % (reg_string(n), reg_value(v)) for n, v in values.items()]
    import_registry(lines)


# --- files ------------------------------------------------------------------------------

def fresh_dir(path):
    shutil.rmtree(path, ignore_errors=True)
    path.mkdir(parents=True)
    return path


def lay_out_support_folder(present=True):
    """The support folder with the four files, or none; it and its parent writable by their
    owner alone, as Wine shows a folder only administrators may change."""
    shutil.rmtree(SUPPORT_FOLDER, ignore_errors=True)
    SUPPORT_FOLDER.parent.mkdir(parents=True, exist_ok=True)
    os.chmod(SUPPORT_FOLDER.parent, 0o755)
    if present:
        SUPPORT_FOLDER.mkdir(mode=0o755)
        os.chmod(SUPPORT_FOLDER, 0o755)  # whatever the umask
        for name in SUPPORT_FILES:
            (SUPPORT_FOLDER / name).write_bytes(support_content(name))


def support_content(name):
    return ("support file %s\n" % name).encode() * 64


def make_runtime(home, folders=("bin", "lib/ext"), support_files=tuple(SUPPORT_FILES), java=True, release=None):
    """A stand-in runtime: the given folders, java.exe in bin (java=64: a 64-bit one), the given
    support files, and a release file naming the given version."""
    fresh_dir(home)
    for folder in folders:
        (home / folder).mkdir(parents=True, exist_ok=True)
    if java and (home / "bin").is_dir():
        shutil.copy(FAKE_JAVA64_EXE if java == 64 else FAKE_JAVA_EXE, home / "bin" / "java.exe")
    if release is not None:
        (home / "release").write_bytes(b'IMPLEMENTOR="Stand-in"\r\nJAVA_VERSION="%s"\r\n' % release.encode())
    for name in support_files:
        (home / SUPPORT_FILES[name] / name).write_bytes(b"already installed " + name.encode())
    return home


class Report(dict):
    """A watcher or stand-in report: key=value lines with \\-escapes."""

    @classmethod
    def load(cls, path):
        report = cls()
        for line in path.read_text(encoding="utf-8").splitlines():
            key, _, value = line.partition("=")
            report[key] = (value.replace("\\\\", "\0").replace("\\r", "\r").replace("\\n", "\n")
                           .replace("\\t", "\t").replace("\0", "\\"))
        return report

    def int(self, key):
        return int(self[key])

    def boxes(self):
        return [(self["box.%d.text" % i], self["box.%d.caption" % i], self["box.%d.buttons" % i],
                 self.int("box.%d.icon" % i)) for i in range(1, self.int("box.count") + 1)]

    def box_texts(self):
        return [box[0] for box in self.boxes()]


class Case:
    """One run of Tessary.exe in folders of its own: C:\\cases\\<name>\\{app,reports,...}."""

    def __init__(self, name, app_folder=None):
        self.root = fresh_dir(DRIVE_C / "cases" / name)
        self.app = app_folder if app_folder is not None else self.root / "app"
        self.reports = fresh_dir(self.root / "reports")
        self.search_path = []

    def lay_out_app(self):
        fresh_dir(self.app)
        shutil.copy(TESSARY_EXE, self.app / "Tessary.exe")
        lib = self.app / "Quorlane" / "lib"
        lib.mkdir(parents=True)
        for jar in SERVER_JARS:
            (lib / jar).write_bytes(b"PK stand-in " + jar.encode())
        (self.app / "Quorlane" / "Quorlane").mkdir()
        return self

    def put_java_on_search_path(self):
        folder = fresh_dir(self.root / "path")
        shutil.copy(FAKE_JAVA_EXE, folder / "java.exe")
        self.search_path.append(win(folder))
        return folder

    def start(self, close_after_ms=None, cwd=None, timeout_s=120, java_seconds=25, java_exit_code=0,
              screenshot=None, java_stdout=b"", java_stderr=b"", java_repeat=1, java_talks=False,
              as_administrator=False, box_screenshots=None):
        """Starts the launcher through the watcher and returns at once; collect() waits for it.
        The stand-in java writes the given bytes (its output java_repeat times) before it waits, or
        with java_talks keeps writing; with java_seconds=0 it ends as soon as it has written them.
        The launcher runs as a double-click starts it, or with as_administrator as "Run as administrator".
        With box_screenshots (a path without its ending), each message box is saved as <path>-<n>.bmp."""
        self.report = self.reports / "watcher.txt"
        self.report.unlink(missing_ok=True)
        args = [WINE, WATCHER_EXE, win(self.report), win(self.app / "Tessary.exe"), "--timeout", timeout_s]
        if cwd is not None:
            args += ["--cwd", cwd]
        if close_after_ms is not None:
            args += ["--close-after", close_after_ms]
        if screenshot is not None:
            args += ["--screenshot", win(screenshot)]
        if as_administrator:
            args += ["--as-administrator", "1"]
        if box_screenshots is not None:
            args += ["--box-screenshots", win(box_screenshots)]
        env = dict(os.environ, TESSARY_E2E_REPORTS=win(self.reports),
                   TESSARY_E2E_JAVA_SECONDS=str(java_seconds), TESSARY_E2E_JAVA_EXIT_CODE=str(java_exit_code),
                   TESSARY_E2E_JAVA_STDOUT=java_stdout.hex(), TESSARY_E2E_JAVA_STDERR=java_stderr.hex(),
                   TESSARY_E2E_JAVA_REPEAT=str(java_repeat),
                   TESSARY_E2E_JAVA_TALKS="1" if java_talks else "",
                   WINEPATH=";".join(self.search_path))
        self.output = tempfile.TemporaryFile()
        self.process = subprocess.Popen([str(a) for a in args], env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.output, stderr=subprocess.STDOUT)
        self.timeout_s = timeout_s
        return self

    def collect(self):
        """Waits for the launcher to end; returns (watcher report, stand-in java reports)."""
        self.process.wait(timeout=self.timeout_s + 120)
        self.output.seek(0)
        output = self.output.read().decode(errors="replace")
        self.output.close()
        assert self.report.exists(), "the watcher wrote no report: %s" % output
        return Report.load(self.report), self.java_reports()

    def run(self, **options):
        """Runs the launcher to its end; returns (watcher report, stand-in java reports)."""
        return self.start(**options).collect()

    def java_reports(self):
        return [Report.load(p) for p in sorted(self.reports.glob("java-*.txt"))]


def expected_command_line(home, app, quoted=False):
    java = home + "\\bin\\java.exe"
    if quoted:
        java = '"%s"' % java
    entries = ['"%s\\Quorlane\\lib\\%s";' % (app, jar) for jar in SERVER_JARS]
    return "%s -classpath %s\"%s\\Quorlane\" Quorlane.Frame11" % (java, "".join(entries), app)


def expected_class_path(app):
    return "".join("%s\\Quorlane\\lib\\%s;" % (app, jar) for jar in SERVER_JARS) + app + "\\Quorlane"
