#include "bmp_file.h"

#include <array>

namespace {

constexpr BYTE kMagic[] = {'B', 'M'};
constexpr uint32_t kPixelsOffset = kBmpFileHeaderSize + kBmpInfoHeaderSize;
constexpr uint64_t kLargestFile = UINT32_MAX;

// Offsets of the bitmap header's fields.
constexpr size_t kHeaderSizeAt = 0;
constexpr size_t kWidthAt = 4;
constexpr size_t kHeightAt = 8;
constexpr size_t kPlanesAt = 12;
constexpr size_t kBitCountAt = 14;
constexpr size_t kCompressionAt = 16;
constexpr size_t kImageSizeAt = 20;

constexpr uint32_t kPlanes = 1;
constexpr uint32_t kBitCount = 24;
constexpr uint32_t kUncompressed = 0;
constexpr uint64_t kRowAlignment = 4;

uint32_t Read16(const BYTE* at) { return at[0] | static_cast<uint32_t>(at[1]) << 8; }

uint32_t Read32(const BYTE* at) { return Read16(at) | Read16(at + 2) << 16; }

void Write32(BYTE* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(value >> (8 * i));
}

int32_t ReadSigned32(const BYTE* at) { return static_cast<int32_t>(Read32(at)); }

// Rows of three bytes a pixel, each padded to a multiple of four bytes.
uint64_t RowsSize(uint64_t width, uint64_t height) {
  const uint64_t stride = (width * 3 + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
  return stride * height;
}

std::array<BYTE, kBmpFileHeaderSize> FileHeader(uint32_t pixelBytes) {
  std::array<BYTE, kBmpFileHeaderSize> header = {kMagic[0], kMagic[1]};
  Write32(&header[2], kPixelsOffset + pixelBytes);
  Write32(&header[10], kPixelsOffset);  // bytes 6 to 9 are reserved and stay 0
  return header;
}

}  // namespace

uint32_t BmpPixelBytes(const BYTE* infoHeader) {
  const int32_t width = ReadSigned32(infoHeader + kWidthAt);
  const int32_t height = ReadSigned32(infoHeader + kHeightAt);
  const bool wellFormed = Read32(infoHeader + kHeaderSizeAt) == kBmpInfoHeaderSize && width > 0 &&
                          height > 0 && Read16(infoHeader + kPlanesAt) == kPlanes &&
                          Read16(infoHeader + kBitCountAt) == kBitCount &&
                          Read32(infoHeader + kCompressionAt) == kUncompressed;
  if (!wellFormed) return 0;
  const uint64_t size = RowsSize(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
  if (size > kLargestFile - kPixelsOffset || size != Read32(infoHeader + kImageSizeAt)) return 0;
  return static_cast<uint32_t>(size);
}

bool WriteBmpFile(const std::string& path, const BYTE* infoHeader, ByteSpan pixels,
                  std::string& problem) {
  const auto fileHeader = FileHeader(static_cast<uint32_t>(pixels.size));
  return ReplaceFile(
      path, {{fileHeader.data(), fileHeader.size()}, {infoHeader, kBmpInfoHeaderSize}, pixels},
      problem);
}
