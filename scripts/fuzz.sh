#!/usr/bin/env bash
# Builds the libFuzzer targets of the portable logic with Clang and runs each one for
# SECONDS (default 20) on a copy of its seed corpus. Prints one line per target and exits
# non-zero when a target found a crash or a broken invariant; the fuzzers' own output and
# any crashing inputs stay in build/fuzz/.
#   bash scripts/fuzz.sh [SECONDS]
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
[[ "$seconds" =~ ^[0-9]+$ ]] || { echo "usage: bash scripts/fuzz.sh [SECONDS]" >&2; exit 2; }
targets=(fuzz_java_survey fuzz_registry_decode fuzz_version_prefix fuzz_server_command_line fuzz_server_stopped)
out=build/fuzz

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
missing=()
for package in clang-14 libclang-rt-14-dev cmake ninja-build; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "fuzz: installing ${missing[*]}"
  as_root apt-get update -q >/dev/null
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null ||
    exit 1
fi

mkdir -p "$out"
if ! { cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 -DTESSARY_FUZZ=ON -DTESSARY_TESTS=OFF &&
       cmake --build "$out" --target "${targets[@]}"; } >"$out/build.log" 2>&1; then
  tail -n 30 "$out/build.log"
  echo "fuzz: build failed (log: $out/build.log)" >&2
  exit 1
fi

failed=0
for target in "${targets[@]}"; do
  work="$out/corpus/$target"
  rm -rf "$work" && mkdir -p "$work" "$out/crashes"
  cp tests/fuzz/corpus/"$target"/* "$work"/
  log="$out/$target.log"
  "$out/tests/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$out/crashes/$target-" "$work" >"$log" 2>&1
  status=$?
  executions=$(sed -n 's/^stat::number_of_executed_units: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  # A run cut short by a crash prints no final stats: its last status line says how far it got.
  [ -n "$executions" ] || executions=$(sed -n 's/^#\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
  printf '%-26s executions %-10s cov %-5s exit %s\n' "$target" "${executions:-?}" "${coverage:-?}" "$status"
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "  see $log and $out/crashes/" >&2
  fi
done
exit "$failed"
