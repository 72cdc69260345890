// Heap bytes in use and their peak, counted by allocation entry points of
// the benchmark's own that count and then pass on to the C library's.
#pragma once

#include <cstdint>

int64_t HeapBytesInUse();

// The peak from now on starts at the bytes in use now.
void ResetHeapPeak();
int64_t HeapPeak();
