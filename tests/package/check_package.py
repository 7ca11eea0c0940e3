"""Builds the zip with CPack and checks what is inside it. check_zip also serves the tests of
the zip that scripts/release.sh makes."""
import subprocess
import sys
import zipfile
from pathlib import Path


def check_zip(archive, exe):
    """Checks the files of a release zip against the exe it must hold; returns their names."""
    with zipfile.ZipFile(archive) as z:
        names = sorted(z.namelist())
        assert names == ["LICENSE.txt", "README.txt", "Tessary.exe"], names
        assert z.read("Tessary.exe") == Path(exe).read_bytes(), "the zip holds another Tessary.exe"
        readme = z.read("README.txt").decode("ascii")
        assert "\r\n" in readme and "\n" not in readme.replace("\r\n", ""), "README.txt needs Windows line ends"
        for needed in ["Quorlane\\lib\\Quorlane.jar", "C:\\dunmere\\GsmModemJar\\", "32-bit", "1.5",
                       "Error While Copying JAR File", "Error While Searching JVM on Your Machine",
                       "is not avaiable", "You have not Installed Java Runtime Environment"]:
            assert needed in readme, "README.txt does not mention " + needed
        assert "MIT License" in z.read("LICENSE.txt").decode("ascii")
    return names


if __name__ == "__main__":
    cpack, build_dir, exe = sys.argv[1], Path(sys.argv[2]), Path(sys.argv[3])
    out = build_dir / "package"
    result = subprocess.run([cpack, "--config", str(build_dir / "CPackConfig.cmake"), "-B", str(out)],
                            capture_output=True, text=True)
    assert result.returncode == 0, result.stdout + result.stderr
    archive = out / "Tessary-1.00.zip"
    names = check_zip(archive, exe)
    print("%s: %s (%d bytes)" % (archive.name, ", ".join(names), archive.stat().st_size))
