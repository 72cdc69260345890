// How the samples of one picture become bitmap bytes: each pixel's red,
// green and blue samples are written blue first and scaled to 0..255.
#pragma once

#include "platform.h"
#include "sample_loops.h"

// Two-byte samples make the widest input pixel.
constexpr size_t kLargestPixelBytes = 6;

class SampleConverter {
 public:
  // Fastest: vector loops where the processor has them, else the portable
  // ones. Portable: the portable loops alone, which tests hold the others to.
  enum class Loops { Fastest, Portable };

  explicit SampleConverter(DWORD maxValue, Loops loops = Loops::Fastest);

  // Input bytes of one sample: 2 for a maximum from 256 to 65535, else 1.
  size_t SampleBytes() const { return SampleBytes_; }
  size_t PixelBytes() const { return 3 * SampleBytes_; }

  // Converts the given number of pixels from in to out (3 bytes each).
  void ConvertPixels(const BYTE* in, BYTE* out, size_t pixels) const {
    Convert_(in, out, pixels, Scale_);
  }

 private:
  SampleScale Scale_;
  size_t SampleBytes_;
  ConvertLoop Convert_;
};
