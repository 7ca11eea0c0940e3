#!/usr/bin/env bash
# Builds Tessary.exe and runs it once on a throwaway Windows folder layout under Wine.
#   scripts/demo.sh            on a private virtual display (Xvfb)
#   scripts/demo.sh --display  on your own X display ($DISPLAY), to watch the splash live
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1
{ cmake --preset windows && cmake --build --preset windows --target Tessary fake_java watch_launcher; } \
  >build-demo.log 2>&1 || { cat build-demo.log; exit 1; }
rm -f build-demo.log

. scripts/wine-env.sh
trap tessary_stop_wine EXIT
if [ "${1:-}" = "--display" ]; then
  [ -n "${DISPLAY:-}" ] || { echo "demo: --display needs DISPLAY to be set" >&2; exit 2; }
else
  tessary_start_xvfb || exit 1
fi
echo "demo: preparing a Windows folder layout in a fresh Wine prefix (about half a minute)"
tessary_make_prefix "$root/build/demo/wine-prefix"
tessary_start_wineserver

export TESSARY_EXE="$root/build/windows/Tessary.exe"
export FAKE_JAVA_EXE="$root/build/windows/tests/fake_java.exe"
export WATCHER_EXE="$root/build/windows/tests/watch_launcher.exe"
export TESSARY_DEMO_OUT="$root/build/demo"
python3 scripts/demo.py
