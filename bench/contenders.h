// Everything the benchmark times: the plug-in's GetPicture, the copy that is
// the floor, and two independent decoders, each making a bottom-up BGR
// bitmap with padded rows from the same PPM file.
#pragma once

#include <string>

#include "pictures.h"
#include "platform.h"

// A picture in memory and in a file in the page cache.
struct BenchPicture {
  explicit BenchPicture(const PictureShape& shape);

  PictureShape Shape;
  std::string File;
  size_t HeaderBytes;
  TemporaryFile Stored;
};

// The pixel block a contender made, freed with the object.
class Decoded {
 public:
  explicit Decoded(BYTE* heapBytes) : Heap_(heapBytes) {}
  Decoded(HGLOBAL info, HGLOBAL bits) : Info_(info), Bits_(bits) {}
  ~Decoded();
  Decoded(Decoded&& other) noexcept;
  Decoded(const Decoded&) = delete;
  Decoded& operator=(const Decoded&) = delete;
  Decoded& operator=(Decoded&&) = delete;

  // A copy of the first bytes of the pixel block.
  std::string Pixels(size_t bytes) const;

 private:
  BYTE* Heap_ = nullptr;
  HGLOBAL Info_ = nullptr;
  HGLOBAL Bits_ = nullptr;
};

Decoded GetPictureFromMemory(const BenchPicture& picture);
Decoded GetPictureFromFile(const BenchPicture& picture);

// The floor: the pixel bytes copied into a fresh buffer of the bitmap's
// size. Two-byte samples fill it before they run out; only that much is copied.
Decoded CopyPixelBytes(const BenchPicture& picture);
// The floor for file input: the whole file read into a fresh buffer of its
// size, then the floor's copy from there.
Decoded ReadFileThenCopy(const BenchPicture& picture);

Decoded StbImageFromMemory(const BenchPicture& picture);
Decoded NetpbmFromMemory(const BenchPicture& picture);
