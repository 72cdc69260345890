#!/usr/bin/env bash
# The main job in one command: installs what is missing, builds everything,
# then has the plug-in decode the sample picture that the repository ships
# into a BMP file, the way an image viewer would.
set -euo pipefail
cd "$(dirname "$0")/.."

sample=tools/samples/brindle.ppm
bitmap=build/brindle-sample.bmp

bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build

build/brindle info "$sample"
build/brindle decode "$sample" "$bitmap"
echo "The BMP went to $(realpath "$bitmap")"
