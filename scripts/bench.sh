#!/usr/bin/env bash
# Runs the speed benchmark (bench/) on the native build and writes its
# table to docs/benchmark.md and its chart to docs/benchmark.png. Not part of
# the tests; it takes a few minutes. Extra arguments go to the benchmark,
# e.g. --benchmark_filter=1920x1080.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target brindle_bench

chart_data=$(mktemp)
trap 'rm -f "$chart_data"' EXIT
mkdir -p docs
build/brindle_bench --markdown=docs/benchmark.md --chart-data="$chart_data" "$@"
gnuplot -e "data='$chart_data'; output='docs/benchmark.png'" bench/chart.gnuplot
echo "wrote docs/benchmark.md and docs/benchmark.png"
