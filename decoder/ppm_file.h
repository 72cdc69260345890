// TPPMFile: one binary PPM picture read from bytes in memory. It reads the
// header and builds a 24-bit bottom-up bitmap from the pixel data behind it.
#pragma once

#include "platform.h"

class SampleConverter;

// Every byte the header reader may look at lies within this many input bytes.
constexpr size_t kHeaderReach = 1067;
constexpr size_t kCommentSize = 1024;
// The bitmap header is a 40-byte BITMAPINFOHEADER plus room for one colour entry.
constexpr size_t kBitmapHeaderSize = 40;
constexpr size_t kBitmapHeaderBlockSize = 44;

class TPPMFile {
 public:
  // The input is the size bytes from data on; bytes at or past its end are
  // never fetched and read as zero.
  TPPMFile(const BYTE* data, size_t size);

  // True when the input begins with an accepted header; Cursor then stands
  // on the first pixel byte.
  bool ReadHeader();

  // Places the header block and the pixel block and fills them, leaving both
  // unlocked in hInfo and hBits. False when a block cannot be placed or
  // locked; nothing stays placed then. Only after ReadHeader returned true.
  bool MakeBitmap();

  const BYTE* const Data;
  const BYTE* const End;
  const BYTE* Cursor;
  BYTE* OutCursor = nullptr;
  char Comment[kCommentSize] = {};
  DWORD Width = 0;
  DWORD Height = 0;
  DWORD MaxValue = 0;
  DWORD ImageSize = 0;
  HGLOBAL hBits = nullptr;
  HGLOBAL hInfo = nullptr;

 private:
  int32_t ReadLine(char* destination, int32_t count);
  BYTE NextByte();
  void WriteBitmapHeader(BYTE* header, DWORD imageBytes) const;
  void WritePixelRows();
  void WriteShortRow(const SampleConverter& samples, const BYTE* in, size_t inBytes);
};
