#include "ppm_file.h"

#include <cstring>

#include "samples.h"

namespace {

constexpr BYTE kFirstTextByte = 0x20;  // bytes below it are control bytes and end a line
constexpr char kBlank = ' ';
constexpr char kCommentMark = '#';

// ReadLine counts and the lengths a header line must have.
constexpr int32_t kLineBufferSize = 64;
constexpr int32_t kDimensionsLineCount = 32;
constexpr int32_t kShortestDimensionsLine = 3;
constexpr int32_t kLongestDimensionsLine = 24;
constexpr int32_t kMaxValueLineCount = 16;
constexpr int32_t kShortestMaxValueLine = 1;
constexpr int32_t kLongestMaxValueLine = 12;

// Width x Height x 3 must stay below this, so every bitmap size fits in 32 bits.
constexpr uint64_t kImageSizeLimit = 0x0C000000;
constexpr uint64_t kMostPixels = (kImageSizeLimit - 1) / 3;

// Past this, ten times the accumulator no longer fits in 64 bits.
constexpr uint64_t kLargestSafeAccumulator = 1844674407370955161u;
constexpr DWORD kOverflowValue = 0xFFFFFFFF;

constexpr WORD kPlanes = 1;
constexpr WORD kBitsPerPixel = 24;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsSign(char c) { return c == '+' || c == '-'; }

// Reads one header number from a line: blanks, one optional sign directly in
// front of the digits, then the digits; the value wraps modulo 2^32. Moves
// text past what it read. False when no digit is there.
bool ReadNumber(const char*& text, DWORD& value) {
  while (*text == kBlank) ++text;
  const bool negative = *text == '-';
  if (IsSign(*text) && IsDigit(text[1])) ++text;
  if (!IsDigit(*text)) return false;
  uint64_t accumulator = 0;
  while (IsDigit(*text)) {
    const unsigned digit = static_cast<unsigned>(*text++ - '0');
    if (accumulator > kLargestSafeAccumulator) {
      value = negative ? 0 : kOverflowValue;  // the digits after this one stay in the line
      return true;
    }
    accumulator = accumulator * 10 + digit;
  }
  value = static_cast<DWORD>(accumulator);
  if (negative) value = 0u - value;
  return true;
}

void PutWord(BYTE* at, WORD value) {
  at[0] = static_cast<BYTE>(value);
  at[1] = static_cast<BYTE>(value >> 8);
}

void PutDword(BYTE* at, DWORD value) {
  PutWord(at, static_cast<WORD>(value));
  PutWord(at + 2, static_cast<WORD>(value >> 16));
}

}  // namespace

TPPMFile::TPPMFile(const BYTE* data, size_t size) : Data(data), End(data + size), Cursor(data) {}

// Bytes at or past the end read as zero, which is a control byte; the
// cursor stops there, since every further byte reads the same.
BYTE TPPMFile::NextByte() { return Cursor < End ? *Cursor++ : 0; }

int32_t TPPMFile::ReadLine(char* destination, int32_t count) {
  int32_t stored = 0;
  while (stored < count - 1) {
    const BYTE byte = NextByte();
    if (byte < kFirstTextByte) break;  // the line end is consumed, not stored
    destination[stored++] = static_cast<char>(byte);
  }
  destination[stored] = '\0';
  return stored;
}

bool TPPMFile::ReadHeader() {
  if (NextByte() != 'P' || NextByte() != '6' || NextByte() != '\n') return false;

  Comment[0] = '\0';
  if (Cursor < End && *Cursor == kCommentMark) {
    NextByte();
    ReadLine(Comment, kCommentSize);
  }

  char line[kLineBufferSize];
  const int32_t dimensionsLength = ReadLine(line, kDimensionsLineCount);
  if (dimensionsLength < kShortestDimensionsLine || dimensionsLength > kLongestDimensionsLine) {
    return false;
  }
  const char* text = line;
  if (!ReadNumber(text, Width) || !ReadNumber(text, Height)) return false;
  const uint64_t pixels = static_cast<uint64_t>(Width) * Height;

  const int32_t maxValueLength = ReadLine(line, kMaxValueLineCount);
  if (pixels == 0 || pixels > kMostPixels) return false;
  ImageSize = static_cast<DWORD>(pixels * 3);
  if (maxValueLength < kShortestMaxValueLine || maxValueLength > kLongestMaxValueLine) {
    return false;
  }
  text = line;
  return ReadNumber(text, MaxValue);
}

