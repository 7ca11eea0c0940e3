#!/usr/bin/env bash
# Builds everything and runs every test: the portable logic on Linux with sanitizers,
# then the Windows tests and the end-to-end runs of Tessary.exe under Wine and Xvfb.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh || exit 1

summary() {  # the counts from a ctest log
  sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -n 1
}

cmake --preset host >/dev/null && cmake --build --preset host || exit 1
ctest --preset host -j 2 2>&1 | tee build/host-tests.log

# Fuzzing, bounded: each target for a few seconds from its seed corpus (scripts/fuzz.sh runs longer).
bash scripts/fuzz.sh "${TESSARY_FUZZ_SECONDS:-15}" 2>&1 | tee build/fuzz-tests.log

# The product code once more with a second compiler, Clang with LLD, against the same mingw-w64
# headers and libraries: code that only GCC accepts fails here. That exe is not shipped.
if { cmake --preset windows-clang && cmake --build --preset windows-clang; } >build/clang-build.log 2>&1; then
  echo "clang: Tessary.exe built with Clang" | tee build/clang-tests.log
else
  tail -n 30 build/clang-build.log
  echo "clang: the build failed (log: build/clang-build.log)" | tee build/clang-tests.log
fi

cmake --preset windows >/dev/null && cmake --build --preset windows || exit 1

. scripts/wine-env.sh
trap tessary_stop_wine EXIT
tessary_start_xvfb || exit 1
echo "test: preparing a fresh Wine prefix"
tessary_make_prefix "$root/build/windows/wine-prefix"
tessary_start_wineserver
ctest --preset windows -j 2 2>&1 | tee build/windows-tests.log

failed=0
total=0
for log in build/host-tests.log build/windows-tests.log; do
  read -r f t <<<"$(summary "$log")"
  [ -n "${t:-}" ] || { f=1; t=1; echo "test: no summary in $log"; }
  failed=$((failed + f)); total=$((total + t))
done
fuzz_passed=$(grep -c ' exit 0$' build/fuzz-tests.log)
fuzz_targets=$(grep -c '^fuzz_' build/fuzz-tests.log)
[ "$fuzz_targets" -gt 0 ] || { fuzz_targets=1; echo "test: the fuzz targets did not run"; }
failed=$((failed + fuzz_targets - fuzz_passed)); total=$((total + fuzz_targets))
grep -q ' built with Clang$' build/clang-tests.log || failed=$((failed + 1))
total=$((total + 1))
echo "tests: $((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
