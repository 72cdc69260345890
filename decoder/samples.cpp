#include "samples.h"

namespace {

constexpr DWORD kOutputMax = 255;
constexpr DWORD kLargestByteMax = 255;
constexpr DWORD kLargestWordMax = 65535;
constexpr int kWordBits = 16;

// round(sample * 255 / maxValue), with samples above the maximum shown as full.
BYTE Scale(DWORD sample, DWORD maxValue) {
  if (sample >= maxValue) return kOutputMax;
  return static_cast<BYTE>((2 * sample * kOutputMax + maxValue) / (2 * maxValue));
}

void SwapPixels(const BYTE* in, BYTE* out, size_t pixels, const SampleScale&) {
  for (size_t i = 0; i < pixels; ++i, in += 3, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

void ScaleBytePixels(const BYTE* in, BYTE* out, size_t pixels, const SampleScale& scale) {
  const BYTE* table = scale.ByteTable;
  for (size_t i = 0; i < pixels; ++i, in += 3, out += 3) {
    out[0] = table[in[2]];
    out[1] = table[in[1]];
    out[2] = table[in[0]];
  }
}

DWORD WordAt(const BYTE* in) { return static_cast<DWORD>(in[0]) << 8 | in[1]; }

void ScaleWordPixels(const BYTE* in, BYTE* out, size_t pixels, const SampleScale& scale) {
  for (size_t i = 0; i < pixels; ++i, in += 6, out += 3) {
    out[0] = Scale(WordAt(in + 4), scale.MaxValue);
    out[1] = Scale(WordAt(in + 2), scale.MaxValue);
    out[2] = Scale(WordAt(in), scale.MaxValue);
  }
}

int BitWidth(DWORD value) {
  int bits = 0;
  for (; value != 0; value >>= 1) ++bits;
  return bits;
}

// Division of any 16-bit number by divisor as a multiply and two shifts
// (the round-up method for unsigned division by a constant).
void SetWordDivision(SampleScale& scale, DWORD divisor) {
  const int bits = BitWidth(divisor - 1);
  const uint64_t excess = (uint64_t{1} << bits) - divisor;
  scale.Multiplier = static_cast<WORD>((excess << kWordBits) / divisor + 1);
  scale.Shift1 = bits < 1 ? bits : 1;
  scale.Shift2 = bits > 1 ? bits - 1 : 0;
}

}  // namespace

const ConvertLoops kPortableLoops = {SwapPixels, ScaleBytePixels, ScaleWordPixels};

SampleConverter::SampleConverter(DWORD maxValue, Loops loops)
    : Scale_{maxValue, {}, 0, 0, 0}, SampleBytes_(1), Convert_(nullptr) {
  const ConvertLoops* vector = loops == Loops::Fastest ? VectorLoops() : nullptr;
  const ConvertLoops& chosen = vector != nullptr ? *vector : kPortableLoops;
  // A maximum of 0 or above 65535 is no valid PPM maximum: its bytes are taken as they are.
  if (maxValue == 0 || maxValue == kLargestByteMax || maxValue > kLargestWordMax) {
    Convert_ = chosen.Swap;
  } else if (maxValue > kLargestByteMax) {
    Convert_ = chosen.ScaleWords;
    SampleBytes_ = 2;
  } else {
    Convert_ = chosen.ScaleBytes;
    for (DWORD sample = 0; sample < 256; ++sample) {
      Scale_.ByteTable[sample] = Scale(sample, maxValue);
    }
    SetWordDivision(Scale_, maxValue);
  }
}