bool TPPMFile::MakeBitmap() {
  const DWORD rowStride = Width * 3 + Width % 4;
  const DWORD imageBytes = rowStride * Height;

  hBits = GlobalAlloc(GMEM_MOVEABLE, imageBytes);
  hInfo = hBits != nullptr ? GlobalAlloc(GMEM_MOVEABLE, kBitmapHeaderBlockSize) : nullptr;
  OutCursor = hInfo != nullptr ? static_cast<BYTE*>(GlobalLock(hBits)) : nullptr;
  BYTE* header = OutCursor != nullptr ? static_cast<BYTE*>(GlobalLock(hInfo)) : nullptr;
  if (header == nullptr) {
    // No partly built bitmap may reach the host.
    if (OutCursor != nullptr) GlobalUnlock(hBits);
    if (hInfo != nullptr) GlobalFree(hInfo);
    if (hBits != nullptr) GlobalFree(hBits);
    hInfo = hBits = nullptr;
    return false;
  }

  WriteBitmapHeader(header, imageBytes);
  WritePixelRows();
  GlobalUnlock(hInfo);
  GlobalUnlock(hBits);
  return true;
}

void TPPMFile::WriteBitmapHeader(BYTE* header, DWORD imageBytes) const {
  std::memset(header, 0, kBitmapHeaderSize);
  PutDword(header + 0, kBitmapHeaderSize);
  PutDword(header + 4, Width);
  PutDword(header + 8, Height);  // positive: rows run bottom-up
  PutWord(header + 12, kPlanes);
  PutWord(header + 14, kBitsPerPixel);
  PutDword(header + 20, imageBytes);  // compression 0 (none) and the rest stay zero
}

// Bottom row first; padding bytes are zero.
void TPPMFile::WritePixelRows() {
  const SampleConverter samples(MaxValue);
  const size_t rowBytes = Width * samples.PixelBytes();
  const size_t available = static_cast<size_t>(End - Cursor);
  const size_t padding = Width % 4;

  for (DWORD row = Height; row-- > 0;) {
    const size_t rowStart = row * rowBytes;
    if (rowBytes <= available && rowStart <= available - rowBytes) {
      samples.ConvertPixels(Cursor + rowStart, OutCursor, Width);
      OutCursor += 3 * Width;
    } else if (rowStart < available) {
      WriteShortRow(samples, Cursor + rowStart, available - rowStart);
    } else {
      WriteShortRow(samples, Cursor, 0);
    }
    std::memset(OutCursor, 0, padding);
    OutCursor += padding;
  }
}

// A row that the input ends in or before: its missing samples read as zero,
// which is a zero byte in the bitmap whatever the maximum.
void TPPMFile::WriteShortRow(const SampleConverter& samples, const BYTE* in, size_t inBytes) {
  const size_t pixelBytes = samples.PixelBytes();
  const size_t wholePixels = inBytes / pixelBytes;
  samples.ConvertPixels(in, OutCursor, wholePixels);
  OutCursor += 3 * wholePixels;

  BYTE lastPixel[kLargestPixelBytes] = {};
  std::memcpy(lastPixel, in + wholePixels * pixelBytes, inBytes % pixelBytes);
  samples.ConvertPixels(lastPixel, OutCursor, 1);
  const size_t missing = 3 * (Width - wholePixels - 1);
  std::memset(OutCursor + 3, 0, missing);
  OutCursor += 3 + missing;
}
