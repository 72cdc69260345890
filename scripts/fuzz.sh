#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UBSan) in
# build-fuzz and runs each from the generated seed corpus for a bounded time.
# Prints one line per target: runs, seconds, crashes. A crash stops the
# script and leaves its input in build-fuzz/crashes/.
#   scripts/fuzz.sh                  25 seconds per target (what CI runs)
#   scripts/fuzz.sh --long SECONDS   longer runs, e.g. --long 3600
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=25
if [[ ${1:-} == --long ]]; then
  seconds=${2:?usage: scripts/fuzz.sh [--long SECONDS]}
fi

targets=(header_reader memory_input file_input differential)
build=build-fuzz
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DBRINDLE_FUZZ=ON \
  -DBRINDLE_SANITIZERS="address;undefined" >/dev/null
cmake --build "$build" --target brindle_fuzz_seeds "${targets[@]/#/fuzz_}"

rm -rf "$build/seeds"
"$build/tests/fuzz/brindle_fuzz_seeds" "$build/seeds"
mkdir -p "$build/crashes"

for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  log=$build/$target.log
  mkdir -p "$corpus"
  if ! "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -dict=tests/fuzz/ppm.dict \
    -artifact_prefix="$build/crashes/$target-" "$corpus" "$build/seeds/$target" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz_$target: crashed, input in $build/crashes/" >&2
    exit 1
  fi
  sed -n "s/^Done \([0-9]*\) runs in \([0-9]*\) second.*/fuzz_$target: \1 runs in \2 s, 0 crashes/p" "$log"
done
