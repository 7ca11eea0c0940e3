"""Benchmark figures for Tessary.exe under Wine, each against a baseline run in the same
command: medians of interleaved runs, printed as one table."""
import os
import re
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "e2e"))
import launcher_env as env  # noqa: E402

BUILD = Path(os.environ["TESSARY_BUILD"])
TESTS = BUILD / "tests"
RUNS = int(os.environ.get("TESSARY_BENCH_RUNS", "5"))
rows = []


def row(figure, tessary, baseline, result, goal):
    rows.append((figure, tessary, baseline, result, goal))


def watch(case, program, extra):
    report = case.reports / "watcher.txt"
    report.unlink(missing_ok=True)
    args = ["taskset", "-c", "1", env.WINE, str(env.WATCHER_EXE), env.win(report), env.win(program)] + extra
    envvars = dict(os.environ, TESSARY_E2E_REPORTS=env.win(case.reports), TESSARY_E2E_JAVA_SECONDS="2")
    subprocess.run(args, env=envvars, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300)
    return env.Report.load(report)


def start_to_paint():
    case = env.Case("bench-paint").lay_out_app()
    baseline = case.root / "baseline_window.exe"
    shutil.copy(TESTS / "baseline_window.exe", baseline)
    times = {"tessary": [], "baseline": []}
    memory = {"tessary": [], "baseline": []}
    for _ in range(RUNS):  # interleaved: A B A B ...
        for name, program in (("tessary", case.app / "Tessary.exe"), ("baseline", baseline)):
            report = watch(case, program, ["--stop-after-paint", "1", "--timeout", "120"])
            times[name].append(report.int("splash.painted") - report.int("launcher.started"))
            memory[name].append(report.int("memory.peak_working_set"))
    t, b = statistics.median(times["tessary"]), statistics.median(times["baseline"])
    row("process start to picture painted (ms)", "%d" % t, "%d" % b, "ratio %.2f" % (t / b), "ratio <= 1.1")
    mt, mb = statistics.median(memory["tessary"]), statistics.median(memory["baseline"])
    row("peak working set while the picture shows (MiB)", "%.1f" % (mt / 2**20), "%.1f" % (mb / 2**20),
        "ratio %.2f, %+.1f MiB" % (mt / mb, (mt - mb) / 2**20), "ratio <= 1.2")


def first_start_after(case, moment):
    """When the stand-in runtime started after the moment: an earlier one may still be
    rewriting its report as it ends."""
    return min(j.int("started") for j in case.java_reports() if j.int("started") >= moment)


def timer_to_server():
    case = env.Case("bench-spawn").lay_out_app()
    home = env.make_runtime(case.root / "jre")
    env.register_runtimes([("1.6", {"JavaHome": env.win(home)})])
    env.lay_out_support_folder()
    spawn = case.root / "baseline_spawn.exe"
    shutil.copy(TESTS / "baseline_spawn.exe", spawn)
    tessary, baseline = [], []
    for _ in range(RUNS):
        for old in case.reports.glob("java-*.txt"):
            old.unlink()
        report = watch(case, case.app / "Tessary.exe", ["--timeout", "120"])
        tessary.append(first_start_after(case, report.int("launcher.started")) - report.int("splash.gone"))
        for old in case.reports.glob("java-*.txt"):
            old.unlink()
        spawn_report = case.reports / "spawn.txt"
        subprocess.run(["taskset", "-c", "1", env.WINE, str(spawn), env.win(spawn_report),
                        env.win(home / "bin" / "java.exe")],
                       env=dict(os.environ, TESSARY_E2E_REPORTS=env.win(case.reports), TESSARY_E2E_JAVA_SECONDS="1"),
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        before = env.Report.load(spawn_report).int("before_create")
        for _ in range(300):  # the stand-in reports a few seconds after it is created
            if any(j.int("started") >= before for j in case.java_reports()):
                break
            time.sleep(0.1)
        baseline.append(first_start_after(case, before) - before)
    t, b = statistics.median(tessary), statistics.median(baseline)
    row("splash closed to server's first instruction (ms)", "%d" % t, "%d" % b, "%+d ms" % (t - b), "<= +15 ms")


def lookup():
    out = subprocess.run(["taskset", "-c", "1", env.WINE, str(TESTS / "lookup_bench.exe"), "10", "1000", "10000"],
                         capture_output=True, text=True, timeout=600).stdout.split("\n")
    figures = [line.split() for line in out if re.match(r"^\d+ ", line)]
    per = ["%s: %s ms" % (n, median) for n, median, _ in figures]
    last = float(figures[-1][1])
    row("runtime lookup, 10 / 1,000 / 10,000 versions (median ms)", "; ".join(per), "-",
        "%.1f us per version at 10,000" % (1000 * last / 10000), "linear; 10,000 < 50 ms")


def survey():
    out = subprocess.run(["taskset", "-c", "1", env.WINE, str(TESTS / "survey_bench.exe"), "0", "10000"],
                         capture_output=True, text=True, timeout=600).stdout.split("\n")
    figures = {line.split()[0]: line.split() for line in out if re.match(r"^\d+ ", line)}
    _, empty_ms, _, empty_heap = figures["0"]
    _, median_ms, _, heap = figures["10000"]
    row("survey of installed Java, 10,000 stale keys under one vendor's key (median ms; peak heap)",
        "%s ms; %d KB" % (median_ms, int(heap) // 1024), "%s ms; %d KB (no keys)" % (empty_ms, int(empty_heap) // 1024),
        "%+.1f ms" % (float(median_ms) - float(empty_ms)), "< 1000 ms; < 1 MB")


def size_and_imports():
    exe = BUILD / "Tessary.exe"
    resources = Path(os.environ["TESSARY_SOURCE_DIR"]) / "resources"
    parts = ", ".join("%s %d" % (name, (resources / name).stat().st_size)
                      for name in ("splash.gif", "tessary.ico", "tessary.manifest"))
    row("Tessary.exe size (bytes)", "%d" % exe.stat().st_size, "-", "resources: " + parts, "<= 360 KB")
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(exe)], capture_output=True, text=True).stdout
    dlls = re.findall(r"DLL Name: (\S+)", dump)
    row("imported DLLs", " ".join(dlls), "-", "%d, all system DLLs" % len(dlls), "system DLLs only")


def main():
    size_and_imports()
    lookup()
    survey()
    start_to_paint()
    timer_to_server()
    print("| figure | Tessary | baseline | result | goal |")
    print("|---|---|---|---|---|")
    for r in rows:
        print("| %s |" % " | ".join(r))


if __name__ == "__main__":
    main()
