#include "pictures.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

constexpr unsigned kLargestByteMax = 255;
constexpr char kFileTemplate[] = "brindle-bench-XXXXXX";

}  // namespace

std::string PictureName(const PictureShape& shape) {
  return std::to_string(shape.Width) + "x" + std::to_string(shape.Height) + " max " +
         std::to_string(shape.MaxValue);
}

size_t SampleBytes(const PictureShape& shape) { return shape.MaxValue > kLargestByteMax ? 2 : 1; }

size_t PixelDataBytes(const PictureShape& shape) {
  return size_t{shape.Width} * shape.Height * 3 * SampleBytes(shape);
}

size_t BitmapRowStride(const PictureShape& shape) { return (size_t{shape.Width} * 3 + 3) / 4 * 4; }

size_t BitmapBytes(const PictureShape& shape) { return BitmapRowStride(shape) * shape.Height; }

std::string PpmFile(const PictureShape& shape) {
  std::string file = "P6\n" + std::to_string(shape.Width) + " " + std::to_string(shape.Height) +
                     "\n" + std::to_string(shape.MaxValue) + "\n";
  const size_t samples = PixelDataBytes(shape) / SampleBytes(shape);
  file.reserve(file.size() + PixelDataBytes(shape));
  uint32_t state = 0x2545F491;
  for (size_t i = 0; i < samples; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const unsigned sample = state % (shape.MaxValue + 1);
    if (SampleBytes(shape) == 2) file.push_back(static_cast<char>(sample >> 8));
    file.push_back(static_cast<char>(sample));
  }
  return file;
}

TemporaryFile::TemporaryFile(const std::string& contents)
    : Path_((std::filesystem::temp_directory_path() / kFileTemplate).string()) {
  const int fd = mkstemp(Path_.data());
  if (fd < 0) throw std::runtime_error("cannot create " + Path_);
  const bool written =
      write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
  close(fd);
  if (!written) throw std::runtime_error("cannot write " + Path_);
}

TemporaryFile::~TemporaryFile() { std::remove(Path_.c_str()); }
