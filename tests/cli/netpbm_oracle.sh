#!/usr/bin/env bash
# Decodes a corpus of generated PPM pictures with brindle and compares every
# pixel, read back from the BMP with bmptopnm, with netpbm's own 8-bit version
# of the same picture (pamdepth 255, which scales as the format defines).
# Every other picture goes through the memory input, the rest by file name.
# Usage: netpbm_oracle.sh BRINDLE PPM_CORPUS WORK_DIRECTORY
set -euo pipefail

brindle=$1
corpus_tool=$2
work=$3
shown_differences=4

for tool in pamdepth bmptopnm; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh (netpbm)"; exit 1; }
done

rm -rf "$work"
mkdir -p "$work"
"$corpus_tool" "$work" >"$work/manifest"

# Names the first differing samples with the picture's own sample value.
explain() {  # name width height maxval raster_offset
  local name=$1 width=$2 height=$3 maxval=$4 raster=$5
  local header="P6"$'\n'"$width $height"$'\n'"255"$'\n'
  local sample_bytes=1 channels=(red green blue)
  ((maxval > 255)) && sample_bytes=2
  cmp -l "$work/$name.expected.ppm" "$work/$name.decoded.ppm" >"$work/$name.differences" || true
  head -n "$shown_differences" "$work/$name.differences" |
    while read -r position expected decoded; do
      local s=$((position - 1 - ${#header}))
      local original
      original=$(od -An -tu1 -j $((raster + s * sample_bytes)) -N "$sample_bytes" "$work/$name.ppm" |
        awk '{ v = 0; for (i = 1; i <= NF; i++) v = v * 256 + $i; print v }')
      echo "  pixel ($((s / 3 % width)), $((s / 3 / width))) ${channels[s % 3]}:" \
        "sample $original of $maxval, pamdepth $((8#$expected)), brindle $((8#$decoded))"
    done
}

passed=0
failed=0
index=0
while read -r name width height maxval raster; do
  form=()
  ((index++ % 2)) && form=(--memory)
  pamdepth 255 "$work/$name.ppm" >"$work/$name.expected.ppm"
  if ! "$brindle" decode "${form[@]}" "$work/$name.ppm" "$work/$name.bmp"; then
    echo "FAIL $name: brindle decode ${form[*]} failed"
    failed=$((failed + 1))
    continue
  fi
  if ! bmptopnm "$work/$name.bmp" >"$work/$name.decoded.ppm" 2>"$work/$name.bmptopnm"; then
    echo "FAIL $name: bmptopnm cannot read the BMP: $(tail -n 1 "$work/$name.bmptopnm")"
    failed=$((failed + 1))
    continue
  fi
  if cmp -s "$work/$name.expected.ppm" "$work/$name.decoded.ppm"; then
    passed=$((passed + 1))
  else
    echo "FAIL $name ($width x $height, maximum $maxval${form:+, ${form[*]}}): pixels differ"
    explain "$name" "$width" "$height" "$maxval" "$raster"
    failed=$((failed + 1))
  fi
done <"$work/manifest"

echo "$passed passed, $failed failed"
((failed == 0 && passed > 0))
