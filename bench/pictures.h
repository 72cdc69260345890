// The pictures the benchmark decodes, made by the benchmark itself, and the
// sizes its contenders and goals are measured against.
#pragma once

#include <cstddef>
#include <string>

struct PictureShape {
  unsigned Width;
  unsigned Height;
  unsigned MaxValue;
};

// "1920x1080 max 255"
std::string PictureName(const PictureShape& shape);

size_t SampleBytes(const PictureShape& shape);
size_t PixelDataBytes(const PictureShape& shape);  // the samples in the file
size_t BitmapRowStride(const PictureShape& shape);
size_t BitmapBytes(const PictureShape& shape);  // the pixel block

// A whole PPM file: header, then samples that vary without pattern up to
// the maximum.
std::string PpmFile(const PictureShape& shape);

// A file in the temporary directory, removed with the object.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& contents);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const char* Path() const { return Path_.c_str(); }

 private:
  std::string Path_;
};
