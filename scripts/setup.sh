#!/usr/bin/env bash
# Installs every package the build, the tests, the real module's check and
# the benchmark need. Safe to run again: apt-get skips what is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang clang-format libclang-rt-14-dev
  libgtest-dev googletest libbenchmark-dev
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 g++-multilib qemu-user-static
  netpbm libnetpbm-dev libstb-dev gnuplot-nox
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
