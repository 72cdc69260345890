#include "contenders.h"

#include <fcntl.h>
#include <stb_image.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "brindle.h"

extern "C" {
#include <ppm.h>
}

namespace {

constexpr unsigned kLargestByteMax = 255;
constexpr int kRgb = 3;

BYTE* FreshBitmap(const PictureShape& shape) {
  return static_cast<BYTE*>(std::malloc(BitmapBytes(shape)));
}

// The bitmap byte of a sample: round(sample * 255 / max), full above max.
class SampleScale {
 public:
  explicit SampleScale(unsigned maxValue) : MaxValue_(maxValue), Table_(maxValue + 1) {
    for (unsigned sample = 0; sample <= maxValue; ++sample) {
      Table_[sample] =
          static_cast<BYTE>((2 * sample * kLargestByteMax + maxValue) / (2 * maxValue));
    }
  }

  BYTE operator()(unsigned sample) const {
    return sample > MaxValue_ ? kLargestByteMax : Table_[sample];
  }

 private:
  unsigned MaxValue_;
  std::vector<BYTE> Table_;
};

// Row `row` of the picture, counted from the top, into its place in the
// bottom-up bitmap; sampleAt(x, c) gives pixel x's byte for channel c.
template <typename SampleAt>
void WriteBitmapRow(const PictureShape& shape, unsigned row, SampleAt sampleAt, BYTE* bitmap) {
  BYTE* out = bitmap + (shape.Height - 1 - row) * BitmapRowStride(shape);
  for (unsigned x = 0; x < shape.Width; ++x, out += 3) {
    out[0] = sampleAt(x, 2);
    out[1] = sampleAt(x, 1);
    out[2] = sampleAt(x, 0);
  }
  std::memset(out, 0, BitmapRowStride(shape) - 3 * size_t{shape.Width});
}

template <typename Sample, typename ToByte>
void WriteBitmap(const PictureShape& shape, const Sample* rgb, ToByte toByte, BYTE* bitmap) {
  for (unsigned row = 0; row < shape.Height; ++row) {
    const Sample* in = rgb + size_t{row} * shape.Width * kRgb;
    WriteBitmapRow(
        shape, row, [&](unsigned x, int c) { return toByte(in[x * kRgb + c]); }, bitmap);
  }
}

}  // namespace

BenchPicture::BenchPicture(const PictureShape& shape)
    : Shape(shape),
      File(PpmFile(shape)),
      HeaderBytes(File.size() - PixelDataBytes(shape)),
      Stored(File) {}

Decoded::~Decoded() {
  std::free(Heap_);
  if (Info_ != nullptr) GlobalFree(Info_);
  if (Bits_ != nullptr) GlobalFree(Bits_);
}

Decoded::Decoded(Decoded&& other) noexcept
    : Heap_(other.Heap_), Info_(other.Info_), Bits_(other.Bits_) {
  other.Heap_ = nullptr;
  other.Info_ = other.Bits_ = nullptr;
}

std::string Decoded::Pixels(size_t bytes) const {
  if (Heap_ != nullptr) return std::string(reinterpret_cast<const char*>(Heap_), bytes);
  if (Bits_ == nullptr) return std::string();
  const char* locked = static_cast<const char*>(GlobalLock(Bits_));
  std::string copy(locked, bytes);
  GlobalUnlock(Bits_);
  return copy;
}

Decoded GetPictureFromMemory(const BenchPicture& picture) {
  HGLOBAL info = nullptr;
  HGLOBAL bits = nullptr;
  GetPicture(picture.File.data(), static_cast<LONG>(picture.File.size()), kInputMemory, &info,
             &bits, 0, 0);
  return Decoded(info, bits);
}

Decoded GetPictureFromFile(const BenchPicture& picture) {
  HGLOBAL info = nullptr;
  HGLOBAL bits = nullptr;
  GetPicture(picture.Stored.Path(), 0, kInputFile, &info, &bits, 0, 0);
  return Decoded(info, bits);
}

