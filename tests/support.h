// Shared test helpers: PPM fixtures, temporary files, reading the blocks the
// plug-in hands over, and a fixture that proves every call releases what it
// obtained.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "brindle.h"
#include "platform_testing.h"
#include "ppm_file.h"

// What the host leaves in a handle variable; a failed call must keep it.
inline const HGLOBAL kHostValue = reinterpret_cast<HGLOBAL>(UINT_PTR{0x5A5A});

// "P6\n<width> <height>\n<maxValue>\n"
std::string PpmHeader(unsigned width, unsigned height, unsigned maxValue = 255);

// A header followed by width x height pixels of distinct, position-dependent samples.
std::string PpmPicture(unsigned width, unsigned height, unsigned maxValue = 255);

const char* AsSource(const std::string& bytes);

// A file in the temporary directory holding the given bytes, removed with the object.
class TempFile {
 public:
  explicit TempFile(const std::string& contents);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  const char* Path() const { return Path_.c_str(); }

 private:
  std::string Path_;
};

// The bytes of a global memory block, read through a lock of its own.
std::string BlockBytes(HGLOBAL block);

// The two blocks of a decoded picture, freed with the object.
struct Bitmap {
  HGLOBAL Info = nullptr;
  HGLOBAL Bits = nullptr;
  ~Bitmap();
  std::string InfoBytes() const { return BlockBytes(Info); }
  // The header block's fields; the bytes after them are never written.
  std::string HeaderFields() const { return InfoBytes().substr(0, kBitmapHeaderSize); }
  std::string BitsBytes() const { return BlockBytes(Bits); }
};

bool operator==(const PlatformResources& a, const PlatformResources& b);
void PrintTo(const PlatformResources& resources, std::ostream* out);

// Tests on this fixture fail when a block, lock or file outlives the test,
// and never leave a fault injection armed.
class ReleasesEverything : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

 private:
  PlatformResources Before_{};
};
