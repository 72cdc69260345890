#include "samples.h"

namespace {

constexpr DWORD kOutputMax = 255;
constexpr DWORD kLargestByteMax = 255;
constexpr DWORD kLargestWordMax = 65535;

// round(sample * 255 / maxValue), with samples above the maximum shown as full.
BYTE Scale(DWORD sample, DWORD maxValue) {
  if (sample >= maxValue) return kOutputMax;
  return static_cast<BYTE>((2 * sample * kOutputMax + maxValue) / (2 * maxValue));
}

void SwapPixels(const BYTE* in, BYTE* out, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i, in += 3, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

void ScaleBytePixels(const BYTE* in, BYTE* out, size_t pixels, const BYTE* table) {
  for (size_t i = 0; i < pixels; ++i, in += 3, out += 3) {
    out[0] = table[in[2]];
    out[1] = table[in[1]];
    out[2] = table[in[0]];
  }
}

DWORD WordAt(const BYTE* in) { return static_cast<DWORD>(in[0]) << 8 | in[1]; }

void ScaleWordPixels(const BYTE* in, BYTE* out, size_t pixels, DWORD maxValue) {
  for (size_t i = 0; i < pixels; ++i, in += 6, out += 3) {
    out[0] = Scale(WordAt(in + 4), maxValue);
    out[1] = Scale(WordAt(in + 2), maxValue);
    out[2] = Scale(WordAt(in), maxValue);
  }
}

}  // namespace

SampleConverter::SampleConverter(DWORD maxValue)
    : Kind_(Kind::Copy), SampleBytes_(1), MaxValue_(maxValue), ByteTable_() {
  // A maximum of 0 or above 65535 is no valid PPM maximum: its bytes are taken as they are.
  if (maxValue == 0 || maxValue == kLargestByteMax || maxValue > kLargestWordMax) return;
  if (maxValue > kLargestByteMax) {
    Kind_ = Kind::ScaleWords;
    SampleBytes_ = 2;
    return;
  }
  Kind_ = Kind::ScaleBytes;
  for (DWORD sample = 0; sample < 256; ++sample) ByteTable_[sample] = Scale(sample, maxValue);
}

void SampleConverter::ConvertPixels(const BYTE* in, BYTE* out, size_t pixels) const {
  switch (Kind_) {
    case Kind::Copy:
      SwapPixels(in, out, pixels);
      break;
    case Kind::ScaleBytes:
      ScaleBytePixels(in, out, pixels, ByteTable_);
      break;
    case Kind::ScaleWords:
      ScaleWordPixels(in, out, pixels, MaxValue_);
      break;
  }
}
