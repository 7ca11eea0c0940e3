"""Draws the pictures of packaging/pictures/: what the operator sees of Tessary.exe, taken
under Wine from runs on folders laid out as on an operator's machine.

    pictures.py OUT_FOLDER

Each picture is checked to show what its name says before it is written, and is saved as a
PNG with a small palette and nothing in it but the pixels, so that the same screen gives the
same bytes.
"""
import sys
from pathlib import Path

from PIL import Image

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))
import launcher_env as env  # noqa: E402

APP = env.DRIVE_C / "Quorlane"
JAVA_6 = env.DRIVE_C / "Program Files (x86)" / "Java" / "jre1.6.0_45"
TEMURIN_8 = env.DRIVE_C / "Program Files (x86)" / "Eclipse Adoptium" / "jre-8.0.472.8-hotspot"
ADOPTIUM_32 = r"HKEY_LOCAL_MACHINE\Software\Wow6432Node\Eclipse Adoptium"
# A Java 6 runtime meeting a server built for Java 8, as it reports it.
TOO_NEW = (b'Exception in thread "main" java.lang.UnsupportedClassVersionError: Quorlane/Frame11 : '
           b'Unsupported major.minor version 52.0\r\n\tat java.lang.ClassLoader.defineClass1(Native Method)\r\n'
           b'\tat java.lang.ClassLoader.defineClass(Unknown Source)\r\n'
           b'\tat java.security.SecureClassLoader.defineClass(Unknown Source)\r\n')
NO_WIN32COM = b"Error loading win32com: java.lang.UnsatisfiedLinkError: no win32com in java.library.path\r\n"
# Colours of each palette, enough for what Wine draws: the splash's picture shows fewer than
# 300, a box 24.
SPLASH_COLORS = 256
BOX_COLORS = 32


def java_6_only():
    env.make_runtime(JAVA_6)
    env.register_runtimes([("1.6", {"JavaHome": env.win(JAVA_6)})])
    env.lay_out_support_folder()


def no_runtime():
    env.register_runtimes(None)
    env.import_registry(["[-%s]" % ADOPTIUM_32])
    env.lay_out_support_folder()


def temurin_not_registered():
    no_runtime()
    env.make_runtime(TEMURIN_8, support_files=(), release="1.8.0_472")
    env.import_registry(["[%s\\JRE\\8.0.472.8\\hotspot\\MSI]" % ADOPTIUM_32,
                         '"Path"=' + env.reg_string(env.win(TEMURIN_8) + "\\")])


def run(name, stage, **options):
    """Runs the launcher on the layout `stage` makes; returns its report and where its boxes were saved."""
    case = env.Case("picture-" + name, app_folder=APP).lay_out_app()
    stage()
    boxes = case.reports / "box"
    watcher, _ = case.run(box_screenshots=boxes, **options)
    return watcher, case.reports


def box_shot(watcher, reports, number, beginning):
    text = watcher["box.%d.text" % number] if watcher.int("box.count") >= number else None
    if text is None or not text.startswith(beginning):
        sys.exit("pictures: box %d should begin %r; the launcher showed %r" % (number, beginning, watcher.box_texts()))
    return reports / ("box-%d.bmp" % number)


def save_png(bmp, png, colors):
    with Image.open(bmp) as shot:
        picture = shot.convert("RGB").convert("P", palette=Image.Palette.ADAPTIVE, colors=colors)
    # Only the pixels: no time, resolution or text chunks that would differ between runs.
    picture.info = {}
    picture.save(png, optimize=True)
    return png


def main(out):
    out.mkdir(parents=True, exist_ok=True)
    made = []

    # The server runs but cannot load its serial-port library: the splash on the way.
    splash = env.DRIVE_C / "cases" / "splash.bmp"
    watcher, reports = run("serial-port", java_6_only, screenshot=splash, java_seconds=15, java_stderr=NO_WIN32COM)
    if watcher.get("shot.file") is None:
        sys.exit("pictures: the splash was not seen")
    made.append(save_png(splash, out / "splash.png", SPLASH_COLORS))
    shot = box_shot(watcher, reports, 1, "The Quorlane server is running, but it cannot reach the phones")
    made.append(save_png(shot, out / "serial-port.png", BOX_COLORS))

    watcher, reports = run("no-java", no_runtime)
    made.append(save_png(box_shot(watcher, reports, 1, "You have not Installed Java Runtime Environment"),
                         out / "no-java.png", BOX_COLORS))

    watcher, reports = run("java-not-registered", temurin_not_registered)
    made.append(save_png(box_shot(watcher, reports, 2, "Tessary found Java on this computer that it cannot use"),
                         out / "java-not-registered.png", BOX_COLORS))

    watcher, reports = run("server-stopped", java_6_only, java_seconds=1, java_exit_code=1, java_stderr=TOO_NEW)
    made.append(save_png(box_shot(watcher, reports, 1, "The Quorlane server stopped right after it was started"),
                         out / "server-stopped.png", BOX_COLORS))

    for png in made:
        with Image.open(png) as picture:
            print("  %-24s %4dx%-4d %3d colours %7d bytes" % (
                png.name, picture.width, picture.height, len(picture.getcolors()), png.stat().st_size))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    main(Path(sys.argv[1]).resolve())
