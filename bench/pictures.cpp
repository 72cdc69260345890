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

std::string PictureName(const PictureSpec& spec) {
  return std::to_string(spec.Width) + "x" + std::to_string(spec.Height) + " max " +
         std::to_string(spec.MaxValue);
}

size_t SampleBytes(const PictureSpec& spec) { return spec.MaxValue > kLargestByteMax ? 2 : 1; }

size_t PixelDataBytes(const PictureSpec& spec) {
  return size_t{spec.Width} * spec.Height * 3 * SampleBytes(spec);
}

size_t BitmapRowStride(const PictureSpec& spec) { return (size_t{spec.Width} * 3 + 3) / 4 * 4; }

size_t BitmapBytes(const PictureSpec& spec) { return BitmapRowStride(spec) * spec.Height; }

std::string PpmFile(const PictureSpec& spec) {
  std::string file = "P6\n" + std::to_string(spec.Width) + " " + std::to_string(spec.Height) +
                     "\n" + std::to_string(spec.MaxValue) + "\n";
  const size_t samples = PixelDataBytes(spec) / SampleBytes(spec);
  file.reserve(file.size() + PixelDataBytes(spec));
  uint32_t state = 0x2545F491;
  for (size_t i = 0; i < samples; ++i) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const unsigned sample = state % (spec.MaxValue + 1);
    if (SampleBytes(spec) == 2) file.push_back(static_cast<char>(sample >> 8));
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
