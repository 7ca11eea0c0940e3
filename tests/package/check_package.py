"""Builds the zip with CPack and checks what is inside it. check_zip also serves the tests of
the zip that scripts/release.sh makes."""
import struct
import subprocess
import sys
import zipfile
from pathlib import Path

PICTURES = ["java-not-registered.png", "no-java.png", "serial-port.png", "server-stopped.png", "splash.png"]
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
PALETTE = 3  # the colour type of a PNG whose pixels index a palette


def check_picture(name, data):
    """A PNG with a palette, as scripts/pictures.sh writes them: a screen's few colours, not a photograph's."""
    assert data.startswith(PNG_SIGNATURE) and data[12:16] == b"IHDR", name + " is no PNG"
    width, height, depth, colour_type = struct.unpack(">IIBB", data[16:26])
    assert colour_type == PALETTE and depth <= 8, "%s is no PNG with a palette (colour type %d)" % (name, colour_type)
    assert width > 0 and height > 0, name


def check_zip(archive, exe):
    """Checks the files of a release zip against the exe it must hold; returns their names."""
    with zipfile.ZipFile(archive) as z:
        names = sorted(z.namelist())
        assert names == sorted(["LICENSE.txt", "README.txt", "Tessary.exe"] + PICTURES), names
        assert z.read("Tessary.exe") == Path(exe).read_bytes(), "the zip holds another Tessary.exe"
        readme = z.read("README.txt").decode("ascii")
        assert "\r\n" in readme and "\n" not in readme.replace("\r\n", ""), "README.txt needs Windows line ends"
        for needed in ["Quorlane\\lib\\Quorlane.jar", "C:\\dunmere\\GsmModemJar\\", "32-bit", "1.5",
                       "Error While Copying JAR File", "Error While Searching JVM on Your Machine",
                       "is not avaiable", "You have not Installed Java Runtime Environment"]:
            assert needed in readme, "README.txt does not mention " + needed
        assert "MIT License" in z.read("LICENSE.txt").decode("ascii")
        for name in PICTURES:
            check_picture(name, z.read(name))
        pictures_size = sum(z.getinfo(name).file_size for name in PICTURES)
        assert pictures_size < 300_000, "the pictures take %d bytes" % pictures_size
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
