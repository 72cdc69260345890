// How the samples of one picture become bitmap bytes: each pixel's red,
// green and blue samples are written blue first and scaled to 0..255.
#pragma once

#include "platform.h"

class SampleConverter {
 public:
  explicit SampleConverter(DWORD maxValue);

  // Input bytes of one sample: 2 for a maximum from 256 to 65535, else 1.
  size_t SampleBytes() const { return SampleBytes_; }
  size_t PixelBytes() const { return 3 * SampleBytes_; }

  // Converts the given number of pixels from in to out (3 bytes each).
  void ConvertPixels(const BYTE* in, BYTE* out, size_t pixels) const;

 private:
  enum class Kind { Copy, ScaleBytes, ScaleWords };

  Kind Kind_;
  size_t SampleBytes_;
  DWORD MaxValue_;
  BYTE ByteTable_[256];
};
