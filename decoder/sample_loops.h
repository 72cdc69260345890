// The loops behind SampleConverter. Each converts whole pixels from in to
// out, writing every pixel's three samples in reverse order (blue first).
// The portable loops serve every build; vector loops take over where the
// processor has them and hand their last few pixels to the portable ones.
#pragma once

#include "platform.h"

// What converting one picture's samples needs, worked out once per picture.
struct SampleScale {
  DWORD MaxValue;
  // One-byte samples: the bitmap byte for every sample value.
  BYTE ByteTable[256];
  // One-byte samples in 16-bit lanes: floor(n / MaxValue) for any 16-bit n
  // is (t + ((n - t) >> Shift1)) >> Shift2 with t = (n * Multiplier) >> 16.
  WORD Multiplier;
  int Shift1;
  int Shift2;
};

using ConvertLoop = void (*)(const BYTE* in, BYTE* out, size_t pixels, const SampleScale& scale);

struct ConvertLoops {
  ConvertLoop Swap;        // samples taken unchanged
  ConvertLoop ScaleBytes;  // one-byte samples, maximum 1 to 254
  ConvertLoop ScaleWords;  // two-byte big-endian samples, maximum 256 to 65535
};

extern const ConvertLoops kPortableLoops;

// The vector loops this processor runs, or null where it has none.
const ConvertLoops* VectorLoops();
