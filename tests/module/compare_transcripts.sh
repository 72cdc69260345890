#!/usr/bin/env bash
# Runs the 32-bit host over the real module and the native build over its
# library, and fails on the first answer in which they differ.
#   compare_transcripts.sh EMULATOR HOST32_TRANSCRIPT MODULE NATIVE_TRANSCRIPT
set -euo pipefail
emulator=$1 host32=$2 module=$3 native=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$native" >"$work/native.txt"
"$emulator" "$host32" "$module" >"$work/module.txt"

if ! diff -u "$work/native.txt" "$work/module.txt" >"$work/diff.txt"; then
  head -40 "$work/diff.txt"
  echo "FAIL: the real module answers differently from the native build (- native, + module)" >&2
  exit 1
fi
tail -1 "$work/module.txt" | grep -qx "end of transcript"
echo "PASS: $(wc -l <"$work/module.txt") answers of the real module equal the native build's"
