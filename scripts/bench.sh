#!/usr/bin/env bash
# Prints the benchmark figures of Tessary.exe under Wine, each beside a baseline program
# measured in the same run. TESSARY_BENCH_RUNS sets the runs per figure (default 5).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1
{ cmake --preset windows && cmake --build --preset windows; } >build-bench.log 2>&1 || { cat build-bench.log; exit 1; }
rm -f build-bench.log

. scripts/wine-env.sh
trap tessary_stop_wine EXIT
tessary_start_xvfb || exit 1
tessary_make_prefix "$root/build/bench/wine-prefix"
tessary_start_wineserver

export TESSARY_BUILD="$root/build/windows" TESSARY_SOURCE_DIR="$root"
export TESSARY_EXE="$root/build/windows/Tessary.exe"
export FAKE_JAVA_EXE="$root/build/windows/tests/fake_java.exe"
export WATCHER_EXE="$root/build/windows/tests/watch_launcher.exe"
echo "benchmark: $(date -u +%Y-%m-%d), ${TESSARY_BENCH_RUNS:-5} runs per figure, medians"
python3 scripts/bench.py
