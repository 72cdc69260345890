// The memory paths that both input kinds end in: bytes already in memory,
// with where they end.
#pragma once

#include "brindle.h"

// 0 with the record filled, or 2 with it untouched.
int32_t PictureInfoFromData(const BYTE* bytes, size_t size, PictureInfoRecord* info);

// 0 with both handle variables written, 2 for a header not accepted, 4 when
// the bitmap's blocks cannot be had; on failure neither variable is touched.
int32_t PictureFromData(const BYTE* bytes, size_t size, HGLOBAL* infoHandle, HGLOBAL* bitsHandle);