namespace {

Decoded CopyPixelBytesFrom(const BYTE* pixels, const PictureShape& shape) {
  BYTE* bitmap = FreshBitmap(shape);
  std::memcpy(bitmap, pixels, std::min(PixelDataBytes(shape), BitmapBytes(shape)));
  return Decoded(bitmap);
}

BYTE* ReadWholeFile(const char* path, size_t* size) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error(std::string("cannot open ") + path);
  *size = static_cast<size_t>(lseek(fd, 0, SEEK_END));
  lseek(fd, 0, SEEK_SET);
  BYTE* bytes = static_cast<BYTE*>(std::malloc(*size));
  size_t done = 0;
  while (done < *size) {
    const ssize_t n = read(fd, bytes + done, *size - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  return bytes;
}

}  // namespace

Decoded CopyPixelBytes(const BenchPicture& picture) {
  return CopyPixelBytesFrom(
      reinterpret_cast<const BYTE*>(picture.File.data()) + picture.HeaderBytes, picture.Shape);
}

Decoded ReadFileThenCopy(const BenchPicture& picture) {
  size_t size = 0;
  BYTE* file = ReadWholeFile(picture.Stored.Path(), &size);
  Decoded copy = CopyPixelBytesFrom(file + picture.HeaderBytes, picture.Shape);
  std::free(file);
  return copy;
}

Decoded StbImageFromMemory(const BenchPicture& picture) {
  const PictureShape& shape = picture.Shape;
  const auto* file = reinterpret_cast<const stbi_uc*>(picture.File.data());
  const int size = static_cast<int>(picture.File.size());
  int width = 0;
  int height = 0;
  int channels = 0;
  BYTE* bitmap = FreshBitmap(shape);
  if (shape.MaxValue > kLargestByteMax) {
    stbi_us* rgb = stbi_load_16_from_memory(file, size, &width, &height, &channels, kRgb);
    // This version hands two-byte samples over with their bytes swapped and
    // does not apply the maximum.
    const SampleScale scale(shape.MaxValue);
    WriteBitmap(
        shape, rgb, [&](stbi_us s) { return scale((s & 0xFF) << 8 | s >> 8); }, bitmap);
    stbi_image_free(rgb);
  } else {
    stbi_uc* rgb = stbi_load_from_memory(file, size, &width, &height, &channels, kRgb);
    if (shape.MaxValue == kLargestByteMax) {
      WriteBitmap(
          shape, rgb, [](stbi_uc s) { return s; }, bitmap);
    } else {
      const SampleScale scale(shape.MaxValue);  // this version does not apply the maximum
      WriteBitmap(
          shape, rgb, [&](stbi_uc s) { return scale(s); }, bitmap);
    }
    stbi_image_free(rgb);
  }
  return Decoded(bitmap);
}

Decoded NetpbmFromMemory(const BenchPicture& picture) {
  const PictureShape& shape = picture.Shape;
  FILE* file = fmemopen(const_cast<char*>(picture.File.data()), picture.File.size(), "rb");
  int columns = 0;
  int rows = 0;
  int format = 0;
  pixval maxValue = 0;
  ppm_readppminit(file, &columns, &rows, &maxValue, &format);
  pixel* row = ppm_allocrow(columns);
  BYTE* bitmap = FreshBitmap(shape);
  const SampleScale scale(maxValue);
  for (int r = 0; r < rows; ++r) {
    ppm_readppmrow(file, row, columns, maxValue, format);
    const auto sampleAt = [&](unsigned x, int c) {
      const pixval sample = c == 0   ? PPM_GETR(row[x])
                            : c == 1 ? PPM_GETG(row[x])
                                     : PPM_GETB(row[x]);
      return maxValue == kLargestByteMax ? static_cast<BYTE>(sample) : scale(sample);
    };
    WriteBitmapRow(shape, static_cast<unsigned>(r), sampleAt, bitmap);
  }
  ppm_freerow(row);
  std::fclose(file);
  return Decoded(bitmap);
}
