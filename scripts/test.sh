#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: the native build,
# the real Windows module run by a 32-bit host, and the native build again
# under AddressSanitizer with UndefinedBehaviorSanitizer and under
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# Every source keeps the repository's format.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

run_suite() {  # build directory, then extra CMake arguments
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
  ctest --test-dir "$dir" --output-on-failure -j2
}

run_suite build
# The real module: cross-built and its PE layout checked, then loaded by our
# 32-bit host under qemu-i386-static, whose answers must equal build's.
run_suite build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
run_suite build-host32 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i386.cmake
run_suite build-asan -DBRINDLE_SANITIZERS="address;undefined"
run_suite build-tsan -DBRINDLE_SANITIZERS=thread
bash scripts/fuzz.sh  # each fuzz target for 25 s; --long SECONDS for more
