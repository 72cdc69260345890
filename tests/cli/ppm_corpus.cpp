// Writes a corpus of valid binary PPM pictures into a directory and lists
// them on standard output, one line each: name, width, height, maximum value
// and the offset of the first pixel byte. The corpus covers every row
// padding, maximum values of one and of two bytes a sample, the header
// layouts that the plug-in takes besides the plainest one, and, where a
// picture has room, every sample value of its maximum.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <string>

namespace {

constexpr uint32_t kMaxValues[] = {1, 15, 255, 256, 1023, 65535};

struct Size {
  uint32_t width;
  uint32_t height;
};

// Widths 1 to 8 give every row padding twice; the larger ones run to a few
// hundred pixels a side and cover all 65,536 values of a two-byte sample.
constexpr Size kSizes[] = {{1, 1},   {2, 1},   {3, 2},   {4, 3},    {5, 1},
                           {6, 7},   {7, 4},   {8, 2},   {1, 9},    {33, 17},
                           {64, 48}, {130, 3}, {3, 300}, {255, 66}, {301, 257}};

const std::string kComments[] = {
    "",
    "# written for the netpbm comparison\n",
    "#\n",
    "# \x7f\x80\xa9\xe9\xff text bytes above 0x7E\n",
    "#" + std::string(1022, 'c') + "\n",  // the longest comment line taken
};

constexpr uint32_t kLongestDimensionsLine = 24;
constexpr uint32_t kLargestByteMax = 255;

std::string DimensionsLine(const Size& size, size_t layout) {
  const std::string width = std::to_string(size.width);
  const std::string height = std::to_string(size.height);
  switch (layout % 4) {
    case 0:
      return width + " " + height;
    case 1:
      return "  " + width + "   " + height;
    case 2: {
      const std::string line = width + " " + height;
      return line + std::string(kLongestDimensionsLine - line.size(), ' ');
    }
    default:
      return "00" + width + " 0" + height;
  }
}

std::string MaxValueLine(uint32_t maxValue, size_t layout) {
  const std::string value = std::to_string(maxValue);
  switch (layout % 3) {
    case 0:
      return value;
    case 1:
      return " " + value;
    default:
      return "000" + value;
  }
}

std::string Header(const Size& size, uint32_t maxValue, size_t layout) {
  return "P6\n" + kComments[layout % (sizeof kComments / sizeof kComments[0])] +
         DimensionsLine(size, layout) + "\n" + MaxValueLine(maxValue, layout) + "\n";
}

// Samples 0, 1, ..., maxValue first, then random ones up to maxValue; one
// byte each up to 255, else two, the more significant first.
std::string Samples(const Size& size, uint32_t maxValue, std::mt19937& random) {
  std::uniform_int_distribution<uint32_t> anySample(0, maxValue);
  const uint64_t count = uint64_t{3} * size.width * size.height;
  std::string bytes;
  for (uint64_t i = 0; i < count; ++i) {
    const uint32_t sample = i <= maxValue ? static_cast<uint32_t>(i) : anySample(random);
    if (maxValue > kLargestByteMax) bytes += static_cast<char>(sample >> 8);
    bytes += static_cast<char>(sample & 0xFF);
  }
  return bytes;
}

bool WritePicture(const std::string& path, const std::string& header, const std::string& samples) {
  std::ofstream file(path, std::ios::binary);
  file << header << samples;
  return static_cast<bool>(file.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: ppm_corpus DIRECTORY\n";
    return 2;
  }
  const std::string directory = argv[1];
  std::mt19937 random(20240611);
  size_t layout = 0;
  for (uint32_t maxValue : kMaxValues) {
    for (const Size& size : kSizes) {
      const std::string name = "max" + std::to_string(maxValue) + "_" + std::to_string(size.width) +
                               "x" + std::to_string(size.height);
      const std::string header = Header(size, maxValue, layout++);
      if (!WritePicture(directory + "/" + name + ".ppm", header, Samples(size, maxValue, random))) {
        std::cerr << "ppm_corpus: cannot write " << name << ".ppm\n";
        return 1;
      }
      std::cout << name << ' ' << size.width << ' ' << size.height << ' ' << maxValue << ' '
                << header.size() << '\n';
    }
  }
  return 0;
}
