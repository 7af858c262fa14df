#!/usr/bin/env bash
# Installs what is missing, builds everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, runs every test, then gives each fuzz target a
# short run over its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
python3 scripts/check-includes.py

jobs=$(nproc)
build=build-test
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKP_SANITIZE=ON -DKP_BENCH=ON
cmake --build "$build" -j"$jobs"

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest_log=$(mktemp)
ctest_status=0
# One test at a time: the Wine interop tests start real Wine sessions, and
# two of them at once on a busy machine have been seen to disturb each other.
ctest --test-dir "$build" --output-on-failure --timeout 600 2>&1 | tee "$ctest_log" || ctest_status=$?
summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$ctest_log" | tail -n 1)
rm -f "$ctest_log"

fuzz=build-fuzz
CXX=clang++ cmake -S . -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKP_FUZZ_ONLY=ON
cmake --build "$fuzz" -j"$jobs"
seconds=${KP_FUZZ_SECONDS:-20}
for target in "$fuzz"/tests/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target"); name=${name#fuzz_}
  corpus=tests/fuzz/corpus/$name
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  echo "fuzzing $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -print_final_stats=1 "$work" 2>&1 | tail -n 3
  rm -rf "$work"
done
echo "fuzz targets ran without a crash"

# One closing line for the whole run.
if [[ $summary =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
  failed=${BASH_REMATCH[1]}; total=${BASH_REMATCH[2]}
  echo "tests: $((total - failed)) passed, $failed failed"
fi
exit "$ctest_status"
