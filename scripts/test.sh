#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native build,
# the same under AddressSanitizer with UndefinedBehaviorSanitizer and under
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

run_suite() {  # build directory, then extra CMake arguments
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
  ctest --test-dir "$dir" --output-on-failure -j2
}

run_suite build
run_suite build-asan -DBRINDLE_SANITIZERS="address;undefined"
run_suite build-tsan -DBRINDLE_SANITIZERS=thread
bash scripts/fuzz.sh  # each fuzz target for 25 s; --long SECONDS for more
