// The header reader over arbitrary bytes with their end: it never reads past
// the end, keeps its promises on acceptance, looks no further than the first
// 1,067 bytes, and treats the end as zero bytes would be treated.
#include <algorithm>
#include <cstring>

#include "fuzz_support.h"
#include "ppm_file.h"

namespace {

constexpr uint64_t kImageSizeLimit = 0x0C000000;
constexpr size_t kLastPixelOffset = 1065;

struct Header {
  bool Accepted;
  DWORD Width, Height, MaxValue, ImageSize;
  size_t PixelOffset;
  bool operator==(const Header& other) const {
    return Accepted == other.Accepted &&
           (!Accepted ||
            (Width == other.Width && Height == other.Height && MaxValue == other.MaxValue &&
             ImageSize == other.ImageSize && PixelOffset == other.PixelOffset));
  }
};

// Reads the header of an exact-sized copy, so a read past its end is seen.
Header Read(const Bytes& bytes) {
  TPPMFile picture(bytes.data(), bytes.size());
  const bool accepted = picture.ReadHeader();
  Require(picture.Cursor >= picture.Data && picture.Cursor <= picture.End,
          "the cursor stays within the input");
  Header header{accepted,          picture.Width,
                picture.Height,    picture.MaxValue,
                picture.ImageSize, static_cast<size_t>(picture.Cursor - picture.Data)};
  if (!accepted) return header;
  Require(picture.Width >= 1 && picture.Height >= 1, "the picture is not empty");
  Require(uint64_t{picture.Width} * picture.Height * 3 == picture.ImageSize,
          "ImageSize is Width x Height x 3");
  Require(picture.ImageSize < kImageSizeLimit, "ImageSize stays below the limit");
  Require(header.PixelOffset <= kLastPixelOffset, "the pixels begin within 1,065 bytes");
  Require(std::memchr(picture.Comment, 0, kCommentSize) != nullptr, "the comment is terminated");
  return header;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const Bytes input(data, data + size);
  const Header whole = Read(input);

  const Bytes reach(data, data + std::min(size, kHeaderReach));
  Require(Read(reach) == whole, "nothing past the first 1,067 bytes counts");

  Bytes zeroPadded = input;
  zeroPadded.resize(std::max(size, kHeaderReach));
  Header padded = Read(zeroPadded);
  // Past the end the cursor stands still, where zero bytes would be consumed.
  if (padded.Accepted && padded.PixelOffset > size) padded.PixelOffset = size;
  Require(padded == whole, "the input's end reads like zero bytes");
  return 0;
}
