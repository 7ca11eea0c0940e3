"""Lays out a small Windows machine in the Wine prefix and runs Tessary.exe on it once:
a Quorlane folder beside the launcher, a registered Java runtime (a stand-in that reports
what it was given) without its support files, and the support folder. Prints what happened."""
import os
import shutil
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))
import launcher_env as env  # noqa: E402


def main():
    case = env.Case("demo", app_folder=env.DRIVE_C / "SMS Server" / "Tessary").lay_out_app()
    home = env.make_runtime(env.DRIVE_C / "Program Files (x86)" / "Java" / "jre1.6.0_45", support_files=())
    env.register_runtimes([("1.4.2_19", {"JavaHome": env.win(env.DRIVE_C / "j2re1.4.2_19")}),
                           ("1.6", {"JavaHome": env.win(home)})])
    env.lay_out_support_folder()
    shot = case.reports / "splash.bmp"

    watcher, javas = case.run(cwd="C:\\windows", screenshot=shot, java_seconds=12)

    out_dir = Path(os.environ.get("TESSARY_DEMO_OUT", "build/demo")).resolve()
    out_dir.mkdir(parents=True, exist_ok=True)
    png = out_dir / "splash.png"
    if shot.exists():
        subprocess.run(["convert", str(shot), str(png)], check=False)

    print("Tessary demo")
    print("  launcher        %s" % env.win(case.app / "Tessary.exe"))
    if "splash.shown" in watcher:
        print("  splash          \"%s\", client %sx%s at (%s,%s), shown for %s ms, %s colours drawn" % (
            watcher["splash.caption"], watcher["splash.client_width"], watcher["splash.client_height"],
            watcher["splash.client_left"], watcher["splash.client_top"], watcher.get("splash.lifetime_ms", "?"),
            watcher.get("shot.colors", "?")))
    print("  screenshot      %s" % (png if png.exists() else "(none)"))
    for i, (text, caption, buttons, _) in enumerate(watcher.boxes(), 1):
        print("  message box %d   [%s] %s" % (i, caption, text.replace("\r\n", " / ")))
    copied = [name for name, folder in env.SUPPORT_FILES.items() if (home / folder / name).exists()]
    print("  support files   copied into %s: %s" % (env.win(home), ", ".join(copied) or "none"))
    for java in javas:
        print("  server started  %s" % java["command_line"])
        print("  working folder  %s" % java["cwd"])
        print("  window          %s" % ("hidden" if java.get("show_window") == "0" else java.get("show_window")))
    if not javas:
        print("  server started  no")
    print("  launcher exit   code %s, %.1f s after the splash closed" % (
        watcher["launcher.exit_code"],
        (watcher.int("launcher.ended") - watcher.int("splash.gone")) / 1000 if "splash.gone" in watcher else 0))
    return 0 if javas and watcher["launcher.exit_code"] == "0" else 1


if __name__ == "__main__":
    sys.exit(main())
